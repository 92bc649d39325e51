#include "workflow/version_info.h"

#include <cstdio>
#include <dlfcn.h>
#include <link.h>
#include <vector>

#include "workflow/elf_section.h"
#include "workflow/user_language.h"
#include "workflow/version_block.h"

namespace {

// The block's lengths are 16-bit, so no block is longer than this.
constexpr size_t kMaxBlockSize = 0x10000;
// Padding the linker or a sanitizer may add after the block.
constexpr size_t kMaxSectionSize = 2 * kMaxBlockSize;

const char* const kStringNames[VersionStringCount] = {
    "CompanyName",
    "FileDescription",
    "FileVersion",
    "InternalName",
    "LegalCopyright",
    "OriginalFileName",
    "ProductName",
    "ProductVersion",
    "Comments",
    "LegalTrademarks",
    "PrivateBuild",
    "SpecialBuild",
};

uint32_t Le32(std::span<const uint8_t> bytes, size_t offset)
{
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8
        | static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace

int ChooseTranslation(std::span<const uint32_t> translations, uint16_t userLanguage)
{
    auto find = [&](auto matches) {
        for (size_t i = 0; i < translations.size(); ++i)
            if (matches(static_cast<uint16_t>(translations[i] & 0xFFFF)))
                return static_cast<int>(i);
        return -1;
    };
    int index = find([&](uint16_t language) { return language == userLanguage; });
    if (index < 0)
        index = find([&](uint16_t language) { return (language & 0xFF) == (userLanguage & 0xFF); });
    if (index < 0)
        index = find([](uint16_t language) { return language == 0 || (language & 0xFF) == 0; });
    if (index < 0)
        index = find([](uint16_t language) { return (language & 0xFF) == 9; });
    if (index < 0 && !translations.empty())
        index = 0;
    return index;
}

FileVersionInfo::FileVersionInfo()
{
    Reset();
}

void FileVersionInfo::Reset()
{
    for (uint16_t& part : parts)
        part = 0;
    for (std::string& text : strings)
        text.clear();
    language = 0;
    codePage = 0;
}

bool FileVersionInfo::LoadFromModule(void* module)
{
    if (!module)
        return LoadFromFile("/proc/self/exe");
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) {
        Reset();
        return false;
    }
    // The program itself (dlopen of null) is listed without a name.
    return LoadFromFile(*map->l_name ? map->l_name : "/proc/self/exe");
}

bool FileVersionInfo::LoadFromFile(const char* path)
{
    Reset();
    std::vector<uint8_t> section;
    if (!ReadElfSection(path, kVersionSectionName, kMaxSectionSize, section))
        return false;
    return LoadFromBlock(section, UserDefaultLanguage());
}

bool FileVersionInfo::LoadFromBlock(std::span<const uint8_t> bytes, uint16_t userLanguage)
{
    Reset();
    VersionBlock block;
    if (!block.Parse(bytes))
        return false;
    std::span<const uint8_t> value;
    uint16_t type = 0;
    if (block.Query("\\", value, type) && value.size() == kFixedFileInfoSize) {
        uint32_t high = Le32(value, 8);
        uint32_t low = Le32(value, 12);
        parts[3] = static_cast<uint16_t>(high >> 16);
        parts[2] = static_cast<uint16_t>(high);
        parts[1] = static_cast<uint16_t>(low >> 16);
        parts[0] = static_cast<uint16_t>(low);
    }
    std::vector<uint32_t> translations;
    if (block.Query("\\VarFileInfo\\Translation", value, type))
        for (size_t offset = 0; offset + 4 <= value.size(); offset += 4)
            translations.push_back(Le32(value, offset));
    int chosen = ChooseTranslation(translations, userLanguage);
    if (chosen < 0)
        return true;
    language = static_cast<uint16_t>(translations[static_cast<size_t>(chosen)]);
    codePage = static_cast<uint16_t>(translations[static_cast<size_t>(chosen)] >> 16);
    for (int i = 0; i < VersionStringCount; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\%s", language, codePage, kStringNames[i]);
        if (block.Query(path, value, type))
            strings[static_cast<size_t>(i)] = Utf16ToUtf8(value);
    }
    return true;
}

uint16_t FileVersionInfo::Part(int i) const
{
    return (i >= 0 && i < 4) ? parts[i] : 0;
}

const std::string& FileVersionInfo::String(VersionString which) const
{
    static const std::string empty;
    return (which >= 0 && which < VersionStringCount) ? strings[static_cast<size_t>(which)] : empty;
}

const char* FileVersionInfo::StringName(VersionString which)
{
    return (which >= 0 && which < VersionStringCount) ? kStringNames[which] : "";
}
