#pragma once
#include <QImage>

// The program's pictures are drawn as SVG and compiled in as resources named
// by their number ("icon154", "bitmap151"). Each is rendered at the size its
// drawing declares. A missing resource gives a null image.
QImage LoadIconResource(int id);
QImage LoadBitmapResource(int id);
