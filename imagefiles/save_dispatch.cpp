#include "imagefiles/save_dispatch.h"

#include <cctype>
#include <cstring>

#include "image/image.h"
#include "imagefiles/save_rows.h"

namespace {

constexpr int kTiffLzw = 5;

bool HasExtension(const char* path, const char* extension)
{
    const char* slash = std::strrchr(path, '/');
    const char* dot = std::strrchr(path, '.');
    if (!dot || (slash && dot < slash))
        return false;
    size_t length = std::strlen(extension);
    if (std::strlen(dot) != length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(dot[i])) != extension[i])
            return false;
    return true;
}

} // namespace

FileResult SaveRowsByExtension(const SaveRows& rows, const char* path, const char* sourcePath,
    int jpegQuality, int jpegSubsampling, const uint8_t* app1, int app1Length)
{
    if (!path)
        return FileBadArgument;
    int bits = rows.deep ? 16 : 8;
    if (HasExtension(path, ".bmp"))
        return SaveBmp(rows, path);
    if (HasExtension(path, ".jpg"))
        return SaveJpeg(rows, path, sourcePath, jpegQuality, jpegSubsampling, app1, app1Length);
    if (HasExtension(path, ".png"))
        return SavePng(rows, path, bits);
    if (HasExtension(path, ".tif"))
        return SaveTiff(rows, path, bits, kTiffLzw);
    return FileUnsupportedType;
}

FileResult SaveImageByExtension(const CImage& image, const char* path, const char* sourcePath,
    int jpegQuality, int jpegSubsampling, const uint8_t* app1, int app1Length)
{
    return SaveRowsByExtension(ImageRows(image), path, sourcePath, jpegQuality, jpegSubsampling, app1, app1Length);
}
