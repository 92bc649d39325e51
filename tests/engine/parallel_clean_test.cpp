#include <gtest/gtest.h>

#include <vector>

#include "dust_test_images.h"
#include "engine/dust_engine.h"
#include "engine/parallel_clean.h"
#include "engine/run_waiter.h"

namespace {
std::vector<uint8_t> Bytes(const CImage& image)
{
    std::vector<uint8_t> all;
    for (int c = 0; c < image.channelCount; ++c)
        all.insert(all.end(), image.Plane8(c), image.Plane8(c) + image.PixelCount());
    return all;
}
} // namespace

// The batch clean against the desktop program's engine given one request over
// the whole image: the corrected planes (a fourth channel included) and the
// map, on one to three threads; at the defaults, at the widest margins with a
// large radius (neighbouring tiles' detections read most of each other's
// median, which the last pass overwrites), and without automation.
TEST(ParallelClean, GivesTheEnginePlanes)
{
    // 3 × 3 tiles, the last row and column partial; the height is no
    // multiple of the bands.
    auto scan = MakeDustyScan(700, 571, 5);
    CImage withAlpha(scan->width, scan->height, 4, SampleU8);
    for (int c = 0; c < 3; ++c)
        std::copy(scan->Plane8(c), scan->Plane8(c) + scan->PixelCount(), withAlpha.Plane8(c));
    for (size_t i = 0; i < withAlpha.PixelCount(); ++i)
        withAlpha.Plane8(3)[i] = static_cast<uint8_t>(i * 7 % 253);

    DustParams wide = DefaultParams();
    wide.dustRadius = 40;
    wide.aggression = 5;
    wide.dustType = 2;
    DustParams off = DefaultParams();
    off.automation = 0;
    for (const CImage* source : { scan.get(), &withAlpha }) {
        for (const DustParams& params : { DefaultParams(), wide, off }) {
            // Without automation the engine's tiles have no work and it reports
            // nothing: its planes are the source and a clear map.
            std::vector<uint8_t> expected = Bytes(*source);
            std::vector<uint8_t> expectedMap(source->PixelCount(), 0);
            if (params.automation) {
                RunWaiter waiter;
                DustEngine engine(*source, 256, &waiter);
                ASSERT_NE(engine.WorkImage(), nullptr);
                ASSERT_EQ(engine.Request({ 0, 0, source->width, source->height }, KindAuto, 1, 1, &params), 0);
                ASSERT_TRUE(waiter.WaitUntilIdle(engine));
                expected = Bytes(*engine.WorkImage());
                expectedMap = Bytes(*engine.DetectionMap());
                ASSERT_NE(expected, Bytes(*source)); // dust was corrected
            }
            for (int threads : { 1, 2, 3 }) {
                SCOPED_TRACE(testing::Message() << source->channelCount << " channels, radius "
                                                << int(params.dustRadius) << ", automation "
                                                << int(params.automation) << ", " << threads << " threads");
                ParallelClean clean(*source, 256);
                ASSERT_TRUE(clean.Valid());
                ASSERT_EQ(clean.Run(params, threads, nullptr, {}), ParallelClean::Done);
                EXPECT_TRUE(Bytes(*clean.WorkImage()) == expected);
                EXPECT_TRUE(Bytes(*clean.DetectionMap()) == expectedMap);
            }
        }
    }
}

// A cancel raised before the run stops it before any pass, and the progress
// never claims the end.
TEST(ParallelClean, CancelledBeforeItStarts)
{
    auto scan = MakeDustyScan(300, 300, 6);
    ParallelClean clean(*scan, 256);
    ASSERT_TRUE(clean.Valid());
    const std::atomic<bool> cancel { true };
    float last = 0.0f;
    EXPECT_EQ(clean.Run(DefaultParams(), 2, &cancel, [&](float f) { last = f; }), ParallelClean::Cancelled);
    EXPECT_LT(last, 1.0f);
    CImage grey(300, 300, 1, SampleU8);
    EXPECT_FALSE(ParallelClean(grey, 256).Valid());
}
