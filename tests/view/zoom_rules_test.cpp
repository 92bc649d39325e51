#include <gtest/gtest.h>

#include "view/rules/navigator_geometry.h"
#include "view/rules/zoom_rules.h"

TEST(ZoomSteps, OutHalvesInJumpsBackToFifty)
{
    float scale = 1.0f;
    const char* texts[] = { "50%", "25%", "13%", "6%" };
    for (const char* text : texts) {
        scale = ScaleForLevel(ZoomOutLevel(scale));
        EXPECT_EQ(ZoomText(scale), text);
    }
    EXPECT_EQ(ZoomInLevel(8.0f), 1);
    EXPECT_EQ(ZoomInLevel(2.0f), 0);
    EXPECT_EQ(ZoomInLevel(1.0f), -1);
    EXPECT_EQ(ZoomInLevel(0.5f), -2);
    EXPECT_EQ(ZoomText(ScaleForLevel(-2)), "400%");
    EXPECT_EQ(ZoomText(ScaleForLevel(-1)), "200%");
    EXPECT_EQ(ZoomText(1.0f), "100%");
    EXPECT_EQ(ScaleForLevel(5), 32.0f);
    EXPECT_EQ(ScaleForLevel(-3), 0.125f);
    EXPECT_EQ(ZoomOutLevel(0.25f), -1);
}

TEST(ZoomClamp, PinsLargeRegionsAndSlidesSmallOnesInside)
{
    Rect r { -50, 10, 1150, 110 };
    EXPECT_EQ(ClampVisibleRegion(r, 1000, 800), kFitsWidth);
    EXPECT_EQ(r, (Rect { 0, 10, 1000, 110 }));
    r = { 900, -20, 1100, 180 };
    EXPECT_EQ(ClampVisibleRegion(r, 1000, 800), 0);
    EXPECT_EQ(r, (Rect { 800, 0, 1000, 200 }));
    r = { 0, 0, 2000, 2000 };
    EXPECT_EQ(ClampVisibleRegion(r, 1000, 800), kFitsWidth | kFitsHeight);
}

TEST(ZoomApply, SmallImageFitsAtFullSizeCentred)
{
    ViewGeometry v;
    v.imageWidth = 300;
    v.imageHeight = 200;
    v.visible = { 0, 0, 300, 200 };
    ZoomState s = ApplyZoom(v, 0, { 0, 0, 640, 480 });
    EXPECT_FALSE(s.zoomOutEnabled);
    EXPECT_TRUE(s.zoomInEnabled);
    EXPECT_EQ(v.visible, (Rect { 0, 0, 300, 200 }));
    EXPECT_EQ(v.imageRect, (Rect { 170, 140, 470, 340 }));
    s = ApplyZoom(v, -2, { 0, 0, 640, 480 });
    EXPECT_FALSE(s.zoomInEnabled);
    EXPECT_TRUE(s.zoomOutEnabled);
    EXPECT_EQ(v.visible.Width(), 160);
    EXPECT_EQ(v.imageRect, (Rect { 0, 0, 640, 480 }));
}

TEST(ZoomApply, RegionAtTheRightEdgeStaysThereWhenTheWindowGrows)
{
    ViewGeometry v;
    v.imageWidth = 2000;
    v.imageHeight = 1000;
    v.visible = { 1600, 0, 2000, 300 };
    ApplyZoom(v, 0, { 0, 0, 600, 300 });
    EXPECT_EQ(v.visible.right, 2000);
    EXPECT_EQ(v.visible.Width(), 600);
}

