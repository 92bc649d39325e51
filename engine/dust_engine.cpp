#include "engine/dust_engine.h"

#include <chrono>

namespace {
constexpr int kWakeStepMs = 2000; // the worker looks at the stop request at least this often
constexpr int kLongestShutdownSleepMs = 199;
constexpr int kNoMemoryPauseMs = 20; // before retrying a tile whose buffers could not be allocated
} // namespace

DustEngine::DustEngine(const CImage& source_, int tileSize, RegionListener* listener_)
    : source(source_)
    , listener(listener_)
    , imageRect { 0, 0, source_.width, source_.height }
{
    // The engine cleans three 8-bit channels; the window converts every image
    // to that form, and anything else is refused rather than misread.
    if (source.sampleType != SampleU8 || source.channelCount < 3 || !source.HasPlanes() || tileSize < 1)
        return;
    workImage = std::make_unique<CImage>(1, 1, source.channelCount, source.sampleType);
    if (!workImage->HasPlanes() || source.ConvertInto(*workImage) != 0) {
        workImage.reset();
        return;
    }
    manualMask = std::make_unique<CImage>(source.width, source.height, 1, SampleU8);
    // Sizes are only ever read where a brush marked a pixel: zeroed pages
    // that no brush touches cost no memory.
    manualDustSize = std::make_unique<CImage>(source.width, source.height, 1, SampleU8, PlaneContents::Zeroed);
    if (!manualMask->HasPlanes() || !manualDustSize->HasPlanes()) {
        workImage.reset();
        return;
    }
    manualMask->Fill(1.0f, 1.0f, 1.0f, 0.0f); // the sample value 1: untouched
    queue = std::make_unique<TileQueue>(*workImage, tileSize, tileSize);
    kernel = std::make_unique<DustKernel>(source, *workImage, *manualMask, *manualDustSize);
    if (!kernel->Valid()) {
        // Without its median image and map the kernel cannot work: treat the
        // open as failed, like a missing working copy.
        kernel.reset();
        queue.reset();
        workImage.reset();
        return;
    }
    kernel->SetStopFlag(&stopFlag);
    runState.store(1);
    worker = std::thread(&DustEngine::WorkerLoop, this);
}

DustEngine::~DustEngine() { Shutdown(); }

int DustEngine::Shutdown()
{
    if (!worker.joinable())
        return 0;
    runState.store(0);
    // The tile in progress stops at its next checkpoint, whatever its level
    // or kind, so closing never waits for a pass to run its course.
    stopFlag.store(1);
    abortFlag.store(1);
    wakeEvent.Signal();
    // Checks spaced 1 ms, 2 ms, … apart; each pause ends early when the worker
    // acknowledges, so an idle engine stops in one or two checks.
    int checks = 0;
    {
        std::unique_lock lock(ackMutex);
        for (int pauseMs = 1;; ++pauseMs) {
            ++checks;
            if (runState.load() != 0 || pauseMs > kLongestShutdownSleepMs)
                break;
            acknowledged.wait_for(lock, std::chrono::milliseconds(pauseMs), [this] { return runState.load() != 0; });
        }
    }
    // A worker still inside a long tile has not acknowledged yet; its planes
    // must outlive it, so wait for it to end rather than free them under it.
    worker.join();
    return checks;
}

void DustEngine::AbortIfAbove(int level)
{
    if (currentLevel.load(std::memory_order_relaxed) < level)
        abortFlag.store(1, std::memory_order_relaxed);
}

int DustEngine::Request(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    if (!queue || queue->Enqueue(rect, kindMask, level, sequence, params) != 0)
        return -1;
    wakeEvent.Signal();
    AbortIfAbove(level);
    return 0;
}

int DustEngine::Reprioritise(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    if (!queue || queue->Reprioritise(rect, kindMask, level, sequence, params) != 0)
        return -1;
    AbortIfAbove(level);
    return 0;
}

// The image less rect: the band above it, the parts of its rows left and right
// of it, and the band below, queued in that order. Following pieces get
// sequences one apart (or 10000 apart for per-tile sequences) so that the
// tiles of one piece stay together.
int DustEngine::Outside(QueueOp op, const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    if (!queue)
        return -1;
    const Rect in = Intersect(rect, imageRect);
    Rect pieces[4];
    int count = 0;
    if (in.IsEmpty())
        pieces[count++] = imageRect;
    else {
        const Rect candidates[4] = {
            { 0, 0, imageRect.right, in.top },
            { 0, in.top, in.left, in.bottom },
            { in.right, in.top, imageRect.right, in.bottom },
            { 0, in.bottom, imageRect.right, imageRect.bottom },
        };
        for (const Rect& piece : candidates)
            if (!piece.IsEmpty())
                pieces[count++] = piece;
    }
    int combined = 0;
    int s = sequence;
    for (int i = 0; i < count; ++i) {
        combined |= ((*queue).*op)(pieces[i], kindMask, level, s, params);
        s += sequence >= 0 ? 1 : -10000;
    }
    return combined;
}

