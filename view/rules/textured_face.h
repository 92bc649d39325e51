#pragma once
#include <cstdint>

#include "view/rules/palettised_bitmap.h"

// The face noise: a linear congruential generator that yields 0..32767 like
// the C library's rand(), but with its own state, so that a seed gives the
// same faces on every platform and tests can pin them down.
class CFaceNoise {
public:
    explicit CFaceNoise(uint32_t seed = 1) : state_(seed) { }
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7fff);
    }

private:
    uint32_t state_;
};

// The three desktop colours the face palette runs through.
struct FaceColours {
    RgbColour shadow; // entry 0
    RgbColour face; // entry 128
    RgbColour highlight; // entry 255, also the hover tint
};

// The pattern the panel's buttons use: dark at the top, the face colour in
// the middle, light at the bottom, with rounded sides.
inline constexpr int kFacePatternShaded = 7;

// A uniform noise value in −noise..noise; 0 when noise is not positive.
int FaceNoiseTerm(CFaceNoise& random, int noise);

// Fills `out` with an 8-bit face of width × height: the shadow-face-highlight
// palette tinted `tintPercent` toward `tint`, and the pixels of `pattern`
// with `noise`. Patterns other than kFacePatternShaded give a flat face of
// the face colour with noise. False when the bitmap cannot be made.
bool MakeTexturedFace(CPalettisedBitmap& out, int width, int height, int pattern, int noise,
    int tintPercent, RgbColour tint, const FaceColours& colours, CFaceNoise& random);

// The hover face: a copy of `normal` whose palette is moved `hoverPercent`
// toward the highlight colour. False when the copy cannot be made.
bool MakeHoverFace(CPalettisedBitmap& out, const CPalettisedBitmap& normal, int hoverPercent,
    RgbColour highlight);
