#pragma once
#include <cstdint>
#include <vector>

#include "image/rect.h"

// Which parts of the median image hold the median of which radius, in blocks
// of kBlock × kBlock pixels. A pixel's median depends only on the source and
// the radius, never on the tile that asked for it, so work that a
// neighbouring tile already did at the same radius is reused instead of
// repeated; and a part that another radius overwrote since is recomputed.
class MedianCoverage {
public:
    static constexpr int kBlock = 8;

    // False when the map cannot be allocated.
    bool Init(int width, int height);
    // The smallest block-aligned rectangle (clipped to the image) that holds
    // every block touching rect whose median is not of this radius; empty
    // when rect is covered.
    Rect Missing(const Rect& rect, int radius) const;
    // Before writing rect: every block it touches is no longer known.
    void Invalidate(const Rect& rect);
    // After writing rect with this radius: blocks entirely inside it (their
    // part inside the image) are known to hold that radius.
    void MarkDone(const Rect& rect, int radius);
    void Clear();

private:
    int width = 0, height = 0, columns = 0, rows = 0;
    std::vector<uint16_t> blocks; // radius + 1, or 0 when unknown
    Rect BlocksTouching(const Rect& rect) const; // block indices, half-open
};
