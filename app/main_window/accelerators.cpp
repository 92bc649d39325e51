#include "app/main_window/accelerators.h"

#include <QShortcut>
#include <QWidget>

const std::vector<AcceleratorKey>& AcceleratorTable()
{
    static const std::vector<AcceleratorKey> table = {
        { QKeySequence(Qt::SHIFT | Qt::Key_F1), kAccNothing },
        { QKeySequence(Qt::CTRL | Qt::Key_Minus), kAccZoomOut },
        { QKeySequence(Qt::Key_F1), kAccHelp },
        { QKeySequence(Qt::Key_Tab), kAccTogglePanel },
        { QKeySequence(Qt::CTRL | Qt::Key_Z), kAccUndo },
        // The "=" key, where "+" sits shifted on the main keyboard.
        { QKeySequence(Qt::CTRL | Qt::Key_Equal), kAccZoomIn },
        { QKeySequence(Qt::Key_A), kAccShowAfter },
        { QKeySequence(Qt::Key_B), kAccShowBefore },
        { QKeySequence(Qt::Key_H), kAccHighlight },
        { QKeySequence(Qt::Key_N), kAccNextSpot },
        { QKeySequence(Qt::SHIFT | Qt::Key_N), kAccPreviousSpot },
        { QKeySequence(Qt::Key_Delete), kAccVetoSpot },
        { QKeySequence(Qt::Key_S), kAccShowSpots },
    };
    return table;
}

std::vector<QShortcut*> InstallAccelerators(QWidget* window, std::function<void(int)> handler)
{
    std::vector<QShortcut*> made;
    for (const AcceleratorKey& k : AcceleratorTable()) {
        auto* shortcut = new QShortcut(k.key, window);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = k.command;
        QObject::connect(shortcut, &QShortcut::activated, window, [handler, command] { handler(command); });
        made.push_back(shortcut);
    }
    return made;
}
