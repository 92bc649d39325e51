#include "imagefiles/sixteen_bit_split.h"

#include <cstring>

#include "image/image.h"
#include "imagefiles/interleave.h"

namespace {

// Grey's high bytes land in plane 0 and are repeated in planes 1 and 2 while
// the row is still in the cache.
template <typename Split>
void SplitRow(SixteenBitSplit& split, int y, int channels, Split splitRow)
{
    const size_t width = size_t(split.high->width);
    const size_t rowStart = size_t(y) * width;
    uint8_t* high[3] = {};
    uint8_t* low[3] = {};
    for (int c = 0; c < split.low->channelCount; ++c) {
        high[c] = split.high->Plane8(c) + rowStart;
        low[c] = split.low->Plane8(c) + rowStart;
    }
    splitRow(channels, width, high, low);
    if (split.low->channelCount == 1)
        for (int c = 1; c < 3; ++c)
            std::memcpy(split.high->Plane8(c) + rowStart, high[0], width);
}

} // namespace

bool CanSplitSixteenBit(int channels) { return channels == 1 || channels == 3 || channels == 4; }

bool AllocateSplitPlanes(SixteenBitSplit& split, const CImage& image)
{
    for (CImage* part : { split.high, split.low }) {
        part->width = image.width;
        part->height = image.height;
        part->sampleType = SampleU8;
    }
    split.high->channelCount = 3;
    split.low->channelCount = image.channelCount == 1 ? 1 : 3;
    split.high->AllocatePlanes();
    if (split.high->HasPlanes())
        split.low->AllocatePlanes();
    return split.high->HasPlanes() && split.low->HasPlanes();
}

void SplitBigEndianRow(SixteenBitSplit& split, int y, const uint8_t* in, int channels)
{
    SplitRow(split, y, channels, [in](int count, size_t width, uint8_t* const* high, uint8_t* const* low) {
        SplitRowBigEndian16(in, count, width, high, low);
    });
}

void SplitNativeRow(SixteenBitSplit& split, int y, const uint8_t* in, int channels)
{
    SplitRow(split, y, channels, [in](int count, size_t width, uint8_t* const* high, uint8_t* const* low) {
        SplitRowNative16(in, count, width, high, low);
    });
}

void ZeroSplitRows(SixteenBitSplit& split, int first, int end)
{
    if (first >= end)
        return;
    const size_t rowBytes = size_t(split.high->width);
    for (CImage* part : { split.high, split.low })
        for (int c = 0; c < part->channelCount; ++c)
            std::memset(part->Plane8(c) + size_t(first) * rowBytes, 0, size_t(end - first) * rowBytes);
}
