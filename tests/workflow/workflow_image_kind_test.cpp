#include <gtest/gtest.h>

#include "workflow/image_kind.h"

namespace {

std::unique_ptr<CImage> Patterned(int width, int height, int channels, int sampleType)
{
    auto image = std::make_unique<CImage>(width, height, channels, sampleType);
    for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < image->PixelCount(); ++i) {
            if (sampleType == SampleU16)
                image->Plane16(c)[i] = static_cast<uint16_t>(i * 7919 + c * 4099 + 1);
            else if (sampleType == SampleU8)
                image->Plane8(c)[i] = static_cast<uint8_t>(i * 31 + c * 67);
            else
                image->PlaneFloat(c)[i] = 0.5f;
        }
    return image;
}

} // namespace

TEST(WorkflowImageKind, ClassifiesByChannelsAndSamples)
{
    struct Case {
        int channels, sampleType;
        ImageKind kind;
    } cases[] = {
        { 1, SampleU8, ImageGrey8 }, { 1, SampleU16, ImageGrey16 }, { 1, SampleFloat, ImageNone },
        { 2, SampleU8, ImageNone }, { 2, SampleU16, ImageNone }, { 3, SampleU8, ImageRgb8 },
        { 4, SampleU8, ImageRgb8 }, { 3, SampleU16, ImageRgb16 }, { 4, SampleU16, ImageRgb16 },
        { 3, SampleFloat, ImageNone }, { 4, SampleFloat, ImageNone },
    };
    for (const Case& c : cases) {
        CImage image(4, 4, c.channels, c.sampleType);
        EXPECT_EQ(ClassifyImage(image), c.kind) << c.channels << " channels, type " << c.sampleType;
    }
}

TEST(WorkflowImageKind, GreyEightBitIsCopiedIntoThreePlanes)
{
    auto loaded = Patterned(5, 4, 1, SampleU8);
    loaded->resolutionDpi = 600;
    std::vector<uint8_t> grey(loaded->Plane8(0), loaded->Plane8(0) + 20);
    WorkingImage out;
    ASSERT_EQ(MakeWorkingImage(std::move(loaded), out), LoadAccepted);
    EXPECT_EQ(out.kind, ImageGrey8);
    ASSERT_EQ(out.working->channelCount, 3);
    EXPECT_EQ(out.working->sampleType, SampleU8);
    EXPECT_EQ(out.lowBytes, nullptr);
    EXPECT_EQ(out.resolutionDpi, 600);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(std::vector<uint8_t>(out.working->Plane8(c), out.working->Plane8(c) + 20), grey);
}

TEST(WorkflowImageKind, SixteenBitSplitsIntoHighAndLowBytes)
{
    for (int channels : { 1, 3, 4 }) {
        auto loaded = Patterned(6, 5, channels, SampleU16);
        std::vector<std::vector<uint16_t>> samples;
        for (int c = 0; c < channels; ++c)
            samples.emplace_back(loaded->Plane16(c), loaded->Plane16(c) + 30);
        WorkingImage out;
        ASSERT_EQ(MakeWorkingImage(std::move(loaded), out), LoadAccepted);
        int kept = channels == 1 ? 1 : 3; // a fourth 16-bit plane is dropped
        EXPECT_EQ(out.kind, channels == 1 ? ImageGrey16 : ImageRgb16);
        ASSERT_EQ(out.working->channelCount, 3);
        ASSERT_TRUE(out.lowBytes);
        ASSERT_EQ(out.lowBytes->channelCount, kept);
        for (int c = 0; c < 3; ++c)
            for (size_t i = 0; i < 30; ++i) {
                uint16_t s = samples[kept == 1 ? 0 : c][i];
                ASSERT_EQ(out.working->Plane8(c)[i], s >> 8) << "plane " << c << " sample " << i;
                if (c < kept) {
                    ASSERT_EQ(out.lowBytes->Plane8(c)[i], s & 0xFF);
                }
            }
    }
}

TEST(WorkflowImageKind, EightBitColourKeepsItsFourthPlane)
{
    auto loaded = Patterned(3, 3, 4, SampleU8);
    CImage* original = loaded.get();
    WorkingImage out;
    ASSERT_EQ(MakeWorkingImage(std::move(loaded), out), LoadAccepted);
    EXPECT_EQ(out.kind, ImageRgb8);
    EXPECT_EQ(out.working.get(), original);
    EXPECT_EQ(out.working->channelCount, 4);
}

TEST(WorkflowImageKind, RefusedImageLeavesThePreviousOneAlone)
{
    WorkingImage out;
    ASSERT_EQ(MakeWorkingImage(Patterned(4, 4, 3, SampleU16), out), LoadAccepted);
    CImage* previousLow = out.lowBytes.get();
    EXPECT_EQ(MakeWorkingImage(Patterned(4, 4, 2, SampleU8), out), LoadUnreadable);
    EXPECT_EQ(MakeWorkingImage(Patterned(4, 4, 3, SampleFloat), out), LoadUnreadable);
    EXPECT_EQ(MakeWorkingImage(nullptr, out), LoadUnreadable);
    EXPECT_EQ(out.kind, ImageRgb16);
    EXPECT_EQ(out.lowBytes.get(), previousLow);
}

TEST(WorkflowImageKind, TooSmallIsAcceptedButFlagged)
{
    WorkingImage out;
    EXPECT_EQ(MakeWorkingImage(Patterned(3, 3, 3, SampleU8), out), LoadAccepted);
    EXPECT_EQ(MakeWorkingImage(Patterned(2, 500, 1, SampleU8), out), LoadTooSmall);
    EXPECT_EQ(out.kind, ImageGrey8);
    EXPECT_EQ(MakeWorkingImage(Patterned(1000, 2, 3, SampleU16), out), LoadTooSmall);
}

TEST(WorkflowImageKind, LargestBrushRadius)
{
    EXPECT_EQ(LargestBrushRadius(2, 500), 0);
    EXPECT_EQ(LargestBrushRadius(3, 1000), 1);
    EXPECT_EQ(LargestBrushRadius(1000, 4), 1);
    EXPECT_EQ(LargestBrushRadius(32, 32), 15);
    EXPECT_EQ(LargestBrushRadius(33, 34), 16);
    EXPECT_EQ(LargestBrushRadius(5000, 4000), 16);
    EXPECT_EQ(LargestBrushRadius(0, 10), 0);
}
