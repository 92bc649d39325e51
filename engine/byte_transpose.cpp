#include "engine/byte_transpose.h"

#include <emmintrin.h>

#include <utility>

namespace {
// One 16 × 16 block in registers: four rounds of interleaving rows i and
// i + 8 leave row i holding column i (each round rotates the bits of the row
// index into the column index by one).
void Transpose16(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, __m128i flip)
{
    __m128i a[16], b[16];
    for (int i = 0; i < 16; ++i)
        a[i] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * srcStride)), flip);
    __m128i* from = a;
    __m128i* to = b;
#pragma GCC unroll 4
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 8; ++i) {
            to[2 * i] = _mm_unpacklo_epi8(from[i], from[i + 8]);
            to[2 * i + 1] = _mm_unpackhi_epi8(from[i], from[i + 8]);
        }
        std::swap(from, to);
    }
    for (int i = 0; i < 16; ++i)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * dstStride), from[i]);
}
} // namespace

void TransposeBytes(const uint8_t* src, size_t srcStride, int rows, int columns, uint8_t* dst, size_t dstStride,
    uint8_t flip)
{
    const __m128i flipVector = _mm_set1_epi8(static_cast<char>(flip));
    const int fullRows = rows / 16 * 16, fullColumns = columns / 16 * 16;
    for (int r = 0; r < fullRows; r += 16)
        for (int c = 0; c < fullColumns; c += 16)
            Transpose16(src + r * srcStride + c, srcStride, dst + c * dstStride + r, dstStride, flipVector);
    // The ragged right and bottom edges, sample by sample.
    for (int r = 0; r < rows; ++r) {
        const uint8_t* line = src + r * srcStride;
        for (int c = r < fullRows ? fullColumns : 0; c < columns; ++c)
            dst[c * dstStride + r] = line[c] ^ flip;
    }
}
