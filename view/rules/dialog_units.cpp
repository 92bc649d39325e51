#include "view/rules/dialog_units.h"

#include <cstdint>

int MulDivRound(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = (c < 0 ? -c : c) / 2;
    // Round half away from zero on the true quotient's sign.
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

int AverageCharWidth(int widthOfAlphabet) { return (widthOfAlphabet / 26 + 1) / 2; }

Rect DialogBoxToPixels(const DialogBox& box, const DialogBaseUnits& base)
{
    const int x = MulDivRound(box.x, base.charWidth, 4);
    const int y = MulDivRound(box.y, base.charHeight, 8);
    const int w = MulDivRound(box.width, base.charWidth, 4);
    const int h = MulDivRound(box.height, base.charHeight, 8);
    return Rect { x, y, x + w, y + h };
}
