#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QComboBox>
#include <QMenu>
#include <QTest>

#include "app/main_window/context_menu.h"
#include "app/control_panel/panel_bridge.h"
#include "app/control_panel/panel_layout.h"
#include "app/settings/settings_access.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "app/main_window/window_commands.h"
#include "gui_test_support.h"
#include "view/icon_button.h"
#include "stored_setting.h"
#include "workflow/dust_parameter_rules.h"

namespace {

struct Item {
    int command;
    const char* text;
};

// The menu in order; 0 marks a separator.
const Item kExpectedItems[] = {
    { kCmdMenuTitle, "   | Pop-Up Control Box |" }, { 0, "" },
    { kCmdAddTouchUp, "&Add Touch Up" }, { kCmdRemoveTouchUp, "&Remove Touch Up" }, { 0, "" },
    { kCmdZoomIn, "Zoom &In" }, { kCmdZoomOut, "Zoom&Out" }, { 0, "" },
    { kCmdUndoStroke, "&Undo Brush stroke" }, { 0, "" },
    { kCmdBeforeAfter, "View &Before Image" }, { kCmdHighlight, "&Highlight" }, { 0, "" },
    { kCmdNextSpot, "&Next Spot\tN" }, { kCmdPreviousSpot, "&Previous Spot\tShift+N" },
    { kCmdVetoSpot, "&Veto Spot\tDel" }, { kCmdShowSpots, "Sho&w Spots\tS" }, { 0, "" },
    { kCmdOpen, "&Open" }, { kCmdSave, "&Save as ..." }, { 0, "" },
    { kCmdAutomaticCorrection, "&Automatic Correction" }, { kCmdViewControlPanel, "&View Control Panel" }, { 0, "" },
    { kCmdExit, "E&xit" }, { kCmdCloseAll, "Close All" }, { 0, "" },
    { kCmdAbout, "&About Speckwash..." },
};

QList<int> EnabledCommands(const QMenu& menu)
{
    QList<int> enabled;
    for (QAction* a : menu.actions())
        if (!a->isSeparator() && a->isEnabled())
            enabled << a->data().toInt();
    return enabled;
}

} // namespace

// The pop-up menu of both windows: its items, checks, texts and greying, and
// what each command does once the menu is gone.
class MenuContextTest : public QObject {
    Q_OBJECT

    QString picture;

