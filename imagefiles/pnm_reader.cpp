#include <cctype>
#include <cstring>

#include "image/image.h"
#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/sanity_gate.h"

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

} // namespace

FileResult DecodePnm(CImage& image, const uint8_t* data, size_t size, int channels)
{
    if (channels != 1 && channels != 3)
        return FileBadArgument;
    PnmHeader header;
    ByteCursor cursor(data, size < kMaxHeaderBytes ? size : kMaxHeaderBytes);
    if (FileResult result = ParseHeader(cursor, MagicDigit(channels), header); result != FileOk)
        return result;
    int sampleType = header.maxValue >= 256 ? SampleU16 : SampleU8;
    int bytesPerSample = CImage::BytesPerSample(sampleType);
    if (FileResult gate = CheckImageGeometry(header.width, header.height, channels, bytesPerSample);
        gate != FileOk)
        return gate;
    uint64_t samples = uint64_t(header.width) * uint64_t(header.height);
    if (CheckDeclaredSize(samples * channels * bytesPerSample, size - header.dataOffset) != FileOk)
        return FileBadArgument;

    image.width = header.width;
    image.height = header.height;
    image.channelCount = channels;
    image.sampleType = sampleType;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    // Samples are interleaved per pixel, 16-bit ones most significant byte
    // first; they keep their values (no scaling to the maximum).
    const uint8_t* in = data + header.dataOffset;
    for (size_t i = 0; i < samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            if (sampleType == SampleU8) {
                image.Plane8(c)[i] = *in++;
            } else {
                image.Plane16(c)[i] = static_cast<uint16_t>(in[0] << 8 | in[1]);
                in += 2;
            }
        }
    }
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

FileResult ReadPnm(CImage& image, const char* path, int channels)
{
    FileBytes file;
    if (FileResult result = ReadFileBytes(path, file); result != FileOk)
        return result;
    return DecodePnm(image, file.data.get(), file.size, channels);
}

FileResult ReadPnmInfo(const char* path, int channels, int* width, int* height, int* channelsOut)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return FileOpenFailed;
    uint8_t head[kMaxHeaderBytes];
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    FileResult result = DecodePnmInfo(head, got, channels, width, height);
    if (result == FileOk)
        *channelsOut = channels;
    return result;
}

} // namespace

FileResult ReadPgm(CImage& image, const char* path) { return ReadPnm(image, path, 1); }
FileResult ReadPpm(CImage& image, const char* path) { return ReadPnm(image, path, 3); }

FileResult ReadPgmInfo(const char* path, int* width, int* height, int* channels)
{
    return ReadPnmInfo(path, 1, width, height, channels);
}

FileResult ReadPpmInfo(const char* path, int* width, int* height, int* channels)
{
    return ReadPnmInfo(path, 3, width, height, channels);
}
