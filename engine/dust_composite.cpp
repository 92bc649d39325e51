#include "engine/dust_composite.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/manual_planes.h"
#include "image/sample_conversion.h"

namespace {
// Blend weights use the single-precision 1/255 widened to double, and the
// blend is truncated toward zero: a full weight of 255 × (1/255) is a hair
// above 1, so full strength toward a darker median lands one level below it.
constexpr double kWeightStep = static_cast<double>(kInv255);

inline uint8_t Blend(double m, int s, int target)
{
    double v = (1.0 - m) * s + m * target;
    return static_cast<uint8_t>(static_cast<int>(v));
}

// One row of untouched pixels with automation on: the blend by the map's
// weight, with no test per pixel so that the loop vectorises. A weight of 0
// gives the source exactly, as the masked path's shortcut does. `out` may be
// `target` itself: each sample is read before its own place is written.
inline void BlendRow(const uint8_t* source, const uint8_t* target, const uint8_t* map, uint8_t* out, int count)
{
    for (int x = 0; x < count; ++x)
        out[x] = Blend(map[x] * kWeightStep, source[x], target[x]);
}

// The in-place row has its own loop: the compiler need not guard against
// `out` overlapping `target` at some other offset.
inline void BlendRowInPlace(const uint8_t* source, uint8_t* target, const uint8_t* map, int count)
{
    for (int x = 0; x < count; ++x)
        target[x] = Blend(map[x] * kWeightStep, source[x], target[x]);
}

// Built for AVX2 too, chosen when the program starts: four doubles at a time.
// Not the AVX-512 width, which brings fused multiply-adds that would round
// the blend differently.
__attribute__((target_clones("avx2", "default"))) void BlendUnmarkedRow(const uint8_t* source,
    const uint8_t* target, const uint8_t* map, uint8_t* out, int count)
{
    if (out == target)
        BlendRowInPlace(source, out, map, count);
    else
        BlendRow(source, target, map, out, count);
}

// Every pixel untouched: the automatic blend, or the source without automation.
Rect CompositeUnmarked(const CompositeInputs& in, const Rect& rect, bool automation, const std::atomic<uint8_t>* stop)
{
    const int width = in.source->width;
    const int count = rect.Width();
    int y = rect.top;
    for (; y < rect.bottom && !(stop && stop->load(std::memory_order_relaxed) != 0); ++y) {
        const size_t begin = static_cast<size_t>(y) * width + rect.left;
        for (int c = 0; c < 3; ++c) {
            const uint8_t* source = in.source->Plane8(c) + begin;
            uint8_t* out = in.work->Plane8(c) + begin;
            if (automation)
                BlendUnmarkedRow(source, in.median->Plane8(c) + begin, in.map->Plane8(0) + begin, out, count);
            else
                std::memcpy(out, source, static_cast<size_t>(count));
        }
    }
    return y > rect.top ? Rect { rect.left, rect.top, rect.right, y } : Rect {};
}
} // namespace

uint8_t PixelMedian(const uint8_t* plane, int width, int height, int x, int y, int radius, ByteBuffer& scratch)
{
    const ptrdiff_t total = static_cast<ptrdiff_t>(width) * height;
    const ptrdiff_t own = static_cast<ptrdiff_t>(y) * width + x;
    const int span = 2 * radius + 1;
    if (!scratch.Reserve(static_cast<size_t>(span) * span))
        return plane[own];
    uint8_t* samples = scratch.Data();
    size_t n = 0;
    for (int row = std::max(y - radius, 0); row <= std::min(y + radius, height - 1); ++row) {
        ptrdiff_t begin = static_cast<ptrdiff_t>(row) * width + x - radius;
        ptrdiff_t end = begin + span;
        begin = std::max<ptrdiff_t>(begin, 0);
        end = std::min(end, total);
        if (end > begin) {
            std::memcpy(samples + n, plane + begin, static_cast<size_t>(end - begin));
            n += static_cast<size_t>(end - begin);
        }
    }
    const size_t rank = n / 2;
    if (n <= 256) {
        std::nth_element(samples, samples + rank, samples + n);
        return samples[rank];
    }
    // Large windows: counting is cheaper than partitioning and gives the same rank.
    size_t counts[256] = {};
    for (size_t i = 0; i < n; ++i)
        ++counts[samples[i]];
    size_t seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += counts[v];
        if (seen > rank)
            return static_cast<uint8_t>(v);
    }
    return 255;
}

Rect Composite(const CompositeInputs& in, const Rect& rectIn, bool automation, ByteBuffer& scratch,
    const std::atomic<uint8_t>* stop)
{
    auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed) != 0; };
    const int width = in.source->width, height = in.source->height;
    const Rect rect = Intersect(rectIn, { 0, 0, width, height });
    if (!in.mask)
        return rect.IsEmpty() ? Rect {} : CompositeUnmarked(in, rect, automation, stop);
    Rect changed;
    for (int y = rect.top; y < rect.bottom && !stopped(); ++y) {
        int firstChanged = rect.right, lastChanged = rect.left - 1;
        for (int x = rect.left; x < rect.right; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            // Only differing samples are written: the painter reads these
            // planes meanwhile, and the changed span is what needs repainting.
            bool differs = false;
            auto put = [&](int c, uint8_t v) {
                uint8_t& out = in.work->Plane8(c)[i];
                if (out != v) {
                    out = v;
                    differs = true;
                }
            };
            const int b = ReadManual(in.mask->Plane8(0) + i);
            if (b == 0 || (b == 1 && !automation)) {
                for (int c = 0; c < 3; ++c)
                    put(c, in.source->Plane8(c)[i]);
            } else if (b == 1) {
                const int d = in.map->Plane8(0)[i];
                if (d == 0) { // weight 0: exactly the source
                    for (int c = 0; c < 3; ++c)
                        put(c, in.source->Plane8(c)[i]);
                } else {
                    const double m = d * kWeightStep;
                    for (int c = 0; c < 3; ++c)
                        put(c, Blend(m, in.source->Plane8(c)[i], in.median->Plane8(c)[i]));
                }
            } else if (!automation) {
                const double m = (b - 1) * kWeightStep;
                for (int c = 0; c < 3; ++c)
                    put(c, Blend(m, in.source->Plane8(c)[i], in.median->Plane8(c)[i]));
            } else {
                // Marked by hand with automation on: toward the pixel's own
                // median, the costly case, so a stop is looked for per pixel.
                if (stopped())
                    break;
                const double m = static_cast<float>((b - 1) * kWeightStep);
                const int radius = ReadManual(in.dustSize->Plane8(0) + i);
                for (int c = 0; c < 3; ++c) {
                    const uint8_t* plane = in.source->Plane8(c);
                    uint8_t p = PixelMedian(plane, width, height, x, y, radius, scratch);
                    put(c, Blend(m, plane[i], p));
                }
            }
            if (differs) {
                firstChanged = std::min(firstChanged, x);
                lastChanged = x;
            }
        }
        if (lastChanged >= firstChanged)
            changed = Union(changed, { firstChanged, y, lastChanged + 1, y + 1 });
    }
    return changed;
}
