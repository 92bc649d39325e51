#include "imagefiles/interleave.h"

#include <cstddef>

#include "image/image.h"
#include "image/sample_conversion.h"

namespace {

template <typename Out, typename Convert>
void Interleave(const CImage& image, int y, int channels, Out* out, Convert convert)
{
    size_t rowStart = size_t(y) * size_t(image.width);
    for (int c = 0; c < channels; ++c)
        for (int x = 0; x < image.width; ++x)
            out[size_t(x) * channels + c] = convert(c, rowStart + x);
}

} // namespace

void InterleaveRow8(const CImage& image, int y, int channels, uint8_t* out)
{
    switch (image.sampleType) {
    case SampleU8:
        Interleave(image, y, channels, out, [&](int c, size_t i) { return image.Plane8(c)[i]; });
        break;
    case SampleU16:
        Interleave(image, y, channels, out, [&](int c, size_t i) { return U16ToU8(image.Plane16(c)[i]); });
        break;
    default:
        Interleave(image, y, channels, out, [&](int c, size_t i) {
            return FloatToU8(image.PlaneFloat(c)[i], image.floatMin, image.floatMax);
        });
        break;
    }
}

void InterleaveRow16(const CImage& image, int y, int channels, uint16_t* out)
{
    switch (image.sampleType) {
    case SampleU8:
        Interleave(image, y, channels, out, [&](int c, size_t i) { return U8ToU16(image.Plane8(c)[i]); });
        break;
    case SampleU16:
        Interleave(image, y, channels, out, [&](int c, size_t i) { return image.Plane16(c)[i]; });
        break;
    default:
        Interleave(image, y, channels, out, [&](int c, size_t i) {
            return FloatToU16(image.PlaneFloat(c)[i], image.floatMin, image.floatMax);
        });
        break;
    }
}
