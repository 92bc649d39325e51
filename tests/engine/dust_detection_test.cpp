#include <gtest/gtest.h>

#include <random>

#include "dust_test_images.h"
#include "engine/dust_detection.h"
#include "engine/dust_kernel.h"
#include "reference_dust.h"

namespace {
// A kernel over a source with its own engine-side planes.
struct KernelRig {
    explicit KernelRig(const CImage& source)
        : work(source.width, source.height, 3, SampleU8)
        , mask(source.width, source.height, 1, SampleU8)
        , size(source.width, source.height, 1, SampleU8)
        , kernel(source, work, mask, size)
    {
        mask.Fill(1, 1, 1, 0);
        size.Fill(0, 0, 0, 0);
    }
    CImage work, mask, size;
    DustKernel kernel;
};

reference::Plane PlaneOf(const CImage& image, int c)
{
    return reference::Plane(image.Plane8(c), image.Plane8(c) + image.PixelCount());
}

std::unique_ptr<CImage> Flat(int w, int h, int value)
{
    auto image = std::make_unique<CImage>(w, h, 3, SampleU8);
    image->Fill(value, value, value, 0);
    return image;
}

void SetPixel(CImage& image, int x, int y, int r, int g, int b)
{
    uint8_t v[4] = { static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 0 };
    image.SetPixel8(x, y, v);
}

uint8_t MapAt(const DustKernel& k, int x, int y)
{
    return k.DetectionMap()->Plane8(0)[static_cast<size_t>(y) * k.DetectionMap()->width + x];
}

// Detects one tile covering the whole image.
void DetectAll(KernelRig& rig, const DustParams& p)
{
    std::atomic<uint8_t> abort { 0 };
    const Rect all = rig.kernel.ImageRect();
    ASSERT_EQ(rig.kernel.ComputeMedian(all, p.dustRadius, abort), 0);
    ASSERT_EQ(rig.kernel.DetectDust(all, p, abort), 0);
}
} // namespace

TEST(DustDetection, DerivedValues)
{
    const std::pair<int, int> td[] = { { 1, 194 }, { 5, 205 }, { 10, 218 }, { 11, 220 }, { 15, 230 }, { 20, 241 },
        { 25, 252 }, { 26, 254 }, { 27, 256 }, { 30, 262 } };
    for (auto [t, expected] : td)
        EXPECT_EQ(DeviationLimit(t), expected) << "t = " << t;
    EXPECT_EQ(FlatnessTolerance(25), 12);
    EXPECT_EQ(FlatRadius(5), 46);
    EXPECT_EQ(FlatRadius(51), 0);
    EXPECT_EQ(TileMargin(31), 23);
    EXPECT_EQ(FlatRadius(60), 0); // out of range: no negative radius
}

TEST(DustDetection, SmoothingOfIsolatedAndSolidCandidates)
{
    const int n = 15;
    CImage map(n, n, 1, SampleU8);
    std::vector<uint8_t> candidates(n * n, 0), rowPass(n * (n + 4));
    candidates[7 * n + 7] = 255;
    const Rect all { 0, 0, n, n };
    SmoothCandidates(candidates.data(), all, all, rowPass.data(), map);
    auto at = [&](int x, int y) { return map.Plane8(0)[y * n + x]; };
    EXPECT_EQ(at(7, 7), 63);
    EXPECT_EQ(at(8, 7), 23);
    EXPECT_EQ(at(7, 6), 23);
    EXPECT_EQ(at(9, 7), 7);
    EXPECT_EQ(at(7, 5), 7);
    EXPECT_EQ(at(8, 8), 8); // 47 × 3/16 after the row pass
    EXPECT_EQ(at(10, 7), 0);

    // A 5 × 5 area saturates at its centre. At the buffer's corner the nearest
    // sample stands in for the missing ones: the corner's row pass is
    // 12/16 × 255 = 191, and two rows down the area's edge gives 255/16 = 15.
    std::fill(candidates.begin(), candidates.end(), 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            candidates[(y + 2) * n + x + 2] = 255;
    candidates[0] = 255;
    SmoothCandidates(candidates.data(), all, all, rowPass.data(), map);
    EXPECT_EQ(at(4, 4), 255);
    EXPECT_EQ(at(0, 0), (12 * 191 + 15) >> 4);
}

// Spots by polarity: the dust type decides which departures count, and a
// departure must hold in every channel for one polarity.
TEST(DustDetection, PolarityOfSpots)
{
    auto source = Flat(80, 80, 200);
    for (int y = 19; y <= 21; ++y)
        for (int x = 19; x <= 21; ++x)
            SetPixel(*source, x, y, 120, 120, 120); // dark spot
    for (int y = 19; y <= 21; ++y)
        for (int x = 59; x <= 61; ++x)
            SetPixel(*source, x, y, 250, 250, 250); // bright spot
    for (int y = 59; y <= 61; ++y)
        for (int x = 19; x <= 21; ++x)
            SetPixel(*source, x, y, 120, 120, 250); // darker in two channels, brighter in one
    KernelRig rig(*source);
    DustParams p = DefaultParams();
    p.dustRadius = 4;
    p.aggression = 45;
    p.dustThreshold = 10;
    struct Expect {
        int type;
        bool dark, bright, mixed;
    } expectations[] = { { 0, true, false, false }, { 1, false, true, false }, { 2, true, true, true } };
    for (const auto& e : expectations) {
        p.dustType = static_cast<uint8_t>(e.type);
        DetectAll(rig, p);
        EXPECT_EQ(MapAt(rig.kernel, 20, 20) > 0, e.dark) << "type " << e.type;
        EXPECT_EQ(MapAt(rig.kernel, 60, 20) > 0, e.bright) << "type " << e.type;
        EXPECT_EQ(MapAt(rig.kernel, 20, 60) > 0, e.mixed) << "type " << e.type;
        EXPECT_EQ(MapAt(rig.kernel, 40, 40), 0);
    }
}

TEST(DustDetection, DarkAreasAndRadiusZeroYieldNothing)
{
    DustParams p = DefaultParams();
    p.dustThreshold = 30; // every pixel of a flat area is a candidate
    p.aggression = 51;
    auto dark = Flat(50, 50, 76);
    KernelRig darkRig(*dark);
    DetectAll(darkRig, p);
    auto light = Flat(50, 50, 77);
    KernelRig lightRig(*light);
    DetectAll(lightRig, p);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(MapAt(darkRig.kernel, x, y), 0);
            ASSERT_EQ(MapAt(lightRig.kernel, x, y), 255); // Td ≥ 256: the whole flat area
        }

    auto scan = MakeDustyScan(90, 70, 3);
    KernelRig rig(*scan);
    p = DefaultParams();
    p.dustRadius = 0;
    DetectAll(rig, p);
    for (size_t i = 0; i < scan->PixelCount(); ++i)
        ASSERT_EQ(rig.kernel.DetectionMap()->Plane8(0)[i], 0);
}

