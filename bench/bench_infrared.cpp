// Infrared cleaning against the automatic correction of the same 24-megapixel
// 16-bit RGBI film scan, in one run so both see the same machine load. The
// engine works on the high bytes, as the workflow gives it a 16-bit source;
// the infrared run includes the analysis of the plane. The CPU column is the
// whole process (the worker thread included), steadier than wall time on a
// loaded machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "engine/infrared_model.h"
#include "workflow/clean_file.h"
#include "workflow/whole_image_clean.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000; // 24 MP, a 35 mm frame at 4000 dpi

struct Scan {
    std::unique_ptr<CImage> working; // the high bytes of the RGB planes
    std::unique_ptr<CImage> infrared; // 16-bit
};

// Textured picture with grain, a lamp fall-off and a 10 % copy of the
// picture in the infrared plane, and a few hundred specks and hairs.
const Scan& TheScan()
{
    static Scan scan = [] {
        Scan s;
        s.working = std::make_unique<CImage>(kWidth, kHeight, 3, SampleU8);
        s.infrared = std::make_unique<CImage>(kWidth, kHeight, 1, SampleU16);
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> grain(-4, 4);
        std::vector<float> opacity(static_cast<size_t>(kWidth) * kHeight, 0.0f);
        std::uniform_real_distribution<float> ux(0, kWidth), uy(0, kHeight), ur(1, 12);
        for (int n = 0; n < 400; ++n) {
            const float cx = ux(rng), cy = uy(rng), r = ur(rng);
            const bool hair = n % 8 == 0;
            const float dx = hair ? 0.5f : 0.0f, dy = hair ? 0.3f : 0.0f;
            for (int k = 0; k < (hair ? 600 : 1); ++k) {
                const float px = cx + k * dx, py = cy + k * dy, rr = hair ? 2.0f : r;
                for (int y = std::max(0, int(py - rr)); y < std::min(kHeight, int(py + rr) + 1); ++y)
                    for (int x = std::max(0, int(px - rr)); x < std::min(kWidth, int(px + rr) + 1); ++x)
                        if (std::hypot(x - px, y - py) <= rr)
                            opacity[static_cast<size_t>(y) * kWidth + x] = 0.9f;
            }
        }
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const size_t i = static_cast<size_t>(y) * kWidth + x;
                const float base = 130 + 50 * std::sin(x * 0.01f) * std::cos(y * 0.013f) + ((x / 400 + y / 300) % 2) * 40;
                float red = 0;
                for (int c = 0; c < 3; ++c) {
                    const float v = std::clamp(base + 8 * c + grain(rng), 0.0f, 255.0f);
                    if (c == 0)
                        red = v;
                    s.working->Plane8(c)[i] = static_cast<uint8_t>(v * (1 - opacity[i]));
                }
                const float lamp = 210 * (1 - 0.2f * x / kWidth);
                const float ir = lamp * (1 - 0.1f * (1 - red / 255)) * (1 - opacity[i]) + grain(rng) * 0.3f;
                s.infrared->Plane16(0)[i] = static_cast<uint16_t>(std::clamp(ir * 257.0f, 0.0f, 65535.0f));
            }
        return s;
    }();
    return scan;
}

DustParams FilmScanParams()
{
    return DustParamsForImage(4000, false, 16, {});
}

void BM_AutomaticCorrection24MP(benchmark::State& state)
{
    const Scan& scan = TheScan();
    const DustParams params = FilmScanParams();
    for (auto _ : state) {
        int r = CleanWholeImage(*scan.working, params, {}, nullptr, [](const CImage&, const CImage&) { return 0; });
        benchmark::DoNotOptimize(r);
    }
}

void BM_InfraredCleaning24MP(benchmark::State& state)
{
    const Scan& scan = TheScan();
    DustParams params = FilmScanParams();
    params.infrared = 5;
    for (auto _ : state) {
        InfraredInput input { scan.infrared.get(), {} };
        if (AnalyseInfrared(*scan.infrared, *scan.working, input.model) != InfraredUsable) {
            state.SkipWithError("plane refused");
            break;
        }
        int r = CleanWholeImage(
            *scan.working, params, {}, nullptr, [](const CImage&, const CImage&) { return 0; }, &input);
        benchmark::DoNotOptimize(r);
    }
}

} // namespace

BENCHMARK(BM_AutomaticCorrection24MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
BENCHMARK(BM_InfraredCleaning24MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
