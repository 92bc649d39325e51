#include <gtest/gtest.h>

#include "workflow/image_to_save.h"
#include "workflow_test_files.h"

namespace {

std::unique_ptr<CImage> Sixteen(int width, int height, int channels)
{
    auto image = std::make_unique<CImage>(width, height, channels, SampleU16);
    for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < image->PixelCount(); ++i)
            image->Plane16(c)[i] = static_cast<uint16_t>(i * 2654435761u + c * 40503u);
    return image;
}

} // namespace

// Loading splits 16-bit samples; saving an untouched working image must give
// every sample back, low bytes included: the image BuildImageToSave makes and
// the files a save writes row by row from the planes (PNG stores samples most
// significant byte first, TIFF in the machine's order). The odd width puts
// the interleaving's tail after its vectorised part.
TEST(WorkflowImageToSave, SixteenBitRoundTripIsExact)
{
    ScratchFolder folder;
    for (int channels : { 1, 3 }) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        auto loaded = Sixteen(67, 5, channels);
        std::vector<std::vector<uint16_t>> samples;
        for (int c = 0; c < channels; ++c)
            samples.emplace_back(loaded->Plane16(c), loaded->Plane16(c) + loaded->PixelCount());
        WorkingImage work;
        ASSERT_EQ(MakeWorkingImage(std::move(loaded), work), LoadAccepted);
        auto saved = BuildImageToSave(*work.working, work.kind, work.lowBytes.get());
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->channelCount, channels);
        EXPECT_EQ(saved->sampleType, SampleU16);
        for (int c = 0; c < channels; ++c)
            EXPECT_EQ(std::vector<uint16_t>(saved->Plane16(c), saved->Plane16(c) + saved->PixelCount()), samples[c]);
        for (const char* name : { "saved.png", "saved.tif" }) {
            SaveRequest request;
            request.targetPath = folder.File(name);
            ASSERT_EQ(SaveCorrectedImage(*work.working, work, request), FileOk) << name;
            CImage written(request.targetPath.c_str(), 0);
            ASSERT_EQ(written.channelCount, channels) << name;
            ASSERT_EQ(written.sampleType, SampleU16) << name;
            for (int c = 0; c < channels; ++c)
                EXPECT_EQ(std::vector<uint16_t>(written.Plane16(c), written.Plane16(c) + written.PixelCount()), samples[c])
                    << name;
        }
    }
}

TEST(WorkflowImageToSave, CorrectedHighBytesJoinTheKeptLowBytes)
{
    WorkingImage work;
    ASSERT_EQ(MakeWorkingImage(Sixteen(4, 4, 3), work), LoadAccepted);
    work.working->Plane8(1)[5] = 0x12;
    uint8_t low = work.lowBytes->Plane8(1)[5];
    auto saved = BuildImageToSave(*work.working, work.kind, work.lowBytes.get());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Plane16(1)[5], 0x1200 + low);
}

TEST(WorkflowImageToSave, GreyKindsWriteTheFirstPlane)
{
    CImage corrected(3, 3, 3, SampleU8);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < 9; ++i)
            corrected.Plane8(c)[i] = static_cast<uint8_t>(10 * c + i);
    auto grey8 = BuildImageToSave(corrected, ImageGrey8, nullptr);
    ASSERT_TRUE(grey8);
    EXPECT_EQ(grey8->channelCount, 1);
    EXPECT_EQ(grey8->Plane8(0)[4], 4);

    CImage low(3, 3, 1, SampleU8);
    low.Fill(7, 0, 0, 0);
    auto grey16 = BuildImageToSave(corrected, ImageGrey16, &low);
    ASSERT_TRUE(grey16);
    EXPECT_EQ(grey16->channelCount, 1);
    EXPECT_EQ(grey16->Plane16(0)[4], 4 * 256 + 7);
}

TEST(WorkflowImageToSave, ColourNeverWritesAFourthPlane)
{
    CImage corrected(2, 2, 4, SampleU8);
    corrected.Fill(1, 2, 3, 4);
    auto saved = BuildImageToSave(corrected, ImageRgb8, nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->channelCount, 3);
    EXPECT_EQ(saved->Plane8(2)[3], 3);
    EXPECT_EQ(saved->planes[3], nullptr);
}

TEST(WorkflowImageToSave, MissingOrMismatchedLowBytesAreRefused)
{
    CImage corrected(4, 4, 3, SampleU8);
    CImage smaller(3, 4, 3, SampleU8);
    CImage onePlane(4, 4, 1, SampleU8);
    EXPECT_EQ(BuildImageToSave(corrected, ImageRgb16, nullptr), nullptr);
    EXPECT_EQ(BuildImageToSave(corrected, ImageRgb16, &smaller), nullptr);
    EXPECT_EQ(BuildImageToSave(corrected, ImageRgb16, &onePlane), nullptr);
    EXPECT_EQ(BuildImageToSave(corrected, ImageNone, nullptr), nullptr);
}

TEST(WorkflowImageToSave, RotationKinds)
{
    EXPECT_EQ(RotationKindForDegrees(90), 1);
    EXPECT_EQ(RotationKindForDegrees(-90), 0);
    EXPECT_EQ(RotationKindForDegrees(180), 2);
    EXPECT_EQ(RotationKindForDegrees(0), -1);
    EXPECT_EQ(RotationKindForDegrees(270), -1);
}

TEST(WorkflowImageToSave, PathForSaveType)
{
    EXPECT_EQ(PathForSaveType("/a/b/photo.png", 2), "/a/b/photo.jpg");
    EXPECT_EQ(PathForSaveType("photo.tiff", 4), "photo.tif");
    EXPECT_EQ(PathForSaveType("/a.dir/photo", 1), "/a.dir/photo.bmp");
    EXPECT_EQ(PathForSaveType("/a/.hidden", 3), "/a/.hidden.png");
    EXPECT_EQ(PathForSaveType("/a/b/photo.png", 5), "/a/b/photo.png");
}

TEST(WorkflowImageToSave, DefaultJpegSubsampling)
{
    EXPECT_EQ(DefaultJpegSubsampling("scan.JPG", 0), 0);
    EXPECT_EQ(DefaultJpegSubsampling("scan.jpg", 1), 1);
    // Only a ".jpg" name keeps the source's code, as the save choice is preset from it.
    EXPECT_EQ(DefaultJpegSubsampling("scan.jpeg", 0), 2);
    EXPECT_EQ(DefaultJpegSubsampling("scan.tif", 0), 2);
}
