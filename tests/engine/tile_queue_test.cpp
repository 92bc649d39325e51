#include <gtest/gtest.h>

#include "engine/tile_queue.h"

namespace {
struct Queue600x300 : testing::Test {
    CImage image { 600, 300, 1, SampleU8 };
    TileQueue queue { image, 256, 256 };
    const Rect everything { 0, 0, 600, 300 };
};
} // namespace

TEST_F(Queue600x300, GridIsRowMajorWithClippedEdgeTiles)
{
    ASSERT_EQ(queue.TileCount(), 6u);
    EXPECT_EQ(queue.Snapshot(1).rect, (Rect { 0, 0, 256, 256 }));
    EXPECT_EQ(queue.Snapshot(3).rect, (Rect { 512, 0, 600, 256 }));
    EXPECT_EQ(queue.Snapshot(6).rect, (Rect { 512, 256, 600, 300 }));
    Tile t = queue.Snapshot(4);
    EXPECT_EQ(t.id, 4);
    EXPECT_EQ(t.takenLevel, -1);
    EXPECT_EQ(t.state[0], TileIdle);
    EXPECT_EQ(queue.Progress(0), -0.1f);
}

TEST_F(Queue600x300, EnqueueSequencesAndMisses)
{
    EXPECT_EQ(queue.Enqueue({ 700, 0, 800, 10 }, KindAuto, 0, 1, nullptr), -1);
    EXPECT_EQ(queue.Progress(0), -0.1f);
    ASSERT_EQ(queue.Enqueue({ 0, 0, 600, 10 }, KindAuto, 0, -5, nullptr), 0);
    EXPECT_EQ(queue.Snapshot(1).sequence[0], 5);
    EXPECT_EQ(queue.Snapshot(2).sequence[0], 6);
    EXPECT_EQ(queue.Snapshot(3).sequence[0], 7);
    EXPECT_EQ(queue.Snapshot(4).state[0], TileIdle);
    ASSERT_EQ(queue.Enqueue({ 0, 0, 600, 10 }, KindAuto, 0, 5, nullptr), 0);
    for (int id = 1; id <= 3; ++id)
        EXPECT_EQ(queue.Snapshot(id).sequence[0], 5);
    // Re-queueing the same kind at another level moves it there.
    DustParams p;
    p.dustRadius = 9;
    ASSERT_EQ(queue.Enqueue({ 0, 0, 10, 10 }, KindAuto, 1, 1, &p), 0);
    Tile t = queue.Snapshot(1);
    EXPECT_EQ(t.state[0], TileIdle);
    EXPECT_EQ(t.kindMask[0], 0);
    EXPECT_EQ(t.state[1], TileQueued);
    EXPECT_EQ(t.requested.dustRadius, 9);
}

TEST_F(Queue600x300, TakeNextServesHigherLevelsThenLowerSequencesThenGridOrder)
{
    queue.Enqueue(everything, KindAuto, 0, 1, nullptr);
    queue.Enqueue({ 300, 260, 310, 270 }, KindAuto, 1, 3, nullptr); // tile 5
    queue.Enqueue({ 600 - 1, 0, 600, 1 }, KindAuto, 1, 2, nullptr); // tile 3
    Tile t;
    EXPECT_EQ(queue.TakeNext(t), 3);
    EXPECT_EQ(t.takenLevel, 1);
    queue.Complete(t, true);
    EXPECT_EQ(queue.TakeNext(t), 5);
    queue.Complete(t, true);
    EXPECT_EQ(queue.TakeNext(t), 1);
    EXPECT_EQ(t.takenLevel, 0);
    // A taken tile that is never completed is handed out again.
    EXPECT_EQ(queue.TakeNext(t), 1);
    queue.Complete(t, true);
    EXPECT_EQ(queue.TakeNext(t), 2);
}

TEST_F(Queue600x300, TopOnlyHidesLowerLevels)
{
    queue.Enqueue(everything, KindAuto, 0, 1, nullptr);
    queue.Enqueue(everything, KindAuto, 1, 1, nullptr);
    queue.SetTopOnly(1);
    Tile t;
    EXPECT_EQ(queue.TakeNext(t), 0);
    queue.Enqueue({ 0, 0, 1, 1 }, KindBrush, 2, 1, nullptr);
    EXPECT_EQ(queue.TakeNext(t), 1);
    EXPECT_EQ(t.takenLevel, 2);
    queue.SetTopOnly(0);
    queue.Complete(t, false);
    EXPECT_EQ(queue.TakeNext(t), 1);
    EXPECT_EQ(t.takenLevel, 1);
}

TEST_F(Queue600x300, ProgressCountsCompletionsAndResetsWhenTheLevelEmpties)
{
    queue.Enqueue({ 0, 0, 600, 256 }, KindAuto, 0, 1, nullptr); // tiles 1 to 3
    queue.Enqueue({ 0, 256, 10, 300 }, KindAuto, 0, 1, nullptr); // tile 4
    Tile t;
    queue.TakeNext(t);
    queue.Complete(t, true);
    EXPECT_FLOAT_EQ(queue.Progress(0), 0.25f);
    for (int i = 0; i < 3; ++i) {
        queue.TakeNext(t);
        queue.Complete(t, true);
    }
    EXPECT_EQ(queue.Progress(0), -0.1f);
    EXPECT_EQ(queue.TakeNext(t), 0);
}

