#include <gtest/gtest.h>

#include <functional>

#include "test_files.h"

namespace {

struct PsdSpec {
    int storedChannels = 3;
    int width = 3;
    int height = 2;
    int depth = 8;
    int colourMode = 3; // RGB
    int compression = 0;
    Bytes layerSection; // skipped by its length
};

// Sample value of channel c at (x, y): distinct in every byte.
uint16_t SampleAt(int c, int x, int y, int depth)
{
    int v = 17 * c + 5 * y + x + 1;
    return depth == 16 ? uint16_t(v << 8 | (255 - v)) : uint16_t(v);
}

Bytes RowBytes(const PsdSpec& s, int c, int y)
{
    Bytes row;
    for (int x = 0; x < s.width; ++x) {
        uint16_t v = SampleAt(c, x, y, s.depth);
        if (s.depth == 16)
            PutBe16(row, v);
        else
            row.push_back(uint8_t(v));
    }
    return row;
}

// PackBits with one literal run per row, except runs of equal bytes at the
// start (to exercise both run kinds).
Bytes PackRow(const Bytes& row)
{
    Bytes out;
    size_t i = 0;
    size_t same = 1;
    while (same < row.size() && row[same] == row[0])
        ++same;
    if (same >= 2) {
        out.push_back(uint8_t(1 - int(same)));
        out.push_back(row[0]);
        i = same;
    }
    if (i < row.size()) {
        out.push_back(uint8_t(row.size() - i - 1));
        out.insert(out.end(), row.begin() + i, row.end());
    }
    return out;
}

Bytes BuildPsd(const PsdSpec& s, const std::function<Bytes(int c, int y, Bytes row)>& pack = nullptr)
{
    Bytes b;
    PutText(b, "8BPS");
    PutBe16(b, 1);
    b.resize(b.size() + 6, 0);
    PutBe16(b, s.storedChannels);
    PutBe32(b, s.height);
    PutBe32(b, s.width);
    PutBe16(b, s.depth);
    PutBe16(b, s.colourMode);
    PutBe32(b, 0); // colour mode data
    PutBe32(b, 4); // image resources
    PutText(b, "junk");
    PutBe32(b, uint32_t(s.layerSection.size()));
    b.insert(b.end(), s.layerSection.begin(), s.layerSection.end());
    PutBe16(b, s.compression);
    if (s.compression == 0) {
        for (int c = 0; c < s.storedChannels; ++c)
            for (int y = 0; y < s.height; ++y) {
                Bytes row = RowBytes(s, c, y);
                b.insert(b.end(), row.begin(), row.end());
            }
        return b;
    }
    std::vector<Bytes> packed;
    for (int c = 0; c < s.storedChannels; ++c)
        for (int y = 0; y < s.height; ++y)
            packed.push_back(pack ? pack(c, y, RowBytes(s, c, y)) : PackRow(RowBytes(s, c, y)));
    for (const Bytes& row : packed)
        PutBe16(b, uint32_t(row.size()));
    for (const Bytes& row : packed)
        b.insert(b.end(), row.begin(), row.end());
    return b;
}

class PsdReading : public ::testing::Test {
protected:
    void ExpectSamples(const CImage& image, const PsdSpec& s)
    {
        for (int c = 0; c < image.channelCount; ++c)
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) {
                    uint16_t expected = SampleAt(c, x, y, s.depth);
                    uint16_t got = s.depth == 16 ? At16(image, c, x, y) : At8(image, c, x, y);
                    ASSERT_EQ(got, expected) << "channel " << c << " at " << x << "," << y;
                }
    }
    TempFolder folder;
};

TEST_F(PsdReading, RawAndPackBitsAtBothDepths)
{
    for (int compression : { 0, 1 })
        for (int depth : { 8, 16 })
            for (int mode : { 1, 3 }) {
                PsdSpec s;
                s.compression = compression;
                s.depth = depth;
                s.colourMode = mode;
                s.storedChannels = mode == 1 ? 1 : 3;
                s.layerSection = Bytes(10, 0xEE);
                CImage image(0, 0, 0, SampleU8);
                std::string name = "c" + std::to_string(compression) + "d" + std::to_string(depth) + "m"
                    + std::to_string(mode) + ".psd";
                ASSERT_EQ(Load(image, folder.Write(name, BuildPsd(s))), FileOk) << name;
                EXPECT_EQ(image.channelCount, s.storedChannels);
                EXPECT_EQ(image.sampleType, depth == 16 ? SampleU16 : SampleU8);
                EXPECT_EQ(image.width, 3);
                EXPECT_EQ(image.height, 2);
                ExpectSamples(image, s);
            }
}

