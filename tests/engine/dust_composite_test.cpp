#include <gtest/gtest.h>

#include <random>

#include "engine/dust_composite.h"
#include "reference_dust.h"

namespace {
struct Planes {
    Planes(int w, int h)
        : source(w, h, 3, SampleU8)
        , median(w, h, 3, SampleU8)
        , map(w, h, 1, SampleU8)
        , mask(w, h, 1, SampleU8)
        , size(w, h, 1, SampleU8)
        , work(w, h, 3, SampleU8)
    {
        map.Fill(0, 0, 0, 0);
        mask.Fill(1, 1, 1, 0);
        size.Fill(0, 0, 0, 0);
        work.Fill(0, 0, 0, 0);
    }
    CompositeInputs Inputs() { return { &source, &median, &map, &mask, &size, &work }; }
    CImage source, median, map, mask, size, work;
};
} // namespace

// The single-precision 1/255 makes full strength a hair above 1.
TEST(DustComposite, WeightsTruncateAsDocumented)
{
    Planes p(1, 1);
    p.source.Fill(100, 100, 100, 0);
    p.median.Fill(50, 50, 50, 0);
    p.map.Fill(255, 0, 0, 0);
    ByteBuffer scratch;
    Composite(p.Inputs(), { 0, 0, 1, 1 }, true, scratch);
    EXPECT_EQ(p.work.Plane8(0)[0], 49);

    // Marked at full strength: 254/255 in single precision toward the pixel's
    // own median, which for a 1 × 1 image is the pixel itself.
    Planes q(3, 3);
    q.source.Fill(100, 100, 100, 0);
    uint8_t bright[4] = { 200, 200, 200, 0 };
    q.source.SetPixel8(1, 1, bright);
    q.mask.Fill(255, 0, 0, 0);
    q.size.Fill(1, 0, 0, 0);
    Composite(q.Inputs(), { 1, 1, 2, 2 }, true, scratch);
    EXPECT_EQ(q.work.Plane8(0)[4], 100); // trunc(100.392)
}

TEST(DustComposite, PixelMedianSpansAndEdges)
{
    const int w = 12, h = 9;
    std::vector<uint8_t> plane(w * h);
    for (int i = 0; i < w * h; ++i)
        plane[i] = static_cast<uint8_t>((i * 37) % 251);
    ByteBuffer scratch;
    // Top row, three or more columns from the sides, radius 3: rows 0 to 3,
    // seven samples each, rank 14 of 28.
    std::vector<uint8_t> samples;
    for (int row = 0; row <= 3; ++row)
        for (int x = 1; x <= 7; ++x)
            samples.push_back(plane[row * w + x]);
    std::sort(samples.begin(), samples.end());
    ASSERT_EQ(samples.size(), 28u);
    EXPECT_EQ(PixelMedian(plane.data(), w, h, 4, 0, 3, scratch), samples[14]);
    // Corners with radii far beyond the plane: spans are clipped to the plane
    // (AddressSanitizer watches the reads), and radii above 101 grow the scratch.
    reference::Plane ref(plane.begin(), plane.end());
    for (auto [x, y] : { std::pair { 0, 0 }, { w - 1, h - 1 }, { 0, h - 1 }, { 1, 1 } })
        for (int r : { 1, 5, 20, 102, 255 })
            EXPECT_EQ(PixelMedian(plane.data(), w, h, x, y, r, scratch), reference::PixelMedian(ref, w, h, x, y, r))
                << x << "," << y << " r " << r;
    EXPECT_GE(scratch.Capacity(), 511u * 511u);
}

