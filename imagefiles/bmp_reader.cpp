#include <cmath>
#include <cstring>

#include "image/image.h"
#include "imagefiles/bmp_format.h"
#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/sanity_gate.h"

namespace {

struct BmpHeader {
    uint32_t pixelDataOffset = 0;
    uint32_t infoHeaderSize = 0;
    int64_t width = 0;
    int64_t height = 0; // absolute value
    bool topDown = false; // a negative stored height
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t pixelsPerMetre = 0;
};

// Reads the fixed fields; false when the file is too short to hold them or
// does not begin with "BM".
bool ParseHeader(ByteCursor cursor, BmpHeader& header)
{
    uint8_t b = 0, m = 0;
    uint32_t width = 0, height = 0;
    if (!(cursor.ReadU8(b) && cursor.ReadU8(m)) || b != 'B' || m != 'M')
        return false;
    bool ok = cursor.Seek(bmp::kOffsetPixelData) && cursor.ReadLe32(header.pixelDataOffset)
        && cursor.Seek(bmp::kOffsetHeaderSize) && cursor.ReadLe32(header.infoHeaderSize)
        && cursor.Seek(bmp::kOffsetWidth) && cursor.ReadLe32(width)
        && cursor.Seek(bmp::kOffsetHeight) && cursor.ReadLe32(height)
        && cursor.Seek(bmp::kOffsetBitsPerPixel) && cursor.ReadLe16(header.bitsPerPixel)
        && cursor.Seek(bmp::kOffsetCompression) && cursor.ReadLe32(header.compression)
        && cursor.Seek(bmp::kOffsetPixelsPerMetreX) && cursor.ReadLe32(header.pixelsPerMetre);
    if (!ok)
        return false;
    header.width = static_cast<int32_t>(width);
    int64_t signedHeight = static_cast<int32_t>(height);
    header.topDown = signedHeight < 0;
    header.height = header.topDown ? -signedHeight : signedHeight;
    return true;
}

int PaletteEntries(uint16_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

struct Palette {
    uint8_t red[256] = {}, green[256] = {}, blue[256] = {};
};

// The palette follows the info header, whatever size that header has; with
// the 108- and 124-byte headers it starts well after byte 54. Entries that
// the file does not hold stay black: some writers store fewer than the depth
// allows (the colours-used count), and a small file may end before 256.
void ReadPalette(ByteCursor cursor, const BmpHeader& header, Palette& palette)
{
    int entries = PaletteEntries(header.bitsPerPixel);
    if (!cursor.Seek(uint64_t(bmp::kFileHeaderSize) + header.infoHeaderSize))
        return;
    for (int i = 0; i < entries; ++i) {
        uint8_t bgrx[4];
        if (!cursor.ReadBytes(bgrx, 4))
            return;
        palette.blue[i] = bgrx[0];
        palette.green[i] = bgrx[1];
        palette.red[i] = bgrx[2];
    }
}

void DecodeIndexedRow(const uint8_t* row, int bits, CImage& image, size_t rowStart, const Palette& palette)
{
    uint8_t* r = image.Plane8(0) + rowStart;
    uint8_t* g = image.Plane8(1) + rowStart;
    uint8_t* b = image.Plane8(2) + rowStart;
    int perByte = 8 / bits;
    int mask = (1 << bits) - 1;
    for (int x = 0; x < image.width; ++x) {
        // The leftmost pixel sits in the most significant bits.
        int shift = 8 - bits * (x % perByte + 1);
        int index = (row[x / perByte] >> shift) & mask;
        r[x] = palette.red[index];
        g[x] = palette.green[index];
        b[x] = palette.blue[index];
    }
}

void DecodeDirectRow(const uint8_t* row, int bitsPerPixel, CImage& image, size_t rowStart)
{
    for (int x = 0; x < image.width; ++x) {
        for (int c = 0; c < 3; ++c) {
            int plane = 2 - c; // stored blue, green, red
            if (bitsPerPixel == 24) {
                image.Plane8(plane)[rowStart + x] = row[3 * x + c];
            } else if (bitsPerPixel == 48) {
                const uint8_t* p = row + 6 * x + 2 * c;
                image.Plane16(plane)[rowStart + x] = static_cast<uint16_t>(p[0] | p[1] << 8);
            } else {
                const uint8_t* p = row + 12 * x + 4 * c;
                uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
                std::memcpy(image.PlaneFloat(plane) + rowStart + x, &bits, 4);
            }
        }
    }
}

bool IsSupportedDepth(uint16_t bitsPerPixel)
{
    return PaletteEntries(bitsPerPixel) > 0 || bitsPerPixel == 24 || bitsPerPixel == 48
        || bitsPerPixel == 96;
}

} // namespace

FileResult DecodeBmp(CImage& image, const uint8_t* data, size_t size)
{
    ByteCursor cursor(data, size);
    BmpHeader header;
    if (!ParseHeader(cursor, header))
        return FileBadArgument;
    if (header.compression != 0)
        return FileOpenFailed;
    if (!IsSupportedDepth(header.bitsPerPixel))
        return FileBadArgument;
    int sampleType = header.bitsPerPixel == 48 ? SampleU16
        : header.bitsPerPixel == 96            ? SampleFloat
                                               : SampleU8;
    if (FileResult gate = CheckImageGeometry(header.width, header.height, 3, CImage::BytesPerSample(sampleType));
        gate != FileOk)
        return gate;
    uint64_t rowSize = bmp::RowSize(static_cast<uint64_t>(header.width), header.bitsPerPixel);
    if (header.pixelDataOffset > size
        || CheckDeclaredSize(rowSize * static_cast<uint64_t>(header.height), size - header.pixelDataOffset) != FileOk)
        return FileBadArgument;

    Palette palette;
    ReadPalette(cursor, header, palette);
    image.channelCount = 3;
    image.sampleType = sampleType;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.resolutionDpi = static_cast<int>(std::floor(header.pixelsPerMetre * bmp::kMetresPerInch + 0.5));
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;

    const uint8_t* rows = data + header.pixelDataOffset;
    for (int fileRow = 0; fileRow < image.height; ++fileRow) {
        int y = header.topDown ? fileRow : image.height - 1 - fileRow;
        const uint8_t* row = rows + rowSize * static_cast<size_t>(fileRow);
        size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(image.width);
        if (PaletteEntries(header.bitsPerPixel))
            DecodeIndexedRow(row, header.bitsPerPixel, image, rowStart, palette);
        else
            DecodeDirectRow(row, header.bitsPerPixel, image, rowStart);
    }
    return FileOk;
}

FileResult DecodeBmpInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels)
{
    BmpHeader header;
    if (!ParseHeader(ByteCursor(data, size), header))
        return FileBadArgument;
    if (header.width > kMaxImageDimension || header.height > kMaxImageDimension)
        return FileBadArgument;
    *width = static_cast<int>(header.width);
    *height = static_cast<int>(header.height);
    *channels = 3;
    return FileOk;
}

FileResult ReadBmp(CImage& image, const char* path)
{
    FileBytes file;
    if (FileResult result = ReadFileBytes(path, file); result != FileOk)
        return result;
    return DecodeBmp(image, file.data.get(), file.size);
}

FileResult ReadBmpInfo(const char* path, int* width, int* height, int* channels)
{
    // Only the header is needed; never read a whole large bitmap for it.
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return FileOpenFailed;
    uint8_t head[bmp::kHeadersSize];
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return DecodeBmpInfo(head, got, width, height, channels);
}
