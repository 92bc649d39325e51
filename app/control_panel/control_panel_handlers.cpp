// The control panel's handlers: what each control does to the owner's dust
// parameters, view and settings.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "app/control_panel/panel_host.h"
#include "app/control_panel/control_panel_window.h"
#include "view/icon_button.h"
#include "view/navigator.h"
#include "workflow/dust_parameter_rules.h"

namespace {

// Remembered across images for the whole run: the last image type entry the
// user chose and the last dust type persisted. −1 makes the first choice count.
int g_lastImageTypeEntry = -1;
int g_lastDustType = -1;

// Slider positions can outrun a parameter byte (the dust size slider reaches
// five times the radius); a byte holds at most 255.
uint8_t ToByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

} // namespace

void CSpeckwashDlg2::ResetProgramMemory()
{
    g_lastImageTypeEntry = -1;
    g_lastDustType = -1;
}

void CSpeckwashDlg2::Connect()
{
    auto click = [this](int id, auto handler) {
        connect(Button(id), &QPushButton::clicked, this, handler);
    };
    click(kIdOpen, [this] { host_.Open(); });
    click(kIdSave, [this] { host_.Save(); });
    click(kIdCloseAll, [this] { host_.QuitPrompt(); });
    click(kIdUndo, [this] { host_.UndoStroke(); });
    click(kIdZoomIn, [this] { host_.ZoomIn(); });
    click(kIdZoomOut, [this] { host_.ZoomOut(); });
    click(kIdHelp, [this] { host_.ShowHelp(); });
    click(kIdRestoreDefaults, [this] { ApplyParametersFromResolution(); });
    click(kIdBeforeAfter, [this] { OnBeforeAfterClicked(); });
    click(kIdHighlights, [this] { OnHighlightsClicked(); });
    click(kIdYellow, [this] { OnHighlightColour(0); });
    click(kIdMagenta, [this] { OnHighlightColour(1); });
    click(kIdCyan, [this] { OnHighlightColour(2); });
    click(kIdRotateLeft, [this] { OnRotate(false); });
    click(kIdRotateRight, [this] { OnRotate(true); });
    click(kIdPreviousSpot, [this] { host_.StepSpot(-1); });
    click(kIdNextSpot, [this] { host_.StepSpot(1); });
    click(kIdVetoSpot, [this] { host_.VetoSpot(); });
    for (const PanelControl& c : PanelControls()) {
        if (c.kind != ControlKind::Button)
            continue;
        connect(Button(c.id), &CIconButton::HoverEntered, this, [this](int id) { OnHoverEnter(id); });
        connect(Button(c.id), &CIconButton::HoverLeft, this, [this](int id) { OnHoverLeave(id); });
    }
    connect(active_, &QCheckBox::clicked, this, [this] { AutomaticCorrectionSwitch(); });
    connect(infrared_, &QCheckBox::clicked, this, [this] { OnInfraredToggled(); });
    // Only the user's choices count: setting an entry from code is not a change.
    connect(imageType_, &QComboBox::activated, this, [this](int entry) { OnImageType(entry); });
    connect(brushType_, &QComboBox::activated, this, [this](int entry) { OnBrushType(entry); });
    for (int id : { kIdBrushSize, kIdDustSize, kIdDustAmount, kIdAggression, kIdManualDustSize, kIdInfraredSensitivity })
        connect(Slider(id), &QSlider::valueChanged, this, [this, id] { OnSliderMoved(id); });
}

