#include "engine/dust_detection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "engine/minmax_filter.h"

int DeviationLimit(int t)
{
    double td = 2.7807 * t - 0.0143 * (static_cast<double>(t) * t) + 191.22 + 0.5;
    return static_cast<int>(std::trunc(td));
}

uint8_t FlatnessTolerance(int f)
{
    return static_cast<uint8_t>(15 - static_cast<int>(std::trunc(f * 15 * 0.01)));
}

// Aggression above 51 would ask for a negative radius; it gets the smallest area.
int FlatRadius(int aggression) { return std::max(51 - aggression, 0); }

int TileMargin(int aggression) { return FlatRadius(aggression) + 3; }

namespace {
// trunc(s × 0.3333333333333333) in double precision for every sum of three
// bytes; the constant is slightly below a third, so the table is built from it
// rather than from an integer division.
const std::array<uint8_t, 766>& BrightnessTable()
{
    static const std::array<uint8_t, 766> table = [] {
        std::array<uint8_t, 766> t {};
        for (int s = 0; s < 766; ++s)
            t[s] = static_cast<uint8_t>(static_cast<int>(s * 0.3333333333333333));
        return t;
    }();
    return table;
}

// Departure of each pixel from the median in the polarity of the dust type,
// as 256 − 2k for a departure of k levels (255 for none). Dust is darker (or
// brighter) in every channel, so for one polarity the channel that departs
// least decides.
void Deviation(const CImage& source, const CImage& median, const Rect& r, int dustType, uint8_t* out)
{
    const int w = r.Width();
    const int width = source.width;
    for (int y = r.top; y < r.bottom; ++y) {
        size_t base = static_cast<size_t>(y) * width + r.left;
        const uint8_t* s0 = source.Plane8(0) + base;
        const uint8_t* s1 = source.Plane8(1) + base;
        const uint8_t* s2 = source.Plane8(2) + base;
        const uint8_t* m0 = median.Plane8(0) + base;
        const uint8_t* m1 = median.Plane8(1) + base;
        const uint8_t* m2 = median.Plane8(2) + base;
        uint8_t* o = out + static_cast<size_t>(y - r.top) * w;
        for (int x = 0; x < w; ++x) {
            int e0 = s0[x] - m0[x], e1 = s1[x] - m1[x], e2 = s2[x] - m2[x];
            int v;
            if (dustType == 0)
                v = 128 + std::max({ e0, e1, e2 });
            else if (dustType == 1)
                v = 128 + std::max({ -e0, -e1, -e2 });
            else
                v = 128 - std::max({ std::abs(e0), std::abs(e1), std::abs(e2) });
            v = std::clamp(v, 0, 255);
            o[x] = static_cast<uint8_t>(v <= 127 ? 2 * v : 255);
        }
    }
}

} // namespace

void SmoothCandidates(const uint8_t* candidates, const Rect& r, const Rect& tile, uint8_t* rowPass, CImage& map)
{
    const int w = r.Width();
    const int tw = tile.Width();
    const int firstRow = std::max(tile.top - 2, r.top);
    const int endRow = std::min(tile.bottom + 2, r.bottom);
    auto column = [&](int x) { return std::clamp(x, r.left, r.right - 1) - r.left; };
    for (int y = firstRow; y < endRow; ++y) {
        const uint8_t* c = candidates + static_cast<size_t>(y - r.top) * w;
        uint8_t* o = rowPass + static_cast<size_t>(y - firstRow) * tw;
        auto smooth = [&](int x, int a, int b, int d, int e) {
            o[x - tile.left] = static_cast<uint8_t>((c[a] + 3 * c[b] + 8 * c[x - r.left] + 3 * c[d] + c[e]) >> 4);
        };
        // Clamped near R's sides, straight through in between.
        const int safeLeft = std::max(tile.left, r.left + 2), safeRight = std::min(tile.right, r.right - 2);
        int x = tile.left;
        for (; x < std::min(safeLeft, tile.right); ++x)
            smooth(x, column(x - 2), column(x - 1), column(x + 1), column(x + 2));
        for (; x < safeRight; ++x) {
            const int k = x - r.left;
            smooth(x, k - 2, k - 1, k + 1, k + 2);
        }
        for (; x < tile.right; ++x)
            smooth(x, column(x - 2), column(x - 1), column(x + 1), column(x + 2));
    }
    auto row = [&](int y) { return rowPass + static_cast<size_t>(std::clamp(y, firstRow, endRow - 1) - firstRow) * tw; };
    for (int y = tile.top; y < tile.bottom; ++y) {
        const uint8_t *a = row(y - 2), *b = row(y - 1), *c = row(y), *d = row(y + 1), *e = row(y + 2);
        uint8_t* o = map.Plane8(0) + static_cast<size_t>(y) * map.width + tile.left;
        for (int x = 0; x < tw; ++x)
            o[x] = static_cast<uint8_t>((a[x] + 3 * b[x] + 8 * c[x] + 3 * d[x] + e[x]) >> 4);
    }
}

