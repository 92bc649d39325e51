#pragma once
#include "image/rect.h"

// Dialog layouts are written in dialog units so that they follow the font:
// a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
struct DialogBaseUnits {
    int charWidth = 0; // average character width in pixels
    int charHeight = 0; // character cell height in pixels
};

// A box in dialog units: x, y, width, height.
struct DialogBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// a × b / c rounded half away from zero, the way dialog units have always
// been turned into pixels; 0 when c is 0.
int MulDivRound(int a, int b, int c);

// The average character width from the width of the 52 Latin letters,
// rounded: (total / 26 + 1) / 2.
int AverageCharWidth(int widthOfAlphabet);

// Each of x, y, width and height converted on its own, so that equal widths
// stay equal wherever a control sits. Returned as left, top, right, bottom.
Rect DialogBoxToPixels(const DialogBox& box, const DialogBaseUnits& base);
