#include "app/session/image_load.h"

#include <cstdio>

#include "imagefiles/image_file_types.h"
#include "view/rules/navigator_geometry.h"

namespace {
// A JPEG keeps its camera marks and its APP1 segment for the save.
void CaptureJpegData(const std::string& path, LoadedImage& out)
{
    if (ReadImageFileInfo(path.c_str(), nullptr, nullptr, nullptr) != ImageFileType::Jpeg)
        return;
    out.fromCamera = !ReadJpegMetadata(path.c_str()).cameraModel.empty();
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        CaptureApp1Segment(file, out.exifSegment);
        std::fclose(file);
    }
}
} // namespace

std::unique_ptr<LoadedImage> LoadImageForEditing(const std::string& path, int tileSize, const Rect& navigatorArea,
    RegionListener* listener, const std::atomic<bool>& cancelled)
{
    auto out = std::make_unique<LoadedImage>();
    out->outcome = path.size() < 3 ? LoadUnreadable : LoadWorkingImageWithInfrared(path.c_str(), out->document, out->infrared);
    if (out->outcome == LoadUnreadable || out->outcome == LoadNoMemory || cancelled.load())
        return out;
    CaptureJpegData(path, *out);
    const CImage& image = *out->document.working;
    out->largestBrushRadius = LargestBrushRadius(image.width, image.height);
    if (out->largestBrushRadius == 0 || out->outcome == LoadTooSmall)
        return out;

    // The plane is measured once against the accepted image; one that is
    // refused leaves the image to visible light, with a message saying why.
    ResolveInfraredPlane(path, std::string(), image, out->infrared);
    if (cancelled.load())
        return out;
    out->engine = std::make_unique<DustEngine>(image, tileSize, listener);
    if (!out->engine->WorkImage() || !out->engine->WorkImage()->HasPlanes()) {
        out->engine.reset();
        out->outcome = LoadNoMemory;
        return out;
    }
    if (out->infrared.Usable())
        out->engine->AttachInfrared(*out->infrared.plane, out->infrared.model);
    // The tracker's first refresh scans every cell; on a fresh engine it
    // finds nothing, and from then on only the cells of finished tiles are
    // scanned again. Done here, that whole-image scan stays off the window's thread.
    out->spots = std::make_unique<SpotTracker>(image.width, image.height);
    const DustEngine& engine = *out->engine;
    out->spots->Refresh({ engine.DetectionMap(), engine.ManualMask(), engine.Source(), engine.WorkImage() }, true);
    if (cancelled.load())
        return out;
    out->thumbnailScale = ThumbnailScale(navigatorArea, image.width, image.height);
    out->thumbnail.reset(image.Resampled(out->thumbnailScale, out->thumbnailScale, 2));
    return out;
}
