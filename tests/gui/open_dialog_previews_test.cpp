// Previews in the open dialog are made off the user-interface thread: the
// dialog keeps answering while a folder of large scans is being read. How
// quickly is measured in bench/gui/open_dialog_responsiveness.cpp.
#include <QApplication>
#include <QFile>
#include <QFileSystemModel>
#include <QPointer>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "app/dialogs/persist_open_dialog.h"
#include "app/dialogs/preview_proxy_model.h"
#include "app/dialogs/prompts.h"
#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "view/thumbnail_provider.h"
#include "workflow/app_profile.h"
#include "workflow/thumbnail.h"

namespace {

// How many 12-megapixel scans the folder holds: enough that previews are
// still being made when the first arrives.
constexpr int kScans = 6;

// Stands in for a file on a stalled disk: the decoder it hands out holds the
// worker that reads `path` until Finish, then fails that file as a file of no
// known format would; every other file is decoded as usual. Should the test
// never call Finish, it gives up after a minute so that a reader stuck on the
// interface thread is let go and the test fails.
class StalledFile {
public:
    explicit StalledFile(const QString& path) : path(QFile::encodeName(path)) {}
    ~StalledFile() { Finish(); }
    CThumbnailProvider::Decoder Decoder()
    {
        return [this](const char* file, int maxSide, Thumbnail& out) {
            if (path != file)
                return static_cast<int>(MakeThumbnail(file, maxSide, out));
            std::unique_lock guard(lock);
            readerCame = true;
            gaveUp = !changed.wait_for(guard, std::chrono::seconds(60), [this] { return finish; });
            return static_cast<int>(FileOpenFailed);
        };
    }
    bool WaitForReader()
    {
        return QTest::qWaitFor([this] {
            std::lock_guard guard(lock);
            return readerCame;
        }, 60000);
    }
    // False when the reader had given up waiting.
    bool Finish()
    {
        std::lock_guard guard(lock);
        finish = true;
        changed.notify_all();
        return !gaveUp;
    }

private:
    const QByteArray path;
    std::mutex lock;
    std::condition_variable changed;
    bool readerCame = false;
    bool finish = false;
    bool gaveUp = false;
};

QString ScanName(int i) { return QStringLiteral("scan_%1.jpg").arg(i, 3, 10, QLatin1Char('0')); }

} // namespace

class OpenDialogPreviewsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    QTemporaryDir folder;
    QTemporaryDir otherFolder;
    // Holds a file that stands in for one on a stalled disk (see StalledFile).
    QTemporaryDir stalledFolder;
    QString stalled;
    QString broken;
    QString notes;

    std::unique_ptr<CPersistOpenDlg> OpenOn(const QString& path)
    {
        auto dialog = std::make_unique<CPersistOpenDlg>(nullptr, QStringLiteral("Select an Image file"), path,
            OpenDialogFilter());
        dialog->resize(900, 600);
        dialog->show();
        return dialog;
    }

    QModelIndex IndexOf(CPersistOpenDlg& dialog, const QString& path)
    {
        auto* files = qobject_cast<QFileSystemModel*>(dialog.Previews().sourceModel());
        return files ? dialog.Previews().mapFromSource(files->index(path)) : QModelIndex();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && folder.isValid() && otherFolder.isValid() && stalledFolder.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

        // A 4000 × 3000 scan in broad bands compresses to a small file, so the
        // folder is quick to write while each file still decodes as 12 MP.
        CImage scan(4000, 3000, 3, SampleU8);
        QVERIFY(scan.HasPlanes());
        for (int c = 0; c < 3; ++c) {
            for (int y = 0; y < scan.height; ++y)
                std::memset(scan.Plane8(c) + size_t(y) * scan.width, (y / 500 * 40 + c * 70) & 255, scan.width);
        }
        const QString first = folder.filePath(ScanName(0));
        QCOMPARE(SaveJpeg(scan, QFile::encodeName(first).constData(), nullptr, 75, 2, nullptr, 0), FileOk);
        for (int i = 1; i < kScans; ++i)
            QVERIFY(QFile::copy(first, folder.filePath(ScanName(i))));
        broken = folder.filePath(QStringLiteral("broken.jpg"));
        notes = folder.filePath(QStringLiteral("notes.txt"));
        for (const QString& path : { broken, notes }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("\xff\xd8 no picture in here");
        }
        QFile::copy(first, otherFolder.filePath(QStringLiteral("elsewhere.jpg")));
        stalled = stalledFolder.filePath(QStringLiteral("stalled.jpg"));
        QFile stalledFile(stalled);
        QVERIFY(stalledFile.open(QIODevice::WriteOnly));
    }

    // Every dialog starts as on a first run: in thumbnails.
    void init() { QFile::remove(QString::fromStdString(AppProfilePath())); }

    // A worker waits in the stalled file while the interface thread goes on;
    // the failure is handed back to the interface thread.
    void previewsAreReadOffTheInterfaceThread()
    {
        StalledFile pipe(stalled); // outlives the provider's workers
        CThumbnailProvider provider(64);
        provider.SetDecoder(pipe.Decoder());
        provider.SetExtensions({ "jpg" });
        provider.SetFolder(stalledFolder.path());
        QThread* announcedOn = nullptr;
        connect(&provider, &CThumbnailProvider::ThumbnailReady, this, [&] { announcedOn = QThread::currentThread(); });
        QVERIFY(provider.Request(stalled, true));
        QVERIFY(pipe.WaitForReader());
        // The reader is stuck in the file, and here the interface thread runs.
        QCOMPARE(provider.Find(stalled)->state, CThumbnailProvider::State::Queued);
        QCOMPARE(provider.Outstanding(), 1);
        QVERIFY(pipe.Finish());
        QVERIFY(QTest::qWaitFor([&] { return provider.Outstanding() == 0; }, 60000));
        QCOMPARE(provider.Find(stalled)->state, CThumbnailProvider::State::Failed);
        QCOMPARE(announcedOn, QThread::currentThread());
    }

    void everyScanGetsItsPreviewAndTheViewShowsIt()
    {
        auto dialog = OpenOn(folder.path());
        CThumbnailProvider& provider = dialog->Provider();
        QVERIFY(QTest::qWaitFor([&] {
            for (int i = 0; i < kScans; ++i) {
                const CThumbnailProvider::Entry* entry = provider.Find(folder.filePath(ScanName(i)));
                if (!entry || entry->state == CThumbnailProvider::State::Queued)
                    return false;
            }
            return true;
        }, 240000));
        for (int i = 0; i < kScans; ++i) {
            const CThumbnailProvider::Entry* entry = provider.Find(folder.filePath(ScanName(i)));
            QVERIFY(entry);
            QCOMPARE(entry->state, CThumbnailProvider::State::Ready);
            QCOMPARE(entry->sourceSize, QSize(4000, 3000));
            QCOMPARE(entry->preview.size(), QSize(128, 96));
        }
        // The view is given the preview itself as the file's icon.
        const QIcon shown = IndexOf(*dialog, folder.filePath(ScanName(0))).data(Qt::DecorationRole).value<QIcon>();
        QCOMPARE(shown.pixmap(128, 128).size(), QSize(128, 96));
    }

    void aFileThatFailsKeepsTheGenericIconAndOthersAreNotRead()
    {
        auto dialog = OpenOn(folder.path());
        CThumbnailProvider& provider = dialog->Provider();
        QVERIFY(QTest::qWaitFor([&] {
            const CThumbnailProvider::Entry* entry = provider.Find(broken);
            return entry && entry->state == CThumbnailProvider::State::Failed;
        }, 120000));
        const QModelIndex index = IndexOf(*dialog, broken);
        QVERIFY(index.isValid());
        const QIcon shown = index.data(Qt::DecorationRole).value<QIcon>();
        QIcon generic = dialog->Previews().sourceModel()->data(dialog->Previews().mapToSource(index),
            Qt::DecorationRole).value<QIcon>();
        if (generic.isNull())
            generic = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
        QCOMPARE(shown.cacheKey(), generic.cacheKey());

        // A file the filter does not offer is never read for a preview.
        QVERIFY(!provider.Offers(notes));
        QVERIFY(!provider.Find(notes));
        QVERIFY(!provider.Request(notes, true));
    }

    void tilesTellSizeAndDimensions()
    {
        auto dialog = OpenOn(folder.path());
        QVERIFY(QTest::qWaitFor([&] { return dialog->RememberedModeApplied(); }, 5000));
        dialog->Watcher().ApplyLayout(FileViewLayout::Tiles);
        const QString scan = folder.filePath(ScanName(0));
        QVERIFY(QTest::qWaitFor([&] {
            return IndexOf(*dialog, scan).data(CPreviewProxyModel::DimensionsTextRole).toString()
                == QStringLiteral("4000 \u00d7 3000");
        }, 120000));
        QVERIFY(!IndexOf(*dialog, scan).data(CPreviewProxyModel::SizeTextRole).toString().isEmpty());
        // Details shows no previews, and asks for none.
        dialog->Watcher().ApplyLayout(FileViewLayout::Details);
        QCOMPARE(IndexOf(*dialog, scan).data(CPreviewProxyModel::DimensionsTextRole).toString(), QString());
    }

    void anotherFolderDropsThePreviewsOfTheLastOne()
    {
        StalledFile pipe(stalled); // outlives the provider's workers
        CThumbnailProvider provider(64);
        provider.SetDecoder(pipe.Decoder());
        provider.SetExtensions({ "jpg" });
        provider.SetFolder(folder.path());
        for (int i = 0; i < kScans; ++i)
            QVERIFY(provider.Request(folder.filePath(ScanName(i)), i == 3));
        QCOMPARE(provider.Outstanding(), kScans);
        provider.SetFolder(otherFolder.path());
        QCOMPARE(provider.Outstanding(), 0);
        QVERIFY(!provider.Find(folder.filePath(ScanName(3))));

        // A file of the last folder still being read when the folder changes:
        // its worker takes the new folder's file only after it, so its
        // result has been handed back before the new one's announcement.
        provider.SetFolder(stalledFolder.path());
        QVERIFY(provider.Request(stalled, true));
        QVERIFY(pipe.WaitForReader());
        provider.SetFolder(otherFolder.path());
        QSignalSpy ready(&provider, &CThumbnailProvider::ThumbnailReady);
        const QString elsewhere = otherFolder.filePath(QStringLiteral("elsewhere.jpg"));
        QVERIFY(provider.Request(elsewhere, true));
        QVERIFY(pipe.Finish());
        QVERIFY(ready.wait(60000));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(ready.at(0).at(0).toString(), elsewhere);
        QVERIFY(!provider.Find(stalled));
        QCOMPARE(provider.Find(elsewhere)->state, CThumbnailProvider::State::Ready);
        QCOMPARE(provider.Find(elsewhere)->preview.size(), QSize(64, 48));
    }

    void closingWhilePreviewsAreMadeIsSafe()
    {
        auto dialog = OpenOn(folder.path());
        QPointer<CThumbnailProvider> provider(&dialog->Provider());
        QSignalSpy ready(provider.data(), &CThumbnailProvider::ThumbnailReady);
        QVERIFY(ready.wait(60000));
        const int announced = ready.count();
        dialog->reject();
        dialog.reset();
        // The provider waited for its workers as it went: every result they
        // will ever hand back is posted now, and one pass of the event loop
        // drops them all without reaching the dialog.
        QVERIFY(provider.isNull());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(ready.count(), announced);
    }
};

QTEST_MAIN(OpenDialogPreviewsTest)
#include "open_dialog_previews_test.moc"
