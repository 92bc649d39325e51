#include <gtest/gtest.h>

#include "view/rules/dialog_units.h"
#include "view/rules/icon_shades.h"
#include "view/rules/palettised_bitmap.h"

TEST(PalettisedBitmap, CreateSizesRowsAndPaletteByDepth)
{
    CPalettisedBitmap b;
    ASSERT_TRUE(b.Create(5, 3, 8));
    EXPECT_EQ(b.Stride(), 8u); // 5 bytes padded to a 32-bit word
    EXPECT_EQ(b.SizeImage(), 24u);
    EXPECT_EQ(b.PaletteSize(), 256);
    ASSERT_TRUE(b.Create(33, 2, 1));
    EXPECT_EQ(b.Stride(), 8u);
    EXPECT_EQ(b.PaletteSize(), 2);
    ASSERT_TRUE(b.Create(9, 1, 4));
    EXPECT_EQ(b.Stride(), 8u);
    EXPECT_EQ(b.PaletteSize(), 16);
}

TEST(PalettisedBitmap, RefusesSizesAndDepthsItCannotHold)
{
    CPalettisedBitmap b;
    EXPECT_FALSE(b.Create(0, 10, 8));
    EXPECT_FALSE(b.Create(10, -1, 8));
    EXPECT_FALSE(b.Create(CPalettisedBitmap::kMaxSide + 1, 1, 8));
    EXPECT_FALSE(b.Create(10, 10, 24));
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
}

TEST(PalettisedBitmap, PixelsAreStoredBottomUpAndOutsidePointsIgnored)
{
    CPalettisedBitmap b;
    ASSERT_TRUE(b.Create(4, 3, 8));
    b.SetPixel(1, 0, 7); // top row: last in memory
    b.SetPixel(2, 2, 9); // bottom row: first in memory
    b.SetPixel(-1, 0, 1);
    b.SetPixel(4, 0, 1);
    b.SetPixel(0, 3, 1);
    EXPECT_EQ(b.Pixels()[2 * b.Stride() + 1], 7);
    EXPECT_EQ(b.Pixels()[2], 9);
    EXPECT_EQ(b.GetPixel(1, 0), 7);
    EXPECT_EQ(b.GetPixel(9, 9), 0);
    int nonZero = 0;
    for (size_t i = 0; i < b.SizeImage(); ++i)
        nonZero += b.Pixels()[i] != 0;
    EXPECT_EQ(nonZero, 2);
}

TEST(PalettisedBitmap, SubBytePixelsKeepTheirNeighbours)
{
    CPalettisedBitmap b;
    ASSERT_TRUE(b.Create(8, 1, 1));
    b.Fill(1);
    b.SetPixel(3, 0, 0);
    EXPECT_EQ(b.Pixels()[0], 0xEF);
    ASSERT_TRUE(b.Create(3, 1, 4));
    b.SetPixel(0, 0, 0xA);
    b.SetPixel(1, 0, 0x5);
    b.SetPixel(2, 0, 0x1F); // cut to four bits
    EXPECT_EQ(b.Pixels()[0], 0xA5);
    EXPECT_EQ(b.Pixels()[1], 0xF0);
    EXPECT_EQ(b.GetPixel(2, 0), 0xF);
}

TEST(PalettisedBitmap, PaletteBlendMovesEveryEntryByIntegerPercent)
{
    CPalettisedBitmap b;
    ASSERT_TRUE(b.Create(1, 1, 1));
    b.SetPaletteEntry(0, 100, 0, 255);
    b.SetPaletteEntry(1, 10, 20, 30);
    b.SetPaletteEntry(2, 1, 1, 1); // out of range for two entries
    b.BlendPalette({ 200, 200, 255 }, 20);
    EXPECT_EQ(b.GetPaletteEntry(0), (PaletteEntry { 255, 40, 120, 0 }));
    EXPECT_EQ(b.GetPaletteEntry(1), (PaletteEntry { 75, 56, 48, 0 }));
    b.BlendPalette({ 0, 0, 0 }, 250); // held at 100 %
    EXPECT_EQ(b.GetPaletteEntry(0), (PaletteEntry {}));
}

TEST(PalettisedBitmap, CopyIsIndependent)
{
    CPalettisedBitmap a, b;
    ASSERT_TRUE(a.Create(3, 2, 8));
    a.SetPixel(0, 0, 5);
    a.SetPaletteEntry(5, 1, 2, 3);
    ASSERT_TRUE(b.CopyFrom(a));
    a.SetPixel(0, 0, 6);
    EXPECT_EQ(b.GetPixel(0, 0), 5);
    EXPECT_EQ(b.GetPaletteEntry(5), (PaletteEntry { 3, 2, 1, 0 }));
    EXPECT_EQ(b.Stride(), a.Stride());
}

TEST(IconShades, DarkerAndGreyCopiesOfAPixel)
{
    EXPECT_EQ(DarkerShade({ 200, 100, 40 }), (RgbColour { 150, 75, 30 }));
    EXPECT_EQ(GreyLevel({ 200, 100, 40 }), 123);
    EXPECT_EQ(GreyShade({ 200, 100, 40 }), (RgbColour { 123, 123, 123 }));
    // Black stays black; a dark channel truncates toward zero.
    EXPECT_EQ(DarkerShade({ 0, 0, 0 }), (RgbColour { 0, 0, 0 }));
    EXPECT_EQ(DarkerShade({ 1, 3, 255 }), (RgbColour { 0, 2, 191 }));
}

TEST(DialogUnits, ConvertEachMeasureOnItsOwnWithRounding)
{
    const DialogBaseUnits base { 6, 13 };
    // "&Open..." at 11, 13, 73, 23.
    EXPECT_EQ(DialogBoxToPixels({ 11, 13, 73, 23 }, base), (Rect { 17, 21, 17 + 110, 21 + 37 }));
    // Odd quarter units round half away from zero: 3 × 6 / 4 = 4.5 → 5.
    EXPECT_EQ(DialogBoxToPixels({ 3, 4, 1, 1 }, base), (Rect { 5, 7, 7, 9 }));
    EXPECT_EQ(MulDivRound(-3, 6, 4), -5);
    EXPECT_EQ(MulDivRound(7, 1, 0), 0);
    EXPECT_EQ(AverageCharWidth(312), 6); // 312 / 26 = 12, (12 + 1) / 2 = 6
    EXPECT_EQ(AverageCharWidth(290), 6); // 11 → 6: rounded, not truncated
}
