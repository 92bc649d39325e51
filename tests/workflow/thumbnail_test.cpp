#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "workflow/thumbnail.h"

namespace {

class ThumbnailFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/speckwash-thumbs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Path(const char* name) const { return folder + "/" + name; }

    std::string folder;
};

// Four flat quadrants: red, green, blue and white, so that a reduction that
// mixes up rows, columns or channels shows in the corners.
void PaintQuadrants(CImage& image)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool right = x >= image.width / 2;
            const bool bottom = y >= image.height / 2;
            const int r = (!right && !bottom) || (right && bottom) ? 255 : 0;
            const int g = (right && !bottom) || (right && bottom) ? 255 : 0;
            const int b = (!right && bottom) || (right && bottom) ? 255 : 0;
            const size_t i = size_t(y) * image.width + x;
            if (image.sampleType == SampleU16) {
                image.Plane16(0)[i] = static_cast<uint16_t>(r * 257);
                image.Plane16(1)[i] = static_cast<uint16_t>(g * 257);
                image.Plane16(2)[i] = static_cast<uint16_t>(b * 257);
            } else {
                image.Plane8(0)[i] = static_cast<uint8_t>(r);
                image.Plane8(1)[i] = static_cast<uint8_t>(g);
                image.Plane8(2)[i] = static_cast<uint8_t>(b);
            }
        }
    }
}

void ExpectPixel(const Thumbnail& thumbnail, int x, int y, int r, int g, int b, int tolerance)
{
    const uint8_t* p = &thumbnail.rgb[(size_t(y) * thumbnail.width + x) * 3];
    EXPECT_NEAR(p[0], r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p[1], g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p[2], b, tolerance) << "at " << x << "," << y;
}

void ExpectQuadrants(const Thumbnail& t, int tolerance)
{
    ExpectPixel(t, 1, 1, 255, 0, 0, tolerance);
    ExpectPixel(t, t.width - 2, 1, 0, 255, 0, tolerance);
    ExpectPixel(t, 1, t.height - 2, 0, 0, 255, tolerance);
    ExpectPixel(t, t.width - 2, t.height - 2, 255, 255, 255, tolerance);
}

TEST_F(ThumbnailFiles, ReducedJpegKeepsItsProportionsColoursAndSourceSize)
{
    for (bool portrait : { false, true }) {
        CImage picture(portrait ? 900 : 1600, portrait ? 1600 : 900, 3, SampleU8);
        ASSERT_TRUE(picture.HasPlanes());
        PaintQuadrants(picture);
        const std::string path = Path("quadrants.jpg");
        ASSERT_EQ(SaveJpeg(picture, path.c_str(), nullptr, 95, 0, nullptr, 0), FileOk);

        Thumbnail thumbnail;
        ASSERT_EQ(MakeThumbnail(path.c_str(), 128, thumbnail), FileOk);
        EXPECT_EQ(thumbnail.sourceWidth, picture.width);
        EXPECT_EQ(thumbnail.sourceHeight, picture.height);
        EXPECT_EQ(thumbnail.width, portrait ? 72 : 128);
        EXPECT_EQ(thumbnail.height, portrait ? 128 : 72);
        ASSERT_EQ(thumbnail.rgb.size(), size_t(thumbnail.width) * thumbnail.height * 3);
        ExpectQuadrants(thumbnail, 24);
    }
}

TEST_F(ThumbnailFiles, GreyJpegBecomesGreyRgb)
{
    CImage grey(640, 480, 1, SampleU8);
    std::memset(grey.Plane8(0), 90, grey.PixelCount());
    const std::string path = Path("grey.jpg");
    ASSERT_EQ(SaveJpeg(grey, path.c_str(), nullptr, 95, 0, nullptr, 0), FileOk);
    Thumbnail thumbnail;
    ASSERT_EQ(MakeThumbnail(path.c_str(), 64, thumbnail), FileOk);
    EXPECT_EQ(thumbnail.width, 64);
    EXPECT_EQ(thumbnail.height, 48);
    ExpectPixel(thumbnail, 30, 20, 90, 90, 90, 3);
}

