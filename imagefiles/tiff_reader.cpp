#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "image/image.h"
#include "imagefiles/interleave.h"
#include "imagefiles/library_formats.h"
#include "imagefiles/library_limits.h"
#include "imagefiles/sixteen_bit_split.h"
#include "imagefiles/tiff_open.h"

namespace {

constexpr int kNoPhotometric = -1;

// The fields that decide how the first image is decoded.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    int photometric = kNoPhotometric;
    uint16_t planarConfig = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint32_t rowsPerStrip = 0; // clipped to 1 .. height
    int resolutionDpi = 0;
};

// ResolutionUnit none or centimetre gives no resolution; inch, or no unit at
// all, gives XResolution truncated.
int ReadResolution(TIFF* tiff)
{
    uint16_t unit = 0;
    float xResolution = 0.0f;
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution);
    if (unit == RESUNIT_NONE || unit == RESUNIT_CENTIMETER)
        return 0;
    // A hostile value must not reach an undefined float-to-int conversion.
    if (!(xResolution >= 0.0f && xResolution < 2147483648.0f))
        return 0;
    return static_cast<int>(xResolution);
}

FileResult ReadLayout(TIFF* tiff, TiffLayout& layout)
{
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height))
        return FileOpenFailed;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planarConfig);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    uint16_t photometric = 0;
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        layout.photometric = photometric;
    layout.resolutionDpi = ReadResolution(tiff);

    const uint16_t bits = layout.bitsPerSample;
    if ((bits != 1 && bits != 8 && bits != 16) || layout.samplesPerPixel < 1 || layout.samplesPerPixel > 4)
        return FileOpenFailed;
    // Signed or floating-point samples shown as unsigned bits would be noise.
    if (layout.sampleFormat != SAMPLEFORMAT_UINT)
        return FileOpenFailed;
    // Packed bits are unpacked into one grey plane only.
    if (bits == 1 && layout.samplesPerPixel != 1)
        return FileOpenFailed;
    if (layout.rowsPerStrip == 0 || layout.rowsPerStrip > layout.height)
        layout.rowsPerStrip = layout.height;
    return FileOk;
}

// Rows [first, end) that no strip filled stay black rather than showing
// stale memory; the planes are not cleared up front, so rows the strips do
// fill are written once.
void ZeroRows(CImage& image, uint32_t first, uint32_t end, int bytesPerSample)
{
    end = std::min(end, uint32_t(image.height));
    if (first >= end)
        return;
    size_t rowBytes = size_t(image.width) * bytesPerSample;
    for (int c = 0; c < image.channelCount; ++c)
        std::memset(static_cast<uint8_t*>(image.GetPlane(c)) + first * rowBytes, 0, (end - first) * rowBytes);
}

// Reads encoded strip `strip` into the buffer, zeros after what the library
// delivered (a short last strip); false on a read failure.
bool ReadStrip(TIFF* tiff, uint32_t strip, std::vector<uint8_t>& buffer, tmsize_t stripSize)
{
    const tmsize_t got = TIFFReadEncodedStrip(tiff, strip, buffer.data(), stripSize);
    if (got < 0)
        return false;
    std::fill(buffer.begin() + std::min<size_t>(size_t(got), buffer.size()), buffer.end(), uint8_t(0));
    return true;
}

// One bit per pixel, most significant bit first. Min-is-black files turn a set
// bit white; everything else follows the min-is-white convention.
FileResult DecodeBilevel(TIFF* tiff, const TiffLayout& layout, CImage& image, std::vector<uint8_t>& buffer,
    tmsize_t stripSize)
{
    const size_t rowBytes = (size_t(layout.width) + 7) / 8;
    const uint8_t setBit = layout.photometric == PHOTOMETRIC_MINISBLACK ? 255 : 0;
    const uint8_t clearBit = 255 - setBit;
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    uint32_t covered = 0;
    for (uint32_t strip = 0, row0 = 0; strip < strips && row0 < layout.height; ++strip, row0 += layout.rowsPerStrip) {
        if (!ReadStrip(tiff, strip, buffer, stripSize))
            return FileBadArgument;
        uint32_t rows = std::min(layout.rowsPerStrip, layout.height - row0);
        uint32_t r = 0;
        for (; r < rows && (r + 1) * rowBytes <= size_t(stripSize); ++r) {
            const uint8_t* bits = buffer.data() + r * rowBytes;
            uint8_t* out = image.Plane8(0) + size_t(row0 + r) * layout.width;
            for (uint32_t x = 0; x < layout.width; ++x)
                out[x] = (bits[x >> 3] & (0x80 >> (x & 7))) ? setBit : clearBit;
        }
        ZeroRows(image, row0 + r, row0 + rows, 1);
        covered = row0 + rows;
    }
    ZeroRows(image, covered, layout.height, 1);
    return FileOk;
}

