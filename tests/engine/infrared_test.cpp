#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/dust_engine.h"
#include "engine/dust_kernel.h"
#include "engine/manual_planes.h"
#include "engine/infrared_detection.h"
#include "engine/infrared_model.h"
#include "infrared_test_images.h"
#include "workflow/whole_image_clean.h"

namespace {

DustParams InfraredParams(int sensitivity = kInfraredSensitivityDefault)
{
    DustParams p;
    p.automation = 1;
    p.dustRadius = 10;
    p.dustThreshold = 11;
    p.aggression = 31;
    p.flatness = 25;
    p.dustType = 2;
    p.infrared = static_cast<uint8_t>(sensitivity);
    return p;
}

struct Cleaned {
    std::unique_ptr<CImage> image, map;
};

Cleaned CleanWithInfrared(const CImage& dusty, const CImage& plane, const DustParams& params)
{
    InfraredInput input { &plane, {} };
    EXPECT_EQ(AnalyseInfrared(plane, dusty, input.model), InfraredUsable);
    Cleaned out;
    out.image = std::make_unique<CImage>(dusty.width, dusty.height, 3, SampleU8);
    out.map = std::make_unique<CImage>(dusty.width, dusty.height, 1, SampleU8);
    int r = CleanWholeImage(dusty, params, {}, nullptr,
        [&](const CImage& corrected, const CImage& map) {
            for (int c = 0; c < 3; ++c)
                std::memcpy(out.image->Plane8(c), corrected.Plane8(c), corrected.PixelCount());
            std::memcpy(out.map->Plane8(0), map.Plane8(0), map.PixelCount());
            return 0;
        },
        &input);
    EXPECT_EQ(r, WholeImageDone);
    return out;
}

// Distance in pixels (chessboard) to the nearest defect, capped at `cap`.
std::vector<int> DistanceToDefects(const CImage& defects, int cap)
{
    const int w = defects.width, h = defects.height;
    std::vector<int> distance(defects.PixelCount(), cap);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!defects.Plane8(0)[static_cast<size_t>(y) * w + x])
                continue;
            for (int yy = std::max(0, y - cap); yy < std::min(h, y + cap + 1); ++yy)
                for (int xx = std::max(0, x - cap); xx < std::min(w, x + cap + 1); ++xx) {
                    int d = std::max(std::abs(xx - x), std::abs(yy - y));
                    int& out = distance[static_cast<size_t>(yy) * w + xx];
                    out = std::min(out, d);
                }
        }
    return distance;
}

} // namespace

// Specks, hairs and a scratch on a textured picture, an infrared plane with a
// lamp fall-off and a 12 % picture copy: the marks come back close to the
// clean picture, and nothing away from them changes by a single level.
TEST(Infrared, CleansMarksOnTexturedPictureAndNothingElse)
{
    RgbiScene scene = MakeRgbiScene(640, 448, 0.12, true, 7);
    Cleaned out = CleanWithInfrared(*scene.dusty, *scene.infrared, InfraredParams());
    const std::vector<int> distance = DistanceToDefects(*scene.defects, 4);

    double errorSum = 0;
    size_t defectSamples = 0, largeErrors = 0, changedAway = 0;
    for (size_t i = 0; i < scene.dusty->PixelCount(); ++i)
        for (int c = 0; c < 3; ++c) {
            const int got = out.image->Plane8(c)[i];
            if (scene.defects->Plane8(0)[i]) {
                const int error = std::abs(got - scene.clean->Plane8(c)[i]);
                errorSum += error;
                ++defectSamples;
                largeErrors += error > 40;
            } else if (distance[i] > 3 && got != scene.dusty->Plane8(c)[i]) {
                ++changedAway;
            }
        }
    // Uncorrected the marks are 108 levels off on average. The fill cannot
    // know texture it never saw (a checker corner lies under the 40-pixel
    // speck): 12.7 levels on average, 6 % of samples more than 40 off.
    EXPECT_LT(errorSum / defectSamples, 15.0);
    EXPECT_LT(static_cast<double>(largeErrors) / defectSamples, 0.08);
    EXPECT_EQ(changedAway, 0u);
}

// A 5 % and a 15 % copy of a picture with hard edges, no marks, a lamp fall-off
// and 8- or 16-bit planes: not one detection.
TEST(Infrared, PictureCopyAndLampRaiseNoDetections)
{
    for (double share : { 0.05, 0.15 })
        for (int type : { SampleU8, SampleU16 }) {
            RgbiScene scene = MakeRgbiScene(512, 384, share, false, 11, type);
            for (int sensitivity : { kInfraredSensitivityDefault, 8 }) {
                Cleaned out = CleanWithInfrared(*scene.dusty, *scene.infrared, InfraredParams(sensitivity));
                size_t marked = 0;
                for (size_t i = 0; i < out.map->PixelCount(); ++i)
                    marked += out.map->Plane8(0)[i] != 0;
                EXPECT_EQ(marked, 0u) << "share " << share << " type " << type << " sensitivity " << sensitivity;
            }
        }
}

// A filled 40-pixel speck keeps film grain rather than coming back as a
// smooth blob: the fill's pixel-to-pixel variation is of the film's order.
TEST(Infrared, LargeSpeckFillKeepsGrain)
{
    RgbiScene scene = MakeRgbiScene(640, 448, 0.0, true, 3);
    Cleaned out = CleanWithInfrared(*scene.dusty, *scene.infrared, InfraredParams());
    auto roughness = [&](const CImage& image, int cx, int cy) {
        double sum = 0;
        int n = 0;
        for (int y = cy - 10; y < cy + 10; ++y)
            for (int x = cx - 10; x < cx + 10; ++x) {
                const size_t i = static_cast<size_t>(y) * image.width + x;
                sum += std::abs(image.Plane8(1)[i] - image.Plane8(1)[i + 1]);
                ++n;
            }
        return sum / n;
    };
    const int cx = 640 / 5, cy = 448 * 3 / 10;
    const double film = roughness(*scene.clean, cx, cy);
    const double filled = roughness(*out.image, cx, cy);
    EXPECT_GT(filled, 0.5 * film);
    EXPECT_LT(filled, 1.5 * film);
}

