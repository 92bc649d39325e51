#include <cstring>

#include "image/image.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/raw_scan.h"
#include "imagefiles/sanity_gate.h"

namespace {

constexpr int kMaxViews = 4;
// 16-bit lines hold seven leading samples that keep their value; the scanner
// stores the image samples two bits down, so the rest are shifted back up.
constexpr int kUnshiftedSamples = 7;
constexpr int kSampleShift = 2;

int SampleTypeFor(int bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 2:
        return SampleU16;
    case 4:
        return SampleFloat;
    default:
        return SampleU8; // anything unknown is read as bytes
    }
}

struct RawScanGeometry {
    int sampleType;
    int bytesPerSample;
    int64_t statusSamples;
    int64_t lineSamples;
    int storedViews; // views per line in the file
    int channels; // views we read
};

RawScanGeometry GeometryOf(const RawScanHeader& header)
{
    RawScanGeometry g {};
    g.sampleType = SampleTypeFor(header.bytesPerPixel);
    g.bytesPerSample = CImage::BytesPerSample(g.sampleType);
    g.statusSamples = header.statusBytes / g.bytesPerSample;
    g.lineSamples = g.statusSamples + header.imagePixels;
    g.storedViews = RawScanViewNames(header);
    g.channels = g.storedViews < kMaxViews ? g.storedViews : kMaxViews;
    return g;
}

void CopyLine(const uint8_t* in, const RawScanGeometry& g, CImage& image, int channel, size_t rowStart)
{
    size_t count = static_cast<size_t>(g.lineSamples);
    if (g.sampleType == SampleU8) {
        std::memcpy(image.Plane8(channel) + rowStart, in, count);
    } else if (g.sampleType == SampleU16) {
        uint16_t* out = image.Plane16(channel) + rowStart;
        for (size_t i = 0; i < count; ++i) {
            auto v = static_cast<uint16_t>(in[2 * i] | in[2 * i + 1] << 8);
            out[i] = i < kUnshiftedSamples ? v : static_cast<uint16_t>(v << kSampleShift);
        }
    } else {
        float* out = image.PlaneFloat(channel) + rowStart;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = in + 4 * i;
            uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
            std::memcpy(out + i, &bits, 4);
        }
    }
}

} // namespace

namespace {

// Everything a decode sets except the planes, from the parsed header and the
// size of the whole file.
FileResult DescribeRawScan(const RawScanHeader& header, uint64_t fileSize, CImage& image)
{
    RawScanGeometry g = GeometryOf(header);
    if (header.statusBytes < 0 || header.imagePixels < 0 || header.headerLength < 0)
        return FileBadArgument;
    // A scan without lines is a valid, empty file; the caller rejects it as
    // too small, like any tiny image.
    if (FileResult gate = CheckImageGeometry(g.lineSamples, header.totalColumns, g.channels, g.bytesPerSample, 0);
        gate != FileOk)
        return gate;
    // Every line holds all stored views; we read the first four and step over
    // the others. The last line's unread views need not be present.
    uint64_t viewBytes = uint64_t(g.lineSamples) * g.bytesPerSample;
    uint64_t lineBytes = viewBytes * g.storedViews;
    uint64_t needed = header.totalColumns ? lineBytes * (header.totalColumns - 1) + viewBytes * g.channels : 0;
    if (uint64_t(header.headerLength) > fileSize
        || CheckDeclaredSize(needed, fileSize - header.headerLength) != FileOk)
        return FileBadArgument;
    image.sampleType = g.sampleType;
    image.marginWidth = static_cast<int>(g.statusSamples);
    image.marginSide = 0;
    image.width = static_cast<int>(g.lineSamples);
    image.height = header.totalColumns;
    image.channelCount = g.channels;
    return FileOk;
}

} // namespace

FileResult DecodeRawScan(CImage& image, const uint8_t* data, size_t size)
{
    RawScanHeader header;
    if (!ParseRawScanHeader(data, size, header))
        return FileBadArgument;
    if (FileResult described = DescribeRawScan(header, size, image); described != FileOk)
        return described;
    const RawScanGeometry g = GeometryOf(header);
    const uint64_t viewBytes = uint64_t(g.lineSamples) * g.bytesPerSample;
    const uint64_t lineBytes = viewBytes * g.storedViews;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    const uint8_t* lines = data + header.headerLength;
    for (int y = 0; y < image.height; ++y)
        for (int c = 0; c < g.channels; ++c)
            CopyLine(lines + lineBytes * y + viewBytes * c, g, image, c, size_t(y) * size_t(image.width));
    return FileOk;
}

namespace {

FileResult InfoFromHeader(const RawScanHeader& header, int* width, int* height, int* channels)
{
    RawScanGeometry g = GeometryOf(header);
    if (g.lineSamples > INT32_MAX || g.lineSamples < INT32_MIN)
        return FileBadArgument;
    *width = static_cast<int>(g.lineSamples);
    *height = header.totalColumns;
    *channels = g.channels;
    return FileOk;
}

} // namespace

FileResult DecodeRawScanInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels)
{
    RawScanHeader header;
    if (!ParseRawScanHeader(data, size, header))
        return FileBadArgument;
    return InfoFromHeader(header, width, height, channels);
}

FileResult ReadRawScan(CImage& image, const char* path)
{
    FileBytes file;
    if (FileResult result = ReadFileBytes(path, file); result != FileOk)
        return result;
    return DecodeRawScan(image, file.data.get(), file.size);
}

FileResult DescribeRawScanFile(CImage& image, const char* path)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    RawScanHeader header;
    bool magic = ReadRawScanHeader(file, header);
    int64_t size = OpenFileSize(file);
    std::fclose(file);
    if (!magic || size < 0)
        return FileBadArgument;
    return DescribeRawScan(header, uint64_t(size), image);
}

FileResult ReadRawScanInfo(const char* path, int* width, int* height, int* channels)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    RawScanHeader header;
    bool magic = ReadRawScanHeader(file, header);
    std::fclose(file);
    return magic ? InfoFromHeader(header, width, height, channels) : FileBadArgument;
}
