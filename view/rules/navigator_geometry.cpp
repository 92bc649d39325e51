#include "view/rules/navigator_geometry.h"

#include <algorithm>

Rect NavigatorArea(const Rect& frame)
{
    int side = std::min(frame.Width(), frame.Height());
    int cx = (frame.left + frame.right) / 2;
    int cy = (frame.top + frame.bottom) / 2;
    Rect r { cx - side / 2, cy - side / 2, 0, 0 };
    r.right = r.left + side;
    r.bottom = r.top + side;
    return r;
}

float ThumbnailScale(const Rect& area, int imageWidth, int imageHeight)
{
    if (area.Width() < 1 || area.Height() < 1)
        return 1.0f;
    float sx = static_cast<float>(area.Width()) / static_cast<float>(std::max(imageWidth, 1));
    float sy = static_cast<float>(area.Height()) / static_cast<float>(std::max(imageHeight, 1));
    return std::min(sx, sy);
}

Rect ThumbnailRect(const Rect& area, int thumbWidth, int thumbHeight, int rotation)
{
    if (rotation == 90 || rotation == -90)
        std::swap(thumbWidth, thumbHeight);
    int cx = (area.left + area.right) / 2;
    int cy = (area.top + area.bottom) / 2;
    Rect r { cx - thumbWidth / 2, cy - thumbHeight / 2, 0, 0 };
    r.right = r.left + thumbWidth;
    r.bottom = r.top + thumbHeight;
    return r;
}

Rect NavigatorBox(const Rect& visible, int rotation, int imageWidth, int imageHeight, float s,
    const Rect& thumbRect)
{
    Rect box = visible;
    int cx = (box.left + box.right) / 2;
    int cy = (box.top + box.bottom) / 2;
    int w = box.Width(), h = box.Height();
    if (rotation == 90 || rotation == -90)
        std::swap(w, h);
    int nx = cx, ny = cy;
    if (rotation == 90) {
        nx = imageHeight - cy;
        ny = cx;
    } else if (rotation == -90) {
        nx = cy;
        ny = imageWidth - cx;
    } else if (rotation == 180) {
        nx = imageWidth - cx;
        ny = imageHeight - cy;
    }
    box.left = nx - w / 2;
    box.top = ny - h / 2;
    box.right = box.left + w;
    box.bottom = box.top + h;
    // Inset by a pixel so the two-pixel outline stays on the box's own pixels.
    Rect out { static_cast<int>(static_cast<float>(box.left) * s + 1.0f),
        static_cast<int>(static_cast<float>(box.top) * s + 1.0f),
        static_cast<int>(static_cast<float>(box.right) * s - 0.5f),
        static_cast<int>(static_cast<float>(box.bottom) * s - 0.5f) };
    out.left += thumbRect.left;
    out.right += thumbRect.left;
    out.top += thumbRect.top;
    out.bottom += thumbRect.top;
    return out;
}

Point NavigatorToImage(Point p, const Rect& thumbRect, float s, int rotation, int imageWidth, int imageHeight)
{
    int dx = static_cast<int>(static_cast<float>(p.x - thumbRect.left) / s);
    int dy = static_cast<int>(static_cast<float>(p.y - thumbRect.top) / s);
    switch (rotation) {
    case 90:
        return { dy, imageHeight - dx };
    case 180:
        return { imageWidth - dx, imageHeight - dy };
    case -90:
        return { imageWidth - dy, dx };
    default:
        return { dx, dy };
    }
}
