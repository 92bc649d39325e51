#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/byte_buffer.h"
#include "image/rect.h"

// Median of the 2r + 1 samples around each position of one line, for the
// positions [from, to) of a line of n samples; positions outside the line take
// the nearest end sample. The median is the sample of rank r counted from 0 in
// ascending order. Output k goes to out[k × outStride].
void MedianLine(const uint8_t* line, int n, int from, int to, int radius, uint8_t* out, ptrdiff_t outStride);

// Separable median (rows first, then columns, square window 2r + 1) of a
// width × height plane over rect, written into `out` (a plane of the same
// geometry) inside rect only. Rows and columns outside the plane take the
// nearest edge row or column. When `abort` is given it is checked before each
// row of the first pass and each column of the second; the answer is then 1
// and `out` is left partly written. 4 when the scratch cannot grow, else 0.
int SeparableMedian(const uint8_t* plane, int width, int height, const Rect& rect, int radius,
    uint8_t* out, ByteBuffer& scratch, const std::atomic<uint8_t>* abort);

// The whole-buffer form: edges replicated at the buffer's borders.
int MedianFilter(const uint8_t* buffer, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch);
