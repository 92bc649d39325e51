#pragma once
#include <cstdint>
#include <vector>

#include "imagefiles/image_file_types.h"

class CImage;

// A small RGB preview of an image file, for browsing a folder of pictures.
struct Thumbnail {
    int sourceWidth = 0; // the file's own size in pixels
    int sourceHeight = 0;
    int width = 0; // the preview's size: the longer side at most the asked one
    int height = 0;
    std::vector<uint8_t> rgb; // width × height × 3 bytes, top row first
};

// Reads the file (type by content, as every load) and reduces it so that
// its longer side is at most `maxSide`; smaller pictures keep their size.
// JPEG files are decoded at the smallest of the library's reduced scales that
// still covers the preview, which reads a 12-megapixel scan in a fraction of
// the time of a full decode; other formats are loaded whole and reduced.
// Safe to call from several threads at once. Failures are the readers' codes.
FileResult MakeThumbnail(const char* path, int maxSide, Thumbnail& out);

// The reduction on its own: box averages of the source, samples turned to
// 8 bits by the usual conversions; one or two channels give grey.
FileResult ReduceToThumbnail(const CImage& image, int maxSide, Thumbnail& out);

// The JPEG path on its own (the decode at a reduced scale, then the reduction).
FileResult MakeJpegThumbnail(const char* path, int maxSide, Thumbnail& out);

// The preview's side for a source of `sourceSide` along the longer `longSide`.
int ThumbnailSide(int sourceSide, int longSide, int maxSide);
