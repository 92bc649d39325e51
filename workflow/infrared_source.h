#pragma once
#include <memory>
#include <string>

#include "engine/infrared_detection.h"
#include "image/image.h"
#include "workflow/image_kind.h"

// Whether a clean uses an infrared plane: when there is one (the default),
// always (a missing plane is reported), or never.
enum InfraredChoice : int { InfraredAuto = 0, InfraredOn = 1, InfraredOff = 2 };

// The infrared plane of an opened image, where it came from and whether the
// detection may use it.
struct InfraredPlaneSource {
    std::unique_ptr<CImage> plane; // one 8- or 16-bit channel; null when none was found or it could not be read
    std::string sidecarPath; // the grey file it came from; empty for a fourth sample
    InfraredVerdict verdict = InfraredUsable; // meaningful only with a plane or a refused sidecar
    InfraredModel model;
    std::string message; // why a plane that was found is not used; empty when it is

    bool Usable() const { return plane && verdict == InfraredUsable; }
    // The engine's view of it; plane null when it is not usable.
    InfraredInput Input() const { return { Usable() ? plane.get() : nullptr, model }; }
};

// A grey file beside the image named like it with "_IR" or "-ir" added
// (letter case ignored, any extension of a format we read), e.g.
// "scan_IR.tif" or "scan-ir.png" for "scan.tif"; empty when there is none.
// Among several, the first in name order.
std::string FindInfraredSidecar(const std::string& imagePath);

// Whether the file has an infrared plane of its own (an RGBI TIFF) or a sidecar.
bool HasInfraredPlane(const std::string& imagePath);

// LoadWorkingImage, keeping the fourth sample of an RGBI TIFF at its own
// depth as `infrared.plane` before the working image is made.
LoadOutcome LoadWorkingImageWithInfrared(const char* path, WorkingImage& out, InfraredPlaneSource& infrared);

// Finds the plane for an accepted working image: the fourth sample already in
// `infrared`, else `sidecarPath` when given, else a sidecar found beside
// `imagePath`. A sidecar of another size is refused with a message. A plane
// that was found is then analysed against the working image.
void ResolveInfraredPlane(const std::string& imagePath, const std::string& sidecarPath, const CImage& working,
    InfraredPlaneSource& infrared);
