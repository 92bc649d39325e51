#include "app/main_window/context_menu.h"

#include <QMenu>

#include "view/resource_pictures.h"

const char* const kContextMenuTitle = "   | Pop-Up Control Box |";

namespace {

// Items greyed while no image is open: everything but open, the panel and closing.
constexpr int kNeedAnImage[] = { kCmdAddTouchUp, kCmdRemoveTouchUp, kCmdZoomIn, kCmdZoomOut, kCmdUndoStroke,
    kCmdBeforeAfter, kCmdHighlight, kCmdSave, kCmdAutomaticCorrection, kCmdNextSpot, kCmdPreviousSpot, kCmdVetoSpot,
    kCmdShowSpots };

QAction* AddItem(QMenu& menu, int command, const QString& text)
{
    QAction* a = menu.addAction(text);
    a->setData(command);
    return a;
}

void SetChecked(QAction* a, bool checked)
{
    a->setCheckable(true);
    a->setChecked(checked);
}

} // namespace

std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuState& s, QWidget* parent)
{
    auto menu = std::make_unique<QMenu>(parent);
    QAction* title = AddItem(*menu, kCmdMenuTitle, QString::fromLatin1(kContextMenuTitle));
    title->setEnabled(false);
    // The title's picture stands where a check mark would.
    title->setIcon(QIcon(QPixmap::fromImage(LoadBitmapResource(175))));
    title->setIconVisibleInMenu(true);
    menu->addSeparator();
    SetChecked(AddItem(*menu, kCmdAddTouchUp, QStringLiteral("&Add Touch Up")), s.brushTool == kTouchUpAddTool);
    SetChecked(AddItem(*menu, kCmdRemoveTouchUp, QStringLiteral("&Remove Touch Up")), s.brushTool == kTouchUpRemoveTool);
    menu->addSeparator();
    QAction* zoomIn = AddItem(*menu, kCmdZoomIn, QStringLiteral("Zoom &In"));
    QAction* zoomOut = AddItem(*menu, kCmdZoomOut, QStringLiteral("Zoom&Out"));
    menu->addSeparator();
    QAction* undo = AddItem(*menu, kCmdUndoStroke, QStringLiteral("&Undo Brush stroke"));
    menu->addSeparator();
    AddItem(*menu, kCmdBeforeAfter, s.viewAfter ? QStringLiteral("View &Before Image") : QStringLiteral("&View After Image"));
    SetChecked(AddItem(*menu, kCmdHighlight, QStringLiteral("&Highlight")), s.highlightOn);
    menu->addSeparator();
    // The spot review; the keys stand beside the texts, as the accelerator table has them.
    QAction* nextSpot = AddItem(*menu, kCmdNextSpot, QStringLiteral("&Next Spot\tN"));
    QAction* previousSpot = AddItem(*menu, kCmdPreviousSpot, QStringLiteral("&Previous Spot\tShift+N"));
    QAction* vetoSpot = AddItem(*menu, kCmdVetoSpot, QStringLiteral("&Veto Spot\tDel"));
    QAction* showSpots = AddItem(*menu, kCmdShowSpots, QStringLiteral("Sho&w Spots\tS"));
    SetChecked(showSpots, s.showSpots);
    menu->addSeparator();
    AddItem(*menu, kCmdOpen, QStringLiteral("&Open"));
    AddItem(*menu, kCmdSave, QStringLiteral("&Save as ..."));
    menu->addSeparator();
    SetChecked(AddItem(*menu, kCmdAutomaticCorrection, QStringLiteral("&Automatic Correction")), s.automationOn);
    SetChecked(AddItem(*menu, kCmdViewControlPanel, QStringLiteral("&View Control Panel")), s.panelVisible);
    menu->addSeparator();
    AddItem(*menu, kCmdExit, QStringLiteral("E&xit"));
    AddItem(*menu, kCmdCloseAll, QStringLiteral("Close All"));
    // The window manager's system menu is not ours to extend: the about box lives here.
    menu->addSeparator();
    AddItem(*menu, kCmdAbout, QStringLiteral("&About Speckwash..."));

    if (s.hasImage) {
        zoomIn->setEnabled(s.zoomInEnabled);
        zoomOut->setEnabled(s.zoomOutEnabled);
        undo->setEnabled(s.undoEnabled);
        nextSpot->setEnabled(s.hasSpots);
        previousSpot->setEnabled(s.hasSpots);
        vetoSpot->setEnabled(s.spotUnderReview);
    } else {
        for (int command : kNeedAnImage)
            FindMenuCommand(*menu, command)->setEnabled(false);
    }
    return menu;
}

QAction* FindMenuCommand(const QMenu& menu, int command)
{
    for (QAction* a : menu.actions())
        if (!a->isSeparator() && a->data().toInt() == command)
            return a;
    return nullptr;
}
