#pragma once
#include "imagefiles/image_file_types.h"

// Readers of the formats decoded through their reference libraries. Each is
// called on a CImage that holds its defaults and no planes, and fills width,
// height, channelCount, sampleType, resolutionDpi (the JPEG reader also
// jpegSubsampling) and the planes. The info readers report the header's
// dimensions without decoding pixels. The Splitting readers may deliver a
// 16-bit image split into high and low bytes instead (sixteen_bit_split.h).
struct SixteenBitSplit;
FileResult ReadJpeg(CImage& image, const char* path);
FileResult ReadJpegInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribeJpegFile(CImage& image, const char* path);
FileResult ReadTiff(CImage& image, const char* path);
FileResult ReadTiffSplitting(CImage& image, const char* path, SixteenBitSplit& split);
FileResult ReadTiffInfo(const char* path, int* width, int* height, int* channels);
// True for an 8- or 16-bit RGB TIFF whose fourth sample is an infrared plane.
bool TiffFourthPlaneIsInfrared(const char* path);
FileResult DescribeTiffFile(CImage& image, const char* path);
FileResult ReadPng(CImage& image, const char* path);
FileResult ReadPngSplitting(CImage& image, const char* path, SixteenBitSplit& split);
FileResult ReadPngInfo(const char* path, int* width, int* height, int* channels);
FileResult DescribePngFile(CImage& image, const char* path);
