#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/raw_scan.h"
#include "test_files.h"

namespace {

struct ScanSpec {
    std::string viewList = "red green blue";
    int statusBytes = 4;
    int imagePixels = 3;
    int bytesPerPixel = 1;
    int totalColumns = 2;
    int headerLength = 256;
    std::string extraLines; // more header lines, before the usual keys
    bool withTotalColumns = true;
};

// Sample i of view v on line y, distinct for every combination.
uint32_t SampleValue(int y, int v, int i) { return 1000 * y + 100 * v + i; }

Bytes BuildScan(const ScanSpec& s, int storedViews)
{
    std::string header = "%QMI " + std::to_string(s.headerLength) + "\n" + s.extraLines + "version 1.5\n"
        + "viewList " + s.viewList + "\n" + "statusBytes " + std::to_string(s.statusBytes) + "\n"
        + "imagePixels " + std::to_string(s.imagePixels) + "\n" + "bytesPerPixel "
        + std::to_string(s.bytesPerPixel) + "\n" + "validBits 14\n";
    if (s.withTotalColumns)
        header += "totalColumns " + std::to_string(s.totalColumns) + "\n";
    Bytes b;
    PutText(b, header);
    b.resize(s.headerLength, 0);
    int size = s.bytesPerPixel == 2 || s.bytesPerPixel == 4 ? s.bytesPerPixel : 1;
    int line = s.statusBytes / size + s.imagePixels;
    for (int y = 0; y < s.totalColumns; ++y)
        for (int v = 0; v < storedViews; ++v)
            for (int i = 0; i < line; ++i) {
                uint32_t value = SampleValue(y, v, i);
                if (size == 1)
                    b.push_back(uint8_t(value));
                else if (size == 2)
                    PutLe16(b, value);
                else {
                    float f = float(value) / 8;
                    uint32_t bits;
                    std::memcpy(&bits, &f, 4);
                    PutLe32(b, bits);
                }
            }
    return b;
}

class RawScanReading : public ::testing::Test {
protected:
    TempFolder folder;
    CImage image { 0, 0, 0, SampleU8 };
};

TEST(RawScanHeaderParsing, ReadsKnownKeysAndIgnoresOthers)
{
    const char text[] = "%QMI 512\nversion 2.25\nfirmware  X1 Y2\nviewList  R G B\n  statusBytes 14\n"
                        "imagePixels 4000\nbytesPerPixel 2\nvalidBits 14\ntotalColumns 77\n";
    RawScanHeader header;
    ASSERT_TRUE(ParseRawScanHeader(reinterpret_cast<const uint8_t*>(text), sizeof text - 1, header));
    EXPECT_EQ(header.headerLength, 512);
    EXPECT_FLOAT_EQ(header.version, 2.25f);
    EXPECT_STREQ(header.viewList, "R G B");
    EXPECT_EQ(header.statusBytes, 14);
    EXPECT_EQ(header.imagePixels, 4000);
    EXPECT_EQ(header.bytesPerPixel, 2);
    EXPECT_EQ(header.validBits, 14);
    EXPECT_EQ(header.totalColumns, 77);
    EXPECT_EQ(RawScanViewNames(header), 3);
}

TEST(RawScanHeaderParsing, StopsAtAnEmptyValueAndMatchesKeysExactly)
{
    const char text[] = "%QMI 64\nStatusBytes 9\nimagePixels 12\nflag\ntotalColumns 5\n";
    RawScanHeader header;
    ASSERT_TRUE(ParseRawScanHeader(reinterpret_cast<const uint8_t*>(text), sizeof text - 1, header));
    EXPECT_EQ(header.statusBytes, 0); // the key's case differs
    EXPECT_EQ(header.imagePixels, 12);
    EXPECT_EQ(header.totalColumns, 0); // after the line without a value
    const char wrong[] = "%QMX 64\nimagePixels 12\n";
    EXPECT_FALSE(ParseRawScanHeader(reinterpret_cast<const uint8_t*>(wrong), sizeof wrong - 1, header));
    EXPECT_EQ(header.imagePixels, 0);
}

TEST(RawScanHeaderParsing, LooksOnlyAtTheFirstKilobyte)
{
    std::string text = "%QMI 2048\n";
    text += "pad " + std::string(1000, 'x') + "\n" + "totalColumns 5\n";
    RawScanHeader header;
    ASSERT_TRUE(ParseRawScanHeader(reinterpret_cast<const uint8_t*>(text.data()), text.size(), header));
    EXPECT_EQ(header.totalColumns, 0);
}

TEST_F(RawScanReading, EightBitViewsBecomeChannelsWithTheStatusAsMargin)
{
    ScanSpec s;
    ASSERT_EQ(Load(image, folder.Write("rgb.raw", BuildScan(s, 3))), FileOk);
    EXPECT_EQ(image.channelCount, 3);
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.marginWidth, 4);
    EXPECT_EQ(image.marginSide, 0);
    for (int v = 0; v < 3; ++v)
        for (int y = 0; y < 2; ++y)
            for (int i = 0; i < 7; ++i)
                ASSERT_EQ(At8(image, v, i, y), uint8_t(SampleValue(y, v, i)));
}

