#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <memory>
#include <thread>

#include "engine/auto_reset_event.h"
#include "engine/dust_kernel.h"
#include "engine/region_listener.h"
#include "engine/tile_queue.h"
#include "image/image.h"

// Counts of tile passes by result, for progress diagnostics and tests.
struct EngineCounts {
    int started = 0;
    int done = 0;
    int aborted = 0;
    int noWork = 0;
    int reverted = 0;
    int noMemory = 0;
};

// Cleans one opened image. The window's thread posts requests (a rectangle,
// request kinds, a priority level, a sequence and the dust parameters); one
// worker thread processes the affected tiles in priority order and reports
// finished runs of tiles through the listener. A request of a higher level
// than the one being worked at interrupts the tile in progress.
class DustEngine {
public:
    // The source must outlive the engine; it needs 8-bit samples and at least
    // three channels. If the working planes cannot be made, WorkImage() is
    // null and no worker runs. The listener may be null.
    DustEngine(const CImage& source, int tileSize, RegionListener* listener);
    ~DustEngine();
    DustEngine(const DustEngine&) = delete;
    DustEngine& operator=(const DustEngine&) = delete;

    // 0, or −1 when rect touches no tile.
    int Request(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    // Queues the image less rect, in up to four pieces; 0 when all were queued.
    int RequestOutside(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    // Moves queued work to `level` without adding any and without waking the worker.
    int Reprioritise(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    int ReprioritiseOutside(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    // While set, only brush work (level 2) is handed out; clearing it wakes the worker.
    void SetTopOnly(uint8_t flag);
    Rect TakeDirty(int fromLevel);
    float Progress(int level) const;
    // True when every request so far is worked into the working image (and
    // for an engine that never started).
    bool Finished() const { return !queue || queue->Idle(); }

    CImage* DetectionMap() const { return kernel ? kernel->DetectionMap() : nullptr; }
    // Before the first request whose `infrared` byte is set: the plane must
    // outlive the engine. See DustKernel::AttachInfrared.
    bool AttachInfrared(const CImage& plane, const InfraredModel& model)
    {
        return kernel && kernel->AttachInfrared(plane, model);
    }
    CImage* WorkImage() const { return workImage.get(); }
    CImage* ManualMask() const { return manualMask.get(); }
    CImage* ManualDustSize() const { return manualDustSize.get(); }
    const CImage* Source() const { return &source; }
    CImage* MedianImage() const { return kernel ? kernel->MedianImage() : nullptr; }

    // The queue, for progress displays and tests; null for a refused source.
    const TileQueue* Queue() const { return queue.get(); }
    int CurrentLevel() const { return currentLevel.load(std::memory_order_relaxed); }
    EngineCounts Counts() const;

    // Stops the worker and waits for it; returns how many times the stop
    // acknowledgement was checked before it came. The destructor calls it.
    int Shutdown();

private:
    using QueueOp = int (TileQueue::*)(const Rect&, int, int, int, const DustParams*);
    int Outside(QueueOp op, const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    void AbortIfAbove(int level);
    void WorkerLoop();
    void Record(int result);

    const CImage& source;
    RegionListener* listener;
    AutoResetEvent wakeEvent;
    std::unique_ptr<CImage> workImage;
    std::unique_ptr<CImage> manualMask;
    std::unique_ptr<CImage> manualDustSize;
    std::unique_ptr<TileQueue> queue;
    std::unique_ptr<DustKernel> kernel;
    Rect imageRect;

    // Shared between the threads without a lock.
    std::atomic<int> currentLevel { -1 }; // worker writes: level of the run being worked at, −1 between batches
    std::atomic<int> currentTag { -1 }; // worker writes: sequence naming that run
    std::atomic<int> runState { 0 }; // 1 running, 0 stop requested, −1 worker finished
    std::atomic<uint8_t> abortFlag { 0 }; // window sets, worker clears; polled by the kernel
    std::atomic<uint8_t> stopFlag { 0 }; // set once by Shutdown; stops every pass, brush ones included
    std::atomic<int> counts[6] = {}; // worker writes: EngineCounts fields
    std::mutex ackMutex; // pairs with `acknowledged` for the stop acknowledgement
    std::condition_variable acknowledged;
    std::thread worker;
};
