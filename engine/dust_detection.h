#pragma once
#include <atomic>
#include <cstdint>

#include "engine/byte_buffer.h"
#include "engine/dust_params.h"
#include "image/image.h"
#include "image/rect.h"

// Values derived from the dust controls.
int DeviationLimit(int dustThreshold); // Td: a 3 × 3 departure must reach (256 − Td) / 2 levels
uint8_t FlatnessTolerance(int flatness); // Tf: the largest brightness range of a flat area
int FlatRadius(int aggression); // rf: half the side of the square a flat area must hold
int TileMargin(int aggression); // rf + 3: how far the detection of a tile looks beyond it
inline constexpr int kDarknessFloor = 77; // areas darker than this never hold dust

// The final smoothing: candidates (0 or 255 over r, row-major) filtered with
// the 1-3-8-3-1 sixteenths kernel along rows, then columns, each pass
// truncated, the nearest sample of r standing in beyond it; written to the
// map at the tile's pixels. rowPass holds tile width × (tile height + 4).
void SmoothCandidates(const uint8_t* candidates, const Rect& r, const Rect& tile, uint8_t* rowPass, CImage& map);

// Working memory of the detection, kept by its owner from tile to tile.
struct DetectionScratch {
    ByteBuffer a, b, c, d, filter;
};

enum DetectResult : int { DetectDone = 0, DetectAborted = 1, DetectNoMemory = 4 };

// Computes the detection map (0 to 255 per pixel) of `tile` from the source's
// channels 0 to 2 and the median image, which must hold the median of radius
// params.dustRadius over the tile grown by TileMargin(params.aggression).
// Checks `abort` between the expensive passes; when it answers 1 or 4 the map
// is untouched.
int DetectDust(const CImage& source, const CImage& median, CImage& map, const Rect& tile,
    const DustParams& params, const std::atomic<uint8_t>& abort, DetectionScratch& scratch);
