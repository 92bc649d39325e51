#pragma once
#include <memory>

class QAction;
class QMenu;
class QWidget;

// Command numbers of the pop-up menu; each item carries its number as data.
enum MenuCommand : int {
    kCmdMenuTitle = 32798,
    kCmdAddTouchUp = 32771,
    kCmdRemoveTouchUp = 32772,
    kCmdZoomIn = 32774,
    kCmdZoomOut = 32775,
    kCmdUndoStroke = 32776,
    kCmdBeforeAfter = 32786,
    kCmdHighlight = 32779,
    kCmdOpen = 32787,
    kCmdSave = 32780,
    kCmdAutomaticCorrection = 32785,
    kCmdViewControlPanel = 32782,
    kCmdExit = 32783,
    kCmdCloseAll = 32792,
    kCmdAbout = 16,
    kCmdNextSpot = 32793,
    kCmdPreviousSpot = 32794,
    kCmdVetoSpot = 32795,
    kCmdShowSpots = 32796,
};

// Brush tools as the panel's brush list names them.
constexpr int kTouchUpAddTool = 412;
constexpr int kTouchUpRemoveTool = 411;

// What the menu's checks, texts and greying depend on.
struct ContextMenuState {
    bool hasImage = false;
    int brushTool = kTouchUpAddTool;
    bool highlightOn = true;
    bool automationOn = true;
    bool panelVisible = true;
    bool viewAfter = true;
    bool zoomInEnabled = true;
    bool zoomOutEnabled = true;
    bool undoEnabled = false;
    bool hasSpots = false; // the count is shown and above zero
    bool spotUnderReview = false;
    bool showSpots = false;
};

// The title item's text.
extern const char* const kContextMenuTitle;

// Builds the pop-up menu for the state, items and separators in order.
std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuState& state, QWidget* parent);
// The item carrying a command number, or null.
QAction* FindMenuCommand(const QMenu& menu, int command);
