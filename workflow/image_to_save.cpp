#include "workflow/image_to_save.h"

#include <cstring>
#include <strings.h>

namespace {

bool SameSize(const CImage& a, const CImage& b) { return a.width == b.width && a.height == b.height; }

std::unique_ptr<CImage> NewImage(int width, int height, int channels, int sampleType)
{
    auto image = std::make_unique<CImage>(width, height, channels, sampleType);
    return image->HasPlanes() ? std::move(image) : nullptr;
}

std::unique_ptr<CImage> JoinLowBytes(const CImage& corrected, const CImage& lowBytes, int channels)
{
    auto image = NewImage(corrected.width, corrected.height, channels, SampleU16);
    if (!image)
        return nullptr;
    size_t pixels = corrected.PixelCount();
    for (int c = 0; c < channels; ++c) {
        const uint8_t* high = corrected.Plane8(c);
        const uint8_t* low = lowBytes.Plane8(c);
        uint16_t* out = image->Plane16(c);
        for (size_t i = 0; i < pixels; ++i)
            out[i] = static_cast<uint16_t>(high[i] * 256 + low[i]);
    }
    return image;
}

std::unique_ptr<CImage> CopyPlanes8(const CImage& corrected, int channels)
{
    auto image = NewImage(corrected.width, corrected.height, channels, SampleU8);
    if (!image)
        return nullptr;
    for (int c = 0; c < channels; ++c)
        std::memcpy(image->Plane8(c), corrected.Plane8(c), corrected.PixelCount());
    return image;
}

} // namespace

std::unique_ptr<CImage> BuildImageToSave(const CImage& corrected, ImageKind kind, const CImage* lowBytes)
{
    if (!corrected.HasPlanes() || corrected.sampleType != SampleU8 || corrected.channelCount < 3)
        return nullptr;
    switch (kind) {
    case ImageRgb8:
        return CopyPlanes8(corrected, 3);
    case ImageGrey8:
        return CopyPlanes8(corrected, 1);
    case ImageRgb16:
    case ImageGrey16: {
        int channels = kind == ImageRgb16 ? 3 : 1;
        if (!lowBytes || !lowBytes->HasPlanes() || lowBytes->sampleType != SampleU8
            || lowBytes->channelCount < channels || !SameSize(*lowBytes, corrected))
            return nullptr;
        return JoinLowBytes(corrected, *lowBytes, channels);
    }
    case ImageNone:
        break;
    }
    return nullptr;
}

int RotationKindForDegrees(int degrees)
{
    switch (degrees) {
    case 90:
        return 1;
    case -90:
        return 0;
    case 180:
        return 2;
    default:
        return -1;
    }
}

int DefaultJpegSubsampling(const std::string& sourcePath, int sourceSubsampling)
{
    size_t n = sourcePath.size();
    bool jpgName = n >= 4 && strncasecmp(sourcePath.c_str() + n - 4, ".jpg", 4) == 0;
    if (!jpgName || sourceSubsampling < 0 || sourceSubsampling > 2)
        return 2;
    return sourceSubsampling;
}

std::string PathForSaveType(const std::string& path, int saveType)
{
    static const char* const extensions[] = { ".bmp", ".jpg", ".png", ".tif" };
    if (saveType < 1 || saveType > 4)
        return path;
    size_t nameStart = path.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    std::string stem = (dot != std::string::npos && dot > nameStart) ? path.substr(0, dot) : path;
    return stem + extensions[saveType - 1];
}