    // Opens the menu the way a right click does and records it; chooses
    // `command` (0 for none).
    static std::unique_ptr<QMenu> Pop(CPanelBridge& bridge, int command = 0)
    {
        std::unique_ptr<QMenu> seen;
        // The real menu is gone once the command runs; keep a copy of it.
        bridge.Commands().chooseFromMenu = [&](QMenu& menu, const QPoint&) {
            seen = std::make_unique<QMenu>();
            for (QAction* a : menu.actions()) {
                if (a->isSeparator()) {
                    seen->addSeparator();
                    continue;
                }
                QAction* copy = seen->addAction(a->icon(), a->text());
                copy->setData(a->data());
                copy->setCheckable(a->isCheckable());
                copy->setChecked(a->isChecked());
                copy->setEnabled(a->isEnabled());
            }
            return command;
        };
        bridge.Commands().ShowContextMenu(bridge.Panel(), QPoint(10, 10));
        bridge.Commands().chooseFromMenu = nullptr;
        return seen;
    }

private slots:
    void initTestCase()
    {
        TestFolder();
        auto image = DustyPicture(400, 300, { { 100, 100 } });
        image->resolutionDpi = 300;
        picture = WritePicture(*image, "menu.bmp");
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void itemsInOrderWithTheirCommands()
    {
        auto menu = BuildContextMenu(ContextMenuState {}, nullptr);
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), int(std::size(kExpectedItems)));
        for (int i = 0; i < actions.size(); ++i) {
            const Item& expected = kExpectedItems[i];
            QCOMPARE(actions[i]->isSeparator(), expected.command == 0);
            if (expected.command == 0)
                continue;
            QCOMPARE(actions[i]->data().toInt(), expected.command);
            QCOMPARE(actions[i]->text(), QString::fromLatin1(expected.text));
        }
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(!actions[0]->icon().isNull());
    }

    void withoutAnImageOnlyOpenPanelAndClosingAreActive()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        auto menu = Pop(bridge);
        QCOMPARE(EnabledCommands(*menu),
            (QList<int> { kCmdOpen, kCmdViewControlPanel, kCmdExit, kCmdCloseAll, kCmdAbout }));
    }

    void checksFollowTheState()
    {
        ContextMenuState s;
        s.brushTool = kTouchUpRemoveTool;
        s.highlightOn = false;
        s.automationOn = false;
        s.panelVisible = false;
        auto menu = BuildContextMenu(s, nullptr);
        QVERIFY(!FindMenuCommand(*menu, kCmdAddTouchUp)->isChecked());
        QVERIFY(FindMenuCommand(*menu, kCmdRemoveTouchUp)->isChecked());
        QVERIFY(!FindMenuCommand(*menu, kCmdHighlight)->isChecked());
        QVERIFY(!FindMenuCommand(*menu, kCmdAutomaticCorrection)->isChecked());
        QVERIFY(!FindMenuCommand(*menu, kCmdViewControlPanel)->isChecked());
        s = ContextMenuState {};
        menu = BuildContextMenu(s, nullptr);
        QVERIFY(FindMenuCommand(*menu, kCmdAddTouchUp)->isChecked());
        QVERIFY(!FindMenuCommand(*menu, kCmdRemoveTouchUp)->isChecked());
        QVERIFY(FindMenuCommand(*menu, kCmdHighlight)->isChecked());
        QVERIFY(FindMenuCommand(*menu, kCmdAutomaticCorrection)->isChecked());
        QVERIFY(FindMenuCommand(*menu, kCmdViewControlPanel)->isChecked());
    }

    void withAnImageGreyingFollowsThePanelButtons()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        auto menu = Pop(bridge);
        QVERIFY(FindMenuCommand(*menu, kCmdSave)->isEnabled());
        QVERIFY(FindMenuCommand(*menu, kCmdBeforeAfter)->isEnabled());
        QVERIFY(FindMenuCommand(*menu, kCmdZoomIn)->isEnabled());
        // No stroke yet: the panel's Undo is disabled and so is the item.
        QCOMPARE(FindMenuCommand(*menu, kCmdUndoStroke)->isEnabled(), bridge.Panel()->Control(kIdUndo)->isEnabled());
        for (int i = 0; i < 8 && window.ZoomInEnabled(); ++i)
            window.ZoomIn();
        QVERIFY(!bridge.Panel()->Control(kIdZoomIn)->isEnabled());
        menu = Pop(bridge);
        QVERIFY(!FindMenuCommand(*menu, kCmdZoomIn)->isEnabled());
        QVERIFY(FindMenuCommand(*menu, kCmdZoomOut)->isEnabled());
        QVERIFY(WaitForEngine(window));
    }

    void beforeImageSwitchesTheItemText()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        auto menu = Pop(bridge, kCmdBeforeAfter);
        QCOMPARE(FindMenuCommand(*menu, kCmdBeforeAfter)->text(), QStringLiteral("View &Before Image"));
        QVERIFY(!window.ViewAfter());
        menu = Pop(bridge, kCmdBeforeAfter);
        QCOMPARE(FindMenuCommand(*menu, kCmdBeforeAfter)->text(), QStringLiteral("&View After Image"));
        QVERIFY(window.ViewAfter());
        QVERIFY(WaitForEngine(window));
    }

    void commandsReachTheWindowAndPanel()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        CWindowCommands& commands = bridge.Commands();

        // The panel's brush list follows the menu's choice.
        auto* brushList = qobject_cast<QComboBox*>(bridge.Panel()->Control(kIdBrushType));
        commands.Carry(kCmdRemoveTouchUp);
        QCOMPARE(bridge.BrushTool(), kTouchUpRemoveTool);
        QCOMPARE(BrushToolForEntry(brushList->currentIndex()), kTouchUpRemoveTool);
        commands.Carry(kCmdAddTouchUp);
        QCOMPARE(bridge.BrushTool(), kTouchUpAddTool);
        QCOMPARE(BrushToolForEntry(brushList->currentIndex()), kTouchUpAddTool);

        // The panel's Highlights button follows.
        const bool highlight = bridge.HighlightOn();
        commands.Carry(kCmdHighlight);
        QCOMPARE(bridge.HighlightOn(), !highlight);
        QCOMPARE(bridge.Panel()->Button(kIdHighlights)->text(), highlight ? QStringLiteral("Off") : QStringLiteral("On"));
        commands.Carry(kCmdHighlight);
        QCOMPARE(bridge.Panel()->Button(kIdHighlights)->text(), highlight ? QStringLiteral("On") : QStringLiteral("Off"));

        const QString before = window.ZoomText();
        commands.Carry(kCmdZoomIn);
        QVERIFY(window.ZoomText() != before);
        commands.Carry(kCmdZoomOut);
        QCOMPARE(window.ZoomText(), before);

        // The box is ticked off first, then its handler turns correction off.
        auto* active = qobject_cast<QCheckBox*>(bridge.Panel()->Control(kIdActive));
        QVERIFY(active->isChecked());
        commands.Carry(kCmdAutomaticCorrection);
        QVERIFY(!active->isChecked());
        QCOMPARE(int(window.Params().automation), 0);
        commands.Carry(kCmdAutomaticCorrection);
        QVERIFY(active->isChecked());
        QCOMPARE(int(window.Params().automation), 1);
        QVERIFY(WaitForEngine(window));
    }

    void viewControlPanelHidesShowsAndPersists()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        bridge.Panel()->show();
        Pop(bridge, kCmdViewControlPanel);
        QVERIFY(!bridge.Panel()->isVisible());
        QCOMPARE(StoredSetting("ShowControls"), 0);
        auto menu = Pop(bridge, kCmdViewControlPanel);
        QVERIFY(!FindMenuCommand(*menu, kCmdViewControlPanel)->isChecked());
        QVERIFY(bridge.Panel()->isVisible());
        QCOMPARE(StoredSetting("ShowControls"), 1);
    }

    // The tick reads the panel window itself, and the remembered state follows it.
    void panelHiddenBehindTheMenusBackIsSeenAndPersisted()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        bridge.Panel()->show();
        StoreSetting("ShowControls", 1);
        bridge.Panel()->hide();
        auto menu = Pop(bridge);
        QVERIFY(!FindMenuCommand(*menu, kCmdViewControlPanel)->isChecked());
        QCOMPARE(StoredSetting("ShowControls"), 0);
        // So the next toggle shows it rather than hiding it again.
        Pop(bridge, kCmdViewControlPanel);
        QVERIFY(bridge.Panel()->isVisible());
    }

    void rightClickInEitherWindowOpensTheMenu()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QList<QPoint> shownAt;
        QList<QWidget*> owners;
        bridge.Commands().chooseFromMenu = [&](QMenu& menu, const QPoint& at) {
            shownAt << at;
            owners << menu.parentWidget();
            return 0;
        };
        QContextMenuEvent inWindow(QContextMenuEvent::Mouse, QPoint(20, 30), window.mapToGlobal(QPoint(20, 30)));
        QApplication::sendEvent(&window, &inWindow);
        QTest::mouseClick(bridge.Panel(), Qt::RightButton, {}, QPoint(15, 25));
        bridge.Commands().chooseFromMenu = nullptr;
        QCOMPARE(shownAt.size(), 2);
        QCOMPARE(shownAt[0], window.mapToGlobal(QPoint(20, 30)));
        QCOMPARE(owners[0], static_cast<QWidget*>(&window));
        QCOMPARE(shownAt[1], bridge.Panel()->mapToGlobal(QPoint(15, 25)));
        QCOMPARE(owners[1], static_cast<QWidget*>(bridge.Panel()));
    }

    void exitWithoutAnImageEndsTheWindow()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        Pop(bridge, kCmdCloseAll);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(MenuContextTest)
#include "menu_context_test.moc"
