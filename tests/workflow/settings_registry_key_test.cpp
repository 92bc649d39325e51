#include <gtest/gtest.h>

#include "settings_test_support.h"
#include "workflow/registry_file.h"
#include "workflow/registry_key.h"

namespace {

constexpr uint32_t kQuerySet = RegAccessQuery | RegAccessSet;

const std::string kKeyLine = "[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\n";

} // namespace

using SettingsRegistryKey = ScratchRegistry;

TEST_F(SettingsRegistryKey, ReadsHandWrittenValuesByType)
{
    WriteFile("REGEDIT4\n\n" + kKeyLine
        + "\"DustRadius\"=dword:0000000c\n"
          "\"DustType\"=\"abc\"\n"
          "\"View\"=\"0\"\n"
          "\"Binary\"=hex:37,35\n"
          "\"Lines\"=hex(7):61,00,62,63,00,64,00,00\n"
          "\"Other\"=hex(b):01,00,00,00,00,00,00,00\n");
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    EXPECT_EQ(key.Value("DustRadius").GetInteger(), 12);
    EXPECT_TRUE(key.Value("DustRadius").GetFlag());
    EXPECT_EQ(key.Value("DustRadius").GetText(), "12");
    EXPECT_EQ(key.Value("DustType").GetInteger(), 0);
    EXPECT_FALSE(key.Value("DustType").GetFlag());
    EXPECT_FALSE(key.Value("View").GetFlag());
    EXPECT_TRUE(key.Value("View").IsPresent());
    EXPECT_EQ(key.Value("Binary").GetInteger(), 75);
    const std::string& lines = key.Value("lines").GetText();
    EXPECT_EQ(lines, std::string("a\0bc\0d\0\0", 8)) << "three strings, each terminated, then one more zero";
    EXPECT_EQ(key.Value("Lines").Strings().size(), 3u);
    EXPECT_EQ(key.Value("Lines").GetInteger(), 0);
    EXPECT_FALSE(key.Value("Other").IsPresent()) << "types the program does not use are not loaded";
    EXPECT_EQ(key.Value("Missing").GetInteger(), 0);
}

TEST_F(SettingsRegistryKey, CacheFollowsThePathNotItsCase)
{
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    key.Value("OnlyInCache").SetInteger(5); // written, then removed behind the key's back
    WriteFile("REGEDIT4\n\n" + kKeyLine);
    key.Close();
    ASSERT_TRUE(key.Open("SOFTWARE\\quillmark inc\\SPECKWASH\\1.0", RegLocalMachine, kQuerySet));
    EXPECT_EQ(key.Value("OnlyInCache").GetInteger(), 5) << "same path in another case keeps the cache";
    key.Close();
    ASSERT_TRUE(key.Open("Software\\Quillmark Inc\\Speckwash\\2.0", RegLocalMachine, kQuerySet));
    EXPECT_EQ(key.CachedValueCount(), 0u);
    EXPECT_EQ(key.Value("OnlyInCache").GetInteger(), 0) << "another path drops the cache";
}

TEST_F(SettingsRegistryKey, ValueLookupIgnoresCaseAndLimitsNames)
{
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    RegistryValue& view = key.Value("View");
    EXPECT_EQ(&key.Value("VIEW"), &view);
    EXPECT_EQ(key.CachedValueCount(), 1u);

    int errors = RegistryCallerErrors();
    std::string longest(_MAX_REG_VALUE - 1, 'n');
    EXPECT_EQ(key.Value(longest).Name(), longest);
    EXPECT_EQ(RegistryCallerErrors(), errors);

    std::string tooLong(_MAX_REG_VALUE, 'n');
    RegistryValue& refused = key.Value(tooLong);
    EXPECT_EQ(RegistryCallerErrors(), errors + 1) << "a name of 2048 characters is refused by the check";
    EXPECT_TRUE(refused.Name().empty());
    refused.SetInteger(7);
    EXPECT_EQ(key.CachedValueCount(), 2u);
    EXPECT_EQ(ReadFile().find("nnnn"), std::string::npos) << "a refused name is never written";
}

