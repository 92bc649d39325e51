#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "imagefiles/format_readers.h"
#include "imagefiles/gif_decoder.h"
#include "test_files.h"

namespace {

// Packs codes least significant bit first, with the widths a decoder uses.
class CodeWriter {
public:
    void Put(int code, int width)
    {
        for (int i = 0; i < width; ++i, ++bits_) {
            if (bits_ % 8 == 0)
                bytes.push_back(0);
            bytes.back() |= uint8_t(((code >> i) & 1) << (bits_ % 8));
        }
    }
    Bytes bytes;

private:
    size_t bits_ = 0;
};

// Follows the decoder's table growth so codes get the right widths.
struct WidthTracker {
    int minimumCodeSize;
    int width = minimumCodeSize + 1;
    int next = (1 << minimumCodeSize) + 2;
    bool first = true;
    void Reset()
    {
        width = minimumCodeSize + 1;
        next = (1 << minimumCodeSize) + 2;
        first = true;
    }
    void AfterCode()
    {
        if (!first && next < 4096 && ++next == (1 << width) && width < 12)
            ++width;
        first = false;
    }
};

enum class TableFull { Clear, KeepGoing };

// A real LZW encoder (strings of any length, so the decoder meets table codes
// and the code that is not in the table yet), clearing when the table fills
// unless told to keep going.
Bytes EncodeLzw(const Bytes& indices, int minimumCodeSize, TableFull full = TableFull::Clear, bool endCode = true)
{
    const int clear = 1 << minimumCodeSize;
    CodeWriter out;
    WidthTracker tracker { minimumCodeSize };
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    out.Put(clear, tracker.width);
    int current = -1;
    for (uint8_t pixel : indices) {
        if (current < 0) {
            current = pixel;
            continue;
        }
        auto found = table.find({ current, pixel });
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        out.Put(current, tracker.width);
        tracker.AfterCode();
        if (next < 4096)
            table[{ current, pixel }] = next++;
        if (next == 4096 && full == TableFull::Clear) {
            out.Put(clear, tracker.width);
            tracker.Reset();
            table.clear();
            next = clear + 2;
        }
        current = pixel;
    }
    if (current >= 0) {
        out.Put(current, tracker.width);
        tracker.AfterCode();
    }
    if (endCode)
        out.Put(clear + 1, tracker.width);
    return out.bytes;
}

// Every pixel as its own code, never clearing: the table fills after
// 4095 - clear codes.
Bytes EncodeLiterals(const Bytes& indices, int minimumCodeSize)
{
    CodeWriter out;
    WidthTracker tracker { minimumCodeSize };
    out.Put(1 << minimumCodeSize, tracker.width);
    for (uint8_t pixel : indices) {
        out.Put(pixel, tracker.width);
        tracker.AfterCode();
    }
    return out.bytes;
}

void PutSubBlocks(Bytes& b, const Bytes& data)
{
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + i, data.begin() + i + n);
    }
    b.push_back(0);
}

struct GifFrame {
    int width;
    int height;
    Bytes indices; // display order
    bool interlaced = false;
    int localTableBits = 0; // 0: none
    int minimumCodeSize = 8;
};

// Rows in the order an interlaced file stores them.
Bytes InterlaceOrder(const GifFrame& f)
{
    Bytes stored;
    const int start[4] = { 0, 4, 2, 1 }, step[4] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < f.height; y += step[pass])
            stored.insert(stored.end(), f.indices.begin() + y * f.width, f.indices.begin() + (y + 1) * f.width);
    return stored;
}

// Global table entry i: red i, green 255 - i, blue 3i; local ones: blue 7.
Bytes Colours(int bits, bool local)
{
    Bytes b;
    for (int i = 0; i < (1 << bits); ++i)
        b.insert(b.end(), { uint8_t(i), uint8_t(local ? 7 : 255 - i), uint8_t(local ? 7 : 3 * i) });
    return b;
}