TEST_F(PsdReading, FiveChannelsLoadTheFirstFour)
{
    for (int compression : { 0, 1 }) {
        PsdSpec s;
        s.storedChannels = 5;
        s.compression = compression;
        CImage image(0, 0, 0, SampleU8);
        ASSERT_EQ(Load(image, folder.Write("five" + std::to_string(compression) + ".psd", BuildPsd(s))), FileOk);
        EXPECT_EQ(image.channelCount, 4);
        ExpectSamples(image, s);
    }
    int w = 0, h = 0, c = 0;
    PsdSpec s;
    s.storedChannels = 5;
    EXPECT_EQ(ReadImageFileInfo(folder.Write("info.psd", BuildPsd(s)).c_str(), &w, &h, &c), ImageFileType::Psd);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(c, 5);
}

TEST_F(PsdReading, RefusesOtherModesDepthsAndCompressions)
{
    const std::pair<int, int> modes[] = { { 2, 8 }, { 4, 8 }, { 3, 1 }, { 3, 32 } }; // mode, depth
    for (auto [mode, depth] : modes) {
        PsdSpec s;
        s.colourMode = mode;
        s.depth = depth;
        CImage image(0, 0, 0, SampleU8);
        EXPECT_EQ(Load(image, folder.Write("mode.psd", BuildPsd(s))), FileBadArgument) << mode << " " << depth;
    }
    PsdSpec zip;
    zip.compression = 2;
    CImage image(0, 0, 0, SampleU8);
    EXPECT_EQ(Load(image, folder.Write("zip.psd", BuildPsd(zip))), FileBadArgument);
    Bytes bad = BuildPsd(PsdSpec {});
    bad[3] = 'X';
    EXPECT_EQ(Load(image, folder.Write("sig.psd", bad), ImageFileType::Psd), FileBadArgument);
}

TEST_F(PsdReading, PackBitsRunsAreCheckedAgainstTheRow)
{
    PsdSpec s;
    s.compression = 1;
    // Row of 3 bytes: a literal of 4 would pass the end.
    auto overrun = [](int c, int y, Bytes row) { return c == 1 && y == 1 ? Bytes { 3, 1, 2, 3, 4 } : PackRow(row); };
    // A repeat of 3 plus a literal of 1 also passes the end.
    auto repeatOverrun = [](int, int y, Bytes row) { return y == 0 ? Bytes { 0xFE, 9, 0, 9 } : PackRow(row); };
    // Only 2 of 3 bytes.
    auto shortRow = [](int c, int, Bytes row) { return c == 2 ? Bytes { 1, 5, 6 } : PackRow(row); };
    // The no-op control byte is skipped.
    auto noOp = [](int, int, Bytes row) {
        Bytes packed = PackRow(row);
        packed.insert(packed.begin(), 0x80);
        return packed;
    };
    CImage image(0, 0, 0, SampleU8);
    EXPECT_EQ(Load(image, folder.Write("overrun.psd", BuildPsd(s, overrun))), FileOpenFailed);
    EXPECT_EQ(Load(image, folder.Write("repeat.psd", BuildPsd(s, repeatOverrun))), FileOpenFailed);
    EXPECT_EQ(Load(image, folder.Write("short-row.psd", BuildPsd(s, shortRow))), FileOpenFailed);
    CImage good(0, 0, 0, SampleU8);
    ASSERT_EQ(Load(good, folder.Write("noop.psd", BuildPsd(s, noOp))), FileOk);
    ExpectSamples(good, s);
}

TEST_F(PsdReading, TruncatedDataAndSectionsFail)
{
    PsdSpec s;
    Bytes raw = BuildPsd(s);
    raw.pop_back();
    CImage image(0, 0, 0, SampleU8);
    EXPECT_EQ(Load(image, folder.Write("raw-short.psd", raw)), FileBadArgument);
    s.compression = 1;
    Bytes packed = BuildPsd(s);
    packed.pop_back();
    EXPECT_EQ(Load(image, folder.Write("packed-short.psd", packed)), FileOpenFailed);
    // A layer section that claims more than the file holds.
    Bytes section = BuildPsd(PsdSpec {});
    section[26 + 4 + 4 + 4 + 4 - 1] = 0xFF; // low byte of the layer section length
    section[26 + 4 + 4 + 4 + 4 - 3] = 0xFF;
    EXPECT_EQ(Load(image, folder.Write("section.psd", section)), FileBadArgument);
}

TEST_F(PsdReading, HugeDimensionsWithLittleDataAreRefusedBeforeAllocating)
{
    // 30000 × 30000 × 4 channels with a tiny body, raw and PackBits. With
    // PackBits the row counts are present but could never fill the rows.
    for (int compression : { 0, 1 }) {
        PsdSpec s;
        s.storedChannels = 4;
        s.width = 30000;
        s.height = 1;
        s.compression = compression;
        Bytes file = BuildPsd(s, [](int, int, Bytes) { return Bytes { 0xFF, 0 }; });
        file[14] = 0x75, file[15] = 0x30; // height 30000, low bytes of the big-endian field
        CImage image(0, 0, 0, SampleU8);
        EXPECT_NE(Load(image, folder.Write("huge.psd", file)), FileOk);
        EXPECT_EQ(image.planes[0], nullptr);
    }
}

} // namespace
