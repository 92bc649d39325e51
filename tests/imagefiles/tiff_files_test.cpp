#include <gtest/gtest.h>
#include <tiffio.h>

#include <atomic>
#include <thread>

#include "image/image.h"
#include "imagefiles/library_formats.h"
#include "imagefiles/tiff_open.h"
#include "library_test_support.h"

using namespace libtest;

namespace {

// What a test file holds; fields left at -1 are not written.
struct TiffRecipe {
    uint32_t width = 4, height = 2;
    int bits = 8, samples = 1; // samples -1: no SamplesPerPixel field (one sample)
    int photometric = PHOTOMETRIC_MINISBLACK;
    int planar = PLANARCONFIG_CONTIG;
    int sampleFormat = -1;
    int resolutionUnit = -1;
    float xResolution = -1.0f;
    bool tiled = false;
    std::vector<uint16_t> colorMap; // 3 × 2^bits entries: red, then green, then blue
    std::vector<uint8_t> data; // rows as stored (per plane, one after another, when planar)
};

bool WriteLibraryTiff(const std::string& path, const TiffRecipe& r)
{
    TIFF* tiff = OpenTiffSilently(path.c_str(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, r.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, r.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(r.bits));
    if (r.samples > 0)
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(r.samples));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(r.photometric));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(r.planar));
    if (r.sampleFormat > 0)
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, uint16_t(r.sampleFormat));
    if (r.resolutionUnit > 0)
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(r.resolutionUnit));
    if (r.xResolution >= 0)
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, r.xResolution);
    if (!r.colorMap.empty()) {
        size_t n = r.colorMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, r.colorMap.data(), r.colorMap.data() + n, r.colorMap.data() + 2 * n);
    }
    bool ok = true;
    if (r.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16u);
        std::vector<uint8_t> tile(size_t(TIFFTileSize(tiff)), 0);
        ok = TIFFWriteEncodedTile(tiff, 0, tile.data(), tmsize_t(tile.size())) >= 0;
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1u);
        size_t stride = size_t(TIFFScanlineSize(tiff));
        int planes = r.planar == PLANARCONFIG_SEPARATE ? r.samples : 1;
        for (int s = 0; s < planes && ok; ++s)
            for (uint32_t y = 0; y < r.height && ok; ++y) {
                size_t at = (size_t(s) * r.height + y) * stride;
                ok = at + stride <= r.data.size()
                    && TIFFWriteScanline(tiff, const_cast<uint8_t*>(r.data.data() + at), y, uint16_t(s)) == 1;
            }
    }
    TIFFClose(tiff);
    return ok;
}

std::vector<uint8_t> Bytes16(std::initializer_list<uint16_t> values)
{
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

FileResult Load(const std::string& path, CImage& image) { return ReadTiff(image, path.c_str()); }

} // namespace

TEST(TiffFiles, RoundTripKeepsEverySampleWithAndWithoutLzw)
{
    CScratchDir dir;
    for (int compression : { 5, 1 })
        for (int type : { SampleU8, SampleU16 })
            for (int channels = 1; channels <= 4; ++channels) {
                CImage source(37, 23, channels, type);
                FillPattern(source);
                source.resolutionDpi = 300;
                std::string path = dir.File("round.tif");
                ASSERT_EQ(SaveTiff(source, path.c_str(), type == SampleU16 ? 16 : 8, compression), FileOk);
                CImage loaded(0, 0, 0, SampleU8);
                ASSERT_EQ(Load(path, loaded), FileOk);
                EXPECT_TRUE(SamePlanes(source, loaded)) << channels << " channels, type " << type;
                EXPECT_EQ(loaded.resolutionDpi, 300);
            }
}

