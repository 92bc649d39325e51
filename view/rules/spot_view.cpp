#include "view/rules/spot_view.h"

#include <algorithm>
#include <cmath>

#include "view/rules/zoom_rules.h"

int SpotZoomLevel(const Rect& box, const Rect& imageArea, int imageWidth, int imageHeight)
{
    int widestLevel = 0;
    while (widestLevel < 30
        && (static_cast<float>(imageWidth) / ScaleForLevel(widestLevel) > static_cast<float>(imageArea.Width())
            || static_cast<float>(imageHeight) / ScaleForLevel(widestLevel) > static_cast<float>(imageArea.Height())))
        ++widestLevel;
    // Margins of half the spot's size each way double it.
    const float wanted = 2.0f * static_cast<float>(std::max(box.Width(), 1));
    const float wantedHigh = 2.0f * static_cast<float>(std::max(box.Height(), 1));
    const float room = static_cast<float>(std::max(imageArea.Width() / 2, 1));
    const float roomHigh = static_cast<float>(std::max(imageArea.Height() / 2, 1));
    constexpr int kClosest = -2; // 400 %
    int level = kClosest;
    while (level < widestLevel) {
        const float scale = ScaleForLevel(level);
        // A quarter turn swaps what lies across and down; judge the tighter way.
        const float across = std::max(wanted, wantedHigh) / scale;
        if (across <= std::min(room, roomHigh))
            break;
        ++level;
    }
    return level;
}

Rect ImageRectInWindow(const ViewGeometry& view, const Rect& imageBox)
{
    ViewGeometry v = view; // the mapping normalises the region it is given
    const Point a = ImageToView(v, imageBox.left, imageBox.top);
    const Point b = ImageToView(v, imageBox.right, imageBox.bottom);
    return FromCorners(a, b);
}

Rect SpotMarkerRect(const ViewGeometry& view, const Rect& box, int margin)
{
    const Rect r = ImageRectInWindow(view, box);
    // An ellipse with the box's proportions passes through its corners at √2 times its half-sides.
    const int halfWidth = static_cast<int>(std::ceil(r.Width() * 0.7072)) + margin;
    const int halfHeight = static_cast<int>(std::ceil(r.Height() * 0.7072)) + margin;
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    return { cx - halfWidth, cy - halfHeight, cx + halfWidth + 1, cy + halfHeight + 1 };
}

Rect SpotOverlayRect(const ViewGeometry& view, const Rect& box, int minimumSide)
{
    Rect r = ImageRectInWindow(view, box);
    if (r.Width() < minimumSide) {
        const int cx = (r.left + r.right) / 2;
        r.left = cx - minimumSide / 2;
        r.right = r.left + minimumSide;
    }
    if (r.Height() < minimumSide) {
        const int cy = (r.top + r.bottom) / 2;
        r.top = cy - minimumSide / 2;
        r.bottom = r.top + minimumSide;
    }
    return r;
}
