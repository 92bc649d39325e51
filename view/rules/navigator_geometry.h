#pragma once
#include "image/rect.h"
#include "view/rules/view_mapping.h"

// The largest square centred in the navigation frame.
Rect NavigatorArea(const Rect& frame);

// Navigator pixels per image pixel; 1 when the navigator has no room at all.
float ThumbnailScale(const Rect& navigatorArea, int imageWidth, int imageHeight);

// Where the thumbnail (turned like the view) sits: centred in the navigator area.
Rect ThumbnailRect(const Rect& navigatorArea, int thumbWidth, int thumbHeight, int rotation);

// The red box: the visible region turned like the thumbnail and scaled onto it.
Rect NavigatorBox(const Rect& visible, int rotation, int imageWidth, int imageHeight, float thumbScale,
    const Rect& thumbRect);

// A point on the navigator to the image point under it, unclamped.
Point NavigatorToImage(Point p, const Rect& thumbRect, float thumbScale, int rotation, int imageWidth,
    int imageHeight);
