#pragma once
#include <cstdint>

#include "view/rules/palettised_bitmap.h"

// The second icon of a button is a generated copy of its first: darker, so
// that a button the mouse is not over looks at rest, or grey. Black stays
// black in both, so outlines keep their weight.

// Each channel less a quarter: trunc(c − 0.25 × c).
RgbColour DarkerShade(RgbColour c);
// The grey of the colour's luminance, trunc(0.299 R + 0.587 G + 0.114 B).
uint8_t GreyLevel(RgbColour c);
RgbColour GreyShade(RgbColour c);
