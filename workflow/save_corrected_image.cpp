#include <algorithm>
#include <memory>

#include "imagefiles/save_dispatch.h"
#include "workflow/image_to_save.h"

namespace {

// The first `channels` corrected planes seen as an image of their own, for
// the 8-bit kinds: the writers only read, so copying a whole image just to
// give it the file's resolution would cost three bytes a pixel at the peak
// of a clean. The planes stay the engine's; they are let go, not freed.
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
    std::unique_ptr<BorrowedPlanes> borrowed;
    std::unique_ptr<CImage> built;
    if (IsEightBitKind(source.kind) && corrected.HasPlanes() && corrected.sampleType == SampleU8
        && corrected.channelCount >= 3)
        borrowed = std::make_unique<BorrowedPlanes>(corrected, source.kind == ImageRgb8 ? 3 : 1);
    else
        built = BuildImageToSave(corrected, source.kind, source.lowBytes.get());
    CImage* image = borrowed ? &borrowed->image : built.get();
    if (!image)
        return source.kind == ImageNone ? FileBadArgument : FileNoMemory;
    if (request.saveRotated) {
        int kind = RotationKindForDegrees(request.rotationDegrees);
        if (kind >= 0) {
            std::unique_ptr<CImage> turned(image->Rotated(kind));
            if (!turned || !turned->HasPlanes())
                return FileNoMemory;
            built = std::move(turned);
            image = built.get();
        }
    }
    image->resolutionDpi = source.resolutionDpi;
    // The source's own tables are only asked for with "Same as Input".
    const char* sourcePath = request.jpegQuality == 200 && !request.sourcePath.empty() ? request.sourcePath.c_str() : nullptr;
    const uint8_t* payload = request.app1Length > 2 && request.app1 ? request.app1 + 2 : nullptr;
    int payloadLength = payload ? std::min(request.app1Length - 2, 65533) : 0;
    return SaveImageByExtension(*image, request.targetPath.c_str(), sourcePath, request.jpegQuality,
        request.jpegSubsampling, payload, payloadLength);
}