TEST_F(ThumbnailFiles, OtherFormatsAreLoadedAndReducedFromTheirOwnDepth)
{
    CImage deep(300, 200, 3, SampleU16);
    PaintQuadrants(deep);
    const std::string tiff = Path("deep.tif");
    ASSERT_EQ(SaveTiff(deep, tiff.c_str(), 16, 5), FileOk);
    CImage flat(300, 200, 3, SampleU8);
    PaintQuadrants(flat);
    const std::string bmp = Path("flat.bmp");
    ASSERT_EQ(SaveBmp(flat, bmp.c_str()), FileOk);
    const std::string png = Path("deep.png");
    ASSERT_EQ(SavePng(deep, png.c_str(), 16), FileOk);

    for (const std::string& path : { tiff, bmp, png }) {
        Thumbnail thumbnail;
        ASSERT_EQ(MakeThumbnail(path.c_str(), 60, thumbnail), FileOk) << path;
        EXPECT_EQ(thumbnail.width, 60) << path;
        EXPECT_EQ(thumbnail.height, 40) << path;
        EXPECT_EQ(thumbnail.sourceWidth, 300) << path;
        // Lossless sources reduce to exact colours away from the edges.
        ExpectQuadrants(thumbnail, 0);
    }
}

TEST(ThumbnailReduction, AveragesBoxesAndNeverEnlarges)
{
    CImage stripes(4, 2, 1, SampleU8);
    const uint8_t values[8] = { 0, 100, 200, 255, 10, 110, 210, 255 };
    std::memcpy(stripes.Plane8(0), values, 8);
    Thumbnail half;
    ASSERT_EQ(ReduceToThumbnail(stripes, 2, half), FileOk);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 1);
    // (0 + 100 + 10 + 110) / 4 = 55 and (200 + 255 + 210 + 255) / 4 = 230.
    ExpectPixel(half, 0, 0, 55, 55, 55, 0);
    ExpectPixel(half, 1, 0, 230, 230, 230, 0);

    Thumbnail same;
    ASSERT_EQ(ReduceToThumbnail(stripes, 128, same), FileOk);
    EXPECT_EQ(same.width, 4);
    EXPECT_EQ(same.height, 2);
    ExpectPixel(same, 3, 1, 255, 255, 255, 0);

    // A long strip keeps at least one pixel across.
    EXPECT_EQ(ThumbnailSide(1, 5000, 128), 1);
    EXPECT_EQ(ThumbnailSide(5000, 5000, 128), 128);
    EXPECT_EQ(ThumbnailSide(3000, 4000, 128), 96);

    CImage empty(0, 0, 3, SampleU8);
    Thumbnail none;
    EXPECT_NE(ReduceToThumbnail(empty, 128, none), FileOk);
    EXPECT_NE(ReduceToThumbnail(stripes, 0, none), FileOk);
}

TEST_F(ThumbnailFiles, BrokenFilesFailWithoutAPreview)
{
    CImage picture(800, 600, 3, SampleU8);
    PaintQuadrants(picture);
    const std::string whole = Path("whole.jpg");
    ASSERT_EQ(SaveJpeg(picture, whole.c_str(), nullptr, 90, 2, nullptr, 0), FileOk);
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    // Header only: the decode cannot start its scan.
    const std::string cut = Path("cut.jpg");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, 40);
    // A JPEG start followed by text.
    const std::string text = Path("text.jpg");
    std::ofstream(text, std::ios::binary) << "\xff\xd8 this is not a picture";
    const std::string plain = Path("notes.png");
    std::ofstream(plain, std::ios::binary) << "just some notes";

    for (const std::string& path : { cut, text, plain, Path("missing.jpg") }) {
        Thumbnail thumbnail;
        EXPECT_NE(MakeThumbnail(path.c_str(), 128, thumbnail), FileOk) << path;
        EXPECT_TRUE(thumbnail.rgb.empty()) << path;
    }
    Thumbnail thumbnail;
    EXPECT_EQ(MakeThumbnail(nullptr, 128, thumbnail), FileBadArgument);
}

} // namespace
