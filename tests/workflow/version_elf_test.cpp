#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "workflow/elf_section.h"

namespace {

// A minimal ELF file: no program, just a null section, the named section
// and the section name table.
class ElfWriter {
public:
    ElfWriter(bool is64, bool bigEndian)
        : is64(is64)
        , bigEndian(bigEndian)
    {
    }

    std::vector<uint8_t> Build(const std::string& name, const std::vector<uint8_t>& contents, uint32_t type = 1)
    {
        size_t headerSize = is64 ? 64 : 52;
        size_t entrySize = is64 ? 64 : 40;
        std::string names = std::string(1, '\0') + name + '\0' + ".shstrtab" + '\0';
        size_t contentsOffset = headerSize;
        size_t namesOffset = contentsOffset + contents.size();
        size_t tableOffset = (namesOffset + names.size() + 7) & ~size_t(7);
        out.assign(tableOffset + 3 * entrySize, 0);
        const uint8_t ident[] = { 0x7f, 'E', 'L', 'F', uint8_t(is64 ? 2 : 1), uint8_t(bigEndian ? 2 : 1), 1 };
        std::copy(std::begin(ident), std::end(ident), out.begin());
        Put(16, 2, 2); // executable
        size_t fields = is64 ? 0x28 : 0x20;
        Put(fields, is64 ? 8 : 4, tableOffset);
        fields += is64 ? 8 : 4;
        Put(fields + 10, 2, entrySize);
        Put(fields + 12, 2, 3); // section count
        Put(fields + 14, 2, 2); // name table index
        std::copy(contents.begin(), contents.end(), out.begin() + static_cast<std::ptrdiff_t>(contentsOffset));
        std::copy(names.begin(), names.end(), out.begin() + static_cast<std::ptrdiff_t>(namesOffset));
        Section(tableOffset + entrySize, 1, type, contentsOffset, contents.size());
        Section(tableOffset + 2 * entrySize, 2 + name.size(), 3, namesOffset, names.size());
        return out;
    }

private:
    void Put(size_t offset, size_t size, uint64_t value)
    {
        for (size_t i = 0; i < size; ++i)
            out[offset + (bigEndian ? size - 1 - i : i)] = static_cast<uint8_t>(value >> (8 * i));
    }
    void Section(size_t at, size_t name, uint32_t type, size_t offset, size_t size)
    {
        Put(at, 4, name);
        Put(at + 4, 4, type);
        Put(at + (is64 ? 24 : 16), is64 ? 8 : 4, offset);
        Put(at + (is64 ? 32 : 20), is64 ? 8 : 4, size);
    }

    bool is64;
    bool bigEndian;
    std::vector<uint8_t> out;
};

class ElfFile : public ::testing::Test {
protected:
    void TearDown() override { unlink(path.c_str()); }
    bool Read(const std::vector<uint8_t>& file, std::vector<uint8_t>& contents, size_t maxSize = 1 << 20)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
            static_cast<std::streamsize>(file.size()));
        return ReadElfSection(path.c_str(), ".speckwash_version", maxSize, contents);
    }
    std::string path = "/tmp/speckwash-elf-test-" + std::to_string(getpid());
};

} // namespace

TEST_F(ElfFile, FindsTheSectionInEveryClassAndByteOrder)
{
    const std::vector<uint8_t> payload = { 1, 2, 3, 4, 5 };
    for (bool is64 : { false, true })
        for (bool bigEndian : { false, true }) {
            std::vector<uint8_t> contents;
            EXPECT_TRUE(Read(ElfWriter(is64, bigEndian).Build(".speckwash_version", payload), contents));
            EXPECT_EQ(contents, payload) << is64 << bigEndian;
        }
}

TEST_F(ElfFile, RefusesMissingEmptyAndDamagedSections)
{
    std::vector<uint8_t> contents;
    const std::vector<uint8_t> payload(64, 7);
    EXPECT_FALSE(Read(ElfWriter(true, false).Build(".speckwash_versio", payload), contents)) << "other name";
    EXPECT_FALSE(Read(ElfWriter(true, false).Build(".speckwash_version_x", payload), contents)) << "longer name";
    EXPECT_FALSE(Read(ElfWriter(true, false).Build(".speckwash_version", {}), contents)) << "empty";
    EXPECT_FALSE(Read(ElfWriter(true, false).Build(".speckwash_version", payload, 8), contents)) << "no bits";
    EXPECT_FALSE(Read(ElfWriter(true, false).Build(".speckwash_version", payload), contents, 63)) << "too big";
    EXPECT_TRUE(contents.empty());

    const std::vector<uint8_t> good = ElfWriter(true, false).Build(".speckwash_version", payload);
    for (size_t size = 0; size < good.size(); size += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(Read(cut, contents)) << size;
    }
    std::vector<uint8_t> badOffset = good;
    size_t table = good[0x28] | good[0x29] << 8; // section header table, 64-bit little-endian
    badOffset[table + 64 + 24 + 5] = 0x7F; // first real section's offset, far beyond the file
    EXPECT_FALSE(Read(badOffset, contents));
    std::vector<uint8_t> notElf = good;
    notElf[1] = 'e';
    EXPECT_FALSE(Read(notElf, contents));
}
