#include "imagefiles/save_rows.h"

#include <bit>

#include "image/image.h"
#include "image/sample_conversion.h"
#include "imagefiles/interleave.h"

namespace {

// One sample at a time, for the depth conversions no writer makes in bulk
// (float images, 8-bit images written at 16 bits).
template <typename Convert> void StoreWide(int count, size_t width, bool bigEndian, uint8_t* out, Convert convert)
{
    const int high = bigEndian || std::endian::native == std::endian::big ? 0 : 1;
    for (size_t x = 0; x < width; ++x)
        for (int c = 0; c < count; ++c) {
            const uint16_t v = convert(c, x);
            uint8_t* sample = out + (x * count + c) * 2;
            sample[high] = static_cast<uint8_t>(v >> 8);
            sample[1 - high] = static_cast<uint8_t>(v);
        }
}

} // namespace

ImageRows::ImageRows(const CImage& image)
    : SaveRows(image.width, image.height, image.channelCount, image.sampleType != SampleU8, image.resolutionDpi)
    , image(image)
{
}

bool ImageRows::HasPixels() const { return image.HasPlanes(); }

void ImageRows::Row8(int y, const int* order, int count, uint8_t* out) const
{
    const size_t start = size_t(y) * size_t(width);
    switch (image.sampleType) {
    case SampleU8: {
        const uint8_t* rows[4];
        for (int i = 0; i < count; ++i)
            rows[i] = image.Plane8(order[i]) + start;
        InterleaveRows8(rows, count, size_t(width), out);
        break;
    }
    case SampleU16: {
        const uint16_t* rows[4];
        for (int i = 0; i < count; ++i)
            rows[i] = image.Plane16(order[i]) + start;
        InterleaveHighBytes16(rows, count, size_t(width), out);
        break;
    }
    default:
        for (int i = 0; i < count; ++i) {
            const float* row = image.PlaneFloat(order[i]) + start;
            for (int x = 0; x < width; ++x)
                out[size_t(x) * count + i] = FloatToU8(row[x], image.floatMin, image.floatMax);
        }
        break;
    }
}

void ImageRows::Row16(int y, int count, bool bigEndian, uint8_t* out) const
{
    const size_t start = size_t(y) * size_t(width);
    switch (image.sampleType) {
    case SampleU16: {
        const uint16_t* rows[4];
        for (int i = 0; i < count; ++i)
            rows[i] = image.Plane16(i) + start;
        InterleaveRows16(rows, count, size_t(width), bigEndian, out);
        break;
    }
    case SampleU8:
        StoreWide(count, size_t(width), bigEndian, out,
            [&](int c, size_t x) { return U8ToU16(image.Plane8(c)[start + x]); });
        break;
    default:
        StoreWide(count, size_t(width), bigEndian, out, [&](int c, size_t x) {
            return FloatToU16(image.PlaneFloat(c)[start + x], image.floatMin, image.floatMax);
        });
        break;
    }
}
