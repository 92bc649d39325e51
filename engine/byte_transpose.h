#pragma once
#include <cstddef>
#include <cstdint>

// dst[c × dstStride + r] = src[r × srcStride + c] ^ flip, for r < rows and
// c < columns. The sorted-window median runs its lanes down columns, so each
// of its passes turns lines into columns first; `flip` 0x80 moves unsigned
// samples into the order-preserving signed range it computes in, and back.
void TransposeBytes(const uint8_t* src, size_t srcStride, int rows, int columns, uint8_t* dst, size_t dstStride,
    uint8_t flip);
