// Files written by other programs' encoders (libjpeg's cjpeg, ImageMagick,
// libtiff's tiffcp) must load as those programs meant them. Each test skips
// when its tool is not installed.
#include <gtest/gtest.h>

#include <cstdio>

#include "image/image.h"
#include "imagefiles/library_formats.h"
#include "library_test_support.h"

using namespace libtest;

namespace {

// Writes an 8- or 16-bit grey (P5) or RGB (P6) file from the image.
void WriteNetpbm(const std::string& path, const CImage& image)
{
    bool wide = image.sampleType == SampleU16;
    std::string header = std::string(image.channelCount == 1 ? "P5" : "P6") + "\n" + std::to_string(image.width) + " "
        + std::to_string(image.height) + "\n" + (wide ? "65535" : "255") + "\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (size_t i = 0; i < image.PixelCount(); ++i)
        for (int c = 0; c < image.channelCount; ++c) {
            if (wide) {
                uint16_t v = image.Plane16(c)[i];
                bytes.push_back(uint8_t(v >> 8));
                bytes.push_back(uint8_t(v & 0xFF));
            } else {
                bytes.push_back(image.Plane8(c)[i]);
            }
        }
    WriteBytes(path, bytes);
}

// A smooth picture: lossy encoders keep it close, so comparisons can be tight.
void FillSmooth(CImage& image)
{
    for (int c = 0; c < image.channelCount; ++c)
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                uint32_t v = std::min(255u, uint32_t(x * 2 + y * 2 + c * 30));
                if (image.sampleType == SampleU16)
                    image.Plane16(c)[size_t(y) * image.width + x] = uint16_t(v * 257 + x);
                else
                    image.Plane8(c)[size_t(y) * image.width + x] = uint8_t(v);
            }
}

int MaxDifference(const CImage& a, const CImage& b, int channels)
{
    int worst = 0;
    for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < a.PixelCount(); ++i)
            worst = std::max(worst, std::abs(int(a.Plane8(c)[i]) - int(b.Plane8(c)[i])));
    return worst;
}

} // namespace

TEST(ForeignFiles, JpegsFromCjpegLoadAndOursDecodeLikeDjpeg)
{
    if (!HaveTool("cjpeg") || !HaveTool("djpeg"))
        GTEST_SKIP() << "cjpeg/djpeg not installed";
    CScratchDir dir;
    CImage picture(48, 40, 3, SampleU8);
    FillSmooth(picture);
    WriteNetpbm(dir.File("in.ppm"), picture);
    ASSERT_TRUE(RunQuietly("cjpeg -quality 90 -sample 2x1 -outfile " + dir.File("422.jpg") + " " + dir.File("in.ppm")));
    CImage subsampled(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(subsampled, dir.File("422.jpg").c_str()), FileOk);
    EXPECT_EQ(subsampled.jpegSubsampling, 1);
    EXPECT_EQ(subsampled.width, 48);
    EXPECT_EQ(subsampled.height, 40);
    EXPECT_LE(MaxDifference(picture, subsampled, 3), 12);

    ASSERT_TRUE(RunQuietly("cjpeg -progressive -grayscale -outfile " + dir.File("prog.jpg") + " " + dir.File("in.ppm")));
    CImage grey(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(grey, dir.File("prog.jpg").c_str()), FileOk);
    EXPECT_EQ(grey.channelCount, 1);

    // Our own file, decoded by djpeg, gives exactly what our reader gives.
    ASSERT_EQ(SaveJpeg(picture, dir.File("ours.jpg").c_str(), nullptr, 60, 0, nullptr, 0), FileOk);
    ASSERT_TRUE(RunQuietly("djpeg -pnm -outfile " + dir.File("ours.ppm") + " " + dir.File("ours.jpg")));
    std::vector<uint8_t> ppm = ReadBytes(dir.File("ours.ppm"));
    CImage ours(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(ours, dir.File("ours.jpg").c_str()), FileOk);
    ASSERT_GE(ppm.size(), ours.PixelCount() * 3);
    const uint8_t* samples = ppm.data() + ppm.size() - ours.PixelCount() * 3;
    for (size_t i = 0; i < ours.PixelCount(); ++i)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(ours.Plane8(c)[i], samples[i * 3 + c]) << i;
}

// Some scanners and cjpeg -rgb code the samples as RGB instead of YCbCr. A save
// with the source's own tables must mark its file so: every decoder, djpeg
// included, reads the colours back.
TEST(ForeignFiles, RgbCodedSourceLendsItsTablesWithoutFalseColours)
{
    if (!HaveTool("cjpeg") || !HaveTool("djpeg"))
        GTEST_SKIP() << "cjpeg/djpeg not installed";
    CScratchDir dir;
    CImage picture(24, 16, 3, SampleU8);
    picture.Fill(200, 30, 40, 0);
    WriteNetpbm(dir.File("red.ppm"), picture);
    ASSERT_TRUE(RunQuietly("cjpeg -rgb -quality 95 -outfile " + dir.File("rgb.jpg") + " " + dir.File("red.ppm")));
    CImage source(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(source, dir.File("rgb.jpg").c_str()), FileOk);
    ASSERT_EQ(SaveJpeg(source, dir.File("saved.jpg").c_str(), dir.File("rgb.jpg").c_str(), 200, 2, nullptr, 0), FileOk);

    CImage ours(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(ours, dir.File("saved.jpg").c_str()), FileOk);
    EXPECT_LE(MaxDifference(picture, ours, 3), 3);
    ASSERT_TRUE(RunQuietly("djpeg -pnm -outfile " + dir.File("saved.ppm") + " " + dir.File("saved.jpg")));
    std::vector<uint8_t> ppm = ReadBytes(dir.File("saved.ppm"));
    ASSERT_GE(ppm.size(), 3u);
    const uint8_t* last = ppm.data() + ppm.size() - 3;
    EXPECT_NEAR(last[0], 200, 3);
    EXPECT_NEAR(last[1], 30, 3);
    EXPECT_NEAR(last[2], 40, 3);
}

