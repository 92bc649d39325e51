#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <cstring>

#include "image/image.h"
#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/interleave.h"
#include "imagefiles/row_chunks.h"
#include "imagefiles/sanity_gate.h"
#include "imagefiles/sixteen_bit_split.h"

namespace {

constexpr int kMaxSampleValue = 65535;
// The longest header we accept: magic and three numbers with generous spacing.
constexpr size_t kMaxHeaderBytes = 4096;

struct PnmHeader {
    int width = 0;
    int height = 0;
    int maxValue = 0;
    size_t dataOffset = 0; // first byte after the single separator character
};

// Skips whitespace, then reads an optionally signed decimal integer. Values
// beyond int are a parse failure rather than undefined behaviour.
bool ParseInt(ByteCursor& cursor, int& value)
{
    uint8_t c = 0;
    while (cursor.Rest().size() && std::isspace(cursor.Rest()[0]))
        cursor.Skip(1);
    bool negative = false;
    if (cursor.Rest().size() && (cursor.Rest()[0] == '-' || cursor.Rest()[0] == '+')) {
        negative = cursor.Rest()[0] == '-';
        cursor.Skip(1);
    }
    int64_t v = 0;
    int digits = 0;
    while (cursor.Rest().size() && std::isdigit(cursor.Rest()[0])) {
        cursor.ReadU8(c);
        v = v * 10 + (c - '0');
        if (v > INT32_MAX)
            return false;
        ++digits;
    }
    value = static_cast<int>(negative ? -v : v);
    return digits > 0;
}

// The header is the magic, width, height and maximum value separated by any
// whitespace, then exactly one character before the samples. Comment lines
// are not part of the form we accept: a '#' where a number belongs fails.
FileResult ParseHeader(ByteCursor cursor, char magicDigit, PnmHeader& header)
{
    uint8_t p = 0, digit = 0, separator = 0;
    if (!(cursor.ReadU8(p) && cursor.ReadU8(digit)) || p != 'P' || digit != magicDigit)
        return FileBadArgument;
    if (!(ParseInt(cursor, header.width) && ParseInt(cursor, header.height) && ParseInt(cursor, header.maxValue)
            && cursor.ReadU8(separator)))
        return FileBadArgument;
    if (header.width <= 0 || header.height <= 0)
        return FileBadArgument;
    if (header.maxValue < 1 || header.maxValue > kMaxSampleValue)
        return FileBadArgument;
    header.dataOffset = cursor.Position();
    return FileOk;
}

char MagicDigit(int channels) { return channels == 3 ? '6' : '5'; }

// Everything a decode sets except the planes, from the header at the start
// of `data` and the size of the whole file.
FileResult DescribePnm(const uint8_t* data, size_t size, uint64_t fileSize, int channels, PnmHeader& header,
    CImage& image)
{
    if (channels != 1 && channels != 3)
        return FileBadArgument;
    ByteCursor cursor(data, size < kMaxHeaderBytes ? size : kMaxHeaderBytes);
    if (FileResult result = ParseHeader(cursor, MagicDigit(channels), header); result != FileOk)
        return result;
    int sampleType = header.maxValue >= 256 ? SampleU16 : SampleU8;
    int bytesPerSample = CImage::BytesPerSample(sampleType);
    if (FileResult gate = CheckImageGeometry(header.width, header.height, channels, bytesPerSample);
        gate != FileOk)
        return gate;
    uint64_t samples = uint64_t(header.width) * uint64_t(header.height);
    if (header.dataOffset > fileSize
        || CheckDeclaredSize(samples * channels * bytesPerSample, fileSize - header.dataOffset) != FileOk)
        return FileBadArgument;
    image.width = header.width;
    image.height = header.height;
    image.channelCount = channels;
    image.sampleType = sampleType;
    return FileOk;
}

size_t PnmRowBytes(const CImage& image)
{
    return size_t(image.width) * image.channelCount * CImage::BytesPerSample(image.sampleType);
}

// Samples are interleaved per pixel, 16-bit ones most significant byte
// first; they keep their values (no scaling to the maximum). A split load
// (non-null `split`) sends 16-bit rows to the split planes instead.
void DecodePnmRows(const uint8_t* in, int firstRow, int rows, CImage& image, SixteenBitSplit* split)
{
    const size_t width = size_t(image.width);
    const size_t rowBytes = PnmRowBytes(image);
    for (int y = firstRow; y < firstRow + rows; ++y, in += rowBytes) {
        const size_t rowStart = size_t(y) * width;
        if (split) {
            SplitBigEndianRow(*split, y, in, image.channelCount);
        } else if (image.sampleType == SampleU8) {
            uint8_t* planes[3] = {};
            for (int c = 0; c < image.channelCount; ++c)
                planes[c] = image.Plane8(c) + rowStart;
            DeinterleaveRow8(in, image.channelCount, width, planes);
        } else {
            uint16_t* planes[3] = {};
            for (int c = 0; c < image.channelCount; ++c)
                planes[c] = image.Plane16(c) + rowStart;
            DeinterleaveRowBigEndian16(in, image.channelCount, width, planes);
        }
    }
}

// The planes for a described image: its own, or for a 16-bit image loaded
// for work, the split ones (then `split.done` is set). False when short of memory.
bool AllocatePnmPlanes(CImage& image, SixteenBitSplit* split)
{
    if (split && image.sampleType == SampleU16) {
        split->done = AllocateSplitPlanes(*split, image);
        return split->done;
    }
    image.AllocatePlanes();
    return image.HasPlanes();
}

// The samples a chunk of rows at a time, straight from the file into the
// planes: no copy of the whole file is ever held.
FileResult StreamPnm(FILE* file, size_t dataOffset, CImage& image, SixteenBitSplit* split)
{
    return ReadRowChunks(file, dataOffset, PnmRowBytes(image), image.height,
        [&](const uint8_t* bytes, int firstRow, int rows) { DecodePnmRows(bytes, firstRow, rows, image, split); });
}

} // namespace

