#include "view/rules/icon_shades.h"

namespace {
bool IsBlack(RgbColour c) { return c.red == 0 && c.green == 0 && c.blue == 0; }
uint8_t Darker(uint8_t c) { return static_cast<uint8_t>(c - 0.25 * c); }
} // namespace

RgbColour DarkerShade(RgbColour c)
{
    if (IsBlack(c))
        return c;
    return { Darker(c.red), Darker(c.green), Darker(c.blue) };
}

uint8_t GreyLevel(RgbColour c)
{
    return static_cast<uint8_t>(0.299 * c.red + 0.587 * c.green + 0.114 * c.blue);
}

RgbColour GreyShade(RgbColour c)
{
    if (IsBlack(c))
        return c;
    const uint8_t g = GreyLevel(c);
    return { g, g, g };
}
