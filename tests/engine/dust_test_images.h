#pragma once
#include <cstdint>
#include <memory>
#include <random>

#include "engine/dust_params.h"
#include "image/image.h"

// Test scans made at run time: a smooth bright field with a gentle gradient,
// a busy textured patch, a dark corner, and scattered specks of either
// polarity, some of them darker in two channels and brighter in the third.
inline std::unique_ptr<CImage> MakeDustyScan(int width, int height, uint32_t seed)
{
    auto image = std::make_unique<CImage>(width, height, 3, SampleU8);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-2, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            int base = 170 + (x * 40) / width - (y * 20) / height;
            bool textured = x > width * 3 / 5 && y < height / 3;
            bool dark = x < width / 4 && y > height * 3 / 4;
            for (int c = 0; c < 3; ++c) {
                int v = base + c * 6 + noise(rng);
                if (textured)
                    v = 60 + static_cast<int>(rng() % 180);
                if (dark)
                    v = 40 + c * 3 + noise(rng);
                image->Plane8(c)[i] = static_cast<uint8_t>(v);
            }
        }
    std::uniform_int_distribution<int> px(0, width - 1), py(0, height - 1), size(0, 2), depth(30, 130), kind(0, 9);
    int specks = width * height / 900 + 3;
    for (int s = 0; s < specks; ++s) {
        int cx = px(rng), cy = py(rng), r = size(rng), d = depth(rng), k = kind(rng);
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x) {
                if (x < 0 || y < 0 || x >= width || y >= height)
                    continue;
                size_t i = static_cast<size_t>(y) * width + x;
                for (int c = 0; c < 3; ++c) {
                    int sign = k < 6 ? -1 : (k < 8 ? 1 : (c == 2 ? 1 : -1));
                    int v = image->Plane8(c)[i] + sign * d;
                    image->Plane8(c)[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
                }
            }
    }
    return image;
}

inline DustParams DefaultParams()
{
    DustParams p;
    p.automation = 1;
    p.dustRadius = 10;
    p.dustThreshold = 11;
    p.aggression = 31;
    p.flatness = 25;
    p.dustType = 0;
    return p;
}
