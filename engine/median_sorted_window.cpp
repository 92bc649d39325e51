#include "engine/median_sorted_window.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "engine/byte_transpose.h"

namespace {
constexpr int kAlign = 64; // the widest vector; lines are padded to it
constexpr uint8_t kSignFlip = 0x80; // unsigned order as signed order

size_t RoundUp(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// window[k] holds rank k of every lane's window of n samples; window[n]
// stays at the largest value so that the pass over the ranks needs no special
// last step. Samples are signed (flipped), so that the order of the unsigned
// samples is the order of the vector comparisons.
// Sorts window[0, n) lane by lane: Batcher's odd-even merge sort for the next
// power of two, less the comparators that would touch the missing ranks
// (those would hold the largest value and never move).
template <typename V>
[[gnu::always_inline]] inline void SortRanks(V* window, int n)
{
    int size = 1;
    while (size < n)
        size *= 2;
    for (int p = 1; p < size; p *= 2) {
        const int merged = ~(2 * p - 1); // both ends in the same pair of sorted runs
        for (int k = p; k >= 1; k /= 2)
            for (int j = k & (p - 1); j + k < n; j += 2 * k) {
                const int count = std::min(k, n - j - k);
                for (int i = 0; i < count; ++i)
                    if (((i + j) & merged) == ((i + j + k) & merged)) {
                        V low = window[i + j], high = window[i + j + k];
                        window[i + j] = low < high ? low : high;
                        window[i + j + k] = low < high ? high : low;
                    }
            }
    }
}

// Two slides in one pass over the ranks (a1 leaves and b1 enters, then a2
// and b2), the ranks between them kept in registers: half the memory traffic.
// `firstMiddle` receives the middle rank between the two.
//
// Without the sample a that leaves, rank k is old rank k below a and old rank
// k + 1 from there on; the sample b that enters then makes rank k
// max(min(rank k, b), rank k − 1).
template <typename V>
[[gnu::always_inline]] inline void SlideTwice(V* window, int n, int middle, const V& a1, const V& b1, const V& a2,
    const V& b2, const V& largest, V& firstMiddle)
{
    // State at rank k: the old rank k + 1 (next), the first slide's ranks
    // k and k − 1 without a1 (removed1), its result at rank k (between), and
    // the second slide's rank k − 1 without a2 (removed2).
    V next = window[2];
    V removed1Below = window[0] < a1 ? window[0] : window[1];
    V between0 = removed1Below < b1 ? removed1Below : b1;
    V removed1 = window[1] < a1 ? window[1] : next;
    V low = removed1 < b1 ? removed1 : b1;
    V between = low > removed1Below ? low : removed1Below;
    V removed2Below = between0 < a2 ? between0 : between;
    window[0] = removed2Below < b2 ? removed2Below : b2;
    removed1Below = removed1;
    // Rank k of the second slide needs rank k + 1 of the first.
    auto rank = [&](int k, const V& betweenNext) {
        V removed2 = between < a2 ? between : betweenNext;
        V low2 = removed2 < b2 ? removed2 : b2;
        window[k] = low2 > removed2Below ? low2 : removed2Below;
        removed2Below = removed2;
        between = betweenNext;
    };
    auto both = [&](int k) {
        V old = next;
        next = window[k + 2];
        V removed = old < a1 ? old : next;
        V low1 = removed < b1 ? removed : b1;
        V betweenNext = low1 > removed1Below ? low1 : removed1Below;
        removed1Below = removed;
        rank(k, betweenNext);
    };
#pragma GCC unroll 2
    for (int k = 1; k < middle; ++k)
        both(k);
    firstMiddle = between;
#pragma GCC unroll 2
    for (int k = middle; k < n - 1; ++k)
        both(k);
    rank(n - 1, largest);
}

// The window slides down `lineCount` lines of `stride` bytes, in groups of
// as many lanes as V holds, for the lanes [0, lanes). Output t (for t in
// [0, outCount)) is the median of lines firstOut + t − r to firstOut + t + r,
// lines outside [0, lineCount) taking the nearest one, and goes to
// out + t × outStride, flipped by `outFlip`.
template <typename V>
[[gnu::always_inline]] inline int SlideDown(const uint8_t* lines, size_t stride, int lineCount, int firstOut,
    int outCount, int radius, int lanes, uint8_t* out, size_t outStride, uint8_t outFlip, V* window,
    const std::atomic<uint8_t>* abort)
{
    constexpr int bytes = static_cast<int>(sizeof(V));
    const int n = 2 * radius + 1;
    auto line = [&](V& v, int i, int j) {
        std::memcpy(&v, lines + static_cast<size_t>(std::clamp(i, 0, lineCount - 1)) * stride + j, bytes);
    };
    V largest, flip;
    std::memset(&largest, 0x7f, bytes);
    std::memset(&flip, outFlip, bytes);
    for (int j = 0; j < lanes; j += bytes) {
        if (abort && abort->load(std::memory_order_relaxed))
            return 1;
        const size_t keep = static_cast<size_t>(std::min(bytes, lanes - j));
        auto emit = [&](int t, const V& median) {
            V flipped = median ^ flip;
            std::memcpy(out + static_cast<size_t>(t) * outStride + j, &flipped, keep);
        };
        for (int k = 0; k < n; ++k)
            line(window[k], firstOut - radius + k, j);
        window[n] = largest;
        SortRanks(window, n);
        emit(0, window[radius]);
        int t = 1;
        for (; t + 1 < outCount; t += 2) {
            V a1, b1, a2, b2, firstMiddle;
            line(a1, firstOut + t - radius - 1, j);
            line(b1, firstOut + t + radius, j);
            line(a2, firstOut + t - radius, j);
            line(b2, firstOut + t + radius + 1, j);
            SlideTwice(window, n, radius, a1, b1, a2, b2, largest, firstMiddle);
            emit(t, firstMiddle);
            emit(t + 1, window[radius]);
        }
        if (t < outCount) { // a last single slide; b then leaving and entering again changes nothing
            V a, b, middle;
            line(a, firstOut + t - radius - 1, j);
            line(b, firstOut + t + radius, j);
            SlideTwice(window, n, radius, a, b, b, b, largest, middle);
            emit(t, middle);
        }
    }
    return 0;
}

struct Layout {
    int firstRow = 0, rows = 0, columns = 0, paddedColumns = 0;
    size_t rowStride = 0, columnStride = 0;
    uint8_t* byColumn = nullptr; // source, one line per padded column, flipped
    uint8_t* firstPass = nullptr; // row medians, one line per output column
    uint8_t* byRow = nullptr; // row medians, one line per row
    uint8_t* window = nullptr;
};

bool Prepare(int height, const Rect& r, int radius, ByteBuffer& scratch, Layout& l)
{
    l.firstRow = std::max(r.top - radius, 0);
    l.rows = std::min(r.bottom + radius, height) - l.firstRow;
    l.columns = r.Width();
    l.paddedColumns = l.columns + 2 * radius;
    l.rowStride = RoundUp(static_cast<size_t>(l.rows));
    l.columnStride = RoundUp(static_cast<size_t>(l.columns));
    const size_t byColumn = static_cast<size_t>(l.paddedColumns) * l.rowStride;
    const size_t firstPass = static_cast<size_t>(l.columns) * l.rowStride;
    const size_t byRow = static_cast<size_t>(l.rows) * l.columnStride;
    const size_t window = static_cast<size_t>(2 * radius + 2) * kAlign;
    if (!scratch.Reserve(byColumn + firstPass + byRow + window + kAlign))
        return false;
    const auto base = reinterpret_cast<uintptr_t>(scratch.Data());
    uint8_t* p = scratch.Data() + (kAlign - base % kAlign) % kAlign;
    l.byColumn = p;
    l.firstPass = l.byColumn + byColumn;
    l.byRow = l.firstPass + firstPass;
    l.window = l.byRow + byRow;
    return true;
}

// The source rows the passes need, one line per column of the row windows;
// columns left and right of the plane are copies of its first and last.
void GatherColumns(const uint8_t* plane, int width, const Rect& r, int radius, const Layout& l)
{
    const int leftmost = r.left - radius;
    const int begin = std::max(leftmost, 0), end = std::min(r.right + radius, width);
    uint8_t* inside = l.byColumn + static_cast<size_t>(begin - leftmost) * l.rowStride;
    TransposeBytes(plane + static_cast<size_t>(l.firstRow) * width + begin, static_cast<size_t>(width), l.rows,
        end - begin, inside, l.rowStride, kSignFlip);
    for (int c = 0; c < begin - leftmost; ++c)
        std::memcpy(l.byColumn + static_cast<size_t>(c) * l.rowStride, inside, l.rowStride);
    const uint8_t* last = inside + static_cast<size_t>(end - begin - 1) * l.rowStride;
    for (int c = end - leftmost; c < l.paddedColumns; ++c)
        std::memcpy(l.byColumn + static_cast<size_t>(c) * l.rowStride, last, l.rowStride);
}

template <typename V>
[[gnu::always_inline]] inline int Run(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    const Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty())
        return 0;
    Layout l;
    if (!Prepare(height, r, radius, scratch, l))
        return 4;
    V* window = reinterpret_cast<V*>(l.window);
    GatherColumns(plane, width, r, radius, l);
    // Row medians: lanes are rows, the window slides across the columns.
    if (SlideDown(l.byColumn, l.rowStride, l.paddedColumns, radius, l.columns, radius, l.rows, l.firstPass,
            l.rowStride, 0, window, abort))
        return 1;
    TransposeBytes(l.firstPass, l.rowStride, l.columns, l.rows, l.byRow, l.columnStride, 0);
    // Column medians: lanes are columns, the window slides down the rows;
    // rows beyond the computed ones are the nearest computed row.
    return SlideDown(l.byRow, l.columnStride, l.rows, r.top - l.firstRow, r.Height(), radius, l.columns,
        out + static_cast<size_t>(r.top) * width + r.left, static_cast<size_t>(width), kSignFlip, window, abort);
}

using V16 = int8_t __attribute__((vector_size(16)));
using V32 = int8_t __attribute__((vector_size(32)));
using V64 = int8_t __attribute__((vector_size(64)));

int Run16(const uint8_t* plane, int width, int height, const Rect& rect, int radius, uint8_t* out,
    ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    return Run<V16>(plane, width, height, rect, radius, out, scratch, abort);
}

__attribute__((target("avx2"))) int Run32(const uint8_t* plane, int width, int height, const Rect& rect,
    int radius, uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    return Run<V32>(plane, width, height, rect, radius, out, scratch, abort);
}

__attribute__((target("avx512f,avx512bw"))) int Run64(const uint8_t* plane, int width, int height,
    const Rect& rect, int radius, uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    return Run<V64>(plane, width, height, rect, radius, out, scratch, abort);
}

// SPECKWASH_MAX_VECTOR_BYTES (16 or 32) holds the width below what the
// processor has, to measure or compare the narrower variants.
int WidestSupported()
{
    __builtin_cpu_init();
    int widest = 16;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        widest = 64;
    else if (__builtin_cpu_supports("avx2"))
        widest = 32;
    if (const char* cap = std::getenv("SPECKWASH_MAX_VECTOR_BYTES")) {
        const int limit = std::atoi(cap);
        while (widest > 16 && widest > limit)
            widest /= 2;
    }
    return widest;
}

int Widest()
{
    static const int widest = WidestSupported();
    return widest;
}
} // namespace

bool SortedWindowWidthSupported(int vectorBytes)
{
    return (vectorBytes == 16 || vectorBytes == 32 || vectorBytes == 64) && vectorBytes <= Widest();
}

int SortedWindowMaxRadius()
{
    switch (Widest()) {
    case 64:
        return 180;
    case 32:
        return 100;
    default:
        return 24;
    }
}

int SeparableMedianSortedWidth(int vectorBytes, const uint8_t* plane, int width, int height, const Rect& rect,
    int radius, uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    if (radius < 1 || !SortedWindowWidthSupported(vectorBytes))
        return 1;
    switch (vectorBytes) {
    case 64:
        return Run64(plane, width, height, rect, radius, out, scratch, abort);
    case 32:
        return Run32(plane, width, height, rect, radius, out, scratch, abort);
    default:
        return Run16(plane, width, height, rect, radius, out, scratch, abort);
    }
}

int SeparableMedianSorted(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    return SeparableMedianSortedWidth(Widest(), plane, width, height, rect, radius, out, scratch, abort);
}
