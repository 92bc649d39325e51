#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Name of the ELF section that carries an executable's version information.
inline constexpr const char* kVersionSectionName = ".speckwash_version";

// The twelve strings of a version information block, in this order.
enum VersionString : int {
    VersionCompanyName,
    VersionFileDescription,
    VersionFileVersion,
    VersionInternalName,
    VersionLegalCopyright,
    VersionOriginalFileName,
    VersionProductName,
    VersionProductVersion,
    VersionComments,
    VersionLegalTrademarks,
    VersionPrivateBuild,
    VersionSpecialBuild,
    VersionStringCount
};

// Version information of an executable: the fixed version in four parts and
// the twelve strings of the translation that suits the user best. A file
// without version information reads as version 0.0.0.0 with empty strings.
class FileVersionInfo {
public:
    FileVersionInfo();

    // The file of a module opened with dlopen; null is the running program.
    bool LoadFromModule(void* module = nullptr);
    bool LoadFromFile(const char* path);
    // The block itself, for a given user language; what both loads end in.
    bool LoadFromBlock(std::span<const uint8_t> block, uint16_t userLanguage);

    // 0 revision, 1 build, 2 minor, 3 major; 0 for any other i.
    uint16_t Part(int i) const;
    const std::string& String(VersionString which) const;
    // The translation whose strings were read (language, code page).
    uint16_t Language() const { return language; }
    uint16_t CodePage() const { return codePage; }

    static const char* StringName(VersionString which);

private:
    void Reset();

    uint16_t parts[4]; // revision, build, minor, major
    std::array<std::string, VersionStringCount> strings; // UTF-8
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// Index of the translation to read, in order of preference: the user's
// language; the same primary language (low byte); a neutral language (0 or
// low byte 0); English (low byte 9); the first one. -1 for an empty list.
int ChooseTranslation(std::span<const uint32_t> translations, uint16_t userLanguage);