int DustEngine::RequestOutside(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    int r = Outside(&TileQueue::Enqueue, rect, kindMask, level, sequence, params);
    if (r != 0)
        return r;
    wakeEvent.Signal();
    AbortIfAbove(level);
    return 0;
}

int DustEngine::ReprioritiseOutside(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    int r = Outside(&TileQueue::Reprioritise, rect, kindMask, level, sequence, params);
    if (r != 0)
        return r;
    AbortIfAbove(level);
    return 0;
}

void DustEngine::SetTopOnly(uint8_t flag)
{
    if (!queue)
        return;
    queue->SetTopOnly(flag);
    if (flag == 0)
        wakeEvent.Signal();
}

Rect DustEngine::TakeDirty(int fromLevel) { return queue ? queue->TakeDirty(fromLevel) : Rect {}; }

float DustEngine::Progress(int level) const { return queue ? queue->Progress(level) : -0.1f; }

EngineCounts DustEngine::Counts() const
{
    auto at = [this](int i) { return counts[i].load(std::memory_order_relaxed); };
    return { at(0), at(1), at(2), at(3), at(4), at(5) };
}

void DustEngine::Record(int result)
{
    int index = 0;
    switch (result) {
    case TileDone: index = 1; break;
    case TileAborted: index = 2; break;
    case TileNoWork: index = 3; break;
    case TileReverted: index = 4; break;
    case TileNoMemory: index = 5; break;
    default: return;
    }
    counts[index].fetch_add(1, std::memory_order_relaxed);
}

void DustEngine::WorkerLoop()
{
    Tile tile;
    Rect finished; // A: tiles of the current run not yet reported
    currentLevel.store(-1);
    currentTag.store(-1);
    auto post = [this](int level, int tag) {
        if (listener)
            listener->RegionDone(level, tag);
    };
    auto flush = [&](bool withMessage) {
        if (finished.IsEmpty())
            return;
        queue->AddDirty(finished, currentLevel.load());
        if (withMessage)
            post(currentLevel.load(), currentTag.load());
        finished = {};
    };
    while (runState.load() != 0) {
        if (!wakeEvent.WaitFor(std::chrono::milliseconds(kWakeStepMs)))
            continue; // the loop condition looks at the stop request
        if (runState.load() == 0)
            break;
        abortFlag.store(0);
        while (runState.load() != 0 && queue->TakeNext(tile) != 0) {
            counts[0].fetch_add(1, std::memory_order_relaxed);
            if (listener)
                listener->TileTaken(tile.id, tile.takenLevel);
            int r = kernel->ProcessTile(tile, abortFlag);
            Record(r);
            if (r == TileDone || r == TileReverted) {
                const int level = tile.takenLevel;
                const int tag = tile.sequence[level];
                if (level > currentLevel.load()) {
                    // Higher-level work has started: its run is reported
                    // first; the lower one's tiles wait in the dirty rectangle.
                    flush(false);
                    currentLevel.store(level);
                    currentTag.store(tag);
                } else if (level < currentLevel.load()) {
                    flush(true);
                    currentLevel.store(level);
                    currentTag.store(tag);
                } else if (tag != currentTag.load()) {
                    flush(true);
                    currentTag.store(tag);
                }
                queue->Complete(tile, r == TileDone);
                finished = Union(finished, tile.changed);
            } else if (r == TileNoWork) {
                queue->Complete(tile, false);
            } else if (r == TileNoMemory) {
                // The tile stays taken and comes up again; give memory a moment.
                std::this_thread::sleep_for(std::chrono::milliseconds(kNoMemoryPauseMs));
            }
            abortFlag.store(0);
        }
        // Out of work: report the last run, then the end of the batch. The
        // worker is idle again before the window hears of it.
        const Rect last = finished;
        const int level = currentLevel.load(), tag = currentTag.load();
        finished = {};
        currentLevel.store(-1);
        currentTag.store(-1);
        if (!last.IsEmpty()) {
            queue->AddDirty(last, level);
            queue->AddDirty(last, 0);
            post(level, tag);
            post(0, -1);
        }
    }
    {
        std::lock_guard guard(ackMutex);
        runState.store(-1);
    }
    acknowledged.notify_all();
}
