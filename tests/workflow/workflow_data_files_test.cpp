#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "workflow/data_files.h"

// An installed program finds its help file in PREFIX/share/speckwash while a
// copy beside the executable (a build tree) still comes first.
TEST(DataFiles, BesideTheExecutableFirstThenTheInstalledFolder)
{
    char pattern[] = "/tmp/speckwash-prefix-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string prefix = pattern;
    std::filesystem::create_directories(prefix + "/bin");
    std::filesystem::create_directories(prefix + "/share/speckwash");
    const std::string exe = prefix + "/bin/speckwash";
    const std::string beside = prefix + "/bin/Speckwash.chm";
    const std::string installed = InstalledDataFilePath(exe, "Speckwash.chm");
    EXPECT_EQ(installed, prefix + "/share/speckwash/Speckwash.chm");
    EXPECT_EQ(InstalledDataFilePath("/usr/bin/../bin/speckwash", "x.chm"), "/usr/share/speckwash/x.chm");

    // Neither exists: the first place is the one to name in a message.
    EXPECT_EQ(FirstExistingFile({ beside, installed }), beside);
    std::ofstream(installed) << "help";
    EXPECT_EQ(FirstExistingFile({ beside, installed }), installed);
    std::ofstream(beside) << "help";
    EXPECT_EQ(FirstExistingFile({ beside, installed }), beside);
    // A folder of that name is not the file.
    std::filesystem::remove(beside);
    std::filesystem::create_directory(beside);
    EXPECT_EQ(FirstExistingFile({ beside, installed }), installed);
    std::filesystem::remove_all(prefix);
}
