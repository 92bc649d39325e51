#pragma once
#include <cstdint>

#include "imagefiles/image_file_types.h"

class CImage;
class SaveRows;

// Saves by the extension of `path`, compared without regard to case:
// ".bmp", ".jpg", ".png" or ".tif". PNG and TIFF keep 16 bits per sample when
// the image holds more than 8; TIFF is LZW-compressed. The JPEG arguments are
// passed through to SaveJpeg. Any other extension gives
// FileUnsupportedType.
FileResult SaveImageByExtension(const CImage& image, const char* path, const char* sourcePath,
    int jpegQuality, int jpegSubsampling, const uint8_t* app1, int app1Length);

// The same choice for rows built by the caller; "keep 16 bits" follows the
// rows' `deep`.
FileResult SaveRowsByExtension(const SaveRows& rows, const char* path, const char* sourcePath,
    int jpegQuality, int jpegSubsampling, const uint8_t* app1, int app1Length);