TEST(DustDetection, AbortLeavesPreviousMap)
{
    auto scan = MakeDustyScan(90, 70, 4);
    KernelRig rig(*scan);
    DustParams p = DefaultParams();
    p.dustRadius = 3;
    DetectAll(rig, p);
    auto before = PlaneOf(*rig.kernel.DetectionMap(), 0);
    std::atomic<uint8_t> abort { 1 };
    p.dustThreshold = 30;
    EXPECT_EQ(rig.kernel.DetectDust(rig.kernel.ImageRect(), p, abort), DetectAborted);
    EXPECT_EQ(PlaneOf(*rig.kernel.DetectionMap(), 0), before);
}

// The engine's median and detection against the plain implementation, on
// random scans, tiles and parameters, byte for byte.
TEST(DustDetection, MatchesPlainImplementation)
{
    std::mt19937 rng(20261207);
    int total = 0;
    for (int round = 0; round < 12; ++round) {
        const int w = 70 + static_cast<int>(rng() % 90), h = 60 + static_cast<int>(rng() % 70);
        auto scan = MakeDustyScan(w, h, rng());
        KernelRig rig(*scan);
        DustParams p;
        p.automation = 1;
        p.dustRadius = static_cast<uint8_t>(rng() % 14);
        p.dustThreshold = static_cast<uint8_t>(1 + rng() % 30);
        p.aggression = static_cast<uint8_t>(5 + rng() % 47);
        p.flatness = round % 4 == 3 ? static_cast<uint8_t>(rng() % 120) : 25;
        p.dustType = static_cast<uint8_t>(rng() % 3);
        const int tw = 20 + static_cast<int>(rng() % 50), th = 20 + static_cast<int>(rng() % 50);
        const int tx = static_cast<int>(rng() % (w - 10)), ty = static_cast<int>(rng() % (h - 10));
        const Rect tile = Intersect({ tx, ty, tx + tw, ty + th }, { 0, 0, w, h });
        const int margin = TileMargin(p.aggression);
        const Rect grown = Intersect({ tile.left - margin, tile.top - margin, tile.right + margin, tile.bottom + margin },
            { 0, 0, w, h });

        std::atomic<uint8_t> abort { 0 };
        ASSERT_EQ(rig.kernel.ComputeMedian(grown, p.dustRadius, abort), 0);
        ASSERT_EQ(rig.kernel.DetectDust(tile, p, abort), 0);

        reference::Plane source[3], median[3];
        for (int c = 0; c < 3; ++c) {
            source[c] = PlaneOf(*scan, c);
            median[c] = reference::Plane(scan->PixelCount(), 0);
            reference::Median(source[c], w, h, grown, p.dustRadius, median[c]);
            for (int y = grown.top; y < grown.bottom; ++y)
                for (int x = grown.left; x < grown.right; ++x)
                    ASSERT_EQ(rig.kernel.MedianImage()->Plane8(c)[y * w + x], median[c][y * w + x])
                        << "median channel " << c << " at " << x << "," << y << " round " << round;
        }
        reference::Plane map(scan->PixelCount(), 0);
        reference::Detect(source, median, w, h, tile, p, map);
        int found = 0;
        for (int y = tile.top; y < tile.bottom; ++y)
            for (int x = tile.left; x < tile.right; ++x) {
                ASSERT_EQ(MapAt(rig.kernel, x, y), map[y * w + x]) << "map at " << x << "," << y << " round " << round;
                found += map[y * w + x] != 0;
            }
        total += found;
    }
    EXPECT_GT(total, 200); // the scans do hold dust that the parameters find
}
