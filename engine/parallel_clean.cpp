#include "engine/parallel_clean.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/median_coverage.h"

namespace {
// Rows per median band: a whole number of coverage blocks, tall enough that
// the rows each band's column pass reads beyond it cost little.
constexpr int kBandRows = 256;
static_assert(kBandRows % MedianCoverage::kBlock == 0, "bands must not share a coverage block");

constexpr int kNoMemoryRetries = 100; // a step that cannot get memory is tried again this often
constexpr int kNoMemoryPauseMs = 20;
constexpr int kProgressStepMs = 50;
} // namespace

ParallelClean::ParallelClean(const CImage& source_, int tileSize_)
    : source(source_)
    , tileSize(tileSize_)
{
    // The same planes a DustEngine makes: a working copy, a mask of untouched
    // pixels and an untouched dust-size plane.
    if (source.sampleType != SampleU8 || source.channelCount < 3 || !source.HasPlanes() || tileSize < 1)
        return;
    workImage = std::make_unique<CImage>(1, 1, source.channelCount, source.sampleType);
    manualMask = std::make_unique<CImage>(source.width, source.height, 1, SampleU8);
    manualDustSize = std::make_unique<CImage>(source.width, source.height, 1, SampleU8, PlaneContents::Zeroed);
    if (!workImage->HasPlanes() || source.ConvertInto(*workImage) != 0 || !manualMask->HasPlanes()
        || !manualDustSize->HasPlanes())
        return;
    manualMask->Fill(1.0f, 1.0f, 1.0f, 0.0f); // the sample value 1: untouched
    queue = std::make_unique<TileQueue>(*workImage, tileSize, tileSize);
    auto first = std::make_unique<DustKernel>(source, *workImage, *manualMask, *manualDustSize);
    if (first->Valid())
        kernel = std::move(first);
}

int ParallelClean::Run(const DustParams& params, int threads, const std::atomic<bool>* cancel,
    const std::function<void(float)>& progress)
{
    if (!kernel)
        return NoMemory;
    std::vector<std::unique_ptr<DustKernel>> helpers;
    std::vector<DustKernel*> kernels { kernel.get() };
    for (int i = 1; i < threads; ++i) {
        auto more = std::make_unique<DustKernel>(*kernel, DustKernel::SharePlanes {});
        if (!more->Valid())
            break; // fewer threads rather than none
        kernels.push_back(more.get());
        helpers.push_back(std::move(more));
    }

    // The tiles as the queue records one request over the whole image, as
    // the desktop program's engine would take them at the visible level.
    const Rect whole { 0, 0, source.width, source.height };
    if (queue->Enqueue(whole, KindAuto, 1, 1, &params) != 0)
        return NoMemory;
    std::vector<Tile> tiles(queue->TileCount());
    for (size_t i = 0; i < tiles.size(); ++i) {
        tiles[i] = queue->Snapshot(static_cast<int>(i) + 1);
        tiles[i].takenLevel = 1;
    }

    // Without automation the tiles do no median work; their pass keeps the copy.
    const bool median = params.automation != 0;
    const size_t bands = median ? static_cast<size_t>((source.height + kBandRows - 1) / kBandRows) : 0;
    const float medianShare = median ? 0.5f : 0.0f;
    int r = Share(
        bands,
        [&](size_t band, DustKernel& k, const std::atomic<uint8_t>& abort) {
            const int top = static_cast<int>(band) * kBandRows;
            return k.ComputeMedian({ 0, top, source.width, std::min(top + kBandRows, source.height) },
                params.dustRadius, abort);
        },
        kernels, cancel, progress, 0.0f, medianShare);
    if (r != Done)
        return r;
    // Every tile's work rectangle is now covered at this radius, so a tile's
    // pass finds no median to compute and writes only its own pixels. A fresh
    // tile's applied radius is 0, which no request has: it always detects.
    r = Share(
        tiles.size(),
        [&](size_t index, DustKernel& k, const std::atomic<uint8_t>& abort) {
            Tile tile = tiles[index];
            int result = k.ProcessTile(tile, abort);
            if (result == TileAborted)
                return 1;
            return result == TileNoMemory ? 4 : 0;
        },
        kernels, cancel, progress, medianShare, 1.0f - medianShare);
    if (r == Done && progress)
        progress(1.0f);
    return r;
}

int ParallelClean::Share(size_t count, const Step& step, const std::vector<DustKernel*>& kernels,
    const std::atomic<bool>* cancel, const std::function<void(float)>& progress, float from, float span)
{
    std::atomic<size_t> next { 0 };
    std::atomic<uint8_t> abort { 0 };
    std::atomic<bool> outOfMemory { false };
    std::mutex mutex;
    std::condition_variable wake;
    size_t finished = 0; // steps done (mutex)
    int running = static_cast<int>(kernels.size()); // threads not yet ended (mutex)

    auto work = [&](DustKernel& k) {
        while (!abort.load()) {
            const size_t i = next.fetch_add(1);
            if (i >= count)
                break;
            int r = step(i, k, abort);
            for (int retry = 0; r == 4 && retry < kNoMemoryRetries && !abort.load(); ++retry) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kNoMemoryPauseMs));
                r = step(i, k, abort);
            }
            if (r == 4) {
                outOfMemory.store(true);
                abort.store(1);
            }
            if (r != 0)
                break;
            std::lock_guard guard(mutex);
            ++finished;
        }
        {
            std::lock_guard guard(mutex);
            --running;
        }
        wake.notify_all();
    };
    std::vector<std::thread> workers;
    for (DustKernel* k : kernels)
        workers.emplace_back(work, std::ref(*k));
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            wake.wait_for(lock, std::chrono::milliseconds(kProgressStepMs), [&] { return running == 0; });
            if (cancel && cancel->load())
                abort.store(1);
            if (progress && count > 0) {
                const float fraction = from + span * static_cast<float>(finished) / static_cast<float>(count);
                lock.unlock();
                progress(fraction);
                lock.lock();
            }
        }
    }
    for (auto& t : workers)
        t.join();
    if (outOfMemory.load())
        return NoMemory;
    if (abort.load() || (cancel && cancel->load()))
        return Cancelled;
    return Done;
}
