#include <gtest/gtest.h>

#include "image/image.h"
#include "imagefiles/library_formats.h"
#include "jpeg_test_support.h"
#include "library_test_support.h"

using namespace libtest;

namespace {

CImage* Flat(int width, int height, int channels, std::initializer_list<uint8_t> values)
{
    CImage* image = new CImage(width, height, channels, SampleU8);
    auto value = values.begin();
    for (int c = 0; c < channels; ++c, ++value)
        std::memset(image->Plane8(c), *value, image->PixelCount());
    return image;
}

bool AllOnes(const JpegLayout& layout, int slot)
{
    for (uint16_t q : layout.table[slot])
        if (q != 1)
            return false;
    return layout.hasTable[slot];
}

} // namespace

TEST(JpegFiles, GreyStaysGreyAndSixteenBitKeepsTheHighByte)
{
    CScratchDir dir;
    CImage wide(16, 16, 1, SampleU16);
    for (size_t i = 0; i < wide.PixelCount(); ++i)
        wide.Plane16(0)[i] = 0xAB7F;
    std::string path = dir.File("grey.jpg");
    ASSERT_EQ(SaveJpeg(wide, path.c_str(), "", 100, 2, nullptr, 0), FileOk);
    JpegLayout layout;
    ASSERT_TRUE(ReadJpegLayout(path.c_str(), &layout));
    EXPECT_EQ(layout.components, 1);
    EXPECT_EQ(layout.colorSpace, JCS_GRAYSCALE);
    CImage loaded(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(loaded, path.c_str()), FileOk);
    ASSERT_EQ(loaded.channelCount, 1);
    EXPECT_EQ(loaded.sampleType, SampleU8);
    EXPECT_EQ(loaded.Plane8(0)[37], 0xAB);
}

TEST(JpegFiles, SubsamplingCodesSetTheLumaFactorsAndReadBack)
{
    CScratchDir dir;
    std::unique_ptr<CImage> image(Flat(32, 32, 3, { 200, 30, 90 }));
    const int expected[3][2] = { { 1, 1 }, { 2, 1 }, { 2, 2 } };
    for (int code = 0; code < 3; ++code) {
        std::string path = dir.File("s.jpg");
        ASSERT_EQ(SaveJpeg(*image, path.c_str(), nullptr, 60, code, nullptr, 0), FileOk);
        JpegLayout layout;
        ASSERT_TRUE(ReadJpegLayout(path.c_str(), &layout));
        EXPECT_EQ(layout.h[0], expected[code][0]);
        EXPECT_EQ(layout.v[0], expected[code][1]);
        EXPECT_EQ(layout.h[1] * layout.v[1] * layout.h[2] * layout.v[2], 1);
        CImage loaded(0, 0, 0, SampleU8);
        ASSERT_EQ(ReadJpeg(loaded, path.c_str()), FileOk);
        EXPECT_EQ(loaded.jpegSubsampling, code);
        EXPECT_EQ(loaded.jpegQuality, 75);
    }
}

TEST(JpegFiles, ResolutionBecomesJfifDensityAndBack)
{
    CScratchDir dir;
    std::unique_ptr<CImage> image(Flat(8, 8, 3, { 1, 2, 3 }));
    image->resolutionDpi = 300;
    ASSERT_EQ(SaveJpeg(*image, dir.File("dpi.jpg").c_str(), nullptr, 40, 2, nullptr, 0), FileOk);
    JpegLayout layout;
    ASSERT_TRUE(ReadJpegLayout(dir.File("dpi.jpg").c_str(), &layout));
    EXPECT_EQ(layout.densityUnit, 1);
    EXPECT_EQ(layout.xDensity, 300);
    EXPECT_EQ(layout.yDensity, 300);
    CImage loaded(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(loaded, dir.File("dpi.jpg").c_str()), FileOk);
    EXPECT_EQ(loaded.resolutionDpi, 300);

    image->resolutionDpi = 0;
    ASSERT_EQ(SaveJpeg(*image, dir.File("none.jpg").c_str(), nullptr, 24, 2, nullptr, 0), FileOk);
    ASSERT_TRUE(ReadJpegLayout(dir.File("none.jpg").c_str(), &layout));
    EXPECT_EQ(layout.densityUnit, 0);
    EXPECT_EQ(layout.xDensity, 1);
    EXPECT_EQ(layout.yDensity, 1);
    CImage unitless(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(unitless, dir.File("none.jpg").c_str()), FileOk);
    EXPECT_EQ(unitless.resolutionDpi, 0);
}

