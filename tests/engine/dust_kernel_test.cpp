#include <gtest/gtest.h>

#include <map>

#include "dust_test_images.h"
#include "engine/dust_kernel.h"
#include "engine/manual_planes.h"
#include "engine/tile_queue.h"
#include "reference_dust.h"

namespace {
// The engine's planes, queue and kernel, driven synchronously: what the
// worker does, without the thread.
struct Rig {
    explicit Rig(const CImage& source_)
        : source(source_)
        , work(source.width, source.height, 3, SampleU8)
        , mask(source.width, source.height, 1, SampleU8)
        , size(source.width, source.height, 1, SampleU8)
        , queue(work, 256, 256)
        , kernel(source, work, mask, size)
    {
        source.ConvertInto(work);
        mask.Fill(1, 1, 1, 0);
        size.Fill(0, 0, 0, 0);
    }
    // Processes everything queued; result code → count.
    std::map<int, int> Drain()
    {
        std::map<int, int> results;
        Tile tile;
        std::atomic<uint8_t> abort { 0 };
        while (queue.TakeNext(tile) != 0) {
            int r = kernel.ProcessTile(tile, abort);
            ++results[r];
            if (r == TileDone || r == TileReverted || r == TileNoWork)
                queue.Complete(tile, r == TileDone);
            else
                ADD_FAILURE() << "tile " << tile.id << " gave " << r;
        }
        return results;
    }
    void Auto(const Rect& rect, const DustParams& p) { queue.Enqueue(rect, KindAuto, 1, 1, &p); }
    void Brush(const Rect& rect, const DustParams& p) { queue.Enqueue(rect, KindBrush, 2, 1, &p); }
    void Mark(int x, int y, uint8_t strength, uint8_t dustSize)
    {
        size_t i = static_cast<size_t>(y) * source.width + x;
        WriteManual(mask.Plane8(0) + i, strength);
        WriteManual(size.Plane8(0) + i, dustSize);
    }
    std::vector<uint8_t> Work() const
    {
        std::vector<uint8_t> all;
        for (int c = 0; c < 3; ++c)
            all.insert(all.end(), work.Plane8(c), work.Plane8(c) + work.PixelCount());
        return all;
    }
    std::vector<uint8_t> Map() const
    {
        const CImage& m = *kernel.DetectionMap();
        return std::vector<uint8_t>(m.Plane8(0), m.Plane8(0) + m.PixelCount());
    }
    void ScrambleMedian(uint8_t value)
    {
        for (int c = 0; c < 3; ++c)
            std::fill_n(kernel.MedianImage()->Plane8(c), source.PixelCount(), value);
    }
    const CImage& source;
    CImage work, mask, size;
    TileQueue queue;
    DustKernel kernel;
};

const Rect kAll { 0, 0, 100000, 100000 };

std::vector<uint8_t> SourceBytes(const CImage& image)
{
    std::vector<uint8_t> all;
    for (int c = 0; c < 3; ++c)
        all.insert(all.end(), image.Plane8(c), image.Plane8(c) + image.PixelCount());
    return all;
}

size_t NonZero(const std::vector<uint8_t>& v) { return v.size() - std::count(v.begin(), v.end(), 0); }
} // namespace

// The first automatic pass computes the median even at radius 0, where the
// parameter comparison alone would find the radius unchanged (0 = 0).
TEST(DustKernel, FirstPassAlwaysComputesTheMedian)
{
    auto scan = MakeDustyScan(300, 200, 11);
    Rig rig(*scan);
    rig.ScrambleMedian(150);
    DustParams p = DefaultParams();
    p.dustRadius = 0;
    p.dustType = 2;
    rig.Auto(kAll, p);
    EXPECT_EQ(rig.Drain()[TileDone], 2);
    EXPECT_EQ(NonZero(rig.Map()), 0u);
    EXPECT_EQ(rig.Work(), SourceBytes(*scan));
}