TEST_F(Queue600x300, ABusyTileMovedToAnotherLevelLeavesTheRestCounted)
{
    // The worker holds tile 1 at level 0 when the view asks for it at level 1:
    // the five other tiles are still queued at level 0, and neither the
    // progress nor the idle test may say otherwise.
    queue.Enqueue(everything, KindAuto, 0, 1, nullptr);
    Tile t;
    ASSERT_EQ(queue.TakeNext(t), 1);
    queue.Enqueue({ 0, 0, 10, 10 }, KindAuto, 1, 1, nullptr);
    queue.Complete(t, true);
    EXPECT_GE(queue.Progress(0), 0.0f);
    EXPECT_GE(queue.Progress(1), 0.0f);
    EXPECT_FALSE(queue.Idle());
    int passes = 0;
    while (queue.TakeNext(t) != 0) {
        EXPECT_FALSE(queue.Idle()); // taken is not finished
        queue.Complete(t, true);
        ++passes;
    }
    EXPECT_EQ(passes, 6); // tile 1 once more at level 1, the other five at level 0
    EXPECT_EQ(queue.Progress(0), -0.1f);
    EXPECT_EQ(queue.Progress(1), -0.1f);
    EXPECT_TRUE(queue.Idle());
}

TEST_F(Queue600x300, CompleteRecordsParamsAndTheBrushSizeByte)
{
    DustParams p;
    p.automation = 1;
    p.dustRadius = 10;
    p.brushSizeDone = 99; // ignored in requests
    queue.Enqueue({ 0, 0, 1, 1 }, KindAuto, 1, 1, &p);
    Tile t;
    queue.TakeNext(t);
    t.applied.brushSizeDone = 7;
    queue.Complete(t, true);
    Tile stored = queue.Snapshot(1);
    EXPECT_EQ(stored.applied.dustRadius, 10);
    EXPECT_EQ(stored.applied.brushSizeDone, 7);
    EXPECT_EQ(stored.takenLevel, -1);
    EXPECT_EQ(stored.kindMask[1], 0);

    p.dustRadius = 20;
    queue.Enqueue({ 0, 0, 1, 1 }, KindAuto, 1, 1, &p);
    queue.TakeNext(t);
    queue.Complete(t, false);
    EXPECT_EQ(queue.Snapshot(1).applied.dustRadius, 10);
}

TEST_F(Queue600x300, ReprioritiseMovesQueuedWorkOnlyAndLeavesTakenTilesAlone)
{
    queue.Enqueue(everything, KindAuto, 0, 1, nullptr);
    Tile t;
    ASSERT_EQ(queue.TakeNext(t), 1);
    ASSERT_EQ(queue.Reprioritise({ 0, 0, 600, 10 }, KindAuto, 1, -3, nullptr), 0);
    EXPECT_EQ(queue.Snapshot(1).state[0], TileTaken);
    EXPECT_EQ(queue.Snapshot(1).state[1], TileIdle);
    EXPECT_EQ(queue.Snapshot(2).state[1], TileQueued);
    EXPECT_EQ(queue.Snapshot(2).sequence[1], 4); // 3 went to the taken tile
    EXPECT_EQ(queue.Snapshot(3).sequence[1], 5);
    EXPECT_EQ(queue.Snapshot(2).state[0], TileIdle);
    // Nothing new is added where nothing was queued.
    EXPECT_EQ(queue.Reprioritise({ 0, 0, 600, 10 }, KindBrush, 2, 1, nullptr), 0);
    EXPECT_EQ(queue.Snapshot(2).state[2], TileIdle);
    EXPECT_EQ(queue.Reprioritise({ 900, 0, 901, 1 }, KindAuto, 1, 1, nullptr), -1);
}

TEST_F(Queue600x300, WorkQueuedWhileTheTileIsTakenSurvivesItsCompletion)
{
    // A dab lands on a tile the worker already holds at level 2: whatever the
    // worker saw, the tile must be composited once more after that dab.
    queue.Enqueue({ 0, 0, 5, 5 }, KindBrush, 2, 1, nullptr);
    Tile t;
    ASSERT_EQ(queue.TakeNext(t), 1);
    queue.Enqueue({ 0, 0, 5, 5 }, KindBrush, 2, 1, nullptr);
    queue.Complete(t, true);
    Tile stored = queue.Snapshot(1);
    EXPECT_EQ(stored.state[2], TileQueued);
    EXPECT_EQ(stored.kindMask[2], KindBrush);
    EXPECT_EQ(stored.takenLevel, -1);
    EXPECT_FLOAT_EQ(queue.Progress(2), 0.0f);
    ASSERT_EQ(queue.TakeNext(t), 1);
    queue.Complete(t, true);
    EXPECT_EQ(queue.Snapshot(1).state[2], TileIdle);
    EXPECT_EQ(queue.Progress(2), -0.1f);
    EXPECT_EQ(queue.TakeNext(t), 0);
}

TEST_F(Queue600x300, DirtyRectanglesUniteAndAreTakenFromALevelUp)
{
    queue.AddDirty({ 0, 0, 10, 10 }, 0);
    queue.AddDirty({ 20, 20, 30, 30 }, 1);
    queue.AddDirty({ 40, 0, 50, 5 }, 1);
    queue.AddDirty({ 1, 1, 2, 2 }, 3);
    EXPECT_EQ(queue.TakeDirty(1), (Rect { 20, 0, 50, 30 }));
    EXPECT_TRUE(queue.TakeDirty(1).IsEmpty());
    EXPECT_EQ(queue.TakeDirty(0), (Rect { 0, 0, 10, 10 }));
    queue.AddDirty({ 5, 5, 6, 6 }, 2);
    EXPECT_TRUE(queue.TakeDirty(7).IsEmpty());
    EXPECT_EQ(queue.TakeDirty(2), (Rect { 5, 5, 6, 6 }));
}
