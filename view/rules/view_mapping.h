#pragma once
#include "image/rect.h"

// Everything that decides where image pixels land in the window: the scale
// (image pixels per screen pixel, a power of two), the quarter-turn rotation,
// the rectangle of the window that shows the visible region, and that region
// in unrotated image coordinates. The two mappings below are the only place
// where zoom, pan and rotation meet.
struct ViewGeometry {
    float scale = 1.0f;
    int rotation = 0; // 0, 90 (clockwise), -90 (counter-clockwise) or 180
    Rect imageRect; // window coordinates
    Rect visible; // image coordinates
    int imageWidth = 0; // of the working image
    int imageHeight = 0;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Left ≤ right and top ≤ bottom.
Rect Normalised(const Rect& r);

// The rectangle spanned by two corners in any order.
Rect FromCorners(Point a, Point b);

// Window point to image pixel, clamped to the working image (0..width, 0..height).
Point ViewToImage(const ViewGeometry& view, int x, int y);

// Image pixel to window point. Normalises view.visible in place first, so a
// region that was stored reversed stays straight from then on.
Point ImageToView(ViewGeometry& view, int ix, int iy);

// The image rectangle's corners mapped into the image and ordered: the part of
// the image the window shows, as the engine's requests want it.
Rect VisibleImageRegion(const ViewGeometry& view);
