#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "image/image.h"

namespace {
std::unique_ptr<CImage> Noise(int w, int h, int channels, int type)
{
    auto image = std::make_unique<CImage>(w, h, channels, type);
    uint32_t seed = 12345;
    size_t bytes = image->PixelCount() * CImage::BytesPerSample(type);
    for (int c = 0; c < channels; ++c) {
        auto* p = static_cast<uint8_t*>(image->planes[c]);
        for (size_t i = 0; i < bytes; ++i) {
            seed = seed * 1664525u + 1013904223u;
            p[i] = static_cast<uint8_t>(seed >> 24);
        }
    }
    return image;
}
} // namespace

// The paint path: one screen-sized region of a 24-megapixel image.
static void BM_ToDib24Rect_1920x1080(benchmark::State& state)
{
    auto image = Noise(6000, 4000, 3, static_cast<int>(state.range(0)));
    std::vector<uint8_t> buffer(CImage::DibStride(1920) * 1080);
    for (auto _ : state) {
        image->ToDib24Rect(buffer.data(), buffer.size(), 1000, 1000, 2080, 2920);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_ToDib24Rect_1920x1080)->Arg(SampleU8)->Arg(SampleU16)->Unit(benchmark::kMillisecond);

// Saving rotated: a 24-megapixel three-channel image, every kind.
static void BM_Rotated_24MP(benchmark::State& state)
{
    auto image = Noise(6000, 4000, 3, SampleU8);
    for (auto _ : state) {
        std::unique_ptr<CImage> out(image->Rotated(static_cast<int>(state.range(0))));
        benchmark::DoNotOptimize(out.get());
    }
    state.SetItemsProcessed(state.iterations() * 6000 * 4000);
}
BENCHMARK(BM_Rotated_24MP)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The navigator thumbnail of a 24-megapixel image.
static void BM_ResampledBicubicThumbnail(benchmark::State& state)
{
    auto image = Noise(6000, 4000, 3, SampleU8);
    for (auto _ : state) {
        std::unique_ptr<CImage> out(image->Resampled(0.04f, 0.04f, 2));
        benchmark::DoNotOptimize(out.get());
    }
}
BENCHMARK(BM_ResampledBicubicThumbnail)->Unit(benchmark::kMillisecond);
