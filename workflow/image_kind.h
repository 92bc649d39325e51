#pragma once
#include <memory>

#include "image/image.h"

// What the opened file held. It decides how the loaded samples become the
// engine's three-plane 8-bit working image and how the corrected image is
// turned back into something of the source's depth and channel count.
enum ImageKind : int {
    ImageNone = 0, // refused
    ImageRgb8 = 1, // three or more channels, 8-bit: the loaded image is the working image
    ImageGrey8 = 2, // one channel, 8-bit: grey copied into three planes
    ImageRgb16 = 3, // three or more channels, 16-bit: high bytes worked on, low bytes kept aside
    ImageGrey16 = 4, // one channel, 16-bit: high byte into three planes, low bytes kept aside
};

// Why an open did not produce something the engine can work on.
enum LoadOutcome : int {
    LoadAccepted = 0,
    LoadUnreadable = 1, // not loaded, or a channel arrangement that is refused
    LoadTooSmall = 2, // accepted, but the smaller side is 2 pixels or less
    LoadNoMemory = 3, // the file's or the working planes could not be allocated
};

// The user-facing texts of the refusals, exactly as the desktop program shows them.
inline constexpr const char* kUnreadableImageMessage = "Unable to read image file";
inline constexpr const char* kTooSmallImageMessage = "The image file is too small.";
// The command-line tool's text when an image's planes do not fit in memory.
inline constexpr const char* kNoMemoryToOpenMessage = "Not enough memory to open this image";

// An accepted image, ready for an engine. `working` always has 8-bit samples
// and at least three planes; `lowBytes` exists only for the 16-bit kinds.
struct WorkingImage {
    ImageKind kind = ImageNone;
    std::unique_ptr<CImage> working;
    std::unique_ptr<CImage> lowBytes; // LowByteImage: one plane for grey, three for colour
    int resolutionDpi = 0; // of the file as loaded; written back on save
    int jpegSubsampling = 2; // of the file as loaded; presets the JPEG save choice
};

// The kind a loaded image would be given, ImageNone when it is refused.
ImageKind ClassifyImage(const CImage& loaded);

// Turns a loaded image into the working form of its kind. The loaded image is
// consumed: for ImageRgb8 it becomes the working image itself.
LoadOutcome MakeWorkingImage(std::unique_ptr<CImage> loaded, WorkingImage& out);

// The same for a 16-bit image the reader delivered already split: `described`
// holds its size, channels and file properties, `high` the working planes
// and `low` the low bytes, both as sixteen_bit_split.h lays them out.
LoadOutcome MakeWorkingImageFromSplit(const CImage& described, std::unique_ptr<CImage> high,
    std::unique_ptr<CImage> low, WorkingImage& out);

// Reads `path` with the load dispatch and makes the working image. `out` is
// replaced only when the file is accepted (LoadAccepted or LoadTooSmall), so a
// refused file leaves a previously open image as it was. LoadNoMemory tells a
// file whose planes could not be allocated from one that cannot be read.
LoadOutcome LoadWorkingImage(const char* path, WorkingImage& out);

// The largest brush radius for an image: (min side − 1) / 2, at most 16.
// 0 means the image is too small to be processed.
int LargestBrushRadius(int width, int height);
