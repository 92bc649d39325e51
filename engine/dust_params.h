#pragma once
#include <cstdint>

// The nine bytes of the dust controls. The main window owns the current record;
// the tile queue copies it into every tile a request touches.
struct DustParams {
    uint8_t automation = 0; // 1 = automatic detection and correction on
    uint8_t dustRadius = 0; // radius r of the clean-image median (window 2r + 1)
    uint8_t dustThreshold = 0; // dust amount, 1 to 30
    uint8_t aggression = 0; // 5 to 51: flat-area radius 51 − a, tile margin 54 − a
    uint8_t flatness = 0; // flatness tolerance parameter, always 25
    uint8_t dustType = 0; // 0 dark, 1 bright, 2 either
    uint8_t infrared = 0; // 0 visible-light detection; 1 to 10 infrared detection at that sensitivity
    uint8_t brushDustSize = 0; // brush median radius while automation is off; 0 means 10
    uint8_t brushSizeDone = 0; // in a tile's applied block: brush size last prepared
    bool operator==(const DustParams&) const = default;
};
static_assert(sizeof(DustParams) == 9, "DustParams is a nine-byte record");