// One interleaved row into the planes, or the split planes of a split load;
// the library delivers 16-bit samples in machine order.
void ScatterRow(const uint8_t* row, const TiffLayout& layout, CImage& image, uint32_t y, SixteenBitSplit* split)
{
    const int channels = layout.samplesPerPixel;
    if (split)
        return SplitNativeRow(*split, int(y), row, channels);
    const size_t rowStart = size_t(y) * layout.width;
    if (layout.bitsPerSample == 16) {
        uint16_t* planes[4] = {};
        for (int c = 0; c < channels; ++c)
            planes[c] = image.Plane16(c) + rowStart;
        return DeinterleaveRowNative16(row, channels, layout.width, planes);
    }
    uint8_t* planes[4] = {};
    for (int c = 0; c < channels; ++c)
        planes[c] = image.Plane8(c) + rowStart;
    DeinterleaveRow8(row, channels, layout.width, planes);
}

// Rows no strip filled, in the planes or the split planes.
void ZeroMissingRows(CImage& image, uint32_t first, uint32_t end, int bytesPerSample, SixteenBitSplit* split)
{
    if (split)
        return ZeroSplitRows(*split, int(first), int(std::min(end, uint32_t(image.height))));
    ZeroRows(image, first, end, bytesPerSample);
}

// Interleaved samples, strip by strip.
FileResult DecodeChunky(TIFF* tiff, const TiffLayout& layout, CImage& image, std::vector<uint8_t>& buffer,
    tmsize_t stripSize, SixteenBitSplit* split)
{
    const int bytesPerSample = layout.bitsPerSample / 8;
    const size_t rowBytes = size_t(layout.width) * layout.samplesPerPixel * bytesPerSample;
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    uint32_t covered = 0;
    for (uint32_t strip = 0, row0 = 0; strip < strips && row0 < layout.height; ++strip, row0 += layout.rowsPerStrip) {
        if (!ReadStrip(tiff, strip, buffer, stripSize))
            return FileBadArgument;
        uint32_t rows = std::min(layout.rowsPerStrip, layout.height - row0);
        uint32_t r = 0;
        for (; r < rows && (r + 1) * rowBytes <= size_t(stripSize); ++r)
            ScatterRow(buffer.data() + r * rowBytes, layout, image, row0 + r, split);
        ZeroMissingRows(image, row0 + r, row0 + rows, bytesPerSample, split);
        covered = row0 + rows;
    }
    ZeroMissingRows(image, covered, layout.height, bytesPerSample, split);
    return FileOk;
}

// One plane of samples after another, a scanline at a time.
FileResult DecodePlanar(TIFF* tiff, const TiffLayout& layout, CImage& image, std::vector<uint8_t>& buffer)
{
    const size_t bytes = layout.bitsPerSample / 8;
    if (size_t(TIFFScanlineSize(tiff)) < layout.width * bytes || buffer.size() < layout.width * bytes)
        return FileBadArgument;
    for (uint16_t s = 0; s < layout.samplesPerPixel; ++s) {
        uint8_t* plane = static_cast<uint8_t*>(image.GetPlane(s));
        for (uint32_t row = 0; row < layout.height; ++row) {
            if (TIFFReadScanline(tiff, buffer.data(), row, s) < 0)
                return FileBadArgument;
            std::memcpy(plane + size_t(row) * layout.width * bytes, buffer.data(), layout.width * bytes);
        }
    }
    return FileOk;
}

template <typename Sample>
void InvertPlane(CImage& image, int channel, Sample maximum)
{
    Sample* plane = static_cast<Sample*>(image.GetPlane(channel));
    for (size_t i = 0, count = image.PixelCount(); i < count; ++i)
        plane[i] = static_cast<Sample>(maximum - plane[i]);
}

// R = (N - C)(N - K) / N and likewise for G and B, exact in 32 bits and
// rounded down; plane 3 keeps K.
template <typename Sample>
void ConvertCmykToRgb(CImage& image, uint32_t n)
{
    Sample* planes[4];
    for (int c = 0; c < 4; ++c)
        planes[c] = static_cast<Sample*>(image.GetPlane(c));
    for (size_t i = 0, count = image.PixelCount(); i < count; ++i) {
        uint32_t paper = n - planes[3][i];
        for (int c = 0; c < 3; ++c)
            planes[c][i] = static_cast<Sample>((n - planes[c][i]) * paper / n);
    }
}

bool HasColourMap(TIFF* tiff)
{
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    return TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue;
}

