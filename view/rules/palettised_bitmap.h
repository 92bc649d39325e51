#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// An sRGB colour as the user picks it; the textured faces and the palette
// blends take their tint in this form.
struct RgbColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const RgbColour&) const = default;
};

// One palette slot, laid out blue, green, red, reserved like the desktop's
// device-independent bitmaps so that a palette can be handed over unchanged.
struct PaletteEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const PaletteEntry&) const = default;
};

// A small indexed bitmap with its own palette: 1, 4 or 8 bits per pixel,
// rows padded to four bytes and stored bottom-up (the first row in memory is
// the picture's bottom row). It knows nothing of any window system; the
// button that shows it converts it at draw time.
class CPalettisedBitmap {
public:
    // Side limit: the bitmaps are button faces, never images.
    static constexpr int kMaxSide = 8192;

    // False (and an empty bitmap) for a size outside 1..kMaxSide, a depth
    // other than 1, 4 or 8, or exhausted memory. The pixels start at 0 and
    // the palette black.
    bool Create(int width, int height, int bits);
    // False when the copy cannot be allocated; this bitmap is then empty.
    bool CopyFrom(const CPalettisedBitmap& other);
    void Clear();

    bool IsEmpty() const { return pixels_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Bits() const { return bits_; }
    size_t Stride() const { return stride_; }
    // The byte count of the pixel rows, stride × height.
    size_t SizeImage() const { return pixels_.size(); }
    int PaletteSize() const { return static_cast<int>(palette_.size()); }

    // Out-of-range indexes are ignored.
    void SetPaletteEntry(int index, uint8_t red, uint8_t green, uint8_t blue);
    PaletteEntry GetPaletteEntry(int index) const;
    const std::vector<PaletteEntry>& Palette() const { return palette_; }
    // Moves every entry `percent` (held to 0..100) toward `colour`.
    void BlendPalette(RgbColour colour, int percent);

    void Fill(uint8_t value);
    // (x, y) counted from the top-left; points outside are ignored, and the
    // value is cut to the depth's bits.
    void SetPixel(int x, int y, uint8_t value);
    // The palette index at (x, y), 0 outside the bitmap.
    uint8_t GetPixel(int x, int y) const;

    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    // Row y counted from the top.
    const uint8_t* Row(int y) const { return pixels_.data() + stride_ * static_cast<size_t>(height_ - 1 - y); }
    uint8_t* Row(int y) { return pixels_.data() + stride_ * static_cast<size_t>(height_ - 1 - y); }

private:
    int width_ = 0;
    int height_ = 0;
    int bits_ = 0;
    size_t stride_ = 0;
    std::vector<PaletteEntry> palette_;
    std::vector<uint8_t> pixels_;
};

// (colour × percent + channel × (100 − percent)) / 100 in integers.
uint8_t BlendChannel(uint8_t channel, uint8_t toward, int percent);
