#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "engine/byte_buffer.h"
#include "engine/dust_detection.h"
#include "engine/dust_params.h"
#include "image/image.h"

// Cleans a whole image once, automatically, on one or more threads: for batch
// work, where no window orders the tiles and no brush marks a pixel. The
// corrected image and the detection map are byte for byte those a DustEngine
// gives for one request over the whole image, with the same tiles.
//
// It holds two planes besides the source, 4 bytes a pixel for RGB: the
// corrected image, whose first three channels hold the median until the last
// pass blends them in place, and the map. Three passes, each shared by the
// threads, none writing what another thread reads or writes meanwhile:
//  1. bands of rows: the median (the channels past the third copied from the
//     source); without automation the source copied and the map cleared, which
//     is then the whole result;
//  2. tiles: the detection of each tile into its own pixels of the map,
//     reading the source and the median up to the tile's margin;
//  3. bands of rows: each pixel blended toward its median by the map, in place.
// Nothing is copied or filled up front: every plane is first touched by the
// threads, once.
class ParallelClean {
public:
    // The source must outlive this; it needs 8-bit samples and at least three
    // channels. Valid() is false when the planes cannot be made. The planes'
    // contents are defined only after a Run that returned Done.
    ParallelClean(const CImage& source, int tileSize);
    bool Valid() const { return corrected != nullptr; }

    enum Result : int { Done = 0, Cancelled = 1, NoMemory = 4 };
    // Runs once, on `threads` threads (at least one). `progress` (may be empty)
    // is called on this thread with the finished fraction; `cancel` may be null.
    int Run(const DustParams& params, int threads, const std::atomic<bool>* cancel,
        const std::function<void(float)>& progress);

    const CImage* WorkImage() const { return corrected.get(); }
    const CImage* DetectionMap() const { return map.get(); }

private:
    // Working memory of one thread.
    struct Scratch {
        ByteBuffer median;
        DetectionScratch detection;
        ByteBuffer pixel;
    };
    using Step = std::function<int(size_t index, Scratch& scratch, const std::atomic<uint8_t>& abort)>;
    // Runs step(0) .. step(count − 1) on one thread per scratch and waits for
    // them; stops early on cancel or on a step that keeps running out of memory.
    int Share(size_t count, const Step& step, std::vector<Scratch>& scratches, const std::atomic<bool>* cancel,
        const std::function<void(float)>& progress, float from, float span);

    const CImage& source;
    int tileSize;
    std::unique_ptr<CImage> corrected; // the source's channel count
    std::unique_ptr<CImage> map; // 1 channel
};
