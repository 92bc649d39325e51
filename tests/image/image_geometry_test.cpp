#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/image.h"

namespace {
// A W × H image whose sample at (x, y) in plane c is 100c + 10y + x.
std::unique_ptr<CImage> Numbered(int w, int h, int channels, int type = SampleU8)
{
    auto image = std::make_unique<CImage>(w, h, channels, type);
    for (int c = 0; c < channels; ++c)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int v = 100 * c + 10 * y + x;
                size_t i = static_cast<size_t>(y) * w + x;
                if (type == SampleU8)
                    image->Plane8(c)[i] = static_cast<uint8_t>(v);
                else if (type == SampleU16)
                    image->Plane16(c)[i] = static_cast<uint16_t>(v * 100);
                else
                    image->PlaneFloat(c)[i] = v * 0.5f;
            }
    return image;
}
} // namespace

TEST(CImageRotation, EveryKindMovesEverySampleWhereExpected)
{
    const int W = 5, H = 3;
    for (int type : { SampleU8, SampleU16, SampleFloat }) {
        auto source = Numbered(W, H, 2, type);
        for (int kind = 0; kind <= 4; ++kind) {
            std::unique_ptr<CImage> out(source->Rotated(kind));
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->width, kind <= 1 ? H : W);
            EXPECT_EQ(out->height, kind <= 1 ? W : H);
            EXPECT_EQ(out->sampleType, type);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    int tx[5] = { y, H - 1 - y, W - 1 - x, x, W - 1 - x };
                    int ty[5] = { W - 1 - x, x, H - 1 - y, H - 1 - y, y };
                    float a[4], b[4];
                    source->GetPixelFloat(x, y, a);
                    out->GetPixelFloat(tx[kind], ty[kind], b);
                    ASSERT_EQ(a[1], b[1]) << "kind " << kind << " at " << x << "," << y;
                }
        }
    }
    EXPECT_EQ(Numbered(2, 2, 1)->Rotated(5), nullptr);
    EXPECT_EQ(Numbered(2, 2, 1)->Rotated(-1), nullptr);
}

TEST(CImageRotation, MarginSideFollowsThePicture)
{
    // Expected side after each kind, for a margin starting on each side.
    const int expected[5][4] = { { 3, 0, 1, 2 }, { 1, 2, 3, 0 }, { 2, 3, 0, 1 }, { 0, 3, 2, 1 }, { 2, 1, 0, 3 } };
    auto image = Numbered(100, 20, 1);
    image->marginWidth = 10;
    for (int side = 0; side < 4; ++side) {
        image->marginSide = side;
        for (int kind = 0; kind <= 4; ++kind) {
            std::unique_ptr<CImage> out(image->Rotated(kind));
            EXPECT_EQ(out->marginWidth, 10);
            EXPECT_EQ(out->marginSide, expected[kind][side]) << "kind " << kind << " side " << side;
        }
    }
    image->marginSide = 2;
    EXPECT_EQ(image->GetActiveRegion(), (Rect { 0, 0, 90, 20 }));
    std::unique_ptr<CImage> turned(image->Rotated(0));
    EXPECT_EQ(turned->GetActiveRegion(), (Rect { 0, 10, 20, 100 }));
    EXPECT_EQ(turned->resolutionDpi, 0);
}

TEST(CImageDib, RowsAreBottomUpBgrPaddedToFourBytes)
{
    auto image = Numbered(5, 2, 3);
    EXPECT_EQ(CImage::DibStride(5), 16u);
    std::vector<uint8_t> buffer(32, 0xee);
    EXPECT_EQ(image->ToDib24(buffer.data(), 31), 1);
    EXPECT_EQ(image->ToDib24(buffer.data(), 33), 1);
    ASSERT_EQ(image->ToDib24(buffer.data(), 32), 0);
    // First buffer row is image row 1: pixel (0,1) as blue, green, red.
    EXPECT_EQ(buffer[0], 210);
    EXPECT_EQ(buffer[1], 110);
    EXPECT_EQ(buffer[2], 10);
    EXPECT_EQ(buffer[16 + 3 * 4 + 2], 4);
    // The padding is not written.
    EXPECT_EQ(buffer[15], 0xee);

    auto grey = Numbered(5, 2, 1);
    EXPECT_EQ(grey->ToDib24(buffer.data(), 32), 1);
}

TEST(CImageDib, RectangleIsClampedAndSizedByTheClampedRectangle)
{
    auto image = Numbered(6, 4, 3);
    // (4..8) × (1..3) clamps to 2 columns: stride 8, 2 rows.
    std::vector<uint8_t> buffer(16);
    EXPECT_EQ(image->ToDib24Rect(buffer.data(), 16, 4, 1, 3, 8), 0);
    EXPECT_EQ(buffer[2], 24); // red of (4, 2), the rectangle's last row
    EXPECT_EQ(buffer[8 + 2], 14); // red of (4, 1)
    EXPECT_EQ(buffer[8 + 3 + 0], 215); // blue of (5, 1)
    EXPECT_EQ(image->ToDib24Rect(buffer.data(), 24, 4, 1, 3, 8), 1);
    EXPECT_EQ(image->ToDib24Rect(nullptr, 0, -3, -3, -1, -1), 0);
}

