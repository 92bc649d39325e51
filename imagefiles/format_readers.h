#pragma once
#include <cstddef>
#include <cstdint>

#include "imagefiles/image_file_types.h"
#include "imagefiles/library_formats.h"

class CImage;
struct SixteenBitSplit;

// Every reader fills a CImage whose fields are still at their defaults (see
// the file-loading constructor) and returns a FileResult; every info reader
// fills width, height and channels from the header only and returns a
// FileResult. The format table in image_formats.cpp ties them to type codes.

// Formats read through their libraries: library_formats.h.

// Formats we parse ourselves. Each path reader reads the file into memory and
// calls the matching Decode function, which the fuzz targets call directly.
// The Splitting readers may deliver a 16-bit image split into its high and
// low bytes instead (sixteen_bit_split.h).
FileResult ReadBmp(CImage& image, const char* path);
FileResult ReadBmpInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribeBmpFile(CImage& image, const char* path);
FileResult DecodeBmp(CImage& image, const uint8_t* data, size_t size);
FileResult DecodeBmpInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels);

FileResult ReadPsd(CImage& image, const char* path);
FileResult ReadPsdInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribePsdFile(CImage& image, const char* path);
FileResult DecodePsd(CImage& image, const uint8_t* data, size_t size);
FileResult DecodePsdInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels);

FileResult ReadPgm(CImage& image, const char* path);
FileResult ReadPgmSplitting(CImage& image, const char* path, SixteenBitSplit& split);
FileResult ReadPgmInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribePgmFile(CImage& image, const char* path);
FileResult ReadPpm(CImage& image, const char* path);
FileResult ReadPpmSplitting(CImage& image, const char* path, SixteenBitSplit& split);
FileResult ReadPpmInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribePpmFile(CImage& image, const char* path);
// channels 1 reads "P5" (grey), 3 reads "P6" (red, green, blue). With a
// split, a 16-bit image goes to the split planes (see sixteen_bit_split.h).
FileResult DecodePnm(CImage& image, const uint8_t* data, size_t size, int channels,
    SixteenBitSplit* split = nullptr);
FileResult DecodePnmInfo(const uint8_t* data, size_t size, int channels, int* width, int* height);

FileResult ReadRawScan(CImage& image, const char* path);
FileResult ReadRawScanInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribeRawScanFile(CImage& image, const char* path);
FileResult DecodeRawScan(CImage& image, const uint8_t* data, size_t size);
FileResult DecodeRawScanInfo(const uint8_t* data, size_t size, int* width, int* height, int* channels);

FileResult ReadGif(CImage& image, const char* path);
FileResult ReadGifInfo(const char* path, int* width, int* height, int* channels);
FileResult DecodeGifImage(CImage& image, const uint8_t* data, size_t size);
