#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "dust_test_images.h"
#include "engine/dust_engine.h"
#include "engine/manual_planes.h"

namespace {
using Message = std::pair<int, int>;
using namespace std::chrono_literals;

// Stands in for the window: records every message, never blocks the worker
// for longer than a push.
class RecordingListener : public RegionListener {
public:
    void RegionDone(int level, int tag) override
    {
        {
            std::lock_guard guard(mutex);
            messages.emplace_back(level, tag);
        }
        arrived.notify_all();
    }
    // Waits until `count` end-of-work messages (0, −1) have arrived.
    bool WaitForIdle(size_t count = 1, std::chrono::seconds limit = 60s)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, limit, [&] {
            return static_cast<size_t>(std::count(messages.begin(), messages.end(), Message { 0, -1 })) >= count;
        });
    }
    std::vector<Message> Messages()
    {
        std::lock_guard guard(mutex);
        return messages;
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Message> messages;
};

// Also records the tiles the worker takes, in order, and holds the worker
// when it first takes tile `holdId`, until Release, so that a test can act at
// a known point of the worker's run.
class HoldingListener : public RecordingListener {
public:
    explicit HoldingListener(int holdId) : holdId(holdId) { }
    void TileTaken(int id, int) override
    {
        std::unique_lock lock(gate);
        taken.push_back(id);
        if (id != holdId || held)
            return;
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
    }
    bool WaitUntilHeld(std::chrono::seconds limit = 60s)
    {
        std::unique_lock lock(gate);
        return changed.wait_for(lock, limit, [&] { return held; });
    }
    void Release()
    {
        {
            std::lock_guard guard(gate);
            released = true;
        }
        changed.notify_all();
    }
    // The tiles taken from the held one on.
    std::vector<int> TakenSinceHeld()
    {
        std::lock_guard guard(gate);
        auto from = std::find(taken.begin(), taken.end(), holdId);
        return { from, taken.end() };
    }

private:
    const int holdId;
    std::mutex gate;
    std::condition_variable changed;
    std::vector<int> taken;
    bool held = false;
    bool released = false;
};

// Lets a held worker go when a test leaves early, before the engine's
// destructor waits for it.
struct ReleaseOnExit {
    HoldingListener& listener;
    ~ReleaseOnExit() { listener.Release(); }
};

template <typename Condition>
bool Poll(Condition condition, std::chrono::seconds limit = 60s)
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(200us);
    }
    return true;
}

std::vector<uint8_t> Bytes(const CImage& image)
{
    std::vector<uint8_t> all;
    for (int c = 0; c < 3; ++c)
        all.insert(all.end(), image.Plane8(c), image.Plane8(c) + image.PixelCount());
    return all;
}
} // namespace

// Opening: the visible part's four tiles at level 1 come before the other
// twelve, and each run is reported once, then the end of the work.
TEST(EngineWorker, OpenServesVisibleTilesFirst)
{
    auto scan = MakeDustyScan(1000, 800, 21);
    RecordingListener window;
    DustEngine engine(*scan, 256, &window);
    ASSERT_NE(engine.WorkImage(), nullptr);
    DustParams p = DefaultParams();
    const Rect visible { 0, 0, 500, 400 };
    engine.SetTopOnly(1); // both requests in place before the worker starts
    ASSERT_EQ(engine.RequestOutside(visible, KindAuto, 0, 1, &p), 0);
    ASSERT_EQ(engine.Request(visible, KindAuto, 1, 1, &p), 0);
    EXPECT_EQ(engine.Queue()->Snapshot(3).sequence[0], 1); // right of the view
    EXPECT_EQ(engine.Queue()->Snapshot(9).sequence[0], 2); // below it
    EXPECT_EQ(engine.Queue()->Snapshot(6).state[0], TileIdle); // visible: moved to level 1
    engine.SetTopOnly(0);
    ASSERT_TRUE(window.WaitForIdle());
    const std::vector<Message> expected { { 1, 1 }, { 0, 1 }, { 0, 2 }, { 0, -1 } };
    EXPECT_EQ(window.Messages(), expected);
    EXPECT_EQ(engine.TakeDirty(1), (Rect { 0, 0, 512, 512 }));
    EXPECT_EQ(engine.TakeDirty(0), (Rect { 0, 0, 1000, 800 }));
    EXPECT_EQ(engine.Counts().done, 16);
    EXPECT_EQ(engine.Progress(0), -0.1f);
    EXPECT_EQ(engine.Progress(1), -0.1f);
    EXPECT_EQ(engine.CurrentLevel(), -1);
}

