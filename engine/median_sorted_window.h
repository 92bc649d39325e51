#pragma once
#include <atomic>
#include <cstdint>

#include "engine/byte_buffer.h"
#include "image/rect.h"

// Middle dust sizes: every vector lane follows a line of its own and keeps
// the 2r + 1 samples of its window sorted, one vector per rank. Sliding the
// window replaces the sample that leaves with the one that enters in one
// branch-free pass over the ranks, so the cost is a few vector instructions
// per rank shared by all lanes, whatever the data; the answer is the middle
// rank. Both passes run their lanes down columns, turning the lines into
// columns first. Each pass checks the abort flag before every group of lanes.

// The largest radius worth it for the widest vectors this processor has;
// beyond it the running histogram, whose cost does not grow with the radius,
// is faster.
int SortedWindowMaxRadius();

// Same contract as SeparableMedian, for radius ≥ 1, with lanes of the widest
// vectors the processor has.
int SeparableMedianSorted(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort);

// The same with a chosen vector width of 16, 32 or 64 bytes, which the
// processor must have; for tests of every variant on one machine.
int SeparableMedianSortedWidth(int vectorBytes, const uint8_t* plane, int width, int height, const Rect& rect,
    int radius, uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort);

// The widths this processor can run.
bool SortedWindowWidthSupported(int vectorBytes);
