#include "engine/byte_transpose.h"

#include <emmintrin.h>

namespace {
// One 16 × 16 block in registers: four rounds of interleaving, each pairing
// rows 8, 4, 2 and 1 apart, leave row i holding column i.
void Transpose16(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, __m128i flip)
{
    __m128i a[16], b[16];
    for (int i = 0; i < 16; ++i)
        a[i] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * srcStride)), flip);
    for (int i = 0; i < 8; ++i) {
        b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
        b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        a[2 * i] = _mm_unpacklo_epi8(b[i], b[i + 8]);
        a[2 * i + 1] = _mm_unpackhi_epi8(b[i], b[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
        b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        a[2 * i] = _mm_unpacklo_epi8(b[i], b[i + 8]);
        a[2 * i + 1] = _mm_unpackhi_epi8(b[i], b[i + 8]);
    }
    for (int i = 0; i < 16; ++i)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * dstStride), a[i]);
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
