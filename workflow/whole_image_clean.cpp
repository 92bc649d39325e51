#include "workflow/whole_image_clean.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/dust_engine.h"
#include "engine/parallel_clean.h"

namespace {

// Wakes the waiting thread whenever the worker finishes a run of tiles, so
// that the end of the work is noticed at once rather than at the next poll.
class WakeOnRegion : public RegionListener {
public:
    void RegionDone(int, int) override
    {
        {
            std::lock_guard guard(mutex);
            woken = true;
        }
        wake.notify_all();
    }

    void Wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        wake.wait_for(lock, timeout, [this] { return woken; });
        woken = false;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
};

// A tile that cannot get its working memory is handed out again and again;
// after this many such passes without a finished tile the run gives up.
constexpr int kNoMemoryPassesWithoutProgress = 2000;

} // namespace

namespace {

int CleanOnThreads(const CImage& working, const DustParams& params, int threads,
    const std::function<void(float)>& progress, const std::atomic<bool>* cancel,
    const std::function<int(const CImage&, const CImage&)>& use)
{
    ParallelClean clean(working, kEngineTileSize);
    if (!clean.Valid())
        return WholeImageNoMemory;
    switch (clean.Run(params, threads, cancel, progress)) {
    case ParallelClean::Done:
        return use(*clean.WorkImage(), *clean.DetectionMap());
    case ParallelClean::Cancelled:
        return WholeImageCancelled;
    default:
        return WholeImageNoMemory;
    }
}

} // namespace

int CleanWholeImage(const CImage& working, const DustParams& params, int threads,
    const std::function<void(float)>& progress, const std::atomic<bool>* cancel,
    const std::function<int(const CImage&, const CImage&)>& use, const InfraredInput* infrared)
{
    // Without a brush the engine's manual planes and its tile queue serve
    // nothing: the batch clean needs less memory and shares its tiles.
    const bool infraredClean = infrared && infrared->plane && params.infrared != 0;
    if (!infraredClean)
        return CleanOnThreads(working, params, threads, progress, cancel, use);
    WakeOnRegion listener;
    DustEngine engine(working, kEngineTileSize, &listener);
    if (!engine.WorkImage() || !engine.DetectionMap())
        return WholeImageNoMemory;
    if (infrared && infrared->plane && !engine.AttachInfrared(*infrared->plane, infrared->model))
        return WholeImageNoMemory;

    DustParams request = params;
    Rect whole { 0, 0, working.width, working.height };
    // Everything is "visible": one request at level 1 covers the image, and
    // with one sequence the whole image is a single run of tiles.
    if (engine.Request(whole, KindAuto, 1, 1, &request) != 0)
        return WholeImageNoMemory;

    int lastDone = 0, noMemoryAtLastDone = 0;
    for (;;) {
        float level1 = engine.Progress(1);
        if (level1 < 0.0f && engine.Progress(0) < 0.0f)
            break;
        if (cancel && cancel->load())
            return WholeImageCancelled;
        if (progress)
            progress(level1 < 0.0f ? 1.0f : level1);
        EngineCounts counts = engine.Counts();
        if (counts.done + counts.noWork + counts.reverted != lastDone) {
            lastDone = counts.done + counts.noWork + counts.reverted;
            noMemoryAtLastDone = counts.noMemory;
        } else if (counts.noMemory - noMemoryAtLastDone > kNoMemoryPassesWithoutProgress) {
            return WholeImageNoMemory;
        }
        listener.Wait(std::chrono::milliseconds(50));
    }
    if (progress)
        progress(1.0f);
    return use(*engine.WorkImage(), *engine.DetectionMap());
}
