#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs/about_dialog.h"
#include "app/main_window/context_menu.h"
#include "app/help/help_viewer.h"
#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "app/main_window/window_commands.h"
#include "gui_test_support.h"
#include "help_test_support.h"
#include "workflow/version_info.h"

// The about box: its texts, its size in dialog units, and the two ways to it.
class AboutDialogTest : public QObject {
    Q_OBJECT

    // Closes the about box that `open` runs modally; false when none came up.
    static bool ClosesAnAboutBox(const std::function<void()>& open)
    {
        bool seen = false;
        QTimer::singleShot(0, [&seen] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<CAboutDialog*>(w); box && box->isVisible()) {
                    seen = true;
                    QTest::mouseClick(box->OkButton(), Qt::LeftButton);
                }
            }
        });
        open();
        return seen;
    }

private slots:
    void initTestCase() { TestFolder(); }

    void textsIconAndSize()
    {
        CAboutDialog box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Speckwash"));
        QCOMPARE(box.NameLine()->text(), QStringLiteral("Speckwash Version 1.0"));
        QCOMPARE(box.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(!box.Icon()->pixmap().isNull());
        const Rect size = DialogBoxToPixels({ 0, 0, 235, 55 }, box.BaseUnits());
        QCOMPARE(box.size(), QSize(size.right, size.bottom));
        QVERIFY(box.BaseUnits().charWidth > 0);
        // Everything fits inside the box.
        for (QWidget* w : { static_cast<QWidget*>(box.Icon()), static_cast<QWidget*>(box.NameLine()),
                 static_cast<QWidget*>(box.VersionLine()), static_cast<QWidget*>(box.OkButton()) })
            QVERIFY(box.rect().contains(w->geometry()));
        // The program carries its version: the line shows it and the copyright.
        FileVersionInfo info;
        QVERIFY(info.LoadFromModule());
        QCOMPARE(box.VersionLine()->text(), AboutVersionLine(info));
        QVERIFY(box.VersionLine()->text().startsWith(QStringLiteral("Version 1.0.")));
        QVERIFY(box.VersionLine()->text().contains(QStringLiteral("Copyright")));
    }

    void versionLineWithoutVersionInformation()
    {
        FileVersionInfo none;
        QCOMPARE(AboutVersionLine(none), QStringLiteral("Version 0.0.0.0"));
    }

    void okCloses()
    {
        CAboutDialog box;
        box.show();
        QTest::mouseClick(box.OkButton(), Qt::LeftButton);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QVERIFY(!box.isVisible());
    }

    void reachedFromTheMenuAndFromTheHelpWindow()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(ClosesAnAboutBox([&] { bridge.Commands().Carry(kCmdAbout); }));
        CHelpViewer viewer;
        viewer.Load(PlaceHelpFileBesideTheProgram());
        QToolButton* about = nullptr;
        for (QToolButton* b : viewer.findChildren<QToolButton*>())
            if (b->text() == QStringLiteral("&About Speckwash..."))
                about = b;
        QVERIFY(about != nullptr);
        QVERIFY(ClosesAnAboutBox([&] { about->click(); }));
    }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
