#include "engine/median_filter.h"

#include "engine/median_sorted_window.h"

#include <algorithm>
#include <cstring>

namespace {
inline int ClampIndex(int p, int n) { return p < 0 ? 0 : (p >= n ? n - 1 : p); }
} // namespace

// A running histogram: each step removes the sample that leaves the window
// and adds the one that enters, and the median moves from its last value by
// as many bins as the counts require (usually none or a few), so the cost per
// sample hardly depends on the radius.
void MedianLine(const uint8_t* line, int n, int from, int to, int radius, uint8_t* out, ptrdiff_t outStride)
{
    if (from >= to || n <= 0)
        return;
    if (radius == 0) {
        for (int x = from; x < to; ++x)
            out[(x - from) * outStride] = line[ClampIndex(x, n)];
        return;
    }
    uint16_t hist[256];
    std::memset(hist, 0, sizeof hist);
    for (int p = from - radius; p <= from + radius; ++p)
        ++hist[line[ClampIndex(p, n)]];
    const int rank = radius;
    int m = 0; // current median
    int below = 0; // samples of the window smaller than m
    while (below + hist[m] <= rank)
        below += hist[m++];
    uint8_t* o = out;
    *o = static_cast<uint8_t>(m);
    // Windows that reach past an end take the end sample; the interior needs no clamping.
    auto step = [&](int leaving, int entering) {
        --hist[leaving];
        below -= leaving < m;
        ++hist[entering];
        below += entering < m;
        while (below > rank)
            below -= hist[--m];
        while (below + hist[m] <= rank)
            below += hist[m++];
    };
    int x = from + 1;
    const int clampedHead = std::min(to, radius + 1); // x − r − 1 < 0 up to here
    for (; x < clampedHead; ++x) {
        step(line[ClampIndex(x - radius - 1, n)], line[ClampIndex(x + radius, n)]);
        *(o += outStride) = static_cast<uint8_t>(m);
    }
    const int interiorEnd = std::min(to, n - radius); // x + r < n below this
    for (; x < interiorEnd; ++x) {
        step(line[x - radius - 1], line[x + radius]);
        *(o += outStride) = static_cast<uint8_t>(m);
    }
    for (; x < to; ++x) {
        step(line[ClampIndex(x - radius - 1, n)], line[ClampIndex(x + radius, n)]);
        *(o += outStride) = static_cast<uint8_t>(m);
    }
}

int SeparableMedian(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty() || radius < 0)
        return 0;
    if (radius >= 1 && radius <= SortedWindowMaxRadius())
        return SeparableMedianSorted(plane, width, height, r, radius, out, scratch, abort);
    // Rows of the first pass: those the column windows reach, inside the plane.
    // Rows beyond them are the nearest computed row, which is what clamping the
    // column index to these rows gives.
    const int firstRow = std::max(r.top - radius, 0);
    const int endRow = std::min(r.bottom + radius, height);
    const int rows = endRow - firstRow;
    const int columns = r.Width();
    // Stored column by column so that the second pass reads contiguous samples.
    if (!scratch.Reserve(static_cast<size_t>(rows) * columns))
        return 4;
    uint8_t* intermediate = scratch.Data();
    for (int y = firstRow; y < endRow; ++y) {
        if (abort && abort->load(std::memory_order_relaxed))
            return 1;
        MedianLine(plane + static_cast<size_t>(y) * width, width, r.left, r.right, radius,
            intermediate + (y - firstRow), rows);
    }
    for (int x = r.left; x < r.right; ++x) {
        if (abort && abort->load(std::memory_order_relaxed))
            return 1;
        MedianLine(intermediate + static_cast<size_t>(x - r.left) * rows, rows, r.top - firstRow,
            r.bottom - firstRow, radius, out + static_cast<size_t>(r.top) * width + x, width);
    }
    return 0;
}

int MedianFilter(const uint8_t* buffer, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch)
{
    return SeparableMedian(buffer, width, height, { 0, 0, width, height }, radius, out, scratch, nullptr);
}
