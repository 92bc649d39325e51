#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "engine/dust_engine.h"
#include "engine/spot_tracker.h"
#include "image/image.h"
#include "metadata/jpeg_metadata.h"
#include "image/rect.h"
#include "workflow/image_kind.h"
#include "workflow/infrared_source.h"

class RegionListener;

// Everything an open makes before the window can show the image: the decoded
// image, its infrared plane, what the save needs of a JPEG, the engine (idle,
// with nothing requested yet) and the navigator's thumbnail. Made away from
// the window's thread; the window only moves it into its session.
struct LoadedImage {
    LoadOutcome outcome = LoadUnreadable;
    WorkingImage document;
    // The engine reads the image and the plane, so both are declared before
    // it and outlive it.
    InfraredPlaneSource infrared;
    App1Segment exifSegment;
    bool fromCamera = false;
    int largestBrushRadius = 0;
    std::unique_ptr<DustEngine> engine; // null unless the image is accepted and the memory was there
    std::unique_ptr<SpotTracker> spots; // made with the engine, its first whole-image scan done
    std::unique_ptr<CImage> thumbnail;
    float thumbnailScale = 1.0f;

    ~LoadedImage() { engine.reset(); }
    // Accepted for editing: large enough, and the engine could be made.
    bool Accepted() const { return engine != nullptr; }
};

// Reads `path` and prepares it as above. Stops early, with whatever it had
// made so far, once `cancelled` is set: the result is then thrown away.
std::unique_ptr<LoadedImage> LoadImageForEditing(const std::string& path, int tileSize, const Rect& navigatorArea,
    RegionListener* listener, const std::atomic<bool>& cancelled);
