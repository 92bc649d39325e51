#include "view/rules/display_bitmap.h"

#include <algorithm>
#include <new>

#include "image/image.h"

bool DisplayBitmap::Allocate(int w, int h)
{
    width = 0;
    height = 0;
    stride = 0;
    pixels.clear();
    if (w < 0 || h < 0)
        return false;
    size_t s = CImage::DibStride(w);
    try {
        pixels.assign(s * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = w;
    height = h;
    stride = s;
    return true;
}

bool BuildDisplayBitmap(const CImage& source, const Rect& region, DisplayBitmap& out)
{
    if (!out.Allocate(region.Width(), region.Height()))
        return false;
    return source.ToDib24Rect(out.pixels.data(), out.pixels.size(), region.left, region.top, region.bottom,
               region.right)
        == 0;
}

uint8_t TintChannel(uint8_t value, float alpha, bool tinted)
{
    float k = 1.0f - alpha;
    float t = 255.0f * alpha;
    float v = tinted ? t + k * static_cast<float>(value) : k * static_cast<float>(value);
    int i = static_cast<int>(v);
    return static_cast<uint8_t>(i > 255 ? 255 : i);
}

void ApplyHighlight(DisplayBitmap& bitmap, const Rect& region, const uint8_t* manualMask,
    const uint8_t* detectionMap, int planeWidth, bool automation, int colour)
{
    if (!manualMask || !detectionMap)
        return;
    // Which of blue, green, red move toward full intensity.
    bool up[3] = { false, true, true }; // yellow, also for unknown colours
    if (colour == HighlightMagenta) {
        up[0] = true;
        up[1] = false;
        up[2] = true;
    } else if (colour == HighlightCyan) {
        up[0] = true;
        up[1] = true;
        up[2] = false;
    }
    int rows = std::min(region.Height(), bitmap.height);
    int cols = std::min(region.Width(), bitmap.width);
    for (int y = 0; y < rows; ++y) {
        size_t at = static_cast<size_t>(region.top + y) * static_cast<size_t>(planeWidth) + region.left;
        uint8_t* px = bitmap.Row(y);
        for (int x = 0; x < cols; ++x, ++at, px += 3) {
            int b = manualMask[at];
            int a = detectionMap[at];
            int v;
            if (automation) {
                if (!(b > 1 || (b == 1 && a != 0)))
                    continue;
                v = a > b ? a : b;
            } else {
                if (b <= 1)
                    continue;
                v = b;
            }
            float alpha = static_cast<float>(v) * 0.0021568628f; // 55 % at full strength
            for (int c = 0; c < 3; ++c)
                px[c] = TintChannel(px[c], alpha, up[c]);
        }
    }
}

bool RotateBitmap(const DisplayBitmap& in, int rotation, DisplayBitmap& out)
{
    bool turns = rotation == 90 || rotation == -90;
    int w = in.width, h = in.height;
    if (!out.Allocate(turns ? h : w, turns ? w : h))
        return false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = in.Row(y);
        for (int x = 0; x < w; ++x, src += 3) {
            int ox = x, oy = y;
            if (rotation == 90) {
                ox = h - 1 - y;
                oy = x;
            } else if (rotation == -90) {
                ox = y;
                oy = w - 1 - x;
            } else if (rotation == 180) {
                ox = w - 1 - x;
                oy = h - 1 - y;
            }
            uint8_t* dst = out.Row(oy) + 3 * static_cast<size_t>(ox);
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
    return true;
}