TEST(ZoomApply, QuarterTurnSwapsTheRegionAndReportsShrinking)
{
    ViewGeometry v;
    v.imageWidth = 2000;
    v.imageHeight = 2000;
    v.visible = { 0, 0, 600, 400 };
    v.rotation = 90;
    v.imageRect = { 0, 0, 600, 400 };
    ZoomState s = ApplyZoom(v, 0, { 0, 0, 600, 400 });
    EXPECT_EQ(v.visible.Width(), 400);
    EXPECT_EQ(v.visible.Height(), 600);
    EXPECT_EQ(v.imageRect, (Rect { 0, 0, 600, 400 }));
    EXPECT_FALSE(s.shrank);
    v.imageWidth = 100; // now the region is pinned to 100 columns: 100 rows on screen
    s = ApplyZoom(v, 0, { 0, 0, 600, 400 });
    EXPECT_TRUE(s.shrank);
    EXPECT_EQ(v.imageRect.Height(), 100);
}

TEST(ZoomApply, CentreOnKeepsTheSize)
{
    Rect r { 0, 0, 101, 50 };
    CentreOn(r, 500, 500);
    EXPECT_EQ(r, (Rect { 450, 475, 551, 525 }));
    EXPECT_EQ(RescaledBrushRadius(10, 1.0f, 2.0f), 20);
    EXPECT_EQ(RescaledBrushRadius(5, 1.0f, 0.25f), 1);
}

TEST(Navigator, GeometryOfAreaThumbnailAndBox)
{
    Rect area = NavigatorArea({ 10, 20, 210, 120 });
    EXPECT_EQ(area, (Rect { 60, 20, 160, 120 }));
    float s = ThumbnailScale(area, 1000, 500);
    EXPECT_FLOAT_EQ(s, 0.1f);
    EXPECT_EQ(ThumbnailScale({ 0, 0, 0, 10 }, 1000, 500), 1.0f);
    EXPECT_FLOAT_EQ(ThumbnailScale(area, 20, 10), 5.0f);

    Rect thumb = ThumbnailRect(area, 100, 50, 0);
    EXPECT_EQ(thumb, (Rect { 60, 45, 160, 95 }));
    Rect box = NavigatorBox({ 0, 0, 400, 200 }, 0, 1000, 500, s, thumb);
    EXPECT_EQ(box, (Rect { 61, 46, 99, 64 }));

    // Turned clockwise: the box is as wide as the region is high.
    Rect turned = ThumbnailRect(area, 100, 50, 90);
    EXPECT_EQ(turned, (Rect { 85, 20, 135, 120 }));
    Rect tbox = NavigatorBox({ 0, 0, 400, 200 }, 90, 1000, 500, s, turned);
    EXPECT_NEAR(tbox.Width(), 20, 2);
    EXPECT_NEAR(tbox.Height(), 40, 2);
    // The region's top-left corner is at the thumbnail's top right when turned clockwise.
    EXPECT_NEAR(tbox.right, turned.right, 2);
    EXPECT_NEAR(tbox.top, turned.top, 2);
}

TEST(Navigator, PointToImageUndoesTheTurn)
{
    Rect thumb { 10, 10, 60, 110 }; // 1000 × 500 image turned, scale 0.1
    EXPECT_EQ(NavigatorToImage({ 60, 10 }, thumb, 0.1f, 90, 1000, 500), (Point { 0, 0 }));
    EXPECT_EQ(NavigatorToImage({ 10, 110 }, thumb, 0.1f, 90, 1000, 500), (Point { 1000, 500 }));
    Rect flat { 0, 0, 100, 50 };
    EXPECT_EQ(NavigatorToImage({ 25, 5 }, flat, 0.1f, 0, 1000, 500), (Point { 250, 50 }));
    EXPECT_EQ(NavigatorToImage({ 25, 5 }, flat, 0.1f, 180, 1000, 500), (Point { 750, 450 }));
    EXPECT_EQ(NavigatorToImage({ 5, 25 }, { 0, 0, 50, 100 }, 0.1f, -90, 1000, 500), (Point { 750, 50 }));
    // Past the thumbnail's edge the point leaves the image; the clamp brings it back.
    Point p = NavigatorToImage({ 200, 5 }, flat, 0.1f, 0, 1000, 500);
    Rect region { 0, 0, 400, 200 };
    CentreOn(region, p.x, p.y);
    ClampVisibleRegion(region, 1000, 500);
    EXPECT_EQ(region.right, 1000);
}
