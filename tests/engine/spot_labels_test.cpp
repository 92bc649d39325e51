#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "engine/spot_labels.h"
#include "engine/spot_tracker.h"

namespace {

// Planes of one size for labelling: a map, a mask of 1 (untouched), and a
// source that is darker than the corrected image by one level per channel.
struct TestPlanes {
    std::unique_ptr<CImage> map, mask, source, corrected;
    TestPlanes(int width, int height)
        : map(std::make_unique<CImage>(width, height, 1, SampleU8))
        , mask(std::make_unique<CImage>(width, height, 1, SampleU8))
        , source(std::make_unique<CImage>(width, height, 3, SampleU8))
        , corrected(std::make_unique<CImage>(width, height, 3, SampleU8))
    {
        std::fill_n(map->Plane8(0), map->PixelCount(), 0);
        std::fill_n(mask->Plane8(0), mask->PixelCount(), 1);
        for (int c = 0; c < 3; ++c) {
            std::fill_n(source->Plane8(c), source->PixelCount(), 100);
            std::fill_n(corrected->Plane8(c), corrected->PixelCount(), 101);
        }
    }
    SpotPlanes Planes() const { return { map.get(), mask.get(), source.get(), corrected.get() }; }
    uint8_t& At(int x, int y) { return map->Plane8(0)[static_cast<size_t>(y) * map->width + x]; }
    void Box(int x0, int y0, int x1, int y1, uint8_t value)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                At(x, y) = value;
    }
};

// The list as a flood fill sees it, one pixel at a time: the reference the
// run-based labelling must agree with.
std::vector<Spot> FloodFillSpots(const SpotPlanes& planes)
{
    const int w = planes.map->width, h = planes.map->height;
    auto isSpot = [&](int x, int y) {
        size_t i = static_cast<size_t>(y) * w + x;
        return planes.map->Plane8(0)[i] != 0 && planes.mask->Plane8(0)[i] == 1;
    };
    std::vector<uint8_t> seen(static_cast<size_t>(w) * h, 0);
    std::vector<Spot> spots;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (seen[static_cast<size_t>(y) * w + x] || !isSpot(x, y))
                continue;
            Spot spot;
            spot.firstX = x;
            int64_t sumX = 0, sumY = 0, tone = 0;
            std::vector<std::pair<int, int>> stack { { x, y } };
            seen[static_cast<size_t>(y) * w + x] = 1;
            while (!stack.empty()) {
                auto [px, py] = stack.back();
                stack.pop_back();
                size_t i = static_cast<size_t>(py) * w + px;
                spot.box = Union(spot.box, { px, py, px + 1, py + 1 });
                ++spot.pixels;
                sumX += px;
                sumY += py;
                spot.peak = std::max(spot.peak, planes.map->Plane8(0)[i]);
                for (int c = 0; c < 3; ++c)
                    tone += planes.source->Plane8(c)[i] - planes.corrected->Plane8(c)[i];
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = px + dx, ny = py + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[static_cast<size_t>(ny) * w + nx]
                            || !isSpot(nx, ny))
                            continue;
                        seen[static_cast<size_t>(ny) * w + nx] = 1;
                        stack.emplace_back(nx, ny);
                    }
            }
            spot.centreX = static_cast<double>(sumX) / static_cast<double>(spot.pixels);
            spot.centreY = static_cast<double>(sumY) / static_cast<double>(spot.pixels);
            spot.tone = tone < 0 ? SpotTone::Dark : tone > 0 ? SpotTone::Bright : SpotTone::Unchanged;
            spots.push_back(spot);
        }
    std::sort(spots.begin(), spots.end(), SpotComesFirst);
    return spots;
}

void ExpectSameSpots(const SpotList& list, const std::vector<Spot>& expected)
{
    ASSERT_EQ(list.Count(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Spot& a = list.Spots()[i];
        const Spot& b = expected[i];
        EXPECT_EQ(a.box, b.box) << "spot " << i;
        EXPECT_EQ(a.pixels, b.pixels) << "spot " << i;
        EXPECT_EQ(a.peak, b.peak) << "spot " << i;
        EXPECT_EQ(a.firstX, b.firstX) << "spot " << i;
        EXPECT_EQ(a.tone, b.tone) << "spot " << i;
        EXPECT_DOUBLE_EQ(a.centreX, b.centreX) << "spot " << i;
        EXPECT_DOUBLE_EQ(a.centreY, b.centreY) << "spot " << i;
        // The runs of a spot hold exactly its pixels.
        int64_t runPixels = 0;
        for (size_t r = a.firstRun; r < a.firstRun + a.runCount; ++r)
            runPixels += list.Runs()[r].x1 - list.Runs()[r].x0;
        EXPECT_EQ(runPixels, a.pixels) << "spot " << i;
    }
}

} // namespace

