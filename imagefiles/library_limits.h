#pragma once
#include <cstdint>

// The largest picture the library readers accept, checked against the
// header before any plane is allocated: a few bytes of hostile header must
// not buy gigabytes. A side of 1 << 20 pixels and 1 GiB per plane is far
// beyond any scan this program cleans.
inline constexpr uint32_t kMaxLibraryImageSide = 1u << 20;
inline constexpr uint64_t kMaxLibraryPlaneBytes = uint64_t(1) << 30;

inline bool LibraryImageSizeIsSane(uint64_t width, uint64_t height, int bytesPerSample)
{
    return width >= 1 && height >= 1 && width <= kMaxLibraryImageSide && height <= kMaxLibraryImageSide
        && width * height * uint64_t(bytesPerSample) <= kMaxLibraryPlaneBytes;
}
