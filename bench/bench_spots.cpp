// Speed of the spot list: labelling a 24-megapixel detection map from
// scratch (scan, runs, union-find, sort), and the update after one tile
// changed. Maps are made up: the labelling's cost depends on how many pixels
// and runs are dust, not on how the map came about.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>

#include "engine/spot_labels.h"
#include "engine/spot_tracker.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

struct MapPlanes {
    std::unique_ptr<CImage> map, mask, source, corrected;
    MapPlanes()
        : map(std::make_unique<CImage>(kWidth, kHeight, 1, SampleU8))
        , mask(std::make_unique<CImage>(kWidth, kHeight, 1, SampleU8))
        , source(std::make_unique<CImage>(kWidth, kHeight, 3, SampleU8))
        , corrected(std::make_unique<CImage>(kWidth, kHeight, 3, SampleU8))
    {
        std::fill_n(map->Plane8(0), map->PixelCount(), 0);
        std::fill_n(mask->Plane8(0), mask->PixelCount(), 1);
        for (int c = 0; c < 3; ++c) {
            std::fill_n(source->Plane8(c), source->PixelCount(), 120);
            std::fill_n(corrected->Plane8(c), corrected->PixelCount(), 160);
        }
    }
    SpotPlanes Planes() const { return { map.get(), mask.get(), source.get(), corrected.get() }; }
};

// A scan's worth of dust: `count` round specks of radius 1 to 8 plus a few
// hundred hairs, as the smoothed map draws them.
const MapPlanes& DustyMap(int count)
{
    static std::unique_ptr<MapPlanes> planes;
    static int made = -1;
    if (made == count)
        return *planes;
    planes = std::make_unique<MapPlanes>();
    made = count;
    std::mt19937 rng(7);
    uint8_t* map = planes->map->Plane8(0);
    for (int s = 0; s < count; ++s) {
        const int r = 1 + static_cast<int>(rng() % 8);
        const int cx = static_cast<int>(rng() % kWidth), cy = static_cast<int>(rng() % kHeight);
        for (int y = std::max(0, cy - r); y <= std::min(kHeight - 1, cy + r); ++y)
            for (int x = std::max(0, cx - r); x <= std::min(kWidth - 1, cx + r); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    map[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(255 - 30 * std::abs(x - cx) % 250);
    }
    for (int h = 0; h < count / 20; ++h) {
        int x = static_cast<int>(rng() % kWidth), y = static_cast<int>(rng() % kHeight);
        for (int step = 0; step < 400; ++step) {
            x = std::clamp(x + static_cast<int>(rng() % 3) - 1, 0, kWidth - 1);
            y = std::clamp(y + 1, 0, kHeight - 1);
            map[static_cast<size_t>(y) * kWidth + x] = 90;
        }
    }
    return *planes;
}

// Labelling from scratch. Arg: the number of specks.
void BM_LabelFromScratch24MP(benchmark::State& state)
{
    const MapPlanes& planes = DustyMap(static_cast<int>(state.range(0)));
    size_t spots = 0;
    for (auto _ : state) {
        SpotList list = LabelSpots(planes.Planes(), true);
        spots = list.Count();
        benchmark::DoNotOptimize(list);
    }
    state.counters["spots"] = static_cast<double>(spots);
}
BENCHMARK(BM_LabelFromScratch24MP)->Arg(0)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The worst case that still looks like a map: every other row of a third of
// the image is dust, so there are many long runs and one union per pair.
void BM_LabelDenseStripes24MP(benchmark::State& state)
{
    static MapPlanes planes;
    static bool made = false;
    if (!made) {
        for (int y = 0; y < kHeight; y += 2)
            std::fill_n(planes.map->Plane8(0) + static_cast<size_t>(y) * kWidth, kWidth / 3, 40);
        made = true;
    }
    for (auto _ : state) {
        SpotList list = LabelSpots(planes.Planes(), true);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_LabelDenseStripes24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a finished tile costs the desktop program: one 256 × 256 cell
// rescanned, then every cached run joined again.
void BM_RefreshAfterOneTile24MP(benchmark::State& state)
{
    const MapPlanes& planes = DustyMap(5000);
    SpotTracker tracker(kWidth, kHeight);
    tracker.Refresh(planes.Planes(), true);
    for (auto _ : state) {
        tracker.Invalidate({ 2816, 1792, 3072, 2048 });
        tracker.Refresh(planes.Planes(), true);
        benchmark::DoNotOptimize(tracker.List());
    }
}
BENCHMARK(BM_RefreshAfterOneTile24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
