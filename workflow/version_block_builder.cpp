#include "workflow/version_block_builder.h"

#include <cstdio>

#include "workflow/version_block.h"

namespace {

constexpr uint32_t kStructVersion = 0x00010000;
constexpr uint32_t kFlagsMask = 0x3F;
constexpr uint32_t kFileTypeApp = 1;

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Pad4(std::vector<uint8_t>& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

// UTF-8 to UTF-16 code units; bytes that are not UTF-8 become U+FFFD.
std::u16string Utf16(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next >> 6) == 2;
            code = code << 6 | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += static_cast<size_t>(extra) + 1;
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

void PutText(std::vector<uint8_t>& out, const std::u16string& text)
{
    for (char16_t unit : text)
        Put16(out, unit);
    Put16(out, 0);
}

// Writes a node's header and key, runs `body` for value and children, then
// patches the length. Returns false when the node outgrew 16 bits.
template <typename Body>
bool PutNode(std::vector<uint8_t>& out, const std::string& key, uint16_t valueLength, uint16_t type, Body body)
{
    Pad4(out);
    size_t start = out.size();
    Put16(out, 0);
    Put16(out, valueLength);
    Put16(out, type);
    PutText(out, Utf16(key));
    Pad4(out);
    if (!body())
        return false;
    size_t length = out.size() - start;
    if (length > 0xFFFF)
        return false;
    out[start] = static_cast<uint8_t>(length);
    out[start + 1] = static_cast<uint8_t>(length >> 8);
    return true;
}

void PutFixedInfo(std::vector<uint8_t>& out, const uint16_t parts[4])
{
    uint32_t high = static_cast<uint32_t>(parts[0]) << 16 | parts[1];
    uint32_t low = static_cast<uint32_t>(parts[2]) << 16 | parts[3];
    Put32(out, kFixedFileInfoSignature);
    Put32(out, kStructVersion);
    Put32(out, high); // file version
    Put32(out, low);
    Put32(out, high); // product version
    Put32(out, low);
    Put32(out, kFlagsMask);
    Put32(out, 0); // flags
    Put32(out, 0); // operating system: none the format names
    Put32(out, kFileTypeApp);
    Put32(out, 0); // subtype
    Put32(out, 0); // date, high
    Put32(out, 0); // date, low
}

bool PutStringTable(std::vector<uint8_t>& out, const VersionBlockContents::Table& table)
{
    char key[16];
    std::snprintf(key, sizeof key, "%04X%04X", table.language, table.codePage);
    return PutNode(out, key, 0, 1, [&] {
        for (const auto& [name, value] : table.strings) {
            std::u16string units = Utf16(value);
            if (units.size() + 1 > 0x7FFF)
                return false;
            bool ok = PutNode(out, name, static_cast<uint16_t>(units.size() + 1), 1, [&] {
                PutText(out, units);
                return true;
            });
            if (!ok)
                return false;
        }
        return true;
    });
}

} // namespace

std::vector<uint8_t> BuildVersionBlock(const VersionBlockContents& contents)
{
    std::vector<uint8_t> out;
    bool ok = PutNode(out, "VS_VERSION_INFO", kFixedFileInfoSize, 0, [&] {
        PutFixedInfo(out, contents.parts);
        bool tablesOk = PutNode(out, "StringFileInfo", 0, 1, [&] {
            for (const VersionBlockContents::Table& table : contents.tables)
                if (!PutStringTable(out, table))
                    return false;
            return true;
        });
        if (!tablesOk || contents.tables.size() > 0x3FFF)
            return false;
        return PutNode(out, "VarFileInfo", 0, 1, [&] {
            uint16_t size = static_cast<uint16_t>(contents.tables.size() * 4);
            return PutNode(out, "Translation", size, 0, [&] {
                for (const VersionBlockContents::Table& table : contents.tables)
                    Put32(out, static_cast<uint32_t>(table.codePage) << 16 | table.language);
                return true;
            });
        });
    });
    if (!ok)
        out.clear();
    return out;
}
