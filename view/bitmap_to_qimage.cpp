#include "view/bitmap_to_qimage.h"

#include <cstring>

#include "image/image.h"

QImage ToQImage(const DisplayBitmap& bitmap)
{
    QImage out(bitmap.width, bitmap.height, QImage::Format_BGR888);
    if (out.isNull())
        return out;
    size_t rowBytes = static_cast<size_t>(bitmap.width) * 3;
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(out.scanLine(y), bitmap.Row(y), rowBytes);
    return out;
}

QImage ImageToQImage(const CImage& image, int rotation)
{
    DisplayBitmap whole, turned;
    if (!BuildDisplayBitmap(image, Rect { 0, 0, image.width, image.height }, whole))
        return {};
    if (rotation == 0)
        return ToQImage(whole);
    if (!RotateBitmap(whole, rotation, turned))
        return {};
    return ToQImage(turned);
}
