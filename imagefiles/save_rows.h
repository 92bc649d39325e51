#pragma once
#include <cstddef>
#include <cstdint>

#include "imagefiles/image_file_types.h"

class CImage;

// The pixels a writer encodes, handed out one row at a time in the layout the
// file wants, so that a save never holds a second whole image. An image is
// one source (ImageRows); a save can also build its rows straight from other
// planes (the corrected high bytes and the low bytes kept at load).
class SaveRows {
public:
    SaveRows(int width, int height, int channelCount, bool deep, int resolutionDpi)
        : width(width), height(height), channelCount(channelCount), deep(deep), resolutionDpi(resolutionDpi)
    {
    }
    virtual ~SaveRows() = default;

    // False when there is nothing to write (a missing plane).
    virtual bool HasPixels() const = 0;
    // Row y as 8-bit samples of the channels listed in `order` (`count` of
    // them, 1 to 4; a channel may repeat), interleaved.
    virtual void Row8(int y, const int* order, int count, uint8_t* out) const = 0;
    // Row y as 16-bit samples of the first `count` channels, interleaved,
    // most significant byte first when `bigEndian`, else in the machine's order.
    virtual void Row16(int y, int count, bool bigEndian, uint8_t* out) const = 0;

    int width;
    int height;
    int channelCount;
    bool deep; // more than 8 bits a sample: PNG and TIFF keep 16
    int resolutionDpi;
};

// The rows of an image, converted as the writers always have: 16-bit to 8
// keeps the high byte, 8-bit to 16 multiplies by 256, float is scaled by the
// image's float range and clamped.
class ImageRows : public SaveRows {
public:
    explicit ImageRows(const CImage& image);
    bool HasPixels() const override;
    void Row8(int y, const int* order, int count, uint8_t* out) const override;
    void Row16(int y, int count, bool bigEndian, uint8_t* out) const override;

private:
    const CImage& image;
};

// The writers on rows; the CImage forms (image_file_types.h) wrap their image
// in ImageRows.
FileResult SaveBmp(const SaveRows& rows, const char* path);
FileResult SaveJpeg(const SaveRows& rows, const char* path, const char* sourcePath, int quality,
    int subsampling, const uint8_t* app1Payload, int app1Length);
FileResult SavePng(const SaveRows& rows, const char* path, int bitsPerSample);
FileResult SaveTiff(const SaveRows& rows, const char* path, int bitsPerSample, int compression);
