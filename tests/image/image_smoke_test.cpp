#include <gtest/gtest.h>

#include "image/image.h"

TEST(CImageConstruction, DefaultsAndPlanes)
{
    CImage image(4, 3, 3, SampleU8);
    EXPECT_TRUE(image.HasPlanes());
    EXPECT_EQ(image.jpegQuality, 75);
    EXPECT_EQ(image.jpegSubsampling, 2);
    EXPECT_EQ(image.planes[3], nullptr);
}
