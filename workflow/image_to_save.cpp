#include "workflow/image_to_save.h"

#include <bit>
#include <cstring>
#include <strings.h>

#include "imagefiles/interleave.h"

namespace {

bool SameSize(const CImage& a, const CImage& b) { return a.width == b.width && a.height == b.height; }

int SavedChannels(ImageKind kind) { return kind == ImageRgb8 || kind == ImageRgb16 ? 3 : 1; }

bool IsDeep(ImageKind kind) { return kind == ImageRgb16 || kind == ImageGrey16; }

bool CanBuildFrom(const CImage& corrected) { return corrected.HasPlanes() && corrected.sampleType == SampleU8 && corrected.channelCount >= 3; }

bool LowBytesFit(const CImage& corrected, const CImage* lowBytes, int channels)
{
    return lowBytes && lowBytes->HasPlanes() && lowBytes->sampleType == SampleU8 && lowBytes->channelCount >= channels
        && SameSize(*lowBytes, corrected);
}

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
    if (!CanBuildFrom(corrected))
        return nullptr;
    switch (kind) {
    case ImageRgb8:
    case ImageGrey8:
        return CopyPlanes8(corrected, SavedChannels(kind));
    case ImageRgb16:
    case ImageGrey16:
        if (!LowBytesFit(corrected, lowBytes, SavedChannels(kind)))
            return nullptr;
        return JoinLowBytes(corrected, *lowBytes, SavedChannels(kind));
    case ImageNone:
        break;
    }
    return nullptr;
}

CorrectedRows::CorrectedRows(const CImage& corrected, ImageKind kind, const CImage* lowBytes)
    : SaveRows(corrected.width, corrected.height, SavedChannels(kind), IsDeep(kind), 0)
{
    if (kind == ImageNone || !CanBuildFrom(corrected) || (IsDeep(kind) && !LowBytesFit(corrected, lowBytes, channelCount)))
        return;
    for (int c = 0; c < channelCount; ++c) {
        high[c] = corrected.Plane8(c);
        low[c] = IsDeep(kind) ? lowBytes->Plane8(c) : nullptr;
    }
    usable = true;
}

void CorrectedRows::Row8(int y, const int* order, int count, uint8_t* out) const
{
    const size_t start = size_t(y) * size_t(width);
    const uint8_t* rows[4];
    for (int i = 0; i < count; ++i)
        rows[i] = high[order[i]] + start;
    InterleaveRows8(rows, count, size_t(width), out);
}

// Each 16-bit sample is its two bytes side by side, so the row is the high
// and low byte rows interleaved in the order the file wants.
void CorrectedRows::Row16(int y, int count, bool bigEndian, uint8_t* out) const
{
    const size_t start = size_t(y) * size_t(width);
    const bool highFirst = bigEndian || std::endian::native == std::endian::big;
    if (!low[0]) { // an 8-bit kind written at 16 bits: each byte × 256
        for (size_t x = 0; x < size_t(width); ++x)
            for (int c = 0; c < count; ++c) {
                uint8_t* sample = out + (x * count + c) * 2;
                sample[highFirst ? 0 : 1] = high[c][start + x];
                sample[highFirst ? 1 : 0] = 0;
            }
        return;
    }
    const uint8_t* rows[6];
    for (int c = 0; c < count; ++c) {
        rows[2 * c + (highFirst ? 0 : 1)] = high[c] + start;
        rows[2 * c + (highFirst ? 1 : 0)] = low[c] + start;
    }
    InterleaveRows8(rows, 2 * count, size_t(width), out);
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
