#pragma once
#include <cstdint>
#include <vector>

#include "engine/dust_params.h"
#include "image/rect.h"

// A second, deliberately plain implementation of the detection and the
// correction: window arrays that are sorted, clamped indices written out,
// floating-point weights. Slow, and independent of the engine's running
// histograms and block filters, so comparing the two byte for byte catches a
// fault in either.
namespace reference {

using Plane = std::vector<uint8_t>;

// Separable median of radius r over rect; samples outside rect keep `out`'s values.
void Median(const Plane& in, int width, int height, const Rect& rect, int r, Plane& out);
// Separable rank filter over a whole buffer, rank 0 (min) or 2r (max).
Plane MinFilter(const Plane& in, int width, int height, int r);
Plane MaxFilter(const Plane& in, int width, int height, int r);
// Detection map values of `tile`, written into map (width × height).
void Detect(const Plane source[3], const Plane median[3], int width, int height, const Rect& tile,
    const DustParams& params, Plane& map);
uint8_t PixelMedian(const Plane& plane, int width, int height, int x, int y, int r);
// Corrected channel c of one pixel.
uint8_t CompositePixel(int s, int m, int d, int b, int p, bool automation);

} // namespace reference
