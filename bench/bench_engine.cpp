// Speed of the dust engine: one tile from scratch at several dust sizes, a
// whole 24-megapixel scan through the engine with one worker and through the
// batch clean on one and two threads, and how fast a brush request interrupts
// a long automatic tile.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "engine/dust_engine.h"
#include "engine/dust_kernel.h"
#include "engine/manual_planes.h"
#include "engine/median_filter.h"
#include "engine/parallel_clean.h"

namespace {
// A scan-like picture: smooth bright field, textured patches and specks.
std::unique_ptr<CImage> MakeScan(int width, int height)
{
    auto image = std::make_unique<CImage>(width, height, 3, SampleU8);
    std::mt19937 rng(1234);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            bool textured = ((x / 700) + (y / 500)) % 3 == 0;
            for (int c = 0; c < 3; ++c) {
                int v = 160 + (x % 512) / 16 - (y % 384) / 24 + c * 5 + static_cast<int>(rng() % 5);
                if (textured)
                    v = 60 + static_cast<int>(rng() % 170);
                image->Plane8(c)[i] = static_cast<uint8_t>(v);
            }
        }
    for (int s = 0; s < width * height / 2000; ++s) {
        int cx = static_cast<int>(rng() % width), cy = static_cast<int>(rng() % height);
        for (int c = 0; c < 3; ++c)
            image->Plane8(c)[static_cast<size_t>(cy) * width + cx] /= 2;
    }
    return image;
}

// Film grain: the smooth field of MakeScan with Gaussian grain of a given
// strength on every sample, as a high-speed film scanned at full resolution.
std::unique_ptr<CImage> MakeGrainyScan(int width, int height, double sigma)
{
    auto image = MakeScan(width, height);
    std::mt19937 rng(99);
    std::normal_distribution<double> grain(0.0, sigma);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < image->PixelCount(); ++i) {
            const int v = static_cast<int>(image->Plane8(c)[i] + grain(rng));
            image->Plane8(c)[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
        }
    return image;
}

DustParams Defaults(int radius)
{
    DustParams p;
    p.automation = 1;
    p.dustRadius = static_cast<uint8_t>(radius);
    p.dustThreshold = 11;
    p.aggression = 31;
    p.flatness = 25;
    return p;
}

struct Planes {
    explicit Planes(const CImage& source)
        : work(1, 1, 3, SampleU8)
        , mask(source.width, source.height, 1, SampleU8)
        , size(source.width, source.height, 1, SampleU8)
    {
        source.ConvertInto(work);
        mask.Fill(1, 1, 1, 0);
        size.Fill(0, 0, 0, 0);
    }
    CImage work, mask, size;
};

// One interior 256 × 256 tile processed from scratch (median, detection,
// composite). Between runs the kernel's median over the tile is replaced by
// one of another radius (untimed), so nothing is reused but the memory.
// Second argument 0: a smooth tile with specks, as most of a scan; 1: a tile
// of uniform noise over most of the range, where the most pixels are
// blended; 2: the smooth tile under strong film grain.
void BM_InteriorTile(benchmark::State& state)
{
    static auto scan = MakeScan(1024, 1024);
    static auto grainy = MakeGrainyScan(1024, 1024, 8.0);
    const CImage& picture = state.range(1) == 2 ? *grainy : *scan;
    Planes planes(picture);
    DustKernel kernel(picture, planes.work, planes.mask, planes.size);
    std::atomic<uint8_t> abort { 0 };
    const int radius = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const int left = state.range(1) == 1 ? 256 : 768;
        kernel.ComputeMedian({ left - 60, 200, left + 316, 570 }, radius + 1, abort);
        Tile tile;
        tile.rect = { left, 256, left + 256, 512 };
        tile.id = 6;
        tile.takenLevel = 1;
        tile.kindMask[1] = KindAuto;
        tile.requested = Defaults(radius);
        state.ResumeTiming();
        int r = kernel.ProcessTile(tile, abort);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_InteriorTile)->ArgsProduct({ { 1, 3, 10, 30, 60 }, { 0, 1, 2 } })->Unit(benchmark::kMillisecond);

// The separable median alone, one channel of a tile's work rectangle
// (302 × 302) of uniform noise, by the selection the radius picks.
void BM_MedianOneChannel(benchmark::State& state)
{
    const int size = 1024;
    std::vector<uint8_t> plane(static_cast<size_t>(size) * size), out(plane.size());
    std::mt19937 rng(5);
    for (auto& v : plane)
        v = static_cast<uint8_t>(60 + rng() % 170);
    ByteBuffer scratch;
    std::atomic<uint8_t> abort { 0 };
    for (auto _ : state) {
        int r = SeparableMedian(plane.data(), size, size, { 300, 300, 602, 602 }, static_cast<int>(state.range(0)),
            out.data(), scratch, &abort);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_MedianOneChannel)->Arg(1)->Arg(3)->Arg(10)->Arg(30)->Arg(60)->Arg(100)->Arg(180)->Arg(181)->Arg(255)
    ->Unit(benchmark::kMillisecond);

class DoneSignal : public RegionListener {
public:
    void RegionDone(int level, int tag) override
    {
        if (level != 0 || tag != -1)
            return;
        {
            std::lock_guard guard(mutex);
            done = true;
        }
        wake.notify_all();
    }
    void Wait()
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return done; });
        done = false;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
};

double ProcessCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// A whole 6000 × 4000 RGB scan through the engine, every tile, one worker.
// The time is the process's CPU time while the window thread sleeps, so
// that other load on the machine does not count.
void BM_WholeImage(benchmark::State& state)
{
    auto scan = MakeScan(6000, 4000);
    DustParams p = Defaults(10);
    for (auto _ : state) {
        DoneSignal signal;
        DustEngine engine(*scan, 256, &signal);
        double cpu = ProcessCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        engine.Request({ 0, 0, 6000, 4000 }, KindAuto, 0, 1, &p);
        signal.Wait();
        state.SetIterationTime(ProcessCpuSeconds() - cpu);
        state.counters["wallSeconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peakBytesPerPixel"] = usage.ru_maxrss * 1024.0 / (6000.0 * 4000.0);
}
BENCHMARK(BM_WholeImage)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// The batch clean of the same scan on one and on two threads: wall time,
// since sharing the tiles is what it measures (on a busy machine the threads
// wait for cores; the CPU seconds say how much work there was).
void BM_BatchClean(benchmark::State& state)
{
    auto scan = MakeScan(6000, 4000);
    DustParams p = Defaults(10);
    for (auto _ : state) {
        ParallelClean clean(*scan, 256);
        double cpu = ProcessCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        if (clean.Run(p, static_cast<int>(state.range(0)), nullptr, {}) != ParallelClean::Done)
            state.SkipWithError("the clean did not finish");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["cpuSeconds"] = ProcessCpuSeconds() - cpu;
    }
}
BENCHMARK(BM_BatchClean)->Arg(1)->Arg(2)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A level-2 request against a level-0 tile at dust size 100 (aggression 5,
// so the widest margin): time from the request until the tile has stopped.
// Runs where the tile finished first are not counted as interruptions.
void BM_InterruptLongTile(benchmark::State& state)
{
    auto scan = MakeScan(1024, 1024);
    DustParams p = Defaults(100);
    p.aggression = 5;
    int interrupted = 0;
    for (auto _ : state) {
        DustEngine engine(*scan, 256, nullptr);
        engine.Request({ 300, 300, 301, 301 }, KindAuto, 0, 1, &p); // an interior tile
        while (engine.Counts().started < 1)
            std::this_thread::yield();
        auto start = std::chrono::steady_clock::now();
        engine.Request({ 600, 600, 601, 601 }, KindBrush, 2, 1, &p);
        while (engine.Counts().aborted < 1 && engine.Counts().done < 1)
            std::this_thread::yield();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        interrupted += engine.Counts().aborted;
    }
    state.counters["interrupted"] = interrupted;
}
BENCHMARK(BM_InterruptLongTile)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Closing over a busy worker: one fully marked tile at a manual dust size
// (automation on, so every pixel blends toward its own median, the costliest
// brush pass), and the time Shutdown blocks the caller once the pass began.
// `passDone` counts runs where the pass finished before the stop reached it.
void BM_ShutdownOverBrushPass(benchmark::State& state)
{
    const int dustSize = static_cast<int>(state.range(0));
    auto scan = MakeScan(1024, 1024);
    DustParams p = Defaults(10);
    int passDone = 0;
    for (auto _ : state) {
        auto engine = std::make_unique<DustEngine>(*scan, 256, nullptr);
        const Rect tile { 256, 256, 512, 512 };
        for (int y = tile.top; y < tile.bottom; ++y)
            for (int x = tile.left; x < tile.right; ++x) {
                const size_t i = static_cast<size_t>(y) * scan->width + x;
                WriteManual(engine->ManualMask()->Plane8(0) + i, 255);
                WriteManual(engine->ManualDustSize()->Plane8(0) + i, static_cast<uint8_t>(dustSize));
            }
        engine->Request(tile, KindBrush, 2, 1, &p);
        while (engine->Counts().started < 1)
            std::this_thread::yield();
        auto start = std::chrono::steady_clock::now();
        engine->Shutdown();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        passDone += engine->Counts().done;
    }
    state.counters["passDone"] = passDone;
}
BENCHMARK(BM_ShutdownOverBrushPass)->Arg(40)->Arg(255)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Closing an image whose worker waits for work: the time Shutdown takes and
// how many times it looked for the worker's acknowledgement (one or two when
// the worker answers at once).
void BM_IdleShutdown(benchmark::State& state)
{
    auto scan = MakeScan(512, 256);
    double checks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<DustEngine>(*scan, 256, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the worker reaches its wait
        state.ResumeTiming();
        checks += engine->Shutdown();
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
    state.counters["checks"] = benchmark::Counter(checks, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_IdleShutdown)->Iterations(20)->Unit(benchmark::kMicrosecond);
} // namespace
