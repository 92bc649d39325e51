#include "image/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "image/sample_conversion.h"

namespace {

// The most one plane may ask for: the machine's physical memory. Anything
// larger cannot be backed, and with overcommit malloc would "succeed" only to
// be killed on first touch.
size_t PlaneSizeLimit()
{
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return SIZE_MAX / 2;
    return static_cast<size_t>(pages) * static_cast<size_t>(pageSize);
}

// What the kernel can hand out without swapping: MemAvailable, or the
// physical memory when that cannot be read.
size_t AvailableMemory()
{
    if (FILE* meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found)
            return static_cast<size_t>(kib) * 1024;
    }
    return PlaneSizeLimit();
}

// Large planes go to the kernel as transparent huge pages: first touching
// 2 MiB at a time instead of 4 KiB costs a tenth of the system time, and
// the rounding wastes at most one huge page per plane. Planes are released
// with free() either way.
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kHugePlaneBytes = 4 * kHugePage;

void* AllocatePlane(size_t bytes)
{
    if (bytes < kHugePlaneBytes)
        return std::malloc(bytes);
    size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* plane = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
    if (plane)
        madvise(plane, rounded, MADV_HUGEPAGE);
#endif
    return plane;
}

// Images this small are never worth the look at /proc.
constexpr size_t kCheckedImageBytes = size_t(256) << 20;

// width × height × bytes in 64 bits; 0 when negative, overflowing or too big.
size_t CheckedPlaneBytes(int width, int height, int bytesPerSample)
{
    if (width < 0 || height < 0)
        return 0;
    unsigned __int128 bytes = static_cast<unsigned __int128>(width) * static_cast<unsigned>(height)
        * static_cast<unsigned>(bytesPerSample);
    if (bytes > PlaneSizeLimit())
        return 0;
    // An empty plane still gets one byte, so that "allocated" stays "non-null".
    return bytes == 0 ? 1 : static_cast<size_t>(bytes);
}

} // namespace

CImage::CImage(int w, int h, int channels, int type, PlaneContents contents)
{
    width = w;
    height = h;
    channelCount = channels;
    sampleType = type;
    AllocatePlanes(contents);
}

CImage::~CImage() { ReleasePlanes(); }

void CImage::SetDefaults()
{
    ReleasePlanes();
    floatMax = 1.0f;
    floatMin = 0.0f;
    marginWidth = height = width = channelCount = 0;
    jpegQuality = 75;
    resolutionDpi = 0;
    jpegSubsampling = 2;
    sampleType = SampleU8;
    marginSide = 0;
    regionLeft = regionTop = regionBottom = regionRight = 0;
}

void CImage::ReleasePlanes()
{
    for (void*& plane : planes) {
        std::free(plane);
        plane = nullptr;
    }
}

void CImage::AllocatePlanes(PlaneContents contents)
{
    ReleasePlanes();
    int channels = channelCount < 0 ? 0 : (channelCount > 4 ? 4 : channelCount);
    size_t bytes = CheckedPlaneBytes(width, height, BytesPerSample(sampleType));
    // With overcommit, planes beyond the memory there is would be granted
    // and then fail on first touch (swap storms, or the process killed):
    // refuse them here, where the caller can still say so.
    if (bytes * channels > kCheckedImageBytes && bytes * channels > AvailableMemory()) {
        std::fputs("Out of memory in CImage constructor\n", stderr);
        return;
    }
    for (int c = 0; c < channels; ++c) {
        planes[c] = !bytes ? nullptr
            : contents == PlaneContents::Zeroed ? std::calloc(bytes, 1)
                                                : AllocatePlane(bytes);
        if (!planes[c]) {
            std::fputs("Out of memory in CImage constructor\n", stderr);
            return;
        }
    }
}

bool CImage::HasPlanes() const
{
    if (channelCount < 1 || channelCount > 4)
        return false;
    for (int c = 0; c < channelCount; ++c)
        if (!planes[c])
            return false;
    return true;
}

int CImage::BytesPerSample(int type)
{
    switch (type) {
    case SampleU16:
        return 2;
    case SampleFloat:
        return 4;
    default:
        return 1;
    }
}

Rect CImage::GetActiveRegion() const
{
    if (regionLeft || regionTop || regionRight || regionBottom) {
        Rect r { std::min(regionLeft, regionRight), std::min(regionTop, regionBottom),
            std::max(regionLeft, regionRight), std::max(regionTop, regionBottom) };
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::min(r.right, width);
        r.bottom = std::min(r.bottom, height);
        return r;
    }
    switch (marginSide) {
    case 0:
        return { marginWidth, 0, width, height };
    case 1:
        return { 0, marginWidth, width, height };
    case 2:
        return { 0, 0, width - marginWidth, height };
    case 3:
        return { 0, 0, width, height - marginWidth };
    default:
        return {};
    }
}

// Shared body of the three pixel readers: zeroed outputs, one element read per
// channel through `convert`, grey copied to all four outputs.
template <typename Out, typename Convert>
int CImage::ReadPixel(int x, int y, Out out[4], Convert convert) const
{
    for (int i = 0; i < 4; ++i)
        out[i] = Out {};
    int64_t index = static_cast<int64_t>(y) * width + x;
    if (index < 0 || index >= static_cast<int64_t>(PixelCount()) || !HasPlanes())
        return 1;
    int channels = std::min(channelCount, 4);
    for (int c = 0; c < channels; ++c) {
        switch (sampleType) {
        case SampleU8:
            out[c] = convert(Plane8(c)[index]);
            break;
        case SampleU16:
            out[c] = convert(Plane16(c)[index]);
            break;
        case SampleFloat:
            out[c] = convert(PlaneFloat(c)[index]);
            break;
        default:
            return 1;
        }
    }
    if (channelCount == 1)
        out[1] = out[2] = out[3] = out[0];
    return 0;
}

