#pragma once
#include <cstddef>
#include <cstdint>

class CImage;

// A 16-bit image loaded for work, split as its rows are decoded: the high
// bytes into `high` (8-bit, three planes; grey repeated in all three, as the
// working image wants) and the low bytes into `low` (8-bit, one plane for
// grey, three for colour; a fourth channel is dropped). No 16-bit copy of
// the whole image is held. A reader that cannot split a file (an arrangement
// that needs the whole image first) loads it as usual and leaves `done` false.
struct SixteenBitSplit {
    CImage* high = nullptr;
    CImage* low = nullptr;
    bool done = false; // the reader delivered the image this way
};

// Whether a 16-bit image of `channels` interleaved channels can be split.
bool CanSplitSixteenBit(int channels);

// Allocates both images for the size and channel count of `image` (a
// 16-bit image described but without planes); false when short of memory.
bool AllocateSplitPlanes(SixteenBitSplit& split, const CImage& image);

// Row y of the image from `channels` interleaved samples, most significant
// byte first or in machine order.
void SplitBigEndianRow(SixteenBitSplit& split, int y, const uint8_t* in, int channels);
void SplitNativeRow(SixteenBitSplit& split, int y, const uint8_t* in, int channels);

// Rows [first, end) set to zero in both images.
void ZeroSplitRows(SixteenBitSplit& split, int first, int end);
