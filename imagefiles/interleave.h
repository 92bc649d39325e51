#pragma once
#include <cstddef>
#include <cstdint>

// One row of `channels` interleaved samples split into the planes' rows.
// 16-bit input is most significant byte first, or (Native) in machine order.
void DeinterleaveRow8(const uint8_t* in, int channels, size_t width, uint8_t* const* out);
void DeinterleaveRowBigEndian16(const uint8_t* in, int channels, size_t width, uint16_t* const* out);
void DeinterleaveRowNative16(const uint8_t* in, int channels, size_t width, uint16_t* const* out);

// Interleaves `count` rows (1 to 8) of one sample each: out[x * count + i] =
// rows[i][x]. The rows may repeat a plane (grey written as three channels) and
// may be byte halves of 16-bit samples, so that one routine also builds 16-bit
// rows in either byte order from separate high and low bytes.
void InterleaveRows8(const uint8_t* const* rows, int count, size_t width, uint8_t* out);
// The high bytes of `count` 16-bit rows (1 to 4), interleaved: 16-bit samples
// written at 8 bits.
void InterleaveHighBytes16(const uint16_t* const* rows, int count, size_t width, uint8_t* out);
// `count` 16-bit rows (1 to 4) interleaved, each sample stored most significant
// byte first when `bigEndian`, else in the machine's order.
void InterleaveRows16(const uint16_t* const* rows, int count, size_t width, bool bigEndian, uint8_t* out);

// One row of 1, 3 or 4 interleaved 16-bit channels split at once into the
// 8-bit high and low bytes of each sample; a fourth channel is dropped.
// Samples most significant byte first, or in machine order.
void SplitRowBigEndian16(const uint8_t* in, int channels, size_t width, uint8_t* const* high, uint8_t* const* low);
void SplitRowNative16(const uint8_t* in, int channels, size_t width, uint8_t* const* high, uint8_t* const* low);
