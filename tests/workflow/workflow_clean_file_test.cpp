#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <thread>

#include "engine/dust_engine.h"
#include "engine/run_waiter.h"
#include "imagefiles/image_file_types.h"
#include "metadata/jpeg_metadata.h"
#include "workflow/clean_file.h"
#include "workflow/dust_parameter_rules.h"
#include "workflow/image_to_save.h"
#include "workflow_test_files.h"

namespace {

// Samples of every plane as 16-bit values, for comparing images of either depth.
std::vector<uint16_t> Samples(const CImage& image)
{
    std::vector<uint16_t> out;
    for (int c = 0; c < image.channelCount; ++c)
        for (size_t i = 0; i < image.PixelCount(); ++i)
            out.push_back(image.sampleType == SampleU16 ? image.Plane16(c)[i] : image.Plane8(c)[i]);
    return out;
}

// What the engine makes of the working image when driven the way the desktop
// program drives it after an open: the part outside a view rectangle at
// level 0, the view at level 1; then the image to save is rebuilt from it.
// Null when the engine did not finish.
std::unique_ptr<CImage> EngineResult(const WorkingImage& work, const DustParams& params)
{
    RunWaiter waiter;
    DustEngine engine(*work.working, 256, &waiter);
    EXPECT_TRUE(engine.WorkImage());
    Rect view { 40, 30, 200, 150 };
    EXPECT_EQ(engine.RequestOutside(view, KindAuto, 0, 1, &params), 0);
    EXPECT_EQ(engine.Request(view, KindAuto, 1, 1, &params), 0);
    if (!waiter.WaitUntilIdle(engine)) {
        ADD_FAILURE() << "the engine did not finish its work";
        return nullptr;
    }
    return BuildImageToSave(*engine.WorkImage(), work.kind, work.lowBytes.get());
}

struct KindCase {
    int channels;
    int sampleType;
    ImageKind kind;
};

const KindCase kKinds[] = {
    { 3, SampleU8, ImageRgb8 },
    { 1, SampleU8, ImageGrey8 },
    { 3, SampleU16, ImageRgb16 },
    { 1, SampleU16, ImageGrey16 },
};

} // namespace

TEST(WorkflowCleanFile, OutputEqualsTheEngineForEveryKind)
{
    ScratchFolder folder;
    for (const KindCase& k : kKinds) {
        SCOPED_TRACE(testing::Message() << k.channels << " channels, sample type " << k.sampleType);
        std::string input = folder.File("in.tif"), output = folder.File("out.tif");
        auto original = DustyImage(300, 200, k.channels, k.sampleType);
        ASSERT_EQ(SaveTiff(*original, input.c_str(), k.sampleType == SampleU16 ? 16 : 8, 5), FileOk);

        CleanFileJob job;
        job.input = input;
        job.output = output;
        CleanFileReport report = CleanImageFile(job);
        ASSERT_EQ(report.status, CleanFileOk);
        EXPECT_EQ(report.kind, k.kind);
        // 300 dpi with the fresh-start dust type 2.
        EXPECT_EQ(report.params.dustRadius, 10);
        EXPECT_EQ(report.params.dustThreshold, 5);
        EXPECT_EQ(report.params.aggression, 23);

        CImage cleaned(output.c_str(), 0);
        ASSERT_EQ(cleaned.channelCount, k.channels);
        EXPECT_EQ(cleaned.sampleType, k.sampleType);
        EXPECT_EQ(cleaned.resolutionDpi, 300);

        WorkingImage work;
        ASSERT_EQ(LoadWorkingImage(input.c_str(), work), LoadAccepted);
        auto expected = EngineResult(work, report.params);
        ASSERT_TRUE(expected);
        std::vector<uint16_t> got = Samples(cleaned);
        EXPECT_TRUE(got == Samples(*expected));
        // The dust was really corrected: the test would not notice a copy otherwise.
        EXPECT_NE(got, Samples(*original));
    }
}

