#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/bmp_format.h"
#include "imagefiles/save_rows.h"

namespace {

void PutLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

uint32_t PixelsPerMetre(int dpi)
{
    if (dpi < bmp::kMinWrittenDpi || dpi > bmp::kMaxWrittenDpi)
        return 0;
    return static_cast<uint32_t>(std::lround(dpi * bmp::kInchesPerMetre));
}

void FillHeader(uint8_t* header, const SaveRows& image, uint32_t imageSize)
{
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, bmp::kHeadersSize + imageSize);
    PutLe32(header + 6, 0); // two reserved words
    PutLe32(header + 10, bmp::kHeadersSize);
    PutLe32(header + 14, bmp::kInfoHeaderSize);
    PutLe32(header + 18, static_cast<uint32_t>(image.width));
    PutLe32(header + 22, static_cast<uint32_t>(image.height)); // positive: rows bottom-up
    PutLe16(header + 26, 1);
    PutLe16(header + 28, 24);
    PutLe32(header + 30, 0);
    PutLe32(header + 34, imageSize);
    uint32_t ppm = PixelsPerMetre(image.resolutionDpi);
    PutLe32(header + 38, ppm);
    PutLe32(header + 42, ppm);
    PutLe32(header + 46, 0);
    PutLe32(header + 50, 0);
}

FileResult WriteBmpFile(const SaveRows& image, const char* path, size_t rowSize, uint32_t imageSize)
{
    // Zeroed once: the padding at the end of each row is never written over.
    std::unique_ptr<uint8_t, decltype(&std::free)> row(static_cast<uint8_t*>(std::calloc(rowSize, 1)), &std::free);
    if (!row)
        return FileNoMemory;
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return FileOpenFailed;
    uint8_t header[bmp::kHeadersSize];
    FillHeader(header, image, imageSize);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    // Samples are blue, green, red. One or two channels are grey (the second
    // is alpha, which BMP does not keep).
    static constexpr int kGrey[3] = { 0, 0, 0 };
    static constexpr int kBgr[3] = { 2, 1, 0 };
    const int* order = image.channelCount <= 2 ? kGrey : kBgr;
    for (int y = image.height - 1; ok && y >= 0; --y) {
        image.Row8(y, order, 3, row.get());
        ok = std::fwrite(row.get(), 1, rowSize, file) == rowSize;
    }
    ok = std::fclose(file) == 0 && ok;
    return ok ? FileOk : FileOpenFailed;
}

} // namespace

FileResult SaveBmp(const SaveRows& image, const char* path)
{
    if (!image.HasPixels() || image.width < 1 || image.height < 1 || !path)
        return FileBadArgument;
    // Each row is 3 bytes per pixel and then (width mod 4) bytes, which makes
    // it a multiple of 4.
    uint64_t rowSize = uint64_t(image.width) * 3 + image.width % 4;
    uint64_t imageSize = rowSize * uint64_t(image.height);
    if (imageSize > UINT32_MAX - bmp::kHeadersSize)
        return FileTooLarge; // the size fields cannot describe it
    return WriteAtomically(path, [&](const char* temporaryPath) {
        return WriteBmpFile(image, temporaryPath, static_cast<size_t>(rowSize), static_cast<uint32_t>(imageSize));
    });
}

FileResult SaveBmp(const CImage& image, const char* path) { return SaveBmp(ImageRows(image), path); }
