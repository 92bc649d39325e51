#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "cli/output_files.h"
#include "cli/output_plan.h"

namespace {

class CliFolder : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "speckwash-cli-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Path(name));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    size_t FileCount() const
    {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }
    std::string folder;
};

CleanOptions OutDir(const std::string& dir)
{
    CleanOptions o;
    o.outDir = dir;
    return o;
}

} // namespace

TEST(CliOutputPlan, ExtensionsUnderOutDir)
{
    EXPECT_EQ(OutputExtensionFor("scan.TIFF", ""), ".tif");
    EXPECT_EQ(OutputExtensionFor("photo.JPEG", ""), ".jpg");
    EXPECT_EQ(OutputExtensionFor("photo.Jpg", ""), ".jpg");
    EXPECT_EQ(OutputExtensionFor("a.bmp", ""), ".bmp");
    EXPECT_EQ(OutputExtensionFor("a.png", ""), ".png");
    // Formats that cannot be written become TIFF, which loses nothing.
    EXPECT_EQ(OutputExtensionFor("anim.gif", ""), ".tif");
    EXPECT_EQ(OutputExtensionFor("layers.psd", ""), ".tif");
    EXPECT_EQ(OutputExtensionFor("no-extension", ""), ".tif");
    EXPECT_EQ(OutputExtensionFor("a.png", "jpg"), ".jpg");
    EXPECT_EQ(MapPathBeside("out/a.tif"), "out/a.dustmap.png");
    EXPECT_EQ(MapPathBeside("out.d/a"), "out.d/a.dustmap.png");
}

TEST_F(CliFolder, PlanNamesOutputsAfterInputs)
{
    CleanOptions o = OutDir(folder);
    o.maps = true;
    o.spotsDir = Path("lists");
    auto plan = PlanOutputs(o, { "/scans/roll1/frame.TIFF", "print.gif", "x/photo.jpeg", "y/frame.png" });
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].output, Path("frame.tif"));
    EXPECT_EQ(plan[0].mapPath, Path("frame.dustmap.png"));
    EXPECT_EQ(plan[0].spotsPath, Path("lists/frame.spots.json"));
    EXPECT_EQ(plan[1].output, Path("print.tif"));
    EXPECT_EQ(plan[2].output, Path("photo.jpg"));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(plan[i].problem.empty()) << plan[i].problem;
    // frame.png keeps its format, so its image has a name of its own; its spot list has not.
    EXPECT_NE(plan[3].problem.find("also the spot list of /scans/roll1/frame.TIFF"), std::string::npos);

    // Without spot lists the maps collide the same way, and the second would overwrite the first.
    o.spotsDir.clear();
    plan = PlanOutputs(o, { "/scans/roll1/frame.TIFF", "y/frame.png" });
    EXPECT_TRUE(plan[0].problem.empty()) << plan[0].problem;
    EXPECT_NE(plan[1].problem.find("also the detection map of /scans/roll1/frame.TIFF"), std::string::npos)
        << plan[1].problem;
}

TEST_F(CliFolder, PlanRefusesWhatMustNotHappen)
{
    Write("exists.tif", "x");
    Write("input.png", "x");
    CleanOptions o = OutDir(folder);
    o.format = "tif";
    auto plan = PlanOutputs(o, { "a/exists.png", "b/same.png", "c/same.bmp", Path("input.png") });
    EXPECT_NE(plan[0].problem.find("exists"), std::string::npos);
    EXPECT_TRUE(plan[1].problem.empty());
    EXPECT_NE(plan[2].problem.find("also the output of b/same.png"), std::string::npos);
    EXPECT_TRUE(plan[3].problem.empty()); // input.png → input.tif

    CleanOptions single;
    single.output = Path("input.png");
    plan = PlanOutputs(single, { Path("input.png") });
    EXPECT_NE(plan[0].problem.find("would overwrite its input"), std::string::npos);
    single.overwrite = true;
    plan = PlanOutputs(single, { Path("input.png") });
    EXPECT_TRUE(plan[0].problem.empty());

    single.spotsPath = Path("input.png"); // the spot list would replace the image
    plan = PlanOutputs(single, { "in.tif" });
    EXPECT_NE(plan[0].problem.find("named for both"), std::string::npos);
    single.spotsPath.clear();

    single.output = Path("out.gif");
    plan = PlanOutputs(single, { "in.png" });
    EXPECT_NE(plan[0].problem.find("cannot write"), std::string::npos);
}

