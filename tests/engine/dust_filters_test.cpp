#include <gtest/gtest.h>

#include <random>

#include "engine/median_filter.h"
#include "engine/median_sorted_window.h"
#include "engine/minmax_filter.h"
#include "reference_dust.h"

namespace {
reference::Plane RandomPlane(int w, int h, uint32_t seed, int levels = 256)
{
    std::mt19937 rng(seed);
    reference::Plane p(static_cast<size_t>(w) * h);
    for (auto& v : p)
        v = static_cast<uint8_t>(rng() % levels);
    return p;
}
} // namespace

// Whichever selection the radius picks (sorted windows, or the running
// histogram for the largest radii) must give the rank of the sorted window,
// including windows far wider than the plane and rectangles at the plane's
// edges, where rows and columns are replicated.
TEST(DustFilters, SeparableMedianMatchesSortedWindows)
{
    struct Case {
        int w, h, radius;
        Rect rect;
    } cases[] = {
        { 40, 30, 0, { 0, 0, 40, 30 } },
        { 40, 30, 1, { 5, 3, 20, 28 } },
        { 40, 30, 2, { 0, 0, 40, 30 } },
        { 40, 30, 3, { 30, 20, 40, 30 } },
        { 40, 30, 12, { 10, 10, 25, 20 } },
        { 70, 45, 4, { 3, 0, 70, 45 } },
        { 70, 45, 7, { 0, 5, 66, 40 } },
        { 70, 45, 11, { 1, 1, 69, 44 } },
        { 70, 45, 13, { 0, 0, 70, 45 } },
        { 70, 45, 16, { 2, 3, 61, 45 } },
        { 70, 45, 17, { 0, 0, 70, 45 } },
        { 5, 40, 9, { 0, 0, 5, 40 } },
        { 23, 17, 40, { 0, 0, 23, 17 } },
        { 30, 26, 200, { 4, 2, 30, 25 } },
        { 300, 12, 255, { 0, 0, 300, 12 } },
        { 1, 9, 4, { 0, 0, 1, 9 } },
        { 9, 1, 4, { 0, 0, 9, 1 } },
    };
    ByteBuffer scratch;
    for (const auto& c : cases) {
        for (int levels : { 3, 256 }) {
            auto in = RandomPlane(c.w, c.h, c.w * 31 + c.radius + levels, levels);
            reference::Plane expected(in.size(), 7), actual(in.size(), 7);
            reference::Median(in, c.w, c.h, c.rect, c.radius, expected);
            ASSERT_EQ(SeparableMedian(in.data(), c.w, c.h, c.rect, c.radius, actual.data(), scratch, nullptr), 0);
            EXPECT_EQ(actual, expected) << c.w << "x" << c.h << " radius " << c.radius << " levels " << levels;
        }
    }
}

// The sorted windows run in groups of 16, 32 or 64 lanes, down lines turned
// into columns: every width this processor has must give the sorted window's
// rank, for planes and rectangles that end inside a group, span several
// groups, or are narrower than the window, and for radii up to the largest
// any width takes.
TEST(DustFilters, SortedWindowsOfEveryWidthMatchSortedWindows)
{
    struct Case {
        int w, h, radius;
        Rect rect;
    } cases[] = {
        { 1, 1, 1, { 0, 0, 1, 1 } },
        { 150, 140, 1, { 0, 0, 150, 140 } },
        { 150, 140, 2, { 13, 65, 142, 140 } },
        { 150, 140, 5, { 63, 1, 129, 130 } },
        { 150, 140, 9, { 0, 63, 65, 64 } },
        { 97, 200, 33, { 5, 31, 97, 199 } },
        { 200, 97, 64, { 64, 0, 128, 97 } },
        { 40, 260, 100, { 0, 100, 40, 160 } },
        { 260, 40, 180, { 17, 3, 250, 39 } },
        { 3, 300, 7, { 0, 0, 3, 300 } },
    };
    for (int width : { 16, 32, 64 }) {
        if (!SortedWindowWidthSupported(width))
            continue;
        ByteBuffer scratch;
        for (const auto& c : cases)
            for (int levels : { 2, 256 }) {
                auto in = RandomPlane(c.w, c.h, c.h * 17 + c.radius + levels, levels);
                reference::Plane expected(in.size(), 7), actual(in.size(), 7);
                reference::Median(in, c.w, c.h, c.rect, c.radius, expected);
                ASSERT_EQ(SeparableMedianSortedWidth(width, in.data(), c.w, c.h, c.rect, c.radius, actual.data(),
                              scratch, nullptr),
                    0);
                EXPECT_EQ(actual, expected) << "width " << width << ", " << c.w << "x" << c.h << " radius "
                                            << c.radius << " levels " << levels;
            }
    }
}

TEST(DustFilters, MedianStopsWhenAborted)
{
    auto in = RandomPlane(20, 20, 5);
    reference::Plane out(in.size(), 9);
    ByteBuffer scratch;
    std::atomic<uint8_t> abort { 1 };
    EXPECT_EQ(SeparableMedian(in.data(), 20, 20, { 0, 0, 20, 20 }, 2, out.data(), scratch, &abort), 1);
    EXPECT_EQ(out, reference::Plane(in.size(), 9));
}

TEST(DustFilters, MinAndMaxMatchWindowExtremes)
{
    ByteBuffer scratch;
    for (int radius : { 0, 1, 2, 3, 7, 20, 47 })
        for (auto [w, h] : { std::pair { 31, 19 }, { 1, 1 }, { 1, 12 }, { 12, 1 }, { 64, 50 } }) {
            auto in = RandomPlane(w, h, radius * 7 + w);
            reference::Plane mn(in.size()), mx(in.size());
            ASSERT_EQ(MinFilter(in.data(), w, h, radius, mn.data(), scratch), 0);
            ASSERT_EQ(MaxFilter(in.data(), w, h, radius, mx.data(), scratch), 0);
            EXPECT_EQ(mn, reference::MinFilter(in, w, h, radius)) << w << "x" << h << " r " << radius;
            EXPECT_EQ(mx, reference::MaxFilter(in, w, h, radius)) << w << "x" << h << " r " << radius;
        }
}
