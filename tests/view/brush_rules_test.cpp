#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image/image.h"
#include "view/rules/brush_stroke.h"
#include "view/rules/brush_tip.h"

namespace {

std::vector<Point> Dabs(Point from, Point to, int radius)
{
    std::vector<Point> out;
    WalkSegment(from, to, radius, [&](int x, int y) { out.push_back({ x, y }); });
    return out;
}

struct Planes {
    CImage mask;
    CImage sizes;
    Planes(int w, int h, uint8_t maskValue) : mask(w, h, 1, SampleU8), sizes(w, h, 1, SampleU8)
    {
        std::fill_n(mask.Plane8(0), w * h, maskValue);
        std::fill_n(sizes.Plane8(0), w * h, 0);
    }
    uint8_t M(int x, int y) const { return mask.Plane8(0)[y * mask.width + x]; }
    uint8_t S(int x, int y) const { return sizes.Plane8(0)[y * sizes.width + x]; }
};

} // namespace

TEST(BrushTip, RadiusOneWeights)
{
    BrushTip tip;
    ASSERT_TRUE(BuildBrushTip(tip, 1, 10, kBrushAddTool, 255));
    const uint8_t* w = tip.weights->Plane8(0);
    const uint8_t expected[9] = { 0, 34, 0, 34, 255, 34, 0, 34, 0 };
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(w[i], expected[i]) << "cell " << i;
}

TEST(BrushTip, CentreAndRimForLargerRadii)
{
    for (int r : { 2, 5, 8, 16, 48 }) {
        EXPECT_EQ(BrushTipWeight(r, r, r), 255) << r;
        EXPECT_EQ(BrushTipWeight(r, r, 0), 34) << r; // on the rim, left
        EXPECT_EQ(BrushTipWeight(r, 0, r), 34) << r; // on the rim, top
        EXPECT_EQ(BrushTipWeight(r, 0, 0), 0) << r; // corner, outside the circle
        // Weights fall off monotonically from the centre along a row.
        for (int j = 1; j <= r; ++j)
            EXPECT_LE(BrushTipWeight(r, r, j - 1), BrushTipWeight(r, r, j)) << r << " " << j;
    }
}

TEST(BrushTip, RefusesRadiiWithoutATip)
{
    BrushTip tip;
    EXPECT_FALSE(BuildBrushTip(tip, 0, 10, kBrushAddTool, 255));
    EXPECT_EQ(tip.weights, nullptr);
    EXPECT_FALSE(BuildBrushTip(tip, -3, 10, kBrushAddTool, 255));
    ASSERT_TRUE(BuildBrushTip(tip, 3, 10, kBrushRemoveTool, 900));
    EXPECT_FALSE(tip.add);
    EXPECT_EQ(tip.strength, 255);
}

TEST(BrushScreen, RadiusAndSliderRange)
{
    EXPECT_EQ(BrushScreenRadius(10, 2.0f), 5);
    EXPECT_EQ(BrushScreenRadius(5, 0.25f), 20);
    EXPECT_EQ(BrushScreenRadius(5, 2.0f), 3); // 2.5 rounds up
    EXPECT_EQ(BrushSliderMaximum(16, 1.0f), 48);
    EXPECT_EQ(BrushSliderMaximum(16, 0.25f), 12);
}

TEST(BrushSegment, SingleDabForAPoint)
{
    EXPECT_EQ(Dabs({ 7, 9 }, { 7, 9 }, 8), (std::vector<Point> { { 7, 9 } }));
}

TEST(BrushSegment, ShallowSegmentRadiusTwoStepsEveryPixel)
{
    // Radius 2: a quarter is 0, raised to 1.
    std::vector<Point> dabs = Dabs({ 10, 10 }, { 15, 12 }, 2);
    ASSERT_EQ(dabs.size(), 6u);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(dabs[k].x, 10 + k);
    EXPECT_EQ(dabs.front().y, 10);
    EXPECT_EQ(dabs.back().y, 12);
    EXPECT_EQ(SegmentSequence({ 10, 10 }, { 15, 12 }), -1);
}

TEST(BrushSegment, SteepSegmentRadiusEightStepsByTwo)
{
    // Radius 8: dabs every 2 pixels along y; 9 of major distance gives 5 dabs,
    // the end point not among them.
    std::vector<Point> dabs = Dabs({ 20, 30 }, { 23, 21 }, 8);
    ASSERT_EQ(dabs.size(), 5u);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(dabs[k].y, 30 - 2 * k);
    EXPECT_EQ(dabs.front().x, 20);
    for (size_t k = 1; k < dabs.size(); ++k) {
        EXPECT_GE(dabs[k].x, dabs[k - 1].x);
        EXPECT_LE(dabs[k].x - dabs[k - 1].x, 2);
    }
    EXPECT_EQ(SegmentSequence({ 20, 30 }, { 23, 21 }), 1);
    // A major distance that is a multiple of the step ends on the end point.
    std::vector<Point> exact = Dabs({ 0, 0 }, { 8, 0 }, 8);
    ASSERT_EQ(exact.size(), 5u);
    EXPECT_EQ(exact.back(), (Point { 8, 0 }));
}