TEST(TiffFiles, WriterFieldsStripsAndZeroPadding)
{
    CScratchDir dir;
    CImage image(100, 1000, 3, SampleU8);
    FillPattern(image);
    std::string path = dir.File("strips.tif");
    ASSERT_EQ(SaveTiff(image, path.c_str(), 8, 1), FileOk);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint32_t rowsPerStrip = 0;
    uint16_t compression = 0, photometric = 0, planar = 0, orientation = 0, unit = 0;
    float x = 0, y = 0;
    char* description = nullptr;
    TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y);
    TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description);
    EXPECT_EQ(rowsPerStrip, 218u);
    EXPECT_EQ(TIFFNumberOfStrips(tiff), 5u);
    EXPECT_EQ(compression, COMPRESSION_NONE);
    EXPECT_EQ(photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(orientation, ORIENTATION_TOPLEFT);
    EXPECT_EQ(unit, RESUNIT_NONE);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 1.0f);
    EXPECT_STREQ(description, "Quillmark Inc.");
    // The last strip holds 128 image rows and 90 rows of zeros.
    std::vector<uint8_t> raw(218 * 300 + 1, 0xEE);
    ASSERT_EQ(TIFFReadRawStrip(tiff, 4, raw.data(), tmsize_t(raw.size())), 218 * 300);
    EXPECT_EQ(raw[128 * 300 - 1], image.Plane8(2)[999 * 100 + 99]);
    EXPECT_TRUE(std::all_of(raw.begin() + 128 * 300, raw.end() - 1, [](uint8_t b) { return b == 0; }));
    TIFFClose(tiff);

    CImage grey(10, 10, 1, SampleU16);
    FillPattern(grey);
    grey.resolutionDpi = 300;
    ASSERT_EQ(SaveTiff(grey, path.c_str(), 16, 5), FileOk);
    tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    EXPECT_EQ(compression, COMPRESSION_LZW);
    EXPECT_EQ(photometric, PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(unit, RESUNIT_INCH);
    EXPECT_EQ(x, 300.0f);
    EXPECT_EQ(rowsPerStrip, 10u); // 65536 / 20 rows, no more than the image has
    TIFFClose(tiff);
}

TEST(TiffFiles, BilevelFollowsPhotometric)
{
    CScratchDir dir;
    TiffRecipe recipe;
    recipe.bits = 1;
    recipe.width = 10;
    recipe.data = { 0xA5, 0xC0, 0x00, 0x40 };
    for (int photometric : { PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK }) {
        recipe.photometric = photometric;
        ASSERT_TRUE(WriteLibraryTiff(dir.File("b.tif"), recipe));
        CImage image(0, 0, 0, SampleU8);
        ASSERT_EQ(Load(dir.File("b.tif"), image), FileOk);
        ASSERT_EQ(image.channelCount, 1);
        uint8_t set = photometric == PHOTOMETRIC_MINISWHITE ? 0 : 255;
        uint8_t clear = 255 - set;
        std::vector<uint8_t> row0(image.Plane8(0), image.Plane8(0) + 10);
        EXPECT_EQ(row0, (std::vector<uint8_t> { set, clear, set, clear, clear, set, clear, set, set, set }));
        EXPECT_EQ(image.Plane8(0)[10 + 1], clear);
        EXPECT_EQ(image.Plane8(0)[10 + 9], set);
    }
}

TEST(TiffFiles, MinIsWhiteGreyIsInverted)
{
    CScratchDir dir;
    TiffRecipe recipe;
    recipe.photometric = PHOTOMETRIC_MINISWHITE;
    recipe.data = { 0, 1, 254, 255, 10, 20, 30, 40 };
    ASSERT_TRUE(WriteLibraryTiff(dir.File("w8.tif"), recipe));
    CImage narrow(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("w8.tif"), narrow), FileOk);
    EXPECT_EQ(narrow.Plane8(0)[0], 255);
    EXPECT_EQ(narrow.Plane8(0)[2], 1);
    EXPECT_EQ(narrow.Plane8(0)[7], 215);

    recipe.bits = 16;
    recipe.width = 2;
    recipe.data = Bytes16({ 0, 65535, 1000, 40000 });
    ASSERT_TRUE(WriteLibraryTiff(dir.File("w16.tif"), recipe));
    CImage wide(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("w16.tif"), wide), FileOk);
    EXPECT_EQ(wide.Plane16(0)[0], 65535);
    EXPECT_EQ(wide.Plane16(0)[1], 0);
    EXPECT_EQ(wide.Plane16(0)[3], 25535);
}

