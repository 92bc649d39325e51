#pragma once
#include "image/rect.h"
#include "view/rules/view_mapping.h"

// Thickness of the window decoration on each side, as the window system reports it.
struct FrameMargins {
    int left = 0;
    int top = 0; // includes the title bar
    int right = 0;
    int bottom = 0;
};

// Outer size of the window with no image open.
inline constexpr int kEmptyWindowWidth = 405;
inline constexpr int kEmptyWindowHeight = 435;

// Every edge of r limited to the work area.
Rect LimitToWorkArea(const Rect& r, const Rect& workArea);

// r's size centred on (cx, cy), integer halving.
Rect CentredOn(const Rect& r, int cx, int cy);

// Outer window rectangle that shows a whole image of imageWidth × imageHeight
// (or the empty window when either is 0), centred on the work area and cut to it.
Rect FitWindowToImage(const Rect& workArea, int imageWidth, int imageHeight, const FrameMargins& frame);

// The panel's new outer rectangle when it overlaps the window: beside the
// window's right edge, bottoms aligned, pushed back onto the work area.
// Returns false (and leaves `moved` alone) when they do not overlap.
bool PlacePanelBeside(const Rect& panel, const Rect& window, const Rect& workArea, Rect& moved);

// Re-centring after a rotation. The remembered centre absorbs the one-pixel
// rounding drift that repeated re-centring would otherwise accumulate.
struct RotationPlacement {
    Point rememberedCentre { -2, -2 };
    Rect Place(const Rect& window, const Rect& workArea);
};

// Which edges a sizing drag moves.
enum SizingEdge : int { SizeLeft = 1, SizeRight = 2, SizeTop = 4, SizeBottom = 8 };

// A tracking rectangle widened to 10 × 20 at least, on the dragged sides.
Rect LimitSizing(const Rect& tracking, int edges);