void CSpeckwashDlg2::ApplyParametersFromResolution()
{
    DustParams& p = host_.Params();
    ApplyResolutionRules(host_.ImageResolution(), host_.ImageFromCamera(), p, ProgramResolutionMemory());
    const int radius = p.dustRadius;
    SetSliderQuietly(kIdDustSize, 0, 5 * radius, radius, radius);
    SetSliderQuietly(kIdManualDustSize, 0, 5 * radius, radius, radius);
    SetSliderQuietly(kIdDustAmount, dustAmount_->minimum(), dustAmount_->maximum(), 0, p.dustThreshold);
    SetSliderQuietly(kIdAggression, aggression_->minimum(), aggression_->maximum(), 0, p.aggression);
    SetActiveChecked(p.automation != 0);
    {
        const QSignalBlocker quiet(imageType_);
        imageType_->setCurrentIndex(0);
    }
    AutomaticCorrectionSwitch();
    host_.Persist("AggressionRadius", p.aggression);
    host_.Persist("DustThreshold", p.dustThreshold);
    host_.Persist("DustRadius", p.dustRadius);
    host_.Persist("DustType", p.dustType);
    // The brush's manual dust size is the slider's position, which just moved.
    p.brushDustSize = ToByte(manualDustSize_->value());
    SetUpBrush();
    RefreshSliderTips();
}

void CSpeckwashDlg2::AutomaticCorrectionSwitch()
{
    DustParams& p = host_.Params();
    SetControlEnabled(kIdRestoreDefaults, p.automation != 0);
    if (active_->isChecked()) {
        p.automation = 1;
        SetControlShown(kIdRestoreDefaults, false);
        progress_->setVisible(true);
    } else {
        p.automation = 0;
    }
    const bool on = p.automation != 0;
    for (int id : { kIdDustAmount, kIdDustSize, kIdDustAmountLabel, kIdDustSizeLabel, kIdImageType, kIdImageTypeLabel,
             kIdAggression, kIdAggressionLabel })
        SetControlEnabled(id, on);
    RefreshInfraredControls();
    // The stored switch is always on: every start begins with correction on.
    host_.Persist("DustAutomation", 1);
    if (!on) {
        progress_->setVisible(false);
        if (isVisible())
            SetControlShown(kIdRestoreDefaults, true);
    }
    host_.QueueVisibleRegion(1);
    update();
}

// Infrared detection replaces the visible-light rule (or gives way to it
// again): like switching automatic correction, the visible part goes first.
void CSpeckwashDlg2::OnInfraredToggled()
{
    InfraredSettings choice = host_.InfraredChoice();
    choice.enabled = infrared_->isChecked();
    host_.SetInfraredChoice(choice);
    RefreshInfraredControls();
    host_.QueueVisibleRegion(1);
    update();
}

void CSpeckwashDlg2::OnImageType(int entry)
{
    DustParams& p = host_.Params();
    if (entry != g_lastImageTypeEntry) {
        g_lastImageTypeEntry = entry;
        p.dustType = ToByte(DustTypeForImageType(entry));
    }
    if (p.dustType != g_lastDustType) {
        g_lastDustType = p.dustType;
        host_.Persist("DustType", p.dustType);
        host_.QueueVisibleRegion(1);
    }
}

void CSpeckwashDlg2::OnBrushType(int entry)
{
    host_.SetBrushTool(BrushToolForEntry(entry));
    SetUpBrush();
}

void CSpeckwashDlg2::SetUpBrush()
{
    host_.SetUpBrush(brushSize_->value() + 1, manualDustSize_->value(), host_.BrushTool(), BrushStrength());
}

void CSpeckwashDlg2::OnSliderMoved(int id)
{
    DustParams& p = host_.Params();
    switch (id) {
    case kIdBrushSize:
        SetUpBrush();
        SetValueTip(kIdBrushSize, BrushRadius());
        host_.DrawBrushAtCentre(static_cast<int>(static_cast<float>(BrushRadius()) / host_.ViewScale() + 0.5f));
        break;
    case kIdManualDustSize:
        p.brushDustSize = ToByte(manualDustSize_->value());
        SetValueTip(kIdManualDustSize, manualDustSize_->value());
        SetUpBrush();
        break;
    case kIdDustSize:
    case kIdDustAmount:
    case kIdAggression:
        // A move of an automatic slider re-reads the ones after it, so the
        // three always reach the record and the store together.
        if (id == kIdDustSize) {
            p.dustRadius = ToByte(dustSize_->value());
            SetValueTip(kIdDustSize, dustSize_->value());
            host_.Persist("DustRadius", p.dustRadius);
        }
        if (id != kIdAggression) {
            p.dustThreshold = ToByte(dustAmount_->value());
            SetValueTip(kIdDustAmount, dustAmount_->value());
            host_.Persist("DustThreshold", p.dustThreshold);
        }
        p.aggression = ToByte(aggression_->value());
        SetValueTip(kIdAggression, aggression_->value());
        host_.Persist("AggressionRadius", p.aggression);
        host_.QueueVisibleRegion(-1);
        break;
    case kIdInfraredSensitivity: {
        InfraredSettings choice = host_.InfraredChoice();
        choice.sensitivity = infraredSensitivity_->value();
        host_.SetInfraredChoice(choice);
        SetValueTip(kIdInfraredSensitivity, choice.sensitivity);
        host_.QueueVisibleRegion(-1);
        break;
    }
    default:
        break;
    }
    update();
}