TEST(TiffFiles, PaletteIsExpandedThroughTheColourMap)
{
    CScratchDir dir;
    TiffRecipe recipe;
    recipe.photometric = PHOTOMETRIC_PALETTE;
    recipe.colorMap.assign(3 * 256, 0);
    recipe.colorMap[5] = 0xABCD;
    recipe.colorMap[256 + 5] = 0x12FF;
    recipe.colorMap[512 + 5] = 0x0001;
    recipe.colorMap[7] = 0xFFFF;
    recipe.data = { 5, 7, 0, 5, 5, 5, 5, 5 };
    ASSERT_TRUE(WriteLibraryTiff(dir.File("p.tif"), recipe));
    CImage image(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("p.tif"), image), FileOk);
    ASSERT_EQ(image.channelCount, 3);
    uint8_t pixel[4];
    image.GetPixel8(0, 0, pixel);
    EXPECT_EQ(pixel[0], 0xAB);
    EXPECT_EQ(pixel[1], 0x12);
    EXPECT_EQ(pixel[2], 0x00);
    image.GetPixel8(1, 0, pixel);
    EXPECT_EQ(pixel[0], 0xFF);
    EXPECT_EQ(pixel[1], 0);
}

TEST(TiffFiles, CmykTurnsToRgbExactly)
{
    CScratchDir dir;
    TiffRecipe recipe;
    recipe.photometric = PHOTOMETRIC_SEPARATED;
    recipe.samples = 4;
    recipe.width = 2;
    recipe.height = 1;
    recipe.data = { 0, 0, 0, 255, 100, 50, 0, 30 };
    ASSERT_TRUE(WriteLibraryTiff(dir.File("c8.tif"), recipe));
    CImage narrow(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("c8.tif"), narrow), FileOk);
    ASSERT_EQ(narrow.channelCount, 4);
    EXPECT_EQ(narrow.Plane8(0)[0], 0);
    EXPECT_EQ(narrow.Plane8(1)[0], 0);
    EXPECT_EQ(narrow.Plane8(3)[0], 255);
    EXPECT_EQ(narrow.Plane8(0)[1], 155 * 225 / 255);
    EXPECT_EQ(narrow.Plane8(1)[1], 205 * 225 / 255);
    EXPECT_EQ(narrow.Plane8(2)[1], 225);
    EXPECT_EQ(narrow.Plane8(3)[1], 30);

    recipe.bits = 16;
    recipe.data = Bytes16({ 0, 0, 0, 0, 65535, 1, 2, 3 });
    ASSERT_TRUE(WriteLibraryTiff(dir.File("c16.tif"), recipe));
    CImage wide(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("c16.tif"), wide), FileOk);
    EXPECT_EQ(wide.Plane16(0)[0], 65535);
    EXPECT_EQ(wide.Plane16(2)[0], 65535);
    EXPECT_EQ(wide.Plane16(0)[1], 0);
    EXPECT_EQ(wide.Plane16(1)[1], uint16_t(uint32_t(65534) * 65532 / 65535));
}

TEST(TiffFiles, PlanarSamplesAndMissingSamplesPerPixel)
{
    CScratchDir dir;
    TiffRecipe planar;
    planar.samples = 3;
    planar.photometric = PHOTOMETRIC_RGB;
    planar.planar = PLANARCONFIG_SEPARATE;
    planar.width = 2;
    planar.data = { 1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24 };
    ASSERT_TRUE(WriteLibraryTiff(dir.File("planar.tif"), planar));
    CImage image(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("planar.tif"), image), FileOk);
    ASSERT_EQ(image.channelCount, 3);
    EXPECT_EQ(image.Plane8(0)[3], 4);
    EXPECT_EQ(image.Plane8(1)[0], 11);
    EXPECT_EQ(image.Plane8(2)[2], 23);

    TiffRecipe single;
    single.samples = -1;
    single.data = { 9, 8, 7, 6, 5, 4, 3, 2 };
    ASSERT_TRUE(WriteLibraryTiff(dir.File("one.tif"), single));
    int width = 0, height = 0, channels = 0;
    ASSERT_EQ(ReadTiffInfo(dir.File("one.tif").c_str(), &width, &height, &channels), FileOk);
    EXPECT_EQ(channels, 1);
    CImage grey(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(dir.File("one.tif"), grey), FileOk);
    EXPECT_EQ(grey.channelCount, 1);
    EXPECT_EQ(grey.Plane8(0)[7], 2);
}

