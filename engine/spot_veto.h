#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/dust_params.h"
#include "engine/spot_labels.h"
#include "image/rect.h"

class CImage;
class DustEngine;

// A row's pixels [x0, x1).
struct PixelRun {
    int32_t y = 0;
    int32_t x0 = 0;
    int32_t x1 = 0;
    bool operator==(const PixelRun&) const = default;
};

// The veto of one spot: a "Remove Touch Up" over exactly the spot's pixels as
// they were when it was vetoed. It is kept with the brush strokes and
// replayed like them, so undo brings the spot back; the pixels are fixed, so
// after a parameter change it still restores those pixels, and whatever the
// new parameters correct beyond them is a spot of its own again.
struct SpotVeto {
    std::vector<PixelRun> runs;

    // The footprint its request names: the bounding box of its pixels.
    Rect Bounds() const;
    bool operator==(const SpotVeto&) const = default;
};

// The veto of the list's spot at `index`; empty when there is none.
SpotVeto VetoForSpot(const SpotList& list, size_t index);

// Sets the manual mask to 0 (restored by hand) over the veto's pixels inside
// the mask, through the brush's atomic accessors. Returns the rectangle
// written, empty when none was.
Rect ApplyVeto(const SpotVeto& veto, CImage& manualMask);

// What a dab does, for a veto: writes the mask, then queues the written
// rectangle as brush work at level 2 so that its tiles are composited after
// the write. Returns the engine's request result (−1 when nothing was queued).
int RequestVeto(DustEngine& engine, const SpotVeto& veto, const DustParams& params);