// Shapes a run-based labelling can get wrong: diagonal contact, a U whose
// arms meet only at the bottom, a gap of one column, the image's edges, and
// pixels the brush marked or restored.
TEST(SpotLabels, ShapesSizesAndOrder)
{
    TestPlanes t(40, 30);
    t.Box(1, 1, 4, 4, 50); // A: 3 × 3 with a diagonal tail
    t.At(4, 4) = 200;
    t.Box(10, 0, 11, 6, 9); // B: a U, arms joined by the bottom row
    t.Box(14, 0, 15, 6, 9);
    t.Box(10, 6, 15, 7, 9);
    t.Box(20, 2, 22, 4, 30); // C and D: one zero column apart
    t.Box(23, 2, 25, 4, 40);
    t.Box(37, 27, 40, 30, 60); // E: in the bottom right corner
    t.Box(2, 20, 9, 21, 70); // F: a line whose middle the brush restored
    t.mask->Plane8(0)[20 * 40 + 5] = 0;
    t.Box(2, 24, 5, 25, 80); // G: all marked by hand, so no spot
    std::fill_n(t.mask->Plane8(0) + 24 * 40 + 2, 3, 200);

    SpotList list = LabelSpots(t.Planes(), true);
    ExpectSameSpots(list, FloodFillSpots(t.Planes()));
    ASSERT_EQ(list.Count(), 7u);
    const auto& s = list.Spots();
    EXPECT_EQ(s[0].box, (Rect { 10, 0, 15, 7 })); // B, 17 pixels
    EXPECT_EQ(s[0].pixels, 17);
    EXPECT_EQ(s[1].box, (Rect { 1, 1, 5, 5 })); // A, 10 pixels
    EXPECT_EQ(s[1].peak, 200);
    EXPECT_EQ(s[2].box, (Rect { 37, 27, 40, 30 })); // E, 9 pixels
    // C and D have 4 pixels each: the larger peak first. The two halves of
    // F have 3 pixels and one peak: the first in reading order first.
    EXPECT_EQ(s[3].box, (Rect { 23, 2, 25, 4 }));
    EXPECT_EQ(s[4].box, (Rect { 20, 2, 22, 4 }));
    EXPECT_EQ(s[5].box, (Rect { 2, 20, 5, 21 }));
    EXPECT_EQ(s[6].box, (Rect { 6, 20, 9, 21 }));
    EXPECT_EQ(s[0].tone, SpotTone::Dark);
    EXPECT_DOUBLE_EQ(s[2].centreX, 38.0);

    // Tone follows the sign of source minus corrected; automation off has no spots.
    t.corrected->Plane8(1)[28 * 40 + 38] = 0;
    EXPECT_EQ(LabelSpots(t.Planes(), true).Spots()[2].tone, SpotTone::Bright);
    EXPECT_EQ(LabelSpots(t.Planes(), false).Count(), 0u);
}

// Random maps against the flood fill, labelled whole and through a tracker
// whose cells (13 × 13, not dividing the image) cut spots into pieces; then
// part of the map changes and only that part is invalidated.
TEST(SpotLabels, RandomMapsWholeAndByCells)
{
    std::mt19937 rng(77);
    for (int density : { 5, 30, 55 }) {
        TestPlanes t(97, 61);
        for (int y = 0; y < 61; ++y)
            for (int x = 0; x < 97; ++x)
                if (static_cast<int>(rng() % 100) < density)
                    t.At(x, y) = static_cast<uint8_t>(1 + rng() % 255);
        for (int i = 0; i < 200; ++i)
            t.source->Plane8(static_cast<int>(rng() % 3))[rng() % t.source->PixelCount()] = static_cast<uint8_t>(rng());
        SpotList whole = LabelSpots(t.Planes(), true);
        ExpectSameSpots(whole, FloodFillSpots(t.Planes()));

        SpotTracker tracker(97, 61, 13);
        EXPECT_TRUE(tracker.Refresh(t.Planes(), true));
        EXPECT_EQ(tracker.List(), whole) << "density " << density;
        EXPECT_FALSE(tracker.Refresh(t.Planes(), true)); // nothing stale

        const Rect changed { 20, 10, 51, 33 };
        for (int y = changed.top; y < changed.bottom; ++y)
            for (int x = changed.left; x < changed.right; ++x)
                t.At(x, y) = (x + y) % 7 < 3 ? 0 : 90;
        tracker.Invalidate(changed);
        EXPECT_TRUE(tracker.Refresh(t.Planes(), true));
        EXPECT_EQ(tracker.List(), LabelSpots(t.Planes(), true)) << "density " << density;
        EXPECT_TRUE(tracker.Refresh(t.Planes(), false));
        EXPECT_EQ(tracker.List().Count(), 0u);
    }
}