TEST(ForeignFiles, CmykJpegFromImageMagickLooksLikeItsSource)
{
    if (!HaveTool("convert"))
        GTEST_SKIP() << "ImageMagick not installed";
    CScratchDir dir;
    CImage picture(32, 32, 3, SampleU8);
    FillSmooth(picture);
    WriteNetpbm(dir.File("in.ppm"), picture);
    ASSERT_TRUE(RunQuietly("convert " + dir.File("in.ppm") + " -colorspace CMYK -quality 95 " + dir.File("cmyk.jpg")));
    CImage cmyk(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadJpeg(cmyk, dir.File("cmyk.jpg").c_str()), FileOk);
    ASSERT_EQ(cmyk.channelCount, 4);
    // Read without the inversion, this would be a photographic negative.
    EXPECT_LE(MaxDifference(picture, cmyk, 3), 24);
}

TEST(ForeignFiles, ImageMagickPngsAndTiffsLoadWithTheirSamples)
{
    if (!HaveTool("convert"))
        GTEST_SKIP() << "ImageMagick not installed";
    CScratchDir dir;
    CImage wide(20, 10, 3, SampleU16);
    FillSmooth(wide);
    WriteNetpbm(dir.File("wide.ppm"), wide);
    ASSERT_TRUE(RunQuietly("convert " + dir.File("wide.ppm") + " -depth 16 " + dir.File("wide.png")));
    ASSERT_TRUE(RunQuietly("convert " + dir.File("wide.ppm") + " -depth 16 -compress lzw " + dir.File("wide.tif")));
    for (const char* name : { "wide.png", "wide.tif" }) {
        CImage loaded(0, 0, 0, SampleU8);
        FileResult result = std::string(name).ends_with(".png") ? ReadPng(loaded, dir.File(name).c_str())
                                                                : ReadTiff(loaded, dir.File(name).c_str());
        ASSERT_EQ(result, FileOk) << name;
        EXPECT_TRUE(SamePlanes(wide, loaded)) << name;
    }

    CImage grey(17, 9, 1, SampleU8);
    FillSmooth(grey);
    WriteNetpbm(dir.File("grey.pgm"), grey);
    ASSERT_TRUE(RunQuietly("convert " + dir.File("grey.pgm") + " -threshold 50% -type bilevel " + dir.File("bilevel.tif")));
    CImage bilevel(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadTiff(bilevel, dir.File("bilevel.tif").c_str()), FileOk);
    ASSERT_EQ(bilevel.channelCount, 1);
    for (size_t i = 0; i < grey.PixelCount(); ++i)
        ASSERT_EQ(bilevel.Plane8(0)[i], grey.Plane8(0)[i] > 127 ? 255 : 0) << i;

    ASSERT_TRUE(RunQuietly("convert " + dir.File("grey.pgm") + " -depth 8 -type Palette -colors 16 " + dir.File("pal.png")));
    CImage palette(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(palette, dir.File("pal.png").c_str()), FileOk);
    EXPECT_GE(palette.channelCount, 1);
    EXPECT_EQ(palette.width, 17);
}

TEST(ForeignFiles, TiffcpCodecsAndLayoutsLoadIdentically)
{
    if (!HaveTool("tiffcp"))
        GTEST_SKIP() << "tiffcp not installed";
    CScratchDir dir;
    CImage picture(33, 21, 3, SampleU8);
    FillPattern(picture);
    picture.resolutionDpi = 150;
    ASSERT_EQ(SaveTiff(picture, dir.File("ours.tif").c_str(), 8, 1), FileOk);
    for (const char* options : { "-c lzw:2", "-c packbits", "-c zip", "-p separate", "-r 1 -c lzw" }) {
        std::string path = dir.File("copy.tif");
        ASSERT_TRUE(RunQuietly(std::string("tiffcp ") + options + " " + dir.File("ours.tif") + " " + path)) << options;
        CImage copy(0, 0, 0, SampleU8);
        ASSERT_EQ(ReadTiff(copy, path.c_str()), FileOk) << options;
        EXPECT_TRUE(SamePlanes(picture, copy)) << options;
        EXPECT_EQ(copy.resolutionDpi, 150) << options;
    }

    CImage bilevel(40, 12, 1, SampleU8);
    for (size_t i = 0; i < bilevel.PixelCount(); ++i)
        bilevel.Plane8(0)[i] = (i * 7 % 5) < 2 ? 0 : 255;
    WriteNetpbm(dir.File("b.pgm"), bilevel);
    if (!HaveTool("convert"))
        return;
    // ImageMagick writes one bit per pixel, min-is-white, Group 4.
    ASSERT_TRUE(RunQuietly("convert " + dir.File("b.pgm") + " -monochrome -compress Group4 " + dir.File("b.tif")));
    for (const char* codec : { "g4", "g3", "packbits", "none" }) {
        std::string path = dir.File("fax.tif");
        ASSERT_TRUE(RunQuietly(std::string("tiffcp -c ") + codec + " " + dir.File("b.tif") + " " + path)) << codec;
        CImage fax(0, 0, 0, SampleU8);
        ASSERT_EQ(ReadTiff(fax, path.c_str()), FileOk) << codec;
        EXPECT_TRUE(SamePlanes(bilevel, fax)) << codec;
    }
}
