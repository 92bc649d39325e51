// Measurement, not a test: opens the open dialog on a folder of 12-megapixel
// JPEG scans and reports when the first and the last preview arrived and the
// longest pause of the dialog's event loop meanwhile (a 10 ms timer beats on
// it; decoding on the interface thread would stop it for seconds).
//   QT_QPA_PLATFORM=offscreen open_dialog_responsiveness [SCANS]   (default 200)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dialogs/persist_open_dialog.h"
#include "app/dialogs/prompts.h"
#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "view/thumbnail_provider.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int scans = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QTemporaryDir config, folder;
    if (!config.isValid() || !folder.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    // Broad bands compress to a small file that still decodes as 12 MP.
    CImage scan(4000, 3000, 3, SampleU8);
    if (!scan.HasPlanes())
        return 1;
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < scan.height; ++y)
            std::memset(scan.Plane8(c) + size_t(y) * scan.width, (y / 500 * 40 + c * 70) & 255, scan.width);
    const auto name = [&](int i) { return folder.filePath(QStringLiteral("scan_%1.jpg").arg(i, 3, 10, QLatin1Char('0'))); };
    if (SaveJpeg(scan, QFile::encodeName(name(0)).constData(), nullptr, 75, 2, nullptr, 0) != FileOk)
        return 1;
    for (int i = 1; i < scans; ++i)
        QFile::copy(name(0), name(i));

    QElapsedTimer clock;
    clock.start();
    CPersistOpenDlg dialog(nullptr, QStringLiteral("Select an Image file"), folder.path(), OpenDialogFilter());
    dialog.resize(900, 600);
    dialog.show();
    CThumbnailProvider& provider = dialog.Provider();

    qint64 lastBeat = clock.elapsed(), longestGap = 0, firstAt = -1, lastAt = -1;
    QSet<QString> arrived;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastBeat);
        lastBeat = now;
    });
    QObject::connect(&provider, &CThumbnailProvider::ThumbnailReady, [&](const QString& path) {
        arrived.insert(path);
        lastAt = clock.elapsed();
        if (firstAt < 0)
            firstAt = lastAt;
        if (arrived.size() == scans && provider.Outstanding() == 0)
            app.quit();
    });
    heartbeat.start();
    QTimer::singleShot(600000, &app, &QApplication::quit);
    app.exec();
    std::printf("%d of %d previews of 12 MP scans: first after %lld ms, last after %lld ms; "
                "longest pause of the dialog %lld ms\n",
        static_cast<int>(arrived.size()), scans, static_cast<long long>(firstAt), static_cast<long long>(lastAt),
        static_cast<long long>(longestGap));
    return arrived.size() == scans ? 0 : 1;
}
