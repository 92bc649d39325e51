#include "app/main_window/window_commands.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QShortcut>

#include "app/dialogs/about_dialog.h"
#include "app/main_window/accelerators.h"
#include "app/help/help_file.h"
#include "app/help/help_viewer.h"
#include "app/control_panel/panel_bridge.h"
#include "app/control_panel/panel_layout.h"
#include "app/settings/settings_access.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "workflow/data_files.h"

namespace {

const char* const kHelpFileName = "Speckwash.chm";

bool ControlEnabled(CSpeckwashDlg2* panel, int id)
{
    QWidget* w = panel ? panel->Control(id) : nullptr;
    return w && w->isEnabled();
}

} // namespace

CWindowCommands::CWindowCommands(CSpeckwashDlg& window, CPanelBridge& bridge) : window_(window), bridge_(bridge)
{
    window_.setContextMenuPolicy(Qt::CustomContextMenu);
    rightClick_ = QObject::connect(&window_, &QWidget::customContextMenuRequested, &window_,
        [this](const QPoint& at) { ShowContextMenu(&window_, window_.mapToGlobal(at)); });
    for (QShortcut* key : InstallAccelerators(&window_, [this](int command) { Accelerator(command, false); }))
        windowKeys_.emplace_back(key);
}

CWindowCommands::~CWindowCommands()
{
    QObject::disconnect(rightClick_);
    for (const QPointer<QShortcut>& key : windowKeys_)
        delete key.data();
}

void CWindowCommands::PanelCreated(CSpeckwashDlg2* panel)
{
    if (panel)
        InstallAccelerators(panel, [this](int command) { Accelerator(command, true); });
}

ContextMenuState CWindowCommands::MenuState()
{
    CSpeckwashDlg2* panel = bridge_.Panel();
    const bool panelShown = panel && panel->isVisible();
    if (window_.panelVisible != panelShown) {
        window_.panelVisible = panelShown;
        StoreSetting("ShowControls", panelShown ? 1 : 0);
    }
    ContextMenuState s;
    s.hasImage = window_.CurrentImage() != nullptr;
    const EditSession& session = window_.Session();
    s.brushTool = session.brush.tool;
    s.highlightOn = session.highlightOn;
    s.automationOn = session.params.automation != 0;
    s.panelVisible = panelShown;
    s.viewAfter = session.viewAfter;
    s.zoomInEnabled = ControlEnabled(panel, kIdZoomIn);
    s.zoomOutEnabled = ControlEnabled(panel, kIdZoomOut);
    s.undoEnabled = ControlEnabled(panel, kIdUndo);
    s.hasSpots = session.spots && session.spotCountShown && session.spots->List().Count() > 0;
    s.spotUnderReview = window_.SpotUnderReview() >= 0;
    s.showSpots = session.showSpots;
    return s;
}

void CWindowCommands::ShowContextMenu(QWidget* owner, const QPoint& globalPos)
{
    int command = 0;
    {
        std::unique_ptr<QMenu> menu = BuildContextMenu(MenuState(), owner);
        if (chooseFromMenu) {
            command = chooseFromMenu(*menu, globalPos);
        } else {
            QAction* chosen = menu->exec(globalPos);
            command = chosen ? chosen->data().toInt() : 0;
        }
    }
    // The menu is gone before the command runs: a command may open a
    // dialog or close the window the menu belonged to.
    if (command != 0)
        Carry(command);
}

void CWindowCommands::Carry(int command)
{
    CSpeckwashDlg2* panel = bridge_.Panel();
    switch (command) {
    case kCmdAddTouchUp:
    case kCmdRemoveTouchUp:
        ChooseBrushTool(command == kCmdAddTouchUp ? kTouchUpAddTool : kTouchUpRemoveTool);
        break;
    case kCmdZoomIn:
        window_.ZoomIn();
        break;
    case kCmdZoomOut:
        window_.ZoomOut();
        break;
    case kCmdUndoStroke:
        bridge_.UndoStroke();
        break;
    case kCmdBeforeAfter:
        window_.SetViewAfter(!window_.ViewAfter());
        break;
    case kCmdHighlight:
        ToggleHighlight();
        break;
    case kCmdOpen:
        window_.Open();
        break;
    case kCmdSave:
        window_.Save();
        break;
    case kCmdAutomaticCorrection:
        if (panel) {
            auto* active = qobject_cast<QCheckBox*>(panel->Control(kIdActive));
            panel->SetActiveChecked(!(active && active->isChecked()));
            panel->AutomaticCorrectionSwitch();
        }
        break;
    case kCmdViewControlPanel:
        TogglePanel();
        break;
    case kCmdExit:
        window_.ClosePrompt();
        break;
    case kCmdCloseAll:
        window_.QuitPrompt();
        break;
    case kCmdAbout:
        ShowAboutBox(&window_);
        break;
    case kCmdNextSpot:
        window_.StepSpot(1);
        break;
    case kCmdPreviousSpot:
        window_.StepSpot(-1);
        break;
    case kCmdVetoSpot:
        window_.VetoSpot();
        break;
    case kCmdShowSpots:
        window_.SetShowSpots(!window_.Session().showSpots);
        break;
    default:
        break;
    }
}

