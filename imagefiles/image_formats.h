#pragma once
#include <cstdint>

#include "imagefiles/image_file_types.h"

class CImage;

using ImageReader = FileResult (*)(CImage& image, const char* path);
using ImageInfoReader = FileResult (*)(const char* path, int* width, int* height, int* channels);

// One readable format: the two leading bytes that identify it and its readers.
struct ImageFormat {
    ImageFileType type;
    uint8_t signature[2];
    ImageReader read;
    ImageInfoReader readInfo;
};

// The format whose signature the two bytes carry, tried in detection order
// (strongest signatures first); null when none matches.
const ImageFormat* FindFormatBySignature(uint8_t first, uint8_t second);
// The format of a type code; null for Unknown, 8 and anything unassigned.
const ImageFormat* FindFormatByType(ImageFileType type);

// Loads `path` into an image whose fields are at their defaults; fileType 0
// detects the type. A reader that succeeds without delivering planes counts as
// a failure. After a failure the image may hold partial data: the
// file-loading constructor of CImage, the program's way in, clears it.
FileResult LoadImageFile(CImage& image, const char* path, int fileType);
