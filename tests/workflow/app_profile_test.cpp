#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "workflow/app_profile.h"
#include "workflow/list_view_mode.h"

namespace {

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/speckwash-profile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        path = folder + "/speckwash/speckwash.INI";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Read() const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Write(const std::string& text) const
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string folder;
    std::string path;
};

TEST_F(ProfileFile, MissingFileGivesTheFallbackAndAWriteCreatesFolderAndFile)
{
    EXPECT_EQ(ReadProfileInt(path, kViewModeSection, kViewModeKey, kDefaultViewMode), ViewModeThumbnails);
    ASSERT_TRUE(WriteProfileInt(path, kViewModeSection, kViewModeKey, ViewModeDetails));
    EXPECT_EQ(Read(), "[settings]\nViewMode=28716\n");
    EXPECT_EQ(ReadProfileInt(path, kViewModeSection, kViewModeKey, kDefaultViewMode), ViewModeDetails);
    // Zero is a value like any other, not a missing key.
    ASSERT_TRUE(WriteProfileInt(path, kViewModeSection, kViewModeKey, 0));
    EXPECT_EQ(ReadProfileInt(path, kViewModeSection, kViewModeKey, kDefaultViewMode), 0);
}

TEST_F(ProfileFile, AWriteKeepsEverythingElseOfTheFile)
{
    const std::string before = "; written by hand\n"
                               "[window]\n"
                               "ViewMode=5\n"
                               "Left=10\n"
                               "\n"
                               "[Settings]\n"
                               "Other = text with = signs\n"
                               "viewmode = 28715\n"
                               "Last=1\n"
                               "\n"
                               "[extra]\n"
                               "Key=Value\n";
    Write(before);
    ASSERT_TRUE(WriteProfileInt(path, kViewModeSection, kViewModeKey, ViewModeTiles));
    std::string expected = before;
    expected.replace(expected.find("viewmode = 28715"), 16, "ViewMode=28718");
    EXPECT_EQ(Read(), expected);
    // The key of the same name in another section was not the one read or written.
    EXPECT_EQ(ReadProfileInt(path, "window", "ViewMode", -1), 5);
    EXPECT_EQ(ReadProfileInt(path, "settings", "viewMODE", -1), ViewModeTiles);
}

TEST_F(ProfileFile, ANewKeyGoesAtTheEndOfItsSectionAndANewSectionAtTheEnd)
{
    Write("[settings]\nOther=1\n\n[more]\nA=2");
    ASSERT_TRUE(WriteProfileInt(path, kViewModeSection, kViewModeKey, ViewModeList));
    EXPECT_EQ(Read(), "[settings]\nOther=1\nViewMode=28715\n\n[more]\nA=2\n");

    Write("[more]\r\nA=2\r\n");
    ASSERT_TRUE(WriteProfileInt(path, kViewModeSection, kViewModeKey, ViewModeList));
    // The file's own line breaks are kept for the lines added.
    EXPECT_EQ(Read(), "[more]\r\nA=2\r\n\r\n[settings]\r\nViewMode=28715\r\n");
    EXPECT_EQ(ReadProfileInt(path, "more", "A", -1), 2);
    EXPECT_EQ(ReadProfileInt(path, kViewModeSection, kViewModeKey, -1), ViewModeList);
}

TEST(ProfileText, ValuesReadAsLeadingDecimalNumbers)
{
    auto value = [](const std::string& text) { return ProfileTextInt("[settings]\nViewMode=" + text + "\n", "settings", "ViewMode", 77); };
    EXPECT_EQ(value("28713"), 28713);
    EXPECT_EQ(value("  -12  "), -12);
    EXPECT_EQ(value("+9x"), 9);
    EXPECT_EQ(value("thumbnails"), 0);
    EXPECT_EQ(value(""), 0);
    EXPECT_EQ(value("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(value("-99999999999999999999999"), INT_MIN);
    // Commented-out keys and keys before any section do not count.
    EXPECT_EQ(ProfileTextInt("ViewMode=1\n[settings]\n;ViewMode=2\n", "settings", "ViewMode", 77), 77);
    // A later duplicate of the section is searched too.
    EXPECT_EQ(ProfileTextInt("[settings]\nA=1\n[x]\n[settings]\nViewMode=3\n", "settings", "ViewMode", 77), 3);
    EXPECT_EQ(ProfileTextWithInt("[settings]\nA=1\n[x]\n[settings]\nViewMode=3\n", "settings", "ViewMode", 4),
        "[settings]\nA=1\n[x]\n[settings]\nViewMode=4\n");
}

TEST_F(ProfileFile, AnUnreadableProfileIsNeverReplaced)
{
    // A folder where the file should be: neither readable as a profile nor replaceable.
    std::filesystem::create_directories(path);
    EXPECT_EQ(ReadProfileInt(path, kViewModeSection, kViewModeKey, 123), 123);
    EXPECT_FALSE(WriteProfileInt(path, kViewModeSection, kViewModeKey, 1));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_FALSE(WriteProfileInt("", kViewModeSection, kViewModeKey, 1));
}

TEST(ProfilePath, FollowsTheUsersConfigurationFolder)
{
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string keptConfig = savedConfig ? savedConfig : "";
    const char* savedHome = std::getenv("HOME");
    const std::string keptHome = savedHome ? savedHome : "";

    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(AppProfilePath(), "/x/conf/speckwash/speckwash.INI");
    // A relative folder is not a configuration folder; the home default applies.
    setenv("XDG_CONFIG_HOME", "conf", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(AppProfilePath(), "/home/u/.config/speckwash/speckwash.INI");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(AppProfilePath(), "");

    if (savedConfig)
        setenv("XDG_CONFIG_HOME", keptConfig.c_str(), 1);
    if (savedHome)
        setenv("HOME", keptHome.c_str(), 1);
}

} // namespace
