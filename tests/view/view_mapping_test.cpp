#include <gtest/gtest.h>

#include "view/rules/paint_region.h"
#include "view/rules/view_mapping.h"

namespace {

ViewGeometry View(float scale, int rotation, Rect imageRect, Rect visible, int w = 1000, int h = 800)
{
    ViewGeometry v;
    v.scale = scale;
    v.rotation = rotation;
    v.imageRect = imageRect;
    v.visible = visible;
    v.imageWidth = w;
    v.imageHeight = h;
    return v;
}

} // namespace

TEST(ViewMapping, OneToOneAtFullSize)
{
    ViewGeometry v = View(1.0f, 0, { 10, 20, 310, 220 }, { 100, 50, 400, 250 });
    EXPECT_EQ(ViewToImage(v, 10, 20), (Point { 100, 50 }));
    EXPECT_EQ(ViewToImage(v, 15, 27), (Point { 105, 57 }));
    EXPECT_EQ(ImageToView(v, 105, 57), (Point { 15, 27 }));
}

TEST(ViewMapping, QuarterTurnsMapTheSameCornerBothWays)
{
    // Visible 300 × 200 shown turned: the window shows 200 × 300.
    for (int rotation : { 90, -90, 180 }) {
        bool turns = rotation != 180;
        Rect shown = turns ? Rect { 0, 0, 200, 300 } : Rect { 0, 0, 300, 200 };
        ViewGeometry v = View(1.0f, rotation, shown, { 0, 0, 300, 200 });
        for (Point p : { Point { 0, 0 }, Point { 37, 81 }, Point { 150, 100 } }) {
            Point window = ImageToView(v, p.x, p.y);
            EXPECT_EQ(ViewToImage(v, window.x, window.y), p) << "rotation " << rotation;
        }
    }
    // Turned clockwise, the image's top-left pixel lands at the window's top right.
    ViewGeometry cw = View(1.0f, 90, { 0, 0, 200, 300 }, { 0, 0, 300, 200 });
    EXPECT_EQ(ImageToView(cw, 0, 0), (Point { 200, 0 }));
    ViewGeometry ccw = View(1.0f, -90, { 0, 0, 200, 300 }, { 0, 0, 300, 200 });
    EXPECT_EQ(ImageToView(ccw, 0, 0), (Point { 0, 300 }));
}

TEST(ViewMapping, ClampsToTheImageAndRoundsHalfUp)
{
    ViewGeometry v = View(2.0f, 0, { 0, 0, 100, 100 }, { 900, 700, 1100, 900 });
    EXPECT_EQ(ViewToImage(v, 99, 99), (Point { 1000, 800 }));
    EXPECT_EQ(ViewToImage(v, -50, -50), (Point { 801, 601 })); // -99.5 truncates toward zero
    ViewGeometry in = View(0.25f, 0, { 0, 0, 100, 100 }, { 0, 0, 25, 25 });
    EXPECT_EQ(ViewToImage(in, 2, 1), (Point { 1, 0 })); // 0.5 rounds up, 0.25 down
}

TEST(ViewMapping, ImageToViewStraightensAReversedRegion)
{
    ViewGeometry v = View(1.0f, 0, { 0, 0, 100, 100 }, { 100, 100, 0, 0 });
    EXPECT_EQ(ImageToView(v, 10, 10), (Point { 10, 10 }));
    EXPECT_EQ(v.visible, (Rect { 0, 0, 100, 100 }));
}

TEST(PaintRegion, ZoomedOutAlignsTheRegionDownToTheScale)
{
    // 25 %: a window column maps to four image columns.
    ViewGeometry v = View(4.0f, 0, { 0, 0, 250, 200 }, { 0, 0, 1000, 800 });
    PaintPlan plan = PlanPaint(v, { 3, 3, 10, 10 }, 1000, 800);
    EXPECT_EQ(plan.region, (Rect { 12, 12, 40, 40 }));
    v.visible = { 1, 0, 1001, 800 }; // region left edge at 13
    plan = PlanPaint(v, { 3, 3, 10, 10 }, 1000, 800);
    EXPECT_EQ(plan.region.left, 13);
    EXPECT_EQ(plan.aligned.left, 12);
    EXPECT_EQ(plan.aligned.right, 40);
    BlitSize blit = PlanBlit(4.0f, 30, 28, plan.window);
    EXPECT_EQ(blit.sourceWidth, 28);
    EXPECT_EQ(blit.width, 7);
    EXPECT_EQ(blit.height, 7);
}

TEST(PaintRegion, ZoomedInTakesPartlyCoveredPixels)
{
    ViewGeometry v = View(0.5f, 0, { 0, 0, 400, 400 }, { 0, 0, 200, 200 });
    PaintPlan plan = PlanPaint(v, { 10, 10, 20, 20 }, 1000, 800);
    // Inflated by one window pixel: 9..21 → image 5..11 (rounding half up).
    EXPECT_EQ(plan.region, (Rect { 5, 5, 11, 11 }));
    EXPECT_EQ(plan.aligned, plan.region);
    EXPECT_EQ(plan.window, (Rect { 10, 10, 22, 22 }));
    BlitSize blit = PlanBlit(0.5f, 6, 6, plan.window);
    EXPECT_EQ(blit.width, 12);
}

TEST(PaintRegion, UpdateOutsideTheImageIsEmpty)
{
    ViewGeometry v = View(1.0f, 0, { 50, 50, 150, 150 }, { 0, 0, 100, 100 }, 100, 100);
    EXPECT_TRUE(PlanPaint(v, { 0, 0, 40, 40 }, 100, 100).region.IsEmpty());
}

TEST(PaintRegion, FinishedRectangleOutsideTheViewRepaintsNothing)
{
    ViewGeometry v = View(1.0f, 0, { 0, 0, 300, 200 }, { 0, 0, 300, 200 });
    EXPECT_TRUE(FinishedToWindow(v, { 512, 512, 768, 768 }).IsEmpty());
    EXPECT_EQ(FinishedToWindow(v, { 256, 0, 512, 256 }), (Rect { 256, 0, 300, 200 }));
    v.rotation = 90;
    v.imageRect = { 0, 0, 200, 300 };
    EXPECT_EQ(FinishedToWindow(v, { 0, 0, 100, 50 }), (Rect { 150, 0, 200, 100 }));
}
