#include <algorithm>
#include <memory>

#include "imagefiles/save_dispatch.h"
#include "workflow/image_to_save.h"

namespace {

// The first `channels` corrected planes seen as an image of their own, for
// turning an 8-bit kind: the rotation makes its own image, and copying the
// planes first would cost three more bytes a pixel. The planes stay the
// engine's; they are let go, not freed.
class BorrowedPlanes {
public:
    BorrowedPlanes(const CImage& corrected, int channels)
        : image(0, 0, 0, SampleU8)
    {
        image.width = corrected.width;
        image.height = corrected.height;
        image.channelCount = channels;
        for (int c = 0; c < channels; ++c)
            image.planes[c] = corrected.planes[c];
    }
    ~BorrowedPlanes()
    {
        for (void*& plane : image.planes)
            plane = nullptr;
    }
    BorrowedPlanes(const BorrowedPlanes&) = delete;
    BorrowedPlanes& operator=(const BorrowedPlanes&) = delete;

    CImage image;
};

bool IsEightBitKind(ImageKind kind) { return kind == ImageRgb8 || kind == ImageGrey8; }

} // namespace

int SaveCorrectedImage(const CImage& corrected, const WorkingImage& source, const SaveRequest& request)
{
    // The source's own tables are only asked for with "Same as Input".
    const char* sourcePath = request.jpegQuality == 200 && !request.sourcePath.empty() ? request.sourcePath.c_str() : nullptr;
    const uint8_t* payload = request.app1Length > 2 && request.app1 ? request.app1 + 2 : nullptr;
    int payloadLength = payload ? std::min(request.app1Length - 2, 65533) : 0;
    const int rotation = request.saveRotated ? RotationKindForDegrees(request.rotationDegrees) : -1;
    if (rotation < 0) {
        // Unturned, the writer takes its rows straight from the planes.
        CorrectedRows rows(corrected, source.kind, source.lowBytes.get());
        if (!rows.HasPixels())
            return source.kind == ImageNone ? FileBadArgument : FileNoMemory;
        rows.resolutionDpi = source.resolutionDpi;
        return SaveRowsByExtension(rows, request.targetPath.c_str(), sourcePath, request.jpegQuality,
            request.jpegSubsampling, payload, payloadLength);
    }
    std::unique_ptr<BorrowedPlanes> borrowed;
    std::unique_ptr<CImage> built;
    if (IsEightBitKind(source.kind) && corrected.HasPlanes() && corrected.sampleType == SampleU8
        && corrected.channelCount >= 3)
        borrowed = std::make_unique<BorrowedPlanes>(corrected, source.kind == ImageRgb8 ? 3 : 1);
    else
        built = BuildImageToSave(corrected, source.kind, source.lowBytes.get());
    const CImage* image = borrowed ? &borrowed->image : built.get();
    if (!image)
        return source.kind == ImageNone ? FileBadArgument : FileNoMemory;
    std::unique_ptr<CImage> turned(image->Rotated(rotation));
    if (!turned || !turned->HasPlanes())
        return FileNoMemory;
    turned->resolutionDpi = source.resolutionDpi;
    return SaveImageByExtension(*turned, request.targetPath.c_str(), sourcePath, request.jpegQuality,
        request.jpegSubsampling, payload, payloadLength);
}
