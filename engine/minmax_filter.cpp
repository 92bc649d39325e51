#include "engine/minmax_filter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

// Rows by doubling spans (below); columns by the block scheme: the
// edge-padded column is split into blocks of k = 2r + 1 samples, and each
// position keeps the extreme from the start of its block (forward) and to the
// end of its block (backward); any window of k samples spans exactly one
// block boundary, so its extreme is one comparison of the two. Both are exact
// and vectorise over whole rows.

namespace {
struct TakeMin {
    static uint8_t Of(uint8_t a, uint8_t b) { return a < b ? a : b; }
};
struct TakeMax {
    static uint8_t Of(uint8_t a, uint8_t b) { return a > b ? a : b; }
};

inline int ClampIndex(int p, int n) { return p < 0 ? 0 : (p >= n ? n - 1 : p); }

// Along a row the window's extreme comes from doubling: after step p every
// position holds the extreme of the 2^p samples from it, and two overlapping
// such spans cover the 2r + 1 window. Each step is a plain loop over the row
// that the compiler turns into vector instructions.
template <typename Op>
void FilterRow(const uint8_t* row, int width, int radius, uint8_t* out, uint8_t* __restrict a, uint8_t* __restrict b)
{
    const int window = 2 * radius + 1;
    const int n = width + 2 * radius;
    std::memset(a, row[0], radius);
    std::memcpy(a + radius, row, width);
    std::memset(a + radius + width, row[width - 1], radius);
    int span = 1;
    while (span * 2 <= window) {
        const int valid = n - 2 * span + 1; // positions whose doubled span lies in the row
        for (int i = 0; i < valid; ++i)
            b[i] = Op::Of(a[i], a[i + span]);
        std::swap(a, b);
        span *= 2;
    }
    const int shift = window - span;
    for (int x = 0; x < width; ++x)
        out[x] = Op::Of(a[x], a[x + shift]);
}

// The column pass works on whole rows at once so that the compiler can use
// vector instructions. It runs in place on `data`: step i reads row i − r and
// writes row i − 2r, which is never read again.
template <typename Op>
void FilterColumnsInPlace(uint8_t* data, int width, int height, int radius, uint8_t* backward, uint8_t* forward)
{
    const int k = 2 * radius + 1;
    const int padded = height + 2 * radius;
    const size_t w = static_cast<size_t>(width);
    auto rowAt = [&](int i) { return data + static_cast<size_t>(ClampIndex(i - radius, height)) * w; };
    for (int i = padded - 1; i >= 0; --i) {
        const uint8_t* src = rowAt(i);
        uint8_t* b = backward + static_cast<size_t>(i) * w;
        if (i == padded - 1 || i % k == k - 1)
            std::memcpy(b, src, w);
        else {
            const uint8_t* next = b + w;
            for (size_t x = 0; x < w; ++x)
                b[x] = Op::Of(src[x], next[x]);
        }
    }
    for (int i = 0; i < padded; ++i) {
        const uint8_t* src = rowAt(i);
        if (i % k == 0)
            std::memcpy(forward, src, w);
        else
            for (size_t x = 0; x < w; ++x)
                forward[x] = Op::Of(forward[x], src[x]);
        if (i >= k - 1) {
            int y = i - (k - 1);
            uint8_t* dst = data + static_cast<size_t>(y) * w;
            const uint8_t* b = backward + static_cast<size_t>(y) * w;
            for (size_t x = 0; x < w; ++x)
                dst[x] = Op::Of(b[x], forward[x]);
        }
    }
}

template <typename Op>
int Filter(const uint8_t* in, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch)
{
    if (width <= 0 || height <= 0)
        return 0;
    if (radius <= 0) {
        std::memcpy(out, in, static_cast<size_t>(width) * height);
        return 0;
    }
    size_t rowNeed = static_cast<size_t>(width) + 2 * static_cast<size_t>(radius);
    size_t rowsNeed = 2 * rowNeed;
    size_t columnNeed = (static_cast<size_t>(height) + 2 * static_cast<size_t>(radius) + 1) * width;
    if (!scratch.Reserve(std::max(rowsNeed, columnNeed)))
        return 4;
    for (int y = 0; y < height; ++y)
        FilterRow<Op>(in + static_cast<size_t>(y) * width, width, radius, out + static_cast<size_t>(y) * width,
            scratch.Data(), scratch.Data() + rowNeed);
    uint8_t* backward = scratch.Data();
    uint8_t* forward = backward + (static_cast<size_t>(height) + 2 * radius) * width;
    FilterColumnsInPlace<Op>(out, width, height, radius, backward, forward);
    return 0;
}
} // namespace

int MinFilter(const uint8_t* in, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch)
{
    return Filter<TakeMin>(in, width, height, radius, out, scratch);
}

int MaxFilter(const uint8_t* in, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch)
{
    return Filter<TakeMax>(in, width, height, radius, out, scratch);
}
