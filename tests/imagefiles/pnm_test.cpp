#include <gtest/gtest.h>

#include "test_files.h"

namespace {

class PnmReading : public ::testing::Test {
protected:
    TempFolder folder;
    CImage image { 0, 0, 0, SampleU8 };
};

Bytes Header(const std::string& text)
{
    Bytes b;
    PutText(b, text);
    return b;
}

TEST_F(PnmReading, EightBitGreyWithAnyWhitespaceInTheHeader)
{
    Bytes file = Header("P5\n3  2\t255\n");
    for (int i = 0; i < 6; ++i)
        file.push_back(uint8_t(10 * i));
    ASSERT_EQ(Load(image, folder.Write("grey.pgm", file)), FileOk);
    EXPECT_EQ(image.channelCount, 1);
    EXPECT_EQ(image.sampleType, SampleU8);
    EXPECT_EQ(At8(image, 0, 2, 0), 20);
    EXPECT_EQ(At8(image, 0, 0, 1), 30);
}

TEST_F(PnmReading, SixteenBitsAreMostSignificantByteFirstAndUnscaled)
{
    Bytes file = Header("P5 2 1 1023\n");
    PutBe16(file, 1023);
    PutBe16(file, 0x0102);
    ASSERT_EQ(Load(image, folder.Write("tenbit.pgm", file)), FileOk);
    EXPECT_EQ(image.sampleType, SampleU16);
    EXPECT_EQ(At16(image, 0, 0, 0), 1023);
    EXPECT_EQ(At16(image, 0, 1, 0), 0x0102);

    Bytes colour = Header("P6 1 2 65535 ");
    for (uint32_t v : { 1u, 2u, 3u, 0xFFFFu, 0x8000u, 0x00FFu })
        PutBe16(colour, v);
    CImage ppm(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(ppm, folder.Write("deep.ppm", colour)), FileOk);
    EXPECT_EQ(ppm.channelCount, 3);
    EXPECT_EQ(At16(ppm, 2, 0, 0), 3);
    EXPECT_EQ(At16(ppm, 0, 0, 1), 0xFFFF);
    EXPECT_EQ(At16(ppm, 2, 0, 1), 0x00FF);
}

TEST_F(PnmReading, MaximumValueChoosesTheSampleSize)
{
    Bytes eight = Header("P6 1 1 255\n");
    eight.insert(eight.end(), { 7, 8, 9 });
    ASSERT_EQ(Load(image, folder.Write("max255.ppm", eight)), FileOk);
    EXPECT_EQ(image.sampleType, SampleU8);
    EXPECT_EQ(At8(image, 1, 0, 0), 8);
    Bytes sixteen = Header("P5 1 1 256\n");
    PutBe16(sixteen, 300);
    CImage deep(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(deep, folder.Write("max256.pgm", sixteen)), FileOk);
    EXPECT_EQ(deep.sampleType, SampleU16);
    EXPECT_EQ(At16(deep, 0, 0, 0), 300);
}

TEST_F(PnmReading, BadHeadersAreRefused)
{
    const char* headers[] = {
        "P5\n# made by hand\n2 2\n255\n", // comments are not accepted
        "P5 0 2 255\n",
        "P5 2 -2 255\n",
        "P5 2 2 0\n",
        "P5 2 2 65536\n",
        "P5 2 2 99999999999999\n",
        "P5 2 2", // no maximum value
        "P6 2 2 x55\n",
    };
    // Nothing at all after the maximum value: the separator is missing.
    EXPECT_EQ(Load(image, folder.Write("no-separator.pgm", Header("P5 1 1 255"))), FileBadArgument);
    for (const char* header : headers) {
        Bytes file = Header(header);
        file.resize(file.size() + 24, 1);
        EXPECT_EQ(Load(image, folder.Write("bad.pgm", file), header[1] == '6' ? ImageFileType::Ppm : ImageFileType::Pgm),
            FileBadArgument)
            << header;
    }
}

TEST_F(PnmReading, ShortPixelDataFailsInsteadOfShowingGarbage)
{
    Bytes file = Header("P6 2 2 255\n");
    file.resize(file.size() + 11, 5);
    EXPECT_EQ(Load(image, folder.Write("short.ppm", file)), FileBadArgument);
    Bytes huge = Header("P5 20000 20000 255\n");
    huge.resize(1024, 0);
    EXPECT_EQ(Load(image, folder.Write("huge.pgm", huge)), FileBadArgument);
    EXPECT_EQ(image.planes[0], nullptr);
}

TEST_F(PnmReading, InfoReportsSizeAndChannels)
{
    Bytes file = Header("P6 4 3 255\n");
    file.resize(file.size() + 36, 0);
    int w = 0, h = 0, c = 0;
    EXPECT_EQ(ReadImageFileInfo(folder.Write("info.ppm", file).c_str(), &w, &h, &c), ImageFileType::Ppm);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(c, 3);
    Bytes grey = Header("P5 4 3 255\n");
    EXPECT_EQ(ReadImageFileInfo(folder.Write("info.pgm", grey).c_str(), &w, &h, &c), ImageFileType::Pgm);
    EXPECT_EQ(c, 1);
}

} // namespace
