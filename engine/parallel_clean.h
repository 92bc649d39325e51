#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "engine/dust_kernel.h"
#include "engine/tile_queue.h"
#include "image/image.h"

// Cleans a whole image once, automatically, on several threads that share its
// tiles: for batch work, where no window orders the tiles and no brush writes
// the manual planes. The corrected image and the detection map are byte for
// byte those a DustEngine gives for one request over the whole image.
//
// The median of the whole image is computed first, the threads taking bands
// of rows that cover whole coverage blocks, so no two of them ever write the
// same median sample or coverage block. The tiles then only read the median
// and write their own pixels of the map and the corrected image.
class ParallelClean {
public:
    // The source must outlive this; it needs 8-bit samples and at least three
    // channels. Valid() is false when the planes cannot be made.
    ParallelClean(const CImage& source, int tileSize);
    bool Valid() const { return kernel != nullptr; }

    enum Result : int { Done = 0, Cancelled = 1, NoMemory = 4 };
    // Runs on `threads` threads (at least one). `progress` (may be empty) is
    // called on this thread with the finished fraction; `cancel` may be null.
    int Run(const DustParams& params, int threads, const std::atomic<bool>* cancel,
        const std::function<void(float)>& progress);

    const CImage* WorkImage() const { return workImage.get(); }
    const CImage* DetectionMap() const { return kernel ? kernel->DetectionMap() : nullptr; }

private:
    using Step = std::function<int(size_t index, DustKernel& kernel, const std::atomic<uint8_t>& abort)>;
    // Runs step(0) .. step(count − 1) on one thread per kernel and waits for
    // them; stops early on cancel or on a step that keeps running out of memory.
    int Share(size_t count, const Step& step, const std::vector<DustKernel*>& kernels,
        const std::atomic<bool>* cancel, const std::function<void(float)>& progress, float from, float span);

    const CImage& source;
    int tileSize;
    std::unique_ptr<CImage> workImage;
    std::unique_ptr<CImage> manualMask;
    std::unique_ptr<CImage> manualDustSize;
    std::unique_ptr<TileQueue> queue;
    std::unique_ptr<DustKernel> kernel; // the first thread's; owns the median image and the map
};
