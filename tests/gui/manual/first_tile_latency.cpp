// Manual measurement, not a test: opens a large dusty picture in the real
// window and reports how long it takes until the first finished tile is
// painted, how long until all work is done, and the longest stall of the
// event loop meanwhile (a 10 ms timer measures it).
//   first_tile_latency [WIDTH HEIGHT]   (default 6000 × 4000, 24 megapixels)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"

namespace {
QElapsedTimer clock24;
qint64 firstRegion = -1;
qint64 firstTilePaint = -1;
}

class MeasuredWindow : public CSpeckwashDlg {
protected:
    void customEvent(QEvent* event) override
    {
        if (firstRegion < 0)
            firstRegion = clock24.elapsed();
        CSpeckwashDlg::customEvent(event);
    }
    void paintEvent(QPaintEvent* event) override
    {
        CSpeckwashDlg::paintEvent(event);
        if (firstRegion >= 0 && firstTilePaint < 0)
            firstTilePaint = clock24.elapsed();
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int width = argc > 2 ? std::atoi(argv[1]) : 6000;
    int height = argc > 2 ? std::atoi(argv[2]) : 4000;
    std::vector<std::pair<int, int>> specks;
    for (int i = 1; i < 400; ++i)
        specks.push_back({ 2 + (i * 7919) % (width - 4), 2 + (i * 104729) % (height - 4) });
    QString path = WritePicture(*DustyPicture(width, height, specks), "large.bmp");
    MeasuredWindow window;
    Script(window);
    window.show();
    qint64 longestStall = 0, last = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        qint64 now = clock24.elapsed();
        longestStall = std::max(longestStall, now - last);
        last = now;
    });
    clock24.start();
    bool opened = window.OpenFromCommandLine(path);
    qint64 openDone = clock24.elapsed();
    last = openDone;
    ticker.start(10);
    if (!opened || !WaitForEngine(window, 600000))
        return 1;
    qint64 allDone = clock24.elapsed();
    std::printf("%d x %d: open (load, engine start, thumbnail) %lld ms; first finished tile painted %lld ms "
                "after the open began; all work done %lld ms; longest event-loop stall while working %lld ms\n",
        width, height, static_cast<long long>(openDone), static_cast<long long>(firstTilePaint),
        static_cast<long long>(allDone), static_cast<long long>(longestStall));
    return 0;
}
