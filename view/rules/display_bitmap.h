#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/rect.h"

class CImage;

// A 24-bit display bitmap: rows of blue, green, red padded to four bytes and
// stored bottom-up (the first row in memory is the picture's bottom row).
struct DisplayBitmap {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::vector<uint8_t> pixels;

    // False when the memory cannot be had; the bitmap is then empty.
    bool Allocate(int w, int h);
    // Picture row y counted from the top.
    uint8_t* Row(int y) { return pixels.data() + stride * static_cast<size_t>(height - 1 - y); }
    const uint8_t* Row(int y) const { return pixels.data() + stride * static_cast<size_t>(height - 1 - y); }
};

// The region of an image as a display bitmap; false when the image cannot be
// shown (fewer than three channels) or memory is short.
bool BuildDisplayBitmap(const CImage& source, const Rect& region, DisplayBitmap& out);

enum HighlightColour : int { HighlightYellow = 0, HighlightMagenta = 1, HighlightCyan = 2 };

// Tints the corrected pixels of `region` (the bitmap's extent in image
// coordinates) toward the highlight colour, in proportion to the dust
// strength. mask and map are one byte per pixel with the given row width.
void ApplyHighlight(DisplayBitmap& bitmap, const Rect& region, const uint8_t* manualMask,
    const uint8_t* detectionMap, int planeWidth, bool automation, int colour);

// The highlighted value of one 8-bit channel; `tinted` says whether the
// channel moves toward full intensity or toward zero.
uint8_t TintChannel(uint8_t value, float alpha, bool tinted);

// A copy turned by 0, 90 (clockwise), -90 (counter-clockwise) or 180 degrees;
// false when memory is short. Any other angle copies.
bool RotateBitmap(const DisplayBitmap& in, int rotation, DisplayBitmap& out);
