#include "view/rules/palettised_bitmap.h"

#include <algorithm>
#include <new>

bool CPalettisedBitmap::Create(int width, int height, int bits)
{
    Clear();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    if (bits != 1 && bits != 4 && bits != 8)
        return false;
    // Rows are whole 32-bit words, as display bitmaps require.
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    try {
        pixels_.assign(stride * static_cast<size_t>(height), 0);
        palette_.assign(size_t { 1 } << bits, PaletteEntry {});
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    width_ = width;
    height_ = height;
    bits_ = bits;
    stride_ = stride;
    return true;
}

bool CPalettisedBitmap::CopyFrom(const CPalettisedBitmap& other)
{
    if (&other == this)
        return true;
    Clear();
    try {
        pixels_ = other.pixels_;
        palette_ = other.palette_;
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    width_ = other.width_;
    height_ = other.height_;
    bits_ = other.bits_;
    stride_ = other.stride_;
    return true;
}

void CPalettisedBitmap::Clear()
{
    width_ = height_ = bits_ = 0;
    stride_ = 0;
    pixels_.clear();
    pixels_.shrink_to_fit();
    palette_.clear();
}

void CPalettisedBitmap::SetPaletteEntry(int index, uint8_t red, uint8_t green, uint8_t blue)
{
    if (index < 0 || index >= PaletteSize())
        return;
    palette_[static_cast<size_t>(index)] = PaletteEntry { blue, green, red, 0 };
}

PaletteEntry CPalettisedBitmap::GetPaletteEntry(int index) const
{
    if (index < 0 || index >= PaletteSize())
        return {};
    return palette_[static_cast<size_t>(index)];
}

uint8_t BlendChannel(uint8_t channel, uint8_t toward, int percent)
{
    return static_cast<uint8_t>((toward * percent + channel * (100 - percent)) / 100);
}

void CPalettisedBitmap::BlendPalette(RgbColour colour, int percent)
{
    percent = std::clamp(percent, 0, 100);
    for (PaletteEntry& e : palette_) {
        e.red = BlendChannel(e.red, colour.red, percent);
        e.green = BlendChannel(e.green, colour.green, percent);
        e.blue = BlendChannel(e.blue, colour.blue, percent);
    }
}

void CPalettisedBitmap::Fill(uint8_t value)
{
    if (bits_ == 8) {
        std::fill(pixels_.begin(), pixels_.end(), value);
        return;
    }
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            SetPixel(x, y, value);
}

void CPalettisedBitmap::SetPixel(int x, int y, uint8_t value)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    uint8_t* row = Row(y);
    if (bits_ == 8) {
        row[x] = value;
        return;
    }
    // Sub-byte depths keep the leftmost pixel in the most significant bits.
    const int perByte = 8 / bits_;
    const int shift = (perByte - 1 - x % perByte) * bits_;
    const uint8_t mask = static_cast<uint8_t>(((1 << bits_) - 1) << shift);
    uint8_t& byte = row[x / perByte];
    byte = static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

uint8_t CPalettisedBitmap::GetPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    const uint8_t* row = Row(y);
    if (bits_ == 8)
        return row[x];
    const int perByte = 8 / bits_;
    const int shift = (perByte - 1 - x % perByte) * bits_;
    return static_cast<uint8_t>((row[x / perByte] >> shift) & ((1 << bits_) - 1));
}
