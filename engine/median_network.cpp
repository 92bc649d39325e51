#include "engine/median_network.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace {
constexpr int kLanes = 64; // row stride granule, a multiple of every vector width used

constexpr int kMaxWires = 2 * kNetworkMaxRadius + 1;
constexpr int kMaxComparators = 1024;

struct Network {
    int count = 0;
    uint8_t low[kMaxComparators] {};
    uint8_t high[kMaxComparators] {};
};

// Batcher's odd-even merge sort for the next power of two, less the
// comparators that touch the missing wires (those would hold +∞ and never
// move), less those that cannot influence the middle wire. Built at compile
// time so that each window size gets straight-line code.
constexpr Network MedianNetwork(int n)
{
    int size = 1;
    while (size < n)
        size *= 2;
    int allLow[4096] {}, allHigh[4096] {};
    int all = 0;
    for (int p = 1; p < size; p *= 2)
        for (int k = p; k >= 1; k /= 2)
            for (int j = k % p; j + k < size; j += 2 * k)
                for (int i = 0; i < (k < size - j - k ? k : size - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) {
                        allLow[all] = i + j;
                        allHigh[all] = i + j + k;
                        ++all;
                    }
    bool needed[64] {};
    needed[n / 2] = true;
    Network reversed;
    for (int c = all - 1; c >= 0; --c) {
        int a = allLow[c], b = allHigh[c];
        if (b >= n || !(needed[a] || needed[b]))
            continue;
        needed[a] = needed[b] = true;
        reversed.low[reversed.count] = static_cast<uint8_t>(a);
        reversed.high[reversed.count] = static_cast<uint8_t>(b);
        ++reversed.count;
    }
    Network network;
    network.count = reversed.count;
    for (int c = 0; c < reversed.count; ++c) {
        network.low[c] = reversed.low[reversed.count - 1 - c];
        network.high[c] = reversed.high[reversed.count - 1 - c];
    }
    return network;
}

template <int N>
inline constexpr Network kNetwork = MedianNetwork(N);

// out[j] = median over k of rows[k][j], for j in [0, count); every rows[k]
// readable for count samples rounded up to the vector width. The network is
// unrolled for each window size, so the window lives in vector registers.
template <typename V, int N, size_t... C>
inline void ApplyNetwork(V* v, std::index_sequence<C...>)
{
    constexpr const Network& net = kNetwork<N>;
    (
        [&] {
            V a = v[net.low[C]], b = v[net.high[C]];
            v[net.low[C]] = a < b ? a : b;
            v[net.high[C]] = a < b ? b : a;
        }(),
        ...);
}

template <typename V, int N>
inline void MedianOfRowsFixed(const uint8_t* const* rows, uint8_t* out, int count)
{
    constexpr int bytes = static_cast<int>(sizeof(V));
    for (int j = 0; j < count; j += bytes) {
        V v[N];
        for (int k = 0; k < N; ++k)
            std::memcpy(&v[k], rows[k] + j, bytes);
        ApplyNetwork<V, N>(v, std::make_index_sequence<kNetwork<N>.count> {});
        std::memcpy(out + j, &v[N / 2], static_cast<size_t>(std::min(bytes, count - j)));
    }
}

template <typename V, size_t... R>
inline void MedianOfRowsBySize(int radius, const uint8_t* const* rows, uint8_t* out, int count, std::index_sequence<R...>)
{
    ((radius == static_cast<int>(R) + 1 ? MedianOfRowsFixed<V, 2 * (static_cast<int>(R) + 1) + 1>(rows, out, count) : void()),
        ...);
}

#define SW_MEDIAN_OF_ROWS(NAME, TARGET, BYTES)                                                                 \
    TARGET void NAME(int radius, const uint8_t* const* rows, uint8_t* out, int count)                          \
    {                                                                                                          \
        using V = uint8_t __attribute__((vector_size(BYTES)));                                                 \
        MedianOfRowsBySize<V>(radius, rows, out, count, std::make_index_sequence<kNetworkMaxRadius> {});       \
    }

SW_MEDIAN_OF_ROWS(MedianOfRows16, , 16)
SW_MEDIAN_OF_ROWS(MedianOfRows32, __attribute__((target("avx2"))), 32)
#undef SW_MEDIAN_OF_ROWS

using MedianOfRowsFunction = void (*)(int, const uint8_t* const*, uint8_t*, int);

MedianOfRowsFunction ChooseMedianOfRows()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return MedianOfRows32;
    return MedianOfRows16;
}

void MedianOfRows(int radius, const uint8_t* const* rows, uint8_t* out, int count)
{
    static const MedianOfRowsFunction chosen = ChooseMedianOfRows();
    chosen(radius, rows, out, count);
}
} // namespace

int SeparableMedianNetwork(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty())
        return 0;
    const int n = 2 * radius + 1;
    const int columns = r.Width();
    const int stride = (columns + kLanes - 1) / kLanes * kLanes; // whole vectors per row
    const int firstRow = std::max(r.top - radius, 0);
    const int endRow = std::min(r.bottom + radius, height);
    const int rows = endRow - firstRow;
    // Row-major intermediate, a padded copy of the current source row, and
    // one output row.
    const size_t paddedSize = static_cast<size_t>(stride) + 2 * radius;
    if (!scratch.Reserve(static_cast<size_t>(rows) * stride + paddedSize + stride))
        return 4;
    uint8_t* intermediate = scratch.Data();
    uint8_t* padded = intermediate + static_cast<size_t>(rows) * stride;
    uint8_t* outRow = padded + paddedSize;
    const uint8_t* window[2 * kNetworkMaxRadius + 1];

    for (int y = firstRow; y < endRow; ++y) {
        if (abort && abort->load(std::memory_order_relaxed))
            return 1;
        const uint8_t* src = plane + static_cast<size_t>(y) * width;
        // padded[i] = the row's sample at column r.left − radius + i, clamped.
        const int begin = r.left - radius, end = begin + static_cast<int>(paddedSize);
        const int inBegin = std::max(begin, 0), inEnd = std::min(end, width);
        std::memset(padded, src[0], static_cast<size_t>(inBegin - begin));
        std::memcpy(padded + (inBegin - begin), src + inBegin, static_cast<size_t>(inEnd - inBegin));
        std::memset(padded + (inEnd - begin), src[width - 1], static_cast<size_t>(end - inEnd));
        for (int k = 0; k < n; ++k)
            window[k] = padded + k;
        MedianOfRows(radius, window, intermediate + static_cast<size_t>(y - firstRow) * stride, columns);
    }
    // The column pass goes row by row here (all columns at once); the abort
    // check sits before each output row.
    for (int y = r.top; y < r.bottom; ++y) {
        if (abort && abort->load(std::memory_order_relaxed))
            return 1;
        for (int k = 0; k < n; ++k) {
            int row = std::clamp(y - radius + k, firstRow, endRow - 1);
            window[k] = intermediate + static_cast<size_t>(row - firstRow) * stride;
        }
        MedianOfRows(radius, window, outRow, columns);
        std::memcpy(out + static_cast<size_t>(y) * width + r.left, outRow, columns);
    }
    return 0;
}
