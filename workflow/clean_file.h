#pragma once
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "engine/dust_params.h"
#include "workflow/image_kind.h"
#include "workflow/infrared_source.h"

// What a user may set over the parameters derived from an image's resolution.
struct DustOverrides {
    std::optional<int> dustType; // 0 dark, 1 bright, 2 both
    std::optional<int> dustRadius;
    std::optional<int> dustThreshold;
    std::optional<int> aggression;
    bool noAuto = false; // automatic correction off: the output equals the input
    int resolutionDpi = 0; // derive from this resolution instead of the file's; 0 = the file's
};

// The parameters for one image, as a fresh start of the desktop program
// would set them on opening it: the fresh-start values, the dust radius held
// within the image's largest brush radius, the resolution rules with a
// memory of their own (so that no image depends on the one before), the
// camera rule, then the overrides.
DustParams DustParamsForImage(int resolutionDpi, bool fromCamera, int largestBrushRadius, const DustOverrides& overrides);

// One file to clean: open, automatic correction of the whole image, save.
struct CleanFileJob {
    std::string input;
    std::string output; // written directly; its extension chooses the writer
    std::string mapPath; // when not empty, the detection map as an 8-bit grey PNG
    DustOverrides overrides;
    std::optional<int> jpegQuality; // unset: "Same as Input" (200) with the source's subsampling
    std::function<void(float)> progress; // may be empty
    const std::atomic<bool>* cancel = nullptr;
    InfraredChoice infrared = InfraredAuto; // InfraredOff keeps the load and clean of files without a plane
    std::string infraredPath; // a sidecar named by the user; empty: look beside the input
    int infraredSensitivity = kInfraredSensitivityDefault;
};

enum CleanFileStatus : int {
    CleanFileOk = 0,
    CleanFileUnreadable = 1, // "Unable to read image file"
    CleanFileTooSmall = 2, // "The image file is too small."
    CleanFileNoMemory = 3,
    CleanFileSaveFailed = 4, // the writer of the output failed
    CleanFileMapSaveFailed = 5, // the output was written, the detection map was not
    CleanFileCancelled = 6,
};

// What happened, for the caller's report.
struct CleanFileReport {
    CleanFileStatus status = CleanFileOk;
    ImageKind kind = ImageNone;
    DustParams params; // the parameters the engine was given
    bool fromCamera = false;
    int writerResult = 0; // FileResult of the failed writer
    bool infraredUsed = false; // the detection map came from the infrared plane
    std::string infraredMessage; // why an infrared plane was not used, for the user; empty otherwise
};

CleanFileReport CleanImageFile(const CleanFileJob& job);
