#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "dust_test_images.h"
#include "engine/dust_engine.h"
#include "engine/manual_planes.h"
#include "engine/spot_tracker.h"
#include "engine/spot_veto.h"

namespace {
using namespace std::chrono_literals;

constexpr int kTile = 64;

// Counts the engine's end-of-work notices so a test can wait for the n-th.
class IdleCounter : public RegionListener {
public:
    void RegionDone(int level, int tag) override
    {
        if (level != 0 || tag != -1)
            return;
        {
            std::lock_guard guard(mutex);
            ++idle;
        }
        arrived.notify_all();
    }
    bool WaitFor(int count)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, 60s, [&] { return idle >= count; });
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    int idle = 0;
};

// A flat bright field (200) with square dark specks: depth 140 unless given.
struct Speck {
    int x, y, size, depth = 140;
};

std::unique_ptr<CImage> FieldWithSpecks(int width, int height, const std::vector<Speck>& specks)
{
    auto image = std::make_unique<CImage>(width, height, 3, SampleU8);
    for (int c = 0; c < 3; ++c)
        std::fill_n(image->Plane8(c), image->PixelCount(), 200);
    for (const Speck& s : specks)
        for (int y = s.y; y < s.y + s.size; ++y)
            for (int x = s.x; x < s.x + s.size; ++x)
                for (int c = 0; c < 3; ++c)
                    image->Plane8(c)[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(200 - s.depth);
    return image;
}

SpotPlanes PlanesOf(const DustEngine& engine)
{
    return { engine.DetectionMap(), engine.ManualMask(), engine.Source(), engine.WorkImage() };
}

// What the window does with each finished run: the tracker hears of the
// area the engine reports, then refreshes.
void FollowEngine(DustEngine& engine, SpotTracker& tracker, bool automation = true)
{
    tracker.Invalidate(engine.TakeDirty(0));
    tracker.Refresh(PlanesOf(engine), automation);
}

// A speck becomes a candidate grown by one pixel (the 3 × 3 minimum), and
// the 5-tap smoothing spreads the map two pixels further.
Rect ExpectedBox(const Speck& s) { return { s.x - 3, s.y - 3, s.x + s.size + 3, s.y + s.size + 3 }; }

} // namespace

// Isolated specks of sizes 1 to 5 give one spot each, largest first, with the
// boxes the detection gives them, one of them across a tile boundary.
TEST(SpotReview, SpecksOfKnownSizesAcrossTiles)
{
    const std::vector<Speck> specks { { 20, 20, 1 }, { 90, 30, 2 }, { 30, 120, 3 }, { 170, 140, 4 },
        { 126, 62, 5 } }; // the last straddles the tile corner at (128, 64)
    auto image = FieldWithSpecks(256, 192, specks);
    IdleCounter window;
    DustEngine engine(*image, kTile, &window);
    ASSERT_NE(engine.WorkImage(), nullptr);
    const DustParams p = DefaultParams();
    ASSERT_EQ(engine.Request({ 0, 0, 256, 192 }, KindAuto, 1, -1, &p), 0);
    ASSERT_TRUE(window.WaitFor(1));

    SpotTracker tracker(256, 192, kTile);
    FollowEngine(engine, tracker);
    const SpotList& list = tracker.List();
    ASSERT_EQ(list.Count(), specks.size());
    for (size_t i = 0; i < specks.size(); ++i) {
        const Speck& s = specks[specks.size() - 1 - i];
        EXPECT_EQ(list.Spots()[i].box, ExpectedBox(s)) << "speck of size " << s.size;
        EXPECT_EQ(list.Spots()[i].tone, SpotTone::Dark);
    }
    EXPECT_EQ(list, LabelSpots(PlanesOf(engine), true));
}

