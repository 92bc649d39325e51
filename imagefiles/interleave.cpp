#include "imagefiles/interleave.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "image/sample_conversion.h"

namespace {

// The channel count as a constant, so that the compiler unrolls the samples
// of a pixel and vectorises the loop.
template <int Channels> void Deinterleave8(const uint8_t* in, size_t width, uint8_t* const* out)
{
    uint8_t* planes[Channels];
    for (int c = 0; c < Channels; ++c)
        planes[c] = out[c];
    for (size_t x = 0; x < width; ++x)
        for (int c = 0; c < Channels; ++c)
            planes[c][x] = in[x * Channels + c];
}

template <int Channels> void DeinterleaveBigEndian16(const uint8_t* in, size_t width, uint16_t* const* out)
{
    uint16_t* planes[Channels];
    for (int c = 0; c < Channels; ++c)
        planes[c] = out[c];
    for (size_t x = 0; x < width; ++x)
        for (int c = 0; c < Channels; ++c) {
            const uint8_t* sample = in + (x * Channels + c) * 2;
            planes[c][x] = static_cast<uint16_t>(sample[0] << 8 | sample[1]);
        }
}

template <int Channels> void DeinterleaveNative16(const uint8_t* in, size_t width, uint16_t* const* out)
{
    uint16_t* planes[Channels];
    for (int c = 0; c < Channels; ++c)
        planes[c] = out[c];
    for (size_t x = 0; x < width; ++x)
        for (int c = 0; c < Channels; ++c)
            std::memcpy(&planes[c][x], in + (x * Channels + c) * 2, 2);
}

// Byte `HighByte` of each sample is its most significant one.
template <int Channels, int Kept, int HighByte>
void SplitBytes16(const uint8_t* in, size_t width, uint8_t* const* high, uint8_t* const* low)
{
    uint8_t* highPlanes[Kept];
    uint8_t* lowPlanes[Kept];
    for (int c = 0; c < Kept; ++c) {
        highPlanes[c] = high[c];
        lowPlanes[c] = low[c];
    }
    for (size_t x = 0; x < width; ++x)
        for (int c = 0; c < Kept; ++c) {
            const uint8_t* sample = in + (x * Channels + c) * 2;
            highPlanes[c][x] = sample[HighByte];
            lowPlanes[c][x] = sample[1 - HighByte];
        }
}

template <int HighByte>
void SplitRow16(const uint8_t* in, int channels, size_t width, uint8_t* const* high, uint8_t* const* low)
{
    if (channels == 1)
        SplitBytes16<1, 1, HighByte>(in, width, high, low);
    else if (channels == 3)
        SplitBytes16<3, 3, HighByte>(in, width, high, low);
    else
        SplitBytes16<4, 3, HighByte>(in, width, high, low);
}

} // namespace

void DeinterleaveRow8(const uint8_t* in, int channels, size_t width, uint8_t* const* out)
{
    switch (channels) {
    case 1:
        std::memcpy(out[0], in, width);
        break;
    case 2:
        Deinterleave8<2>(in, width, out);
        break;
    case 3:
        Deinterleave8<3>(in, width, out);
        break;
    default:
        Deinterleave8<4>(in, width, out);
        break;
    }
}

void DeinterleaveRowBigEndian16(const uint8_t* in, int channels, size_t width, uint16_t* const* out)
{
    switch (channels) {
    case 1:
        DeinterleaveBigEndian16<1>(in, width, out);
        break;
    case 2:
        DeinterleaveBigEndian16<2>(in, width, out);
        break;
    case 3:
        DeinterleaveBigEndian16<3>(in, width, out);
        break;
    default:
        DeinterleaveBigEndian16<4>(in, width, out);
        break;
    }
}

