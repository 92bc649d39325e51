#pragma once
#include <QKeySequence>
#include <functional>
#include <vector>

class QShortcut;
class QWidget;

// Accelerator commands.
enum AcceleratorCommand : int {
    kAccNothing = 32799, // Shift+F1
    kAccZoomOut = 32798,
    kAccHelp = 57670,
    kAccTogglePanel = 32804,
    kAccUndo = 32806,
    kAccZoomIn = 32796,
    kAccShowAfter = 32808,
    kAccShowBefore = 32809,
    kAccHighlight = 32810,
    kAccNextSpot = 32811,
    kAccPreviousSpot = 32812,
    kAccVetoSpot = 32813,
    kAccShowSpots = 32814,
};

struct AcceleratorKey {
    QKeySequence key;
    int command;
};

// The one accelerator table of the program, shared by the main window and
// the control panel.
const std::vector<AcceleratorKey>& AcceleratorTable();

// Installs the table on a window: each key, pressed anywhere in that window,
// calls `handler` with its command before the window's own keys see it.
// The shortcuts are children of the window and die with it.
std::vector<QShortcut*> InstallAccelerators(QWidget* window, std::function<void(int)> handler);
