// Runs the speckwash-cli executable itself: exit codes, what reaches stdout
// and stderr, and the files it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include "image/image.h"
#include "imagefiles/image_file_types.h"

namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

class CliEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "speckwash-e2e-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return folder + "/" + name; }

    std::string Read(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // `arguments` is shell text: paths made by Path() hold no special characters.
    CliRun Cli(const std::string& arguments, const std::string& stdinText = "") const
    {
        std::string command = std::string("'") + SW_CLI_PATH + "' " + arguments + " >'" + Path("stdout.txt")
            + "' 2>'" + Path("stderr.txt") + "'";
        if (!stdinText.empty()) {
            std::ofstream(Path("stdin.txt")) << stdinText;
            command += " <'" + Path("stdin.txt") + "'";
        }
        int status = std::system(command.c_str());
        CliRun run { WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(Path("stdout.txt")), Read(Path("stderr.txt")) };
        std::filesystem::remove(Path("stdout.txt"));
        std::filesystem::remove(Path("stderr.txt"));
        return run;
    }

    // A small image with dark specks on a flat bright area.
    void MakeImage(const std::string& path, int channels, int sampleType)
    {
        CImage image(64, 48, channels, sampleType);
        image.resolutionDpi = 300;
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < 64 * 48; ++i) {
                int v = (i % 64 > 20 && i % 64 < 23 && i / 64 > 20 && i / 64 < 23) ? 60 : 200;
                if (sampleType == SampleU16)
                    image.Plane16(c)[i] = static_cast<uint16_t>(v * 256 + (i & 0xFF));
                else
                    image.Plane8(c)[i] = static_cast<uint8_t>(v);
            }
        std::string extension = path.substr(path.size() - 4);
        int bits = sampleType == SampleU16 ? 16 : 8;
        FileResult r = extension == ".png" ? SavePng(image, path.c_str(), bits)
            : extension == ".bmp"          ? SaveBmp(image, path.c_str())
                                           : SaveTiff(image, path.c_str(), bits, 5);
        ASSERT_EQ(r, FileOk) << path;
    }

    std::vector<std::string> Names(const std::string& dir) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
};

} // namespace

