#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/image.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/interleave.h"
#include "imagefiles/library_formats.h"
#include "imagefiles/library_limits.h"
#include "imagefiles/png_error_trap.h"
#include "imagefiles/sixteen_bit_split.h"

namespace {

// Everything a decode owns, kept out of the frame that the error jump leaves.
struct PngReadJob {
    CImage* image = nullptr;
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* pixels = nullptr; // all rows, one after another
    png_bytep* rows = nullptr;
    uint64_t fileSize = 0;
    bool headerOnly = false;
    SixteenBitSplit* split = nullptr; // a load for work: 16-bit rows may be split
};

// Asks the library for whole bytes, RGB instead of a palette, 8-bit grey
// instead of 1, 2 and 4 bits, and an alpha channel instead of a tRNS chunk;
// 16-bit samples and existing alpha are kept.
void RequestTransformations(png_structp png, png_infop info)
{
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    png_set_interlace_handling(png);
}

// One decoded row into the planes, or the split planes once a split load
// has allocated them; 16-bit samples arrive most significant byte first.
void DistributeRow(const png_byte* row, int y, CImage& image, SixteenBitSplit* split)
{
    const size_t width = size_t(image.width);
    const size_t rowStart = size_t(y) * width;
    if (split && split->done) {
        SplitBigEndianRow(*split, y, row, image.channelCount);
    } else if (image.sampleType == SampleU16) {
        uint16_t* planes[4] = {};
        for (int c = 0; c < image.channelCount; ++c)
            planes[c] = image.Plane16(c) + rowStart;
        DeinterleaveRowBigEndian16(row, image.channelCount, width, planes);
    } else {
        uint8_t* planes[4] = {};
        for (int c = 0; c < image.channelCount; ++c)
            planes[c] = image.Plane8(c) + rowStart;
        DeinterleaveRow8(row, image.channelCount, width, planes);
    }
}

// Decodes into job->image. Only plain locals: the error jump comes back here.
FileResult DecodePng(PngReadJob* job)
{
    png_structp png = job->png;
    png_infop info = job->info;
    if (setjmp(png_jmpbuf(png)))
        return FileOpenFailed;
    // The library refuses larger headers itself, before it allocates anything.
    png_set_user_limits(png, kMaxLibraryImageSide, kMaxLibraryImageSide);
    png_init_io(png, job->file);
    png_read_info(png, info);
    RequestTransformations(png, info);
    png_read_update_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (channels < 1 || channels > 4 || (depth != 8 && depth != 16))
        return FileOpenFailed;
    if (!LibraryImageSizeIsSane(width, height, depth / 8))
        return FileNoMemory;
    // Rows of zeros deflate about a thousand to one: a few megabytes could
    // otherwise claim gigabytes and minutes of inflating.
    if (!DecodedSizeIsPlausible(uint64_t(width) * height * channels * (depth / 8), job->fileSize))
        return FileBadArgument;

    CImage& image = *job->image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.channelCount = channels;
    image.sampleType = depth == 16 ? SampleU16 : SampleU8;
    if (job->headerOnly)
        return FileOk;
    if (job->split && depth == 16 && CanSplitSixteenBit(channels)) {
        job->split->done = AllocateSplitPlanes(*job->split, image);
        if (!job->split->done)
            return FileNoMemory;
    } else {
        image.AllocatePlanes();
        if (!image.HasPlanes())
            return FileNoMemory;
    }

    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes < size_t(width) * channels * (depth / 8))
        return FileOpenFailed;
    if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        // Row by row straight into the planes: one row of memory, not a copy
        // of the whole image.
        job->pixels = static_cast<uint8_t*>(std::malloc(rowBytes));
        if (!job->pixels)
            return FileNoMemory;
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, job->pixels, nullptr);
            DistributeRow(job->pixels, int(y), image, job->split);
        }
        return FileOk;
    }
    // Interlaced passes revisit every row: they need the whole image at once.
    job->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * height));
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!job->pixels || !job->rows)
        return FileNoMemory;
    for (png_uint_32 y = 0; y < height; ++y)
        job->rows[y] = job->pixels + y * rowBytes;
    png_read_image(png, job->rows);
    for (png_uint_32 y = 0; y < height; ++y)
        DistributeRow(job->rows[y], int(y), image, job->split);
    return FileOk;
}

struct PngInfoJob {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

FileResult ReadPngHeader(PngInfoJob* job)
{
    if (setjmp(png_jmpbuf(job->png)))
        return FileOpenFailed;
    png_set_user_limits(job->png, kMaxLibraryImageSide, kMaxLibraryImageSide);
    png_init_io(job->png, job->file);
    png_read_info(job->png, job->info);
    return FileOk;
}

} // namespace

namespace {

FileResult ReadPngFile(CImage& image, const char* path, bool headerOnly, SixteenBitSplit* split)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    PngReadJob job;
    job.image = &image;
    job.file = file;
    job.fileSize = static_cast<uint64_t>(std::max<int64_t>(OpenFileSize(file), 0));
    job.headerOnly = headerOnly;
    job.split = split;
    job.png = CreateSilentPngReader();
    job.info = job.png ? png_create_info_struct(job.png) : nullptr;
    FileResult result = job.info ? DecodePng(&job) : FileNoMemory;
    png_destroy_read_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr, nullptr);
    std::fclose(file);
    std::free(job.rows);
    std::free(job.pixels);
    return result;
}

} // namespace

FileResult ReadPng(CImage& image, const char* path) { return ReadPngFile(image, path, false, nullptr); }

FileResult ReadPngSplitting(CImage& image, const char* path, SixteenBitSplit& split)
{
    return ReadPngFile(image, path, false, &split);
}

FileResult DescribePngFile(CImage& image, const char* path) { return ReadPngFile(image, path, true, nullptr); }

FileResult ReadPngInfo(const char* path, int* width, int* height, int* channels)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    PngInfoJob job;
    job.file = file;
    job.png = CreateSilentPngReader();
    job.info = job.png ? png_create_info_struct(job.png) : nullptr;
    FileResult result = job.info ? ReadPngHeader(&job) : FileNoMemory;
    if (result == FileOk) {
        if (width)
            *width = static_cast<int>(png_get_image_width(job.png, job.info));
        if (height)
            *height = static_cast<int>(png_get_image_height(job.png, job.info));
        if (channels)
            *channels = png_get_channels(job.png, job.info);
    }
    png_destroy_read_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr, nullptr);
    std::fclose(file);
    return result;
}