// Passing the mouse over a toggle previews its other state; a click while
// over it keeps that state when the mouse leaves.
void CSpeckwashDlg2::OnHoverEnter(int id)
{
    if (id == kIdBeforeAfter)
        ToggleViewAfter();
    else if (id == kIdHighlights)
        ToggleHighlight();
    else if (id == kIdHelp)
        host_.ShowPicture(151);
}

void CSpeckwashDlg2::OnHoverLeave(int id)
{
    if (id == kIdBeforeAfter || id == kIdHighlights) {
        if (clickedWhileHovered_)
            clickedWhileHovered_ = false;
        else if (id == kIdBeforeAfter)
            ToggleViewAfter();
        else
            ToggleHighlight();
    }
    if (host_.HasImage())
        host_.HidePicture();
    else
        host_.ShowPicture(150);
}

void CSpeckwashDlg2::OnBeforeAfterClicked()
{
    if (clickedWhileHovered_)
        ToggleViewAfter();
    clickedWhileHovered_ = true;
}

void CSpeckwashDlg2::OnHighlightsClicked()
{
    if (clickedWhileHovered_)
        ToggleHighlight();
    clickedWhileHovered_ = true;
}

void CSpeckwashDlg2::ClickHighlights() { OnHighlightsClicked(); }

void CSpeckwashDlg2::ToggleViewAfter()
{
    const bool after = !host_.ViewAfter();
    host_.SetViewAfter(after);
    host_.Persist("View", after ? 1 : 0);
    ShowBeforeAfter(after);
    host_.RedrawImage();
}

void CSpeckwashDlg2::ToggleHighlight()
{
    const bool on = !host_.HighlightOn();
    host_.SetHighlight(on, HighlightColour());
    host_.Persist("Highlight", on ? 1 : 0);
    ShowHighlight(on);
    host_.RedrawImage();
}

void CSpeckwashDlg2::OnHighlightColour(int colour)
{
    // The state stays, but the icon, the stored value and the image all take
    // the new colour.
    const bool on = host_.HighlightOn();
    host_.SetHighlight(on, colour);
    host_.Persist("Highlight", on ? 1 : 0);
    ShowHighlight(on);
    host_.RedrawImage();
}

void CSpeckwashDlg2::OnRotate(bool clockwise)
{
    const int rotation = host_.Rotation();
    host_.RotationChanged(clockwise ? RotatedClockwise(rotation) : RotatedCounterClockwise(rotation));
    navigator_->update();
}

void CSpeckwashDlg2::HidePanel()
{
    hide();
    host_.PanelHidden();
    host_.Persist("ShowControls", 0);
}

void CSpeckwashDlg2::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (host_.HasImage())
        host_.ClosePrompt();
    else
        HidePanel();
}

void CSpeckwashDlg2::reject() { HidePanel(); }

// Enter does nothing: the panel has no default action.
void CSpeckwashDlg2::accept() { }

void CSpeckwashDlg2::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        host_.ShowContextMenu(event->globalPosition().toPoint());
    QDialog::mousePressEvent(event);
}

void CSpeckwashDlg2::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) && !isActiveWindow())
        activateWindow();
    QDialog::mouseMoveEvent(event);
}

void CSpeckwashDlg2::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // At strong zoom-out the main window's background shows through the
    // panel's old place; redraw it at once.
    if (host_.ViewScale() < 0.5f)
        host_.RedrawAll();
}
