// Temporary: the JPEG, TIFF and PNG readers and writers are being written on
// another branch and replace this file when it is merged. Until then these
// formats report that they cannot be opened, which callers treat as any other
// failed load or save.
#include "imagefiles/format_readers.h"

FileResult ReadJpeg(CImage&, const char*) { return FileOpenFailed; }
FileResult ReadJpegInfo(const char*, int*, int*, int*) { return FileOpenFailed; }
FileResult ReadTiff(CImage&, const char*) { return FileOpenFailed; }
FileResult ReadTiffInfo(const char*, int*, int*, int*) { return FileOpenFailed; }
FileResult ReadPng(CImage&, const char*) { return FileOpenFailed; }
FileResult ReadPngInfo(const char*, int*, int*, int*) { return FileOpenFailed; }
FileResult SaveJpeg(const CImage&, const char*, const char*, int, int, const uint8_t*, int)
{
    return FileOpenFailed;
}
FileResult SavePng(const CImage&, const char*, int) { return FileOpenFailed; }
FileResult SaveTiff(const CImage&, const char*, int, int) { return FileOpenFailed; }
