#pragma once
#include <cstdint>

// Windows bitmap layout: a 14-byte file header, then an info header whose
// size is its own first field. All fields are little-endian.
namespace bmp {

inline constexpr uint32_t kFileHeaderSize = 14;
inline constexpr uint32_t kInfoHeaderSize = 40; // the size we write
inline constexpr uint32_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

// Offsets from the start of the file.
inline constexpr uint32_t kOffsetPixelData = 10;
inline constexpr uint32_t kOffsetHeaderSize = 14;
inline constexpr uint32_t kOffsetWidth = 18;
inline constexpr uint32_t kOffsetHeight = 22;
inline constexpr uint32_t kOffsetBitsPerPixel = 28;
inline constexpr uint32_t kOffsetCompression = 30;
inline constexpr uint32_t kOffsetPixelsPerMetreX = 38;

// Resolutions outside this range are not written (0 = "not given").
inline constexpr int kMinWrittenDpi = 49;
inline constexpr int kMaxWrittenDpi = 12800;

inline constexpr double kInchesPerMetre = 39.37007874;
inline constexpr double kMetresPerInch = 0.0254;

// Bytes in one stored row: bitsPerPixel × width bits, padded to 4 bytes.
inline uint64_t RowSize(uint64_t width, uint32_t bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

} // namespace bmp
