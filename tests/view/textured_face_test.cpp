#include <gtest/gtest.h>

#include "view/rules/textured_face.h"

namespace {

const FaceColours kColours { { 128, 128, 128 }, { 240, 240, 240 }, { 255, 255, 255 } };
constexpr RgbColour kTint { 200, 200, 255 };

CPalettisedBitmap Face(int w, int h, int noise, uint32_t seed = 1, int pattern = kFacePatternShaded)
{
    CFaceNoise random(seed);
    CPalettisedBitmap face;
    EXPECT_TRUE(MakeTexturedFace(face, w, h, pattern, noise, 20, kTint, kColours, random));
    return face;
}

} // namespace

TEST(FaceNoise, YieldsTheClassicSequenceWithinFifteenBits)
{
    CFaceNoise random(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    CFaceNoise wide(7);
    for (int i = 0; i < 10000; ++i) {
        const int term = FaceNoiseTerm(wide, 4);
        ASSERT_GE(term, -4);
        ASSERT_LE(term, 4);
    }
    EXPECT_EQ(FaceNoiseTerm(wide, 0), 0); // no division by zero
}

TEST(TexturedFace, PaletteRunsShadowFaceHighlightThenTintsTwentyPercent)
{
    const CPalettisedBitmap face = Face(30, 20, 4);
    ASSERT_EQ(face.Bits(), 8);
    // Entry 0: the shadow 128 moved 20 % toward (200, 200, 255).
    EXPECT_EQ(face.GetPaletteEntry(0), (PaletteEntry { 153, 142, 142, 0 }));
    // Entry 64: halfway to the face, 184, then tinted.
    EXPECT_EQ(face.GetPaletteEntry(64), (PaletteEntry { 198, 187, 187, 0 }));
    EXPECT_EQ(face.GetPaletteEntry(128), (PaletteEntry { 243, 232, 232, 0 }));
    EXPECT_EQ(face.GetPaletteEntry(255), (PaletteEntry { 255, 244, 244, 0 }));
}

TEST(TexturedFace, RowsWithoutNoiseAreShadedAndRoundedAtTheSides)
{
    const CPalettisedBitmap face = Face(30, 20, 0);
    // Top row: (−127)³ / 16384 = −125, × 64 × 2 / 128 = −125: dark, and the
    // side bands have vanished.
    for (int x = 0; x < 30; ++x)
        ASSERT_EQ(face.GetPixel(x, 0), 3) << x;
    // Middle row: the face colour between bands five pixels wide.
    EXPECT_EQ(face.GetPixel(0, 10), 255);
    EXPECT_EQ(face.GetPixel(1, 10), 230);
    EXPECT_EQ(face.GetPixel(4, 10), 153);
    EXPECT_EQ(face.GetPixel(5, 10), 128);
    EXPECT_EQ(face.GetPixel(25, 10), 128);
    EXPECT_EQ(face.GetPixel(26, 10), 102);
    EXPECT_EQ(face.GetPixel(29, 10), 25);
    // Bottom row is light: 19 × 255 / 20 − 127 = 115, 115³ / 16384 = 92,
    // and its band is one pixel wide.
    EXPECT_EQ(face.GetPixel(15, 19), 220);
    EXPECT_EQ(face.GetPixel(0, 19), 255);
    EXPECT_EQ(face.GetPixel(1, 19), 220);
}

TEST(TexturedFace, NoiseIsTwoTermsPerPixelFromTheSeed)
{
    const CPalettisedBitmap face = Face(30, 20, 4, 1);
    // Row value 11 at the top; the first term is draw 0 of the row, the
    // second draw 30 (after a first pass over the row's 30 pixels).
    EXPECT_EQ(face.GetPixel(0, 0), 4);
    EXPECT_EQ(face.GetPixel(29, 0), 7);
    const CPalettisedBitmap again = Face(30, 20, 4, 1);
    const CPalettisedBitmap other = Face(30, 20, 4, 2);
    int differences = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(face.GetPixel(x, y), again.GetPixel(x, y));
            differences += face.GetPixel(x, y) != other.GetPixel(x, y);
        }
    EXPECT_GT(differences, 100);
}

TEST(TexturedFace, TinyFacesStaySquareInsteadOfDividingByZero)
{
    // Narrower than six pixels: no side band; one row: no curvature.
    const CPalettisedBitmap thin = Face(5, 1, 4);
    EXPECT_EQ(thin.Width(), 5);
    const CPalettisedBitmap flat = Face(40, 1, 0);
    EXPECT_EQ(flat.GetPixel(0, 0), 3);
    CPalettisedBitmap none;
    CFaceNoise random;
    EXPECT_FALSE(MakeTexturedFace(none, 0, 10, kFacePatternShaded, 4, 20, kTint, kColours, random));
}

TEST(TexturedFace, HoverFaceOnlyBlendsThePalette)
{
    const CPalettisedBitmap face = Face(12, 8, 4);
    CPalettisedBitmap hover;
    ASSERT_TRUE(MakeHoverFace(hover, face, 10, { 0, 0, 255 }));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(hover.GetPixel(x, y), face.GetPixel(x, y));
    // Entry 128 (232, 232, 243) moved 10 % toward blue.
    EXPECT_EQ(hover.GetPaletteEntry(128), (PaletteEntry { 244, 208, 208, 0 }));
    CPalettisedBitmap fromEmpty;
    EXPECT_FALSE(MakeHoverFace(fromEmpty, CPalettisedBitmap {}, 10, {}));
}
