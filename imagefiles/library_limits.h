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

// Compressed data cannot hold more than so many decoded bytes per stored
// byte: deflate tops out near 1032:1 on a run of zeros, and a scan (grain,
// noise, dust) compresses hundreds of times less. A header that claims more
// is a decompression bomb; refusing it before allocating keeps a small file
// from buying gigabytes and minutes. Pictures up to kAlwaysPlausibleBytes
// are never refused on this ground, so that a small flat image still opens.
inline constexpr uint64_t kMaxDecodedBytesPerFileByte = 1000;
inline constexpr uint64_t kAlwaysPlausibleBytes = uint64_t(64) << 20;

inline bool DecodedSizeIsPlausible(uint64_t decodedBytes, uint64_t fileBytes)
{
    return decodedBytes <= kAlwaysPlausibleBytes || decodedBytes / kMaxDecodedBytesPerFileByte <= fileBytes;
}

// A progressive JPEG repeats its scans over the whole image; encoders use
// about ten. Many thousands cost minutes for nothing.
inline constexpr int kMaxJpegScans = 100;
