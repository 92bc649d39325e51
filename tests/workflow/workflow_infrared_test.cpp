#include <gtest/gtest.h>

#include <tiffio.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "engine/infrared_test_images.h"
#include "imagefiles/image_file_types.h"
#include "workflow/clean_file.h"
#include "workflow/workflow_test_files.h"

namespace {

// An RGBI TIFF as scanner software writes one: four 16-bit samples, the
// fourth marked as an unspecified extra sample.
void WriteRgbiTiff(const std::string& path, const CImage& rgb, const CImage& infrared)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    const uint16_t extra[1] = { EXTRASAMPLE_UNSPECIFIED };
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, rgb.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, rgb.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    std::vector<uint16_t> row(static_cast<size_t>(rgb.width) * 4);
    for (int y = 0; y < rgb.height; ++y) {
        for (int x = 0; x < rgb.width; ++x) {
            const size_t i = static_cast<size_t>(y) * rgb.width + x;
            for (int c = 0; c < 3; ++c)
                row[x * 4 + c] = static_cast<uint16_t>(rgb.Plane8(c)[i] * 257);
            row[x * 4 + 3] = infrared.Plane16(0)[i];
        }
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
    }
    TIFFClose(tiff);
}

// The same scan as a 16-bit RGB file and a grey sidecar.
void WriteRgbWithSidecar(const std::string& path, const std::string& sidecar, const CImage& rgb, const CImage& infrared)
{
    CImage wide(rgb.width, rgb.height, 3, SampleU16);
    for (size_t i = 0; i < rgb.PixelCount(); ++i)
        for (int c = 0; c < 3; ++c)
            wide.Plane16(c)[i] = static_cast<uint16_t>(rgb.Plane8(c)[i] * 257);
    ASSERT_EQ(SaveTiff(wide, path.c_str(), 16, 5), FileOk);
    ASSERT_EQ(SaveTiff(infrared, sidecar.c_str(), infrared.sampleType == SampleU16 ? 16 : 8, 5), FileOk);
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

CleanFileReport Clean(const std::string& input, const std::string& output, InfraredChoice choice,
    const std::string& sidecar = {})
{
    CleanFileJob job;
    job.input = input;
    job.output = output;
    job.infrared = choice;
    job.infraredPath = sidecar;
    return CleanImageFile(job);
}

} // namespace

// The fourth sample and a sidecar found beside the image clean alike; the
// output is RGB in the source's depth and differs from the visible-light clean.
TEST(WorkflowInfrared, SidecarCleansLikeFourthPlane)
{
    ScratchFolder folder;
    RgbiScene scene = MakeRgbiScene(300, 220, 0.1, true, 4);
    WriteRgbiTiff(folder.File("rgbi.tif"), *scene.dusty, *scene.infrared);
    WriteRgbWithSidecar(folder.File("Scan.tif"), folder.File("scan_IR.TIF"), *scene.dusty, *scene.infrared);

    CleanFileReport fourth = Clean(folder.File("rgbi.tif"), folder.File("a.tif"), InfraredAuto);
    CleanFileReport beside = Clean(folder.File("Scan.tif"), folder.File("b.tif"), InfraredAuto);
    CleanFileReport visible = Clean(folder.File("rgbi.tif"), folder.File("c.tif"), InfraredOff);
    EXPECT_TRUE(fourth.infraredUsed);
    EXPECT_TRUE(beside.infraredUsed);
    EXPECT_FALSE(visible.infraredUsed);
    EXPECT_EQ(Bytes(folder.File("a.tif")), Bytes(folder.File("b.tif")));
    EXPECT_NE(Bytes(folder.File("a.tif")), Bytes(folder.File("c.tif")));
    int w = 0, h = 0, channels = 0;
    ReadImageFileInfo(folder.File("a.tif").c_str(), &w, &h, &channels);
    EXPECT_EQ(channels, 3);
    CImage out(folder.File("a.tif").c_str(), 0);
    EXPECT_EQ(out.sampleType, SampleU16);
}

// A sidecar of another size, and a plane that carries the picture, are
// refused with their messages; the image is cleaned by visible light.
TEST(WorkflowInfrared, RefusedPlanesLeaveTheVisibleClean)
{
    ScratchFolder folder;
    RgbiScene scene = MakeRgbiScene(200, 160, 0.1, true, 8, SampleU8);
    CImage small(100, 80, 1, SampleU8);
    small.Fill(0.8f, 0, 0, 0);
    ASSERT_EQ(SaveTiff(*scene.dusty, folder.File("scan.tif").c_str(), 8, 5), FileOk);
    ASSERT_EQ(SaveTiff(small, folder.File("small.tif").c_str(), 8, 5), FileOk);
    auto silver = MakeSilverPlane(*scene.dusty);
    ASSERT_EQ(SavePng(*silver, folder.File("scan-ir.png").c_str(), 8), FileOk);

    CleanFileReport visible = Clean(folder.File("scan.tif"), folder.File("visible.tif"), InfraredOff);
    CleanFileReport wrongSize = Clean(folder.File("scan.tif"), folder.File("a.tif"), InfraredAuto, folder.File("small.tif"));
    CleanFileReport carries = Clean(folder.File("scan.tif"), folder.File("b.tif"), InfraredOn);
    EXPECT_FALSE(wrongSize.infraredUsed);
    EXPECT_NE(wrongSize.infraredMessage.find("is 100 x 80 pixels, the image 200 x 160"), std::string::npos)
        << wrongSize.infraredMessage;
    EXPECT_FALSE(carries.infraredUsed);
    EXPECT_EQ(carries.infraredMessage,
        "The infrared plane carries the picture (silver or some slide films); infrared cleaning is off for this image");
    EXPECT_EQ(Bytes(folder.File("a.tif")), Bytes(folder.File("visible.tif")));
    EXPECT_EQ(Bytes(folder.File("b.tif")), Bytes(folder.File("visible.tif")));
}
