#include <gtest/gtest.h>

#include <vector>

#include "image/image.h"
#include "view/rules/display_bitmap.h"

namespace {

// Fills a picture so that every pixel tells where it came from.
void Number(DisplayBitmap& b)
{
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
        }
}

} // namespace

TEST(DisplayBitmap, BuiltBottomUpInBlueGreenRed)
{
    CImage image(5, 4, 3, SampleU8);
    for (int i = 0; i < 20; ++i) {
        image.Plane8(0)[i] = static_cast<uint8_t>(i); // red
        image.Plane8(1)[i] = 100;
        image.Plane8(2)[i] = 200;
    }
    DisplayBitmap b;
    ASSERT_TRUE(BuildDisplayBitmap(image, { 1, 1, 4, 3 }, b));
    EXPECT_EQ(b.stride, 12u);
    EXPECT_EQ(b.pixels[0 * 12 + 2], 11); // first row in memory: picture row y=2 → image row 2, column 1
    EXPECT_EQ(b.Row(0)[2], 6); // image (1, 1)
    EXPECT_EQ(b.Row(0)[0], 200);
}

TEST(DisplayBitmap, QuarterTurnPutsTheBottomLeftPixelAtTheTopLeft)
{
    DisplayBitmap in;
    ASSERT_TRUE(in.Allocate(300, 200));
    Number(in);
    DisplayBitmap out;
    ASSERT_TRUE(RotateBitmap(in, 90, out));
    EXPECT_EQ(out.width, 200);
    EXPECT_EQ(out.height, 300);
    EXPECT_EQ(out.Row(0)[0], 0); // x of the source's bottom-left pixel
    EXPECT_EQ(out.Row(0)[1], 199); // its y
    // Picture pixel (x, y) goes to (h − 1 − y, x).
    const uint8_t* p = out.Row(17) + 3 * (199 - 42);
    EXPECT_EQ(p[0], 17);
    EXPECT_EQ(p[1], 42);

    ASSERT_TRUE(RotateBitmap(in, -90, out));
    p = out.Row(299 - 17) + 3 * 42; // (x, y) goes to (y, w − 1 − x)
    EXPECT_EQ(p[0], 17);
    EXPECT_EQ(p[1], 42);

    ASSERT_TRUE(RotateBitmap(in, 180, out));
    p = out.Row(199 - 42) + 3 * (299 - 17);
    EXPECT_EQ(p[0], 17);
    EXPECT_EQ(p[1], 42);
}

TEST(DisplayBitmap, RotatedRowsArePaddedToTheirOwnStride)
{
    DisplayBitmap in;
    ASSERT_TRUE(in.Allocate(3, 2)); // stride 12 → turned 2 wide, stride 8
    Number(in);
    DisplayBitmap out;
    ASSERT_TRUE(RotateBitmap(in, 90, out));
    EXPECT_EQ(out.stride, 8u);
    EXPECT_EQ(out.pixels.size(), 24u);
}

TEST(Highlight, TintsByStrengthTowardTheChosenColour)
{
    uint8_t mask[3] = { 255, 1, 0 };
    uint8_t map[3] = { 0, 100, 255 };
    for (int colour : { 0, 1, 2, 3 }) {
        DisplayBitmap b;
        ASSERT_TRUE(b.Allocate(3, 1));
        for (auto& v : b.pixels)
            v = 100;
        ApplyHighlight(b, { 0, 0, 3, 1 }, mask, map, 3, true, colour);
        const uint8_t* px = b.Row(0);
        // Full strength: 255 × 0.55 + 0.45 × 100 toward, 0.45 × 100 away (truncated).
        uint8_t up = TintChannel(100, 255 * 0.0021568628f, true);
        uint8_t down = TintChannel(100, 255 * 0.0021568628f, false);
        EXPECT_EQ(up, 185);
        EXPECT_EQ(down, 45); // single precision: 1 − 0.55000001 lands just above 0.45
        if (colour == 1) {
            EXPECT_EQ(px[0], up);
            EXPECT_EQ(px[1], down);
            EXPECT_EQ(px[2], up);
        } else if (colour == 2) {
            EXPECT_EQ(px[0], up);
            EXPECT_EQ(px[1], up);
            EXPECT_EQ(px[2], down);
        } else { // yellow, also for unknown colours
            EXPECT_EQ(px[0], down);
            EXPECT_EQ(px[1], up);
            EXPECT_EQ(px[2], up);
        }
        // Untouched pixel with detected dust: tinted by the map's strength.
        EXPECT_NE(px[3], 100);
        // Restored by hand: never tinted, whatever the map says.
        EXPECT_EQ(px[6], 100);
        EXPECT_EQ(px[7], 100);
        EXPECT_EQ(px[8], 100);
    }
}

TEST(Highlight, WithoutAutomationOnlyHandMarksShow)
{
    uint8_t mask[2] = { 1, 30 };
    uint8_t map[2] = { 200, 0 };
    DisplayBitmap b;
    ASSERT_TRUE(b.Allocate(2, 1));
    for (auto& v : b.pixels)
        v = 50;
    ApplyHighlight(b, { 0, 0, 2, 1 }, mask, map, 2, false, 0);
    EXPECT_EQ(b.Row(0)[1], 50);
    EXPECT_GT(b.Row(0)[4], 50);
}

TEST(Highlight, ReadsThePlanesAtTheRegionsImagePosition)
{
    // A 4 × 3 plane with one marked pixel at (2, 1); the bitmap covers (1, 1)–(3, 3).
    std::vector<uint8_t> mask(12, 1), map(12, 0);
    mask[1 * 4 + 2] = 255;
    DisplayBitmap b;
    ASSERT_TRUE(b.Allocate(2, 2));
    ApplyHighlight(b, { 1, 1, 3, 3 }, mask.data(), map.data(), 4, true, 0);
    EXPECT_GT(b.Row(0)[3 + 2], 0); // picture row 0 is image row 1, column 2
    EXPECT_EQ(b.Row(0)[2], 0);
    EXPECT_EQ(b.Row(1)[3 + 2], 0);
}
