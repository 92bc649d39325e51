#pragma once
#include <cstdint>

#include "image/rect.h"
#include "view/rules/view_mapping.h"

class CImage;
class QPainter;

// What a paint of the image view reads.
struct ImageViewSource {
    const CImage* shown = nullptr; // the corrected image, or the original for "before"
    const uint8_t* manualMask = nullptr;
    const uint8_t* detectionMap = nullptr;
    int planeWidth = 0; // row width of both planes
    int originalWidth = 0;
    int originalHeight = 0;
    bool highlight = true;
    bool automation = true; // first byte of the dust parameters
    int highlightColour = 0;
};

// Converts the image under `update` (window coordinates) into a display
// bitmap, tints it, turns it and draws it unsmoothed. Only the damaged part
// is converted, never the whole image. Returns false when nothing was drawn
// (nothing under the rectangle, or memory short).
bool PaintImageRegion(QPainter& painter, ViewGeometry& view, const Rect& update, const ImageViewSource& source);