// Results do not depend on the order tiles ran in, on a wider margin asked
// for later, or on a neighbour's brush median of another radius.
TEST(DustKernel, ResultsIndependentOfHistory)
{
    auto scan = MakeDustyScan(600, 420, 12);
    DustParams p = DefaultParams();
    p.aggression = 5; // margin 49
    Rig clean(*scan);
    clean.Auto(kAll, p);
    clean.Drain();
    ASSERT_GT(NonZero(clean.Map()), 100u);

    Rig history(*scan);
    history.ScrambleMedian(0);
    DustParams narrow = p;
    narrow.aggression = 31; // margin 23 first
    history.queue.Enqueue(kAll, KindAuto, 1, -1, &narrow); // each tile its own run, grid order
    history.Drain();
    // A brush pass with automation off on tile 2 writes a radius-3 median
    // over it, inside the work rectangles of tiles 1, 3 and 5.
    DustParams off = p;
    off.automation = 0;
    off.brushDustSize = 3;
    history.Brush({ 300, 10, 301, 11 }, off);
    EXPECT_EQ(history.Drain()[TileDone], 1);
    // Now the wider margin, tiles in reverse grid order.
    history.queue.Enqueue(kAll, KindAuto, 1, 1, &p);
    for (int id = static_cast<int>(history.queue.TileCount()); id >= 1; --id) {
        Tile t = history.queue.Snapshot(id);
        t.takenLevel = 1;
        std::atomic<uint8_t> abort { 0 };
        ASSERT_EQ(history.kernel.ProcessTile(t, abort), TileDone) << "tile " << id;
    }
    EXPECT_EQ(history.Map(), clean.Map());
    EXPECT_EQ(history.Work(), clean.Work());
}

// A tile brushed before its first automatic pass is still detected when the
// automatic pass comes, and ends as if the passes had come the other way round.
TEST(DustKernel, BrushBeforeAutomaticPass)
{
    auto scan = MakeDustyScan(300, 200, 13);
    DustParams p = DefaultParams();
    Rig autoFirst(*scan), brushFirst(*scan);
    for (Rig* rig : { &autoFirst, &brushFirst })
        rig->Mark(40, 40, 255, 4);

    autoFirst.Auto(kAll, p);
    autoFirst.Drain();
    autoFirst.Brush({ 40, 40, 41, 41 }, p);
    autoFirst.Drain();

    brushFirst.Brush({ 40, 40, 41, 41 }, p);
    brushFirst.Drain();
    Tile t = brushFirst.queue.Snapshot(1);
    EXPECT_EQ(t.applied.aggression, 0); // no detection ran, none recorded
    brushFirst.Auto(kAll, p);
    brushFirst.Drain();

    ASSERT_GT(NonZero(autoFirst.Map()), 20u);
    EXPECT_EQ(brushFirst.Map(), autoFirst.Map());
    EXPECT_EQ(brushFirst.Work(), autoFirst.Work());
}

// Switching automation off recomposites processed tiles without the map
// (source everywhere but marked pixels); tiles never processed have no work.
TEST(DustKernel, AutomationOffRevertsProcessedTiles)
{
    auto scan = MakeDustyScan(600, 300, 14);
    Rig rig(*scan);
    DustParams p = DefaultParams();
    rig.Auto({ 0, 0, 256, 256 }, p);
    EXPECT_EQ(rig.Drain()[TileDone], 1);
    ASSERT_NE(rig.Work(), SourceBytes(*scan));
    rig.Mark(100, 100, 200, 3);

    p.automation = 0;
    rig.Auto(kAll, p);
    auto results = rig.Drain();
    EXPECT_EQ(results[TileReverted], 1);
    EXPECT_EQ(results[TileNoWork], 5);
    auto work = rig.Work();
    auto source = SourceBytes(*scan);
    const size_t marked = 100 * 600 + 100;
    for (size_t i = 0; i < work.size(); ++i) {
        if (i % scan->PixelCount() == marked)
            continue;
        ASSERT_EQ(work[i], source[i]) << "sample " << i;
    }
    for (int c = 0; c < 3; ++c) {
        int s = scan->Plane8(c)[marked], m = rig.kernel.MedianImage()->Plane8(c)[marked];
        EXPECT_EQ(rig.work.Plane8(c)[marked], reference::CompositePixel(s, m, 0, 200, 0, false));
    }
}