TEST(JpegFiles, DotsPerCentimetreAreConvertedToDotsPerInch)
{
    CScratchDir dir;
    std::vector<uint8_t> pixels(8 * 8 * 3, 128);
    JpegRecipe recipe;
    recipe.pixels = pixels.data();
    recipe.densityUnit = 2;
    for (auto [perCm, perInch] : { std::pair { 118, 300 }, std::pair { 2, 5 }, std::pair { 100, 254 } }) {
        recipe.xDensity = recipe.yDensity = perCm;
        ASSERT_TRUE(WriteLibraryJpeg(dir.File("cm.jpg").c_str(), &recipe));
        CImage loaded(0, 0, 0, SampleU8);
        ASSERT_EQ(ReadJpeg(loaded, dir.File("cm.jpg").c_str()), FileOk);
        EXPECT_EQ(loaded.resolutionDpi, perInch) << perCm << " per cm";
    }
}

TEST(JpegFiles, QualityFromSourceCopiesTablesSamplingAndDensity)
{
    CScratchDir dir;
    std::vector<uint8_t> pixels(48 * 32 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 37 % 251);
    JpegRecipe recipe;
    recipe.width = 48;
    recipe.height = 32;
    recipe.quality = 83;
    recipe.lumaH = 2;
    recipe.lumaV = 1;
    recipe.densityUnit = 1;
    recipe.xDensity = 240;
    recipe.yDensity = 120;
    recipe.pixels = pixels.data();
    std::string sourcePath = dir.File("source422.jpg");
    ASSERT_TRUE(WriteLibraryJpeg(sourcePath.c_str(), &recipe));
    JpegLayout source;
    ASSERT_TRUE(ReadJpegLayout(sourcePath.c_str(), &source));

    CImage loaded(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(loaded, sourcePath.c_str()), FileOk);
    EXPECT_EQ(loaded.jpegSubsampling, 1);
    // The save asks for 4:2:0 and 600 dpi; the source's layout wins.
    loaded.resolutionDpi = 600;
    std::string savedPath = dir.File("saved.jpg");
    ASSERT_EQ(SaveJpeg(loaded, savedPath.c_str(), sourcePath.c_str(), 200, 2, nullptr, 0), FileOk);
    JpegLayout saved;
    ASSERT_TRUE(ReadJpegLayout(savedPath.c_str(), &saved));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(saved.h[c], source.h[c]);
        EXPECT_EQ(saved.v[c], source.v[c]);
        EXPECT_EQ(saved.quantSlot[c], source.quantSlot[c]);
    }
    for (int slot = 0; slot < 4; ++slot) {
        ASSERT_EQ(saved.hasTable[slot], source.hasTable[slot]);
        if (source.hasTable[slot]) {
            EXPECT_EQ(0, std::memcmp(saved.table[slot], source.table[slot], sizeof saved.table[slot]));
        }
    }
    EXPECT_FALSE(AllOnes(saved, 0));
    EXPECT_EQ(saved.densityUnit, 1);
    EXPECT_EQ(saved.xDensity, 240);
    EXPECT_EQ(saved.yDensity, 120);

    // Onto its own source: the source is read while the new file is written.
    ASSERT_EQ(SaveJpeg(loaded, sourcePath.c_str(), sourcePath.c_str(), 200, 0, nullptr, 0), FileOk);
    JpegLayout again;
    ASSERT_TRUE(ReadJpegLayout(sourcePath.c_str(), &again));
    EXPECT_EQ(0, std::memcmp(again.table[0], source.table[0], sizeof again.table[0]));
    EXPECT_EQ(again.h[0], 2);
    EXPECT_EQ(again.v[0], 1);
}

