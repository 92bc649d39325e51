#include "view/rules/view_mapping.h"

#include <algorithm>
#include <utility>

Rect Normalised(const Rect& r)
{
    Rect out = r;
    if (out.left > out.right)
        std::swap(out.left, out.right);
    if (out.top > out.bottom)
        std::swap(out.top, out.bottom);
    return out;
}

Rect FromCorners(Point a, Point b)
{
    return { std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y) };
}

Point ViewToImage(const ViewGeometry& view, int x, int y)
{
    // Round by adding a half and truncating toward zero, in single precision.
    int dx = static_cast<int>(view.scale * static_cast<float>(x - view.imageRect.left) + 0.5f);
    int dy = static_cast<int>(view.scale * static_cast<float>(y - view.imageRect.top) + 0.5f);
    int w = view.visible.right - view.visible.left;
    int h = view.visible.bottom - view.visible.top;
    Point p;
    switch (view.rotation) {
    case 90:
        p = { dy, h - dx };
        break;
    case -90:
        p = { w - dy, dx };
        break;
    case 180:
        p = { w - dx, h - dy };
        break;
    default:
        p = { dx, dy };
        break;
    }
    p.x = std::clamp(p.x + view.visible.left, 0, std::max(0, view.imageWidth));
    p.y = std::clamp(p.y + view.visible.top, 0, std::max(0, view.imageHeight));
    return p;
}

Point ImageToView(ViewGeometry& view, int ix, int iy)
{
    view.visible = Normalised(view.visible);
    int w = view.visible.Width();
    int h = view.visible.Height();
    int gx = ix - view.visible.left;
    int gy = iy - view.visible.top;
    int rx, ry;
    switch (view.rotation) {
    case 90:
        rx = h - gy;
        ry = gx;
        break;
    case -90:
        rx = gy;
        ry = w - gx;
        break;
    case 180:
        rx = w - gx;
        ry = h - gy;
        break;
    default:
        rx = gx;
        ry = gy;
        break;
    }
    float inverse = 1.0f / view.scale;
    return { static_cast<int>(static_cast<float>(rx) * inverse + 0.5f) + view.imageRect.left,
        static_cast<int>(static_cast<float>(ry) * inverse + 0.5f) + view.imageRect.top };
}

Rect VisibleImageRegion(const ViewGeometry& view)
{
    Point a = ViewToImage(view, view.imageRect.left, view.imageRect.top);
    Point b = ViewToImage(view, view.imageRect.right, view.imageRect.bottom);
    return FromCorners(a, b);
}
