#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "cli/job_pool.h"
#include "cli/json_text.h"
#include "cli/progress_display.h"

TEST(CliJson, EscapesAndKeepsValidUtf8)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\tnl\n\x01"), "\"tab\\tnl\\n\\u0001\"");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac"), "\"caf\xc3\xa9 \xe2\x82\xac\"");
    // Latin-1 bytes, a lone continuation byte, an overlong form and a cut-off sequence.
    EXPECT_EQ(JsonString("caf\xe9"), "\"caf\\u00e9\"");
    EXPECT_EQ(JsonString("\x80"), "\"\\u0080\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(JsonString("\xe2\x82"), "\"\\u00e2\\u0082\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\u00ed\\u00a0\\u0080\""); // a surrogate
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(CliJobs, EveryJobRunsOnce)
{
    for (int threads : { 1, 3, 16 }) {
        std::vector<std::atomic<int>> runs(37);
        std::atomic<int> maxSlot { 0 };
        RunJobs(runs.size(), threads, [&](size_t i, int slot) {
            runs[i].fetch_add(1);
            int seen = maxSlot.load();
            while (slot > seen && !maxSlot.compare_exchange_weak(seen, slot)) {
            }
        });
        for (auto& r : runs)
            EXPECT_EQ(r.load(), 1);
        EXPECT_LT(maxSlot.load(), threads);
    }
    std::vector<size_t> order;
    RunJobs(5, 1, [&](size_t i, int) { order.push_back(i); });
    EXPECT_EQ(order, (std::vector<size_t> { 0, 1, 2, 3, 4 }));
    RunJobs(0, 4, [&](size_t, int) { ADD_FAILURE(); });
}

namespace {

std::string Contents(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    return text;
}

} // namespace

TEST(CliProgress, StatusLineShowsOverallAndEachFile)
{
    ProgressDisplay display(stderr, false, true, 4, 2);
    display.FileStarted(0, "/scans/a.tif");
    display.FileStarted(1, "b.png");
    display.FileProgress(0, 0.5f);
    display.FileProgress(1, 0.25f);
    // (0 done + 0.5 + 0.25) of 4 files: 18 %, 4 of 24 bar cells.
    EXPECT_EQ(display.StatusLine(200), "[####....................] 18%  0/4  a.tif 50%  b.png 25%");
    display.FileSucceeded(0, "x");
    EXPECT_EQ(display.StatusLine(200), "[#######.................] 31%  1/4  b.png 25%");
    EXPECT_EQ(display.StatusLine(20).size(), 19u);
}

TEST(CliProgress, PlainLinesWhenNotATerminal)
{
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(out);
    {
        ProgressDisplay display(out, false, false, 2, 1);
        display.FileStarted(0, "a.tif");
        display.FileProgress(0, 0.7f);
        display.FileSucceeded(0, "cleaned a.tif");
        display.FileStarted(0, "b.tif");
        display.FileFailed(0, "b.tif: Unable to read image file");
        display.Finish();
    }
    EXPECT_EQ(Contents(out), "[1/2] cleaned a.tif\nb.tif: Unable to read image file\n");
    std::fclose(out);

    out = std::tmpfile();
    {
        ProgressDisplay quiet(out, true, true, 2, 1);
        quiet.FileStarted(0, "a.tif");
        quiet.FileSucceeded(0, "cleaned a.tif");
        quiet.FileFailed(0, "b.tif: failed");
        quiet.Finish();
    }
    EXPECT_EQ(Contents(out), "b.tif: failed\n");
    std::fclose(out);
}

TEST(CliProgress, TerminalRedrawsOneLine)
{
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(out);
    ProgressDisplay display(out, true, false, 1, 1);
    display.FileStarted(0, "a.tif");
    display.FileSucceeded(0, "cleaned a.tif");
    display.Finish();
    std::string text = Contents(out);
    EXPECT_EQ(text.find('\n'), text.find("cleaned a.tif") + 13);
    EXPECT_NE(text.find("\r\033[K["), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K"); // the bar is cleared at the end
    std::fclose(out);
}