TEST(EngineWorker, OutsidePiecesAndPerTileSequences)
{
    auto scan = MakeDustyScan(1000, 800, 22);
    DustEngine engine(*scan, 256, nullptr);
    DustParams p = DefaultParams();
    engine.SetTopOnly(1);
    // View in the middle: above, left, right, below; per-tile sequences with
    // pieces 10000 apart.
    ASSERT_EQ(engine.RequestOutside({ 300, 300, 600, 500 }, KindAuto, 0, -1, &p), 0);
    const TileQueue& q = *engine.Queue();
    // Above: tiles 1 to 8 get 1 to 8; left (tiles 5, 6) 10001 on, right
    // (7, 8) 20001 on; below (5 to 16) 30001 on, last in, so it stays.
    EXPECT_EQ(q.Snapshot(1).sequence[0], 1);
    EXPECT_EQ(q.Snapshot(4).sequence[0], 4);
    EXPECT_EQ(q.Snapshot(5).sequence[0], 30001);
    EXPECT_EQ(q.Snapshot(13).sequence[0], 30009);
    engine.RequestOutside({ 0, 0, 300, 300 }, KindAuto, 0, -1, &p);
    EXPECT_EQ(q.Snapshot(2).sequence[0], 1); // right of the view: the first piece here
    EXPECT_EQ(q.Snapshot(5).sequence[0], 10001); // below
    // Reprioritising the view moves queued tiles without adding any.
    ASSERT_EQ(engine.Reprioritise({ 0, 0, 256, 256 }, KindAuto, 1, 1, &p), 0);
    EXPECT_EQ(q.Snapshot(1).state[1], TileQueued);
    EXPECT_EQ(q.Snapshot(1).state[0], TileIdle);
    EXPECT_EQ(engine.Request({ 2000, 2000, 2100, 2100 }, KindAuto, 1, 1, &p), -1);
}