TEST(JpegFiles, QualityFromSourceFallsBackToHundredWhenTheSourceCannotLend)
{
    CScratchDir dir;
    std::unique_ptr<CImage> image(Flat(16, 16, 3, { 10, 20, 30 }));
    ASSERT_EQ(SavePng(*image, dir.File("source.png").c_str(), 8), FileOk);
    std::vector<uint8_t> cmykPixels(16 * 16 * 4, 100);
    JpegRecipe cmyk;
    cmyk.width = cmyk.height = 16;
    cmyk.components = 4;
    cmyk.inputSpace = JCS_CMYK;
    cmyk.quality = 50;
    cmyk.pixels = cmykPixels.data();
    ASSERT_TRUE(WriteLibraryJpeg(dir.File("cmyk.jpg").c_str(), &cmyk));

    // "gone.jpg": the source was moved or deleted after it was opened.
    for (const char* source : { "", "source.png", "cmyk.jpg", "gone.jpg" }) {
        std::string sourcePath = *source ? dir.File(source) : "";
        std::string path = dir.File("out.jpg");
        ASSERT_EQ(SaveJpeg(*image, path.c_str(), sourcePath.c_str(), 200, 0, nullptr, 0), FileOk) << source;
        JpegLayout layout;
        ASSERT_TRUE(ReadJpegLayout(path.c_str(), &layout));
        EXPECT_EQ(layout.components, 3);
        EXPECT_TRUE(AllOnes(layout, 0) && AllOnes(layout, 1)) << source;
        EXPECT_EQ(layout.h[0], 1);
    }
}

TEST(JpegFiles, CommentThenApp1ByteForByte)
{
    CScratchDir dir;
    std::unique_ptr<CImage> image(Flat(8, 8, 3, { 9, 9, 9 }));
    std::vector<uint8_t> payload = { 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0xFF, 0xD9, 1, 2, 3 };
    ASSERT_EQ(SaveJpeg(*image, dir.File("m.jpg").c_str(), nullptr, 60, 2, payload.data(), int(payload.size())), FileOk);
    std::vector<JpegSegment> segments = JpegSegments(ReadBytes(dir.File("m.jpg")));
    ASSERT_GE(segments.size(), 4u);
    EXPECT_EQ(segments[0].marker, 0xE0); // JFIF
    EXPECT_EQ(segments[1].marker, 0xFE);
    const char comment[] = "Quillmark, Inc.";
    EXPECT_EQ(segments[1].payload, std::vector<uint8_t>(comment, comment + sizeof comment));
    EXPECT_EQ(segments[2].marker, 0xE1);
    EXPECT_EQ(segments[2].payload, payload);
    EXPECT_EQ(segments[3].marker, 0xDB); // tables follow

    ASSERT_EQ(SaveJpeg(*image, dir.File("n.jpg").c_str(), nullptr, 60, 2, nullptr, 0), FileOk);
    for (const JpegSegment& segment : JpegSegments(ReadBytes(dir.File("n.jpg"))))
        EXPECT_NE(segment.marker, 0xE1);
}

