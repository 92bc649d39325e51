#include <algorithm>
#include <gtest/gtest.h>

#include "settings_test_support.h"
#include "workflow/infrared_settings.h"
#include "workflow/registry_file.h"
#include "workflow/settings_table.h"
#include "workflow/version_info.h"

namespace {

// What the main window does at every start.
std::vector<std::string> StartProgram(const FileVersionInfo& version)
{
    RegistryKey key(RegOptionCreate);
    OpenSettingsKey(key, version);
    std::vector<std::string> written = WriteMissingSettingDefaults(key, version);
    key.Close();
    return written;
}

} // namespace

using SettingsDefaults = ScratchRegistry;

TEST_F(SettingsDefaults, FirstStartWritesTheTenDefaults)
{
    FileVersionInfo version;
    ASSERT_TRUE(version.LoadFromModule());
    EXPECT_EQ(SettingsKeyPath(version), "Software\\Quillmark Inc\\Speckwash\\1.0");
    EXPECT_EQ(StartProgram(version).size(), 10u);
    EXPECT_EQ(ReadFile(),
        "REGEDIT4\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\n"
        "\"Version\"=\"1.0.2.0\"\n"
        "\"View\"=\"1\"\n"
        "\"Highlight\"=\"1\"\n"
        "\"DustType\"=\"2\"\n"
        "\"DustAutomation\"=\"1\"\n"
        "\"AggressionRadius\"=\"31\"\n"
        "\"DustRadius\"=\"10\"\n"
        "\"DustThreshold\"=\"11\"\n"
        "\"SaveAsRotated\"=\"0\"\n"
        "\"ShowControls\"=\"1\"\n\n");
}

TEST_F(SettingsDefaults, LaterStartsRewriteOnlyShowControls)
{
    FileVersionInfo version;
    ASSERT_TRUE(version.LoadFromModule());
    StartProgram(version);
    {
        RegistryKey key(RegOptionCreate);
        ASSERT_TRUE(OpenSettingsKey(key, version));
        key.Value("View").SetInteger(0);
        key.Value("ShowControls").SetFlag(false);
        key.Value("DustRadius").SetDword(12); // edited by hand into another type
    }
    EXPECT_EQ(StartProgram(version), std::vector<std::string> { "ShowControls" });

    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(OpenSettingsKey(key, version));
    EXPECT_EQ(key.Value("View").GetInteger(), 0);
    EXPECT_EQ(key.Value("DustRadius").GetInteger(), 12);
    EXPECT_TRUE(key.Value("ShowControls").GetFlag());

    // A value lost from the file comes back with its default only.
    WriteFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\n\"View\"=\"0\"\n");
    std::vector<std::string> written = StartProgram(version);
    EXPECT_EQ(written.size(), 9u);
    EXPECT_EQ(std::count(written.begin(), written.end(), "View"), 0);
}

TEST_F(SettingsDefaults, KeyNamesTheVersionThatMadeIt)
{
    FileVersionInfo none; // a program without version information
    EXPECT_EQ(SettingsKeyPath(none), "Software\\Quillmark Inc\\Speckwash\\0.0");
    StartProgram(none);
    EXPECT_NE(ReadFile().find("[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\0.0]\n"
                              "\"Version\"=\"0.0.0.0\"\n"),
        std::string::npos);
}

// The infrared choice is not among the start-up defaults: reading it from a
// store that never had it writes nothing, and what the user stores reads back.
TEST_F(SettingsDefaults, InfraredChoiceIsWrittenOnlyWhenChanged)
{
    FileVersionInfo version;
    ASSERT_TRUE(version.LoadFromModule());
    StartProgram(version);
    const std::string before = ReadFile();
    {
        RegistryKey key(RegOptionCreate);
        OpenSettingsKey(key, version);
        InfraredSettings read = ReadInfraredSettings(key);
        EXPECT_TRUE(read.enabled);
        EXPECT_EQ(read.sensitivity, 5);
        EXPECT_EQ(InfraredParamByte(read, true), 5);
        EXPECT_EQ(InfraredParamByte(read, false), 0);
    }
    EXPECT_EQ(ReadFile(), before);
    {
        RegistryKey key(RegOptionCreate);
        OpenSettingsKey(key, version);
        StoreInfraredSettings(key, { false, 8 });
        key.Value(kInfraredSensitivitySettingName).SetInteger(40); // edited by hand, out of range
    }
    RegistryKey key(RegOptionCreate);
    OpenSettingsKey(key, version);
    InfraredSettings read = ReadInfraredSettings(key);
    EXPECT_FALSE(read.enabled);
    EXPECT_EQ(read.sensitivity, 10);
    EXPECT_EQ(InfraredParamByte(read, true), 0);
}