// Tiles run visible area first and then the rest give the same pixels and map
// as one pass over the whole image: the margins hold everything a tile reads.
TEST(Infrared, ResultDoesNotDependOnTileOrder)
{
    RgbiScene scene = MakeRgbiScene(700, 520, 0.1, true, 5, SampleU8);
    const DustParams params = InfraredParams();
    Cleaned whole = CleanWithInfrared(*scene.dusty, *scene.infrared, params);

    InfraredInput input { scene.infrared.get(), {} };
    ASSERT_EQ(AnalyseInfrared(*scene.infrared, *scene.dusty, input.model), InfraredUsable);
    DustEngine engine(*scene.dusty, 128, nullptr);
    ASSERT_TRUE(engine.AttachInfrared(*input.plane, input.model));
    DustParams request = params;
    const Rect visible { 300, 200, 460, 330 };
    ASSERT_EQ(engine.RequestOutside(visible, KindAuto, 0, 1, &request), 0);
    ASSERT_EQ(engine.Request(visible, KindAuto, 1, 1, &request), 0);
    while (engine.Progress(1) >= 0.0f || engine.Progress(0) >= 0.0f)
        std::this_thread::yield();
    engine.Shutdown();
    EXPECT_EQ(std::memcmp(engine.DetectionMap()->Plane8(0), whole.map->Plane8(0), whole.map->PixelCount()), 0);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(std::memcmp(engine.WorkImage()->Plane8(c), whole.image->Plane8(c), whole.image->PixelCount()), 0);
}

TEST(Infrared, SilverLikePlaneIsRefused)
{
    RgbiScene scene = MakeRgbiScene(320, 256, 0.0, true, 9);
    auto silver = MakeSilverPlane(*scene.dusty);
    InfraredModel model;
    EXPECT_EQ(AnalyseInfrared(*silver, *scene.dusty, model), InfraredCarriesPicture);
    EXPECT_STREQ(InfraredVerdictMessage(InfraredCarriesPicture),
        "The infrared plane carries the picture (silver or some slide films); infrared cleaning is off for this image");
    // A real colour-film plane of the same picture is not.
    EXPECT_EQ(AnalyseInfrared(*scene.infrared, *scene.dusty, model), InfraredUsable);
    EXPECT_NEAR(model.pictureShare, 0.0, 0.1);
}

// The brush works on top of the infrared map: a pixel restored by hand shows
// the source, and with automation off a pixel marked by hand blends toward the
// brush's median, not toward the infrared fill.
TEST(Infrared, BrushWorksOnTopOfTheInfraredMap)
{
    RgbiScene scene = MakeRgbiScene(300, 220, 0.1, true, 6, SampleU8);
    const CImage& source = *scene.dusty;
    CImage work(source.width, source.height, 3, SampleU8), mask(source.width, source.height, 1, SampleU8),
        size(source.width, source.height, 1, SampleU8);
    source.ConvertInto(work);
    mask.Fill(1, 1, 1, 0);
    size.Fill(0, 0, 0, 0);
    TileQueue queue(work, 256, 256);
    DustKernel kernel(source, work, mask, size);
    InfraredModel model;
    ASSERT_EQ(AnalyseInfrared(*scene.infrared, source, model), InfraredUsable);
    ASSERT_TRUE(kernel.AttachInfrared(*scene.infrared, model));
    auto drain = [&] {
        Tile tile;
        std::atomic<uint8_t> abort { 0 };
        while (queue.TakeNext(tile) != 0) {
            int r = kernel.ProcessTile(tile, abort);
            ASSERT_TRUE(r == TileDone || r == TileReverted || r == TileNoWork) << r;
            queue.Complete(tile, r == TileDone);
        }
    };
    const Rect all { 0, 0, source.width, source.height };
    DustParams p = InfraredParams();
    queue.Enqueue(all, KindAuto, 1, 1, &p);
    drain();

    const size_t speck = static_cast<size_t>(66) * source.width + 60; // centre of the 40-pixel speck
    ASSERT_EQ(kernel.DetectionMap()->Plane8(0)[speck], 255);
    ASSERT_NE(work.Plane8(1)[speck], source.Plane8(1)[speck]);
    WriteManual(mask.Plane8(0) + speck, 0);
    queue.Enqueue({ 60, 66, 61, 67 }, KindBrush, 2, 1, &p);
    drain();
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(work.Plane8(c)[speck], source.Plane8(c)[speck]);

    p.automation = 0;
    p.brushDustSize = 4;
    WriteManual(mask.Plane8(0) + speck, 255);
    queue.Enqueue(all, KindAuto, 1, 1, &p);
    queue.Enqueue({ 60, 66, 61, 67 }, KindBrush, 2, 1, &p);
    drain();
    const double m = 254 * static_cast<double>(1.0f / 255.0f);
    for (int c = 0; c < 3; ++c) {
        const int s = source.Plane8(c)[speck], median = kernel.MedianImage()->Plane8(c)[speck];
        EXPECT_EQ(work.Plane8(c)[speck], static_cast<int>((1.0 - m) * s + m * median)) << c;
    }
}
