#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/png_error_trap.h"
#include "imagefiles/save_rows.h"

namespace {

struct PngSaveJob {
    const SaveRows* image = nullptr;
    int depth = 8; // 8 or 16
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* row = nullptr; // one row as the file stores it
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

// Row by row, as png_write_image writes them: a file that is not interlaced
// is one pass over the rows. 16-bit samples are most significant byte first.
void WriteRows(PngSaveJob* job)
{
    const SaveRows& image = *job->image;
    static constexpr int kInOrder[4] = { 0, 1, 2, 3 };
    for (int y = 0; y < image.height; ++y) {
        if (job->depth == 16)
            image.Row16(y, image.channelCount, true, job->row);
        else
            image.Row8(y, kInOrder, image.channelCount, job->row);
        png_write_row(job->png, job->row);
    }
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
    WriteRows(job);
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

FileResult SavePng(const SaveRows& image, const char* path, int bitsPerSample)
{
    if (!image.HasPixels() || image.width <= 0 || image.height <= 0)
        return FileBadArgument;
    // libpng's own limit, which its readers also apply by default: a wider
    // file would be one that few programs open.
    if (image.width > PNG_USER_WIDTH_MAX || image.height > PNG_USER_HEIGHT_MAX)
        return FileTooLarge;
    PngSaveJob job;
    job.image = &image;
    job.depth = bitsPerSample == 16 ? 16 : 8;
    job.row = static_cast<uint8_t*>(std::malloc(size_t(image.width) * image.channelCount * (job.depth / 8)));
    FileResult result = job.row
        ? WriteAtomically(path, [&](const char* temporaryPath) { return WritePngFile(&job, temporaryPath); })
        : FileNoMemory;
    std::free(job.row);
    return result;
}

FileResult SavePng(const CImage& image, const char* path, int bitsPerSample)
{
    return SavePng(ImageRows(image), path, bitsPerSample);
}