namespace {

// As in the deinterleave: the count as a constant lets the compiler unroll a
// pixel's samples and vectorise across pixels.
template <int Count, typename In, typename Convert>
void InterleaveFixed(const In* const* rows, size_t width, uint8_t* out, Convert convert)
{
    const In* in[Count];
    for (int i = 0; i < Count; ++i)
        in[i] = rows[i];
    for (size_t x = 0; x < width; ++x)
        for (int i = 0; i < Count; ++i)
            out[x * Count + i] = convert(in[i][x]);
}

template <typename In, typename Convert>
void InterleaveAny(const In* const* rows, int count, size_t width, uint8_t* out, Convert convert)
{
    switch (count) {
    case 1:
        InterleaveFixed<1>(rows, width, out, convert);
        break;
    case 2:
        InterleaveFixed<2>(rows, width, out, convert);
        break;
    case 3:
        InterleaveFixed<3>(rows, width, out, convert);
        break;
    case 4:
        InterleaveFixed<4>(rows, width, out, convert);
        break;
    case 5:
        InterleaveFixed<5>(rows, width, out, convert);
        break;
    case 6:
        InterleaveFixed<6>(rows, width, out, convert);
        break;
    case 7:
        InterleaveFixed<7>(rows, width, out, convert);
        break;
    default:
        InterleaveFixed<8>(rows, width, out, convert);
        break;
    }
}

template <int Count> void InterleaveWide(const uint16_t* const* rows, size_t width, bool bigEndian, uint8_t* out)
{
    const uint16_t* in[Count];
    for (int i = 0; i < Count; ++i)
        in[i] = rows[i];
    const int high = bigEndian || std::endian::native == std::endian::big ? 0 : 1;
    for (size_t x = 0; x < width; ++x)
        for (int i = 0; i < Count; ++i) {
            uint8_t* sample = out + (x * Count + i) * 2;
            sample[high] = static_cast<uint8_t>(in[i][x] >> 8);
            sample[1 - high] = static_cast<uint8_t>(in[i][x]);
        }
}

} // namespace

void InterleaveRows8(const uint8_t* const* rows, int count, size_t width, uint8_t* out)
{
    if (count == 1) {
        std::memcpy(out, rows[0], width);
        return;
    }
    InterleaveAny(rows, count, width, out, [](uint8_t v) { return v; });
}

void InterleaveHighBytes16(const uint16_t* const* rows, int count, size_t width, uint8_t* out)
{
    InterleaveAny(rows, count, width, out, [](uint16_t v) { return U16ToU8(v); });
}

void InterleaveRows16(const uint16_t* const* rows, int count, size_t width, bool bigEndian, uint8_t* out)
{
    if (count == 1 && !bigEndian) {
        std::memcpy(out, rows[0], width * 2);
        return;
    }
    switch (count) {
    case 1:
        InterleaveWide<1>(rows, width, bigEndian, out);
        break;
    case 2:
        InterleaveWide<2>(rows, width, bigEndian, out);
        break;
    case 3:
        InterleaveWide<3>(rows, width, bigEndian, out);
        break;
    default:
        InterleaveWide<4>(rows, width, bigEndian, out);
        break;
    }
}

void DeinterleaveRowNative16(const uint8_t* in, int channels, size_t width, uint16_t* const* out)
{
    switch (channels) {
    case 1:
        std::memcpy(out[0], in, width * sizeof(uint16_t));
        break;
    case 2:
        DeinterleaveNative16<2>(in, width, out);
        break;
    case 3:
        DeinterleaveNative16<3>(in, width, out);
        break;
    default:
        DeinterleaveNative16<4>(in, width, out);
        break;
    }
}

void SplitRowBigEndian16(const uint8_t* in, int channels, size_t width, uint8_t* const* high, uint8_t* const* low)
{
    SplitRow16<0>(in, channels, width, high, low);
}

void SplitRowNative16(const uint8_t* in, int channels, size_t width, uint8_t* const* high, uint8_t* const* low)
{
    constexpr int kHighByte = std::endian::native == std::endian::big ? 0 : 1;
    SplitRow16<kHighByte>(in, channels, width, high, low);
}
