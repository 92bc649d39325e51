#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <zlib.h>

#include "image/image.h"
#include "imagefiles/library_formats.h"
#include "library_test_support.h"

using namespace libtest;

namespace {

struct PngRecipe {
    int width = 4, height = 3, depth = 8, colorType = PNG_COLOR_TYPE_GRAY;
    std::vector<uint8_t> packedRows; // height rows of the stored row size
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool grayTransparent = false;
    png_color_16 transparent {};
};

// Writes a PNG with the library itself, so the reader meets what other
// encoders produce rather than only what our writer chooses to write.
bool WriteLibraryPng(const std::string& path, const PngRecipe& recipe)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.depth, recipe.colorType, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty())
        png_set_PLTE(png, info, recipe.palette.data(), int(recipe.palette.size()));
    if (!recipe.paletteAlpha.empty())
        png_set_tRNS(png, info, recipe.paletteAlpha.data(), int(recipe.paletteAlpha.size()), nullptr);
    if (recipe.grayTransparent)
        png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(&recipe.transparent));
    png_write_info(png, info);
    size_t stride = recipe.packedRows.size() / recipe.height;
    for (int y = 0; y < recipe.height; ++y)
        png_write_row(png, recipe.packedRows.data() + y * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::vector<std::string> ChunkTypes(const std::vector<uint8_t>& file)
{
    std::vector<std::string> types;
    for (size_t at = 8; at + 8 <= file.size();) {
        uint32_t length = uint32_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        types.emplace_back(reinterpret_cast<const char*>(&file[at + 4]), 4);
        at += 12 + size_t(length);
    }
    return types;
}

} // namespace

TEST(PngFiles, RoundTripKeepsEverySampleAtBothDepths)
{
    CScratchDir dir;
    for (int type : { SampleU8, SampleU16 })
        for (int channels = 1; channels <= 4; ++channels) {
            CImage source(13, 7, channels, type);
            FillPattern(source);
            std::string path = dir.File("round.png");
            ASSERT_EQ(SavePng(source, path.c_str(), type == SampleU16 ? 16 : 8), FileOk);
            CImage loaded(0, 0, 0, SampleU8);
            ASSERT_EQ(ReadPng(loaded, path.c_str()), FileOk);
            EXPECT_TRUE(SamePlanes(source, loaded)) << channels << " channels, type " << type;
            EXPECT_EQ(loaded.resolutionDpi, 0);
        }
}

TEST(PngFiles, SavedFileHoldsOnlyHeaderDataAndEnd)
{
    CScratchDir dir;
    CImage source(40, 30, 3, SampleU8);
    FillPattern(source);
    source.resolutionDpi = 300;
    ASSERT_EQ(SavePng(source, dir.File("a.png").c_str(), 8), FileOk);
    std::vector<std::string> expected = { "IHDR", "IDAT", "IEND" };
    std::vector<std::string> types = ChunkTypes(ReadBytes(dir.File("a.png")));
    // zlib may split the data over several IDAT chunks; the kinds must be these.
    types.erase(std::unique(types.begin(), types.end()), types.end());
    EXPECT_EQ(types, expected);
}

TEST(PngFiles, DepthConversionOnSave)
{
    CScratchDir dir;
    CImage narrow(3, 2, 1, SampleU8);
    FillPattern(narrow);
    ASSERT_EQ(SavePng(narrow, dir.File("wide.png").c_str(), 16), FileOk);
    CImage wide(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(wide, dir.File("wide.png").c_str()), FileOk);
    ASSERT_EQ(wide.sampleType, SampleU16);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(wide.Plane16(0)[i], narrow.Plane8(0)[i] * 256);

    ASSERT_EQ(SavePng(wide, dir.File("narrow.png").c_str(), 12), FileOk); // not 16: taken as 8
    CImage back(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(back, dir.File("narrow.png").c_str()), FileOk);
    EXPECT_TRUE(SamePlanes(narrow, back));
}

