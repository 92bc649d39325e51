#pragma once
#include <QImage>

#include "view/rules/display_bitmap.h"

class CImage;

// A top-down copy of a bottom-up display bitmap, ready for QPainter.
QImage ToQImage(const DisplayBitmap& bitmap);

// The whole of an image (three or more channels) as a QImage; null on failure.
QImage ImageToQImage(const CImage& image, int rotation = 0);
