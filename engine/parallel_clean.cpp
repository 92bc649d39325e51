#include "engine/parallel_clean.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/dust_composite.h"
#include "engine/median_filter.h"

namespace {
// Rows per band: tall enough that the rows each band's median column pass
// reads beyond it cost little, short enough to share a small image.
constexpr int kBandRows = 256;

constexpr int kNoMemoryRetries = 100; // a step that cannot get memory is tried again this often
constexpr int kNoMemoryPauseMs = 20;
constexpr int kProgressStepMs = 50;
} // namespace

ParallelClean::ParallelClean(const CImage& source_, int tileSize_)
    : source(source_)
    , tileSize(tileSize_)
{
    if (source.sampleType != SampleU8 || source.channelCount < 3 || !source.HasPlanes() || tileSize < 1)
        return;
    auto image = std::make_unique<CImage>(source.width, source.height, source.channelCount, SampleU8);
    map = std::make_unique<CImage>(source.width, source.height, 1, SampleU8);
    if (!image->HasPlanes() || !map->HasPlanes())
        return;
    image->marginWidth = source.marginWidth;
    corrected = std::move(image);
}

int ParallelClean::Run(const DustParams& params, int threads, const std::atomic<bool>* cancel,
    const std::function<void(float)>& progress)
{
    if (!corrected)
        return NoMemory;
    std::vector<Scratch> scratches(static_cast<size_t>(std::max(threads, 1)));
    const int width = source.width, height = source.height;
    const size_t bands = static_cast<size_t>((height + kBandRows - 1) / kBandRows);
    auto bandRect = [&](size_t band) {
        const int top = static_cast<int>(band) * kBandRows;
        return Rect { 0, top, width, std::min(top + kBandRows, height) };
    };
    auto copyChannels = [&](const Rect& band, int from) {
        const size_t begin = static_cast<size_t>(band.top) * width;
        const size_t count = static_cast<size_t>(band.Height()) * width;
        for (int c = from; c < source.channelCount; ++c)
            std::memcpy(corrected->Plane8(c) + begin, source.Plane8(c) + begin, count);
    };

    if (params.automation == 0) {
        // No tile has work: the corrected image is the source and the map is clear.
        int r = Share(
            bands,
            [&](size_t band, Scratch&, const std::atomic<uint8_t>&) {
                const Rect rect = bandRect(band);
                copyChannels(rect, 0);
                std::memset(map->Plane8(0) + static_cast<size_t>(rect.top) * width, 0,
                    static_cast<size_t>(rect.Height()) * width);
                return 0;
            },
            scratches, cancel, progress, 0.0f, 1.0f);
        if (r == Done && progress)
            progress(1.0f);
        return r;
    }

    // The median of the whole image, so that no tile's detection computes any
    // (a tile's own median pass would write its neighbours' margins).
    int r = Share(
        bands,
        [&](size_t band, Scratch& scratch, const std::atomic<uint8_t>& abort) {
            const Rect rect = bandRect(band);
            for (int c = 0; c < 3; ++c) {
                int result = SeparableMedian(source.Plane8(c), width, height, rect, params.dustRadius,
                    corrected->Plane8(c), scratch.median, &abort);
                if (result != 0)
                    return result;
            }
            copyChannels(rect, 3);
            return 0;
        },
        scratches, cancel, progress, 0.0f, 0.45f);
    if (r != Done)
        return r;

    // The tiles of the desktop program's engine, each detected as its pass
    // would: every one, since a fresh tile has no parameters applied.
    const int columns = (width + tileSize - 1) / tileSize;
    const int rows = (height + tileSize - 1) / tileSize;
    r = Share(
        static_cast<size_t>(columns) * static_cast<size_t>(rows),
        [&](size_t index, Scratch& scratch, const std::atomic<uint8_t>& abort) {
            const int left = static_cast<int>(index % columns) * tileSize;
            const int top = static_cast<int>(index / columns) * tileSize;
            const Rect tile { left, top, std::min(left + tileSize, width), std::min(top + tileSize, height) };
            return DetectDust(source, *corrected, *map, tile, params, abort, scratch.detection);
        },
        scratches, cancel, progress, 0.45f, 0.45f);
    if (r != Done)
        return r;

    // Every detection has read the median it needed: blend over it in place.
    const CompositeInputs in { &source, corrected.get(), map.get(), nullptr, nullptr, corrected.get() };
    r = Share(
        bands,
        [&](size_t band, Scratch& scratch, const std::atomic<uint8_t>& abort) {
            const Rect rect = bandRect(band);
            return Composite(in, rect, true, scratch.pixel, &abort) == rect ? 0 : 1;
        },
        scratches, cancel, progress, 0.9f, 0.1f);
    if (r == Done && progress)
        progress(1.0f);
    return r;
}

int ParallelClean::Share(size_t count, const Step& step, std::vector<Scratch>& scratches,
    const std::atomic<bool>* cancel, const std::function<void(float)>& progress, float from, float span)
{
    if (cancel && cancel->load())
        return Cancelled;
    std::atomic<size_t> next { 0 };
    std::atomic<uint8_t> abort { 0 };
    std::atomic<bool> outOfMemory { false };
    std::mutex mutex;
    std::condition_variable wake;
    size_t finished = 0; // steps done (mutex)
    const size_t threads = std::clamp<size_t>(count, 1, scratches.size());
    int running = static_cast<int>(threads); // threads not yet ended (mutex)

    auto work = [&](Scratch& scratch) {
        while (!abort.load()) {
            const size_t i = next.fetch_add(1);
            if (i >= count)
                break;
            int r = step(i, scratch, abort);
            for (int retry = 0; r == 4 && retry < kNoMemoryRetries && !abort.load(); ++retry) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kNoMemoryPauseMs));
                r = step(i, scratch, abort);
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
    for (size_t t = 0; t < threads; ++t)
        workers.emplace_back(work, std::ref(scratches[t]));
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
