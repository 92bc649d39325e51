#include "workflow/image_kind.h"

#include <algorithm>
#include <cstring>

namespace {

// A new image of `channels` 8-bit planes, or null when a plane is missing.
std::unique_ptr<CImage> NewU8Image(int width, int height, int channels)
{
    auto image = std::make_unique<CImage>(width, height, channels, SampleU8);
    return image->HasPlanes() ? std::move(image) : nullptr;
}

// Splits the 16-bit planes 0 .. planeCount − 1 into high bytes (written to
// working planes 0 .. 2, a grey source filling all three) and low bytes, in
// one pass over the samples.
void SplitSixteenBit(const CImage& loaded, int planeCount, CImage& working, CImage& lowBytes)
{
    const size_t pixels = loaded.PixelCount();
    for (int c = 0; c < planeCount; ++c) {
        const uint16_t* source = loaded.Plane16(c);
        uint8_t* high = working.Plane8(c);
        uint8_t* low = lowBytes.Plane8(c);
        for (size_t i = 0; i < pixels; ++i) {
            high[i] = static_cast<uint8_t>(source[i] >> 8);
            low[i] = static_cast<uint8_t>(source[i] & 0xFF);
        }
    }
    for (int c = planeCount; c < 3; ++c)
        std::memcpy(working.Plane8(c), working.Plane8(0), pixels);
}

// What every accepted kind shares once its planes are in place.
LoadOutcome Accept(WorkingImage& result, int width, int height, WorkingImage& out)
{
    result.working->resolutionDpi = result.resolutionDpi;
    result.working->jpegSubsampling = result.jpegSubsampling;
    out = std::move(result);
    return LargestBrushRadius(width, height) == 0 ? LoadTooSmall : LoadAccepted;
}

} // namespace

ImageKind ClassifyImage(const CImage& loaded)
{
    if (loaded.channelCount == 1) {
        if (loaded.sampleType == SampleU8)
            return ImageGrey8;
        if (loaded.sampleType == SampleU16)
            return ImageGrey16;
        // Float grey is refused like the other arrangements the engine cannot take.
        return ImageNone;
    }
    if (loaded.channelCount >= 3 && loaded.channelCount <= 4) {
        if (loaded.sampleType == SampleU8)
            return ImageRgb8;
        if (loaded.sampleType == SampleU16)
            return ImageRgb16;
    }
    return ImageNone;
}

LoadOutcome MakeWorkingImage(std::unique_ptr<CImage> loaded, WorkingImage& out)
{
    if (!loaded || !loaded->HasPlanes() || loaded->width <= 0 || loaded->height <= 0)
        return LoadUnreadable;
    ImageKind kind = ClassifyImage(*loaded);
    if (kind == ImageNone)
        return LoadUnreadable;

    WorkingImage result;
    result.kind = kind;
    result.resolutionDpi = loaded->resolutionDpi;
    result.jpegSubsampling = loaded->jpegSubsampling;
    const int width = loaded->width, height = loaded->height;

    switch (kind) {
    case ImageRgb8:
        // An 8-bit fourth plane stays in the working image; the engine leaves it alone.
        result.working = std::move(loaded);
        break;
    case ImageGrey8: {
        result.working = NewU8Image(width, height, 3);
        if (!result.working)
            return LoadNoMemory;
        for (int c = 0; c < 3; ++c)
            std::memcpy(result.working->Plane8(c), loaded->Plane8(0), loaded->PixelCount());
        break;
    }
    case ImageRgb16:
    case ImageGrey16: {
        // A fourth 16-bit plane is dropped: it would have no low bytes to go back to.
        int planeCount = kind == ImageGrey16 ? 1 : 3;
        result.working = NewU8Image(width, height, 3);
        result.lowBytes = NewU8Image(width, height, planeCount);
        if (!result.working || !result.lowBytes)
            return LoadNoMemory;
        SplitSixteenBit(*loaded, planeCount, *result.working, *result.lowBytes);
        break;
    }
    case ImageNone:
        return LoadUnreadable;
    }
    return Accept(result, width, height, out);
}

LoadOutcome MakeWorkingImageFromSplit(const CImage& described, std::unique_ptr<CImage> high,
    std::unique_ptr<CImage> low, WorkingImage& out)
{
    const ImageKind kind = ClassifyImage(described);
    if ((kind != ImageRgb16 && kind != ImageGrey16) || described.width <= 0 || described.height <= 0 || !high || !low
        || !high->HasPlanes() || !low->HasPlanes())
        return LoadUnreadable;
    WorkingImage result;
    result.kind = kind;
    result.resolutionDpi = described.resolutionDpi;
    result.jpegSubsampling = described.jpegSubsampling;
    result.working = std::move(high);
    result.lowBytes = std::move(low);
    return Accept(result, described.width, described.height, out);
}

int LargestBrushRadius(int width, int height)
{
    int smaller = std::min(width, height);
    if (smaller <= 0)
        return 0;
    return std::min((smaller - 1) / 2, 16);
}
