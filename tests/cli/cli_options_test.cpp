#include <gtest/gtest.h>

#include "cli/clean_options.h"

namespace {

struct Parsed {
    bool ok;
    bool help;
    CleanOptions options;
    std::string error;
};

Parsed Parse(std::vector<std::string> args)
{
    Parsed p {};
    p.ok = ParseCleanArguments(args, p.options, p.help, p.error);
    return p;
}

} // namespace

TEST(CliCleanOptions, AcceptsEveryOption)
{
    Parsed p = Parse({ "a.tif", "b.png", "--out-dir", "out", "--format=png", "--maps", "--dust-type", "bright",
        "--size", "12", "--amount=30", "--aggression", "5", "--no-auto", "--dpi", "1200", "--quality", "medium",
        "--jobs", "3", "--quiet", "--overwrite", "--", "-odd-name.tif" });
    ASSERT_TRUE(p.ok) << p.error;
    const CleanOptions& o = p.options;
    EXPECT_EQ(o.inputs, (std::vector<std::string> { "a.tif", "b.png", "-odd-name.tif" }));
    EXPECT_EQ(o.outDir, "out");
    EXPECT_EQ(o.format, "png");
    EXPECT_TRUE(o.maps);
    EXPECT_EQ(o.dustType, 1);
    EXPECT_EQ(o.dustRadius, 12);
    EXPECT_EQ(o.dustThreshold, 30);
    EXPECT_EQ(o.aggression, 5);
    EXPECT_TRUE(o.noAuto);
    EXPECT_EQ(o.dpi, 1200);
    EXPECT_EQ(o.jpegQuality, 40);
    EXPECT_EQ(o.jobs, 3);
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.overwrite);
}

TEST(CliCleanOptions, DefaultsLeaveTheDerivedParametersAlone)
{
    Parsed p = Parse({ "in.jpg", "-o", "out.jpg", "--map", "map.png" });
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.options.dustType || p.options.dustRadius || p.options.dustThreshold || p.options.aggression);
    EXPECT_FALSE(p.options.jpegQuality);
    EXPECT_EQ(p.options.jobs, 0);
    EXPECT_EQ(p.options.mapPath, "map.png");
}

TEST(CliCleanOptions, QualityNames)
{
    int q = 0;
    EXPECT_TRUE(ParseJpegQuality("low", q) && q == 24);
    EXPECT_TRUE(ParseJpegQuality("high", q) && q == 60);
    EXPECT_TRUE(ParseJpegQuality("same", q) && q == 200);
    EXPECT_TRUE(ParseJpegQuality("85", q) && q == 85);
    for (const char* bad : { "0", "101", "200", "8x", "", "-5", "HIGH" })
        EXPECT_FALSE(ParseJpegQuality(bad, q)) << bad;
}

TEST(CliCleanOptions, UsageErrors)
{
    const std::vector<std::vector<std::string>> bad = {
        {}, // nothing at all
        { "a.tif" }, // no output
        { "a.tif", "-o", "x.tif", "--out-dir", "d" }, // both outputs
        { "a.tif", "b.tif", "-o", "x.tif" }, // -o with two inputs
        { "-o", "x.tif" }, // no input
        { "a.tif", "-o", "x.tif", "--format", "png" }, // --format goes with --out-dir
        { "a.tif", "-o", "x.tif", "--maps" },
        { "a.tif", "--out-dir", "d", "--map", "m.png" },
        { "a.tif", "-o", "x.tif", "--spots-dir", "d" },
        { "a.tif", "--out-dir", "d", "--spots", "s.json" },
        { "--from-list", "l.txt", "-o", "x.tif" },
        { "a.tif", "--out-dir", "d", "--format", "gif" },
        { "a.tif", "--out-dir", "d", "--amount", "0" },
        { "a.tif", "--out-dir", "d", "--amount", "31" },
        { "a.tif", "--out-dir", "d", "--aggression", "4" },
        { "a.tif", "--out-dir", "d", "--aggression", "52" },
        { "a.tif", "--out-dir", "d", "--size", "256" },
        { "a.tif", "--out-dir", "d", "--dust-type", "grey" },
        { "a.tif", "--out-dir", "d", "--jobs", "0" },
        { "a.tif", "--out-dir", "d", "--jobs" }, // missing value
        { "a.tif", "--out-dir", "d", "--frobnicate" },
        { "a.tif", "--out-dir", "d", "--quiet=yes" },
    };
    for (const auto& args : bad) {
        Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << testing::PrintToString(args);
        EXPECT_FALSE(p.error.empty());
    }
}

TEST(CliCleanOptions, HelpWinsOverEverythingElse)
{
    Parsed p = Parse({ "--amount", "99", "--help" });
    EXPECT_FALSE(p.ok); // the bad amount comes first
    p = Parse({ "a.tif", "--help" });
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.help);
}

TEST(CliCleanOptions, BoundedIntegers)
{
    int v = 0;
    EXPECT_TRUE(ParseBoundedInt("5", 5, 51, v) && v == 5);
    EXPECT_TRUE(ParseBoundedInt("51", 5, 51, v) && v == 51);
    EXPECT_FALSE(ParseBoundedInt("5.0", 5, 51, v));
    EXPECT_FALSE(ParseBoundedInt(" 7", 5, 51, v));
    EXPECT_FALSE(ParseBoundedInt("99999999999999999999", 0, 100, v));
}
