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
    panel_->SetStartControls(window_.params.automation != 0, window_.largestBrushRadius);
    // The thumbnail is made to fit the panel's navigator.
    window_.navigatorArea = panel_->Navigator()->Area();
    window_.SetControlPanel(panel_.get());
    commands_->PanelCreated(panel_.get());
    window_.FitWindowToImage(window_.CurrentImage()); // places the panel beside the window
    panel_->ShowProgress(false, 0);
    if (window_.panelVisible)
        panel_->show();
}

void CPanelBridge::Open() { window_.Open(); }
void CPanelBridge::Save() { window_.Save(); }
void CPanelBridge::QuitPrompt() { window_.QuitPrompt(); }
void CPanelBridge::ClosePrompt() { window_.ClosePrompt(); }

void CPanelBridge::UndoStroke() { window_.UndoStroke(); }

void CPanelBridge::ZoomIn() { window_.ZoomIn(); }
void CPanelBridge::ZoomOut() { window_.ZoomOut(); }

void CPanelBridge::ShowHelp() { commands_->ShowHelp(); }

void CPanelBridge::ShowContextMenu(const QPoint& globalPos) { commands_->ShowContextMenu(panel_.get(), globalPos); }

bool CPanelBridge::HasEngine() const { return window_.Engine() != nullptr; }
bool CPanelBridge::HasImage() const { return window_.CurrentImage() != nullptr; }
DustParams& CPanelBridge::Params() { return window_.params; }
int CPanelBridge::ImageResolution() const { return window_.document.resolutionDpi; }
bool CPanelBridge::ImageFromCamera() const { return window_.fromCamera; }
bool CPanelBridge::ViewAfter() const { return window_.viewAfter; }
void CPanelBridge::SetViewAfter(bool after) { window_.SetViewAfter(after); }
bool CPanelBridge::HighlightOn() const { return window_.highlightOn; }

void CPanelBridge::SetHighlight(bool on, int colour)
{
    window_.highlightColour = colour;
    window_.SetHighlight(on);
}

float CPanelBridge::ViewScale() const { return window_.view.scale; }
void CPanelBridge::RedrawImage() { window_.update(); }
void CPanelBridge::RedrawAll() { window_.repaint(); }
void CPanelBridge::QueueVisibleRegion(int sequence) { window_.QueueVisibleRegion(sequence); }
void CPanelBridge::RotationChanged(int rotation) { window_.SetRotation(rotation); }

void CPanelBridge::SetBrushTool(int tool) { window_.brushTool = tool; }
int CPanelBridge::BrushTool() const { return window_.brushTool; }
void CPanelBridge::SetUpBrush(int radius, int manualDustSize, int tool, int strength)
{
    window_.Brush().SetUp(radius, manualDustSize, tool, strength);
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

const CImage* CPanelBridge::Thumbnail() const { return window_.thumbnail.get(); }
float CPanelBridge::ThumbnailScale() const { return window_.thumbnailScale; }
Rect CPanelBridge::VisibleRegion() const { return window_.view.visible; }
int CPanelBridge::ImageWidth() const { return window_.view.imageWidth; }
int CPanelBridge::ImageHeight() const { return window_.view.imageHeight; }

void CPanelBridge::NavigatorPanTo(Point p)
{
    ViewGeometry& view = window_.view;
    CentreOn(view.visible, p.x, p.y);
    ClampVisibleRegion(view.visible, view.imageWidth, view.imageHeight);
    view.imageRect = LayOutImageRect(view.visible, view.scale, view.rotation, window_.imageArea);
    window_.ReprioritiseVisible(false, 1);
    window_.update();
}
