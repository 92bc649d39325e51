#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/image.h"
#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/sanity_gate.h"

namespace {

constexpr uint16_t kModeGreyscale = 1;
constexpr uint16_t kModeRgb = 3;
constexpr uint16_t kCompressionRaw = 0;
constexpr uint16_t kCompressionPackBits = 1;
// Signature, version, reserved bytes, channels, height, width, depth, mode.
constexpr size_t kHeaderBytes = 26;
// A two-byte PackBits run yields at most 128 bytes.
constexpr uint64_t kPackBitsMaxExpansion = 64;

// Fields are big-endian. The merged image comes after three sections that we
// skip by their lengths.
struct PsdHeader {
    uint16_t storedChannels = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint16_t depth = 0;
    uint16_t colourMode = 0;
};

bool ParseHeader(ByteCursor& cursor, PsdHeader& header)
{
    auto signature = cursor.Take(4);
    if (signature.empty() || std::memcmp(signature.data(), "8BPS", 4) != 0)
        return false;
    return cursor.Skip(2 + 6) // version, reserved
        && cursor.ReadBe16(header.storedChannels) && cursor.ReadBe32(header.height)
        && cursor.ReadBe32(header.width) && cursor.ReadBe16(header.depth)
        && cursor.ReadBe16(header.colourMode);
}

bool SkipSection(ByteCursor& cursor)
{
    uint32_t length = 0;
    return cursor.ReadBe32(length) && cursor.Skip(length);
}

// Photoshop stores 16-bit samples most significant byte first.
void BigEndianRowToMachine(uint8_t* row, size_t samples)
{
    for (size_t i = 0; i < samples; ++i) {
        uint16_t v = static_cast<uint16_t>(row[2 * i] << 8 | row[2 * i + 1]);
        std::memcpy(row + 2 * i, &v, 2);
    }
}

// Decodes one PackBits row; fails when a run would pass the end of the row,
// the input ends inside a run, or the row is left short.
bool UnpackBitsRow(std::span<const uint8_t> in, uint8_t* out, size_t rowBytes)
{
    size_t i = 0, written = 0;
    while (i < in.size()) {
        int control = static_cast<int8_t>(in[i++]);
        if (control == -128)
            continue;
        if (control >= 0) {
            size_t count = static_cast<size_t>(control) + 1;
            if (count > in.size() - i || count > rowBytes - written)
                return false;
            std::memcpy(out + written, in.data() + i, count);
            i += count;
            written += count;
        } else {
            size_t count = static_cast<size_t>(1 - control);
            if (i >= in.size() || count > rowBytes - written)
                return false;
            std::memset(out + written, in[i++], count);
            written += count;
        }
    }
    return written == rowBytes;
}

struct PlaneLayout {
    int channels; // channels we read, at most 4
    uint64_t height;
    uint64_t rowBytes;
};

FileResult ReadRawPlanes(ByteCursor& cursor, CImage& image, const PlaneLayout& layout)
{
    for (int c = 0; c < layout.channels; ++c) {
        auto plane = cursor.Take(layout.height * layout.rowBytes);
        // The gate sized the planes from the same layout; the bound also tells
        // the compiler the copy cannot be larger than an object may be.
        if (plane.empty() || plane.size() > static_cast<size_t>(PTRDIFF_MAX))
            return FileOpenFailed;
        std::memcpy(image.GetPlane(c), plane.data(), plane.size());
    }
    return FileOk;
}

FileResult ReadPackBitsPlanes(ByteCursor& cursor, ByteCursor counts, CImage& image, const PlaneLayout& layout)
{
    for (int c = 0; c < layout.channels; ++c) {
        auto* plane = static_cast<uint8_t*>(image.GetPlane(c));
        for (uint64_t y = 0; y < layout.height; ++y) {
            uint16_t count = 0;
            counts.ReadBe16(count);
            auto packed = cursor.Take(count);
            if (packed.size() != count)
                return FileOpenFailed;
            if (!UnpackBitsRow(packed, plane + y * layout.rowBytes, layout.rowBytes))
                return FileOpenFailed;
        }
    }
    return FileOk;
}

// Before allocating for PackBits data, make sure the rows we will read are in
// the file and could expand to a full row each: a header cannot then make us
// allocate far more than the file could ever fill.
FileResult CheckPackBitsCounts(ByteCursor counts, uint64_t available, const PlaneLayout& layout)
{
    uint64_t total = 0;
    for (uint64_t row = 0; row < uint64_t(layout.channels) * layout.height; ++row) {
        uint16_t count = 0;
        counts.ReadBe16(count);
        if (uint64_t(count) * kPackBitsMaxExpansion < layout.rowBytes)
            return FileOpenFailed;
        total += count;
    }
    return total <= available ? FileOk : FileOpenFailed;
}

// The image a header describes, before the sections are walked.
FileResult CheckHeader(const PsdHeader& header, PlaneLayout& layout, CImage& image)
{
    if ((header.depth != 8 && header.depth != 16)
        || (header.colourMode != kModeGreyscale && header.colourMode != kModeRgb))
        return FileBadArgument;
    int sampleType = header.depth == 16 ? SampleU16 : SampleU8;
    int bytesPerSample = CImage::BytesPerSample(sampleType);
    // Extra channels beyond the fourth (more alpha channels) are not read.
    int channels = header.storedChannels < 4 ? header.storedChannels : 4;
    if (FileResult gate = CheckImageGeometry(header.width, header.height, channels, bytesPerSample);
        gate != FileOk)
        return gate;
    layout = { channels, header.height, uint64_t(header.width) * bytesPerSample };
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.channelCount = channels;
    image.sampleType = sampleType;
    return FileOk;
}

// One count per row of every stored channel, read or not.
uint64_t CountTableBytes(const PsdHeader& header) { return uint64_t(header.storedChannels) * header.height * 2; }

// Whether the image data after the compression field can fill the planes:
// `counts` holds the row count table of PackBits data, `available` the bytes
// that follow it (or follow the compression field for raw data).
FileResult CheckImageData(uint16_t compression, const PlaneLayout& layout, ByteCursor counts, uint64_t available)
{
    if (compression == kCompressionRaw)
        return CheckDeclaredSize(layout.channels * layout.height * layout.rowBytes, available) != FileOk
            ? FileBadArgument
            : FileOk;
    if (compression == kCompressionPackBits)
        return CheckPackBitsCounts(counts, available, layout);
    return FileBadArgument;
}

} // namespace

