#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/save_rows.h"
#include "imagefiles/tiff_open.h"

namespace {

constexpr int kCompressionLzw = 5;
// Strips of about this many bytes keep LZW's dictionary warm without making
// a reader hold much of the image at once.
constexpr uint64_t kStripBytesTarget = 65536;

struct TiffSaveJob {
    const SaveRows* image = nullptr;
    int bytesPerSample = 1; // 1 or 2
    bool lzw = true;
    uint32_t rowsPerStrip = 1;
};

uint32_t RowsPerStrip(const SaveRows& image, int bytesPerSample)
{
    uint64_t rowBytes = uint64_t(image.width) * bytesPerSample * image.channelCount;
    uint64_t rows = kStripBytesTarget / rowBytes;
    return static_cast<uint32_t>(std::clamp<uint64_t>(rows, 1, uint64_t(image.height)));
}

void SetFields(TIFF* tiff, const TiffSaveJob& job)
{
    const SaveRows& image = *job.image;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, job.lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, job.rowsPerStrip);
    const bool hasResolution = image.resolutionDpi > 0;
    const float resolution = hasResolution ? float(image.resolutionDpi) : 1.0f;
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, hasResolution ? RESUNIT_INCH : RESUNIT_NONE);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, resolution);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, resolution);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(job.bytesPerSample * 8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(image.channelCount));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, image.channelCount > 2 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, "Quillmark Inc.");
    // A second or fourth plane is not colour; what it is (alpha, black ink)
    // the image does not say, so it is marked as unspecified.
    if (image.channelCount == 2 || image.channelCount == 4) {
        uint16_t extra = EXTRASAMPLE_UNSPECIFIED;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
    }
}

// Fills and writes every strip; the last one is padded with zero rows up to
// the full strip size. 16-bit samples are in the machine's byte order, which
// the file's header declares.
FileResult WriteStrips(TIFF* tiff, const TiffSaveJob& job)
{
    const SaveRows& image = *job.image;
    const int channels = image.channelCount;
    const size_t rowBytes = size_t(image.width) * channels * job.bytesPerSample;
    std::vector<uint8_t> strip;
    if (rowBytes * job.rowsPerStrip > strip.max_size())
        return FileNoMemory;
    strip.resize(rowBytes * job.rowsPerStrip);
    static constexpr int kInOrder[4] = { 0, 1, 2, 3 };
    for (uint32_t stripIndex = 0, row0 = 0; row0 < uint32_t(image.height); ++stripIndex, row0 += job.rowsPerStrip) {
        const uint32_t rows = std::min(job.rowsPerStrip, uint32_t(image.height) - row0);
        for (uint32_t r = 0; r < rows; ++r) {
            uint8_t* out = strip.data() + r * rowBytes;
            if (job.bytesPerSample == 2)
                image.Row16(int(row0 + r), channels, false, out);
            else
                image.Row8(int(row0 + r), kInOrder, channels, out);
        }
        std::fill(strip.begin() + rows * rowBytes, strip.end(), uint8_t(0));
        if (TIFFWriteEncodedStrip(tiff, stripIndex, strip.data(), tmsize_t(strip.size())) < 0)
            return FileOpenFailed;
    }
    return FileOk;
}

FileResult WriteTiffFile(const TiffSaveJob& job, const char* path)
{
    TIFF* tiff = OpenTiffSilently(path, "w");
    if (!tiff)
        return FileOpenFailed;
    SetFields(tiff, job);
    FileResult result = WriteStrips(tiff, job);
    if (result == FileOk && TIFFFlush(tiff) != 1)
        result = FileOpenFailed;
    TIFFClose(tiff);
    return result;
}

} // namespace

FileResult SaveTiff(const SaveRows& image, const char* path, int bitsPerSample, int compression)
{
    if (!image.HasPixels() || image.width <= 0 || image.height <= 0)
        return FileBadArgument;
    TiffSaveJob job;
    job.image = &image;
    job.bytesPerSample = bitsPerSample == 16 ? 2 : 1;
    job.lzw = compression == kCompressionLzw;
    job.rowsPerStrip = RowsPerStrip(image, job.bytesPerSample);
    return WriteAtomically(path, [&](const char* temporaryPath) { return WriteTiffFile(job, temporaryPath); });
}

FileResult SaveTiff(const CImage& image, const char* path, int bitsPerSample, int compression)
{
    return SaveTiff(ImageRows(image), path, bitsPerSample, compression);
}
