#pragma once
#include <cstddef>
#include <string>

#include "engine/spot_labels.h"

// The count as the control panel shows it: "3,412 spots corrected".
std::string SpotCountCaption(size_t count);

// Which spot the user is reviewing, stepping through the list in its order
// (largest first) and keeping its place when the list is rebuilt.
class SpotReview {
public:
    // The index of the spot under review, or −1 when none is.
    int Current() const { return index; }
    // Step forward or back, wrapping at the ends; −1 for an empty list.
    int Next(const SpotList& list);
    int Previous(const SpotList& list);
    // After the list was rebuilt: stays on the same spot (the one with the
    // same first pixel) when it is still listed; otherwise on the spot now at
    // its place, so that after a veto the review goes on with the next one.
    int Follow(const SpotList& list);
    void Reset() { index = -1; }
    // Goes to the spot at `i` (wrapping); −1 for an empty list.
    int Select(const SpotList& list, int i);

private:

    int index = -1;
    int32_t firstX = 0; // the spot under review's first pixel
    int32_t firstY = 0;
};
