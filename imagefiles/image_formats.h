#pragma once
#include <cstdint>

#include "imagefiles/image_file_types.h"

class CImage;
struct SixteenBitSplit;

using ImageReader = FileResult (*)(CImage& image, const char* path);
using ImageInfoReader = FileResult (*)(const char* path, int* width, int* height, int* channels);
// Fills what a full read would set except the planes (size, channels, sample
// type, resolution, subsampling), from the header and the file's size only.
using ImageHeaderReader = FileResult (*)(CImage& image, const char* path);
// A read that may deliver a 16-bit image split into high and low bytes.
using ImageSplittingReader = FileResult (*)(CImage& image, const char* path, SixteenBitSplit& split);

// One readable format: the two leading bytes that identify it and its readers.
struct ImageFormat {
    ImageFileType type;
    uint8_t signature[2];
    ImageReader read;
    ImageInfoReader readInfo;
    ImageHeaderReader readHeader; // null: the format must be decoded to tell
    ImageSplittingReader readSplitting; // null: never splits
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

// The same, but a 16-bit image whose reader can split it while decoding comes
// back split (`split.done`): `image` is then described without planes, and
// the samples are in split.high and split.low.
FileResult LoadImageFileSplitting(CImage& image, const char* path, SixteenBitSplit& split);

// The image's description as LoadImageFile would leave it, without planes,
// read from the header where the format allows. A file whose pixels are
// damaged may describe itself here and still fail to load.
FileResult LoadImageHeader(CImage& image, const char* path);