// As a choice in the panel's brush list, so that the list and the brush tip follow.
void CWindowCommands::ChooseBrushTool(int tool)
{
    CSpeckwashDlg2* panel = bridge_.Panel();
    auto* list = panel ? qobject_cast<QComboBox*>(panel->Control(kIdBrushType)) : nullptr;
    if (!list) {
        bridge_.SetBrushTool(tool);
        return;
    }
    for (int entry = 0; entry < list->count(); ++entry) {
        if (BrushToolForEntry(entry) == tool) {
            list->setCurrentIndex(entry);
            emit list->activated(entry);
            return;
        }
    }
}

void CWindowCommands::Accelerator(int command, bool inPanel)
{
    // While a file is read nothing may change the image it replaces.
    if (window_.Opening() && command != kAccHelp && command != kAccTogglePanel)
        return;
    CSpeckwashDlg2* panel = bridge_.Panel();
    switch (command) {
    case kAccZoomOut:
        if (ControlEnabled(panel, kIdZoomOut))
            window_.ZoomOut();
        break;
    case kAccZoomIn:
        if (ControlEnabled(panel, kIdZoomIn))
            window_.ZoomIn();
        break;
    case kAccHelp:
        // Over the panel F1 opens the panel's own topic; elsewhere the contents.
        if (inPanel)
            ShowHelpContext(kControlPanelHelpContext);
        else
            ShowHelp();
        break;
    case kAccTogglePanel:
        TogglePanel();
        break;
    case kAccUndo:
        bridge_.UndoStroke();
        break;
    case kAccShowAfter:
        window_.SetViewAfter(true);
        break;
    case kAccShowBefore:
        window_.SetViewAfter(false);
        break;
    case kAccHighlight:
        if (inPanel && panel)
            panel->ClickHighlights();
        else
            ToggleHighlight();
        break;
    case kAccNextSpot:
        window_.StepSpot(1);
        break;
    case kAccPreviousSpot:
        window_.StepSpot(-1);
        break;
    case kAccVetoSpot:
        window_.VetoSpot();
        break;
    case kAccShowSpots:
        window_.SetShowSpots(!window_.Session().showSpots);
        break;
    default: // Shift+F1 does nothing
        break;
    }
}

void CWindowCommands::ToggleHighlight() { window_.SetHighlight(!window_.Session().highlightOn); }

void CWindowCommands::SetPanelVisible(bool visible)
{
    window_.panelVisible = visible;
    StoreSetting("ShowControls", visible ? 1 : 0);
    CSpeckwashDlg2* panel = bridge_.Panel();
    if (visible && panel) {
        panel->show();
        panel->raise();
        panel->activateWindow();
    } else {
        if (panel)
            panel->hide();
        window_.raise();
        window_.activateWindow();
    }
}

void CWindowCommands::TogglePanel() { SetPanelVisible(!window_.panelVisible); }

CHelpViewer* CWindowCommands::OpenHelpViewer()
{
    if (!help_) {
        CSpeckwashDlg2* panel = bridge_.Panel();
        help_ = new CHelpViewer(panel ? static_cast<QWidget*>(panel) : &window_);
    }
    if (help_->IsLoaded())
        return help_;
    const std::string exe = QCoreApplication::applicationFilePath().toStdString();
    // Beside the executable first (a build tree, a copied folder), then where a package installs it.
    help_->Load(QString::fromStdString(
        FirstExistingFile({ HelpFilePathBeside(exe, kHelpFileName), InstalledDataFilePath(exe, kHelpFileName) })));
    return help_;
}

void CWindowCommands::ShowHelp() { OpenHelpViewer()->ShowContents(); }

void CWindowCommands::ShowHelpContext(uint32_t contextId) { OpenHelpViewer()->ShowContext(contextId); }