// Replaces the index plane by three colour planes looked up in the colour map;
// 8-bit planes take the high byte of each 16-bit entry.
template <typename Sample>
FileResult ExpandPalette(TIFF* tiff, CImage& image, int shift)
{
    if (!HasColourMap(tiff))
        return FileOk; // no map: the indices stay as grey
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue);
    const Sample* source = static_cast<const Sample*>(image.GetPlane(0));
    std::vector<Sample> indices(source, source + image.PixelCount());
    image.channelCount = 3;
    image.AllocatePlanes();
    if (!image.HasPlanes())
        return FileNoMemory;
    const uint16_t* maps[3] = { red, green, blue };
    for (int c = 0; c < 3; ++c) {
        Sample* plane = static_cast<Sample*>(image.GetPlane(c));
        for (size_t i = 0; i < indices.size(); ++i)
            plane[i] = static_cast<Sample>(maps[c][indices[i]] >> shift);
    }
    return FileOk;
}

// Turns what the file's Photometric says into what the planes should show.
FileResult ApplyPhotometric(TIFF* tiff, const TiffLayout& layout, CImage& image)
{
    const bool wide = layout.bitsPerSample == 16;
    if (layout.bitsPerSample == 1)
        return FileOk; // already resolved while unpacking
    if (layout.photometric == PHOTOMETRIC_MINISWHITE) {
        if (wide)
            InvertPlane<uint16_t>(image, 0, 65535);
        else
            InvertPlane<uint8_t>(image, 0, 255);
    } else if (layout.photometric == PHOTOMETRIC_PALETTE && layout.samplesPerPixel == 1) {
        return wide ? ExpandPalette<uint16_t>(tiff, image, 0) : ExpandPalette<uint8_t>(tiff, image, 8);
    } else if (layout.photometric == PHOTOMETRIC_SEPARATED && layout.samplesPerPixel == 4) {
        if (wide)
            ConvertCmykToRgb<uint16_t>(image, 65535);
        else
            ConvertCmykToRgb<uint8_t>(image, 255);
    }
    return FileOk;
}

// What the header promises against what the file can hold, before anything
// is allocated: uncompressed strips must be in the file, and compressed ones
// cannot expand beyond what any codec manages.
bool StripsCanFill(TIFF* tiff, const TiffLayout& layout, uint64_t fileSize)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const uint64_t bits = uint64_t(layout.width) * layout.samplesPerPixel * layout.bitsPerSample;
    const uint64_t decoded = (bits + 7) / 8 * layout.height;
    if (compression == COMPRESSION_NONE)
        return decoded <= fileSize;
    return DecodedSizeIsPlausible(decoded, fileSize);
}

// Everything a read sets except the planes; the checks that keep a hostile
// header from reaching an allocation.
FileResult DescribeTiff(TIFF* tiff, TiffLayout& layout, uint64_t fileSize, CImage& image)
{
    if (FileResult result = ReadLayout(tiff, layout); result != FileOk)
        return result;
    if (TIFFIsTiled(tiff))
        return FileBadArgument; // only strips are read
    const int bytesPerSample = layout.bitsPerSample == 16 ? 2 : 1;
    if (!LibraryImageSizeIsSane(layout.width, layout.height, bytesPerSample))
        return FileNoMemory;
    if (!StripsCanFill(tiff, layout, fileSize))
        return FileBadArgument;
    const tmsize_t stripSize = TIFFStripSize(tiff);
    const tmsize_t bufferSize = std::max(stripSize, TIFFScanlineSize(tiff));
    if (stripSize <= 0 || uint64_t(bufferSize) > kMaxLibraryPlaneBytes)
        return FileBadArgument;

    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    image.channelCount = layout.samplesPerPixel;
    image.sampleType = layout.bitsPerSample == 16 ? SampleU16 : SampleU8;
    image.resolutionDpi = layout.resolutionDpi;
    return FileOk;
}

// The channel count once ApplyPhotometric has run: a colour map turns one
// index plane into three colour planes.
int DecodedChannelCount(TIFF* tiff, const TiffLayout& layout)
{
    if (layout.bitsPerSample != 1 && layout.photometric == PHOTOMETRIC_PALETTE && layout.samplesPerPixel == 1
        && HasColourMap(tiff))
        return 3;
    return layout.samplesPerPixel;
}

// A 16-bit file that can go straight to the split planes: interleaved, and
// nothing for ApplyPhotometric to do once the whole image is in.
bool SplitsWhileReading(const TiffLayout& layout)
{
    if (layout.bitsPerSample != 16 || layout.planarConfig == PLANARCONFIG_SEPARATE
        || !CanSplitSixteenBit(layout.samplesPerPixel))
        return false;
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISWHITE:
        return false;
    case PHOTOMETRIC_PALETTE:
        return layout.samplesPerPixel != 1;
    case PHOTOMETRIC_SEPARATED:
        return layout.samplesPerPixel != 4;
    default:
        return true;
    }
}