TEST(TiffFiles, ResolutionRules)
{
    CScratchDir dir;
    struct Case {
        int unit;
        float x;
        int expected;
    };
    for (Case c : { Case { RESUNIT_CENTIMETER, 118.0f, 0 }, Case { RESUNIT_NONE, 72.0f, 0 },
             Case { RESUNIT_INCH, 299.9f, 299 }, Case { -1, 150.5f, 150 }, Case { RESUNIT_INCH, -1.0f, 0 } }) {
        TiffRecipe recipe;
        recipe.data.assign(8, 0);
        recipe.resolutionUnit = c.unit;
        recipe.xResolution = c.x;
        ASSERT_TRUE(WriteLibraryTiff(dir.File("r.tif"), recipe));
        CImage image(0, 0, 0, SampleU8);
        ASSERT_EQ(Load(dir.File("r.tif"), image), FileOk);
        EXPECT_EQ(image.resolutionDpi, c.expected) << c.unit << " " << c.x;
    }
}

TEST(TiffFiles, UnsupportedLayoutsAreRefused)
{
    CScratchDir dir;
    auto refused = [&](TiffRecipe recipe) {
        recipe.data.assign(4096, 0);
        if (!WriteLibraryTiff(dir.File("bad.tif"), recipe))
            return false;
        CImage image(0, 0, 0, SampleU8);
        return Load(dir.File("bad.tif"), image) != FileOk;
    };
    TiffRecipe twoBit;
    twoBit.bits = 2;
    EXPECT_TRUE(refused(twoBit));
    TiffRecipe wide;
    wide.bits = 32;
    EXPECT_TRUE(refused(wide));
    TiffRecipe fiveSamples;
    fiveSamples.samples = 5;
    EXPECT_TRUE(refused(fiveSamples));
    TiffRecipe floating;
    floating.bits = 16;
    floating.sampleFormat = SAMPLEFORMAT_IEEEFP;
    EXPECT_TRUE(refused(floating));
    TiffRecipe signedInts;
    signedInts.sampleFormat = SAMPLEFORMAT_INT;
    EXPECT_TRUE(refused(signedInts));
    TiffRecipe tiled;
    tiled.tiled = true;
    tiled.width = tiled.height = 16;
    EXPECT_TRUE(refused(tiled));

    CImage missing(0, 0, 0, SampleU8);
    EXPECT_EQ(Load(dir.File("none.tif"), missing), FileOpenFailed);
    WriteBytes(dir.File("text.tif"), { 'I', 'I', 'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f' });
    EXPECT_EQ(Load(dir.File("text.tif"), missing), FileOpenFailed);
}

TEST(TiffFiles, DamagedStripsFailAndConcurrentLoadsStaySilentAndSafe)
{
    CScratchDir dir;
    CImage source(200, 120, 3, SampleU8);
    FillPattern(source);
    ASSERT_EQ(SaveTiff(source, dir.File("good.tif").c_str(), 8, 5), FileOk);
    std::vector<uint8_t> bytes = ReadBytes(dir.File("good.tif"));
    // Keep the header and directory, drop most strip data: reads must fail
    // or produce a picture, never read beyond what the library returned.
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = 16; i < damaged.size() / 2; ++i)
        damaged[i] ^= 0x5A;
    WriteBytes(dir.File("damaged.tif"), damaged);

    std::atomic<int> goodLoads = 0;
    auto work = [&] {
        for (int i = 0; i < 20; ++i) {
            CImage good(0, 0, 0, SampleU8);
            if (Load(dir.File("good.tif"), good) == FileOk && SamePlanes(source, good))
                ++goodLoads;
            CImage bad(0, 0, 0, SampleU8);
            Load(dir.File("damaged.tif"), bad);
        }
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    EXPECT_EQ(goodLoads.load(), 40);
}

TEST(TiffFiles, FailedSaveLeavesTheTargetAsItWas)
{
    CScratchDir dir;
    std::string target = dir.File("keep.tif");
    WriteBytes(target, { 7, 7 });
    CImage empty(0, 0, 0, SampleU8);
    EXPECT_EQ(SaveTiff(empty, target.c_str(), 8, 5), FileBadArgument);
    CImage image(4, 4, 1, SampleU8);
    FillPattern(image);
    EXPECT_EQ(SaveTiff(image, dir.File("missing/x.tif").c_str(), 8, 5), FileSystemError);
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t> { 7, 7 }));
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}
