#pragma once
#include <cstdint>
#include <memory>

class CImage;

// Brush tools as the panel's list and the context menu name them.
constexpr int kBrushAddTool = 412; // marks pixels as dust
constexpr int kBrushRemoveTool = 411; // restores pixels by hand

// The brush tip: a (2r + 1)-square of Gaussian weights and what a dab writes.
struct BrushTip {
    std::unique_ptr<CImage> weights; // one 8-bit channel, null until built
    int radius = 0;
    int peak = 255;
    int strength = 255; // toward this the add tool pulls the manual mask
    int manualDustSize = 0;
    bool add = true;
};

// Weight of row i, column j of a tip of radius r: 255 × e^(−2d²/r²) inside
// the circle, 0 outside.
uint8_t BrushTipWeight(int radius, int row, int column);

// Rebuilds the tip; false when its plane cannot be allocated or the radius is
// not positive (the tip is then left without weights).
bool BuildBrushTip(BrushTip& tip, int radius, int manualDustSize, int tool, int strength);

// Highest position of the brush size slider at a scale (its radius is the
// position + 1), so that the brush reaches about three times the largest
// radius on screen.
int BrushSliderMaximum(int largestBrushRadius, float scale);

// Radius of the cursor circle in screen pixels for a radius in image pixels.
int BrushScreenRadius(int radius, float scale);
