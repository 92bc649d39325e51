#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "imagefiles/format_readers.h"
#include "test_files.h"

// Under AddressSanitizer the allocator reports every allocation, which lets a
// test prove that a hostile header allocated nothing large.
#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t), void (*free_hook)(const volatile void*));
#define SW_HAVE_MALLOC_HOOKS 1
#endif

namespace {

struct BmpSpec {
    int width = 2;
    int height = 2; // negative: top-down
    int bitsPerPixel = 24;
    uint32_t infoHeaderSize = 40;
    int paletteEntries = 0; // entries actually stored
    uint32_t colorsUsed = 0;
    uint32_t compression = 0;
    uint32_t pixelsPerMetre = 0;
    // Stored bytes of file row r (padding included); by default a pattern.
    std::function<Bytes(int row, size_t rowSize)> row;
};

size_t RowSize(int width, int bits) { return (size_t(width) * bits + 31) / 32 * 4; }

Bytes BuildBmp(const BmpSpec& s)
{
    size_t rowSize = RowSize(s.width, s.bitsPerPixel);
    int rows = s.height < 0 ? -s.height : s.height;
    uint32_t dataOffset = 14 + s.infoHeaderSize + 4 * s.paletteEntries;
    Bytes b;
    PutText(b, "BM");
    PutLe32(b, uint32_t(dataOffset + rowSize * rows));
    PutLe32(b, 0);
    PutLe32(b, dataOffset);
    PutLe32(b, s.infoHeaderSize);
    PutLe32(b, uint32_t(s.width));
    PutLe32(b, uint32_t(s.height));
    PutLe16(b, 1);
    PutLe16(b, uint32_t(s.bitsPerPixel));
    PutLe32(b, s.compression);
    PutLe32(b, uint32_t(rowSize * rows));
    PutLe32(b, s.pixelsPerMetre);
    PutLe32(b, s.pixelsPerMetre);
    PutLe32(b, s.colorsUsed);
    PutLe32(b, 0);
    b.resize(14 + s.infoHeaderSize, 0); // the rest of a larger info header
    for (int i = 0; i < s.paletteEntries; ++i) {
        // Palette entry i: blue i, green 100 + i, red 200 - i.
        b.push_back(uint8_t(i));
        b.push_back(uint8_t(100 + i));
        b.push_back(uint8_t(200 - i));
        b.push_back(0);
    }
    for (int r = 0; r < rows; ++r) {
        Bytes row = s.row ? s.row(r, rowSize) : Bytes(rowSize, uint8_t(r));
        row.resize(rowSize, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

class BmpReading : public ::testing::Test {
protected:
    TempFolder folder;
    CImage image { 0, 0, 0, SampleU8 };
};

TEST_F(BmpReading, TwentyFourBitsBottomUpPutsTheLastFileRowOnTop)
{
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    // File row r, pixel x: blue 10r + x, green 50 + ..., red 90 + ...
    s.row = [](int r, size_t) {
        Bytes row;
        for (int x = 0; x < 2; ++x)
            for (int base : { 10, 50, 90 })
                row.push_back(uint8_t(base + 10 * r + x));
        return row;
    };
    ASSERT_EQ(Load(image, folder.Write("bottom-up.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(image.channelCount, 3);
    EXPECT_EQ(image.sampleType, SampleU8);
    // Image row 0 is file row 1.
    EXPECT_EQ(At8(image, 0, 0, 0), 100);
    EXPECT_EQ(At8(image, 1, 1, 0), 61);
    EXPECT_EQ(At8(image, 2, 1, 0), 21);
    EXPECT_EQ(At8(image, 2, 0, 1), 10);

    s.height = -2;
    CImage topDown(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(topDown, folder.Write("top-down.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(topDown.height, 2);
    EXPECT_EQ(At8(topDown, 2, 0, 0), 10);
    EXPECT_EQ(At8(topDown, 0, 0, 1), 100);
}

TEST_F(BmpReading, OneBitNinePixelsWideUsesTwoDataAndTwoPaddingBytes)
{
    BmpSpec s;
    s.width = 9;
    s.height = -2;
    s.bitsPerPixel = 1;
    s.paletteEntries = 2;
    // Row 0: 1 0 1 0 1 0 1 0 | 1; row 1: 0 1 0 1 0 1 0 1 | 0. Padding is
    // filled with ones so that reading it as pixels would show.
    s.row = [](int r, size_t) { return r == 0 ? Bytes { 0xAA, 0x80, 0xFF, 0xFF } : Bytes { 0x55, 0x00, 0xFF, 0xFF }; };
    Bytes file = BuildBmp(s);
    EXPECT_EQ(file.size(), 54u + 8 + 2 * 4);
    ASSERT_EQ(Load(image, folder.Write("one-bit.bmp", file)), FileOk);
    for (int x = 0; x < 9; ++x) {
        int index0 = x % 2 == 0 ? 1 : 0;
        EXPECT_EQ(At8(image, 0, x, 0), 200 - index0) << x;
        EXPECT_EQ(At8(image, 2, x, 1), 1 - index0) << x;
    }
}

TEST_F(BmpReading, FourBitsTakeTheHighNibbleFirst)
{
    BmpSpec s;
    s.width = 3;
    s.height = 1;
    s.bitsPerPixel = 4;
    s.paletteEntries = 16;
    s.row = [](int, size_t) { return Bytes { 0x3C, 0x70 }; };
    ASSERT_EQ(Load(image, folder.Write("four-bit.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(At8(image, 2, 0, 0), 3);
    EXPECT_EQ(At8(image, 2, 1, 0), 12);
    EXPECT_EQ(At8(image, 1, 2, 0), 107);
}

TEST_F(BmpReading, EightBitsReadTheWholePaletteWhateverColoursUsedSays)
{
    // Only 16 entries stored and announced; the reader still takes 256 slots
    // and then seeks to the pixel data, which lies right after the 16.
    BmpSpec s;
    s.width = 4;
    s.height = 1;
    s.bitsPerPixel = 8;
    s.paletteEntries = 16;
    s.colorsUsed = 16;
    s.row = [](int, size_t) { return Bytes { 0, 5, 15, 2 }; };
    ASSERT_EQ(Load(image, folder.Write("colours-used.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(At8(image, 0, 0, 0), 200);
    EXPECT_EQ(At8(image, 1, 1, 0), 105);
    EXPECT_EQ(At8(image, 2, 2, 0), 15);
    EXPECT_EQ(At8(image, 0, 3, 0), 198);
}

TEST_F(BmpReading, PaletteFollowsALargerInfoHeader)
{
    for (uint32_t headerSize : { 108u, 124u }) {
        BmpSpec s;
        s.width = 2;
        s.height = 1;
        s.bitsPerPixel = 8;
        s.infoHeaderSize = headerSize;
        s.paletteEntries = 256;
        s.row = [](int, size_t) { return Bytes { 7, 255 }; };
        CImage loaded(0, 0, 0, SampleU8);
        ASSERT_EQ(Load(loaded, folder.Write("v" + std::to_string(headerSize) + ".bmp", BuildBmp(s))), FileOk);
        EXPECT_EQ(At8(loaded, 0, 0, 0), 193) << headerSize;
        EXPECT_EQ(At8(loaded, 1, 0, 0), 107) << headerSize;
        EXPECT_EQ(At8(loaded, 2, 1, 0), 255) << headerSize;
    }
}

TEST_F(BmpReading, FortyEightAndNinetySixBitsKeepTheirSamples)
{
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bitsPerPixel = 48;
    s.row = [](int, size_t) { return Bytes { 0x01, 0x02, 0x03, 0x04, 0x05, 0xF6 }; };
    ASSERT_EQ(Load(image, folder.Write("deep.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(image.sampleType, SampleU16);
    EXPECT_EQ(At16(image, 2, 0, 0), 0x0201);
    EXPECT_EQ(At16(image, 1, 0, 0), 0x0403);
    EXPECT_EQ(At16(image, 0, 0, 0), 0xF605);

    s.bitsPerPixel = 96;
    s.row = [](int, size_t) {
        Bytes row;
        for (float v : { 0.25f, -1.5f, 2.0f }) {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            PutLe32(row, bits);
        }
        return row;
    };
    CImage floats(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(floats, folder.Write("float.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(floats.sampleType, SampleFloat);
    EXPECT_EQ(floats.PlaneFloat(2)[0], 0.25f);
    EXPECT_EQ(floats.PlaneFloat(1)[0], -1.5f);
    EXPECT_EQ(floats.PlaneFloat(0)[0], 2.0f);
}

TEST_F(BmpReading, ResolutionFromPixelsPerMetreRoundsHalfUp)
{
    BmpSpec s;
    s.pixelsPerMetre = 3780; // 96.012 dpi
    ASSERT_EQ(Load(image, folder.Write("dpi.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(image.resolutionDpi, 96);
    s.pixelsPerMetre = 11791; // 299.4914
    CImage lower(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(lower, folder.Write("dpi2.bmp", BuildBmp(s))), FileOk);
    EXPECT_EQ(lower.resolutionDpi, 299);
}

TEST_F(BmpReading, RefusesCompressionUnsupportedDepthsAndShortFiles)
{
    BmpSpec s;
    s.compression = 1; // run-length encoded
    s.bitsPerPixel = 8;
    s.paletteEntries = 256;
    EXPECT_EQ(Load(image, folder.Write("rle.bmp", BuildBmp(s))), FileOpenFailed);
    for (int bits : { 16, 32, 0, 2 }) {
        BmpSpec d;
        d.bitsPerPixel = bits;
        EXPECT_EQ(Load(image, folder.Write("depth.bmp", BuildBmp(d))), FileBadArgument) << bits;
    }
    // The pixel data stops one byte short of the last row.
    Bytes truncated = BuildBmp(BmpSpec {});
    truncated.pop_back();
    EXPECT_EQ(Load(image, folder.Write("short.bmp", truncated)), FileBadArgument);
    EXPECT_EQ(Load(image, folder.Write("header-only.bmp", Bytes { 'B', 'M', 0, 0 })), FileBadArgument);
    BmpSpec zero;
    zero.width = 0;
    EXPECT_EQ(Load(image, folder.Write("zero.bmp", BuildBmp(zero))), FileBadArgument);
}

#ifdef SW_HAVE_MALLOC_HOOKS
size_t largestAllocation = 0;
void RecordAllocation(const volatile void*, size_t size)
{
    if (size > largestAllocation)
        largestAllocation = size;
}
void IgnoreFree(const volatile void*) { }
#endif

TEST_F(BmpReading, HugeHeaderInATinyFileFailsWithoutAllocating)
{
    Bytes file = BuildBmp(BmpSpec {});
    for (size_t offset : { 18, 22 }) // width and height: 20000 each
        file[offset] = 0x20, file[offset + 1] = 0x4E;
    file.resize(1024); // the header promises 1.2 GB of pixels
    std::string path = folder.Write("huge.bmp", file);
#ifdef SW_HAVE_MALLOC_HOOKS
    largestAllocation = 0;
    __sanitizer_install_malloc_and_free_hooks(RecordAllocation, IgnoreFree);
#endif
    CImage loaded(path.c_str(), 0);
#ifdef SW_HAVE_MALLOC_HOOKS
    __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
    EXPECT_LT(largestAllocation, size_t(1) << 20);
#endif
    EXPECT_EQ(loaded.channelCount, 0);
    EXPECT_EQ(loaded.planes[0], nullptr);
    CImage direct(0, 0, 0, SampleU8);
    EXPECT_EQ(Load(direct, path), FileBadArgument);
}

TEST_F(BmpReading, InfoReportsHeaderSizeAndThreeChannels)
{
    BmpSpec s;
    s.width = 5;
    s.height = -3;
    int w = 0, h = 0, c = 0;
    EXPECT_EQ(ReadImageFileInfo(folder.Write("info.bmp", BuildBmp(s)).c_str(), &w, &h, &c), ImageFileType::Bmp);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(c, 3);
}

class BmpWriting : public ::testing::Test {
protected:
    TempFolder folder;
};

uint32_t Le32At(const Bytes& b, size_t offset)
{
    return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | uint32_t(b[offset + 3]) << 24;
}

TEST_F(BmpWriting, RoundTripsEightBitColourWithRowPadding)
{
    CImage source(5, 3, 3, SampleU8);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < source.PixelCount(); ++i)
            source.Plane8(c)[i] = uint8_t(40 * c + 7 * i);
    source.resolutionDpi = 300;
    std::string path = folder.Path("written.bmp");
    ASSERT_EQ(SaveBmp(source, path.c_str()), FileOk);

    Bytes file = TempFolder::ReadBytes(path);
    // Rows of 15 bytes and 1 padding byte (width mod 4).
    ASSERT_EQ(file.size(), 54u + 3 * 16);
    EXPECT_EQ(Le32At(file, 2), file.size());
    EXPECT_EQ(Le32At(file, 10), 54u);
    EXPECT_EQ(Le32At(file, 14), 40u);
    EXPECT_EQ(Le32At(file, 34), 48u);
    EXPECT_EQ(Le32At(file, 38), 11811u);
    EXPECT_EQ(Le32At(file, 42), 11811u);
    // First stored row is the bottom image row, as blue, green, red.
    EXPECT_EQ(file[54], source.Plane8(2)[10]);
    EXPECT_EQ(file[56], source.Plane8(0)[10]);

    CImage loaded(path.c_str(), 0);
    ASSERT_EQ(loaded.channelCount, 3);
    EXPECT_EQ(loaded.resolutionDpi, 300);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(std::memcmp(loaded.Plane8(c), source.Plane8(c), source.PixelCount()), 0) << c;
}

TEST_F(BmpWriting, GreyAndSixteenBitSourcesAreWrittenAsEightBitColour)
{
    CImage grey(2, 1, 1, SampleU16);
    grey.Plane16(0)[0] = 0x12FF;
    grey.Plane16(0)[1] = 0xAB00;
    std::string path = folder.Path("grey.bmp");
    ASSERT_EQ(SaveBmp(grey, path.c_str()), FileOk);
    CImage loaded(path.c_str(), 0);
    ASSERT_EQ(loaded.channelCount, 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(At8(loaded, c, 0, 0), 0x12);
        EXPECT_EQ(At8(loaded, c, 1, 0), 0xAB);
    }

    // A second plane is alpha, not colour: grey 100 stays grey.
    CImage greyAlpha(1, 1, 2, SampleU8);
    greyAlpha.Fill(100, 255, 0, 0);
    ASSERT_EQ(SaveBmp(greyAlpha, path.c_str()), FileOk);
    CImage reloaded(path.c_str(), 0);
    ASSERT_EQ(reloaded.channelCount, 3);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(At8(reloaded, c, 0, 0), 100) << c;
}

TEST_F(BmpWriting, ResolutionIsWrittenOnlyInsideItsRange)
{
    const std::pair<int, uint32_t> cases[] = { { 48, 0 }, { 49, 1929 }, { 12800, 503937 }, { 12801, 0 }, { 0, 0 } };
    for (auto [dpi, ppm] : cases) {
        CImage image(1, 1, 3, SampleU8);
        image.Fill(1, 2, 3, 0);
        image.resolutionDpi = dpi;
        std::string path = folder.Path("r.bmp");
        ASSERT_EQ(SaveBmp(image, path.c_str()), FileOk);
        EXPECT_EQ(Le32At(TempFolder::ReadBytes(path), 38), ppm) << dpi;
    }
}

TEST_F(BmpWriting, RefusesNoImageAndReportsAnUnwritableTarget)
{
    CImage empty(0, 0, 0, SampleU8);
    EXPECT_EQ(SaveBmp(empty, folder.Path("empty.bmp").c_str()), FileBadArgument);
    CImage image(2, 2, 3, SampleU8);
    image.Fill(0, 0, 0, 0);
    EXPECT_NE(SaveBmp(image, folder.Path("missing/folder.bmp").c_str()), FileOk);
}

} // namespace
