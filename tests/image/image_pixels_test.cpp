#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/image.h"
#include "image/sample_conversion.h"

TEST(SampleConversion, ClampsThenTruncates)
{
    EXPECT_EQ(ClampTo8(-0.001f), 0);
    EXPECT_EQ(ClampTo8(0.999f), 0);
    EXPECT_EQ(ClampTo8(254.999f), 254);
    EXPECT_EQ(ClampTo8(255.0f), 255);
    EXPECT_EQ(ClampTo8(1e9f), 255);
    EXPECT_EQ(ClampTo8(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ClampTo16(65534.9f), 65534);
    EXPECT_EQ(ClampTo16(70000.0f), 65535);
    EXPECT_EQ(ClampTo16(-3.0f), 0);
    EXPECT_EQ(RoundHalfAway(2.5f), 3.0f);
    EXPECT_EQ(RoundHalfAway(2.4999f), 2.0f);
    EXPECT_EQ(RoundHalfAway(-2.5f), -3.0f);
    EXPECT_EQ(RoundHalfAway(-0.4f), 0.0f);
    EXPECT_EQ(RoundHalfAway(37.5f), 38.0f);
    // The scale constants are single precision, not doubles rounded late.
    EXPECT_EQ(U8ToFloat(255), 255 * (1.0f / 255.0f));
    EXPECT_EQ(U16ToFloat(1), 1.0f / 65535.0f);
    EXPECT_EQ(U16ToU8(0x12ff), 0x12);
    EXPECT_EQ(U8ToU16(255), 65280);
}

TEST(CImagePixels, ReadersConvertAndReplicateGrey)
{
    CImage grey(3, 2, 1, SampleU8);
    grey.Plane8(0)[4] = 77;
    uint8_t p8[4];
    ASSERT_EQ(grey.GetPixel8(1, 1, p8), 0);
    EXPECT_EQ(p8[0], 77);
    EXPECT_EQ(p8[3], 77);

    CImage two(2, 2, 2, SampleU16);
    two.Plane16(0)[0] = 0xabcd;
    two.Plane16(1)[0] = 0x0102;
    ASSERT_EQ(two.GetPixel8(0, 0, p8), 0);
    EXPECT_EQ(p8[0], 0xab);
    EXPECT_EQ(p8[1], 0x01);
    EXPECT_EQ(p8[2], 0);
    EXPECT_EQ(p8[3], 0);
    uint16_t p16[4];
    ASSERT_EQ(two.GetPixel16(0, 0, p16), 0);
    EXPECT_EQ(p16[0], 0xabcd);

    CImage rgb8(2, 1, 3, SampleU8);
    rgb8.Plane8(0)[1] = 255;
    rgb8.Plane8(1)[1] = 1;
    rgb8.Plane8(2)[1] = 0;
    ASSERT_EQ(rgb8.GetPixel16(1, 0, p16), 0);
    EXPECT_EQ(p16[0], 65280);
    EXPECT_EQ(p16[1], 256);
    float pf[4];
    ASSERT_EQ(rgb8.GetPixelFloat(1, 0, pf), 0);
    EXPECT_EQ(pf[0], 255 * kInv255);

    CImage f(1, 1, 1, SampleFloat);
    f.floatMax = 2.0f;
    f.PlaneFloat(0)[0] = 1.0f;
    ASSERT_EQ(f.GetPixel8(0, 0, p8), 0);
    EXPECT_EQ(p8[0], 127);
    ASSERT_EQ(f.GetPixel16(0, 0, p16), 0);
    EXPECT_EQ(p16[0], 32767);
    ASSERT_EQ(f.GetPixelFloat(0, 0, pf), 0);
    EXPECT_EQ(pf[0], 1.0f);
}

TEST(CImagePixels, OutOfPlaneReadsFailWithZeroedOutput)
{
    CImage image(3, 2, 3, SampleU8);
    image.Fill(9, 9, 9, 0);
    uint8_t p[4] = { 5, 5, 5, 5 };
    EXPECT_EQ(image.GetPixel8(0, 2, p), 1);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(image.GetPixel8(-1, 0, p), 1);
    // The check is on the element index: x past the row reads the next row.
    EXPECT_EQ(image.GetPixel8(4, 0, p), 0);
    EXPECT_EQ(p[0], 9);

    CImage empty(0, 0, 0, SampleU8);
    EXPECT_EQ(empty.GetPixel8(0, 0, p), 1);
    EXPECT_EQ(empty.Fill(1, 1, 1, 1), 1);
}

TEST(CImagePixels, SetPixel8ClampsCoordinatesAndRefusesOtherTypes)
{
    CImage image(4, 4, 3, SampleU8);
    image.Fill(0, 0, 0, 0);
    const uint8_t value[4] = { 1, 2, 3, 4 };
    EXPECT_EQ(image.SetPixel8(-5, 99, value), 0);
    EXPECT_EQ(image.Plane8(0)[12], 1);
    EXPECT_EQ(image.Plane8(2)[12], 3);
    CImage wide(2, 2, 1, SampleU16);
    EXPECT_EQ(wide.SetPixel8(0, 0, value), 1);
}

TEST(CImageRegion, ActiveRegionFollowsMarginAndExplicitRegion)
{
    CImage image(100, 50, 1, SampleU8);
    image.marginWidth = 10;
    const Rect expected[4] = { { 10, 0, 100, 50 }, { 0, 10, 100, 50 }, { 0, 0, 90, 50 }, { 0, 0, 100, 40 } };
    for (int side = 0; side < 4; ++side) {
        image.marginSide = side;
        EXPECT_EQ(image.GetActiveRegion(), expected[side]) << "side " << side;
    }
    image.marginSide = 7;
    EXPECT_TRUE(image.GetActiveRegion().IsEmpty());

    // An explicit region wins, is normalised and clipped.
    image.regionLeft = 120;
    image.regionRight = 30;
    image.regionTop = -5;
    image.regionBottom = 20;
    EXPECT_EQ(image.GetActiveRegion(), (Rect { 30, 0, 100, 20 }));
}

TEST(CImageRegion, FillWritesConvertedValuesInsideTheRegionOnly)
{
    CImage image(4, 4, 3, SampleU8);
    image.Fill(0, 0, 0, 0);
    image.marginWidth = 1;
    image.marginSide = 3;
    ASSERT_EQ(image.Fill(1.0f, 1.0f, 1.0f, 0.0f), 0);
    // 1.0 is the sample value 1, not full scale.
    EXPECT_EQ(image.Plane8(0)[0], 1);
    EXPECT_EQ(image.Plane8(2)[11], 1);
    EXPECT_EQ(image.Plane8(0)[12], 0);

    CImage f(2, 2, 1, SampleFloat);
    f.Fill(1.0f, 0, 0, 0);
    EXPECT_EQ(f.PlaneFloat(0)[3], 1.0f);
    CImage w(2, 2, 2, SampleU16);
    w.Fill(70000.0f, 12.7f, 0, 0);
    EXPECT_EQ(w.Plane16(0)[0], 65535);
    EXPECT_EQ(w.Plane16(1)[0], 12);
}

TEST(CImageConvert, ConvertIntoKeepsDestinationTypeAndCopiesShape)
{
    CImage source(3, 2, 3, SampleU16);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 6; ++i)
            source.Plane16(c)[i] = static_cast<uint16_t>(0x100 * (i + c) + 0x7f);
    source.marginWidth = 1;
    CImage eight(1, 1, 3, SampleU8);
    eight.resolutionDpi = 300;
    ASSERT_EQ(source.ConvertInto(eight), 0);
    EXPECT_EQ(eight.width, 3);
    EXPECT_EQ(eight.height, 2);
    EXPECT_EQ(eight.marginWidth, 1);
    EXPECT_EQ(eight.resolutionDpi, 300);
    EXPECT_EQ(eight.Plane8(2)[5], 7);

    CImage back(1, 1, 1, SampleU16);
    ASSERT_EQ(eight.ConvertInto(back), 0);
    EXPECT_EQ(back.channelCount, 3);
    EXPECT_EQ(back.Plane16(2)[5], 7 * 256);

    CImage f(2, 1, 1, SampleFloat);
    f.PlaneFloat(0)[0] = -1.0f;
    f.PlaneFloat(0)[1] = 0.5f;
    CImage fromFloat(1, 1, 1, SampleU8);
    ASSERT_EQ(f.ConvertInto(fromFloat), 0);
    EXPECT_EQ(fromFloat.Plane8(0)[0], 0);
    EXPECT_EQ(fromFloat.Plane8(0)[1], 127);

    CImage missing(0, 0, 0, SampleU8);
    EXPECT_EQ(missing.ConvertInto(back), 1);
}

TEST(CImageAllocation, ImpossibleSizesLeaveNullPlanesAndSayWhy)
{
    testing::internal::CaptureStderr();
    CImage huge(2000000000, 2000000000, 3, SampleFloat);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "Out of memory in CImage constructor\n");
    EXPECT_FALSE(huge.HasPlanes());
    EXPECT_EQ(huge.planes[0], nullptr);
    uint8_t p[4];
    EXPECT_EQ(huge.GetPixel8(0, 0, p), 1);
    EXPECT_EQ(huge.Rotated(1), nullptr);

    testing::internal::CaptureStderr();
    CImage negative(-4, 4, 1, SampleU8);
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_FALSE(negative.HasPlanes());
}