TEST_F(SettingsRegistryKey, CallerErrorsAreCheckedAndLongTextCut)
{
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    int errors = RegistryCallerErrors();
    key.Value("Long").SetString(std::string(3000, 'x'));
    EXPECT_EQ(RegistryCallerErrors(), errors + 1);
    EXPECT_EQ(key.Value("Long").GetText().size(), _MAX_REG_VALUE - 1);
    key.Value("Fits").SetString(std::string(_MAX_REG_VALUE - 1, 'y'));
    EXPECT_EQ(RegistryCallerErrors(), errors + 1);
    uint8_t none = 0;
    key.Value("Empty").SetBinary(&none, 0);
    EXPECT_EQ(RegistryCallerErrors(), errors + 2);

    // A binary value longer than the text limit still converts within it.
    std::vector<uint8_t> large(5000, '1');
    key.Value("Large").SetBinary(large.data(), large.size());
    EXPECT_EQ(key.Value("Large").GetText().size(), _MAX_REG_VALUE - 1);
    EXPECT_EQ(key.Value("Large").Bytes().size(), large.size());

    // The 2047 characters survive the file and a fresh load.
    RegistryKey again(RegOptionCreate);
    ASSERT_TRUE(again.Open(kTestKey, RegLocalMachine, kQuerySet));
    EXPECT_EQ(again.Value("Long").GetText(), std::string(_MAX_REG_VALUE - 1, 'x'));
    EXPECT_FALSE(again.Value("Large").IsPresent()) << "values beyond the load buffer are skipped";
}

TEST_F(SettingsRegistryKey, MultiStringSplitsAtZeroBytes)
{
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    RegistryValue& value = key.Value("M");
    value.SetMultiString("one\0two\0three\0", 15);
    EXPECT_EQ(value.Strings(), (std::vector<std::string> { "one", "two", "three" }));
    value.SetMultiString("one\0\0two", 8); // empty middle string, no terminator at the end
    EXPECT_EQ(value.Strings(), (std::vector<std::string> { "one", "", "two" }));
    value.SetMultiString("a\0", 2); // under three bytes: no strings
    EXPECT_TRUE(value.Strings().empty());
    EXPECT_EQ(value.GetText(), std::string(1, '\0'));
}

TEST_F(SettingsRegistryKey, EverySetReachesTheFileAsValidText)
{
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    key.Value("View").SetInteger(1);
    key.Value("X").SetDword(12);
    const uint8_t bytes[] = { 1, 2 };
    key.Value("B").SetBinary(bytes, sizeof bytes);
    key.Value("M").SetMultiString("a\0b\0\0", 5);
    key.Value("View").SetFlag(false);

    std::string text = ReadFile();
    EXPECT_EQ(text,
        "REGEDIT4\n\n" + kKeyLine
            + "\"View\"=\"0\"\n\"X\"=dword:0000000c\n\"B\"=hex:01,02\n\"M\"=hex(7):61,00,62,00,00\n\n");
    RegistryParseReport report;
    RegistryDocument document = ParseRegistryText(text, report);
    EXPECT_EQ(report.unreadableLines, 0);
    EXPECT_NE(document.FindKey("HKEY_LOCAL_MACHINE\\" + std::string(kTestKey)), nullptr);
}

TEST_F(SettingsRegistryKey, LoadingWritesNothingBack)
{
    WriteFile("REGEDIT4\n\n" + kKeyLine + "\"A\"=\"1\"\n\n\n; hand-written layout\n");
    std::string before = ReadFile();
    RegistryKey key(RegOptionCreate);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    EXPECT_EQ(key.Value("A").GetInteger(), 1);
    EXPECT_EQ(ReadFile(), before);
}

TEST_F(SettingsRegistryKey, WithoutAStoreValuesLiveInTheCache)
{
    // A regular file where the file's folder should be: nothing can be
    // opened or created.
    std::string blocker = folder + "/blocker";
    std::ofstream(blocker) << "x";
    setenv("SPECKWASH_REGISTRY", (blocker + "/registry.reg").c_str(), 1);
    RegistryKey key(RegOptionCreate);
    EXPECT_FALSE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    key.Value("View").SetInteger(0);
    key.Value("DustRadius").SetInteger(14);
    EXPECT_EQ(key.Value("DustRadius").GetInteger(), 14);
    EXPECT_FALSE(key.Value("View").GetFlag());
    EXPECT_EQ(key.Value("Never").GetInteger(), 0);
}

