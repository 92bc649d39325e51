#include <algorithm>
#include <memory>

#include "imagefiles/save_dispatch.h"
#include "workflow/image_to_save.h"

int SaveCorrectedImage(const CImage& corrected, const WorkingImage& source, const SaveRequest& request)
{
    std::unique_ptr<CImage> image = BuildImageToSave(corrected, source.kind, source.lowBytes.get());
    if (!image)
        return source.kind == ImageNone ? FileBadArgument : FileNoMemory;
    if (request.saveRotated) {
        int kind = RotationKindForDegrees(request.rotationDegrees);
        if (kind >= 0) {
            std::unique_ptr<CImage> turned(image->Rotated(kind));
            if (!turned || !turned->HasPlanes())
                return FileNoMemory;
            image = std::move(turned);
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
