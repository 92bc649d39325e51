#pragma once
#include "image/rect.h"

class CImage;
class QPainter;

// Draws the thumbnail turned like the view at the thumbnail rectangle's
// top-left, unscaled, and the red box of the visible region over it.
void DrawNavigator(QPainter& painter, const CImage& thumbnail, int rotation, const Rect& thumbRect,
    const Rect& box);