TEST_F(RawScanReading, SixteenBitLinesAreShiftedFromTheEighthSample)
{
    ScanSpec s;
    s.statusBytes = 14;
    s.imagePixels = 4000;
    s.bytesPerPixel = 2;
    s.viewList = "grey";
    ASSERT_EQ(Load(image, folder.Write("wide.raw", BuildScan(s, 1))), FileOk);
    EXPECT_EQ(image.width, 4007);
    EXPECT_EQ(image.sampleType, SampleU16);
    EXPECT_EQ(image.marginWidth, 7);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(At16(image, 0, 6, y), SampleValue(y, 0, 6));
        EXPECT_EQ(At16(image, 0, 7, y), uint16_t(SampleValue(y, 0, 7) << 2));
        EXPECT_EQ(At16(image, 0, 4006, y), uint16_t(SampleValue(y, 0, 4006) << 2));
    }
}

TEST_F(RawScanReading, FloatSamplesAreReadAsStored)
{
    ScanSpec s;
    s.bytesPerPixel = 4;
    s.statusBytes = 8;
    ASSERT_EQ(Load(image, folder.Write("float.raw", BuildScan(s, 3))), FileOk);
    EXPECT_EQ(image.sampleType, SampleFloat);
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.PlaneFloat(2)[image.width + 4], float(SampleValue(1, 2, 4)) / 8);
}

TEST_F(RawScanReading, SixViewsLoadTheFirstFourOfEveryLine)
{
    ScanSpec s;
    s.viewList = "a b c d e f";
    s.totalColumns = 3;
    ASSERT_EQ(Load(image, folder.Write("six.raw", BuildScan(s, 6))), FileOk);
    EXPECT_EQ(image.channelCount, 4);
    // Later lines come from their own place, past the unread views.
    for (int v = 0; v < 4; ++v)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(At8(image, v, 2, y), uint8_t(SampleValue(y, v, 2))) << v << "," << y;
    int w = 0, h = 0, c = 0;
    EXPECT_EQ(ReadImageFileInfo(folder.Path("six.raw").c_str(), &w, &h, &c), ImageFileType::RawScan);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(c, 4);
}

TEST_F(RawScanReading, UnknownSampleSizeReadsBytesAndInfoDoesNotDivideByZero)
{
    ScanSpec s;
    s.bytesPerPixel = 0;
    ASSERT_EQ(Load(image, folder.Write("zero.raw", BuildScan(s, 3))), FileOk);
    EXPECT_EQ(image.sampleType, SampleU8);
    EXPECT_EQ(image.width, 7);
    int w = 0, h = 0, c = 0;
    ReadImageFileInfo(folder.Path("zero.raw").c_str(), &w, &h, &c);
    EXPECT_EQ(w, 7);
}

TEST_F(RawScanReading, WrongMagicAndShortDataFail)
{
    Bytes file = BuildScan(ScanSpec {}, 3);
    file[3] = 'X'; // "%QMX": still detected by its first two bytes
    std::string path = folder.Write("magic.raw", file);
    EXPECT_EQ(DetectImageFileType(path.c_str()), ImageFileType::RawScan);
    CImage loaded(path.c_str(), 0);
    EXPECT_EQ(loaded.channelCount, 0);

    Bytes shortData = BuildScan(ScanSpec {}, 3);
    shortData.pop_back();
    EXPECT_EQ(Load(image, folder.Write("short.raw", shortData)), FileBadArgument);

    Bytes hugeFile = BuildScan(ScanSpec {}, 3);
    std::string text = "%QMI 256\nviewList a b c d\nimagePixels 60000\nbytesPerPixel 2\ntotalColumns 900000\n";
    std::copy(text.begin(), text.end(), hugeFile.begin());
    EXPECT_EQ(Load(image, folder.Write("huge.raw", hugeFile)), FileBadArgument);
    EXPECT_EQ(image.planes[0], nullptr);
}

TEST_F(RawScanReading, NoLinesGivesAnEmptyImageAndNoViewsGivesNone)
{
    ScanSpec s;
    s.withTotalColumns = false;
    ASSERT_EQ(Load(image, folder.Write("nolines.raw", BuildScan(s, 3))), FileOk);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.channelCount, 3);
    ScanSpec noViews;
    noViews.viewList = " ";
    CImage none(folder.Write("noviews.raw", BuildScan(noViews, 0)).c_str(), 0);
    EXPECT_EQ(none.channelCount, 0);
}

} // namespace
