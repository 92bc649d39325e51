#pragma once
#include <cstddef>
#include <cstdint>

#include "imagefiles/image_file_types.h"

// The checks every reader makes after parsing a header and before allocating
// anything from it. A hostile header must never make us allocate what the
// file cannot back, nor overflow the size arithmetic on the way.

// Larger than any scan or photograph we expect, small enough that products of
// a few such values never come near 64-bit overflow.
inline constexpr int64_t kMaxImageDimension = int64_t(1) << 20;

// Width and height in [minimum, kMaxImageDimension], channels 1 to 4,
// bytes per sample 1, 2 or 4. Zero height is accepted only when minimumHeight
// is 0 (a format that may legitimately hold no rows). FileBadArgument otherwise.
FileResult CheckImageGeometry(int64_t width, int64_t height, int channels, int bytesPerSample,
    int64_t minimumHeight = 1);

// FileBadArgument when the file holds fewer bytes than its header needs.
inline FileResult CheckDeclaredSize(uint64_t neededBytes, uint64_t availableBytes)
{
    return neededBytes <= availableBytes ? FileOk : FileBadArgument;
}

// a × b with overflow detection; false when the product does not fit.
bool CheckedMultiply(uint64_t a, uint64_t b, uint64_t* product);