// Interruption: a request of a level above the one being worked at stops the
// tile in progress; one at the same level does not; and at the start of a
// batch, before any tile of it is finished, any request does. Each request
// lands while the worker holds a tile, before its pass begins; a stopped tile
// is taken again. (The request that opens a batch may stop the batch's first
// tile too, when the worker wakes before the request is through: hence the
// checks from the held tile on.)
TEST(EngineWorker, InterruptionRules)
{
    auto scan = MakeDustyScan(1024, 256, 23);
    DustParams p = DefaultParams();
    const Rect all { 0, 0, 1024, 256 };
    const Rect lastTile { 768, 0, 1024, 256 };
    struct Case {
        const char* name;
        int batchLevel; // the four tiles are queued at this level
        int holdId; // the request comes while the worker holds this tile
        int requestLevel; // of the request for the last tile
        std::vector<int> taken; // from the held tile on
        std::vector<Message> messages;
    };
    const Case cases[] = {
        { "same level", 1, 2, 1, { 2, 3, 4 }, { { 1, 1 }, { 0, -1 } } },
        { "higher level", 0, 2, 1, { 2, 4, 2, 3 }, { { 1, 1 }, { 0, 1 }, { 0, -1 } } },
        { "start of a batch", 0, 1, 0, { 1, 1, 2, 3, 4 }, { { 0, 1 }, { 0, -1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HoldingListener window(c.holdId);
        DustEngine engine(*scan, 256, &window);
        ReleaseOnExit guard { window };
        ASSERT_EQ(engine.Request(all, KindAuto, c.batchLevel, 1, &p), 0);
        ASSERT_TRUE(window.WaitUntilHeld());
        ASSERT_EQ(engine.Request(lastTile, KindAuto, c.requestLevel, 1, &p), 0);
        window.Release();
        ASSERT_TRUE(window.WaitForIdle());
        EXPECT_EQ(window.TakenSinceHeld(), c.taken);
        EXPECT_EQ(engine.Counts().done, 4);
        EXPECT_EQ(window.Messages(), c.messages);
    }
}

// Automation off: processed tiles are recomposited without the map and show
// the source except where the brush marked pixels; untouched tiles have no work.
TEST(EngineWorker, AutomationOffRestoresSource)
{
    auto scan = MakeDustyScan(600, 300, 24);
    const size_t marked = 30 * 600 + 30;
    for (int c = 0; c < 3; ++c)
        scan->Plane8(c)[marked] = 0; // a black speck, far from its median
    RecordingListener window;
    DustEngine engine(*scan, 256, &window);
    DustParams p = DefaultParams();
    engine.Request({ 0, 0, 200, 200 }, KindAuto, 1, 1, &p);
    ASSERT_TRUE(window.WaitForIdle(1));
    ASSERT_NE(Bytes(*engine.WorkImage()), Bytes(*scan));
    WriteManual(engine.ManualMask()->Plane8(0) + marked, 255);
    WriteManual(engine.ManualDustSize()->Plane8(0) + marked, 3);
    engine.Request({ 30, 30, 31, 31 }, KindBrush, 2, 1, &p);
    ASSERT_TRUE(window.WaitForIdle(2));

    p.automation = 0;
    engine.SetTopOnly(1);
    engine.RequestOutside({ 0, 0, 200, 200 }, KindAuto, 0, 1, &p);
    engine.Request({ 0, 0, 200, 200 }, KindAuto, 1, 1, &p);
    engine.SetTopOnly(0);
    ASSERT_TRUE(window.WaitForIdle(3));
    EXPECT_EQ(engine.Counts().reverted, 1);
    EXPECT_EQ(engine.Counts().noWork, 5);
    auto work = Bytes(*engine.WorkImage());
    auto source = Bytes(*scan);
    size_t differing = 0;
    for (size_t i = 0; i < work.size(); ++i)
        if (work[i] != source[i]) {
            ++differing;
            EXPECT_EQ(i % scan->PixelCount(), marked);
        }
    EXPECT_GT(differing, 0u);
}

// A brush pass reports the pixels it may have changed, not its whole tile, so
// the window repaints a dab's square. Where it does change pixels beyond the
// dab (automation turned back on before the automatic pass came round), the
// report still covers every one of them.
TEST(EngineWorker, BrushPassReportsWhatChanged)
{
    auto scan = MakeDustyScan(600, 300, 26);
    RecordingListener window;
    DustEngine engine(*scan, 256, &window);
    DustParams p = DefaultParams();
    engine.Request({ 0, 0, 600, 300 }, KindAuto, 1, 1, &p);
    ASSERT_TRUE(window.WaitForIdle(1));
    engine.TakeDirty(0);

    auto dab = [&](const Rect& square, int idle) {
        for (int y = square.top; y < square.bottom; ++y)
            for (int x = square.left; x < square.right; ++x) {
                WriteManual(engine.ManualMask()->Plane8(0) + y * 600 + x, 255);
                WriteManual(engine.ManualDustSize()->Plane8(0) + y * 600 + x, 4);
            }
        const auto before = Bytes(*engine.WorkImage());
        engine.Request(square, KindBrush, 2, idle, &p);
        EXPECT_TRUE(window.WaitForIdle(idle));
        const auto after = Bytes(*engine.WorkImage());
        const Rect dirty = engine.TakeDirty(2);
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) {
                const int x = static_cast<int>(i % scan->PixelCount() % 600);
                const int y = static_cast<int>(i % scan->PixelCount() / 600);
                EXPECT_FALSE(Intersect(dirty, { x, y, x + 1, y + 1 }).IsEmpty()) << x << "," << y;
            }
        return dirty;
    };
    const Rect square { 300, 40, 308, 48 };
    EXPECT_EQ(dab(square, 2), square);

    // Automation off reverts the tiles; a dab with it on again, before the
    // automatic pass, composites the old map over the whole tile.
    p.automation = 0;
    engine.Request({ 0, 0, 600, 300 }, KindAuto, 1, 1, &p);
    ASSERT_TRUE(window.WaitForIdle(3));
    engine.TakeDirty(0);
    p.automation = 1;
    const Rect wide = dab({ 20, 20, 24, 24 }, 4);
    EXPECT_GT(wide.Width(), 4);
    EXPECT_GT(wide.Height(), 4);
}

// A dab's request for a tile the worker holds at level 2 is served after the
// pass in progress, so the tile is composited again with the dab's final
// values, in the same batch.
TEST(EngineWorker, DabDuringItsTileIsServedAfterwards)
{
    auto scan = MakeDustyScan(256, 256, 25);
    HoldingListener window(1);
    DustEngine engine(*scan, 256, &window);
    ReleaseOnExit guard { window };
    DustParams p = DefaultParams();
    p.automation = 0;
    ASSERT_EQ(engine.Request({ 10, 10, 11, 11 }, KindBrush, 2, 1, &p), 0);
    ASSERT_TRUE(window.WaitUntilHeld());
    const size_t dab = 100 * 256 + 100;
    WriteManual(engine.ManualMask()->Plane8(0) + dab, 255);
    ASSERT_EQ(engine.Request({ 100, 100, 101, 101 }, KindBrush, 2, 1, &p), 0);
    window.Release();
    ASSERT_TRUE(window.WaitForIdle());
    EXPECT_EQ(engine.Counts().started, 2);
    EXPECT_EQ(engine.Counts().done, 2);
    const std::vector<Message> expected { { 2, 1 }, { 0, -1 } };
    EXPECT_EQ(window.Messages(), expected);
    int changed = 0;
    for (int c = 0; c < 3; ++c)
        changed += engine.WorkImage()->Plane8(c)[dab] != scan->Plane8(c)[dab];
    EXPECT_GT(changed, 0);
}

TEST(EngineWorker, ShutdownOfIdleAndBusyEngines)
{
    auto scan = MakeDustyScan(512, 256, 26);
    {
        // Idle: the worker acknowledges, and the engine stops once only. How
        // quickly is measured in bench/ (BM_IdleShutdown).
        DustEngine engine(*scan, 256, nullptr);
        EXPECT_GE(engine.Shutdown(), 1);
        EXPECT_TRUE(engine.StopRequested());
        EXPECT_EQ(engine.Shutdown(), 0);
    }
    {
        // Busy: the stop request comes while the worker holds the first of two
        // tiles. That tile runs to its end before the planes go; the second
        // is never started.
        HoldingListener window(1);
        DustEngine engine(*scan, 256, &window);
        DustParams p = DefaultParams();
        ASSERT_EQ(engine.Request({ 0, 0, 512, 256 }, KindAuto, 0, 1, &p), 0);
        ASSERT_TRUE(window.WaitUntilHeld());
        std::thread stopper([&] { engine.Shutdown(); });
        EXPECT_TRUE(Poll([&] { return engine.StopRequested(); }));
        window.Release();
        stopper.join();
        EXPECT_EQ(window.TakenSinceHeld(), std::vector<int> { 1 });
        const EngineCounts counts = engine.Counts();
        EXPECT_EQ(counts.started, 1);
        EXPECT_EQ(counts.done + counts.aborted, 1); // aborted only by the request itself
        EXPECT_EQ(engine.Shutdown(), 0);
    }
}

TEST(EngineWorker, RefusesImagesItCannotClean)
{
    CImage grey(64, 64, 1, SampleU8);
    CImage deep(64, 64, 3, SampleU16);
    for (const CImage* source : { &grey, &deep }) {
        DustEngine engine(*source, 256, nullptr);
        EXPECT_EQ(engine.WorkImage(), nullptr);
        EXPECT_EQ(engine.DetectionMap(), nullptr);
        DustParams p = DefaultParams();
        EXPECT_EQ(engine.Request({ 0, 0, 64, 64 }, KindAuto, 1, 1, &p), -1);
        EXPECT_EQ(engine.Progress(1), -0.1f);
    }
    auto scan = MakeDustyScan(64, 48, 27);
    DustEngine engine(*scan, 256, nullptr);
    ASSERT_NE(engine.WorkImage(), nullptr);
    EXPECT_EQ(Bytes(*engine.WorkImage()), Bytes(*scan));
    EXPECT_EQ(engine.ManualMask()->Plane8(0)[64 * 48 - 1], 1);
    EXPECT_EQ(engine.ManualDustSize()->Plane8(0)[0], 0);
    EXPECT_EQ(engine.DetectionMap()->Plane8(0)[100], 0);
}
