#include <gtest/gtest.h>

#include "workflow/registry_file.h"

namespace {

RegistryDocument Parse(const std::string& text, RegistryParseReport& report)
{
    return ParseRegistryText(text, report);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int value : values)
        out.push_back(static_cast<uint8_t>(value));
    return out;
}

} // namespace

TEST(SettingsRegistryFile, ReadsEveryValueForm)
{
    RegistryParseReport report;
    RegistryDocument document = Parse("REGEDIT4\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\r\n"
                                      "\"View\"=\"1\"\r\n"
                                      "\"X\"=dword:0000000c\r\n"
                                      "\"B\"=hex:01,02\r\n"
                                      "\"M\"=hex(7):61,00,62,00,00\r\n"
                                      "\"Quote \\\"and\\\\ slash\"=\"C:\\\\dir\\\\\"\r\n"
                                      "@=\"default\"\r\n",
        report);
    EXPECT_EQ(report.unreadableLines, 0);
    RegistryFileKey* key = document.FindKey("hkey_local_machine\\SOFTWARE\\quillmark inc\\speckwash\\1.0");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 6u);
    EXPECT_EQ(key->values[0].type, RegString);
    EXPECT_EQ(key->values[0].data, Bytes({ '1', 0 }));
    EXPECT_EQ(key->values[1].type, RegDword);
    EXPECT_EQ(key->values[1].data, Bytes({ 12, 0, 0, 0 }));
    EXPECT_EQ(key->values[2].type, RegBinary);
    EXPECT_EQ(key->values[2].data, Bytes({ 1, 2 }));
    EXPECT_EQ(key->values[3].type, RegMultiString);
    EXPECT_EQ(key->values[3].data, Bytes({ 'a', 0, 'b', 0, 0 }));
    EXPECT_EQ(key->values[4].name, "Quote \"and\\ slash");
    EXPECT_EQ(key->values[4].data, Bytes({ 'C', ':', '\\', 'd', 'i', 'r', '\\', 0 }));
    EXPECT_EQ(key->values[5].name, "");
    // Parents of a listed key exist although the file does not list them.
    EXPECT_TRUE(document.KeyExists("HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc"));
    EXPECT_FALSE(document.KeyExists("HKEY_LOCAL_MACHINE\\Software\\Quill"));
}

TEST(SettingsRegistryFile, WritesWhatItReadsBack)
{
    RegistryDocument document;
    RegistryFileKey& key = document.AddKey("HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0");
    SetRegistryValue(key, "Text", RegString, Bytes({ 'a', '"', '\\', 0 }));
    SetRegistryValue(key, "Line break", RegString, Bytes({ 'a', '\n', 'b', 0 })); // needs the hex form
    SetRegistryValue(key, "Dword", RegDword, Bytes({ 0x78, 0x56, 0x34, 0x12 }));
    SetRegistryValue(key, "Short dword", RegDword, Bytes({ 1, 2 }));
    SetRegistryValue(key, "Empty", RegBinary, {});
    SetRegistryValue(key, "Other type", 11, Bytes({ 1, 2, 3, 4, 5, 6, 7, 8 }));
    std::vector<uint8_t> large(700);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<uint8_t>(i * 7);
    SetRegistryValue(key, "Large =hex \"name\"", RegBinary, large); // wrapped; its name looks like data

    std::string text = FormatRegistryText(document);
    EXPECT_EQ(text.rfind("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\n", 0), 0u);
    EXPECT_NE(text.find("\"Dword\"=dword:12345678\n"), std::string::npos);
    EXPECT_NE(text.find("\"Text\"=\"a\\\"\\\\\"\n"), std::string::npos);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << "long lines are wrapped";

    RegistryParseReport report;
    RegistryDocument back = ParseRegistryText(text, report);
    EXPECT_EQ(report.unreadableLines, 0);
    ASSERT_EQ(back.keys.size(), 1u);
    ASSERT_EQ(back.keys[0].values.size(), key.values.size());
    for (size_t i = 0; i < key.values.size(); ++i) {
        EXPECT_EQ(back.keys[0].values[i].name, key.values[i].name);
        EXPECT_EQ(back.keys[0].values[i].type, key.values[i].type) << key.values[i].name;
        EXPECT_EQ(back.keys[0].values[i].data, key.values[i].data) << key.values[i].name;
    }
}

TEST(SettingsRegistryFile, IgnoresAndCountsUnreadableLines)
{
    const std::string good = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Kept\"=\"1\"\n";
    struct Case {
        const char* text;
        int unreadable;
    } cases[] = {
        { "\"Cut\"=dwo", 1 }, // truncated mid-line
        { "\"Cut\"=hex:01,02,\\", 1 }, // continuation at the end of the file
        { "\"Bad\"=dword:123456789\n\"Bad2\"=hex:1g\n\"Bad3\"=\"open", 3 },
        { "\"Bad\"=\"x\\n\"\n", 1 }, // escapes other than \\ and \" are not ours
        { "[HKEY_NOWHERE\\X]\n\"Orphan\"=\"1\"\n", 2 },
        { "[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 1 },
        { "\"Delete\"=-\n", 1 },
        { "garbage without quotes\n; a comment is fine\n", 1 },
    };
    for (const Case& c : cases) {
        RegistryParseReport report;
        RegistryDocument document = ParseRegistryText(good + c.text, report);
        EXPECT_EQ(report.unreadableLines, c.unreadable) << c.text;
        EXPECT_EQ(report.firstUnreadableLine, c.unreadable ? 5 : 0) << c.text;
        RegistryFileKey* key = document.FindKey("HKEY_LOCAL_MACHINE\\Software\\A");
        ASSERT_NE(key, nullptr);
        ASSERT_FALSE(key->values.empty());
        EXPECT_EQ(key->values[0].name, "Kept");
    }
    RegistryParseReport report;
    ParseRegistryText("[HKEY_CURRENT_USER\\X]\n", report);
    EXPECT_EQ(report.unreadableLines, 1) << "a file without its header line";
}

TEST(SettingsRegistryFile, LaterDuplicatesReplaceEarlierOnes)
{
    RegistryParseReport report;
    RegistryDocument document = ParseRegistryText("REGEDIT4\n[HKEY_USERS\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
                                                  "[hkey_users\\k]\n\"A\"=dword:00000003\n",
        report);
    ASSERT_EQ(document.keys.size(), 1u);
    ASSERT_EQ(document.keys[0].values.size(), 2u);
    EXPECT_EQ(document.keys[0].values[0].type, RegDword);
    EXPECT_EQ(document.keys[0].values[0].data, Bytes({ 3, 0, 0, 0 }));
}

TEST(SettingsRegistryFile, RefusesPathsTheFileCannotHold)
{
    EXPECT_EQ(RegistryFullPath(RegLocalMachine, "Software\\X"), "HKEY_LOCAL_MACHINE\\Software\\X");
    EXPECT_EQ(RegistryFullPath(RegLocalMachine, "Software\\\\X"), "");
    EXPECT_EQ(RegistryFullPath(RegLocalMachine, "Software\\X\\"), "");
    EXPECT_EQ(RegistryFullPath(RegLocalMachine, "Soft\nware"), "");
    EXPECT_EQ(RegistryFullPath(static_cast<RegistryRoot>(9), "Software"), "");
    EXPECT_FALSE(RegistryValueNameWritable("two\nlines"));
}
