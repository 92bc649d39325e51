#pragma once
#include <cstddef>
#include <cstdint>

#include "image/image.h"

// What the whole infrared plane says about itself, measured once before any
// tile runs so that every tile uses the same figures whatever order the tiles
// come in. All levels are on a 0..255 scale whatever the plane's depth.
struct InfraredModel {
    float crosstalk = 0.0f; // infrared levels per red level: the faint copy of the picture
    float pictureShare = 0.0f; // crosstalk × 255 / level: how much of the picture the plane carries
    float level = 0.0f; // infrared level of clear film
    float noise = 1.0f; // noise of the compensated plane, one standard deviation
};

enum InfraredVerdict : int {
    InfraredUsable = 0,
    InfraredCarriesPicture = 1, // silver film or some slide films: the plane is a picture, not a flat field
    InfraredTooDark = 2, // nearly black: nothing to measure against
    InfraredWrongSize = 3, // not the image's size (a sidecar of another scan)
};

inline constexpr const char* kInfraredCarriesPictureMessage
    = "The infrared plane carries the picture (silver or some slide films); infrared cleaning is off for this image";
inline constexpr const char* kInfraredTooDarkMessage
    = "The infrared plane is nearly black; infrared cleaning is off for this image";

// Above this share the plane follows the picture too closely to tell dust
// from picture: real colour film stays well below it, silver is near 1.
inline constexpr float kLargestPictureShare = 0.35f;

// One sample of an 8- or 16-bit one-plane image on the 0..255 scale.
inline float InfraredSample(const CImage& plane, size_t i)
{
    if (plane.sampleType == SampleU16)
        return plane.Plane16(0)[i] * (1.0f / 257.0f);
    return plane.Plane8(0)[i];
}

// Measures the plane against the working image's red plane (channel 0):
// the crosstalk is fitted on 16 × 16 block means, where dust and grain
// average out but the picture does not, with dark outliers (large defects)
// dropped and the fit repeated; the noise comes from neighbour differences
// of the compensated plane. The plane must be one 8- or 16-bit channel of the
// working image's size.
InfraredVerdict AnalyseInfrared(const CImage& infrared, const CImage& working, InfraredModel& model);

// The message for a refusal; empty for InfraredUsable.
const char* InfraredVerdictMessage(InfraredVerdict verdict);
