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

// A camera model is text from the file: a terminal must not get its control bytes.
TEST_F(CliEndToEnd, InfoEscapesControlBytesOfTheCameraModel)
{
    const std::string model = "Cam\x1b[2J";
    std::string exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x10\x01\x02\0", 20);
    exif += char(model.size() + 1) + std::string("\0\0\0\x1a\0\0\0\0\0\0\0", 11) + model + '\0';
    CImage image(8, 8, 3, SampleU8);
    image.Fill(90, 90, 90, 0);
    ASSERT_EQ(SaveJpeg(image, Path("cam.jpg").c_str(), nullptr, 90, 2, reinterpret_cast<const uint8_t*>(exif.data()),
                  int(exif.size())),
        FileOk);
    CliRun run = Cli("info '" + Path("cam.jpg") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("camera \"Cam\\u001b[2J\""), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

TEST_F(CliEndToEnd, ConvertKeepsSixteenBitsAndSaysWhyItCannotWrite)
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
    // Each refusal names its actual reason, not a write protection.
    run = Cli("convert '" + Path("deep.tif") + "' '" + Path("deep.gif") + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Unable to save the image in file " + Path("deep.gif")
            + "\nNo writer takes this file type: use .bmp, .jpg, .png or .tif.\n");
    EXPECT_FALSE(std::filesystem::exists(Path("deep.gif")));
    std::string overlong = Path(std::string(256, 'n') + ".png");
    run = Cli("convert '" + Path("deep.tif") + "' '" + overlong + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("File name too long"), std::string::npos) << run.err;
    run = Cli("clean '" + Path("deep.tif") + "' --out-dir '" + Path("deep.png") + "'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(Path("deep.png") + ": not a folder"), std::string::npos) << run.err;
    EXPECT_EQ(Names(folder), (std::vector<std::string> { "deep.png", "deep.tif" }));
}

// The fourth plane of a CMYK file is black ink, which the reader has already
// folded into RGB: written as alpha it would make the picture transparent.
TEST_F(CliEndToEnd, ConvertWritesCmykAsRgbWithoutAlpha)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick not installed";
    for (const char* name : { "cmyk.jpg", "cmyk.tif" }) {
        std::string source = Path(name);
        std::string command = "convert -size 8x8 xc:'rgb(200,40,40)' -colorspace CMYK '" + source + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_EQ(CImage(source.c_str(), 0).channelCount, 4) << name;
        CliRun run = Cli("convert --overwrite '" + source + "' '" + Path("out.png") + "'");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        CImage out(Path("out.png").c_str(), 0);
        EXPECT_EQ(out.channelCount, 3) << name;
        uint8_t pixel[4] {};
        out.GetPixel8(3, 3, pixel);
        EXPECT_GT(pixel[0], 150) << name;
        EXPECT_LT(pixel[1], 100) << name;
    }
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

// An archive split the way many machines would split it: GNU Parallel runs
// three shards of one list at once, and a re-run, one process per file,
// finds everything done.
TEST_F(CliEndToEnd, ParallelShardsCleanEachFileOnceAndARerunSkipsThem)
{
    if (std::system("command -v parallel >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU Parallel (Debian package parallel) is not installed";
    std::vector<std::string> inputs;
    std::ofstream list(Path("list.txt"));
    for (int i = 0; i < 5; ++i) {
        inputs.push_back(Path("scan" + std::to_string(i) + ".tif"));
        MakeImage(inputs.back(), 3, SampleU8);
        list << inputs.back() << "\n";
    }
    list.close();
    std::filesystem::create_directory(Path("out"));
    const std::string cli = std::string("'") + SW_CLI_PATH + "' clean --out-dir '" + Path("out") + "' ";

    std::string command = "parallel --will-cite " + cli + "--no-auto --from-list '" + Path("list.txt")
        + "' --shard {}/3 ::: 1 2 3 2>'" + Path("shards.log") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << Read(Path("shards.log"));
    const std::string shardLog = Read(Path("shards.log"));
    for (const std::string& input : inputs) {
        const std::string line = "cleaned " + input + " ->";
        size_t first = shardLog.find(line);
        EXPECT_NE(first, std::string::npos) << input << " was not cleaned:\n" << shardLog;
        EXPECT_EQ(shardLog.find(line, first + 1), std::string::npos) << input << " was cleaned twice";
    }
    EXPECT_EQ(Names(Path("out")),
        (std::vector<std::string> { "scan0.tif", "scan1.tif", "scan2.tif", "scan3.tif", "scan4.tif" }));

    const auto written = std::filesystem::last_write_time(Path("out/scan3.tif"));
    command = "parallel --will-cite " + cli + "--skip-existing {} :::: '" + Path("list.txt") + "' 2>'"
        + Path("rerun.log") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << Read(Path("rerun.log"));
    const std::string rerunLog = Read(Path("rerun.log"));
    EXPECT_EQ(rerunLog.find("cleaned"), std::string::npos) << rerunLog;
    size_t skipped = 0;
    for (size_t at = rerunLog.find("1 of 1 files skipped"); at != std::string::npos;
         at = rerunLog.find("1 of 1 files skipped", at + 1))
        ++skipped;
    EXPECT_EQ(skipped, inputs.size()) << rerunLog;
    EXPECT_EQ(std::filesystem::last_write_time(Path("out/scan3.tif")), written);
}

// The spot list beside a single output (CSV by its extension) and for a
// batch (JSON in the --spots-dir folder); the summary line counts the spots.
TEST_F(CliEndToEnd, SpotListsForOneFileAndForABatch)
{
    MakeImage(Path("a.tif"), 3, SampleU8);
    MakeImage(Path("b.png"), 1, SampleU8);
    CliRun run = Cli("clean '" + Path("a.tif") + "' -o '" + Path("a-clean.tif") + "' --spots '" + Path("a.CSV") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("; 1 spot)"), std::string::npos) << run.err;
    // The 2 × 2 speck at (21, 21), grown by the detection's three pixels.
    const std::string csv = Read(Path("a.CSV"));
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "x,y,width,height,centre_x,centre_y,pixels,peak,tone\n");
    EXPECT_EQ(csv.substr(csv.find('\n') + 1, 15), "18,18,8,8,21.50") << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);

    std::filesystem::create_directory(Path("out"));
    std::filesystem::create_directory(Path("lists"));
    run = Cli("clean --quiet --out-dir '" + Path("out") + "' --spots-dir '" + Path("lists") + "' '" + Path("a.tif")
        + "' '" + Path("b.png") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Names(Path("lists")), (std::vector<std::string> { "a.spots.json", "b.spots.json" }));
    const std::string json = Read(Path("lists/a.spots.json"));
    EXPECT_NE(json.find("\"image\": \"" + Path("a.tif") + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"count\": 1,"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"x\": 18, \"y\": 18, \"width\": 8, \"height\": 8, \"centre_x\": 21.50"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"tone\": \"dark\"}"), std::string::npos) << json;

    run = Cli("clean --no-auto '" + Path("a.tif") + "' -o '" + Path("off.tif") + "' --spots '" + Path("off.json") + "'");
    EXPECT_NE(run.err.find("(automatic correction off; 0 spots)"), std::string::npos) << run.err;
    EXPECT_EQ(Read(Path("off.json")), "{\n  \"image\": \"" + Path("a.tif") + "\",\n  \"count\": 0,\n  \"spots\": []\n}\n");
}
