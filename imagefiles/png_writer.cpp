#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/interleave.h"
#include "imagefiles/png_error_trap.h"

namespace {

struct PngSaveJob {
    const CImage* image = nullptr;
    int depth = 8; // 8 or 16
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* pixels = nullptr; // all rows, stored as the file wants them
    png_bytep* rows = nullptr;
};

int ColorTypeFor(int channels)
{
    switch (channels) {
    case 2:
        return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 3:
        return PNG_COLOR_TYPE_RGB;
    case 4:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    default:
        return PNG_COLOR_TYPE_GRAY;
    }
}

// Interleaved rows, 16-bit samples most significant byte first.
bool FillRows(PngSaveJob* job)
{
    const CImage& image = *job->image;
    const int channels = image.channelCount;
    const size_t samplesPerRow = size_t(image.width) * channels;
    const size_t rowBytes = samplesPerRow * (job->depth / 8);
    job->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * size_t(image.height)));
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * size_t(image.height)));
    uint16_t* wide = job->depth == 16 ? static_cast<uint16_t*>(std::malloc(samplesPerRow * 2)) : nullptr;
    if (!job->pixels || !job->rows || (job->depth == 16 && !wide)) {
        std::free(wide);
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = job->pixels + size_t(y) * rowBytes;
        job->rows[y] = row;
        if (job->depth == 8) {
            InterleaveRow8(image, y, channels, row);
            continue;
        }
        InterleaveRow16(image, y, channels, wide);
        for (size_t i = 0; i < samplesPerRow; ++i) {
            row[2 * i] = static_cast<uint8_t>(wide[i] >> 8);
            row[2 * i + 1] = static_cast<uint8_t>(wide[i] & 0xFF);
        }
    }
    std::free(wide);
    return true;
}

// Only the header, the image data and the end are written. Only plain
// locals: the error jump comes back here.
FileResult Encode(PngSaveJob* job)
{
    png_structp png = job->png;
    png_infop info = job->info;
    if (setjmp(png_jmpbuf(png)))
        return FileOpenFailed;
    png_init_io(png, job->file);
    png_set_IHDR(png, info, png_uint_32(job->image->width), png_uint_32(job->image->height), job->depth,
        ColorTypeFor(job->image->channelCount), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, job->rows);
    png_write_end(png, nullptr);
    return FileOk;
}

FileResult WritePngFile(PngSaveJob* job, const char* path)
{
    job->file = std::fopen(path, "wb");
    if (!job->file)
        return FileOpenFailed;
    job->png = CreateSilentPngWriter();
    job->info = job->png ? png_create_info_struct(job->png) : nullptr;
    FileResult result = job->info ? Encode(job) : FileNoMemory;
    png_destroy_write_struct(job->png ? &job->png : nullptr, job->info ? &job->info : nullptr);
    if (std::fclose(job->file) != 0 && result == FileOk)
        result = FileOpenFailed;
    return result;
}

} // namespace

FileResult SavePng(const CImage& image, const char* path, int bitsPerSample)
{
    if (!image.HasPlanes() || image.width <= 0 || image.height <= 0)
        return FileBadArgument;
    // libpng's own limit, which its readers also apply by default: a wider
    // file would be one that few programs open.
    if (image.width > PNG_USER_WIDTH_MAX || image.height > PNG_USER_HEIGHT_MAX)
        return FileTooLarge;
    PngSaveJob job;
    job.image = &image;
    job.depth = bitsPerSample == 16 ? 16 : 8;
    FileResult result = FillRows(&job)
        ? WriteAtomically(path, [&](const char* temporaryPath) { return WritePngFile(&job, temporaryPath); })
        : FileNoMemory;
    std::free(job.rows);
    std::free(job.pixels);
    return result;
}
