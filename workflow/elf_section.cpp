#include "workflow/elf_section.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint8_t kClass32 = 1;
constexpr uint8_t kClass64 = 2;
constexpr uint8_t kLittleEndian = 1;
constexpr uint8_t kBigEndian = 2;
constexpr uint32_t kNoBits = 8; // section type with no bytes in the file
constexpr uint32_t kExtendedIndex = 0xFFFF;
// Section header tables and name tables of real programs are a few
// kilobytes; more than this is not a program file.
constexpr uint64_t kMaxTableSize = 16u << 20;

// Field reader for the file's class and byte order.
struct ElfLayout {
    bool is64 = false;
    bool bigEndian = false;

    uint64_t Read(const uint8_t* bytes, size_t size) const
    {
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i)
            value |= static_cast<uint64_t>(bytes[bigEndian ? i : size - 1 - i]) << (8 * (size - 1 - i));
        return value;
    }
    uint64_t Word(const uint8_t* bytes) const { return Read(bytes, is64 ? 8 : 4); }
};

struct SectionHeader {
    uint32_t name = 0;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t link = 0;
};

class ElfFile {
public:
    explicit ElfFile(int fd)
        : fd(fd)
    {
    }

    bool ReadAt(uint64_t offset, size_t size, uint8_t* out) const
    {
        if (offset > fileSize || size > fileSize - offset)
            return false;
        size_t done = 0;
        while (done < size) {
            ssize_t got = pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

    bool ReadHeader()
    {
        struct stat info;
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        fileSize = static_cast<uint64_t>(info.st_size);
        uint8_t header[64];
        if (!ReadAt(0, 52, header) || std::memcmp(header, "\x7f" "ELF", 4) != 0)
            return false;
        if ((header[4] != kClass32 && header[4] != kClass64) || (header[5] != kLittleEndian && header[5] != kBigEndian))
            return false;
        layout.is64 = header[4] == kClass64;
        layout.bigEndian = header[5] == kBigEndian;
        if (layout.is64 && !ReadAt(0, 64, header))
            return false;
        const uint8_t* fields = header + (layout.is64 ? 0x28 : 0x20);
        tableOffset = layout.Word(fields);
        fields += layout.is64 ? 8 : 4;
        // After the table offset: flags (4), header size, program header entry
        // size and count (2 each), then the section header fields.
        entrySize = static_cast<uint16_t>(layout.Read(fields + 10, 2));
        count = static_cast<uint32_t>(layout.Read(fields + 12, 2));
        namesIndex = static_cast<uint32_t>(layout.Read(fields + 14, 2));
        if (tableOffset == 0 || entrySize < (layout.is64 ? 64 : 40))
            return false;
        // Very large tables keep their real count and name index in section 0.
        SectionHeader first;
        if (!Section(0, first))
            return false;
        if (count == 0)
            count = first.size > kMaxTableSize ? 0 : static_cast<uint32_t>(first.size);
        if (namesIndex == kExtendedIndex)
            namesIndex = first.link;
        return count > 0 && uint64_t(count) * entrySize <= kMaxTableSize && namesIndex < count;
    }

    bool Section(uint32_t index, SectionHeader& section) const
    {
        uint8_t entry[64];
        size_t used = layout.is64 ? 64 : 40;
        if (tableOffset > fileSize || uint64_t(index) * entrySize > fileSize - tableOffset
            || !ReadAt(tableOffset + uint64_t(index) * entrySize, used, entry))
            return false;
        section.name = static_cast<uint32_t>(layout.Read(entry, 4));
        section.type = static_cast<uint32_t>(layout.Read(entry + 4, 4));
        section.offset = layout.Word(entry + (layout.is64 ? 24 : 16));
        section.size = layout.Word(entry + (layout.is64 ? 32 : 20));
        section.link = static_cast<uint32_t>(layout.Read(entry + (layout.is64 ? 40 : 24), 4));
        return true;
    }

    bool Find(const char* name, SectionHeader& found) const
    {
        SectionHeader names;
        if (!Section(namesIndex, names) || names.type == kNoBits || names.size > kMaxTableSize)
            return false;
        std::vector<uint8_t> table(static_cast<size_t>(names.size));
        if (!ReadAt(names.offset, table.size(), table.data()))
            return false;
        size_t nameLength = std::strlen(name);
        for (uint32_t index = 1; index < count; ++index) {
            if (!Section(index, found))
                return false;
            if (found.name < table.size() && table.size() - found.name > nameLength
                && std::memcmp(&table[found.name], name, nameLength + 1) == 0)
                return true;
        }
        return false;
    }

private:
    int fd;
    uint64_t fileSize = 0;
    ElfLayout layout;
    uint64_t tableOffset = 0;
    uint16_t entrySize = 0;
    uint32_t count = 0;
    uint32_t namesIndex = 0;
};

} // namespace

bool ReadElfSection(const char* path, const char* name, size_t maxSize, std::vector<uint8_t>& contents)
{
    contents.clear();
    if (!path || !name)
        return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ElfFile file(fd);
    SectionHeader section;
    bool ok = file.ReadHeader() && file.Find(name, section) && section.type != kNoBits && section.size > 0
        && section.size <= maxSize;
    if (ok) {
        contents.resize(static_cast<size_t>(section.size));
        ok = file.ReadAt(section.offset, contents.size(), contents.data());
    }
    close(fd);
    if (!ok)
        contents.clear();
    return ok;
}
