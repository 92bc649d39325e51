#include <gtest/gtest.h>

#include "view/rules/placement.h"
#include "view/rules/progress_display.h"
#include "view/rules/save_rules.h"

namespace {
const FrameMargins kFrame { 4, 28, 4, 4 };
const Rect kWork { 0, 0, 1920, 1040 };
}

TEST(Placement, WindowFitsTheImageCentredOnTheWorkArea)
{
    Rect r = FitWindowToImage(kWork, 300, 200, kFrame);
    EXPECT_EQ(r.Width(), 308);
    EXPECT_EQ(r.Height(), 232);
    EXPECT_EQ(r.left, 960 - 154);
    EXPECT_EQ(r.top, 520 - 116);
    EXPECT_EQ(FitWindowToImage(kWork, 5000, 4000, kFrame), kWork);
    Rect empty = FitWindowToImage({ 100, 50, 1100, 1050 }, 0, 0, kFrame);
    EXPECT_EQ(empty, (Rect { 398, 333, 803, 768 }));
}

TEST(Placement, PanelMovesBesideOnlyWhenItOverlaps)
{
    Rect window { 100, 100, 900, 700 };
    Rect moved { 1, 2, 3, 4 };
    EXPECT_FALSE(PlacePanelBeside({ 1000, 100, 1300, 600 }, window, kWork, moved));
    EXPECT_EQ(moved, (Rect { 1, 2, 3, 4 }));
    ASSERT_TRUE(PlacePanelBeside({ 500, 100, 800, 600 }, window, kWork, moved));
    EXPECT_EQ(moved, (Rect { 900, 200, 1200, 700 }));
    // Pushed back from the right edge, and down below the top.
    ASSERT_TRUE(PlacePanelBeside({ 1600, 0, 1900, 1000 }, { 1700, 0, 1920, 300 }, kWork, moved));
    EXPECT_EQ(moved, (Rect { 1620, 0, 1920, 1000 }));
}

TEST(Placement, RepeatedRotationsDoNotDrift)
{
    RotationPlacement placement;
    Rect window { 101, 101, 502, 402 }; // odd sizes round on every re-centring
    Rect r = window;
    for (int i = 0; i < 5; ++i) {
        // A quarter turn swaps the client size; here only the re-centring matters.
        r = placement.Place(r, kWork);
        EXPECT_EQ(r, window) << "turn " << i;
    }
    // Outside the work area: centred on it and cut.
    Rect off = placement.Place({ 1800, 900, 2200, 1200 }, kWork);
    EXPECT_EQ(off, (Rect { 760, 370, 1160, 670 }));
}

TEST(Placement, SizingKeepsTenByTwentyOnTheDraggedSide)
{
    EXPECT_EQ(LimitSizing({ 100, 100, 103, 105 }, SizeLeft | SizeTop), (Rect { 93, 85, 103, 105 }));
    EXPECT_EQ(LimitSizing({ 100, 100, 103, 105 }, SizeRight | SizeBottom), (Rect { 100, 100, 110, 120 }));
    EXPECT_EQ(LimitSizing({ 0, 0, 50, 50 }, SizeLeft), (Rect { 0, 0, 50, 50 }));
}

TEST(ProgressDisplay, BarAppearsAfterASecondOfWorkAndYieldsToRestoreDefaults)
{
    ProgressDisplay d;
    d.Tick(-0.1f, 100, false); // idle
    EXPECT_FALSE(d.BarVisible());
    // Work began this second: not yet, and the tick leaves the panel's
    // controls as the user's last choice left them.
    const ProgressDisplay::Changes early = d.Tick(0.1f, 100, true);
    EXPECT_FALSE(d.BarVisible());
    EXPECT_FALSE(early.showBar || early.hideBar || early.showRestoreDefaults);
    EXPECT_EQ(d.BarValue(), 10);
    d.Tick(0.5f, 101, true);
    EXPECT_TRUE(d.BarVisible());
    EXPECT_FALSE(d.RestoreDefaultsVisible());
    EXPECT_EQ(d.BarValue(), 50);
    d.Tick(-0.1f, 102, true); // done
    EXPECT_FALSE(d.BarVisible());
    EXPECT_TRUE(d.RestoreDefaultsVisible());
    d.Tick(-0.1f, 110, false);
    EXPECT_TRUE(d.RestoreDefaultsVisible()); // only work hides it again
    d.Tick(0.2f, 111, false);
    EXPECT_TRUE(d.BarVisible());
    EXPECT_FALSE(d.RestoreDefaultsVisible());
}

TEST(SaveRules, TypeFromExtensionIgnoringCase)
{
    EXPECT_EQ(SaveTypeFromName("/a/b.BMP"), SaveTypeBmp);
    EXPECT_EQ(SaveTypeFromName("x.Jpg"), SaveTypeJpeg);
    EXPECT_EQ(SaveTypeFromName("x.jpeg"), SaveTypeNone);
    EXPECT_EQ(SaveTypeFromName("x.tiff"), SaveTypeTiff);
    EXPECT_EQ(SaveTypeFromName("dir.png/file"), SaveTypeNone);
    EXPECT_EQ(PreselectedSaveType("scan.gif", 3), 3);
    EXPECT_EQ(PreselectedSaveType("scan.TIF", 3), 4);
}

TEST(SaveRules, ExtensionReplacedByTheChosenType)
{
    EXPECT_EQ(NameForSaveType("/d/scan.png", SaveTypeJpeg), "/d/scan.jpg");
    EXPECT_EQ(NameForSaveType("/d/scan.png", SaveTypeAll), "/d/scan");
    EXPECT_EQ(NameForSaveType("/d.x/scan", SaveTypeTiff), "/d.x/scan.tif");
    for (int code = 0; code < 3; ++code)
        EXPECT_EQ(SubsamplingCodeFromChoice(SubsamplingChoiceFromCode(code)), code);
    EXPECT_EQ(SubsamplingChoiceFromCode(0), 2);
    EXPECT_EQ(SubsamplingChoiceFromCode(2), 0);
}