TEST_F(CliEndToEnd, MixedBatchCleansTheGoodFilesAndReportsTheBadOne)
{
    MakeImage(Path("rgb8.tif"), 3, SampleU8);
    MakeImage(Path("grey16.png"), 1, SampleU16);
    MakeImage(Path("print.bmp"), 3, SampleU8);
    std::ofstream(Path("notes.tif")) << "this is no image\n";
    std::filesystem::create_directory(Path("out"));
    CliRun run = Cli("clean --jobs 2 --maps --out-dir '" + Path("out") + "' '" + Path("rgb8.tif") + "' '"
        + Path("notes.tif") + "' '" + Path("grey16.png") + "' '" + Path("print.bmp") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(Path("notes.tif") + ": Unable to read image file"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("1 of 4 files failed"), std::string::npos);
    EXPECT_EQ(run.out, "");
    // No temporary file is left behind, and nothing under the bad file's name.
    EXPECT_EQ(Names(Path("out")),
        (std::vector<std::string> { "grey16.dustmap.png", "grey16.png", "print.bmp", "print.dustmap.png",
            "rgb8.dustmap.png", "rgb8.tif" }));
    CImage grey(Path("out/grey16.png").c_str(), 0);
    EXPECT_EQ(grey.channelCount, 1);
    EXPECT_EQ(grey.sampleType, SampleU16);
}

TEST_F(CliEndToEnd, OutputsAreNeverReplacedWithoutOverwrite)
{
    MakeImage(Path("scan.tif"), 3, SampleU8);
    std::ofstream(Path("taken.png")) << "keep me";
    CliRun run = Cli("clean '" + Path("scan.tif") + "' -o '" + Path("taken.png") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("use --overwrite"), std::string::npos);
    EXPECT_EQ(Read(Path("taken.png")), "keep me");

    run = Cli("clean '" + Path("scan.tif") + "' -o '" + Path("scan.tif") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("would overwrite its input"), std::string::npos);

    run = Cli("clean --overwrite --quiet '" + Path("scan.tif") + "' -o '" + Path("taken.png") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(CImage(Path("taken.png").c_str(), 0).channelCount, 3);
    EXPECT_EQ(Names(folder), (std::vector<std::string> { "scan.tif", "taken.png" }));
}

TEST_F(CliEndToEnd, InputsFromAListOnStandardInput)
{
    MakeImage(Path("a.tif"), 3, SampleU8);
    MakeImage(Path("b.tif"), 1, SampleU8);
    std::filesystem::create_directory(Path("out"));
    CliRun run = Cli("clean --from-list - --format png --no-auto --out-dir '" + Path("out") + "'",
        Path("a.tif") + "\n\n" + Path("b.tif") + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("[2/2] cleaned"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("automatic correction off"), std::string::npos);
    EXPECT_EQ(Names(Path("out")), (std::vector<std::string> { "a.png", "b.png" }));
}

TEST_F(CliEndToEnd, InfoDescribesFilesAsJson)
{
    MakeImage(Path("grey16.tif"), 1, SampleU16);
    std::ofstream(Path("text.png")) << "hello";
    CliRun run = Cli("info --json '" + Path("grey16.tif") + "' '" + Path("text.png") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
        "{\"path\":\"" + Path("grey16.tif")
            + "\",\"type\":\"tiff\",\"typeCode\":3,\"width\":64,\"height\":48,\"channels\":1,\"sample\":\"u16\","
              "\"dpi\":300,\"camera\":\"\",\"app1Length\":0,\"infrared\":false}\n");
    EXPECT_EQ(run.err, Path("text.png") + ": Unable to read image file\n");

    run = Cli("info '" + Path("grey16.tif") + "'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, Path("grey16.tif") + ": tiff (type 3), 64 x 48, 1 channel, u16, 300 dpi\n");
}

TEST_F(CliEndToEnd, ConvertKeepsSixteenBitsAndRefusesUnknownFormats)
{
    MakeImage(Path("deep.tif"), 3, SampleU16);
    CliRun run = Cli("convert '" + Path("deep.tif") + "' '" + Path("deep.png") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    CImage original(Path("deep.tif").c_str(), 0), converted(Path("deep.png").c_str(), 0);
    ASSERT_EQ(converted.sampleType, SampleU16);
    ASSERT_EQ(converted.channelCount, 3);
    EXPECT_EQ(0, std::memcmp(original.Plane16(2), converted.Plane16(2), 64 * 48 * 2));

    run = Cli("convert '" + Path("deep.tif") + "' '" + Path("deep.png") + "'");
    EXPECT_EQ(run.exitCode, 1); // exists
    run = Cli("convert '" + Path("deep.tif") + "' '" + Path("deep.gif") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Unable to save the image in file " + Path("deep.gif")), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Path("deep.gif")));
}

TEST_F(CliEndToEnd, UsageHelpAndVersion)
{
    EXPECT_EQ(Cli("").exitCode, 2);
    EXPECT_EQ(Cli("polish x.tif").exitCode, 2);
    EXPECT_EQ(Cli("clean x.tif").exitCode, 2);
    EXPECT_EQ(Cli("clean --amount 31 x.tif -o y.tif").exitCode, 2);
    EXPECT_EQ(Cli("info").exitCode, 2);
    EXPECT_EQ(Cli("convert a.tif").exitCode, 2);
    for (const char* verb : { "", "info ", "convert ", "clean " }) {
        CliRun run = Cli(std::string(verb) + "--help");
        EXPECT_EQ(run.exitCode, 0) << verb;
        EXPECT_NE(run.out.find("Usage: speckwash-cli"), std::string::npos) << verb;
    }
    CliRun run = Cli("--version");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Speckwash 1.0.2.0\n");
}
