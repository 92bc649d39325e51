// A 16-bit file opened for work is split into working and low bytes while it
// is decoded; the result must be the one the whole 16-bit image would give.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <png.h>
#include <string>
#include <tiffio.h>

#include "imagefiles/image_formats.h"
#include "imagefiles/save_dispatch.h"
#include "imagefiles/sixteen_bit_split.h"
#include "workflow/image_kind.h"
#include "workflow_test_files.h"

namespace {

// Odd sizes, so that rows and strips do not line up with anything.
constexpr int kWidth = 37, kHeight = 29;

std::unique_ptr<CImage> Varied(int channels)
{
    auto image = std::make_unique<CImage>(kWidth, kHeight, channels, SampleU16);
    image->resolutionDpi = 300;
    for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < image->PixelCount(); ++i)
            image->Plane16(c)[i] = static_cast<uint16_t>((i * 7919 + c * 104729) * 2654435761u >> 16);
    return image;
}

void WritePnm(const CImage& image, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << (image.channelCount == 1 ? "P5" : "P6") << '\n' << image.width << ' ' << image.height << "\n65535\n";
    for (size_t i = 0; i < image.PixelCount(); ++i)
        for (int c = 0; c < image.channelCount; ++c) {
            const uint16_t v = image.Plane16(c)[i];
            out.put(static_cast<char>(v >> 8)).put(static_cast<char>(v & 0xFF));
        }
}

// Uncompressed, in the byte order `mode` asks for ("wb" big-endian, "wl"
// little), three rows to a strip so that the last strip is short.
void WriteTiff(const CImage& image, const std::string& path, const char* mode, bool minIsWhite = false)
{
    TIFF* tiff = TIFFOpen(path.c_str(), mode);
    ASSERT_TRUE(tiff);
    const int channels = image.channelCount;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
        minIsWhite ? PHOTOMETRIC_MINISWHITE : channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
    if (channels == 4) {
        uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<uint16_t> row(size_t(image.width) * channels);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < channels; ++c)
                row[size_t(x) * channels + c] = image.Plane16(c)[size_t(y) * image.width + x];
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0), 1);
    }
    TIFFClose(tiff);
}

void WriteInterlacedPng(const CImage& image, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const int channels = image.channelCount;
    const int colourType = channels == 1 ? PNG_COLOR_TYPE_GRAY : channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA;
    png_set_IHDR(png, info, image.width, image.height, 16, colourType, PNG_INTERLACE_ADAM7,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> pixels(image.PixelCount() * channels * 2);
    for (size_t i = 0; i < image.PixelCount(); ++i)
        for (int c = 0; c < channels; ++c) {
            pixels[(i * channels + c) * 2] = uint8_t(image.Plane16(c)[i] >> 8);
            pixels[(i * channels + c) * 2 + 1] = uint8_t(image.Plane16(c)[i]);
        }
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y)
        rows[y] = pixels.data() + size_t(y) * image.width * channels * 2;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

bool SamePlanes(const CImage* a, const CImage* b)
{
    if (!a || !b)
        return a == b;
    if (a->width != b->width || a->height != b->height || a->channelCount != b->channelCount
        || a->sampleType != b->sampleType)
        return false;
    for (int c = 0; c < a->channelCount; ++c)
        if (std::memcmp(a->Plane8(c), b->Plane8(c), a->PixelCount()) != 0)
            return false;
    return true;
}

// The open against the whole 16-bit load split afterwards; `whileReading`:
// whether the reader splits the rows as it decodes them.
void ExpectSplitAsWhole(const std::string& path, bool whileReading = true)
{
    SCOPED_TRACE(path);
    CImage described(0, 0, 0, SampleU8), high(0, 0, 0, SampleU8), low(0, 0, 0, SampleU8);
    SixteenBitSplit split { &high, &low };
    ASSERT_EQ(LoadImageFileSplitting(described, path.c_str(), split), FileOk);
    EXPECT_EQ(split.done, whileReading);
    EXPECT_EQ(described.HasPlanes(), !whileReading);

    auto whole = std::make_unique<CImage>(0, 0, 0, SampleU8);
    ASSERT_EQ(LoadImageFile(*whole, path.c_str(), 0), FileOk);
    ASSERT_EQ(whole->sampleType, SampleU16);
    WorkingImage expected, opened;
    ASSERT_EQ(MakeWorkingImage(std::move(whole), expected), LoadAccepted);
    ASSERT_EQ(LoadWorkingImage(path.c_str(), opened), LoadAccepted);
    EXPECT_EQ(opened.kind, expected.kind);
    EXPECT_EQ(opened.resolutionDpi, expected.resolutionDpi);
    EXPECT_EQ(opened.working->resolutionDpi, expected.working->resolutionDpi);
    EXPECT_TRUE(SamePlanes(opened.working.get(), expected.working.get()));
    EXPECT_TRUE(SamePlanes(opened.lowBytes.get(), expected.lowBytes.get()));
}

} // namespace

TEST(WorkflowLoadSplit, SixteenBitFilesOpenAsTheWholeImageSplitAfterwards)
{
    ScratchFolder folder;
    for (int channels : { 1, 3, 4 }) {
        auto image = Varied(channels);
        const std::string name = std::to_string(channels);
        if (channels != 4) {
            WritePnm(*image, folder.File(name + (channels == 1 ? ".pgm" : ".ppm")));
            ExpectSplitAsWhole(folder.File(name + (channels == 1 ? ".pgm" : ".ppm")));
        }
        for (const char* extension : { ".png", ".tif" }) {
            const std::string path = folder.File(name + extension);
            ASSERT_EQ(SaveImageByExtension(*image, path.c_str(), nullptr, 90, 2, nullptr, 0), FileOk);
            ExpectSplitAsWhole(path);
        }
        WriteInterlacedPng(*image, folder.File(name + "-interlaced.png"));
        ExpectSplitAsWhole(folder.File(name + "-interlaced.png"));
        for (const char* mode : { "wb", "wl" }) {
            WriteTiff(*image, folder.File(name + mode + ".tif"), mode);
            ExpectSplitAsWhole(folder.File(name + mode + ".tif"));
        }
    }
    // Inverting needs the whole image first: loaded whole, then split.
    WriteTiff(*Varied(1), folder.File("white.tif"), "wl", true);
    ExpectSplitAsWhole(folder.File("white.tif"), false);
}