FileResult DecodePnm(CImage& image, const uint8_t* data, size_t size, int channels, SixteenBitSplit* split)
{
    PnmHeader header;
    if (FileResult described = DescribePnm(data, size, size, channels, header, image); described != FileOk)
        return described;
    if (!AllocatePnmPlanes(image, split))
        return FileNoMemory;
    DecodePnmRows(data + header.dataOffset, 0, image.height, image, split && split->done ? split : nullptr);
    return FileOk;
}

FileResult DecodePnmInfo(const uint8_t* data, size_t size, int channels, int* width, int* height)
{
    PnmHeader header;
    ByteCursor cursor(data, size < kMaxHeaderBytes ? size : kMaxHeaderBytes);
    if (FileResult result = ParseHeader(cursor, MagicDigit(channels), header); result != FileOk)
        return result;
    *width = header.width;
    *height = header.height;
    return FileOk;
}

namespace {

FileResult ReadPnm(CImage& image, const char* path, int channels, SixteenBitSplit* split)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    uint8_t head[kMaxHeaderBytes];
    const int64_t fileSize = OpenFileSize(file);
    const size_t got = std::fread(head, 1, sizeof head, file);
    PnmHeader header;
    FileResult result = fileSize < 0 ? FileOpenFailed
                                     : DescribePnm(head, got, uint64_t(fileSize), channels, header, image);
    if (result == FileOk) {
        result = AllocatePnmPlanes(image, split)
            ? StreamPnm(file, header.dataOffset, image, split && split->done ? split : nullptr)
            : FileNoMemory;
    }
    std::fclose(file);
    return result;
}

FileResult DescribePnmFile(CImage& image, const char* path, int channels)
{
    uint8_t head[kMaxHeaderBytes];
    size_t got = 0;
    uint64_t fileSize = 0;
    if (ReadFileHead(path, head, sizeof head, &got, &fileSize) != FileOk)
        return FileOpenFailed;
    PnmHeader header;
    return DescribePnm(head, got, fileSize, channels, header, image);
}

FileResult ReadPnmInfo(const char* path, int channels, int* width, int* height, int* channelsOut)
{
    uint8_t head[kMaxHeaderBytes];
    size_t got = 0;
    uint64_t fileSize = 0;
    if (ReadFileHead(path, head, sizeof head, &got, &fileSize) != FileOk)
        return FileOpenFailed;
    FileResult result = DecodePnmInfo(head, got, channels, width, height);
    if (result == FileOk)
        *channelsOut = channels;
    return result;
}

} // namespace

FileResult ReadPgm(CImage& image, const char* path) { return ReadPnm(image, path, 1, nullptr); }
FileResult ReadPpm(CImage& image, const char* path) { return ReadPnm(image, path, 3, nullptr); }
FileResult ReadPgmSplitting(CImage& image, const char* path, SixteenBitSplit& split)
{
    return ReadPnm(image, path, 1, &split);
}
FileResult ReadPpmSplitting(CImage& image, const char* path, SixteenBitSplit& split)
{
    return ReadPnm(image, path, 3, &split);
}

FileResult DescribePgmFile(CImage& image, const char* path) { return DescribePnmFile(image, path, 1); }
FileResult DescribePpmFile(CImage& image, const char* path) { return DescribePnmFile(image, path, 3); }

FileResult ReadPgmInfo(const char* path, int* width, int* height, int* channels)
{
    return ReadPnmInfo(path, 1, width, height, channels);
}

FileResult ReadPpmInfo(const char* path, int* width, int* height, int* channels)
{
    return ReadPnmInfo(path, 3, width, height, channels);
}