void PutFrame(Bytes& b, const GifFrame& f, const Bytes* lzw = nullptr)
{
    b.push_back(0x2C);
    PutLe16(b, 0);
    PutLe16(b, 0);
    PutLe16(b, f.width);
    PutLe16(b, f.height);
    b.push_back(uint8_t((f.localTableBits ? 0x80 | (f.localTableBits - 1) : 0) | (f.interlaced ? 0x40 : 0)));
    if (f.localTableBits) {
        Bytes colours = Colours(f.localTableBits, true);
        b.insert(b.end(), colours.begin(), colours.end());
    }
    b.push_back(uint8_t(f.minimumCodeSize));
    PutSubBlocks(b, lzw ? *lzw : EncodeLzw(f.interlaced ? InterlaceOrder(f) : f.indices, f.minimumCodeSize));
}

Bytes GifHeader(const char* version = "GIF89a", int globalBits = 8, uint8_t aspect = 0)
{
    Bytes b;
    PutText(b, version);
    PutLe16(b, 500); // the logical screen size is not the image size
    PutLe16(b, 400);
    b.push_back(uint8_t(globalBits ? 0x80 | (globalBits - 1) : 0));
    b.push_back(0);
    b.push_back(aspect);
    if (globalBits) {
        Bytes colours = Colours(globalBits, false);
        b.insert(b.end(), colours.begin(), colours.end());
    }
    return b;
}

GifFrame Pattern(int width, int height)
{
    GifFrame f { width, height, Bytes(size_t(width) * height) };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            f.indices[size_t(y) * width + x] = uint8_t((x / 3 + y * 5) % 7 + 1);
    return f;
}

class GifReading : public ::testing::Test {
protected:
    void ExpectIndices(const CImage& image, const Bytes& indices)
    {
        ASSERT_EQ(image.PixelCount(), indices.size());
        for (size_t i = 0; i < indices.size(); ++i)
            ASSERT_EQ(image.Plane8(0)[i], indices[i]) << "pixel " << i;
    }
    TempFolder folder;
    CImage image { 0, 0, 0, SampleU8 };
};

TEST_F(GifReading, ResolvesIndicesThroughTheGlobalTable)
{
    GifFrame f = Pattern(37, 11);
    Bytes file = GifHeader();
    // Extensions of every kind are skipped, a transparent index included.
    file.insert(file.end(), { 0x21, 0xF9, 4, 0x01, 0, 0, 3, 0 });
    file.insert(file.end(), { 0x21, 0xFE, 3, 'h', 'i', '!', 0 });
    file.insert(file.end(), { 0x21, 0x01, 12 });
    file.resize(file.size() + 12, 0);
    file.insert(file.end(), { 2, 'a', 'b', 0 });
    PutFrame(file, f);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("plain.gif", file)), FileOk);
    EXPECT_EQ(image.channelCount, 3);
    EXPECT_EQ(image.width, 37);
    EXPECT_EQ(image.height, 11);
    ExpectIndices(image, f.indices);
    EXPECT_EQ(At8(image, 1, 3, 0), 255 - f.indices[3]);
    EXPECT_EQ(At8(image, 2, 3, 0), 3 * f.indices[3]);
}

TEST_F(GifReading, RepetitiveDataUsesLongStrings)
{
    // Long runs make the encoder emit codes not yet in the decoder's table.
    GifFrame f { 300, 40, Bytes(12000, 4) };
    for (size_t i = 0; i < f.indices.size(); i += 97)
        f.indices[i] = 2;
    Bytes file = GifHeader();
    PutFrame(file, f);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("runs.gif", file)), FileOk);
    ExpectIndices(image, f.indices);
}

TEST_F(GifReading, LargeImagesClearTheTableAndKeepDecoding)
{
    GifFrame f = Pattern(400, 300);
    for (size_t i = 0; i < f.indices.size(); ++i)
        f.indices[i] = uint8_t((i * 2654435761u) >> 24); // little repetition: many clears
    Bytes file = GifHeader();
    PutFrame(file, f);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("clears.gif", file)), FileOk);
    ExpectIndices(image, f.indices);
}

