#pragma once
#include <memory>
#include <string>

#include "image/image.h"
#include "imagefiles/save_rows.h"
#include "workflow/image_kind.h"

// Rebuilds, from the engine's corrected working image, the image to write in
// the source's depth and channel count: three 8-bit planes for ImageRgb8, one
// 8-bit plane (the first) for ImageGrey8, and for the 16-bit kinds each sample
// = corrected byte × 256 + the low byte kept at load. A fourth plane of the
// working image is never written: the writers take one or three channels.
// Null when the kind is ImageNone, the low bytes are missing or do not match,
// or memory runs out.
std::unique_ptr<CImage> BuildImageToSave(const CImage& corrected, ImageKind kind, const CImage* lowBytes);

// The same pixels as BuildImageToSave's image, handed to a writer row by row
// straight from the corrected planes and the low bytes: a save needs no
// second whole image (6 bytes a pixel for 16-bit RGB). HasPixels is false
// exactly where BuildImageToSave gives null for want of planes or low bytes.
class CorrectedRows : public SaveRows {
public:
    CorrectedRows(const CImage& corrected, ImageKind kind, const CImage* lowBytes);
    bool HasPixels() const override { return usable; }
    void Row8(int y, const int* order, int count, uint8_t* out) const override;
    void Row16(int y, int count, bool bigEndian, uint8_t* out) const override;

private:
    bool usable = false;
    const uint8_t* high[3] = {};
    const uint8_t* low[3] = {}; // null for the 8-bit kinds
};

// The `Rotated` kind for a view rotation in degrees: 90 clockwise (1), −90
// counter-clockwise (0), 180 half turn (2); −1 for 0 or anything else.
int RotationKindForDegrees(int degrees);

// Everything the save of a corrected image needs besides the pixels.
struct SaveRequest {
    std::string targetPath; // the writer is chosen by its extension
    std::string sourcePath; // the file the image came from (JPEG "Same as Input")
    int rotationDegrees = 0; // the view's rotation; applied only with saveRotated
    bool saveRotated = false;
    int jpegQuality = 200; // 1..100, or 200 for the source's own tables
    int jpegSubsampling = 2; // subsampling code 0, 1 or 2
    const uint8_t* app1 = nullptr; // captured APP1 segment: two length bytes, then the payload
    int app1Length = 0; // the segment length as stored in the file (payload + 2)
};

// Builds the image to save, turns it when asked, gives it the source's
// resolution and writes it by the target's extension. Returns a FileResult.
int SaveCorrectedImage(const CImage& corrected, const WorkingImage& source, const SaveRequest& request);

// The JPEG subsampling code a save starts from: the source's own code when the
// source path ends in ".jpg" (any case), else 2 (2 × 2).
int DefaultJpegSubsampling(const std::string& sourcePath, int sourceSubsampling);

// File types of the save choice: 1 BMP, 2 JPEG, 3 PNG, 4 TIFF, 5 any.
// Replaces the extension of `path` by ".bmp", ".jpg", ".png" or ".tif" for
// types 1 to 4; type 5 keeps the path as chosen. Only the last path component
// counts: a dot in a folder name is not an extension.
std::string PathForSaveType(const std::string& path, int saveType);
