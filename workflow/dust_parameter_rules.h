#pragma once
#include "engine/dust_params.h"

// The parameters of a fresh start: automatic correction on, dust type 2 (dark
// and bright spots), dust radius 10, threshold 11, aggression 31, flatness 25.
DustParams FreshStartDustParams();

// What the resolution rules remember between images. The desktop program
// keeps one of these for the whole run (ProgramResolutionMemory); a batch
// tool can give every file its own so that results do not depend on order.
struct ResolutionMemory {
    int lastResolution = 0; // the resolution used last, 0 before the first image
    bool outOfRange = false; // whether the last resolution given lay outside 50..12800
};

// The program-wide memory. Used from the user-interface thread only.
ResolutionMemory& ProgramResolutionMemory();

// Derives dust threshold, dust radius and aggression from an image's
// resolution in dots per inch (0 = the file gave none, use the last one).
// Outside 50..12800 dpi the three values are left as they were. A camera
// photograph then gets dust type 0 and automatic correction on.
void ApplyResolutionRules(int resolutionDpi, bool fromCamera, DustParams& params, ResolutionMemory& memory);

// A dust radius larger than the largest brush radius of a small image is
// brought down to it, as the open does before the resolution rules run.
void HoldDustRadiusWithin(int largestBrushRadius, DustParams& params);
