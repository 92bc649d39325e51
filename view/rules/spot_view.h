#pragma once
#include "image/rect.h"
#include "view/rules/view_mapping.h"

// Where the spot review puts the view and its marks.

// The zoom level (scale 2^level) at which a spot's box, with a margin of
// half its size on each side, takes about a quarter of the image area: the
// most magnified level whose box fits in half the area's width and height,
// from 400 % (level −2) out to the level that shows the whole image, for the
// longest scratches.
int SpotZoomLevel(const Rect& box, const Rect& imageArea, int imageWidth, int imageHeight);

// An image rectangle in window coordinates, whatever the view's rotation.
Rect ImageRectInWindow(const ViewGeometry& view, const Rect& imageBox);

// The marker around a spot: the rectangle of the ellipse through the corners
// of its box in the window, grown by `margin` screen pixels on each side, so
// that the circle lies outside the spot's pixels.
Rect SpotMarkerRect(const ViewGeometry& view, const Rect& box, int margin);

// A spot as "show spots" draws it: its box in the window, grown about its
// centre to at least `minimumSide` screen pixels each way, so that a
// one-pixel spot stays visible when the whole picture is in view.
Rect SpotOverlayRect(const ViewGeometry& view, const Rect& box, int minimumSide);