// Every combination of mask value, map value and automation against the plain
// blend, with per-pixel dust sizes.
TEST(DustComposite, MatchesPlainBlend)
{
    const int w = 40, h = 30;
    Planes p(w, h);
    std::mt19937 rng(77);
    auto fill = [&](CImage& image, int channels, int modulo) {
        for (int c = 0; c < channels; ++c)
            for (size_t i = 0; i < image.PixelCount(); ++i)
                image.Plane8(c)[i] = static_cast<uint8_t>(rng() % modulo);
    };
    fill(p.source, 3, 256);
    fill(p.median, 3, 256);
    fill(p.map, 1, 256);
    fill(p.size, 1, 6);
    for (size_t i = 0; i < p.mask.PixelCount(); ++i) {
        int k = rng() % 4;
        p.mask.Plane8(0)[i] = static_cast<uint8_t>(k == 0 ? 0 : (k == 1 ? 1 : rng() % 256));
    }
    ByteBuffer scratch;
    for (bool automation : { true, false }) {
        const Rect rect { 3, 2, 37, 29 };
        p.work.Fill(7, 7, 7, 0);
        Composite(p.Inputs(), rect, automation, scratch);
        for (int c = 0; c < 3; ++c) {
            reference::Plane src(p.source.Plane8(c), p.source.Plane8(c) + w * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    size_t i = y * w + x;
                    int expected = 7;
                    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
                        int pm = reference::PixelMedian(src, w, h, x, y, p.size.Plane8(0)[i]);
                        expected = reference::CompositePixel(src[i], p.median.Plane8(c)[i], p.map.Plane8(0)[i],
                            p.mask.Plane8(0)[i], pm, automation);
                    }
                    ASSERT_EQ(p.work.Plane8(c)[i], expected) << x << "," << y << " c " << c << " auto " << automation;
                }
        }
    }
}

// Without a mask every pixel is untouched and the rows are blended with no
// test per pixel, in vector registers where the processor has them: every
// weight, source and median sample must give the masked path's value, into a
// separate image and in place over the median. Without automation the
// rectangle is the source.
TEST(DustComposite, UnmarkedGivesTheUntouchedBlend)
{
    // Source along rows, median along columns; 257 wide so that the vector
    // loops have tails, and the rectangle starts off the vectors' alignment.
    const int w = 257, h = 256;
    Planes p(w, h);
    CImage inPlace(w, h, 3, SampleU8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = static_cast<size_t>(y) * w + x;
                p.source.Plane8(c)[i] = static_cast<uint8_t>(y);
                p.median.Plane8(c)[i] = static_cast<uint8_t>(x);
            }
    const Rect rect { 1, 0, w, h };
    ByteBuffer scratch;
    for (int d = 0; d < 256; ++d) {
        p.map.Fill(static_cast<float>(d), 0, 0, 0);
        for (int c = 0; c < 3; ++c)
            std::copy(p.median.Plane8(c), p.median.Plane8(c) + p.median.PixelCount(), inPlace.Plane8(c));
        CompositeInputs unmarked = p.Inputs();
        unmarked.mask = unmarked.dustSize = nullptr;
        EXPECT_EQ(Composite(unmarked, rect, true, scratch), rect);
        CompositeInputs over { &p.source, &inPlace, &p.map, nullptr, nullptr, &inPlace };
        EXPECT_EQ(Composite(over, rect, true, scratch), rect);
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < h; ++y)
                for (int x = rect.left; x < w; ++x) {
                    const size_t i = static_cast<size_t>(y) * w + x;
                    const int expected = reference::CompositePixel(y, x & 255, d, 1, 0, true);
                    ASSERT_EQ(p.work.Plane8(c)[i], expected) << x << "," << y << " weight " << d;
                    ASSERT_EQ(inPlace.Plane8(c)[i], expected) << x << "," << y << " weight " << d << " in place";
                }
    }
    CompositeInputs unmarked = p.Inputs();
    unmarked.mask = nullptr;
    p.work.Fill(7, 7, 7, 0);
    Composite(unmarked, rect, false, scratch);
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < p.work.PixelCount(); ++i)
            ASSERT_EQ(p.work.Plane8(c)[i], i % w == 0 ? 7 : p.source.Plane8(c)[i]) << i;
}
