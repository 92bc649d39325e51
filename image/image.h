#pragma once
#include <cstddef>
#include <cstdint>

#include "image/rect.h"

enum SampleType : int {
    SampleU8 = 0, // 8-bit unsigned
    SampleU16 = 1, // 16-bit unsigned, machine byte order
    SampleFloat = 2, // 32-bit IEEE float
};

// What a new image's planes hold: whatever the allocator returns, or zeros.
// Zeroed planes come from calloc, so a plane that is mostly never written
// costs no memory for the pages never touched.
enum class PlaneContents { Uninitialised, Zeroed };

// The one in-memory image: planar, one row-major plane per channel (1 to 4
// channels), with the few properties of its file that must reach the writers.
// Failures never throw: a plane that cannot be allocated stays null after a
// line on stderr, and operations answer with small integer codes.
class CImage {
public:
    CImage(int width, int height, int channelCount, int sampleType,
        PlaneContents contents = PlaneContents::Uninitialised);
    // Loads a file; fileType 0 detects the type from the content. The four
    // extra integers belong to the raw scan reader, which is always given 0.
    // Defined with the load dispatch in imagefiles/.
    CImage(const char* path, int fileType, int extra0 = 0, int extra1 = 0, int extra2 = 0,
        int extra3 = 0);
    virtual ~CImage();

    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Releases every plane slot, then allocates width × height samples for
    // each channel in order; stops at the first failure.
    void AllocatePlanes(PlaneContents contents = PlaneContents::Uninitialised);
    void ReleasePlanes();

    void* GetPlane(int index) const { return planes[index]; }
    uint8_t* Plane8(int index) const { return static_cast<uint8_t*>(planes[index]); }
    uint16_t* Plane16(int index) const { return static_cast<uint16_t*>(planes[index]); }
    float* PlaneFloat(int index) const { return static_cast<float*>(planes[index]); }

    // True when every plane in use is allocated.
    bool HasPlanes() const;

    Rect GetActiveRegion() const;

    int GetPixel8(int x, int y, uint8_t out[4]) const;
    int GetPixel16(int x, int y, uint16_t out[4]) const;
    int GetPixelFloat(int x, int y, float out[4]) const;
    int SetPixel8(int x, int y, const uint8_t in[4]);

    void CopySample(CImage& destination, int destinationChannel, size_t destinationIndex,
        int sourceChannel, size_t sourceIndex) const;
    int Fill(float value0, float value1, float value2, float value3);
    int ConvertInto(CImage& destination) const;
    // Kind 0: 90° counter-clockwise, 1: 90° clockwise, 2: 180°, 3: flip top to
    // bottom, 4: mirror left to right. Null for other kinds or no memory.
    CImage* Rotated(int kind) const;
    // Bottom-up 24-bit BGR rows padded to 4 bytes, as display bitmaps want.
    int ToDib24(uint8_t* buffer, size_t size) const;
    int ToDib24Rect(uint8_t* buffer, size_t size, int left, int top, int bottom, int right) const;
    // Scaled copy: method 0 nearest, 1 bilinear, 2 bicubic (Catmull-Rom).
    CImage* Resampled(float scaleX, float scaleY, int method) const;

    static int BytesPerSample(int sampleType);
    static size_t DibStride(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t(3); }

    size_t PixelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }

    float floatMax = 1.0f; // value that maps to full intensity from float samples
    float floatMin = 0.0f; // value that maps to zero
    int marginWidth = 0; // width of a strip outside the active region (raw scans)
    int height = 0;
    int width = 0;
    int channelCount = 0;
    int jpegQuality = 75; // quality hint for a JPEG writer
    int resolutionDpi = 0; // 0 = the file gave none
    int jpegSubsampling = 2; // 0 = 1x1, 1 = 2x1, 2 = 2x2
    int sampleType = SampleU8;
    int marginSide = 0; // 0 left, 1 top, 2 right, 3 bottom
    int regionLeft = 0, regionTop = 0, regionBottom = 0, regionRight = 0; // all 0: none
    void* planes[4] = { nullptr, nullptr, nullptr, nullptr };

private:
    void SetDefaults();
    template <typename Out, typename Convert>
    int ReadPixel(int x, int y, Out out[4], Convert convert) const;
};