TEST(JpegFiles, CmykIsReadInvertedAndTurnedToRgb)
{
    CScratchDir dir;
    std::vector<uint8_t> stored(16 * 8 * 4);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint8_t((i * 53) % 256);
    JpegRecipe recipe;
    recipe.width = 16;
    recipe.components = 4;
    recipe.inputSpace = JCS_CMYK;
    recipe.pixels = stored.data();
    ASSERT_TRUE(WriteLibraryJpeg(dir.File("cmyk.jpg").c_str(), &recipe));
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(DecodeRawJpeg(dir.File("cmyk.jpg").c_str(), decoded));
    CImage image(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(image, dir.File("cmyk.jpg").c_str()), FileOk);
    ASSERT_EQ(image.channelCount, 4);
    for (size_t i = 0; i < image.PixelCount(); ++i) {
        const uint8_t* s = &decoded[i * 4];
        ASSERT_EQ(image.Plane8(0)[i], s[0] * s[3] / 255) << i;
        ASSERT_EQ(image.Plane8(1)[i], s[1] * s[3] / 255) << i;
        ASSERT_EQ(image.Plane8(2)[i], s[2] * s[3] / 255) << i;
        ASSERT_EQ(image.Plane8(3)[i], 255 - s[3]) << i;
    }
}

TEST(JpegFiles, DamagedFilesFailOrCompleteButNeverEndTheProcess)
{
    CScratchDir dir;
    CImage source(64, 48, 3, SampleU8);
    FillPattern(source);
    ASSERT_EQ(SaveJpeg(source, dir.File("good.jpg").c_str(), nullptr, 90, 2, nullptr, 0), FileOk);
    std::vector<uint8_t> bytes = ReadBytes(dir.File("good.jpg"));

    // Cut inside the scan: a warning, and the library fills the rest.
    WriteBytes(dir.File("cut.jpg"), std::vector<uint8_t>(bytes.begin(), bytes.end() - 200));
    CImage truncated(0, 0, 0, SampleU8);
    EXPECT_EQ(ReadJpeg(truncated, dir.File("cut.jpg").c_str()), FileOk);
    EXPECT_EQ(truncated.height, 48);

    // Cut inside the header: a fatal error, turned into a failed load.
    WriteBytes(dir.File("header.jpg"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30));
    CImage broken(0, 0, 0, SampleU8);
    EXPECT_EQ(ReadJpeg(broken, dir.File("header.jpg").c_str()), FileOpenFailed);
    int width = -1, height = -1, channels = -1;
    EXPECT_EQ(ReadJpegInfo(dir.File("header.jpg").c_str(), &width, &height, &channels), FileOpenFailed);

    // A frame header claiming 65500 × 65500: refused before any allocation.
    std::vector<uint8_t> huge = bytes;
    for (size_t at = 2; at + 9 < huge.size(); ++at)
        if (huge[at] == 0xFF && huge[at + 1] == 0xC0) {
            huge[at + 5] = huge[at + 7] = 0xFF;
            huge[at + 6] = huge[at + 8] = 0xDC;
            break;
        }
    WriteBytes(dir.File("huge.jpg"), huge);
    ASSERT_EQ(ReadJpegInfo(dir.File("huge.jpg").c_str(), &width, &height, &channels), FileOk);
    EXPECT_EQ(width, 65500);
    CImage oversized(0, 0, 0, SampleU8);
    EXPECT_EQ(ReadJpeg(oversized, dir.File("huge.jpg").c_str()), FileNoMemory);
    EXPECT_EQ(oversized.planes[0], nullptr);
}

TEST(JpegFiles, FailedSaveLeavesTheTargetAsItWas)
{
    CScratchDir dir;
    std::string target = dir.File("keep.jpg");
    WriteBytes(target, { 1, 2, 3, 4 });
    // Wider than the format allows: refused before anything is written.
    CImage tooWide(70000, 1, 1, SampleU8);
    std::memset(tooWide.Plane8(0), 0, tooWide.PixelCount());
    EXPECT_EQ(SaveJpeg(tooWide, target.c_str(), nullptr, 60, 2, nullptr, 0), FileTooLarge);
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t> { 1, 2, 3, 4 }));
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
    CImage empty(0, 0, 0, SampleU8);
    EXPECT_EQ(SaveJpeg(empty, target.c_str(), nullptr, 60, 2, nullptr, 0), FileBadArgument);
}