TEST_F(GifReading, InterlacedRowsComeOutInDisplayOrder)
{
    for (int height : { 1, 2, 5, 17 }) {
        GifFrame f = Pattern(6, height);
        f.interlaced = true;
        Bytes file = GifHeader();
        PutFrame(file, f);
        file.push_back(0x3B);
        CImage loaded(0, 0, 0, SampleU8);
        ASSERT_EQ(Load(loaded, folder.Write("interlaced.gif", file)), FileOk) << height;
        ExpectIndices(loaded, f.indices);
    }
}

TEST_F(GifReading, AnimationLoadsTheFirstFrameAtItsOwnSize)
{
    GifFrame first = Pattern(20, 10);
    GifFrame second = Pattern(30, 30);
    second.localTableBits = 4;
    first.localTableBits = 0;
    Bytes file = GifHeader();
    file.insert(file.end(), { 0x21, 0xFF, 11 });
    PutText(file, "NETSCAPE2.0");
    file.insert(file.end(), { 3, 1, 0, 0, 0 });
    PutFrame(file, first);
    PutFrame(file, second);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("animated.gif", file)), FileOk);
    EXPECT_EQ(image.width, 20);
    EXPECT_EQ(image.height, 10);
    ExpectIndices(image, first.indices);
    int w = 0, h = 0, c = 0;
    EXPECT_EQ(ReadImageFileInfo(folder.Path("animated.gif").c_str(), &w, &h, &c), ImageFileType::Gif);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 10);
    EXPECT_EQ(c, 3);
}

TEST_F(GifReading, LocalTableOverridesTheGlobalOneFromIndexZero)
{
    GifFrame f = Pattern(8, 2);
    f.indices[0] = 200; // beyond the 16-entry local table: the global colour stays
    f.localTableBits = 4;
    Bytes file = GifHeader();
    PutFrame(file, f);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("local.gif", file)), FileOk);
    EXPECT_EQ(At8(image, 2, 1, 0), 7);
    EXPECT_EQ(At8(image, 1, 0, 0), 55);
}

TEST_F(GifReading, IndicesBeyondEveryTableAreBlack)
{
    GifFrame f = Pattern(4, 4);
    f.indices[5] = 9; // only 4 entries exist
    Bytes file = GifHeader("GIF89a", 2);
    PutFrame(file, f);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("beyond.gif", file)), FileOk);
    EXPECT_EQ(At8(image, 0, 1, 1), 0);
    EXPECT_EQ(At8(image, 1, 1, 1), 0);
    EXPECT_EQ(At8(image, 2, 1, 1), 0);
    EXPECT_EQ(At8(image, 0, 2, 0), 1); // index 1 of the same image resolves

    Bytes noTable = GifHeader("GIF89a", 0);
    PutFrame(noTable, f);
    noTable.push_back(0x3B);
    CImage black(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(black, folder.Write("no-table.gif", noTable)), FileOk);
    EXPECT_EQ(At8(black, 1, 0, 0), 0);
}

TEST_F(GifReading, DataThatStopsEarlyLeavesIndexZero)
{
    GifFrame f = Pattern(50, 50);
    Bytes lzw = EncodeLzw(f.indices, 8);
    lzw.resize(lzw.size() / 3);
    Bytes file = GifHeader();
    PutFrame(file, f, &lzw);
    // No trailer either: the file simply ends.
    ASSERT_EQ(Load(image, folder.Write("truncated.gif", file)), FileOk);
    EXPECT_EQ(image.Plane8(0)[0], f.indices[0]);
    EXPECT_EQ(image.Plane8(0)[2499], 0);
    EXPECT_EQ(image.Plane8(1)[2499], 255); // entry 0's green
}

TEST_F(GifReading, AFullTableWithoutAClearCodeEndsTheImage)
{
    GifFrame f = Pattern(100, 100);
    Bytes lzw = EncodeLiterals(f.indices, 8);
    Bytes file = GifHeader();
    PutFrame(file, f, &lzw);
    file.push_back(0x3B);
    ASSERT_EQ(Load(image, folder.Write("full-table.gif", file)), FileOk);
    // One literal, then one table entry per code from 258 up to 4095.
    const size_t decoded = 1 + (4096 - 258);
    for (size_t i = 0; i < decoded; ++i)
        ASSERT_EQ(image.Plane8(0)[i], f.indices[i]) << i;
    for (size_t i = decoded; i < f.indices.size(); ++i)
        ASSERT_EQ(image.Plane8(0)[i], 0) << i;
}