// Workers sharing the tiles of one image compute the median ahead in bands
// and then write only their own tiles: the files must be those of one worker,
// at small and large radii and margins (the work rectangles of neighbouring
// tiles overlap most at aggression 5) and without automation. (The planes of
// one worker are compared with the desktop program's engine in ParallelClean's
// own tests.)
TEST(WorkflowCleanFile, SharedTilesGiveTheSingleWorkerFiles)
{
    ScratchFolder folder;
    std::string input = folder.File("in.tif");
    // 3 × 3 tiles, the last row and column partial; the height is no multiple
    // of the median bands nor of the coverage blocks.
    auto original = DustyImage(700, 571, 3, SampleU8);
    ASSERT_EQ(SaveTiff(*original, input.c_str(), 8, 5), FileOk);
    auto bytesOf = [](const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<char> bytes;
        if (!f)
            return bytes;
        char block[65536];
        for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
            bytes.insert(bytes.end(), block, block + n);
        std::fclose(f);
        return bytes;
    };
    DustOverrides large;
    large.dustRadius = 40;
    large.aggression = 5;
    DustOverrides off;
    off.noAuto = true;
    for (const DustOverrides& overrides : { DustOverrides {}, large, off }) {
        std::vector<char> single, singleMap;
        for (int threads : { 1, 2, 3 }) {
            SCOPED_TRACE(testing::Message() << threads << " threads, radius " << overrides.dustRadius.value_or(0));
            CleanFileJob job;
            job.input = input;
            job.output = folder.File("out" + std::to_string(threads) + ".bmp");
            job.mapPath = folder.File("map" + std::to_string(threads) + ".png");
            job.overrides = overrides;
            job.threads = threads;
            ASSERT_EQ(CleanImageFile(job).status, CleanFileOk);
            if (threads == 1) {
                single = bytesOf(job.output);
                singleMap = bytesOf(job.mapPath);
                ASSERT_FALSE(single.empty());
                continue;
            }
            EXPECT_TRUE(bytesOf(job.output) == single);
            EXPECT_TRUE(bytesOf(job.mapPath) == singleMap);
        }
    }
}

TEST(WorkflowCleanFile, WithoutAutomationTheOutputIsTheInput)
{
    ScratchFolder folder;
    for (const KindCase& k : kKinds) {
        SCOPED_TRACE(testing::Message() << k.channels << " channels, sample type " << k.sampleType);
        std::string input = folder.File("in.tif"), output = folder.File("out.png");
        auto original = DustyImage(120, 90, k.channels, k.sampleType);
        ASSERT_EQ(SaveTiff(*original, input.c_str(), k.sampleType == SampleU16 ? 16 : 8, 5), FileOk);
        CleanFileJob job;
        job.input = input;
        job.output = output;
        job.overrides.noAuto = true;
        CleanFileReport report = CleanImageFile(job);
        ASSERT_EQ(report.status, CleanFileOk);
        EXPECT_EQ(report.params.automation, 0);
        CImage cleaned(output.c_str(), 0);
        ASSERT_EQ(cleaned.channelCount, k.channels);
        EXPECT_EQ(cleaned.sampleType, k.sampleType);
        EXPECT_TRUE(Samples(cleaned) == Samples(*original)); // low bytes included
    }
}

TEST(WorkflowCleanFile, DetectionMapIsWrittenAsGreyImageOfTheSameSize)
{
    ScratchFolder folder;
    std::string input = folder.File("in.tif");
    auto original = DustyImage(150, 100, 3, SampleU8);
    ASSERT_EQ(SaveTiff(*original, input.c_str(), 8, 5), FileOk);
    CleanFileJob job;
    job.input = input;
    job.output = folder.File("out.bmp");
    job.mapPath = folder.File("map.png");
    ASSERT_EQ(CleanImageFile(job).status, CleanFileOk);
    CImage map(job.mapPath.c_str(), 0);
    ASSERT_EQ(map.channelCount, 1);
    EXPECT_EQ(map.sampleType, SampleU8);
    EXPECT_EQ(map.width, 150);
    EXPECT_EQ(map.height, 100);
    // A speck at (10..12, 8..10) is in the map.
    EXPECT_GT(map.Plane8(0)[9 * 150 + 11], 0);
}