TEST_F(SettingsRegistryKey, OpenWithoutCreateNeedsTheKey)
{
    RegistryKey key(0);
    EXPECT_FALSE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    WriteFile("REGEDIT4\n\n" + kKeyLine + "\"A\"=\"3\"\n");
    EXPECT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    EXPECT_EQ(key.Value("A").GetInteger(), 3);
    EXPECT_TRUE(key.Open("Software\\Quillmark Inc", RegLocalMachine, kQuerySet)) << "parents exist";

    RegistryKey readOnly(RegOptionCreate);
    ASSERT_TRUE(readOnly.Open(kTestKey, RegLocalMachine, RegAccessQuery));
    readOnly.Value("A").SetInteger(4);
    EXPECT_EQ(readOnly.Value("A").GetInteger(), 4);
    EXPECT_NE(ReadFile().find("\"A\"=\"3\""), std::string::npos) << "no set access, no write";
}

TEST_F(SettingsRegistryKey, OpenOnDemandClosesAfterEachOperation)
{
    RegistryKey key(RegOptionCreate | RegOptionOpenOnDemand);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    EXPECT_FALSE(key.IsOpen());
    key.Value("A").SetInteger(9);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_NE(ReadFile().find("\"A\"=\"9\""), std::string::npos);
}

TEST_F(SettingsRegistryKey, RefreshSeesAnotherWriter)
{
    RegistryKey reader(RegOptionCreate | RegOptionRefresh);
    ASSERT_TRUE(reader.Open(kTestKey, RegLocalMachine, kQuerySet));
    RegistryValue& value = reader.Value("Shared");
    EXPECT_EQ(value.GetInteger(), 0);
    {
        RegistryKey writer(RegOptionCreate);
        ASSERT_TRUE(writer.Open(kTestKey, RegLocalMachine, kQuerySet));
        writer.Value("Shared").SetInteger(21);
    }
    EXPECT_EQ(value.GetInteger(), 21);

    RegistryKey plain(RegOptionCreate);
    ASSERT_TRUE(plain.Open(kTestKey, RegLocalMachine, kQuerySet));
    RegistryKey writer(RegOptionCreate);
    ASSERT_TRUE(writer.Open(kTestKey, RegLocalMachine, kQuerySet));
    writer.Value("Shared").SetInteger(22);
    EXPECT_EQ(plain.Value("Shared").GetInteger(), 21) << "without refresh the cache answers";
}

TEST_F(SettingsRegistryKey, DamagedFileIsReadAroundAndRepaired)
{
    WriteFile("REGEDIT4\n\n" + kKeyLine + "\"View\"=\"0\"\n\"Broken\"=dword:zz\n\"Cut\"=hex:01,");
    RegistryKey key(RegOptionCreate);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, kQuerySet));
    key.Value("DustType").SetInteger(1);
    std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("2 unreadable line(s)"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("unreadable", messages.find("unreadable") + 1), std::string::npos) << "reported once";
    EXPECT_FALSE(key.Value("View").GetFlag());
    RegistryParseReport report;
    ParseRegistryText(ReadFile(), report);
    EXPECT_EQ(report.unreadableLines, 0);
    EXPECT_NE(ReadFile().find("\"View\"=\"0\""), std::string::npos);
}

TEST(SettingsRegistryDecimal, ReadsLikeAtoiWithoutOverflow)
{
    EXPECT_EQ(RegistryDecimal("  42abc"), 42);
    EXPECT_EQ(RegistryDecimal("-17"), -17);
    EXPECT_EQ(RegistryDecimal("+5"), 5);
    EXPECT_EQ(RegistryDecimal("abc"), 0);
    EXPECT_EQ(RegistryDecimal(""), 0);
    EXPECT_EQ(RegistryDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(RegistryDecimal("-99999999999999999999"), -2147483647 - 1);
}
