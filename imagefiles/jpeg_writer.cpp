#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/jpeg_error_trap.h"
#include "imagefiles/save_rows.h"

namespace {

// Quality that asks for the source file's own tables and layout.
constexpr int kQualityFromSource = 200;
constexpr int kMaxApp1Payload = 65533;
// Rows interleaved and handed to the compressor at a time: enough for a whole
// band of 2 × 2 subsampled blocks, little memory even for wide images.
constexpr int kBatchRows = 16;
// The maker's comment, written with its terminating zero byte.
constexpr char kMakerComment[] = "Quillmark, Inc.";

// Everything one save owns, kept out of the frames that the error jumps leave.
struct JpegSaveJob {
    const SaveRows* image = nullptr;
    int channels = 0; // 1 (grey) or 3 (RGB) written
    uint8_t* batch = nullptr; // kBatchRows interleaved rows, width × channels bytes each
    int quality = 0;
    int subsampling = 0;
    const uint8_t* app1Payload = nullptr;
    int app1Length = 0;

    FILE* source = nullptr;
    jpeg_decompress_struct sourceInfo {};
    JpegErrorTrap sourceTrap {};
    bool sourceCreated = false;
    bool sourceUsable = false; // its header was read and its layout fits the pixels

    FILE* target = nullptr;
    jpeg_compress_struct info {};
    JpegErrorTrap trap {};
    bool created = false;
};

// Reads the quality source's header so that its tables and layout are known.
// A file that is not a JPEG, or whose components do not match the rows we
// write (a CMYK source of an RGB image), cannot lend its layout.
bool ReadSourceHeader(JpegSaveJob* job)
{
    jpeg_decompress_struct* source = &job->sourceInfo;
    if (setjmp(job->sourceTrap.jump))
        return false;
    source->err = InstallJpegErrorTrap(job->sourceTrap);
    jpeg_create_decompress(source);
    job->sourceCreated = true;
    jpeg_stdio_src(source, job->source);
    jpeg_read_header(source, TRUE);
    if (source->num_components != job->channels || source->data_precision != 8)
        return false;
    if (job->channels == 1)
        return source->jpeg_color_space == JCS_GRAYSCALE;
    return source->jpeg_color_space == JCS_YCbCr || source->jpeg_color_space == JCS_RGB;
}

// Gives the compressor the source's quantisation tables, component layout and
// density, so that an edited photograph keeps the compression it came with.
void CopySourceLayout(j_compress_ptr target, const jpeg_decompress_struct& source)
{
    // Through the library, not by the field alone: an RGB-coded file must be
    // marked as such (an Adobe marker instead of JFIF), or every decoder reads
    // its samples as YCbCr. This also resets the components copied below.
    jpeg_set_colorspace(target, source.jpeg_color_space);
    for (int slot = 0; slot < NUM_QUANT_TBLS; ++slot) {
        const JQUANT_TBL* from = source.quant_tbl_ptrs[slot];
        if (!from)
            continue;
        // A source may use a slot that the quality tables leave empty (a third
        // table for the second chroma component); it must still arrive.
        if (!target->quant_tbl_ptrs[slot])
            target->quant_tbl_ptrs[slot] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(target));
        std::memcpy(target->quant_tbl_ptrs[slot]->quantval, from->quantval, sizeof from->quantval);
        target->quant_tbl_ptrs[slot]->sent_table = FALSE;
    }
    target->input_components = source.num_components;
    target->input_gamma = source.output_gamma;
    target->dct_method = source.dct_method;
    target->data_precision = source.data_precision;
    target->CCIR601_sampling = source.CCIR601_sampling;
    std::memcpy(target->arith_dc_L, source.arith_dc_L, sizeof target->arith_dc_L);
    std::memcpy(target->arith_dc_U, source.arith_dc_U, sizeof target->arith_dc_U);
    std::memcpy(target->arith_ac_K, source.arith_ac_K, sizeof target->arith_ac_K);
    for (int c = 0; c < source.num_components; ++c) {
        jpeg_component_info& to = target->comp_info[c];
        const jpeg_component_info& from = source.comp_info[c];
        to.component_id = from.component_id;
        to.h_samp_factor = from.h_samp_factor;
        to.v_samp_factor = from.v_samp_factor;
        to.quant_tbl_no = from.quant_tbl_no;
        to.width_in_blocks = from.width_in_blocks;
        to.height_in_blocks = from.height_in_blocks;
        to.DCT_scaled_size = from.DCT_scaled_size;
        to.downsampled_width = from.downsampled_width;
        to.downsampled_height = from.downsampled_height;
    }
    target->JFIF_major_version = source.JFIF_major_version;
    target->JFIF_minor_version = source.JFIF_minor_version;
    target->density_unit = source.density_unit;
    target->X_density = source.X_density;
    target->Y_density = source.Y_density;
}

void SetSampling(j_compress_ptr info, int code)
{
    static constexpr int kLumaFactors[3][2] = { { 1, 1 }, { 2, 1 }, { 2, 2 } };
    if (info->num_components < 3 || code < 0 || code > 2)
        return;
    info->comp_info[0].h_samp_factor = kLumaFactors[code][0];
    info->comp_info[0].v_samp_factor = kLumaFactors[code][1];
    for (int c = 1; c < 3; ++c)
        info->comp_info[c].h_samp_factor = info->comp_info[c].v_samp_factor = 1;
}

