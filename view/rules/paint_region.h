#pragma once
#include "image/rect.h"
#include "view/rules/view_mapping.h"

// What one paint of an update rectangle converts and where it draws it.
struct PaintPlan {
    Rect region; // R: image pixels under the update rectangle, within the original image
    Rect aligned; // R′: R with its corners aligned down to the scale when zoomed out
    Rect window; // R's corners mapped back to the window, ordered
};

// Empty plan (region empty) when the update rectangle covers no image pixel.
PaintPlan PlanPaint(ViewGeometry& view, const Rect& update, int originalWidth, int originalHeight);

// Destination size of a rotated bitmap of sw × sh pixels. Zoomed out, the
// source is cut to whole multiples of the scale so that partial repaints of
// neighbouring regions meet without a seam.
struct BlitSize {
    int sourceWidth = 0;
    int sourceHeight = 0;
    int width = 0;
    int height = 0;
};
BlitSize PlanBlit(float scale, int sw, int sh, const Rect& window);

// The window rectangle to repaint for a finished image rectangle, or an empty
// rectangle when it lies outside the visible region.
Rect FinishedToWindow(ViewGeometry& view, const Rect& finished);
