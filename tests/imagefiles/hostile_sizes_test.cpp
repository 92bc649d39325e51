// Files whose headers claim far more than their data could fill, and inputs
// that are not files at all: each must be refused before anything is
// allocated or waited on, by the full read and by the header-only
// description alike, while a file just like it within the bounds still opens.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <zlib.h>

#include "jpeg_test_support.h"
#include "library_test_support.h"
#include "test_files.h"

namespace {

class HostileSizes : public ::testing::Test {
protected:
    FileResult Load(const std::string& path)
    {
        CImage image(0, 0, 0, SampleU8);
        return LoadImageFile(image, path.c_str(), 0);
    }
    FileResult Describe(const std::string& path)
    {
        CImage image(0, 0, 0, SampleU8);
        return LoadImageHeader(image, path.c_str());
    }
    void ExpectRefused(const std::string& path)
    {
        EXPECT_NE(Load(path), FileOk) << path;
        EXPECT_NE(Describe(path), FileOk) << path;
    }
    TempFolder folder;
};

// One strip of uncompressed interleaved samples holding `dataBytes` bytes.
Bytes UncompressedTiff(uint32_t width, uint32_t height, uint16_t samples, uint32_t dataBytes)
{
    const uint16_t entries = 9;
    const uint32_t bitsOffset = 8 + 2 + entries * 12 + 4;
    const uint32_t dataOffset = bitsOffset + 2 * samples;
    Bytes b { 'I', 'I', 42, 0 };
    PutLe32(b, 8);
    PutLe16(b, entries);
    auto entry = [&b](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        PutLe16(b, tag);
        PutLe16(b, type);
        PutLe32(b, count);
        PutLe32(b, value);
    };
    entry(256, 4, 1, width);
    entry(257, 4, 1, height);
    entry(258, 3, samples, samples <= 2 ? 8 | 8 << 16 : bitsOffset);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, samples == 4 ? 5 : samples == 3 ? 2 : 1);
    entry(273, 4, 1, dataOffset);
    entry(277, 3, 1, samples);
    entry(278, 4, 1, height);
    entry(279, 4, 1, dataBytes);
    PutLe32(b, 0);
    for (uint16_t s = 0; s < samples; ++s)
        PutLe16(b, 8);
    b.resize(b.size() + dataBytes, 0x80);
    return b;
}

TEST_F(HostileSizes, UncompressedTiffStripsMustBeInTheFile)
{
    // 32768 × 32768 × 4 samples from one 16-byte strip: four gigabytes claimed.
    ExpectRefused(folder.Write("bomb.tif", UncompressedTiff(32768, 32768, 4, 16)));
    EXPECT_EQ(Load(folder.Write("fits.tif", UncompressedTiff(2, 2, 4, 16))), FileOk);
}

// The SOF marker's height and width rewritten: the data still holds only
// the small picture.
void ClaimSize(Bytes& jpeg, uint16_t width, uint16_t height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            return;
        }
    ADD_FAILURE() << "no frame header";
}

Bytes SmallJpeg(const TempFolder& folder, bool progressive)
{
    std::vector<uint8_t> pixels(64 * 48 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 7 % 251);
    libtest::JpegRecipe recipe;
    recipe.width = 64;
    recipe.height = 48;
    recipe.pixels = pixels.data();
    recipe.progressive = progressive;
    std::string path = folder.Path("small.jpg");
    EXPECT_TRUE(libtest::WriteLibraryJpeg(path.c_str(), &recipe));
    return libtest::ReadBytes(path);
}

TEST_F(HostileSizes, JpegCannotInventAPictureItsDataDoesNotHold)
{
    // The library makes up what a short file lacks; a header claiming 8192²
    // from under a kilobyte of data would be decoded into 200 MB of grey.
    for (bool progressive : { false, true }) {
        Bytes jpeg = SmallJpeg(folder, progressive);
        EXPECT_EQ(Load(folder.Write("real.jpg", jpeg)), FileOk);
        ClaimSize(jpeg, 8192, 8192);
        ExpectRefused(folder.Write(progressive ? "claims-prog.jpg" : "claims.jpg", jpeg));
    }
}

