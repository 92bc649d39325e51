#include <cstring>

#include "image/image.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/gif_decoder.h"

namespace {

FileResult ToImage(GifImage& gif, CImage& image)
{
    image.channelCount = 3;
    image.sampleType = SampleU8;
    image.width = gif.width;
    image.height = gif.height;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    const uint8_t* index = gif.indices.get();
    for (size_t i = 0; i < image.PixelCount(); ++i) {
        image.Plane8(0)[i] = gif.red[index[i]];
        image.Plane8(1)[i] = gif.green[index[i]];
        image.Plane8(2)[i] = gif.blue[index[i]];
    }
    gif.indices.reset();
    return FileOk;
}

} // namespace

FileResult DecodeGifImage(CImage& image, const uint8_t* data, size_t size)
{
    auto gif = std::make_unique<GifImage>();
    if (!DecodeGifBytes(data, size, *gif))
        return FileOpenFailed;
    return ToImage(*gif, image);
}

FileResult ReadGif(CImage& image, const char* path)
{
    auto gif = std::make_unique<GifImage>();
    if (!DecodeGif(path, *gif))
        return FileOpenFailed;
    return ToImage(*gif, image);
}

// Reports the first image's own size; the decode is the only way to reach it.
FileResult ReadGifInfo(const char* path, int* width, int* height, int* channels)
{
    auto gif = std::make_unique<GifImage>();
    if (!DecodeGif(path, *gif))
        return FileOpenFailed;
    *width = gif->width;
    *height = gif->height;
    *channels = 3;
    return FileOk;
}
