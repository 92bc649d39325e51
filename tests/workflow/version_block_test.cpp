#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "workflow/version_block.h"
#include "workflow/version_block_builder.h"
#include "workflow/version_info.h"

namespace {

std::vector<uint8_t> SampleBlock()
{
    VersionBlockContents contents;
    contents.parts[0] = 1; // major
    contents.parts[2] = 2; // build
    VersionBlockContents::Table table;
    table.strings = { { "ProductName", "Speckwash" }, { "FileVersion", "1.0.2.0" }, { "Comments", "" } };
    contents.tables.push_back(table);
    return BuildVersionBlock(contents);
}

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// Offset of the node whose key starts with these ASCII characters.
size_t NodeOffset(const std::vector<uint8_t>& bytes, const std::string& key)
{
    for (size_t offset = 0; offset + 6 + 2 * key.size() <= bytes.size(); offset += 2) {
        bool match = true;
        for (size_t i = 0; i < key.size() && match; ++i)
            match = Le16(bytes, offset + 6 + 2 * i) == static_cast<uint8_t>(key[i]);
        if (match)
            return offset;
    }
    return std::string::npos;
}

} // namespace

TEST(VersionBlockLayout, MatchesTheBinaryFormat)
{
    std::vector<uint8_t> block = SampleBlock();
    ASSERT_GT(block.size(), 100u);
    EXPECT_EQ(Le16(block, 0), block.size()) << "root length covers the block";
    EXPECT_EQ(Le16(block, 2), 52) << "fixed information size";
    EXPECT_EQ(Le16(block, 4), 0) << "binary root";
    // Key "VS_VERSION_INFO" and its terminator end at 38, the value starts
    // aligned at 40 with the signature, then the structure version and the
    // file version's most and least significant halves.
    EXPECT_EQ(Le16(block, 6), 'V');
    EXPECT_EQ(Le16(block, 36), 0);
    const uint8_t fixedStart[] = { 0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
        0x00, 0x02, 0x00 };
    EXPECT_TRUE(std::equal(std::begin(fixedStart), std::end(fixedStart), block.begin() + 40));
    size_t table = NodeOffset(block, "040904B0");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(table % 4, 0u);
    size_t translation = NodeOffset(block, "Translation");
    ASSERT_NE(translation, std::string::npos);
    EXPECT_EQ(Le16(block, translation + 2), 4);
    const uint8_t pair[] = { 0x09, 0x04, 0xB0, 0x04 }; // language, then code page
    EXPECT_TRUE(std::equal(std::begin(pair), std::end(pair), block.end() - 4));

    VersionBlock parsed;
    ASSERT_TRUE(parsed.Parse(block));
    std::span<const uint8_t> value;
    uint16_t type = 9;
    ASSERT_TRUE(parsed.Query("\\stringfileinfo\\040904b0\\PRODUCTNAME", value, type));
    EXPECT_EQ(type, 1);
    EXPECT_EQ(Utf16ToUtf8(value), "Speckwash");
    ASSERT_TRUE(parsed.Query("\\StringFileInfo\\040904B0\\Comments", value, type));
    EXPECT_EQ(Utf16ToUtf8(value), "");
    EXPECT_FALSE(parsed.Query("\\StringFileInfo\\040704B0\\ProductName", value, type));
    EXPECT_FALSE(parsed.Query("StringFileInfo", value, type));
}

TEST(VersionBlockLayout, PaddingAfterTheBlockIsIgnored)
{
    std::vector<uint8_t> block = SampleBlock();
    block.resize(block.size() + 64, 0);
    FileVersionInfo info;
    EXPECT_TRUE(info.LoadFromBlock(block, 0x0409));
    EXPECT_EQ(info.Part(3), 1);
    EXPECT_EQ(info.Part(1), 2);
}

TEST(VersionBlockHostile, EveryTruncationIsRefused)
{
    std::vector<uint8_t> block = SampleBlock();
    FileVersionInfo info;
    for (size_t size = 0; size < block.size(); ++size) {
        ASSERT_TRUE(info.LoadFromBlock(block, 0x0409));
        std::vector<uint8_t> cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(info.LoadFromBlock(cut, 0x0409)) << size;
        EXPECT_EQ(info.Part(3), 0) << size;
        EXPECT_EQ(info.String(VersionProductName), "") << size;
    }
}

TEST(VersionBlockHostile, CorruptedStructureIsRefused)
{
    const std::vector<uint8_t> good = SampleBlock();
    size_t strings = NodeOffset(good, "StringFileInfo");
    size_t product = NodeOffset(good, "ProductName");
    ASSERT_NE(product, std::string::npos);
    struct Corruption {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
    } corruptions[] = {
        { "zero root length", [](auto& b) { Put16(b, 0, 0); } },
        { "root length past the end", [](auto& b) { Put16(b, 0, static_cast<uint16_t>(b.size() + 4)); } },
        { "child past its parent", [&](auto& b) { Put16(b, strings, static_cast<uint16_t>(b.size())); } },
        { "child too short for a header", [&](auto& b) { Put16(b, product, 4); } },
        { "value past its node", [&](auto& b) { Put16(b, product + 2, 0x7FFF); } },
        { "unknown node type", [&](auto& b) { Put16(b, product + 4, 7); } },
        { "root value past the block", [](auto& b) { Put16(b, 2, 0xFFFF); } },
        { "another root key", [](auto& b) { Put16(b, 6, 'W'); } },
        { "key without terminator", [&](auto& b) {
             size_t end = product + Le16(b, product);
             for (size_t i = product + 6; i < end; i += 2)
                 Put16(b, i, 'x');
         } },
    };
    for (const Corruption& corruption : corruptions) {
        std::vector<uint8_t> block = good;
        corruption.apply(block);
        FileVersionInfo info;
        EXPECT_FALSE(info.LoadFromBlock(block, 0x0409)) << corruption.what;
        EXPECT_EQ(info.String(VersionProductName), "") << corruption.what;
    }
}

TEST(VersionBlockHostile, AnySingleByteChangeIsReadSafely)
{
    // Under the sanitizers this fails on any read out of bounds.
    const std::vector<uint8_t> good = SampleBlock();
    for (size_t i = 0; i < good.size(); ++i)
        for (uint8_t replacement : { uint8_t(0x00), uint8_t(0xFF), uint8_t(good[i] + 1) }) {
            std::vector<uint8_t> block = good;
            block[i] = replacement;
            FileVersionInfo info;
            if (info.LoadFromBlock(block, 0x0409)) {
                EXPECT_LE(info.String(VersionProductName).size(), 3 * good.size());
            }
        }
}
