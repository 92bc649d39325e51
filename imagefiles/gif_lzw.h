#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// Where decoded pixels go: in order, or in the four interlace passes.
struct GifPixelSink {
    uint8_t* indices; // width × height, zeroed by the caller
    int width;
    int height;
    bool interlaced;
};

// Expands the concatenated LZW data of one image into the sink. Decoding ends
// at the end code, when every pixel is placed, when the data runs out, when a
// full code table is not followed by a clear code, or when a string would not
// fit the output stack; pixels not reached keep index 0. `literalMask` masks
// the literal that follows a clear code (the global table's index range).
// False only when the minimum code size cannot describe a code table.
bool DecodeGifLzw(std::span<const uint8_t> data, int minimumCodeSize, int literalMask, const GifPixelSink& sink);