int DetectDust(const CImage& source, const CImage& median, CImage& map, const Rect& tileRect,
    const DustParams& params, const std::atomic<uint8_t>& abort, DetectionScratch& scratch)
{
    const Rect image { 0, 0, source.width, source.height };
    const Rect tile = Intersect(tileRect, image);
    if (tile.IsEmpty())
        return DetectDone;
    const int margin = TileMargin(params.aggression);
    const Rect r = Intersect({ tile.left - margin, tile.top - margin, tile.right + margin, tile.bottom + margin }, image);
    const int w = r.Width(), h = r.Height();
    const size_t size = static_cast<size_t>(w) * h;
    if (!scratch.a.Reserve(size) || !scratch.b.Reserve(size) || !scratch.c.Reserve(size) || !scratch.d.Reserve(size))
        return DetectNoMemory;
    uint8_t* A = scratch.a.Data();
    uint8_t* B = scratch.b.Data();
    uint8_t* C = scratch.c.Data();
    uint8_t* D = scratch.d.Data();
    auto aborted = [&] { return abort.load(std::memory_order_relaxed) != 0; };
    const int rf = FlatRadius(params.aggression);
    const int td = DeviationLimit(params.dustThreshold);
    const int tf = FlatnessTolerance(params.flatness);

    Deviation(source, median, r, params.dustType, A);
    if (aborted())
        return DetectAborted;

    // Candidates: a strong enough departure somewhere in the 3 × 3 neighbourhood.
    if (MinFilter(A, w, h, 1, B, scratch.filter))
        return DetectNoMemory;
    for (size_t i = 0; i < size; ++i)
        B[i] = B[i] <= td ? 255 : 0;

    // Brightness of the clean estimate.
    const auto& third = BrightnessTable();
    for (int y = r.top; y < r.bottom; ++y) {
        size_t base = static_cast<size_t>(y) * source.width + r.left;
        const uint8_t* m0 = median.Plane8(0) + base;
        const uint8_t* m1 = median.Plane8(1) + base;
        const uint8_t* m2 = median.Plane8(2) + base;
        uint8_t* o = A + static_cast<size_t>(y - r.top) * w;
        for (int x = 0; x < w; ++x)
            o[x] = third[m0[x] + m1[x] + m2[x]];
    }
    if (aborted())
        return DetectAborted;

    if (MaxFilter(A, w, h, rf, C, scratch.filter))
        return DetectNoMemory;
    if (aborted())
        return DetectAborted;
    if (MinFilter(A, w, h, rf + 1, D, scratch.filter))
        return DetectNoMemory;

    // Flat and not dark: the local range is small and the local minimum bright.
    for (size_t i = 0; i < size; ++i)
        A[i] = (D[i] >= kDarknessFloor && C[i] - D[i] <= tf) ? 255 : 0;
    if (aborted())
        return DetectAborted;

    // Opening: drop flat areas too small to hold the square, shrink the rest by one.
    if (MinFilter(A, w, h, rf + 1, C, scratch.filter))
        return DetectNoMemory;
    if (aborted())
        return DetectAborted;
    if (MaxFilter(C, w, h, rf, A, scratch.filter))
        return DetectNoMemory;

    for (size_t i = 0; i < size; ++i)
        C[i] = B[i] & A[i];

    if (!scratch.d.Reserve(static_cast<size_t>(tile.Width()) * (tile.Height() + 4)))
        return DetectNoMemory;
    SmoothCandidates(C, r, tile, scratch.d.Data(), map);
    return DetectDone;
}
