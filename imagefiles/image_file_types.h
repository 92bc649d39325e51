#pragma once
#include <cstdint>

class CImage;

// File type codes; the numbers are stored and compared, 8 is unassigned.
enum class ImageFileType : int {
    Unknown = 0,
    Bmp = 2,
    Tiff = 3,
    Jpeg = 4,
    Png = 5,
    Gif = 6,
    RawScan = 7,
    Psd = 9,
    Pgm = 10,
    Ppm = 11,
};

// Result of every reader and writer.
enum FileResult : int {
    FileOk = 0,
    FileBadArgument = 1, // no image, or a header or data that does not parse
    FileOpenFailed = 2, // cannot open, read or decode
    FileNoMemory = 3, // a working buffer cannot be allocated
    FileWriteProtected = 4, // the target exists and is write-protected
    FileTooLarge = 5, // the image is larger than the target's format can hold
    FileUnsupportedType = 6, // no writer takes the target's extension
    FileSystemError = 7, // the system refused a step of the save; errno says why
};

// The type by the first two bytes of the file; Unknown when it cannot be opened.
ImageFileType DetectImageFileType(const char* path);
// Type and header dimensions without decoding the pixels (GIF is decoded).
ImageFileType ReadImageFileInfo(const char* path, int* width, int* height, int* channels);

// Writers. The save path chooses one by the target's extension.
FileResult SaveBmp(const CImage& image, const char* path);
FileResult SaveJpeg(const CImage& image, const char* path, const char* sourcePath, int quality,
    int subsampling, const uint8_t* app1Payload, int app1Length);
FileResult SavePng(const CImage& image, const char* path, int bitsPerSample);
FileResult SaveTiff(const CImage& image, const char* path, int bitsPerSample, int compression);
