#include "view/rules/zoom_rules.h"

#include <cmath>
#include <cstdio>

float ScaleForLevel(int level)
{
    unsigned n = static_cast<unsigned>(level < 0 ? -level : level);
    float result = 1.0f;
    float base = 2.0f;
    while (n) {
        if (n & 1u)
            result *= base;
        base *= base;
        n >>= 1;
    }
    return level < 0 ? 1.0f / result : result;
}

int ZoomInLevel(float scale)
{
    if (scale >= 4.0f)
        return 1;
    if (scale == 2.0f)
        return 0;
    if (scale == 1.0f)
        return -1;
    if (scale <= 0.5f)
        return -2;
    // Not a power of two: head for the nearest step above.
    return static_cast<int>(std::floor(std::log2(scale)));
}

int ZoomOutLevel(float scale)
{
    return static_cast<int>(std::log2(scale)) + 1;
}

std::string ZoomText(float scale)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d%%", static_cast<int>((1.0f / scale + 0.005f) * 100.0f));
    return text;
}

int ClampVisibleRegion(Rect& r, int imageWidth, int imageHeight)
{
    int bits = 0;
    if (r.right - r.left >= imageWidth) {
        r.left = 0;
        r.right = imageWidth;
        bits |= kFitsWidth;
    }
    if (r.bottom - r.top >= imageHeight) {
        r.top = 0;
        r.bottom = imageHeight;
        bits |= kFitsHeight;
    }
    if (r.left < 0) {
        r.right -= r.left;
        r.left = 0;
    } else if (r.right > imageWidth) {
        r.left -= r.right - imageWidth;
        r.right = imageWidth;
    }
    if (r.top < 0) {
        r.bottom -= r.top;
        r.top = 0;
    } else if (r.bottom > imageHeight) {
        r.top -= r.bottom - imageHeight;
        r.bottom = imageHeight;
    }
    return bits;
}

void CentreOn(Rect& r, int cx, int cy)
{
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    r.left = cx - w / 2;
    r.top = cy - h / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
}

static int RoundHalfUp(float v)
{
    return static_cast<int>(v + 0.5f);
}

Rect LayOutImageRect(const Rect& visible, float scale, int rotation, const Rect& area)
{
    int w = RoundHalfUp(static_cast<float>(visible.right - visible.left) / scale);
    int h = RoundHalfUp(static_cast<float>(visible.bottom - visible.top) / scale);
    if (rotation == 90 || rotation == -90) {
        int t = w;
        w = h;
        h = t;
    }
    int cx = (area.left + area.right) / 2;
    int cy = (area.top + area.bottom) / 2;
    Rect r { cx - w / 2, cy - h / 2, 0, 0 };
    r.right = r.left + w;
    r.bottom = r.top + h;
    return Intersect(r, area);
}

ZoomState ApplyZoom(ViewGeometry& view, int level, const Rect& area)
{
    ZoomState state;
    state.scale = ScaleForLevel(level);
    view.scale = state.scale;
    int w = RoundHalfUp(static_cast<float>(area.Width()) * view.scale);
    int h = RoundHalfUp(static_cast<float>(area.Height()) * view.scale);
    if (view.rotation == 90 || view.rotation == -90) {
        int t = w;
        w = h;
        h = t;
    }
    Rect& v = view.visible;
    int cx = (v.left + v.right) / 2;
    int cy = (v.top + v.bottom) / 2;
    v.left = cx - w / 2;
    v.top = cy - h / 2;
    v.right = v.left + w;
    v.bottom = v.top + h;
    state.fitBits = ClampVisibleRegion(v, view.imageWidth, view.imageHeight);
    state.zoomInEnabled = !(view.scale <= kMinimumScale);
    state.zoomOutEnabled = state.fitBits != (kFitsWidth | kFitsHeight);
    Rect old = view.imageRect;
    view.imageRect = LayOutImageRect(v, view.scale, view.rotation, area);
    state.shrank = view.imageRect.Width() < old.Width() || view.imageRect.Height() < old.Height();
    return state;
}

int RescaledBrushRadius(int radius, float oldScale, float newScale)
{
    return RoundHalfUp(newScale / oldScale * static_cast<float>(radius));
}
