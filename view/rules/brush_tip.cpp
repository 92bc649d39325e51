#include "view/rules/brush_tip.h"

#include <algorithm>
#include <cmath>

#include "image/image.h"

uint8_t BrushTipWeight(int radius, int row, int column)
{
    const float di = static_cast<float>(radius - row);
    const float dj = static_cast<float>(radius - column);
    const float d = std::sqrt(di * di + dj * dj);
    if (d > static_cast<float>(radius))
        return 0;
    // The divisor is truncated before the quarter is taken, as the weights
    // have always been computed; for whole radii it equals r²/2.
    const float divisor = std::trunc(2.0f * static_cast<float>(radius) * static_cast<float>(radius)) * 0.25f;
    const float w = 255.0f * std::exp(-(d * d) / divisor);
    return static_cast<uint8_t>(std::clamp(static_cast<int>(w), 0, 255));
}

bool BuildBrushTip(BrushTip& tip, int radius, int manualDustSize, int tool, int strength)
{
    tip.weights.reset();
    tip.radius = radius;
    tip.peak = 255;
    tip.strength = std::clamp(strength, 0, 255);
    tip.manualDustSize = manualDustSize;
    tip.add = tool != kBrushRemoveTool;
    // A radius this large would overflow the side; the slider never gets near it.
    if (radius < 1 || radius > 20000)
        return false;
    const int side = 2 * radius + 1;
    auto weights = std::make_unique<CImage>(side, side, 1, SampleU8);
    if (!weights->HasPlanes())
        return false;
    uint8_t* plane = weights->Plane8(0);
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            plane[static_cast<size_t>(i) * side + j] = BrushTipWeight(radius, i, j);
    tip.weights = std::move(weights);
    return true;
}

int BrushSliderMaximum(int largestBrushRadius, float scale)
{
    return static_cast<int>(static_cast<float>(largestBrushRadius) * scale * 3.0f + 0.5f);
}

int BrushScreenRadius(int radius, float scale)
{
    return static_cast<int>(static_cast<float>(radius) / scale + 0.5f);
}