TEST(WorkflowCleanFile, RefusalsAndFailures)
{
    ScratchFolder folder;
    std::string text = folder.File("notes.tif");
    std::FILE* f = std::fopen(text.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("not an image at all\n", f);
    std::fclose(f);
    CleanFileJob job;
    job.input = text;
    job.output = folder.File("out.tif");
    EXPECT_EQ(CleanImageFile(job).status, CleanFileUnreadable);
    job.input = folder.File("missing.tif");
    EXPECT_EQ(CleanImageFile(job).status, CleanFileUnreadable);

    // A JPEG whose frame claims 65500 x 65500 pixels cannot be held: it is
    // told apart from an unreadable file whether or not an infrared plane is sought.
    std::string huge = folder.File("huge.jpg");
    ASSERT_EQ(SaveJpeg(*DustyImage(16, 16, 3, SampleU8), huge.c_str(), nullptr, 90, 2, nullptr, 0), FileOk);
    std::FILE* j = std::fopen(huge.c_str(), "rb");
    ASSERT_TRUE(j);
    std::vector<uint8_t> bytes(4096);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), j));
    std::fclose(j);
    for (size_t at = 2; at + 9 < bytes.size(); ++at)
        if (bytes[at] == 0xFF && bytes[at + 1] == 0xC0) {
            bytes[at + 5] = bytes[at + 7] = 0xFF;
            bytes[at + 6] = bytes[at + 8] = 0xDC;
            break;
        }
    j = std::fopen(huge.c_str(), "wb");
    ASSERT_TRUE(j);
    std::fwrite(bytes.data(), 1, bytes.size(), j);
    std::fclose(j);
    job.input = huge;
    for (InfraredChoice infrared : { InfraredAuto, InfraredOff }) {
        job.infrared = infrared;
        EXPECT_EQ(CleanImageFile(job).status, CleanFileNoMemoryToOpen);
    }
    job.infrared = CleanFileJob().infrared;

    std::string tiny = folder.File("tiny.tif");
    ASSERT_EQ(SaveTiff(*DustyImage(2, 500, 3, SampleU8), tiny.c_str(), 8, 5), FileOk);
    job.input = tiny;
    EXPECT_EQ(CleanImageFile(job).status, CleanFileTooSmall);

    std::string good = folder.File("good.tif");
    ASSERT_EQ(SaveTiff(*DustyImage(40, 40, 3, SampleU8), good.c_str(), 8, 5), FileOk);
    job.input = good;
    job.output = folder.File("no-such-folder/out.tif");
    CleanFileReport report = CleanImageFile(job);
    EXPECT_EQ(report.status, CleanFileSaveFailed);
    EXPECT_NE(report.writerResult, FileOk);
    job.output = folder.File("out.gif");
    EXPECT_EQ(CleanImageFile(job).status, CleanFileSaveFailed);

    // With a second thread the map is written while the image is: each
    // failure is still told apart, with the failed writer's errno (which
    // the caller words its message from).
    job.threads = 2;
    job.output = folder.File("out.tif");
    job.mapPath = good + "/map.png"; // under a file, not a folder
    errno = 0;
    EXPECT_EQ(CleanImageFile(job).status, CleanFileMapSaveFailed);
    EXPECT_EQ(errno, ENOTDIR);
    job.output = folder.File("no-such-folder/out.tif");
    job.mapPath = folder.File("map.png");
    errno = 0;
    EXPECT_EQ(CleanImageFile(job).status, CleanFileSaveFailed);
    EXPECT_EQ(errno, ENOENT);
}

