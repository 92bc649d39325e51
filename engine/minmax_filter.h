#pragma once
#include <cstdint>

#include "engine/byte_buffer.h"

// Minimum and maximum over the square window 2r + 1 around every sample of a
// width × height byte buffer, edges replicated at the buffer's borders. `out`
// must not overlap `in`. 4 when the scratch cannot grow, else 0.
int MinFilter(const uint8_t* in, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch);
int MaxFilter(const uint8_t* in, int width, int height, int radius, uint8_t* out, ByteBuffer& scratch);
