#include <gtest/gtest.h>

#include "workflow/spot_review.h"

namespace {
// Spots of one run each: { row, first x, end x }.
SpotList Spots(std::vector<SpotRun> runs) { return LabelSpotRuns(runs); }
} // namespace

TEST(SpotReviewSteps, CaptionGroupsThousands)
{
    EXPECT_EQ(SpotCountCaption(1), "1 spot corrected");
    EXPECT_EQ(SpotCountCaption(999), "999 spots corrected");
    EXPECT_EQ(SpotCountCaption(1234567), "1,234,567 spots corrected");
}

// Stepping wraps at both ends; after a veto the review stays at its place,
// now the next spot; after a change that reorders the list it stays on its spot.
TEST(SpotReviewSteps, StepsWrapAndFollowTheList)
{
    const SpotList three = Spots({ { 1, 0, 5 }, { 3, 0, 3 }, { 5, 0, 4 } }); // sizes 5, 3, 4
    SpotReview review;
    EXPECT_EQ(review.Previous(three), 2); // from nothing back to the smallest
    EXPECT_EQ(review.Next(three), 0);
    EXPECT_EQ(review.Next(three), 1);
    EXPECT_EQ(three.Spots()[1].box.top, 5);

    const SpotList vetoed = Spots({ { 1, 0, 5 }, { 3, 0, 3 } }); // the spot at row 5 is gone
    EXPECT_EQ(review.Follow(vetoed), 1);
    EXPECT_EQ(vetoed.Spots()[1].box.top, 3);
    const SpotList grown = Spots({ { 1, 0, 5 }, { 3, 0, 9 } }); // row 3 is now the largest
    EXPECT_EQ(review.Follow(grown), 0);
    EXPECT_EQ(review.Follow(SpotList()), -1);
    EXPECT_EQ(review.Next(SpotList()), -1);
}
