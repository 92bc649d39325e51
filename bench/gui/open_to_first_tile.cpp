// Measurement, not a test: opens FILE in the real main window, as a file named
// on the command line is opened, and reports the window's timing marks
// (SPECKWASH_TRACE) counted from the open, and the longest pause of the
// window's thread from the open to the first corrected tile painted and to the
// end of all work. A 5 ms timer beats on that thread: work done there stops it.
// On a busy machine a pause also holds the time the thread waited for a core,
// so the CPU time the thread spent between two beats is reported beside it:
// that part is the window's own work.
// With --over, FILE is opened over FIRST, once FIRST's work is all done:
// the open then also replaces an image.
//   QT_QPA_PLATFORM=offscreen open_to_first_tile [--over FIRST] FILE     (or under xvfb-run)
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "app/control_panel/panel_bridge.h"
#include "app/dialogs/prompts.h"
#include "app/main_window/main_window.h"
#include "image/image.h"
#include "workflow/trace_log.h"

namespace {
using Clock = std::chrono::steady_clock;

// CPU time of the calling thread, in milliseconds.
double ThreadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Says what the window would have asked, and answers nothing.
class PrintingPrompter : public Prompter {
public:
    PromptAnswer Ask(QWidget*, const QString& text, bool) override
    {
        std::printf("asked: %s\n", qPrintable(text));
        return PromptNo;
    }
    void Inform(QWidget*, const QString& text) override { std::printf("told: %s\n", qPrintable(text)); }
    QString ChooseOpenPath(QWidget*) override { return QString(); }
    bool ChooseSavePath(QWidget*, SaveChoice&) override { return false; }
};

// The trace lines written so far: event -> milliseconds since the process
// started, of its latest mark.
std::map<std::string, long long> ReadMarks(const QString& log)
{
    std::map<std::string, long long> marks;
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return marks;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 3 && parts[0] == "trace")
            marks[parts[2].toStdString()] = parts[1].toLongLong();
    }
    return marks;
}
} // namespace

int main(int argc, char** argv)
{
    const bool over = argc == 4 && std::strcmp(argv[1], "--over") == 0;
    if (argc != 2 && !over) {
        std::fprintf(stderr, "usage: open_to_first_tile [--over FIRST] FILE\n");
        return 2;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    // A settings store of its own, and the marks into a file this program reads.
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("SPECKWASH_TRACE", "1");
    const QString log = scratch.filePath(QStringLiteral("trace.log"));
    std::fflush(stderr);
    if (!std::freopen(log.toLocal8Bit().constData(), "w", stderr))
        return 1;

    QApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[argc - 1]);
    CSpeckwashDlg window;
    CPanelBridge panel(window);
    window.SetPrompter(std::make_unique<PrintingPrompter>());
    window.show();

    std::vector<Clock::time_point> beats;
    std::vector<double> beatCpu; // the thread's CPU time at each beat
    beats.reserve(1 << 16);
    beatCpu.reserve(1 << 16);
    Clock::time_point openAt;
    long long openMark = -1;
    bool done = false;
    bool firstDone = !over;
    // Not the application's loop: quitting that closes the window, which asks to save.
    QEventLoop loop;
    const auto openMeasured = [&] {
        TraceEvent("bench-open");
        openAt = Clock::now();
        beats.push_back(openAt); // the first pause is counted from the open
        beatCpu.push_back(ThreadCpuMs());
        openMark = ReadMarks(log).at("bench-open");
        window.OpenFromCommandLine(path);
    };
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        beats.push_back(Clock::now());
        beatCpu.push_back(ThreadCpuMs());
        if (beats.size() % 10 != 0)
            return;
        std::map<std::string, long long> marks = ReadMarks(log);
        if (!firstDone && marks.count("all-done")) {
            firstDone = true;
            QTimer::singleShot(0, &window, openMeasured);
        } else if (openMark >= 0 && marks.count("all-done") && marks["all-done"] >= openMark) {
            done = true;
            loop.quit();
        }
    });
    heartbeat.start();
    if (over)
        QTimer::singleShot(0, &window, [&] { window.OpenFromCommandLine(QString::fromLocal8Bit(argv[2])); });
    else
        // As the program opens a file named on its command line: once the window is up.
        QTimer::singleShot(0, &window, openMeasured);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
    beats.push_back(Clock::now());
    beatCpu.push_back(ThreadCpuMs());

    std::map<std::string, long long> marks = ReadMarks(log);
    const auto since = [&](const char* event) {
        return marks.count(event) && marks[event] >= openMark ? marks[event] - openMark : -1;
    };
    // The longest time between beats in the span from the open to `untilMs`
    // after it, and the most CPU time the thread spent between two beats there.
    struct Pause {
        long long wall = 0;
        long long cpu = 0;
    };
    const auto longestPause = [&](long long untilMs) {
        const Clock::time_point until = openAt + std::chrono::milliseconds(untilMs);
        Pause longest;
        for (size_t i = 1; i < beats.size(); ++i)
            if (beats[i] > openAt && beats[i - 1] < until) {
                longest.wall = std::max<long long>(longest.wall,
                    std::chrono::duration_cast<std::chrono::milliseconds>(beats[i] - beats[i - 1]).count());
                longest.cpu = std::max(longest.cpu, std::llround(beatCpu[i] - beatCpu[i - 1]));
            }
        return longest;
    };
    const Pause toFirst = longestPause(since("first-tile-painted"));
    const Pause toAll = longestPause(since("all-done"));
    const CImage* image = window.CurrentImage();
    std::printf("%s %d x %d: after the open, image-loaded %lld ms, first-tile-painted %lld ms, visible-painted %lld ms, "
                "all-done %lld ms; longest pause of the window's thread %lld ms (%lld ms of it working) until the first "
                "tile, %lld ms (%lld ms working) until all done\n",
        argv[argc - 1], image ? image->width : 0, image ? image->height : 0, since("image-loaded"), since("first-tile-painted"),
        since("visible-painted"), since("all-done"), toFirst.wall, toFirst.cpu, toAll.wall, toAll.cpu);
    return done ? 0 : 1;
}