void SetDensity(j_compress_ptr info, int resolutionDpi)
{
    if (resolutionDpi > 0) {
        uint16_t dpi = static_cast<uint16_t>(resolutionDpi > 65535 ? 65535 : resolutionDpi);
        info->density_unit = 1;
        info->X_density = info->Y_density = dpi;
    } else {
        info->density_unit = 0;
        info->X_density = info->Y_density = 1;
    }
}

// Grey with alpha is written as grey, RGB with a fourth plane as RGB.
bool WriteScanlines(JpegSaveJob* job)
{
    static constexpr int kRgb[3] = { 0, 1, 2 };
    jpeg_compress_struct* info = &job->info;
    const SaveRows& image = *job->image;
    const size_t stride = size_t(image.width) * job->channels;
    JSAMPROW rows[kBatchRows];
    while (info->next_scanline < info->image_height) {
        const int first = int(info->next_scanline);
        const int count = std::min(kBatchRows, image.height - first);
        for (int i = 0; i < count; ++i) {
            rows[i] = job->batch + size_t(i) * stride;
            image.Row8(first + i, kRgb, job->channels, rows[i]);
        }
        if (jpeg_write_scanlines(info, rows, JDIMENSION(count)) != JDIMENSION(count))
            return false;
    }
    return true;
}

// Compresses the rows into job->target. Only plain locals: the error trap
// jumps back here.
FileResult Compress(JpegSaveJob* job)
{
    jpeg_compress_struct* info = &job->info;
    if (setjmp(job->trap.jump))
        return FileOpenFailed;
    info->err = InstallJpegErrorTrap(job->trap);
    jpeg_create_compress(info);
    job->created = true;
    jpeg_stdio_dest(info, job->target);

    info->image_width = static_cast<JDIMENSION>(job->image->width);
    info->image_height = static_cast<JDIMENSION>(job->image->height);
    info->input_components = job->channels;
    info->in_color_space = job->channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(info);
    SetSampling(info, job->subsampling);
    SetDensity(info, job->image->resolutionDpi);
    if (job->quality == kQualityFromSource) {
        jpeg_set_quality(info, 100, TRUE);
        if (job->sourceUsable)
            CopySourceLayout(info, job->sourceInfo);
    } else {
        jpeg_set_quality(info, job->quality, TRUE);
    }

    jpeg_start_compress(info, TRUE);
    jpeg_write_marker(info, JPEG_COM, reinterpret_cast<const JOCTET*>(kMakerComment), sizeof kMakerComment);
    if (job->app1Payload && job->app1Length > 0)
        jpeg_write_marker(info, JPEG_APP0 + 1, job->app1Payload,
            static_cast<unsigned>(job->app1Length > kMaxApp1Payload ? kMaxApp1Payload : job->app1Length));

    if (!WriteScanlines(job))
        return FileOpenFailed;
    jpeg_finish_compress(info);
    return FileOk;
}

FileResult WriteJpegFile(JpegSaveJob* job, const char* targetPath, const char* sourcePath)
{
    FileResult result = FileOk;
    if (job->quality == kQualityFromSource && sourcePath && *sourcePath) {
        // A source that has been moved or deleted since it was opened lends
        // nothing, like a source that is not a JPEG: quality 100 is used.
        job->source = std::fopen(sourcePath, "rb");
        job->sourceUsable = job->source && ReadSourceHeader(job);
    }
    job->target = std::fopen(targetPath, "wb");
    if (!job->target)
        result = FileOpenFailed;
    else
        result = Compress(job);

    if (job->created)
        jpeg_destroy_compress(&job->info);
    if (job->target && std::fclose(job->target) != 0 && result == FileOk)
        result = FileOpenFailed;
    if (job->sourceCreated)
        jpeg_destroy_decompress(&job->sourceInfo);
    if (job->source)
        std::fclose(job->source);
    return result;
}

} // namespace

FileResult SaveJpeg(const SaveRows& image, const char* path, const char* sourcePath, int quality,
    int subsampling, const uint8_t* app1Payload, int app1Length)
{
    if (!image.HasPixels() || image.width <= 0 || image.height <= 0)
        return FileBadArgument;
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return FileTooLarge;
    const int channels = image.channelCount <= 2 ? 1 : 3;
    std::unique_ptr<uint8_t, decltype(&std::free)> batch(
        static_cast<uint8_t*>(std::malloc(size_t(image.width) * channels * kBatchRows)), &std::free);
    if (!batch)
        return FileNoMemory;
    return WriteAtomically(path, [&](const char* temporaryPath) {
        JpegSaveJob job;
        job.image = &image;
        job.channels = channels;
        job.batch = batch.get();
        job.quality = quality;
        job.subsampling = subsampling;
        job.app1Payload = app1Length > 0 ? app1Payload : nullptr;
        job.app1Length = app1Payload ? app1Length : 0;
        return WriteJpegFile(&job, temporaryPath, sourcePath);
    });
}

FileResult SaveJpeg(const CImage& image, const char* path, const char* sourcePath, int quality,
    int subsampling, const uint8_t* app1Payload, int app1Length)
{
    return SaveJpeg(ImageRows(image), path, sourcePath, quality, subsampling, app1Payload, app1Length);
}
