#pragma once
#include <cstdint>

class CImage;

// Writes row y of the image as interleaved samples of `channels` channels
// (1 to the image's channel count), converted to the output depth as every
// writer converts: 16-bit to 8 keeps the high byte, 8-bit to 16 multiplies
// by 256, float is scaled by the image's float range and clamped.
void InterleaveRow8(const CImage& image, int y, int channels, uint8_t* out);
void InterleaveRow16(const CImage& image, int y, int channels, uint16_t* out);
