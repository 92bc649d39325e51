#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "image/image.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/interleave.h"
#include "imagefiles/jpeg_error_trap.h"
#include "imagefiles/library_formats.h"
#include "imagefiles/library_limits.h"

namespace {

// Everything a decode owns, kept out of the frame that the error jump leaves.
struct JpegReadJob {
    CImage* image = nullptr;
    FILE* file = nullptr;
    jpeg_decompress_struct info {};
    JpegErrorTrap trap {};
    jpeg_progress_mgr progress {};
    uint64_t fileSize = 0;
    bool headerOnly = false;
    bool created = false;
};

int SubsamplingCode(const jpeg_component_info& first)
{
    if (first.h_samp_factor == 1 && first.v_samp_factor == 1)
        return 0;
    if (first.h_samp_factor == 2 && first.v_samp_factor == 1)
        return 1;
    return 2;
}

// The X density as dots per inch; dots per centimetre are converted, rounding
// half up, so that a metric file does not report a resolution 2.54 times too low.
int ResolutionFromDensity(const jpeg_decompress_struct& info)
{
    if (!info.saw_JFIF_marker || info.density_unit == 0)
        return 0;
    if (info.density_unit == 2)
        return (info.X_density * 254 + 50) / 100;
    return info.X_density;
}

// Four-component files (CMYK, and YCCK which the library delivers as CMYK)
// are stored inverted by the encoders that write them; readers everywhere
// undo that, so we do too. Planes 0 to 2 become RGB by the same exact formula
// as a CMYK TIFF, plane 3 keeps the ink value of K.
void ConvertInvertedCmykToRgb(CImage& image)
{
    size_t count = image.PixelCount();
    uint8_t* c = image.Plane8(0);
    uint8_t* m = image.Plane8(1);
    uint8_t* y = image.Plane8(2);
    uint8_t* k = image.Plane8(3);
    for (size_t i = 0; i < count; ++i) {
        // Stored values are 255 - ink, so N - ink is the stored value itself.
        unsigned paper = k[i];
        c[i] = static_cast<uint8_t>(c[i] * paper / 255u);
        m[i] = static_cast<uint8_t>(m[i] * paper / 255u);
        y[i] = static_cast<uint8_t>(y[i] * paper / 255u);
        k[i] = static_cast<uint8_t>(255u - paper);
    }
}

// Stops a progressive decode that has more scans than any encoder writes.
void LimitScans(j_common_ptr common)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->is_decompressor && info->input_scan_number > kMaxJpegScans)
        (*common->err->error_exit)(common);
}

// Everything a read sets except the planes, from the header; false when the
// header describes nothing this program can hold.
FileResult DescribeImage(jpeg_decompress_struct& info, uint64_t fileSize, CImage& image)
{
    if (!LibraryImageSizeIsSane(info.image_width, info.image_height, 1))
        return FileNoMemory;
    jpeg_calc_output_dimensions(&info);
    if (info.output_components < 1 || info.output_components > 4)
        return FileOpenFailed;
    if (!LibraryImageSizeIsSane(info.output_width, info.output_height, 1))
        return FileNoMemory;
    // Missing data is made up by the library (grey, after a warning), so a
    // short file claiming a huge picture would be decoded into gigabytes.
    uint64_t decoded = uint64_t(info.output_width) * info.output_height * info.output_components;
    if (!DecodedSizeIsPlausible(decoded, fileSize))
        return FileBadArgument;
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.channelCount = info.output_components;
    image.sampleType = SampleU8;
    image.jpegQuality = 75;
    image.resolutionDpi = ResolutionFromDensity(info);
    image.jpegSubsampling = SubsamplingCode(info.comp_info[0]);
    return FileOk;
}

// Decodes into job->image, or only describes it. Only plain locals: the
// error trap jumps back here.
FileResult DecodeJpeg(JpegReadJob* job)
{
    jpeg_decompress_struct* info = &job->info;
    if (setjmp(job->trap.jump))
        return FileOpenFailed;
    info->err = InstallJpegErrorTrap(job->trap);
    jpeg_create_decompress(info);
    job->created = true;
    job->progress.progress_monitor = LimitScans;
    info->progress = &job->progress;
    jpeg_stdio_src(info, job->file);
    jpeg_read_header(info, TRUE);
    CImage& image = *job->image;
    if (FileResult described = DescribeImage(*info, job->fileSize, image); described != FileOk)
        return described;
    if (job->headerOnly)
        return FileOk;
    jpeg_start_decompress(info);
    if (int(info->output_width) != image.width || int(info->output_height) != image.height
        || info->output_components != image.channelCount)
        return FileOpenFailed;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;

    // A whole row group per call (16 rows covers every sampling): asked for
    // one row at a time, the library upsamples into a spare buffer and
    // copies each row out of it.
    constexpr JDIMENSION kRowsPerCall = 16;
    const int channels = image.channelCount;
    const size_t width = info->output_width;
    JSAMPARRAY rows = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
        static_cast<JDIMENSION>(width * channels), kRowsPerCall);
    while (info->output_scanline < info->output_height) {
        const size_t firstRow = info->output_scanline;
        const JDIMENSION got = jpeg_read_scanlines(info, rows, kRowsPerCall);
        if (got == 0)
            return FileOpenFailed;
        for (JDIMENSION r = 0; r < got; ++r) {
            uint8_t* planes[4] = {};
            for (int c = 0; c < channels; ++c)
                planes[c] = image.Plane8(c) + (firstRow + r) * width;
            DeinterleaveRow8(rows[r], channels, width, planes);
        }
    }
    if (info->out_color_space == JCS_CMYK && channels == 4)
        ConvertInvertedCmykToRgb(image);
    jpeg_finish_decompress(info);
    return FileOk;
}

struct JpegInfoJob {
    FILE* file = nullptr;
    jpeg_decompress_struct info {};
    JpegErrorTrap trap {};
    bool created = false;
};

// Header only: the output size is computed without decoding any data.
FileResult ReadJpegHeader(JpegInfoJob* job)
{
    jpeg_decompress_struct* info = &job->info;
    if (setjmp(job->trap.jump))
        return FileOpenFailed;
    info->err = InstallJpegErrorTrap(job->trap);
    jpeg_create_decompress(info);
    job->created = true;
    jpeg_stdio_src(info, job->file);
    jpeg_read_header(info, TRUE);
    jpeg_calc_output_dimensions(info);
    return FileOk;
}

} // namespace

namespace {

FileResult ReadJpegFile(CImage& image, const char* path, bool headerOnly)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    JpegReadJob job;
    job.image = &image;
    job.file = file;
    job.fileSize = static_cast<uint64_t>(std::max<int64_t>(OpenFileSize(file), 0));
    job.headerOnly = headerOnly;
    FileResult result = DecodeJpeg(&job);
    if (job.created)
        jpeg_destroy_decompress(&job.info);
    std::fclose(file);
    return result;
}

} // namespace

FileResult ReadJpeg(CImage& image, const char* path) { return ReadJpegFile(image, path, false); }

FileResult DescribeJpegFile(CImage& image, const char* path) { return ReadJpegFile(image, path, true); }

FileResult ReadJpegInfo(const char* path, int* width, int* height, int* channels)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    JpegInfoJob job;
    job.file = file;
    FileResult result = ReadJpegHeader(&job);
    if (result == FileOk) {
        if (width)
            *width = static_cast<int>(job.info.output_width);
        if (height)
            *height = static_cast<int>(job.info.output_height);
        if (channels)
            *channels = job.info.output_components;
    }
    if (job.created)
        jpeg_destroy_decompress(&job.info);
    std::fclose(file);
    return result;
}
