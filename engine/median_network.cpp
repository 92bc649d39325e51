#include "engine/median_network.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace {
using Lanes = uint8_t __attribute__((vector_size(32)));
constexpr int kLanes = 32;

struct Network {
    std::vector<std::pair<uint8_t, uint8_t>> comparators; // (low, high) wires
};

// Batcher's odd-even merge sort for the next power of two, less the
// comparators that touch the missing wires (those would hold +∞ and never
// move), less those that cannot influence the middle wire.
Network MedianNetwork(int n)
{
    int size = 1;
    while (size < n)
        size *= 2;
    std::vector<std::pair<int, int>> all;
    for (int p = 1; p < size; p *= 2)
        for (int k = p; k >= 1; k /= 2)
            for (int j = k % p; j + k < size; j += 2 * k)
                for (int i = 0; i < std::min(k, size - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p))
                        all.emplace_back(i + j, i + j + k);
    std::vector<bool> needed(size, false);
    needed[n / 2] = true;
    std::vector<std::pair<uint8_t, uint8_t>> kept;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        auto [a, b] = *it;
        if (b >= n || !(needed[a] || needed[b]))
            continue;
        needed[a] = needed[b] = true;
        kept.emplace_back(static_cast<uint8_t>(a), static_cast<uint8_t>(b));
    }
    std::reverse(kept.begin(), kept.end());
    return { kept };
}

const Network& NetworkFor(int radius)
{
    static const std::array<Network, kNetworkMaxRadius + 1> networks = [] {
        std::array<Network, kNetworkMaxRadius + 1> all;
        for (int r = 1; r <= kNetworkMaxRadius; ++r)
            all[r] = MedianNetwork(2 * r + 1);
        return all;
    }();
    return networks[radius];
}

// out[j] = median over k of rows[k][j], for j in [0, count); every rows[k]
// readable for count samples rounded up to kLanes.
__attribute__((target_clones("avx2", "default"))) void MedianOfRows(
    const uint8_t* const* rows, int n, const std::pair<uint8_t, uint8_t>* comparators, int comparatorCount,
    uint8_t* out, int count)
{
    Lanes v[2 * kNetworkMaxRadius + 1];
    for (int j = 0; j < count; j += kLanes) {
        for (int k = 0; k < n; ++k)
            std::memcpy(&v[k], rows[k] + j, kLanes);
        for (int c = 0; c < comparatorCount; ++c) {
            Lanes a = v[comparators[c].first], b = v[comparators[c].second];
            v[comparators[c].first] = a < b ? a : b;
            v[comparators[c].second] = a < b ? b : a;
        }
        const int take = std::min(kLanes, count - j);
        std::memcpy(out + j, &v[n / 2], take);
    }
}
} // namespace

int SeparableMedianNetwork(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort)
{
    Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty())
        return 0;
    const Network& network = NetworkFor(radius);
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
        MedianOfRows(window, n, network.comparators.data(), static_cast<int>(network.comparators.size()),
            intermediate + static_cast<size_t>(y - firstRow) * stride, columns);
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
        MedianOfRows(window, n, network.comparators.data(), static_cast<int>(network.comparators.size()), outRow,
            columns);
        std::memcpy(out + static_cast<size_t>(y) * width + r.left, outRow, columns);
    }
    return 0;
}
