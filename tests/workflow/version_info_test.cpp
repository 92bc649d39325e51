#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <unistd.h>
#include <gtest/gtest.h>

#include "workflow/program_version.h"
#include "workflow/user_language.h"
#include "workflow/version_block_builder.h"
#include "workflow/version_info.h"

namespace {

VersionBlockContents::Table Table(uint16_t language, uint16_t codePage, const std::string& product)
{
    VersionBlockContents::Table table;
    table.language = language;
    table.codePage = codePage;
    table.strings = { { "ProductName", product }, { "CompanyName", "Quillmark Inc." },
        { "FileVersion", "3.4.5.6" } };
    return table;
}

std::vector<uint8_t> Block(std::vector<VersionBlockContents::Table> tables)
{
    VersionBlockContents contents;
    contents.parts[0] = 6; // major
    contents.parts[1] = 5;
    contents.parts[2] = 4;
    contents.parts[3] = 3; // revision
    contents.tables = std::move(tables);
    return BuildVersionBlock(contents);
}

void ExpectEmpty(const FileVersionInfo& info)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(info.Part(i), 0);
    for (int i = 0; i < VersionStringCount; ++i)
        EXPECT_EQ(info.String(static_cast<VersionString>(i)), "");
}

} // namespace

TEST(VersionInfo, OwnExecutableCarriesTheProjectVersion)
{
    FileVersionInfo info;
    ASSERT_TRUE(info.LoadFromModule());
    EXPECT_EQ(info.Part(3), 1);
    EXPECT_EQ(info.Part(2), 0);
    EXPECT_EQ(info.Part(1), 2);
    EXPECT_EQ(info.Part(0), 0);
    EXPECT_EQ(info.Part(4), 0);
    EXPECT_EQ(info.Part(-1), 0);
    EXPECT_EQ(info.String(VersionProductName), "Speckwash");
    EXPECT_EQ(info.String(VersionCompanyName), "Quillmark Inc.");
    EXPECT_EQ(info.String(VersionFileVersion), "1.0.2.0");
    EXPECT_EQ(info.String(VersionProductVersion), "1.0.2.0");
    EXPECT_EQ(info.String(VersionLegalCopyright), "Copyright \u00a9 2026 Quillmark Inc.");
    EXPECT_EQ(info.String(VersionOriginalFileName), "speckwash");
    EXPECT_EQ(info.String(VersionPrivateBuild), "") << "not in the block";
    EXPECT_EQ(info.Language(), 0x0409);
    EXPECT_EQ(info.CodePage(), 1200);

    FileVersionInfo byPath;
    ASSERT_TRUE(byPath.LoadFromFile("/proc/self/exe"));
    EXPECT_EQ(byPath.String(VersionComments), info.String(VersionComments));
    EXPECT_EQ(ProgramVersionLine(), "Speckwash 1.0.2.0");

    void* self = dlopen(nullptr, RTLD_LAZY);
    FileVersionInfo byHandle;
    EXPECT_TRUE(byHandle.LoadFromModule(self));
    EXPECT_EQ(byHandle.Part(1), 2);
    dlclose(self);
}

TEST(VersionInfo, FilesWithoutInformationReadAsZero)
{
    FileVersionInfo info;
    ASSERT_TRUE(info.LoadFromModule());
    EXPECT_FALSE(info.LoadFromFile("/nonexistent/speckwash"));
    ExpectEmpty(info);
    std::string text = "/tmp/speckwash-not-elf-" + std::to_string(getpid());
    std::ofstream(text) << "REGEDIT4\n";
    EXPECT_FALSE(info.LoadFromFile(text.c_str()));
    ExpectEmpty(info);
    unlink(text.c_str());
    EXPECT_FALSE(info.LoadFromFile(nullptr));

    void* libc = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(libc, nullptr);
    ASSERT_TRUE(info.LoadFromModule());
    EXPECT_FALSE(info.LoadFromModule(libc)) << "a library without version information";
    ExpectEmpty(info);
    dlclose(libc);
}

TEST(VersionInfo, GermanUserReadsTheEnglishOnlyTable)
{
    std::vector<uint8_t> block = Block({ Table(0x0409, 1252, "Speckwash") });
    ASSERT_FALSE(block.empty());
    const char* saved = std::getenv("LANG");
    std::string savedLang = saved ? saved : "";
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "de_DE.UTF-8", 1);
    uint16_t user = UserDefaultLanguage();
    if (saved)
        setenv("LANG", savedLang.c_str(), 1);
    else
        unsetenv("LANG");
    EXPECT_EQ(user, 0x0407);

    FileVersionInfo info;
    ASSERT_TRUE(info.LoadFromBlock(block, user));
    EXPECT_EQ(info.Language(), 0x0409);
    EXPECT_EQ(info.CodePage(), 1252);
    EXPECT_EQ(info.String(VersionProductName), "Speckwash");
    EXPECT_EQ(info.Part(3), 6);
    EXPECT_EQ(info.Part(0), 3);
}

TEST(VersionInfo, TranslationPreferenceOrder)
{
    struct Case {
        std::vector<uint32_t> languages;
        uint16_t user;
        int expected;
    } cases[] = {
        { { 0x0409, 0x0807, 0x0407 }, 0x0407, 2 }, // the user's own language first
        { { 0x0409, 0x0807 }, 0x0407, 1 }, // then the same primary language
        { { 0x0409, 0x0000 }, 0x0407, 1 }, // then a neutral one
        { { 0x0409, 0x0400 }, 0x0407, 1 }, // neutral by its low byte
        { { 0x040C, 0x0809 }, 0x0407, 1 }, // then English
        { { 0x040C, 0x0410 }, 0x0407, 0 }, // then the first
        { {}, 0x0407, -1 },
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> translations;
        for (uint32_t language : c.languages)
            translations.push_back(1200u << 16 | language);
        EXPECT_EQ(ChooseTranslation(translations, c.user), c.expected) << c.languages.size();
    }

    std::vector<uint8_t> block = Block({ Table(0x0407, 1252, "Staubwäsche"), Table(0x0409, 1252, "Speckwash") });
    FileVersionInfo info;
    ASSERT_TRUE(info.LoadFromBlock(block, 0x0C07));
    EXPECT_EQ(info.String(VersionProductName), "Staubwäsche");
    ASSERT_TRUE(info.LoadFromBlock(block, 0x040C));
    EXPECT_EQ(info.String(VersionProductName), "Speckwash");
}

TEST(VersionInfo, LocaleNamesMapToLanguageIdentifiers)
{
    EXPECT_EQ(LanguageFromLocaleName("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LanguageFromLocaleName("de_AT@euro"), 0x0C07);
    EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LanguageFromLocaleName("en_GB"), 0x0809);
    EXPECT_EQ(LanguageFromLocaleName("fr"), 0x040C);
    EXPECT_EQ(LanguageFromLocaleName("pt_BR.UTF-8"), 0x0416);
    EXPECT_EQ(LanguageFromLocaleName("C.UTF-8"), 0x0409);
    EXPECT_EQ(LanguageFromLocaleName("POSIX"), 0x0409);
    EXPECT_EQ(LanguageFromLocaleName("xx_YY"), 0);
}