TEST(PngFiles, ReaderExpandsLowDepthPaletteAndTransparency)
{
    CScratchDir dir;
    std::string path = dir.File("t.png");
    int width = 0, height = 0, channels = 0;

    PngRecipe bilevel;
    bilevel.depth = 1;
    bilevel.packedRows = { 0xA0, 0x50, 0xF0 }; // rows 1010, 0101, 1111
    ASSERT_TRUE(WriteLibraryPng(path, bilevel));
    CImage grey(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(grey, path.c_str()), FileOk);
    ASSERT_EQ(grey.channelCount, 1);
    std::vector<uint8_t> greyRow0(grey.Plane8(0), grey.Plane8(0) + 4);
    EXPECT_EQ(greyRow0, (std::vector<uint8_t> { 255, 0, 255, 0 }));

    PngRecipe palette;
    palette.depth = 4;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = { { 10, 20, 30 }, { 200, 100, 50 }, { 1, 2, 3 } };
    palette.packedRows = { 0x01, 0x20, 0x11, 0x02, 0x00, 0x00 };
    ASSERT_TRUE(WriteLibraryPng(path, palette));
    ASSERT_EQ(ReadPngInfo(path.c_str(), &width, &height, &channels), FileOk);
    EXPECT_EQ(channels, 1); // the file's own count, before expansion
    CImage colour(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(colour, path.c_str()), FileOk);
    ASSERT_EQ(colour.channelCount, 3);
    uint8_t pixel[4];
    colour.GetPixel8(1, 0, pixel);
    EXPECT_EQ(pixel[0], 200);
    EXPECT_EQ(pixel[2], 50);
    colour.GetPixel8(2, 0, pixel);
    EXPECT_EQ(pixel[1], 2);

    palette.paletteAlpha = { 255, 0 };
    ASSERT_TRUE(WriteLibraryPng(path, palette));
    CImage withAlpha(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(withAlpha, path.c_str()), FileOk);
    ASSERT_EQ(withAlpha.channelCount, 4);
    EXPECT_EQ(withAlpha.Plane8(3)[0], 255);
    EXPECT_EQ(withAlpha.Plane8(3)[1], 0);

    PngRecipe keyed;
    keyed.packedRows = std::vector<uint8_t>(12, 9);
    keyed.packedRows[5] = 77;
    keyed.grayTransparent = true;
    keyed.transparent.gray = 77;
    ASSERT_TRUE(WriteLibraryPng(path, keyed));
    CImage greyAlpha(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(greyAlpha, path.c_str()), FileOk);
    ASSERT_EQ(greyAlpha.channelCount, 2);
    EXPECT_EQ(greyAlpha.Plane8(1)[5], 0);
    EXPECT_EQ(greyAlpha.Plane8(1)[4], 255);
}

TEST(PngFiles, SixteenBitSamplesArriveInMachineOrder)
{
    CScratchDir dir;
    PngRecipe recipe;
    recipe.width = 2;
    recipe.height = 1;
    recipe.depth = 16;
    recipe.colorType = PNG_COLOR_TYPE_RGB;
    recipe.packedRows = { 0x12, 0x34, 0x00, 0xFF, 0xFF, 0x00, 0xAB, 0xCD, 0x00, 0x01, 0x80, 0x00 };
    ASSERT_TRUE(WriteLibraryPng(dir.File("w.png"), recipe));
    CImage image(0, 0, 0, SampleU8);
    ASSERT_EQ(ReadPng(image, dir.File("w.png").c_str()), FileOk);
    ASSERT_EQ(image.sampleType, SampleU16);
    EXPECT_EQ(image.Plane16(0)[0], 0x1234);
    EXPECT_EQ(image.Plane16(1)[0], 0x00FF);
    EXPECT_EQ(image.Plane16(2)[0], 0xFF00);
    EXPECT_EQ(image.Plane16(0)[1], 0xABCD);
    EXPECT_EQ(image.Plane16(2)[1], 0x8000);
}

TEST(PngFiles, DamagedAndOversizedFilesFailWithoutHarm)
{
    CScratchDir dir;
    CImage source(64, 64, 3, SampleU8);
    FillPattern(source);
    ASSERT_EQ(SavePng(source, dir.File("good.png").c_str(), 8), FileOk);
    std::vector<uint8_t> bytes = ReadBytes(dir.File("good.png"));

    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    WriteBytes(dir.File("cut.png"), cut);
    CImage truncated(0, 0, 0, SampleU8);
    EXPECT_EQ(ReadPng(truncated, dir.File("cut.png").c_str()), FileOpenFailed);

    // A header claiming 2^30 × 2^30 pixels: refused before any allocation.
    std::vector<uint8_t> huge = bytes;
    huge[16] = huge[20] = 0x40;
    uint32_t crc = uint32_t(crc32(0, huge.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = uint8_t(crc >> (24 - 8 * i));
    WriteBytes(dir.File("huge.png"), huge);
    CImage oversized(0, 0, 0, SampleU8);
    EXPECT_NE(ReadPng(oversized, dir.File("huge.png").c_str()), FileOk);
    EXPECT_EQ(oversized.planes[0], nullptr);

    CImage missing(0, 0, 0, SampleU8);
    EXPECT_EQ(ReadPng(missing, dir.File("none.png").c_str()), FileOpenFailed);
    EXPECT_EQ(SavePng(source, dir.File("no/such/folder.png").c_str(), 8), FileSystemError);
}
