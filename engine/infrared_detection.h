#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/infrared_model.h"
#include "image/image.h"
#include "image/rect.h"

// How far the infrared detection of a tile looks beyond it: the fill walks up
// to kInfraredFillReach pixels from a defect pixel (and a little further for
// grain), and the map it walks on must be complete there.
inline constexpr int kInfraredMargin = 64;
inline constexpr int kInfraredFillReach = 48;
// The local background is a closing on 4 × 4 cell means with this radius in
// cells: dark marks narrower than (2 × 6 + 1) × 4 = 52 pixels vanish from it,
// while larger dark areas (frame edges, the film holder) stay.
inline constexpr int kInfraredCell = 4;
inline constexpr int kInfraredClosingCells = 6;

inline constexpr int kInfraredSensitivityDefault = 5; // 1 (only opaque marks) .. 10 (faint ones too)
inline constexpr int kInfraredSensitivityMin = 1;
inline constexpr int kInfraredSensitivityMax = 10;

// The smallest relative infrared drop that counts as a defect at a sensitivity.
float InfraredDropThreshold(int sensitivity);

// Working memory kept by the kernel from tile to tile.
struct InfraredScratch {
    std::vector<float> compensated, cells, cellsPass, closed;
    std::vector<uint8_t> strength, grownPass, grown;
};

// The plane the detection reads, with what the analysis measured of it.
struct InfraredInput {
    const CImage* plane = nullptr; // one 8- or 16-bit channel, the image's size
    InfraredModel model;
};

// Writes, for the pixels of `tile`, the defect strength 0..255 found in the
// infrared plane into `map` and, where it is not 0, the fill made from the
// surrounding pixels that are not defects into `fill` (channels 0 to 2).
// Returns a DetectResult: 0 done, 1 aborted (map and fill untouched),
// 4 out of memory.
int DetectInfrared(const CImage& source, const InfraredInput& infrared, int sensitivity, const Rect& tile,
    CImage& map, CImage& fill, const std::atomic<uint8_t>& abort, InfraredScratch& scratch);