TEST_F(CliFolder, CommitNeverReplacesWithoutOverwrite)
{
    std::string temporary;
    ASSERT_TRUE(CreateTemporaryBeside(Path("out.tif"), temporary));
    // The writer is chosen by extension, so the temporary name keeps it.
    EXPECT_EQ(temporary.substr(temporary.size() - 4), ".tif");
    // Short whatever the target's length, so that the longest names can be written.
    EXPECT_EQ(temporary.rfind(folder + "/.sw-", 0), 0u);
    EXPECT_EQ(temporary.size(), folder.size() + std::string("/.sw-XXXXXX.tif").size());
    std::ofstream(temporary) << "new";
    Write("out.tif", "old");
    std::string error;
    EXPECT_FALSE(CommitTemporary(temporary, Path("out.tif"), false, error));
    EXPECT_NE(error.find("exists"), std::string::npos);
    EXPECT_EQ(Read("out.tif"), "old");
    EXPECT_EQ(FileCount(), 1u); // the temporary file is gone

    // Replacing keeps the old file's mode, and a write-protected one stays.
    chmod(Path("out.tif").c_str(), 0600);
    ASSERT_TRUE(CreateTemporaryBeside(Path("out.tif"), temporary));
    std::ofstream(temporary) << "new";
    EXPECT_TRUE(CommitTemporary(temporary, Path("out.tif"), true, error));
    EXPECT_EQ(Read("out.tif"), "new");
    EXPECT_EQ(FileCount(), 1u);
    struct stat info {};
    ASSERT_EQ(stat(Path("out.tif").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    chmod(Path("out.tif").c_str(), 0444);
    ASSERT_TRUE(CreateTemporaryBeside(Path("out.tif"), temporary));
    EXPECT_FALSE(CommitTemporary(temporary, Path("out.tif"), true, error));
    EXPECT_EQ(error, "the file is write-protected");
    EXPECT_EQ(Read("out.tif"), "new");
    EXPECT_EQ(FileCount(), 1u);

    ASSERT_TRUE(CreateTemporaryBeside(Path("fresh.png"), temporary));
    std::ofstream(temporary) << "png";
    EXPECT_TRUE(CommitTemporary(temporary, Path("fresh.png"), false, error));
    EXPECT_EQ(Read("fresh.png"), "png");
    EXPECT_EQ(FileCount(), 2u);

    EXPECT_FALSE(CreateTemporaryBeside(Path("no-such-folder/x.tif"), temporary));
}

TEST_F(CliFolder, InputListSkipsBlankLines)
{
    Write("list.txt", "a.tif\r\n\nb c.png\n  \nlast.jpg");
    std::vector<std::string> inputs;
    std::string error;
    ASSERT_TRUE(ReadInputList(Path("list.txt"), inputs, error));
    EXPECT_EQ(inputs, (std::vector<std::string> { "a.tif", "b c.png", "last.jpg" }));
    EXPECT_FALSE(ReadInputList(Path("missing.txt"), inputs, error));
}

TEST(CliOutputPlan, ShardsOfAListTakeEachInputExactlyOnce)
{
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i)
        list.push_back("scan" + std::to_string(i) + ".tif");
    // More shards than inputs included: the last ones are empty, never overlapping.
    for (int count : { 1, 3, 4, 10, 13 }) {
        std::map<std::string, int> taken;
        for (int index = 1; index <= count; ++index)
            for (const std::string& input : InputsOfShard(list, index, count))
                ++taken[input];
        EXPECT_EQ(taken.size(), list.size()) << count;
        for (const auto& [input, times] : taken)
            EXPECT_EQ(times, 1) << input << " in " << count << " shards";
    }
    EXPECT_EQ(InputsOfShard(list, 2, 4), (std::vector<std::string> { "scan1.tif", "scan5.tif", "scan9.tif" }));
}

TEST_F(CliFolder, SkipExistingSkipsOnlyOutputsThatAreUpToDate)
{
    using namespace std::chrono_literals;
    for (const char* name : { "fresh.tif", "stale.tif", "nomap.tif", "new.tif" })
        Write(name, "input");
    std::filesystem::create_directory(Path("out"));
    for (const char* name : { "fresh.tif", "fresh.dustmap.png", "stale.tif", "stale.dustmap.png", "nomap.tif" })
        std::ofstream(Path("out/") + name) << "output";
    const auto inputTime = std::filesystem::last_write_time(Path("fresh.tif"));
    for (const char* name : { "fresh.tif", "fresh.dustmap.png", "stale.dustmap.png", "nomap.tif" })
        std::filesystem::last_write_time(Path("out/") + name, inputTime);
    std::filesystem::last_write_time(Path("out/stale.tif"), inputTime - 1s);

    CleanOptions o = OutDir(Path("out"));
    o.maps = true;
    o.skipExisting = true;
    auto plan = PlanOutputs(o, { Path("fresh.tif"), Path("stale.tif"), Path("nomap.tif"), Path("new.tif") });
    EXPECT_TRUE(plan[0].upToDate); // as new as its input counts as done
    EXPECT_FALSE(plan[1].upToDate); // older than its input: cleaned again, only with --overwrite
    EXPECT_NE(plan[1].problem.find("exists"), std::string::npos);
    EXPECT_FALSE(plan[2].upToDate); // its map is missing
    EXPECT_FALSE(plan[3].upToDate);
    EXPECT_TRUE(plan[3].problem.empty());
    o.overwrite = true;
    plan = PlanOutputs(o, { Path("stale.tif") });
    EXPECT_FALSE(plan[0].upToDate);
    EXPECT_TRUE(plan[0].problem.empty());
}
