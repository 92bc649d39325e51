#pragma once
#include <atomic>
#include <cstdint>

#include "engine/byte_buffer.h"
#include "image/rect.h"

// Small dust sizes: the median of each window by a fixed comparison network,
// applied to 16 or 32 neighbouring outputs at once (the widest vectors the
// processor has, chosen at run time) with vector minimum and maximum. Noisy
// areas make a running histogram's median jump by many bins per step; a
// network costs the same whatever the data. Its column pass checks the abort
// flag before each output row, as it does all columns at once.
inline constexpr int kNetworkMaxRadius = 16;

// Same contract as SeparableMedian, for 1 ≤ radius ≤ kNetworkMaxRadius.
int SeparableMedianNetwork(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort);
