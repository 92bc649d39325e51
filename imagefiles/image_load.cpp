#include "image/image.h"
#include "imagefiles/image_formats.h"
#include "imagefiles/sixteen_bit_split.h"

namespace {

FileResult LoadWithFormat(CImage& image, const char* path, int fileType, SixteenBitSplit* split)
{
    ImageFileType type = static_cast<ImageFileType>(fileType);
    if (type == ImageFileType::Unknown)
        type = DetectImageFileType(path);
    const ImageFormat* format = FindFormatByType(type);
    if (!format)
        return FileBadArgument;
    FileResult result = split && format->readSplitting ? format->readSplitting(image, path, *split)
                                                       : format->read(image, path);
    if (result == FileOk && image.channelCount == 0)
        return FileBadArgument;
    const bool delivered = split && split->done ? split->high->HasPlanes() && split->low->HasPlanes()
                                                : image.HasPlanes();
    if (result == FileOk && !delivered)
        return FileNoMemory;
    return result;
}

} // namespace

FileResult LoadImageFile(CImage& image, const char* path, int fileType)
{
    return LoadWithFormat(image, path, fileType, nullptr);
}

FileResult LoadImageFileSplitting(CImage& image, const char* path, SixteenBitSplit& split)
{
    return LoadWithFormat(image, path, 0, &split);
}

FileResult LoadImageHeader(CImage& image, const char* path)
{
    const ImageFormat* format = FindFormatByType(DetectImageFileType(path));
    if (!format)
        return FileBadArgument;
    if (!format->readHeader) {
        FileResult result = LoadImageFile(image, path, static_cast<int>(format->type));
        image.ReleasePlanes();
        return result;
    }
    FileResult result = format->readHeader(image, path);
    if (result == FileOk && image.channelCount == 0)
        return FileBadArgument;
    return result;
}

// The four trailing integers select lines, samples and a transposition for
// the raw scan reader; every caller passes 0 (the whole scan as stored), so
// the loaders do not take them.
CImage::CImage(const char* path, int fileType, int, int, int, int)
{
    SetDefaults();
    // A failed load leaves an empty image (no planes, channel count 0), so
    // that nothing half-read can ever be shown.
    if (LoadImageFile(*this, path, fileType) != FileOk)
        SetDefaults();
}
