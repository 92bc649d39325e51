#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "image/image.h"

// A made-up RGBI scan: a textured picture with sharp-edged shapes and film
// grain; an infrared plane lit by a lamp that falls off across the frame and
// carrying a faint copy of the picture (`copyShare` of the red plane); and
// opaque marks (round specks up to 40 pixels across, hairs up to 8 pixels
// wide, a long thin scratch) that darken the visible planes and the infrared
// plane alike. `clean` is the picture without the marks, `defects` 255 where
// a mark lies.
struct RgbiScene {
    std::unique_ptr<CImage> clean, dusty, infrared, defects;
};

inline uint8_t ClampByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

inline RgbiScene MakeRgbiScene(int width, int height, double copyShare, bool marks, uint32_t seed,
    int infraredType = SampleU16)
{
    RgbiScene scene;
    scene.clean = std::make_unique<CImage>(width, height, 3, SampleU8);
    scene.dusty = std::make_unique<CImage>(width, height, 3, SampleU8);
    scene.infrared = std::make_unique<CImage>(width, height, 1, infraredType);
    scene.defects = std::make_unique<CImage>(width, height, 1, SampleU8);
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0.0, 3.0), irNoise(0.0, 1.0);
    std::vector<double> opacity(static_cast<size_t>(width) * height, 0.0);

    if (marks) {
        auto disc = [&](double cx, double cy, double r, double o) {
            for (int y = std::max(0, int(cy - r - 1)); y < std::min(height, int(cy + r + 2)); ++y)
                for (int x = std::max(0, int(cx - r - 1)); x < std::min(width, int(cx + r + 2)); ++x) {
                    double d = std::hypot(x - cx, y - cy);
                    double v = std::clamp(r + 0.5 - d, 0.0, 1.0) * o; // soft one-pixel rim
                    double& out = opacity[static_cast<size_t>(y) * width + x];
                    out = std::max(out, v);
                }
        };
        // A curved hair: discs along a path, half its width as radius.
        auto hair = [&](double x0, double y0, double x1, double y1, double bend, double w, double o) {
            for (double t = 0; t <= 1.0; t += 0.002) {
                double x = x0 + (x1 - x0) * t + bend * std::sin(t * 3.14159);
                double y = y0 + (y1 - y0) * t;
                disc(x, y, w / 2, o);
            }
        };
        disc(0.2 * width, 0.3 * height, 20, 0.95); // 40 pixels across
        disc(0.7 * width, 0.6 * height, 6, 0.8);
        disc(0.45 * width, 0.8 * height, 2, 0.9);
        disc(0.85 * width, 0.2 * height, 1.2, 0.7);
        hair(0.1 * width, 0.55 * height, 0.6 * width, 0.95 * height, 30, 8, 0.9); // 8 pixels wide
        hair(0.5 * width, 0.05 * height, 0.95 * width, 0.45 * height, -20, 2, 0.85);
        hair(0.05 * width, 0.1 * height, 0.95 * width, 0.12 * height, 0, 1.5, 0.6); // the scratch, across
    }

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            // Texture, and shapes whose edges would show in a picture copy.
            double base = 128 + 40 * std::sin(x * 0.09) * std::cos(y * 0.07) + 12 * std::sin((x + 2 * y) * 0.12);
            if ((x / 90 + y / 70) % 2 == 0)
                base += 50;
            if (x > width / 2 && y > height / 2 && x < width / 2 + 80)
                base -= 70;
            double red = 0;
            for (int c = 0; c < 3; ++c) {
                uint8_t v = ClampByte(base + 10 * c - 10 + grain(rng));
                scene.clean->Plane8(c)[i] = v;
                scene.dusty->Plane8(c)[i] = ClampByte(v * (1.0 - opacity[i]));
                if (c == 0)
                    red = v;
            }
            const double lamp = 220.0 * (1.0 - 0.25 * x / width) * (1.0 - 0.1 * y / height);
            double ir = lamp * (1.0 - copyShare * (1.0 - red / 255.0)) * (1.0 - opacity[i]) + irNoise(rng);
            if (infraredType == SampleU16)
                scene.infrared->Plane16(0)[i] = static_cast<uint16_t>(std::clamp(std::lround(ir * 257.0), 0L, 65535L));
            else
                scene.infrared->Plane8(0)[i] = ClampByte(ir);
            scene.defects->Plane8(0)[i] = opacity[i] > 0.0 ? 255 : 0;
        }
    return scene;
}

// A silver-like plane: the lamp times the picture itself.
inline std::unique_ptr<CImage> MakeSilverPlane(const CImage& picture)
{
    auto plane = std::make_unique<CImage>(picture.width, picture.height, 1, SampleU8);
    for (size_t i = 0; i < picture.PixelCount(); ++i)
        plane->Plane8(0)[i] = ClampByte(230.0 * picture.Plane8(0)[i] / 255.0);
    return plane;
}