namespace {
template <typename Out> struct PixelConverter;

template <> struct PixelConverter<uint8_t> {
    float lo, hi;
    uint8_t operator()(uint8_t v) const { return v; }
    uint8_t operator()(uint16_t v) const { return U16ToU8(v); }
    uint8_t operator()(float v) const { return FloatToU8(v, lo, hi); }
};
template <> struct PixelConverter<uint16_t> {
    float lo, hi;
    uint16_t operator()(uint8_t v) const { return U8ToU16(v); }
    uint16_t operator()(uint16_t v) const { return v; }
    uint16_t operator()(float v) const { return FloatToU16(v, lo, hi); }
};
template <> struct PixelConverter<float> {
    float lo, hi;
    float operator()(uint8_t v) const { return U8ToFloat(v); }
    float operator()(uint16_t v) const { return U16ToFloat(v); }
    float operator()(float v) const { return v; }
};
} // namespace

int CImage::GetPixel8(int x, int y, uint8_t out[4]) const
{
    return ReadPixel(x, y, out, PixelConverter<uint8_t> { floatMin, floatMax });
}

int CImage::GetPixel16(int x, int y, uint16_t out[4]) const
{
    return ReadPixel(x, y, out, PixelConverter<uint16_t> { floatMin, floatMax });
}

int CImage::GetPixelFloat(int x, int y, float out[4]) const
{
    return ReadPixel(x, y, out, PixelConverter<float> { floatMin, floatMax });
}

int CImage::SetPixel8(int x, int y, const uint8_t in[4])
{
    if (sampleType != SampleU8 || !HasPlanes() || width < 1 || height < 1)
        return 1;
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    size_t index = static_cast<size_t>(y) * width + x;
    for (int c = 0; c < channelCount; ++c)
        Plane8(c)[index] = in[c];
    return 0;
}

void CImage::CopySample(CImage& destination, int destinationChannel, size_t destinationIndex,
    int sourceChannel, size_t sourceIndex) const
{
    size_t bytes = BytesPerSample(sampleType);
    std::memcpy(static_cast<uint8_t*>(destination.planes[destinationChannel]) + destinationIndex * bytes,
        static_cast<const uint8_t*>(planes[sourceChannel]) + sourceIndex * bytes, bytes);
}

namespace {
template <typename T> void FillRegion(T* plane, int width, const Rect& r, T value)
{
    for (int y = r.top; y < r.bottom; ++y) {
        T* row = plane + static_cast<size_t>(y) * width;
        std::fill(row + r.left, row + r.right, value);
    }
}
} // namespace

int CImage::Fill(float value0, float value1, float value2, float value3)
{
    if (!HasPlanes())
        return 1;
    const float values[4] = { value0, value1, value2, value3 };
    Rect r = GetActiveRegion();
    if (r.IsEmpty())
        return 0;
    for (int c = 0; c < channelCount; ++c) {
        switch (sampleType) {
        case SampleU8:
            FillRegion(Plane8(c), width, r, static_cast<uint8_t>(ClampTo8(values[c])));
            break;
        case SampleU16:
            FillRegion(Plane16(c), width, r, static_cast<uint16_t>(ClampTo16(values[c])));
            break;
        case SampleFloat:
            FillRegion(PlaneFloat(c), width, r, values[c]);
            break;
        }
    }
    return 0;
}

namespace {
template <typename In, typename Out, typename Convert>
void ConvertPlane(const In* in, Out* out, size_t count, Convert convert)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = convert(in[i]);
}

template <typename In> void ConvertPlaneTo(const In* in, void* out, int outType, size_t count, float lo, float hi)
{
    switch (outType) {
    case SampleU8:
        ConvertPlane(in, static_cast<uint8_t*>(out), count, PixelConverter<uint8_t> { lo, hi });
        break;
    case SampleU16:
        ConvertPlane(in, static_cast<uint16_t*>(out), count, PixelConverter<uint16_t> { lo, hi });
        break;
    case SampleFloat:
        ConvertPlane(in, static_cast<float*>(out), count, PixelConverter<float> { lo, hi });
        break;
    }
}
} // namespace

int CImage::ConvertInto(CImage& destination) const
{
    if (!HasPlanes())
        return 1;
    destination.width = width;
    destination.height = height;
    destination.channelCount = channelCount;
    destination.marginWidth = marginWidth;
    destination.AllocatePlanes();
    if (!destination.HasPlanes())
        return 4;
    size_t count = PixelCount();
    for (int c = 0; c < channelCount; ++c) {
        if (sampleType == destination.sampleType) {
            std::memcpy(destination.planes[c], planes[c], count * BytesPerSample(sampleType));
            continue;
        }
        switch (sampleType) {
        case SampleU8:
            ConvertPlaneTo(Plane8(c), destination.planes[c], destination.sampleType, count, floatMin, floatMax);
            break;
        case SampleU16:
            ConvertPlaneTo(Plane16(c), destination.planes[c], destination.sampleType, count, floatMin, floatMax);
            break;
        case SampleFloat:
            ConvertPlaneTo(PlaneFloat(c), destination.planes[c], destination.sampleType, count, floatMin, floatMax);
            break;
        }
    }
    return 0;
}
