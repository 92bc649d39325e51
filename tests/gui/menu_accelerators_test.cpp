#include <QApplication>
#include <QContextMenuEvent>
#include <QSet>
#include <QShortcut>
#include <QTest>

#include "app/main_window/accelerators.h"
#include "app/help/help_viewer.h"
#include "app/control_panel/panel_bridge.h"
#include "app/control_panel/panel_layout.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "app/main_window/window_commands.h"
#include "gui_test_support.h"
#include "stored_setting.h"
#include "help_test_support.h"
#include "workflow/dust_parameter_rules.h"

// The accelerator keys, pressed in the main window and in the control panel.
class MenuAcceleratorsTest : public QObject {
    Q_OBJECT

    QString picture;

    static bool Activate(QWidget& w)
    {
        w.show();
        w.raise();
        w.activateWindow();
        // Not isActiveWindow(): the window counts as active while its tool
        // window, the panel, is.
        return QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; });
    }

private slots:
    void initTestCase()
    {
        TestFolder();
        auto image = DustyPicture(400, 300, { { 100, 100 } });
        image->resolutionDpi = 300;
        picture = WritePicture(*image, "keys.bmp");
        PlaceHelpFileBesideTheProgram();
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void bothWindowsCarryTheWholeTable()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        const auto count = [](QWidget* w) {
            return int(w->findChildren<QShortcut*>(Qt::FindDirectChildrenOnly).size());
        };
        QCOMPARE(count(&window), int(AcceleratorTable().size()));
        QCOMPARE(count(bridge.Panel()), int(AcceleratorTable().size()));
        // A panel made again gets its own, once.
        bridge.CreatePanel();
        QCOMPARE(count(bridge.Panel()), int(AcceleratorTable().size()));
    }

    void keysOfAWindowThatOutlivesItsPanelGoNowhere()
    {
        CSpeckwashDlg window;
        Script(window);
        {
            CPanelBridge bridge(window);
        }
        QCOMPARE(int(window.findChildren<QShortcut*>().size()), 0);
        QVERIFY(Activate(window));
        const auto shown = [] {
            QSet<QWidget*> windows;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    windows.insert(w);
            return windows;
        };
        const QSet<QWidget*> before = shown();
        QTest::keyClick(&window, Qt::Key_F1);
        QTest::keyClick(&window, Qt::Key_Tab);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), window.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&window, &click);
        // No help, panel or menu came up, and the window kept the keyboard.
        QCOMPARE(shown(), before);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&window));
    }

    void zoomKeysStopWhereTheButtonsDo()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        QVERIFY(OpenAndWait(window, picture));
        QVERIFY(Activate(window));
        QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window.ZoomText(), QStringLiteral("200%"));
        QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window.ZoomText(), QStringLiteral("400%"));
        QVERIFY(!bridge.Panel()->Control(kIdZoomIn)->isEnabled());
        const float scale = window.View().scale;
        QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window.ZoomText(), QStringLiteral("400%"));
        QCOMPARE(window.View().scale, scale);
        QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(window.ZoomText(), QStringLiteral("200%"));
        QVERIFY(WaitForEngine(window));
    }

    void zoomKeysDoNothingWithoutAnImage()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        QVERIFY(Activate(window));
        const QString zoom = window.ZoomText();
        QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(window.ZoomText(), zoom);
    }

    void tabHidesAndShowsThePanelAndPersists()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        CSpeckwashDlg2& panel = *bridge.Panel();
        QVERIFY(Activate(window)); // its first showing shows the panel too
        QVERIFY(Activate(panel));
        QTest::keyClick(&panel, Qt::Key_Tab); // the panel hands Tab to its owner
        QVERIFY(!panel.isVisible());
        QCOMPARE(StoredSetting("ShowControls"), 0);
        QVERIFY(Activate(window));
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(panel.isVisible());
        QCOMPARE(StoredSetting("ShowControls"), 1);
    }

    void afterBeforeAndHighlightKeys()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        QVERIFY(OpenAndWait(window, picture));
        QVERIFY(Activate(window));
        QTest::keyClick(&window, Qt::Key_B);
        QVERIFY(!window.ViewAfter());
        QTest::keyClick(&window, Qt::Key_B); // B shows before; it does not toggle
        QVERIFY(!window.ViewAfter());
        QTest::keyClick(&window, Qt::Key_A);
        QVERIFY(window.ViewAfter());
        const bool highlight = bridge.HighlightOn();
        QTest::keyClick(&window, Qt::Key_H);
        QCOMPARE(bridge.HighlightOn(), !highlight);
        QTest::keyClick(&window, Qt::Key_H);
        QCOMPARE(bridge.HighlightOn(), highlight);
        QVERIFY(WaitForEngine(window));
    }

    // In the panel H is a click on the Highlights button, with that
    // button's hover rule: the first click only takes over the preview.
    void highlightKeyInThePanelClicksTheButton()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        QVERIFY(OpenAndWait(window, picture));
        CSpeckwashDlg2& panel = *bridge.Panel();
        QVERIFY(Activate(panel));
        const bool highlight = bridge.HighlightOn();
        QVERIFY(!panel.ClickedWhileHovered());
        QTest::keyClick(&panel, Qt::Key_H);
        QVERIFY(panel.ClickedWhileHovered());
        QCOMPARE(bridge.HighlightOn(), highlight);
        QTest::keyClick(&panel, Qt::Key_H);
        QCOMPARE(bridge.HighlightOn(), !highlight);
        QVERIFY(WaitForEngine(window));
    }

    void f1OpensTheContentsOrThePanelsPageAndShiftF1DoesNothing()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        QVERIFY(Activate(window));
        QTest::keyClick(&window, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(bridge.Commands().HelpViewer() == nullptr);
        QTest::keyClick(&window, Qt::Key_F1);
        CHelpViewer* help = bridge.Commands().HelpViewer();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QVERIFY(help->IsLoaded());
        QCOMPARE(help->windowTitle(), QStringLiteral("Speckwash Help"));
        QCOMPARE(help->CurrentTopic(), QStringLiteral("/index.htm"));
        // Owned by the control panel.
        QCOMPARE(help->parentWidget(), static_cast<QWidget*>(bridge.Panel()));
        // Over the panel, F1 asks for the panel's page by its context number.
        bridge.Commands().Accelerator(kAccHelp, true);
        QCOMPARE(help->CurrentTopic(), QStringLiteral("/sliders.htm"));
    }
};

QTEST_MAIN(MenuAcceleratorsTest)
#include "menu_accelerators_test.moc"
