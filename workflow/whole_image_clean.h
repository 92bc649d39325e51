#pragma once
#include <atomic>
#include <functional>

#include "engine/dust_params.h"
#include "engine/infrared_detection.h"
#include "image/image.h"

// Result codes of a whole-image clean.
enum WholeImageResult : int {
    WholeImageDone = 0,
    WholeImageCancelled = 1, // the cancel flag was raised
    WholeImageNoMemory = 4, // the engine could not make its planes, or its tiles kept running out
};

// The tile size the desktop program gives its engines.
inline constexpr int kEngineTileSize = 256;

// Cleans the whole working image as one engine request over it would, as the
// desktop program does after an open, and returns when every tile is done.
// The tiles are shared among `threads` threads (at least one); the result is
// the same to the byte for any count. `progress` (may be empty) receives the
// finished fraction from this thread. `use` is called with the corrected image
// and the detection map while they are still held, and its return value is
// returned; it is not called when the run fails. `infrared` (may be null) is
// attached to an engine before the request, for params whose `infrared` byte
// is set; an infrared clean runs on one engine worker whatever `threads` says.
int CleanWholeImage(const CImage& working, const DustParams& params, int threads,
    const std::function<void(float)>& progress, const std::atomic<bool>* cancel,
    const std::function<int(const CImage& corrected, const CImage& detectionMap)>& use,
    const InfraredInput* infrared = nullptr);