TEST(WorkflowCleanFile, ParametersForAnImage)
{
    DustOverrides none;
    DustParams p = DustParamsForImage(0, false, 16, none);
    // No resolution and a fresh memory: the fresh-start values stay.
    EXPECT_EQ(p.dustRadius, 10);
    EXPECT_EQ(p.dustThreshold, 11);
    EXPECT_EQ(p.aggression, 31);
    EXPECT_EQ(p.dustType, 2);

    p = DustParamsForImage(300, true, 16, none);
    EXPECT_EQ(p.dustType, 0);
    EXPECT_EQ(p.dustRadius, 10);

    // A small image holds the radius before the rules run; the rules may raise it again.
    p = DustParamsForImage(0, false, 1, none);
    EXPECT_EQ(p.dustRadius, 1);

    DustOverrides o;
    o.dustType = 1;
    o.dustRadius = 7;
    o.dustThreshold = 30;
    o.aggression = 51;
    o.noAuto = true;
    o.resolutionDpi = 2400;
    p = DustParamsForImage(300, true, 16, o);
    EXPECT_EQ(p.dustType, 1);
    EXPECT_EQ(p.dustRadius, 7);
    EXPECT_EQ(p.dustThreshold, 30);
    EXPECT_EQ(p.aggression, 51);
    EXPECT_EQ(p.automation, 0);
    o = DustOverrides();
    o.resolutionDpi = 2400;
    p = DustParamsForImage(300, false, 16, o);
    EXPECT_EQ(p.dustRadius, 80);
    EXPECT_EQ(p.dustThreshold, 11);
}

namespace {

// An EXIF APP1 payload (without its length bytes) naming a camera model.
std::vector<uint8_t> ExifPayloadWithModel(const std::string& model)
{
    std::vector<uint8_t> p = { 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0 };
    uint32_t count = static_cast<uint32_t>(model.size() + 1);
    uint8_t entry[] = { 1, 0, // one entry
        0x10, 0x01, 2, 0, // tag 272 Model, ASCII
        static_cast<uint8_t>(count), 0, 0, 0, 26, 0, 0, 0, // count, offset from the TIFF header
        0, 0, 0, 0 }; // no next directory
    p.insert(p.end(), std::begin(entry), std::end(entry));
    p.insert(p.end(), model.begin(), model.end());
    p.push_back(0);
    return p;
}

} // namespace

TEST(WorkflowCleanFile, CameraJpegGetsDarkDustAndKeepsItsExif)
{
    ScratchFolder folder;
    std::string input = folder.File("camera.jpg"), output = folder.File("cleaned.jpg");
    std::vector<uint8_t> exif = ExifPayloadWithModel("Test Camera 9");
    auto original = DustyImage(160, 120, 3, SampleU8);
    ASSERT_EQ(SaveJpeg(*original, input.c_str(), nullptr, 95, 0, exif.data(), static_cast<int>(exif.size())), FileOk);

    CleanFileJob job;
    job.input = input;
    job.output = output;
    CleanFileReport report = CleanImageFile(job);
    ASSERT_EQ(report.status, CleanFileOk);
    EXPECT_TRUE(report.fromCamera);
    EXPECT_EQ(report.params.dustType, 0);
    EXPECT_EQ(ReadJpegMetadata(output.c_str()).cameraModel, "Test Camera 9");
    std::FILE* f = std::fopen(output.c_str(), "rb");
    ASSERT_TRUE(f);
    App1Segment app1;
    EXPECT_TRUE(CaptureApp1Segment(f, app1));
    std::fclose(f);
    EXPECT_EQ(app1.length, static_cast<int>(exif.size()) + 2);
    // "Same as Input" keeps the source's 1 × 1 sampling through its tables.
    CImage cleaned(output.c_str(), 0);
    EXPECT_EQ(cleaned.jpegSubsampling, 0);
}
