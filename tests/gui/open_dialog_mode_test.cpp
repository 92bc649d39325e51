// The open dialog remembers how the user listed the folder last time.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

#include "app/dialogs/persist_open_dialog.h"
#include "app/dialogs/preview_proxy_model.h"
#include "app/dialogs/prompts.h"
#include "workflow/app_profile.h"
#include "workflow/list_view_mode.h"

namespace {

// The user picks a layout from the dialog's own switcher.
void ChooseInSwitcher(CPersistOpenDlg& dialog, FileViewLayout layout)
{
    QComboBox* switcher = dialog.Switcher();
    QVERIFY(switcher);
    const int row = switcher->findData(static_cast<int>(layout));
    QVERIFY(row >= 0);
    switcher->setCurrentIndex(row);
    emit switcher->activated(row);
}

FileViewLayout ShownInSwitcher(const CPersistOpenDlg& dialog)
{
    return static_cast<FileViewLayout>(dialog.Switcher()->currentData().toInt());
}

} // namespace

class OpenDialogModeTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    QTemporaryDir pictures;
    QString picture;

    QString ProfileFile() const { return QString::fromStdString(AppProfilePath()); }
    int StoredMode(int fallback = -1) const
    {
        return ReadProfileInt(AppProfilePath(), kViewModeSection, kViewModeKey, fallback);
    }

    // Opens a dialog on the pictures folder, waits for the remembered mode,
    // lets `during` act as the user, then closes it by OK (choosing the
    // picture) or cancel and destroys it. Returns the layout it opened in;
    // nothing when a step failed, which fails the test.
    std::optional<FileViewLayout> RunDialog(const std::function<void(CPersistOpenDlg&)>& during, bool accept)
    {
        const auto fail = [](const char* why, int line) {
            QTest::qFail(why, __FILE__, line);
            return std::optional<FileViewLayout>();
        };
        auto dialog = std::make_unique<CPersistOpenDlg>(nullptr, QStringLiteral("Select an Image file"),
            pictures.path(), OpenDialogFilter());
        dialog->resize(800, 500);
        dialog->show();
        if (!QTest::qWaitFor([&] { return dialog->RememberedModeApplied(); }, 5000))
            return fail("the remembered mode was never applied", __LINE__);
        const FileViewLayout opened = dialog->Watcher().CurrentLayout();
        // The switcher always tells the truth about the views.
        if (ShownInSwitcher(*dialog) != opened)
            return fail("the switcher shows another layout than the views", __LINE__);
        during(*dialog);
        if (QTest::currentTestFailed())
            return std::nullopt;
        if (accept) {
            // The user types the name, as the name box has the focus.
            QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name)
                return fail("the dialog has no name box", __LINE__);
            name->setText(QFileInfo(picture).fileName());
            // OK as the user presses it: the file dialog checks the choice first.
            static_cast<QDialog&>(*dialog).accept();
            if (dialog->ChosenPath() != picture)
                return fail("OK did not choose the picture", __LINE__);
        } else {
            dialog->reject();
        }
        dialog.reset();
        return opened;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && pictures.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        picture = pictures.filePath(QStringLiteral("scan.jpg"));
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xff\xd8 not really a picture");
    }

    void init() { QFile::remove(ProfileFile()); }

    void firstUseWithoutAChangeShowsAndKeepsThumbnails()
    {
        QCOMPARE(StoredMode(), -1);
        QCOMPARE(RunDialog([](CPersistOpenDlg& dialog) {
            QListView* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
            QVERIFY(list);
            QCOMPARE(list->viewMode(), QListView::IconMode);
            QVERIFY(dialog.Previews().PreviewsShown());
        }, false), FileViewLayout::Thumbnails);
        QCOMPARE(StoredMode(), int(ViewModeThumbnails));
    }

    void detailsThenCancelOpensDetailsNextTime()
    {
        RunDialog([](CPersistOpenDlg& dialog) { ChooseInSwitcher(dialog, FileViewLayout::Details); }, false);
        QCOMPARE(StoredMode(), int(ViewModeDetails));
        RunDialog([](CPersistOpenDlg& dialog) {
            QCOMPARE(dialog.viewMode(), QFileDialog::Detail);
            QCOMPARE(ShownInSwitcher(dialog), FileViewLayout::Details);
            // No previews are made for a view that shows none.
            QVERIFY(!dialog.Previews().PreviewsShown());
        }, false);
        QCOMPARE(StoredMode(), int(ViewModeDetails));
    }

    void everyRememberedLayoutComesBack_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("accept");
        QTest::newRow("large icons") << int(FileViewLayout::LargeIcons) << int(ViewModeLargeIcons) << true;
        QTest::newRow("list") << int(FileViewLayout::List) << int(ViewModeList) << false;
        QTest::newRow("details by OK") << int(FileViewLayout::Details) << int(ViewModeDetails) << true;
        QTest::newRow("tiles") << int(FileViewLayout::Tiles) << int(ViewModeTiles) << false;
        QTest::newRow("thumbnails after tiles") << int(FileViewLayout::Thumbnails) << int(ViewModeThumbnails) << true;
    }

    void everyRememberedLayoutComesBack()
    {
        QFETCH(int, layout);
        QFETCH(int, mode);
        QFETCH(bool, accept);
        const auto chosen = static_cast<FileViewLayout>(layout);
        // Start from a different layout so that the choice is a real change.
        RunDialog([chosen](CPersistOpenDlg& dialog) {
            ChooseInSwitcher(dialog,
                chosen == FileViewLayout::Tiles ? FileViewLayout::LargeIcons : FileViewLayout::Tiles);
            ChooseInSwitcher(dialog, chosen);
            QCOMPARE(dialog.Watcher().CurrentLayout(), chosen);
        }, accept);
        QCOMPARE(StoredMode(), mode);
        QCOMPARE(RunDialog([](CPersistOpenDlg&) { }, false), chosen);
        QCOMPARE(StoredMode(), mode);
    }

    void smallIconsIsStoredAsZeroAndTheNextDialogKeepsItsDefault()
    {
        RunDialog([](CPersistOpenDlg& dialog) { ChooseInSwitcher(dialog, FileViewLayout::SmallIcons); }, false);
        QCOMPARE(StoredMode(), 0);
        // Nothing is applied for 0: the dialog opens in the toolkit's own list.
        QCOMPARE(RunDialog([](CPersistOpenDlg& dialog) {
            QListView* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
            QCOMPARE(list->viewMode(), QListView::ListMode);
            QCOMPARE(list->flow(), QListView::TopToBottom);
        }, false), FileViewLayout::List);
        QCOMPARE(StoredMode(), int(ViewModeList));
    }

    void aDialogDestroyedWhileOpenStillRemembers()
    {
        auto dialog = std::make_unique<CPersistOpenDlg>(nullptr, QStringLiteral("Select an Image file"),
            pictures.path(), OpenDialogFilter());
        dialog->show();
        QVERIFY(QTest::qWaitFor([&] { return dialog->RememberedModeApplied(); }, 5000));
        ChooseInSwitcher(*dialog, FileViewLayout::LargeIcons);
        dialog.reset();
        QCOMPARE(StoredMode(), int(ViewModeLargeIcons));
    }

    void anUnknownStoredNumberLeavesTheDefaultView()
    {
        QVERIFY(WriteProfileInt(AppProfilePath(), kViewModeSection, kViewModeKey, 4711));
        QCOMPARE(RunDialog([](CPersistOpenDlg&) { }, false), FileViewLayout::List);
        QCOMPARE(StoredMode(), int(ViewModeList));
    }

    void theProfileStaysAValidIniFileWithEverythingElseKept()
    {
        QDir().mkpath(QFileInfo(ProfileFile()).path());
        QFile file(ProfileFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[recent]\nFolder=/home/someone/scans\n\n[settings]\nLanguage=7\nViewMode=28715\n");
        file.close();
        RunDialog([](CPersistOpenDlg& dialog) { ChooseInSwitcher(dialog, FileViewLayout::Tiles); }, false);

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
            QByteArray("[recent]\nFolder=/home/someone/scans\n\n[settings]\nLanguage=7\nViewMode=28718\n"));
        file.close();
        // Any INI reader sees the same.
        QSettings ini(ProfileFile(), QSettings::IniFormat);
        QCOMPARE(ini.status(), QSettings::NoError);
        QCOMPARE(ini.value(QStringLiteral("settings/ViewMode")).toInt(), int(ViewModeTiles));
        QCOMPARE(ini.value(QStringLiteral("settings/Language")).toInt(), 7);
        QCOMPARE(ini.value(QStringLiteral("recent/Folder")).toString(), QStringLiteral("/home/someone/scans"));
    }

    void theFilterDecidesWhichFilesGetPreviews()
    {
        QCOMPARE(FilterExtensions(OpenDialogFilter()),
            QStringList({ "jpg", "tif", "jpeg", "tiff", "bmp", "png", "gif", "psd" }));
        QCOMPARE(FilterExtensions(QStringLiteral("All Files (*)")), QStringList());
    }
};

QTEST_MAIN(OpenDialogModeTest)
#include "open_dialog_mode_test.moc"
