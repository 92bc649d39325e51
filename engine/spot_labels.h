#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/rect.h"

// Spots are what the automatic correction did, counted so that a user can
// review it: connected groups (8-neighbourhood) of pixels whose detection map
// value is above zero where the composite uses the map, that is where the
// manual mask leaves the automatic result in place (1). Pixels marked or
// restored by the brush are not part of any spot.

// A horizontal run of spot pixels on one row, with what the list needs from
// its pixels, so that labelling never reads the planes again.
struct SpotRun {
    int32_t y = 0;
    int32_t x0 = 0; // first pixel
    int32_t x1 = 0; // one past the last pixel
    int32_t toneSum = 0; // Σ (source − corrected) over its pixels and channels 0 to 2; ≤ 765 per pixel
    uint8_t peak = 0; // largest map value
    bool operator==(const SpotRun&) const = default;
};

// The planes a spot is read from; all of one size.
struct SpotPlanes {
    const CImage* map = nullptr; // detection map, 1 channel
    const CImage* mask = nullptr; // manual mask; null: every pixel untouched
    const CImage* source = nullptr; // channels 0 to 2
    const CImage* corrected = nullptr; // channels 0 to 2
};

// True when the planes are there, of one size, with the channels read.
bool SpotPlanesUsable(const SpotPlanes& planes);

// Appends the runs of spot pixels inside rect, top row first and left to
// right within a row. The mask is read through the brush's atomic accessors.
void CollectSpotRuns(const SpotPlanes& planes, const Rect& rect, std::vector<SpotRun>& runs);

// Whether the source was darker or brighter than what replaced it, summed
// over the spot; Unchanged when the correction left its pixels as they were.
enum class SpotTone : uint8_t { Dark, Bright, Unchanged };

struct Spot {
    Rect box; // image coordinates, right and bottom exclusive
    double centreX = 0; // mean position of its pixels
    double centreY = 0;
    int64_t pixels = 0;
    uint8_t peak = 0; // largest map value
    SpotTone tone = SpotTone::Unchanged;
    int32_t firstX = 0; // its first pixel in reading order is (firstX, box.top)
    size_t firstRun = 0; // its runs in SpotList::Runs(): [firstRun, firstRun + runCount)
    size_t runCount = 0;
    bool operator==(const Spot&) const = default;
};

// The spots of an image, largest first. Equal sizes go by the larger peak,
// then by the first pixel in reading order (top to bottom, then left to
// right), which no two spots share, so the order is total and repeatable.
class SpotList {
public:
    const std::vector<Spot>& Spots() const { return spots; }
    size_t Count() const { return spots.size(); }
    // Runs grouped by spot, in list order; within a spot in reading order,
    // touching runs of a row merged, so the same pixels give the same runs.
    const std::vector<SpotRun>& Runs() const { return runs; }
    bool operator==(const SpotList&) const = default;

private:
    friend SpotList LabelSpotRuns(const std::vector<SpotRun>& runs);
    std::vector<Spot> spots;
    std::vector<SpotRun> runs;
};

// Joins runs into spots. The runs must come in reading order (by row, and by
// x0 within a row); runs of one row that touch (one ends where the next
// begins, as at a boundary between separately collected areas) join too.
SpotList LabelSpotRuns(const std::vector<SpotRun>& runs);

// The whole image at once. Without automation the map is not used and there
// are no spots.
SpotList LabelSpots(const SpotPlanes& planes, bool automation);

// The tie rule of the list's order: true when a comes before b.
bool SpotComesFirst(const Spot& a, const Spot& b);