// With automation off the brush blends toward a median of the brush's dust
// size (0 meaning 10), computed for the tile, and follows a change of size.
TEST(DustKernel, BrushWithAutomationOffUsesBrushSize)
{
    auto scan = MakeDustyScan(300, 200, 15);
    Rig rig(*scan);
    DustParams p = DefaultParams();
    p.automation = 0;
    p.brushDustSize = 0;
    rig.Mark(50, 60, 255, 0);
    const size_t i = 60 * 300 + 50;
    for (int size : { 10, 10, 2 }) {
        p.brushDustSize = static_cast<uint8_t>(size == 10 ? 0 : size);
        rig.Brush({ 50, 60, 51, 61 }, p);
        rig.Drain();
        EXPECT_EQ(rig.queue.Snapshot(1).applied.brushSizeDone, size);
        for (int c = 0; c < 3; ++c) {
            reference::Plane src(scan->Plane8(c), scan->Plane8(c) + scan->PixelCount()), median(src.size());
            reference::Median(src, 300, 200, { 50, 60, 51, 61 }, size, median);
            EXPECT_EQ(rig.work.Plane8(c)[i], reference::CompositePixel(src[i], median[i], 0, 255, 0, false))
                << "size " << size << " channel " << c;
        }
    }
    auto work = rig.Work();
    auto source = SourceBytes(*scan);
    for (size_t k = 0; k < work.size(); ++k) {
        if (k % scan->PixelCount() != i) {
            ASSERT_EQ(work[k], source[k]);
        }
    }
}

// An interrupted tile keeps its previous results and is redone in full later.
TEST(DustKernel, AbortedTileKeepsItsResults)
{
    auto scan = MakeDustyScan(256, 256, 16);
    Rig rig(*scan);
    DustParams p = DefaultParams();
    rig.Auto(kAll, p);
    rig.Drain();
    auto map = rig.Map();
    auto work = rig.Work();

    DustParams changed = p;
    changed.dustThreshold = 30;
    rig.Auto(kAll, changed);
    Tile t;
    ASSERT_EQ(rig.queue.TakeNext(t), 1);
    std::atomic<uint8_t> abort { 1 };
    EXPECT_EQ(rig.kernel.ProcessTile(t, abort), TileAborted);
    EXPECT_EQ(rig.Map(), map);
    EXPECT_EQ(rig.Work(), work);
    EXPECT_EQ(rig.Drain()[TileDone], 1);
    EXPECT_GT(NonZero(rig.Map()), NonZero(map));
}

// Parameter bytes outside the controls' ranges (a corrupt settings store, a
// future control) must not read or write outside any plane.
TEST(DustKernel, ExtremeParametersStayInBounds)
{
    auto scan = MakeDustyScan(300, 260, 17);
    Rig rig(*scan);
    const DustParams base = DefaultParams();
    DustParams variants[6] = { base, base, base, base, base, base };
    variants[0].aggression = 0; // margin 54
    variants[1].aggression = 255; // no flat radius at all
    variants[2].dustRadius = 255;
    variants[3].dustThreshold = 255;
    variants[3].flatness = 255;
    variants[4].dustType = 7;
    variants[4].dustThreshold = 0;
    variants[5].automation = 200; // any non-zero value means on
    for (const DustParams& p : variants) {
        rig.Auto(kAll, p);
        auto results = rig.Drain();
        EXPECT_EQ(results[TileDone], 4);
    }
    rig.Mark(0, 0, 255, 255);
    rig.Mark(299, 259, 255, 255);
    DustParams off = base;
    off.automation = 0;
    off.brushDustSize = 255;
    rig.Brush({ 0, 0, 300, 260 }, off);
    EXPECT_EQ(rig.Drain()[TileDone], 4);
    rig.Brush({ 0, 0, 300, 260 }, base);
    EXPECT_EQ(rig.Drain()[TileDone], 4);
}
