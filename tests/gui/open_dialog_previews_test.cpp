// Previews in the open dialog are made off the user-interface thread: the
// dialog keeps answering while a folder of large scans is being read.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>

#include "app/dialogs/persist_open_dialog.h"
#include "app/dialogs/preview_proxy_model.h"
#include "app/dialogs/prompts.h"
#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "view/thumbnail_provider.h"
#include "workflow/app_profile.h"

namespace {

// How many 12-megapixel scans the folder holds; SW_PREVIEW_SCANS changes it.
int ScanCount()
{
    const int asked = qEnvironmentVariableIntValue("SW_PREVIEW_SCANS");
    return asked > 0 ? asked : 200;
}

QString ScanName(int i) { return QStringLiteral("scan_%1.jpg").arg(i, 3, 10, QLatin1Char('0')); }

} // namespace

class OpenDialogPreviewsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    QTemporaryDir folder;
    QTemporaryDir otherFolder;
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
        QVERIFY(config.isValid() && folder.isValid() && otherFolder.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

        // A 4000 × 3000 scan in broad bands compresses to a small file, so the
        // folder is quick to write while each file still decodes as 12 MP.
        QElapsedTimer clock;
        clock.start();
        CImage scan(4000, 3000, 3, SampleU8);
        QVERIFY(scan.HasPlanes());
        for (int c = 0; c < 3; ++c) {
            for (int y = 0; y < scan.height; ++y)
                std::memset(scan.Plane8(c) + size_t(y) * scan.width, (y / 500 * 40 + c * 70) & 255, scan.width);
        }
        const QString first = folder.filePath(ScanName(0));
        QCOMPARE(SaveJpeg(scan, QFile::encodeName(first).constData(), nullptr, 75, 2, nullptr, 0), FileOk);
        for (int i = 1; i < ScanCount(); ++i)
            QVERIFY(QFile::copy(first, folder.filePath(ScanName(i))));
        broken = folder.filePath(QStringLiteral("broken.jpg"));
        notes = folder.filePath(QStringLiteral("notes.txt"));
        for (const QString& path : { broken, notes }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("\xff\xd8 no picture in here");
        }
        QFile::copy(first, otherFolder.filePath(QStringLiteral("elsewhere.jpg")));
        qInfo("wrote %d scans of 4000 x 3000 in %lld ms", ScanCount(), static_cast<long long>(clock.elapsed()));
    }

    // Every dialog starts as on a first run: in thumbnails.
    void init() { QFile::remove(QString::fromStdString(AppProfilePath())); }

    void previewsArriveWhileTheDialogStaysResponsive()
    {
        QElapsedTimer clock;
        clock.start();
        auto dialog = OpenOn(folder.path());
        CThumbnailProvider& provider = dialog->Provider();

        // A heartbeat on the user-interface thread: the longest gap between two
        // beats is the longest the dialog stopped answering.
        qint64 lastBeat = clock.elapsed();
        qint64 longestGap = 0;
        int beatsWhileArriving = 0;
        QSet<QString> arrivedPaths;
        int arrived = 0;
        qint64 firstAt = -1;
        qint64 lastAt = -1;
        QTimer heartbeat;
        heartbeat.setInterval(10);
        connect(&heartbeat, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - lastBeat);
            lastBeat = now;
            if (arrived > 0 && arrived < ScanCount())
                ++beatsWhileArriving;
        });
        connect(&provider, &CThumbnailProvider::ThumbnailReady, this, [&](const QString& path) {
            if (!QFileInfo(path).fileName().startsWith(QStringLiteral("scan_")))
                return;
            arrivedPaths.insert(path);
            arrived = static_cast<int>(arrivedPaths.size());
            lastAt = clock.elapsed();
            if (firstAt < 0)
                firstAt = lastAt;
        });
        heartbeat.start();

        const bool all = QTest::qWaitFor([&] { return arrived == ScanCount() && provider.Outstanding() == 0; }, 240000);
        heartbeat.stop();
        qInfo("%d previews of 12 MP scans: first after %lld ms, last after %lld ms; longest pause of the "
              "dialog %lld ms, %d heartbeats while they arrived",
            arrived, static_cast<long long>(firstAt), static_cast<long long>(lastAt),
            static_cast<long long>(longestGap), beatsWhileArriving);
        QVERIFY2(all, qPrintable(QStringLiteral("%1 of %2 previews arrived").arg(arrived).arg(ScanCount())));

        // Decoding the folder on the user-interface thread would stop the
        // heartbeat for seconds; a generous bound still leaves room for a
        // loaded machine and a sanitizer build.
        QVERIFY2(longestGap < 1500, qPrintable(QString::number(longestGap)));
        if (ScanCount() > 1)
            QVERIFY(beatsWhileArriving > 0);

        for (int i = 0; i < ScanCount(); ++i) {
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
        CThumbnailProvider provider(64);
        provider.SetExtensions({ "jpg" });
        provider.SetFolder(folder.path());
        QSignalSpy ready(&provider, &CThumbnailProvider::ThumbnailReady);
        for (int i = 0; i < ScanCount(); ++i)
            QVERIFY(provider.Request(folder.filePath(ScanName(i)), i == 3));
        QCOMPARE(provider.Outstanding(), ScanCount());
        provider.SetFolder(otherFolder.path());
        QCOMPARE(provider.Outstanding(), 0);
        QVERIFY(!provider.Find(folder.filePath(ScanName(3))));
        const QString elsewhere = otherFolder.filePath(QStringLiteral("elsewhere.jpg"));
        QVERIFY(provider.Request(elsewhere, true));
        QVERIFY(ready.wait(60000));
        // Only the new folder's file is announced; work of the old one that was
        // already under way is dropped when it arrives.
        QTest::qWait(300);
        for (const QList<QVariant>& signal : ready)
            QCOMPARE(signal.at(0).toString(), elsewhere);
        QCOMPARE(provider.Find(elsewhere)->state, CThumbnailProvider::State::Ready);
        QCOMPARE(provider.Find(elsewhere)->preview.size(), QSize(64, 48));
    }

    void closingWhilePreviewsAreMadeIsSafe()
    {
        auto dialog = OpenOn(folder.path());
        QSignalSpy ready(&dialog->Provider(), &CThumbnailProvider::ThumbnailReady);
        QVERIFY(ready.wait(60000));
        dialog->reject();
        dialog.reset();
        // Work that finishes after the dialog is gone must not reach it.
        QTest::qWait(200);
    }
};

QTEST_MAIN(OpenDialogPreviewsTest)
#include "open_dialog_previews_test.moc"