TEST(CImageDib, SixteenBitAndFloatExportConvertToBytes)
{
    auto wide = Numbered(1, 1, 3, SampleU16);
    wide->Plane16(0)[0] = 0xfe12;
    uint8_t px[4];
    ASSERT_EQ(wide->ToDib24(px, 4), 0);
    EXPECT_EQ(px[2], 0xfe);
    CImage f(1, 1, 3, SampleFloat);
    f.floatMax = 2.0f;
    f.Fill(1.0f, 3.0f, -1.0f, 0);
    ASSERT_EQ(f.ToDib24(px, 4), 0);
    EXPECT_EQ(px[2], 127);
    EXPECT_EQ(px[1], 255);
    EXPECT_EQ(px[0], 0);
}

TEST(CImageResample, SizesAndRefusals)
{
    auto image = Numbered(100, 75, 1);
    std::unique_ptr<CImage> half(image->Resampled(0.5f, 0.5f, 2));
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->width, 50);
    EXPECT_EQ(half->height, 38);
    EXPECT_EQ(image->Resampled(-1.0f, 1.0f, 0), nullptr);
    EXPECT_EQ(image->Resampled(0.0f, 1.0f, 0), nullptr);
    EXPECT_EQ(image->Resampled(0.004f, 1.0f, 0), nullptr); // rounds to 0 columns
}

TEST(CImageResample, ConstantAndIdentityAreExact)
{
    auto same = Numbered(7, 5, 2);
    std::unique_ptr<CImage> copy(same->Resampled(1.0f, 1.0f, 0));
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 35; ++i)
            ASSERT_EQ(copy->Plane8(c)[i], same->Plane8(c)[i]);

    CImage flat(9, 9, 3, SampleU8);
    flat.Fill(200, 200, 200, 0);
    for (int method = 0; method <= 2; ++method)
        for (float scale : { 0.5f, 0.37f, 1.0f, 2.5f }) {
            std::unique_ptr<CImage> out(flat.Resampled(scale, scale, method));
            for (int c = 0; c < 3; ++c)
                for (size_t i = 0; i < out->PixelCount(); ++i)
                    ASSERT_EQ(out->Plane8(c)[i], 200) << "method " << method << " scale " << scale;
        }
}

TEST(CImageResample, HandValuesAndTheRoundingOfEachMethod)
{
    // A horizontal ramp 0, 11, 22, 33; scale 2 samples at u = x′ / 2, where
    // the odd step leaves halves and sixteenths that tell the roundings apart.
    CImage ramp(4, 2, 1, SampleU8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            ramp.Plane8(0)[y * 4 + x] = static_cast<uint8_t>(11 * x);
    // Nearest truncates the source position: u = 0.5 is column 0, and at
    // scale 0.75 u = 2.67 is column 2.
    std::unique_ptr<CImage> near(ramp.Resampled(2.0f, 1.0f, 0));
    EXPECT_EQ(near->Plane8(0)[1], 0);
    EXPECT_EQ(near->Plane8(0)[3], 11);
    std::unique_ptr<CImage> shrunk(ramp.Resampled(0.75f, 1.0f, 0));
    ASSERT_EQ(shrunk->width, 3);
    EXPECT_EQ(shrunk->Plane8(0)[2], 22);

    std::unique_ptr<CImage> lin(ramp.Resampled(2.0f, 1.0f, 1));
    EXPECT_EQ(lin->width, 8);
    EXPECT_EQ(lin->Plane8(0)[1], 6); // 5.5, + 0.5 rounding bias
    EXPECT_EQ(lin->Plane8(0)[3], 17); // 16.5
    // The last source column has no right neighbour: the edge sample repeats,
    // and so does the whole bottom row.
    EXPECT_EQ(lin->Plane8(0)[7], 33);
    EXPECT_EQ(lin->Plane8(0)[8 + 1], 0);
    // 16-bit samples take the same bias.
    CImage deep(4, 2, 1, SampleU16);
    for (int i = 0; i < 8; ++i)
        deep.Plane16(0)[i] = static_cast<uint16_t>(11 * (i % 4));
    std::unique_ptr<CImage> deepLin(deep.Resampled(2.0f, 1.0f, 1));
    EXPECT_EQ(deepLin->Plane16(0)[1], 6);

    std::unique_ptr<CImage> cubic(ramp.Resampled(2.0f, 1.0f, 2));
    // Interior: Catmull-Rom reproduces a ramp exactly (16.5 at u = 1.5),
    // truncated without a bias.
    EXPECT_EQ(cubic->Plane8(0)[3], 16);
    // At u = 0.5 the left neighbour is clamped to column 0: 0, 0, 11, 22
    // weighted −1/16, 9/16, 9/16, −1/16 gives 4.8125, truncated.
    EXPECT_EQ(cubic->Plane8(0)[1], 4);

    CImage f(4, 2, 1, SampleFloat);
    for (int i = 0; i < 8; ++i)
        f.PlaneFloat(0)[i] = static_cast<float>(i % 4);
    std::unique_ptr<CImage> fl(f.Resampled(2.0f, 1.0f, 1));
    EXPECT_EQ(fl->PlaneFloat(0)[1], 0.5f); // floats take no rounding bias
    std::unique_ptr<CImage> fc(f.Resampled(2.0f, 1.0f, 2));
    EXPECT_FLOAT_EQ(fc->PlaneFloat(0)[1], 0.4375f);
}
