#pragma once
#include <QPointer>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/main_window/context_menu.h"

#include "app/help/help_viewer.h"
// The help file's context number (help/context.h) of the page on the control
// panel's controls, opened by F1 over the panel.
constexpr uint32_t kControlPanelHelpContext = 1004;

class CPanelBridge;
class CSpeckwashDlg;
class CSpeckwashDlg2;
class QMenu;
class QShortcut;
class QWidget;

// Carries out the commands that the pop-up menu and the accelerators reach
// in both windows, and owns the way to the help and the about box.
class CWindowCommands {
public:
    CWindowCommands(CSpeckwashDlg& window, CPanelBridge& bridge);
    // The main window may outlive this object: its keys and right click
    // stop reaching it here.
    ~CWindowCommands();
    CWindowCommands(const CWindowCommands&) = delete;
    CWindowCommands& operator=(const CWindowCommands&) = delete;

    // A new control panel: it gets the accelerators too.
    void PanelCreated(CSpeckwashDlg2* panel);

    // The menu's state now. Reading it brings the remembered panel
    // visibility in line with the panel window, as the menu shows it.
    ContextMenuState MenuState();
    // Shows the pop-up menu at a screen position, owned by `owner`, and
    // carries out the chosen command once the menu is gone.
    void ShowContextMenu(QWidget* owner, const QPoint& globalPos);
    void Carry(int command);
    // A key of the accelerator table, pressed in the panel or the main window.
    void Accelerator(int command, bool inPanel);

    void TogglePanel();
    void ShowHelp();
    void ShowHelpContext(uint32_t contextId);
    // The help window, once opened; owned by the control panel.
    CHelpViewer* HelpViewer() const { return help_; }

    // Tests choose from the menu instead of a user: given the built menu,
    // return the chosen command (0 for none).
    std::function<int(QMenu& menu, const QPoint& globalPos)> chooseFromMenu;

private:
    CHelpViewer* OpenHelpViewer();
    void SetPanelVisible(bool visible);
    void ChooseBrushTool(int tool);
    void ToggleHighlight();

    CSpeckwashDlg& window_;
    CPanelBridge& bridge_;
    QPointer<CHelpViewer> help_;
    std::vector<QPointer<QShortcut>> windowKeys_;
    QMetaObject::Connection rightClick_;
};
