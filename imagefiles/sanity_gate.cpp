#include "imagefiles/sanity_gate.h"

FileResult CheckImageGeometry(int64_t width, int64_t height, int channels, int bytesPerSample,
    int64_t minimumHeight)
{
    if (width < 1 || width > kMaxImageDimension)
        return FileBadArgument;
    if (height < minimumHeight || height < 0 || height > kMaxImageDimension)
        return FileBadArgument;
    if (channels < 1 || channels > 4)
        return FileBadArgument;
    if (bytesPerSample != 1 && bytesPerSample != 2 && bytesPerSample != 4)
        return FileBadArgument;
    uint64_t pixels = 0, bytes = 0;
    if (!CheckedMultiply(static_cast<uint64_t>(width), static_cast<uint64_t>(height), &pixels)
        || !CheckedMultiply(pixels, static_cast<uint64_t>(bytesPerSample) * channels, &bytes)
        || bytes > SIZE_MAX / 2)
        return FileBadArgument;
    return FileOk;
}

bool CheckedMultiply(uint64_t a, uint64_t b, uint64_t* product)
{
    return !__builtin_mul_overflow(a, b, product);
}
