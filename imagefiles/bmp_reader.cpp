#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/image.h"
#include "imagefiles/bmp_format.h"
#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/interleave.h"
#include "imagefiles/row_chunks.h"
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
    if (bitsPerPixel == 24) {
        uint8_t* const bgr[3] = { image.Plane8(2) + rowStart, image.Plane8(1) + rowStart, image.Plane8(0) + rowStart };
        DeinterleaveRow8(row, 3, size_t(image.width), bgr);
        return;
    }
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

// File rows [firstRow, firstRow + rows), stored one after another in `in`.
void DecodeBmpRows(const uint8_t* in, int firstRow, int rows, const BmpHeader& header, const Palette& palette,
    CImage& image)
{
    const uint64_t rowSize = bmp::RowSize(static_cast<uint64_t>(header.width), header.bitsPerPixel);
    for (int fileRow = firstRow; fileRow < firstRow + rows; ++fileRow, in += rowSize) {
        int y = header.topDown ? fileRow : image.height - 1 - fileRow;
        size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(image.width);
        if (PaletteEntries(header.bitsPerPixel))
            DecodeIndexedRow(in, header.bitsPerPixel, image, rowStart, palette);
        else
            DecodeDirectRow(in, header.bitsPerPixel, image, rowStart);
    }
}

bool IsSupportedDepth(uint16_t bitsPerPixel)
{
    return PaletteEntries(bitsPerPixel) > 0 || bitsPerPixel == 24 || bitsPerPixel == 48
        || bitsPerPixel == 96;
}

// Everything a decode sets except the planes, from the fixed headers at the
// start of `data` and the size of the whole file.
FileResult DescribeBmp(const uint8_t* data, size_t size, uint64_t fileSize, BmpHeader& header, CImage& image)
{
    if (!ParseHeader(ByteCursor(data, size), header))
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
    if (header.pixelDataOffset > fileSize
        || CheckDeclaredSize(rowSize * static_cast<uint64_t>(header.height), fileSize - header.pixelDataOffset)
            != FileOk)
        return FileBadArgument;
    image.channelCount = 3;
    image.sampleType = sampleType;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.resolutionDpi = static_cast<int>(std::floor(header.pixelsPerMetre * bmp::kMetresPerInch + 0.5));
    return FileOk;
}

} // namespace

FileResult DecodeBmp(CImage& image, const uint8_t* data, size_t size)
{
    BmpHeader header;
    if (FileResult described = DescribeBmp(data, size, size, header, image); described != FileOk)
        return described;
    Palette palette;
    ReadPalette(ByteCursor(data, size), header, palette);
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;

    DecodeBmpRows(data + header.pixelDataOffset, 0, image.height, header, palette, image);
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

namespace {

// The headers and palette of ordinary files lie in this much of their start.
constexpr size_t kStreamedHeadBytes = 2048;

// Rows a chunk at a time, straight from the file into the planes, for files
// whose headers and palette lie in `head`; no copy of the file is held.
FileResult StreamBmp(FILE* file, const uint8_t* head, size_t headSize, uint64_t fileSize, CImage& image)
{
    BmpHeader header;
    if (FileResult described = DescribeBmp(head, headSize, fileSize, header, image); described != FileOk)
        return described;
    Palette palette;
    ReadPalette(ByteCursor(head, headSize), header, palette);
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    const size_t rowSize = bmp::RowSize(static_cast<uint64_t>(header.width), header.bitsPerPixel);
    return ReadRowChunks(file, header.pixelDataOffset, rowSize, image.height,
        [&](const uint8_t* bytes, int firstRow, int rows) {
            DecodeBmpRows(bytes, firstRow, rows, header, palette, image);
        },
        1);
}

} // namespace

FileResult ReadBmp(CImage& image, const char* path)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    uint8_t head[kStreamedHeadBytes];
    const int64_t fileSize = OpenFileSize(file);
    const size_t got = std::fread(head, 1, sizeof head, file);
    BmpHeader header;
    // A palette beyond the head (a hostile header size) is read the plain way.
    const bool streamable = fileSize >= 0 && ParseHeader(ByteCursor(head, got), header)
        && uint64_t(bmp::kFileHeaderSize) + header.infoHeaderSize + 4 * 256 <= got;
    FileResult result = FileOpenFailed;
    if (streamable) {
        result = StreamBmp(file, head, got, uint64_t(fileSize), image);
    } else {
        FileBytes bytes;
        result = ReadFileBytes(path, bytes);
        if (result == FileOk)
            result = DecodeBmp(image, bytes.data.get(), bytes.size);
    }
    std::fclose(file);
    return result;
}

FileResult ReadBmpInfo(const char* path, int* width, int* height, int* channels)
{
    // Only the header is needed; never read a whole large bitmap for it.
    uint8_t head[bmp::kHeadersSize];
    size_t got = 0;
    uint64_t fileSize = 0;
    if (ReadFileHead(path, head, sizeof head, &got, &fileSize) != FileOk)
        return FileOpenFailed;
    return DecodeBmpInfo(head, got, width, height, channels);
}

FileResult DescribeBmpFile(CImage& image, const char* path)
{
    uint8_t head[bmp::kHeadersSize];
    size_t got = 0;
    uint64_t fileSize = 0;
    if (ReadFileHead(path, head, sizeof head, &got, &fileSize) != FileOk)
        return FileOpenFailed;
    BmpHeader header;
    return DescribeBmp(head, got, fileSize, header, image);
}
