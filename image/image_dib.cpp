#include "image/image.h"

#include "image/sample_conversion.h"

namespace {

struct ToByte {
    float floatMin, scale; // scale = 255 / (floatMax − floatMin), once per call
    uint8_t operator()(uint8_t v) const { return v; }
    uint8_t operator()(uint16_t v) const { return U16ToU8(v); }
    uint8_t operator()(float v) const { return static_cast<uint8_t>(ClampTo8((v - floatMin) * scale)); }
};

template <typename T>
void WriteRows(const CImage& image, uint8_t* buffer, size_t stride, const Rect& r, const ToByte& convert)
{
    const T* red = static_cast<const T*>(image.planes[0]);
    const T* green = static_cast<const T*>(image.planes[1]);
    const T* blue = static_cast<const T*>(image.planes[2]);
    int rows = r.Height();
    for (int i = 0; i < rows; ++i) {
        // Bottom-up: the last row of the rectangle comes first in the buffer.
        size_t src = static_cast<size_t>(r.bottom - 1 - i) * image.width + r.left;
        uint8_t* out = buffer + stride * i;
        for (int x = 0; x < r.Width(); ++x, ++src) {
            out[0] = convert(blue[src]);
            out[1] = convert(green[src]);
            out[2] = convert(red[src]);
            out += 3;
        }
    }
}

} // namespace

int CImage::ToDib24(uint8_t* buffer, size_t size) const
{
    return ToDib24Rect(buffer, size, 0, 0, height, width);
}

int CImage::ToDib24Rect(uint8_t* buffer, size_t size, int left, int top, int bottom, int right) const
{
    if (channelCount < 3 || !HasPlanes())
        return 1;
    Rect r { std::clamp(left, 0, width), std::clamp(top, 0, height), std::clamp(right, 0, width),
        std::clamp(bottom, 0, height) };
    int w = std::max(0, r.Width()), h = std::max(0, r.Height());
    size_t stride = DibStride(w);
    if (size != stride * h)
        return 1;
    if (w == 0 || h == 0)
        return 0;
    ToByte convert { floatMin, 255.0f / (floatMax - floatMin) };
    switch (sampleType) {
    case SampleU8:
        WriteRows<uint8_t>(*this, buffer, stride, r, convert);
        break;
    case SampleU16:
        WriteRows<uint16_t>(*this, buffer, stride, r, convert);
        break;
    default:
        WriteRows<float>(*this, buffer, stride, r, convert);
        break;
    }
    return 0;
}