FileResult DecodePsd(CImage& image, const uint8_t* data, size_t size)
{
    ByteCursor cursor(data, size);
    PsdHeader header;
    PlaneLayout layout {};
    if (!ParseHeader(cursor, header))
        return FileBadArgument;
    if (FileResult checked = CheckHeader(header, layout, image); checked != FileOk)
        return checked;
    uint16_t compression = 0;
    if (!(SkipSection(cursor) && SkipSection(cursor) && SkipSection(cursor) && cursor.ReadBe16(compression)))
        return FileBadArgument;
    ByteCursor counts;
    if (compression == kCompressionPackBits) {
        uint64_t tableBytes = CountTableBytes(header);
        if (CheckDeclaredSize(tableBytes, cursor.Remaining()) != FileOk)
            return FileBadArgument;
        counts = cursor.Sub(cursor.Position(), tableBytes);
        cursor.Skip(tableBytes);
    }
    if (FileResult check = CheckImageData(compression, layout, counts, cursor.Remaining()); check != FileOk)
        return check;
    const int channels = layout.channels;
    const int sampleType = image.sampleType;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    FileResult result = compression == kCompressionRaw ? ReadRawPlanes(cursor, image, layout)
                                                       : ReadPackBitsPlanes(cursor, counts, image, layout);
    if (result == FileOk && sampleType == SampleU16)
        for (int c = 0; c < channels; ++c)
            BigEndianRowToMachine(static_cast<uint8_t*>(image.GetPlane(c)), image.PixelCount());
    return result;
}

FileResult DecodePsdInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels)
{
    ByteCursor cursor(data, size);
    PsdHeader header;
    if (!ParseHeader(cursor, header) || header.width > INT32_MAX || header.height > INT32_MAX)
        return FileBadArgument;
    *width = static_cast<int>(header.width);
    *height = static_cast<int>(header.height);
    *channels = header.storedChannels;
    return FileOk;
}

FileResult ReadPsd(CImage& image, const char* path)
{
    FileBytes file;
    if (FileResult result = ReadFileBytes(path, file); result != FileOk)
        return result;
    return DecodePsd(image, file.data.get(), file.size);
}

FileResult ReadPsdInfo(const char* path, int* width, int* height, int* channels)
{
    uint8_t head[kHeaderBytes];
    size_t got = 0;
    uint64_t fileSize = 0;
    if (ReadFileHead(path, head, sizeof head, &got, &fileSize) != FileOk)
        return FileOpenFailed;
    return DecodePsdInfo(head, got, width, height, channels);
}

namespace {

// Reads `count` bytes at the file's position into `out`; false when it ends first.
bool ReadExactly(FILE* file, uint8_t* out, size_t count) { return std::fread(out, 1, count, file) == count; }

// The same walk as DecodePsd, with only the header, the section lengths and
// the row count table read from the file.
FileResult DescribePsdStream(FILE* file, uint64_t fileSize, CImage& image)
{
    uint8_t head[kHeaderBytes];
    PsdHeader header;
    PlaneLayout layout {};
    if (!ReadExactly(file, head, sizeof head))
        return FileBadArgument;
    ByteCursor headCursor(head, sizeof head);
    if (!ParseHeader(headCursor, header))
        return FileBadArgument;
    if (FileResult checked = CheckHeader(header, layout, image); checked != FileOk)
        return checked;
    uint64_t position = kHeaderBytes;
    for (int section = 0; section < 3; ++section) {
        uint8_t length[4];
        if (!ReadExactly(file, length, 4))
            return FileBadArgument;
        uint64_t skip = uint64_t(length[0]) << 24 | length[1] << 16 | length[2] << 8 | length[3];
        position += 4 + skip;
        if (position > fileSize || fseeko(file, static_cast<off_t>(position), SEEK_SET) != 0)
            return FileBadArgument;
    }
    uint8_t compressionBytes[2];
    if (!ReadExactly(file, compressionBytes, 2))
        return FileBadArgument;
    position += 2;
    const uint16_t compression = static_cast<uint16_t>(compressionBytes[0] << 8 | compressionBytes[1]);
    std::vector<uint8_t> table;
    if (compression == kCompressionPackBits) {
        uint64_t tableBytes = CountTableBytes(header);
        if (CheckDeclaredSize(tableBytes, fileSize - position) != FileOk)
            return FileBadArgument;
        table.resize(tableBytes);
        if (!ReadExactly(file, table.data(), table.size()))
            return FileBadArgument;
        position += tableBytes;
    }
    return CheckImageData(compression, layout, ByteCursor(table.data(), table.size()), fileSize - position);
}

} // namespace

FileResult DescribePsdFile(CImage& image, const char* path)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    int64_t size = OpenFileSize(file);
    FileResult result = size < 0 ? FileOpenFailed : DescribePsdStream(file, uint64_t(size), image);
    std::fclose(file);
    return result;
}
