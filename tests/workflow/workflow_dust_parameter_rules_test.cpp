#include <gtest/gtest.h>

#include "workflow/dust_parameter_rules.h"

namespace {

struct Derived {
    int radius, threshold, aggression;
};

Derived Derive(int dpi, int dustType)
{
    DustParams params = FreshStartDustParams();
    params.dustType = static_cast<uint8_t>(dustType);
    ResolutionMemory memory;
    ApplyResolutionRules(dpi, false, params, memory);
    return { params.dustRadius, params.dustThreshold, params.aggression };
}

} // namespace

TEST(WorkflowResolutionRules, FreshStart)
{
    DustParams p = FreshStartDustParams();
    EXPECT_EQ(p.automation, 1);
    EXPECT_EQ(p.dustType, 2);
    EXPECT_EQ(p.dustRadius, 10);
    EXPECT_EQ(p.dustThreshold, 11);
    EXPECT_EQ(p.aggression, 31);
    EXPECT_EQ(p.flatness, 25);
}

TEST(WorkflowResolutionRules, KnownResolutions)
{
    struct Case {
        int dpi, dustType, radius, threshold, aggression;
    } cases[] = {
        { 300, 2, 10, 5, 23 }, { 2400, 2, 80, 11, 6 }, { 300, 0, 3, 5, 46 }, { 600, 0, 5, 5, 41 },
        { 300, 1, 3, 5, 46 }, { 600, 2, 20, 5, 20 }, { 601, 2, 20, 11, 20 },
        // The aggression is held at 5 instead of wrapping through the byte.
        { 4800, 2, 160, 11, 5 }, { 4800, 0, 40, 11, 5 },
        // The radius is held at 255 from 7665 dpi on.
        { 7664, 2, 255, 11, 5 }, { 7665, 2, 255, 11, 5 }, { 12800, 2, 255, 11, 5 }, { 12800, 0, 107, 11, 5 },
        { 50, 2, 2, 5, 25 }, { 50, 0, 0, 5, 50 },
    };
    for (const Case& c : cases) {
        Derived d = Derive(c.dpi, c.dustType);
        EXPECT_EQ(d.radius, c.radius) << c.dpi << " dpi, type " << c.dustType;
        EXPECT_EQ(d.threshold, c.threshold) << c.dpi << " dpi, type " << c.dustType;
        EXPECT_EQ(d.aggression, c.aggression) << c.dpi << " dpi, type " << c.dustType;
    }
}

TEST(WorkflowResolutionRules, MissingResolutionUsesTheLastOne)
{
    ResolutionMemory memory;
    DustParams params = FreshStartDustParams();
    // First image of a run without a resolution: out of range, nothing changes.
    ApplyResolutionRules(0, false, params, memory);
    EXPECT_TRUE(memory.outOfRange);
    EXPECT_EQ(memory.lastResolution, 600);
    EXPECT_EQ(params.dustRadius, 10);
    EXPECT_EQ(params.dustThreshold, 11);
    EXPECT_EQ(params.aggression, 31);

    ApplyResolutionRules(300, false, params, memory);
    params = FreshStartDustParams();
    ApplyResolutionRules(0, false, params, memory);
    EXPECT_FALSE(memory.outOfRange);
    EXPECT_EQ(params.dustRadius, 10);
    EXPECT_EQ(params.dustThreshold, 5);
    EXPECT_EQ(params.aggression, 23);

    // 40 dpi is out of range: the values stay, and 600 is remembered.
    params.dustRadius = 42;
    ApplyResolutionRules(40, false, params, memory);
    EXPECT_EQ(params.dustRadius, 42);
    EXPECT_EQ(memory.lastResolution, 600);
}

TEST(WorkflowResolutionRules, CameraPhotographsGetDarkDust)
{
    ResolutionMemory memory;
    DustParams params = FreshStartDustParams();
    params.automation = 0;
    ApplyResolutionRules(300, true, params, memory);
    // The radius was derived with the type in force before the camera rule.
    EXPECT_EQ(params.dustRadius, 10);
    EXPECT_EQ(params.dustType, 0);
    EXPECT_EQ(params.automation, 1);
}

TEST(WorkflowResolutionRules, SmallImagesHoldTheRadius)
{
    DustParams params = FreshStartDustParams();
    HoldDustRadiusWithin(1, params);
    EXPECT_EQ(params.dustRadius, 1);
    params.dustRadius = 5;
    HoldDustRadiusWithin(16, params);
    EXPECT_EQ(params.dustRadius, 5);
}