FileResult DecodeTiff(TIFF* tiff, uint64_t fileSize, CImage& image, SixteenBitSplit* split)
{
    TiffLayout layout;
    if (FileResult result = DescribeTiff(tiff, layout, fileSize, image); result != FileOk)
        return result;
    if (split && SplitsWhileReading(layout)) {
        split->done = AllocateSplitPlanes(*split, image);
        if (!split->done)
            return FileNoMemory;
    } else {
        split = nullptr;
        image.AllocatePlanes();
        if (!image.HasPlanes())
            return FileNoMemory;
    }

    const tmsize_t stripSize = TIFFStripSize(tiff);
    std::vector<uint8_t> buffer(static_cast<size_t>(std::max(stripSize, TIFFScanlineSize(tiff))));

    FileResult result;
    if (layout.bitsPerSample == 1)
        result = DecodeBilevel(tiff, layout, image, buffer, stripSize);
    else if (layout.planarConfig == PLANARCONFIG_SEPARATE)
        result = DecodePlanar(tiff, layout, image, buffer);
    else
        result = DecodeChunky(tiff, layout, image, buffer, stripSize, split);
    if (result != FileOk || split)
        return result;
    return ApplyPhotometric(tiff, layout, image);
}

uint64_t TiffFileSize(TIFF* tiff)
{
    struct stat info {};
    return fstat(TIFFFileno(tiff), &info) == 0 && info.st_size > 0 ? uint64_t(info.st_size) : 0;
}

} // namespace

namespace {

// Strips are read into our buffer rather than copied out of a mapping of
// the file: uncompressed ones then go there straight from the file, and the
// mapped pages never count against the process's memory.
FileResult ReadTiffFile(CImage& image, const char* path, SixteenBitSplit* split)
{
    TIFF* tiff = path ? OpenTiffSilently(path, "rm") : nullptr;
    if (!tiff)
        return FileOpenFailed;
    FileResult result = DecodeTiff(tiff, TiffFileSize(tiff), image, split);
    TIFFClose(tiff);
    return result;
}

} // namespace

FileResult ReadTiff(CImage& image, const char* path) { return ReadTiffFile(image, path, nullptr); }

FileResult ReadTiffSplitting(CImage& image, const char* path, SixteenBitSplit& split)
{
    return ReadTiffFile(image, path, &split);
}

FileResult DescribeTiffFile(CImage& image, const char* path)
{
    TIFF* tiff = path ? OpenTiffSilently(path, "r") : nullptr;
    if (!tiff)
        return FileOpenFailed;
    TiffLayout layout;
    FileResult result = DescribeTiff(tiff, layout, TiffFileSize(tiff), image);
    if (result == FileOk)
        image.channelCount = DecodedChannelCount(tiff, layout);
    TIFFClose(tiff);
    return result;
}

FileResult ReadTiffInfo(const char* path, int* width, int* height, int* channels)
{
    TIFF* tiff = path ? OpenTiffSilently(path, "r") : nullptr;
    if (!tiff)
        return FileOpenFailed;
    uint32_t w = 0, h = 0;
    uint16_t samples = 1;
    FileResult result = FileOk;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h))
        result = FileBadArgument;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFClose(tiff);
    if (result == FileOk) {
        if (width)
            *width = static_cast<int>(std::min<uint32_t>(w, INT32_MAX));
        if (height)
            *height = static_cast<int>(std::min<uint32_t>(h, INT32_MAX));
        if (channels)
            *channels = samples;
    }
    return result;
}

// An RGB file with a fourth sample that is not associated alpha (ExtraSamples
// unspecified or unassociated, or no ExtraSamples at all) is how scanner
// software stores an infrared plane; CMYK and premultiplied alpha are not one.
bool TiffFourthPlaneIsInfrared(const char* path)
{
    TIFF* tiff = path ? OpenTiffSilently(path, "r") : nullptr;
    if (!tiff)
        return false;
    uint16_t samples = 1, bits = 1, photometric = 0, extraCount = 0;
    uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    const bool rgb = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_RGB;
    bool plainExtra = true;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) && extraCount >= 1 && extraKinds)
        plainExtra = extraKinds[0] == EXTRASAMPLE_UNSPECIFIED || extraKinds[0] == EXTRASAMPLE_UNASSALPHA;
    TIFFClose(tiff);
    return samples == 4 && (bits == 8 || bits == 16) && rgb && plainExtra;
}