// A veto restores exactly the spot's pixels and drops it from the list; undo
// (mask back to 1, the veto's box queued again) brings every pixel back.
// After a parameter change that grows the spot the veto still holds its
// pixels, the growth is listed as a spot of its own, and the tracker (cells
// that do not match the tiles, told only of the reported areas) agrees with
// a labelling from scratch.
TEST(SpotReview, VetoRemovesExactlyTheSpotAndUndoRestoresIt)
{
    // The first speck has a shallow rim that only amount 11 picks up.
    std::vector<Speck> specks { { 76, 56, 9, 30 }, { 79, 59, 3 }, { 20, 150, 2 }, { 200, 30, 2 } };
    auto image = FieldWithSpecks(256, 192, specks);
    IdleCounter window;
    DustEngine engine(*image, kTile, &window);
    ASSERT_NE(engine.WorkImage(), nullptr);
    DustParams p = DefaultParams();
    p.dustThreshold = 1;
    ASSERT_EQ(engine.Request({ 0, 0, 256, 192 }, KindAuto, 1, -1, &p), 0);
    ASSERT_TRUE(window.WaitFor(1));
    SpotTracker tracker(256, 192, 100);
    FollowEngine(engine, tracker);
    const SpotList before = tracker.List();
    ASSERT_EQ(before.Count(), 3u);
    const CImage& work = *engine.WorkImage();
    std::vector<uint8_t> corrected[3];
    for (int c = 0; c < 3; ++c)
        corrected[c].assign(work.Plane8(c), work.Plane8(c) + work.PixelCount());

    const SpotVeto veto = VetoForSpot(before, 0);
    EXPECT_EQ(veto.Bounds(), before.Spots()[0].box);
    ASSERT_EQ(RequestVeto(engine, veto, p), 0);
    ASSERT_TRUE(window.WaitFor(2));
    std::vector<uint8_t> inVeto(work.PixelCount(), 0);
    for (const PixelRun& run : veto.runs)
        std::fill(inVeto.begin() + run.y * 256 + run.x0, inVeto.begin() + run.y * 256 + run.x1, 1);
    size_t restored = 0;
    for (size_t i = 0; i < work.PixelCount(); ++i)
        for (int c = 0; c < 3; ++c) {
            const uint8_t expected = inVeto[i] ? image->Plane8(c)[i] : corrected[c][i];
            ASSERT_EQ(work.Plane8(c)[i], expected) << "pixel " << i << " channel " << c;
            restored += inVeto[i] && corrected[c][i] != image->Plane8(c)[i];
        }
    EXPECT_GT(restored, 0u);
    FollowEngine(engine, tracker);
    ASSERT_EQ(tracker.List().Count(), 2u);
    EXPECT_EQ(tracker.List().Spots()[0].box, before.Spots()[1].box);

    // More dust amount: the rim is dust now; the vetoed pixels stay restored.
    p.dustThreshold = 11;
    ASSERT_EQ(engine.Request({ 0, 0, 256, 192 }, KindAuto, 1, -1, &p), 0);
    ASSERT_TRUE(window.WaitFor(3));
    FollowEngine(engine, tracker);
    EXPECT_EQ(tracker.List(), LabelSpots(PlanesOf(engine), true));
    ASSERT_EQ(tracker.List().Count(), 3u);
    const Spot& rim = tracker.List().Spots()[0];
    EXPECT_EQ(Intersect(rim.box, before.Spots()[0].box), before.Spots()[0].box);
    size_t correctedInVeto = 0;
    for (size_t i = 0; i < work.PixelCount(); ++i)
        correctedInVeto += inVeto[i] && work.Plane8(0)[i] != image->Plane8(0)[i];
    EXPECT_EQ(correctedInVeto, 0u);

    // Undo of the veto, back at the first parameters.
    p.dustThreshold = 1;
    ASSERT_EQ(engine.Request({ 0, 0, 256, 192 }, KindAuto, 1, -1, &p), 0);
    ASSERT_TRUE(window.WaitFor(4));
    uint8_t* mask = engine.ManualMask()->Plane8(0);
    for (size_t i = 0; i < work.PixelCount(); ++i)
        WriteManual(mask + i, 1);
    ASSERT_EQ(engine.Request(veto.Bounds(), KindBrush, 2, -1, nullptr), 0);
    ASSERT_TRUE(window.WaitFor(5));
    for (int c = 0; c < 3; ++c)
        ASSERT_TRUE(std::equal(work.Plane8(c), work.Plane8(c) + work.PixelCount(), corrected[c].begin()));
    FollowEngine(engine, tracker);
    EXPECT_EQ(tracker.List(), before);
}