// The progressive file's first scan repeated: the library warns of the bogus
// progression and decodes every copy over the whole image.
Bytes RepeatFirstScan(Bytes jpeg, int copies)
{
    size_t start = 0;
    for (size_t i = 2; i + 1 < jpeg.size() && !start; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            start = i;
    size_t end = start + 2;
    while (end + 1 < jpeg.size()
        && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && !(jpeg[end + 1] >= 0xD0 && jpeg[end + 1] <= 0xD7)))
        ++end;
    Bytes scan(jpeg.begin() + start, jpeg.begin() + end);
    for (int i = 0; i < copies; ++i)
        jpeg.insert(jpeg.begin() + end, scan.begin(), scan.end());
    return jpeg;
}

TEST_F(HostileSizes, ProgressiveScansAreBounded)
{
    Bytes jpeg = SmallJpeg(folder, true);
    EXPECT_EQ(Load(folder.Write("some-scans.jpg", RepeatFirstScan(jpeg, 5))), FileOk);
    // Time grows with every scan; thousands in a small file are a bomb.
    EXPECT_NE(Load(folder.Write("many-scans.jpg", RepeatFirstScan(jpeg, 150))), FileOk);
}

void PutPngChunk(Bytes& png, const char* type, const Bytes& data)
{
    PutBe32(png, uint32_t(data.size()));
    size_t start = png.size();
    PutText(png, type);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
}

// An 8-bit grey PNG of zero rows, deflated as hard as zlib can.
Bytes ZeroRowsPng(uint32_t width, uint32_t height)
{
    Bytes png { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    Bytes header;
    PutBe32(header, width);
    PutBe32(header, height);
    header.insert(header.end(), { 8, 0, 0, 0, 0 });
    PutPngChunk(png, "IHDR", header);
    z_stream z {};
    deflateInit(&z, 9);
    Bytes row(width + 1, 0), data(1 << 16);
    Bytes idat;
    for (uint32_t y = 0; y < height; ++y) {
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
        int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        int status;
        do {
            z.next_out = data.data();
            z.avail_out = uInt(data.size());
            status = deflate(&z, flush);
            idat.insert(idat.end(), data.begin(), data.end() - z.avail_out);
        } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    }
    deflateEnd(&z);
    PutPngChunk(png, "IDAT", idat);
    PutPngChunk(png, "IEND", {});
    return png;
}

TEST_F(HostileSizes, DeflatedDataBeyondAThousandToOneIsRefused)
{
    Bytes bomb = ZeroRowsPng(9000, 8000);
    ASSERT_GT(9000.0 * 8000 / bomb.size(), 1000.0);
    ExpectRefused(folder.Write("zero-rows.png", bomb));
    // Small flat pictures compress as well, and stay welcome.
    EXPECT_EQ(Load(folder.Write("small-flat.png", ZeroRowsPng(2000, 2000))), FileOk);
}

TEST_F(HostileSizes, NonRegularFilesAreRefusedWithoutWaiting)
{
    // Nobody ever writes to the FIFO: opening it for reading would block.
    std::string fifo = folder.Path("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(DetectImageFileType(fifo.c_str()), ImageFileType::Unknown);
    EXPECT_NE(Describe(fifo), FileOk);
    for (ImageFileType type : { ImageFileType::Bmp, ImageFileType::Tiff, ImageFileType::Jpeg, ImageFileType::Png,
             ImageFileType::Gif, ImageFileType::RawScan, ImageFileType::Psd, ImageFileType::Ppm }) {
        CImage image(0, 0, 0, SampleU8);
        EXPECT_NE(LoadImageFile(image, fifo.c_str(), int(type)), FileOk) << int(type);
    }
    EXPECT_NE(Load(folder.Path(".")), FileOk);
}

} // namespace
