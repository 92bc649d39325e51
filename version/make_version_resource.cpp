// Build-time tool: writes the C++ source that places the program's version
// information block in its own ELF section, and optionally the bare block.
//
//   make_version_resource --output FILE.cpp --section NAME --version 1.0.2.0
//       [--translation 0409:04B0] [--string Name=Value]... [--binary FILE.bin]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "workflow/version_block_builder.h"

namespace {

bool ParseVersion(const char* text, uint16_t parts[4])
{
    unsigned values[4] = {};
    int read = std::sscanf(text, "%u.%u.%u.%u", &values[0], &values[1], &values[2], &values[3]);
    if (read < 2)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (values[i] > 0xFFFF)
            return false;
        parts[i] = static_cast<uint16_t>(values[i]);
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& contents)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    return std::fclose(file) == 0 && ok;
}

std::string SourceFor(const std::vector<uint8_t>& block, const std::string& section)
{
    std::string out = "// Generated at build time from the project version; do not edit.\n"
                      "// The block is found by section name, so nothing refers to it: `used`\n"
                      "// keeps the compiler from dropping it.\n"
                      "__attribute__((section(\""
        + section + "\"), used, aligned(4)))\nextern const unsigned char speckwashVersionBlock[] = {";
    char byte[16];
    for (size_t i = 0; i < block.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%s0x%02x,", i % 12 == 0 ? "\n    " : " ", block[i]);
        out += byte;
    }
    out += "\n};\n";
    return out;
}

int Usage()
{
    std::fprintf(stderr, "usage: make_version_resource --output FILE.cpp --section NAME --version A.B.C.D "
                         "[--translation LLLL:CCCC] [--string Name=Value]... [--binary FILE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    VersionBlockContents contents;
    VersionBlockContents::Table table;
    std::string output, section, binary;
    bool versionSeen = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* option = argv[i];
        const char* value = argv[i + 1];
        if (!std::strcmp(option, "--output")) {
            output = value;
        } else if (!std::strcmp(option, "--section")) {
            section = value;
        } else if (!std::strcmp(option, "--binary")) {
            binary = value;
        } else if (!std::strcmp(option, "--version")) {
            versionSeen = ParseVersion(value, contents.parts);
        } else if (!std::strcmp(option, "--translation")) {
            unsigned language = 0, codePage = 0;
            if (std::sscanf(value, "%x:%x", &language, &codePage) != 2 || language > 0xFFFF || codePage > 0xFFFF)
                return Usage();
            table.language = static_cast<uint16_t>(language);
            table.codePage = static_cast<uint16_t>(codePage);
        } else if (!std::strcmp(option, "--string")) {
            const char* equals = std::strchr(value, '=');
            if (!equals)
                return Usage();
            table.strings.emplace_back(std::string(value, equals), std::string(equals + 1));
        } else {
            return Usage();
        }
    }
    if (argc % 2 == 0 || output.empty() || section.empty() || !versionSeen)
        return Usage();
    contents.tables.push_back(table);
    std::vector<uint8_t> block = BuildVersionBlock(contents);
    if (block.empty()) {
        std::fprintf(stderr, "make_version_resource: the version information does not fit a block\n");
        return 1;
    }
    if (!WriteFile(output, SourceFor(block, section))
        || (!binary.empty() && !WriteFile(binary, std::string(block.begin(), block.end())))) {
        std::fprintf(stderr, "make_version_resource: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
