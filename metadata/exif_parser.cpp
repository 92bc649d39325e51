#include "metadata/exif_parser.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "metadata/byte_view.h"

namespace {

constexpr uint16_t kTagModel = 272;
constexpr uint16_t kTagExifDirectory = 0x8769;
constexpr uint16_t kTagInteroperabilityDirectory = 0xA005;
constexpr int kMaxDirectoryDepth = 4;
constexpr uint64_t kEntrySize = 12;

// Bytes per component of the TIFF field types 0 to 12; type 0 takes no room.
constexpr uint8_t kTypeSizes[13] = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8 };

struct ExifWalk {
    CByteView tiff; // from the TIFF header to the end of the segment
    bool bigEndian = false;
    std::string* model = nullptr;
    // Directories already read: a hostile block can point directories at each
    // other, and without this a few entries would multiply into a huge walk.
    std::set<uint32_t> visited;
};

void ParseDirectory(ExifWalk& walk, uint32_t offset, int depth);

void ParseEntry(ExifWalk& walk, uint64_t entryOffset, int depth)
{
    uint16_t tag = 0, type = 0;
    uint32_t count = 0, valueField = 0;
    if (!walk.tiff.U16(entryOffset, walk.bigEndian, tag) || !walk.tiff.U16(entryOffset + 2, walk.bigEndian, type)
        || !walk.tiff.U32(entryOffset + 4, walk.bigEndian, count)
        || !walk.tiff.U32(entryOffset + 8, walk.bigEndian, valueField))
        return;
    if (type > 12)
        return;
    uint64_t size = uint64_t(count) * kTypeSizes[type];
    uint64_t valueOffset = size > 4 ? valueField : entryOffset + 8;
    if (!walk.tiff.Contains(valueOffset, size))
        return;

    if (tag == kTagModel) {
        const char* text = reinterpret_cast<const char*>(walk.tiff.Data() + valueOffset);
        size_t length = strnlen(text, static_cast<size_t>(std::min<uint64_t>(size, kMaxCameraModelLength)));
        walk.model->assign(text, length);
    } else if (tag == kTagExifDirectory || tag == kTagInteroperabilityDirectory) {
        if (valueField < walk.tiff.Size())
            ParseDirectory(walk, valueField, depth + 1);
    }
}

void ParseDirectory(ExifWalk& walk, uint32_t offset, int depth)
{
    if (depth > kMaxDirectoryDepth || !walk.visited.insert(offset).second)
        return;
    uint16_t entryCount = 0;
    if (!walk.tiff.U16(offset, walk.bigEndian, entryCount))
        return;
    uint64_t entriesStart = uint64_t(offset) + 2;
    if (!walk.tiff.Contains(entriesStart, entryCount * kEntrySize))
        return;
    for (uint32_t i = 0; i < entryCount; ++i)
        ParseEntry(walk, entriesStart + i * kEntrySize, depth);
    uint32_t next = 0;
    if (walk.tiff.U32(entriesStart + entryCount * kEntrySize, walk.bigEndian, next) && next != 0
        && next < walk.tiff.Size())
        ParseDirectory(walk, next, depth + 1);
}

} // namespace

bool ParseExifModel(std::span<const uint8_t> app1Payload, std::string& model)
{
    static constexpr uint8_t kExifHeader[6] = { 'E', 'x', 'i', 'f', 0, 0 };
    if (app1Payload.size() < sizeof kExifHeader || std::memcmp(app1Payload.data(), kExifHeader, sizeof kExifHeader) != 0)
        return false;
    ExifWalk walk;
    walk.tiff = CByteView(app1Payload.subspan(sizeof kExifHeader));
    if (walk.tiff.Size() < 8)
        return false;
    const uint8_t* header = walk.tiff.Data();
    if (header[0] == 'I' && header[1] == 'I')
        walk.bigEndian = false;
    else if (header[0] == 'M' && header[1] == 'M')
        walk.bigEndian = true;
    else
        return false;
    uint16_t magic = 0;
    uint32_t firstDirectory = 0;
    if (!walk.tiff.U16(2, walk.bigEndian, magic) || magic != 42 || !walk.tiff.U32(4, walk.bigEndian, firstDirectory))
        return false;
    walk.model = &model;
    ParseDirectory(walk, firstDirectory, 0);
    return true;
}
