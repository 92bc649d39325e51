#include <cstdio>
#include <memory>

#include "image/image.h"
#include "imagefiles/jpeg_error_trap.h"
#include "imagefiles/library_limits.h"
#include "workflow/thumbnail.h"

namespace {

// Everything the decode owns, kept out of the frame that the error jump leaves.
struct ScaledJpegJob {
    FILE* file = nullptr;
    jpeg_decompress_struct info {};
    JpegErrorTrap trap {};
    bool created = false;
    int maxSide = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    std::unique_ptr<CImage> image; // the decode at the reduced scale
};

// The largest of the library's reductions (1/2, 1/4, 1/8) whose output still
// has a longer side of at least `maxSide`, so the box reduction that follows
// always averages and never has to invent pixels.
unsigned ScaleDenominator(unsigned width, unsigned height, int maxSide)
{
    const unsigned longSide = width > height ? width : height;
    unsigned denominator = 1;
    while (denominator < 8 && (longSide + denominator * 2 - 1) / (denominator * 2) >= unsigned(maxSide))
        denominator *= 2;
    return denominator;
}

// Only plain locals here: the error trap jumps back into this frame.
FileResult DecodeScaled(ScaledJpegJob* job)
{
    jpeg_decompress_struct* info = &job->info;
    if (setjmp(job->trap.jump))
        return FileOpenFailed;
    info->err = InstallJpegErrorTrap(job->trap);
    jpeg_create_decompress(info);
    job->created = true;
    jpeg_stdio_src(info, job->file);
    jpeg_read_header(info, TRUE);
    if (!LibraryImageSizeIsSane(info->image_width, info->image_height, 1))
        return FileNoMemory;
    job->sourceWidth = static_cast<int>(info->image_width);
    job->sourceHeight = static_cast<int>(info->image_height);
    info->scale_num = 1;
    info->scale_denom = ScaleDenominator(info->image_width, info->image_height, job->maxSide);
    // A preview does not need the careful upsampling and dithering defaults.
    info->dct_method = JDCT_IFAST;
    info->do_fancy_upsampling = FALSE;
    jpeg_start_decompress(info);
    const int channels = info->output_components;
    if (channels != 1 && channels != 3 && channels != 4)
        return FileOpenFailed;
    if (!LibraryImageSizeIsSane(info->output_width, info->output_height, channels))
        return FileNoMemory;

    job->image = std::make_unique<CImage>(static_cast<int>(info->output_width),
        static_cast<int>(info->output_height), channels, SampleU8);
    CImage& image = *job->image;
    if (!image.HasPlanes())
        return FileNoMemory;
    const size_t width = info->output_width;
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
        static_cast<JDIMENSION>(width * channels), 1);
    const bool inverted = info->out_color_space == JCS_CMYK;
    while (info->output_scanline < info->output_height) {
        const size_t rowStart = size_t(info->output_scanline) * width;
        if (jpeg_read_scanlines(info, row, 1) != 1)
            return FileOpenFailed;
        const JSAMPLE* samples = row[0];
        for (size_t x = 0; x < width; ++x) {
            const JSAMPLE* pixel = samples + x * channels;
            if (inverted && channels == 4) {
                // Stored as 255 - ink: the paper left under K scales each colour.
                const unsigned paper = pixel[3];
                for (int c = 0; c < 3; ++c)
                    image.Plane8(c)[rowStart + x] = static_cast<uint8_t>(pixel[c] * paper / 255u);
                image.Plane8(3)[rowStart + x] = static_cast<uint8_t>(255u - paper);
            } else {
                for (int c = 0; c < channels; ++c)
                    image.Plane8(c)[rowStart + x] = pixel[c];
            }
        }
    }
    jpeg_finish_decompress(info);
    return FileOk;
}

} // namespace

FileResult MakeJpegThumbnail(const char* path, int maxSide, Thumbnail& out)
{
    out = Thumbnail();
    if (!path || maxSide < 1)
        return FileBadArgument;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return FileOpenFailed;
    ScaledJpegJob job;
    job.file = file;
    job.maxSide = maxSide;
    FileResult result = DecodeScaled(&job);
    if (job.created)
        jpeg_destroy_decompress(&job.info);
    std::fclose(file);
    if (result != FileOk)
        return result;
    result = ReduceToThumbnail(*job.image, maxSide, out);
    out.sourceWidth = job.sourceWidth;
    out.sourceHeight = job.sourceHeight;
    return result;
}
