#pragma once
#include <memory>
#include <vector>

#include "engine/spot_veto.h"
#include "image/rect.h"
#include "view/rules/brush_tip.h"
#include "view/rules/view_mapping.h"

class CImage;

// A stroke holds at most this many points; later points of it are dropped.
constexpr int kMaxStrokePoints = 32767;

// One press-drag-release, kept so that undo can replay the strokes before it.
struct BrushStroke {
    int radius = 0;
    int manualDustSize = 0;
    int tool = kBrushAddTool;
    int strength = 255;
    std::vector<Point> points; // image coordinates
    int cursor = 0; // replay position
    // Set for the veto of a spot: a "Remove Touch Up" over exactly its
    // pixels, replayed through RequestVeto instead of its points (it has none).
    std::shared_ptr<const SpotVeto> veto;

    // False when the stroke is full and the point was dropped.
    bool Append(Point p);
    // The footprint of its dabs: the union of every point's square; a veto's pixels' box.
    Rect Bounds() const;
};

// The strokes of the open image, oldest first.
class BrushStrokeList {
public:
    BrushStroke& Begin(int radius, int manualDustSize, int tool, int strength);
    BrushStroke& AddVeto(SpotVeto veto);
    BrushStroke* Last() { return strokes.empty() ? nullptr : &strokes.back(); }
    // False when there was none.
    bool RemoveLast();
    void Clear() { strokes.clear(); }
    bool Empty() const { return strokes.empty(); }
    int Count() const { return static_cast<int>(strokes.size()); }
    std::vector<BrushStroke>& Strokes() { return strokes; }

private:
    std::vector<BrushStroke> strokes;
};

// True when the pointer moved more than a quarter of the radius from the
// stroke's last point, so that the move adds a point.
bool MovedFarEnough(Point last, Point now, int radius);

// The sequence value of a segment's requests: 1 when steeper than 45°, else −1.
int SegmentSequence(Point from, Point to);

// Walks the segment in steps of a quarter radius (at least 1) and calls
// dab(x, y) at each step whose coordinates are both ≥ 0. Returns the number
// of steps taken, skipped ones included.
template <typename DabFn>
int WalkSegment(Point from, Point to, int radius, DabFn&& dab)
{
    const int step = radius / 4 > 0 ? radius / 4 : 1;
    const int dx = to.x > from.x ? to.x - from.x : from.x - to.x;
    const int dy = to.y > from.y ? to.y - from.y : from.y - to.y;
    const bool steep = dx < dy;
    const int major = steep ? dy : dx;
    const int minor = steep ? dx : dy;
    const int stepX = (to.x > from.x ? 1 : to.x < from.x ? -1 : 0) * step;
    const int stepY = (to.y > from.y ? 1 : to.y < from.y ? -1 : 0) * step;
    int decision = 2 * minor - major;
    int remaining = major;
    int x = from.x;
    int y = from.y;
    int steps = 0;
    for (;;) {
        ++steps;
        if (x >= 0 && y >= 0)
            dab(x, y);
        if (decision <= 0) {
            decision += 2 * minor;
        } else {
            decision += 2 * minor - 2 * major;
            if (steep)
                x += stepX;
            else
                y += stepY;
        }
        if (steep)
            y += stepY;
        else
            x += stepX;
        if (remaining - step < 0)
            break;
        remaining -= step;
    }
    return steps;
}

// Writes one dab of the tip centred on (cx, cy) into the manual planes, cell
// by cell where the cell lies inside the image. Add pulls the mask toward the
// strength by the cell's weight and sets the dust size over the whole square;
// remove clears the mask wherever the weight is not 0. Returns the image
// rectangle written (empty when none was).
Rect ApplyDab(const BrushTip& tip, CImage& manualMask, CImage& manualDustSize, int cx, int cy);

// The square a dab at (cx, cy) covers, as its request names it.
inline Rect DabSquare(int cx, int cy, int radius)
{
    return { cx - radius, cy - radius, cx + radius + 1, cy + radius + 1 };
}
