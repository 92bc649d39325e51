#include "app/control_panel/panel_bridge.h"

#include <QLabel>

#include "app/brush/brush_tool.h"
#include "app/settings/settings_access.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "app/main_window/window_commands.h"
#include "image/image.h"
#include "view/navigator.h"
#include "view/resource_pictures.h"
#include "view/rules/zoom_rules.h"
#include "view/ui_resources.h"
#include "workflow/version_info.h"

CPanelBridge::CPanelBridge(CSpeckwashDlg& window)
    : window_(window)
    , commands_(std::make_unique<CWindowCommands>(window, *this))
{
    CreatePanel();
    window_.SetPanelRecreator([this] { RecreatePanel(); });
}

CPanelBridge::~CPanelBridge()
{
    window_.SetPanelRecreator(nullptr);
    window_.SetControlPanel(nullptr);
}

void CPanelBridge::RecreatePanel()
{
    window_.SetControlPanel(nullptr);
    if (panel_) {
        panel_->hide();
        panel_.release()->deleteLater();
    }
    CreatePanel();
}

void CPanelBridge::CreatePanel()
{
    window_.SetControlPanel(nullptr);
    panel_ = std::make_unique<CSpeckwashDlg2>(*this, &window_);
    panel_->SetStartControls(window_.Params().automation != 0, window_.LargestBrushRadius());
    // The thumbnail is made to fit the panel's navigator.
    window_.navigatorArea = panel_->Navigator()->Area();
    window_.SetControlPanel(panel_.get());
    commands_->PanelCreated(panel_.get());
    window_.FitWindowToImage(window_.CurrentImage()); // places the panel beside the window
    panel_->SetProgressValue(0);
    panel_->ShowProgressBar(false);
    if (window_.panelVisible)
        panel_->show();
}

void CPanelBridge::Open() { window_.Open(); }
void CPanelBridge::Save() { window_.Save(); }
void CPanelBridge::QuitPrompt() { window_.QuitPrompt(); }
void CPanelBridge::ClosePrompt() { window_.ClosePrompt(); }

void CPanelBridge::UndoStroke() { window_.UndoStroke(); }

void CPanelBridge::StepSpot(int step) { window_.StepSpot(step); }
void CPanelBridge::VetoSpot() { window_.VetoSpot(); }

void CPanelBridge::ZoomIn() { window_.ZoomIn(); }
void CPanelBridge::ZoomOut() { window_.ZoomOut(); }

void CPanelBridge::ShowHelp() { commands_->ShowHelp(); }

void CPanelBridge::ShowContextMenu(const QPoint& globalPos) { commands_->ShowContextMenu(panel_.get(), globalPos); }

bool CPanelBridge::HasEngine() const { return window_.Engine() != nullptr; }
bool CPanelBridge::HasImage() const { return window_.CurrentImage() != nullptr; }
DustParams& CPanelBridge::Params() { return window_.Session().params; }
int CPanelBridge::ImageResolution() const { return window_.Session().document.resolutionDpi; }
bool CPanelBridge::ImageFromCamera() const { return window_.Session().fromCamera; }
bool CPanelBridge::ImageHasInfrared() const { return window_.Session().infrared.Usable(); }
InfraredSettings CPanelBridge::InfraredChoice() const { return window_.Session().infraredChoice; }

void CPanelBridge::SetInfraredChoice(const InfraredSettings& choice)
{
    EditSession& session = window_.Session();
    session.infraredChoice = choice;
    session.params.infrared = InfraredParamByte(choice, session.infrared.Usable());
    StoreInfraredChoice(choice);
}
bool CPanelBridge::ViewAfter() const { return window_.Session().viewAfter; }
void CPanelBridge::SetViewAfter(bool after) { window_.SetViewAfter(after); }
bool CPanelBridge::HighlightOn() const { return window_.Session().highlightOn; }
int CPanelBridge::HighlightColour() const { return window_.Session().highlightColour; }

void CPanelBridge::SetHighlight(bool on, int colour)
{
    window_.Session().highlightColour = colour;
    window_.SetHighlight(on);
}

float CPanelBridge::ViewScale() const { return window_.Session().view.scale; }
void CPanelBridge::RedrawImage() { window_.update(); }
void CPanelBridge::RedrawAll() { window_.repaint(); }
void CPanelBridge::QueueVisibleRegion(int sequence) { window_.QueueVisibleRegion(sequence); }
int CPanelBridge::Rotation() const { return window_.Session().view.rotation; }
void CPanelBridge::RotationChanged(int rotation) { window_.SetRotation(rotation); }

void CPanelBridge::SetBrushTool(int tool)
{
    window_.Session().brush.tool = tool;
    window_.BrushSettingsChanged();
}

int CPanelBridge::BrushTool() const { return window_.Session().brush.tool; }
BrushSettings CPanelBridge::Brush() const { return window_.Session().brush; }
bool CPanelBridge::CanUndo() const { return !window_.Session().strokes.Empty(); }

void CPanelBridge::SetUpBrush(int radius, int manualDustSize, int tool, int strength)
{
    BrushSettings& brush = window_.Session().brush;
    brush = { tool, std::max(1, radius), manualDustSize, std::min(strength, 255) };
    window_.BrushSettingsChanged();
}

void CPanelBridge::DrawBrushAtCentre(int screenRadius)
{
    if (window_.Engine())
        window_.Brush().DrawAtCentre(screenRadius);
}

void CPanelBridge::ShowPicture(int bitmapId)
{
    QLabel* picture = window_.startPicture;
    picture->setPixmap(bitmapId == 150 ? StartPicture() : QPixmap::fromImage(LoadBitmapResource(bitmapId)));
    picture->adjustSize();
    picture->show();
    picture->raise();
}

void CPanelBridge::HidePicture() { window_.startPicture->hide(); }

void CPanelBridge::PanelHidden() { window_.panelVisible = false; }

void CPanelBridge::Persist(const char* name, int value) { StoreSetting(name, value); }

bool CPanelBridge::ProgramVersion(int& major, int& minor, int& build) const
{
    FileVersionInfo info;
    if (!info.LoadFromModule())
        return false;
    major = info.Part(3);
    minor = info.Part(2);
    build = info.Part(1);
    return true;
}

const CImage* CPanelBridge::Thumbnail() const { return window_.Session().thumbnail.get(); }
float CPanelBridge::ThumbnailScale() const { return window_.Session().thumbnailScale; }
Rect CPanelBridge::VisibleRegion() const { return window_.Session().view.visible; }
int CPanelBridge::ImageWidth() const { return window_.Session().view.imageWidth; }
int CPanelBridge::ImageHeight() const { return window_.Session().view.imageHeight; }

void CPanelBridge::NavigatorPanTo(Point p)
{
    ViewGeometry& view = window_.Session().view;
    CentreOn(view.visible, p.x, p.y);
    ClampVisibleRegion(view.visible, view.imageWidth, view.imageHeight);
    view.imageRect = LayOutImageRect(view.visible, view.scale, view.rotation, window_.imageArea);
    window_.ReprioritiseVisible(false, 1);
    window_.update();
}