TEST(BrushSegment, DiagonalCountsAsShallow)
{
    std::vector<Point> dabs = Dabs({ 5, 5 }, { 1, 1 }, 4);
    EXPECT_EQ(dabs, (std::vector<Point> { { 5, 5 }, { 4, 4 }, { 3, 3 }, { 2, 2 }, { 1, 1 } }));
    EXPECT_EQ(SegmentSequence({ 5, 5 }, { 1, 1 }), -1);
}

TEST(BrushSegment, NegativePositionsAreSkippedButCounted)
{
    int calls = 0;
    const int steps = WalkSegment(Point { -2, 3 }, Point { 2, 3 }, 1, [&](int x, int) {
        EXPECT_GE(x, 0);
        ++calls;
    });
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(calls, 3);
}

TEST(BrushStroke, SmallMovesAppendNothing)
{
    // r²/16 with integer division: radius 8 needs more than 4, i.e. 3 pixels.
    EXPECT_FALSE(MovedFarEnough({ 10, 10 }, { 12, 10 }, 8));
    EXPECT_TRUE(MovedFarEnough({ 10, 10 }, { 13, 10 }, 8));
    EXPECT_FALSE(MovedFarEnough({ 10, 10 }, { 11, 11 }, 8)); // 2, not more than 4
    // Below radius 4 any move counts.
    EXPECT_TRUE(MovedFarEnough({ 0, 0 }, { 1, 0 }, 3));
    EXPECT_FALSE(MovedFarEnough({ 0, 0 }, { 0, 0 }, 3));
}

TEST(BrushStroke, PointLimitAndBounds)
{
    BrushStrokeList list;
    BrushStroke& s = list.Begin(3, 10, kBrushAddTool, 255);
    for (int i = 0; i < kMaxStrokePoints; ++i)
        ASSERT_TRUE(s.Append({ i % 100, i / 1000 }));
    EXPECT_FALSE(s.Append({ 5000, 5000 }));
    EXPECT_EQ(s.points.size(), static_cast<size_t>(kMaxStrokePoints));
    EXPECT_EQ(s.Bounds(), (Rect { -3, -3, 103, 36 }));

    BrushStroke& t = list.Begin(2, 10, kBrushRemoveTool, 255);
    t.Append({ 50, 60 });
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Last()->tool, kBrushRemoveTool);
    EXPECT_TRUE(list.RemoveLast());
    EXPECT_EQ(list.Last()->radius, 3);
    EXPECT_TRUE(list.RemoveLast());
    EXPECT_FALSE(list.RemoveLast());
    EXPECT_TRUE(list.Empty());
}

TEST(BrushDab, AddPullsTowardStrengthByWeight)
{
    Planes p(20, 20, 1);
    BrushTip tip;
    ASSERT_TRUE(BuildBrushTip(tip, 1, 37, kBrushAddTool, 255));
    EXPECT_EQ(ApplyDab(tip, p.mask, p.sizes, 5, 6), (Rect { 4, 5, 7, 8 }));
    EXPECT_EQ(p.M(5, 6), 255);
    // (1 − 34/255) × 1 + 255 × 34/255 = 34.87, truncated.
    EXPECT_EQ(p.M(4, 6), 34);
    EXPECT_EQ(p.M(5, 5), 34);
    EXPECT_EQ(p.M(4, 5), 1); // corner weight 0 keeps the mask
    EXPECT_EQ(p.S(4, 5), 37); // but the dust size covers the whole square
    EXPECT_EQ(p.S(3, 5), 0);
    EXPECT_EQ(p.M(3, 6), 1);
    // A second dab pulls further.
    ApplyDab(tip, p.mask, p.sizes, 5, 6);
    EXPECT_EQ(p.M(4, 6), 63);
}

TEST(BrushDab, RemoveClearsWhereTheTipReaches)
{
    Planes p(10, 10, 200);
    BrushTip tip;
    ASSERT_TRUE(BuildBrushTip(tip, 1, 12, kBrushRemoveTool, 255));
    ApplyDab(tip, p.mask, p.sizes, 5, 5);
    EXPECT_EQ(p.M(5, 5), 0);
    EXPECT_EQ(p.M(6, 5), 0);
    EXPECT_EQ(p.M(6, 6), 200); // corner
    EXPECT_EQ(p.S(5, 5), 0); // removing leaves the dust size alone
}

TEST(BrushDab, EdgesWriteOnlyInsideTheImage)
{
    // A stroke starting on the left edge writes only x ≥ 0; the planes are
    // exactly the image, so a write past an edge would be caught by ASan.
    Planes p(6, 5, 1);
    BrushTip tip;
    ASSERT_TRUE(BuildBrushTip(tip, 3, 9, kBrushAddTool, 255));
    EXPECT_EQ(ApplyDab(tip, p.mask, p.sizes, 0, 2), (Rect { 0, 0, 4, 5 }));
    EXPECT_EQ(p.M(0, 2), 255);
    EXPECT_EQ(p.S(3, 4), 9);
    EXPECT_EQ(p.S(4, 2), 0);
    EXPECT_EQ(ApplyDab(tip, p.mask, p.sizes, 5, 4), (Rect { 2, 1, 6, 5 }));
    EXPECT_EQ(ApplyDab(tip, p.mask, p.sizes, 40, 40), Rect {});
    BrushTip none;
    EXPECT_EQ(ApplyDab(none, p.mask, p.sizes, 2, 2), Rect {});
}
