#include "workflow/thumbnail.h"

#include <algorithm>
#include <memory>
#include <new>

#include "image/image.h"
#include "image/sample_conversion.h"

namespace {

uint8_t Sample8(const CImage& image, int channel, size_t index)
{
    switch (image.sampleType) {
    case SampleU16:
        return U16ToU8(image.Plane16(channel)[index]);
    case SampleFloat:
        return FloatToU8(image.PlaneFloat(channel)[index], image.floatMin, image.floatMax);
    default:
        return image.Plane8(channel)[index];
    }
}

} // namespace

int ThumbnailSide(int sourceSide, int longSide, int maxSide)
{
    if (longSide <= maxSide)
        return sourceSide;
    // Rounded to nearest, never 0 so that a 1 × 5000 strip still shows.
    int64_t side = (int64_t(sourceSide) * maxSide * 2 + longSide) / (int64_t(longSide) * 2);
    return static_cast<int>(std::max<int64_t>(1, side));
}

FileResult ReduceToThumbnail(const CImage& image, int maxSide, Thumbnail& out)
{
    if (maxSide < 1 || image.width < 1 || image.height < 1 || image.channelCount < 1 || !image.HasPlanes())
        return FileBadArgument;
    const int sourceWidth = image.width;
    const int sourceHeight = image.height;
    const int longSide = std::max(sourceWidth, sourceHeight);
    const int width = ThumbnailSide(sourceWidth, longSide, maxSide);
    const int height = ThumbnailSide(sourceHeight, longSide, maxSide);
    const bool colour = image.channelCount >= 3;

    std::vector<uint8_t> rgb;
    std::vector<uint64_t> sums;
    std::vector<int> firstColumn(static_cast<size_t>(width) + 1);
    try {
        rgb.resize(size_t(width) * size_t(height) * 3);
        sums.resize(size_t(width) * 3);
    } catch (const std::bad_alloc&) {
        return FileNoMemory;
    }
    // Output column x averages source columns [firstColumn[x], firstColumn[x + 1]).
    for (int x = 0; x <= width; ++x)
        firstColumn[size_t(x)] = static_cast<int>(int64_t(x) * sourceWidth / width);

    for (int y = 0; y < height; ++y) {
        const int top = static_cast<int>(int64_t(y) * sourceHeight / height);
        const int bottom = static_cast<int>(int64_t(y + 1) * sourceHeight / height);
        std::fill(sums.begin(), sums.end(), 0);
        for (int row = top; row < bottom; ++row) {
            const size_t rowStart = size_t(row) * size_t(sourceWidth);
            for (int x = 0; x < width; ++x) {
                uint64_t* sum = &sums[size_t(x) * 3];
                for (int column = firstColumn[size_t(x)]; column < firstColumn[size_t(x) + 1]; ++column) {
                    const size_t index = rowStart + size_t(column);
                    if (colour) {
                        sum[0] += Sample8(image, 0, index);
                        sum[1] += Sample8(image, 1, index);
                        sum[2] += Sample8(image, 2, index);
                    } else {
                        uint8_t grey = Sample8(image, 0, index);
                        sum[0] += grey;
                        sum[1] += grey;
                        sum[2] += grey;
                    }
                }
            }
        }
        uint8_t* target = &rgb[size_t(y) * size_t(width) * 3];
        for (int x = 0; x < width; ++x) {
            const uint64_t count = uint64_t(bottom - top) * uint64_t(firstColumn[size_t(x) + 1] - firstColumn[size_t(x)]);
            for (int c = 0; c < 3; ++c)
                target[size_t(x) * 3 + c] = static_cast<uint8_t>((sums[size_t(x) * 3 + c] + count / 2) / count);
        }
    }
    out.width = width;
    out.height = height;
    out.rgb = std::move(rgb);
    return FileOk;
}

FileResult MakeThumbnail(const char* path, int maxSide, Thumbnail& out)
{
    out = Thumbnail();
    if (!path || maxSide < 1)
        return FileBadArgument;
    const ImageFileType type = DetectImageFileType(path);
    if (type == ImageFileType::Unknown)
        return FileBadArgument;
    if (type == ImageFileType::Jpeg)
        return MakeJpegThumbnail(path, maxSide, out);
    auto image = std::make_unique<CImage>(path, static_cast<int>(type));
    if (image->channelCount < 1 || !image->HasPlanes())
        return FileOpenFailed;
    FileResult result = ReduceToThumbnail(*image, maxSide, out);
    out.sourceWidth = image->width;
    out.sourceHeight = image->height;
    return result;
}