TEST_F(GifReading, AspectByteIsRefusedOnlyIn87a)
{
    GifFrame f = Pattern(5, 5);
    for (const char* version : { "GIF87a", "GIF89a" }) {
        Bytes file = GifHeader(version, 8, 49);
        PutFrame(file, f);
        file.push_back(0x3B);
        CImage loaded(0, 0, 0, SampleU8);
        FileResult expected = version[4] == '7' ? FileOpenFailed : FileOk;
        EXPECT_EQ(Load(loaded, folder.Write("aspect.gif", file)), expected) << version;
    }
}

TEST_F(GifReading, FilesWithoutAnImageFail)
{
    Bytes onlyHeader = GifHeader();
    onlyHeader.push_back(0x3B);
    EXPECT_EQ(Load(image, folder.Write("empty.gif", onlyHeader)), FileOpenFailed);
    Bytes unknownBlock = GifHeader();
    unknownBlock.insert(unknownBlock.end(), { 0x99, 0, 0 });
    PutFrame(unknownBlock, Pattern(3, 3));
    EXPECT_EQ(Load(image, folder.Write("unknown.gif", unknownBlock)), FileOpenFailed);
    Bytes wrongSignature = GifHeader("GIF88a");
    PutFrame(wrongSignature, Pattern(3, 3));
    EXPECT_EQ(Load(image, folder.Write("sig.gif", wrongSignature)), FileOpenFailed);
    GifFrame badCodeSize = Pattern(3, 3);
    badCodeSize.minimumCodeSize = 12;
    Bytes lzw { 0, 0, 0 };
    Bytes file = GifHeader();
    PutFrame(file, badCodeSize, &lzw);
    EXPECT_EQ(Load(image, folder.Write("codesize.gif", file)), FileOpenFailed);
}

TEST_F(GifReading, HugeImageWithLittleDataIsRefusedBeforeAllocating)
{
    // A clear code and an end code claim the whole frame; padding after them
    // must not buy more than a thousand pixels a byte.
    const std::pair<GifFrame, size_t> bombs[] = { { { 65535, 65535, {} }, 2 }, { { 4096, 4096, {} }, 10000 } };
    for (const auto& [frame, dataBytes] : bombs) {
        Bytes lzw(dataBytes, 0);
        lzw[0] = 0x00;
        lzw[1] = 0x03;
        Bytes file = GifHeader();
        PutFrame(file, frame, &lzw);
        EXPECT_EQ(Load(image, folder.Write("huge.gif", file)), FileOpenFailed) << frame.width;
        EXPECT_EQ(image.planes[0], nullptr);
    }
}

TEST_F(GifReading, DecodesAreIndependentOfEachOther)
{
    // Two decodes at once, of different files, must each get their own image.
    GifFrame a = Pattern(120, 90);
    GifFrame b = Pattern(70, 130);
    for (auto& v : b.indices)
        v = uint8_t(v + 3);
    Bytes fileA = GifHeader(), fileB = GifHeader();
    PutFrame(fileA, a);
    PutFrame(fileB, b);
    bool okA = true, okB = true;
    auto run = [](const Bytes& file, const GifFrame& frame, bool& ok) {
        for (int i = 0; i < 20 && ok; ++i) {
            GifImage gif;
            ok = DecodeGifBytes(file.data(), file.size(), gif) && gif.width == frame.width
                && std::equal(frame.indices.begin(), frame.indices.end(), gif.indices.get());
        }
    };
    std::thread first(run, std::cref(fileA), std::cref(a), std::ref(okA));
    std::thread second(run, std::cref(fileB), std::cref(b), std::ref(okB));
    first.join();
    second.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

} // namespace
