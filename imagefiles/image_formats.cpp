#include "imagefiles/image_formats.h"

#include <cstdio>

#include "imagefiles/file_bytes.h"
#include "imagefiles/format_readers.h"

namespace {

// Detection order: a file is the first format here whose two bytes it starts
// with. The order only matters where signatures could be confused, and the
// more distinctive ones come first.
constexpr ImageFormat kFormats[] = {
    { ImageFileType::Bmp, { 'B', 'M' }, ReadBmp, ReadBmpInfo, DescribeBmpFile, nullptr },
    { ImageFileType::Png, { 0x89, 'P' }, ReadPng, ReadPngInfo, DescribePngFile, ReadPngSplitting },
    { ImageFileType::Tiff, { 'I', 'I' }, ReadTiff, ReadTiffInfo, DescribeTiffFile, ReadTiffSplitting },
    { ImageFileType::Tiff, { 'M', 'M' }, ReadTiff, ReadTiffInfo, DescribeTiffFile, ReadTiffSplitting },
    { ImageFileType::RawScan, { '%', 'Q' }, ReadRawScan, ReadRawScanInfo, DescribeRawScanFile, nullptr },
    { ImageFileType::Pgm, { 'P', '5' }, ReadPgm, ReadPgmInfo, DescribePgmFile, ReadPgmSplitting },
    { ImageFileType::Ppm, { 'P', '6' }, ReadPpm, ReadPpmInfo, DescribePpmFile, ReadPpmSplitting },
    { ImageFileType::Gif, { 'G', 'I' }, ReadGif, ReadGifInfo, nullptr, nullptr },
    { ImageFileType::Psd, { '8', 'B' }, ReadPsd, ReadPsdInfo, DescribePsdFile, nullptr },
    { ImageFileType::Jpeg, { 0xFF, 0xD8 }, ReadJpeg, ReadJpegInfo, DescribeJpegFile, nullptr },
};

} // namespace

const ImageFormat* FindFormatBySignature(uint8_t first, uint8_t second)
{
    for (const ImageFormat& format : kFormats)
        if (format.signature[0] == first && format.signature[1] == second)
            return &format;
    return nullptr;
}

const ImageFormat* FindFormatByType(ImageFileType type)
{
    for (const ImageFormat& format : kFormats)
        if (format.type == type)
            return &format;
    return nullptr;
}

ImageFileType DetectImageFileType(const char* path)
{
    if (!path)
        return ImageFileType::Unknown;
    FILE* file = OpenRegularFile(path);
    if (!file)
        return ImageFileType::Unknown;
    uint8_t head[4] = {};
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got < 2)
        return ImageFileType::Unknown;
    const ImageFormat* format = FindFormatBySignature(head[0], head[1]);
    return format ? format->type : ImageFileType::Unknown;
}

ImageFileType ReadImageFileInfo(const char* path, int* width, int* height, int* channels)
{
    int unusedWidth, unusedHeight, unusedChannels;
    width = width ? width : &unusedWidth;
    height = height ? height : &unusedHeight;
    channels = channels ? channels : &unusedChannels;
    *width = *height = *channels = 0;
    ImageFileType type = DetectImageFileType(path);
    const ImageFormat* format = FindFormatByType(type);
    if (format && format->readInfo(path, width, height, channels) != FileOk)
        *width = *height = *channels = 0;
    return type;
}
