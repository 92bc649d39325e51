#include "app/control_panel/control_panel_window.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>

#include "app/control_panel/panel_host.h"
#include "engine/infrared_detection.h"
#include "view/icon_button.h"
#include "view/navigator.h"
#include "view/ui_resources.h"

namespace {

// The panel's face colour and the tint of every face but the colour buttons'.
constexpr RgbColour kFaceTint { 200, 200, 255 };
constexpr int kFacePattern = kFacePatternShaded;
constexpr int kFaceNoise = 4;
constexpr int kHoverPercent = 10;
constexpr int kTintPercent = 20;

struct ColourButton {
    int id;
    RgbColour colour;
};
constexpr ColourButton kColourButtons[] = {
    { kIdCyan, { 0, 255, 255 } },
    { kIdYellow, { 255, 255, 0 } },
    { kIdMagenta, { 255, 0, 255 } },
};

DialogBaseUnits BaseUnitsOf(const QFont& font)
{
    const QFontMetrics fm(font);
    const int alphabet = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return { AverageCharWidth(alphabet), fm.height() };
}

} // namespace

CSpeckwashDlg2::CSpeckwashDlg2(CPanelHost& host, QWidget* owner, std::optional<DialogBaseUnits> base)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , host_(host)
{
    QFont panelFont = font();
    panelFont.setPointSize(8);
    setFont(panelFont);
    base_ = base ? *base : BaseUnitsOf(panelFont);
    setFixedSize(MulDivRound(kPanelWidthDu, base_.charWidth, 4), MulDivRound(kPanelHeightDu, base_.charHeight, 8));
    setMouseTracking(true);

    CreateControls();
    PlaceControls();
    SetUpButtons();
    SetUpToolTips();
    Connect();

    ShowBeforeAfter(host_.ViewAfter());
    ShowHighlight(host_.HighlightOn());
    Button(kIdBeforeAfter)->setEnabled(false);
    Button(kIdHighlights)->setEnabled(false);
    brushType_->setCurrentIndex(0);
    setWindowIcon(ProgramIcon());
    SetCaption();
}

CSpeckwashDlg2::~CSpeckwashDlg2() = default;

CIconButton* CSpeckwashDlg2::Button(int id) const { return qobject_cast<CIconButton*>(Control(id)); }

QSlider* CSpeckwashDlg2::Slider(int id) const { return qobject_cast<QSlider*>(Control(id)); }

QWidget* CSpeckwashDlg2::CreateControl(const PanelControl& c)
{
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case ControlKind::Button: {
        auto* b = new CIconButton(c.id, caption, this);
        b->setAutoDefault(false);
        return b;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(caption, this);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, this);
    case ControlKind::Progress: {
        auto* p = new QProgressBar(this);
        p->setRange(0, 100);
        p->setTextVisible(false);
        return p;
    }
    case ControlKind::Label:
        return new QLabel(caption, this);
    case ControlKind::CentredLabel: {
        auto* l = new QLabel(caption, this);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return l;
    }
    case ControlKind::DropDown:
        return new QComboBox(this);
    case ControlKind::Slider:
    case ControlKind::SliderTicksBelow: {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setTickPosition(c.kind == ControlKind::SliderTicksBelow ? QSlider::TicksBelow : QSlider::NoTicks);
        return s;
    }
    case ControlKind::Frame: {
        auto* f = new QFrame(this);
        f->setFrameShape(QFrame::Box);
        return f;
    }
    }
    return nullptr;
}

void CSpeckwashDlg2::CreateControls()
{
    for (const PanelControl& c : PanelControls()) {
        QWidget* w = CreateControl(c);
        w->setVisible(c.visibleAtStart);
        // Hidden controls start disabled too, all but the aggression slider.
        w->setEnabled(c.visibleAtStart || c.id == kIdAggression);
        controls_.insert(c.id, w);
    }
    brushSize_ = Slider(kIdBrushSize);
    dustSize_ = Slider(kIdDustSize);
    dustAmount_ = Slider(kIdDustAmount);
    aggression_ = Slider(kIdAggression);
    manualDustSize_ = Slider(kIdManualDustSize);
    active_ = qobject_cast<QCheckBox*>(Control(kIdActive));
    infrared_ = qobject_cast<QCheckBox*>(Control(kIdInfrared));
    infraredSensitivity_ = Slider(kIdInfraredSensitivity);
    imageType_ = qobject_cast<QComboBox*>(Control(kIdImageType));
    brushType_ = qobject_cast<QComboBox*>(Control(kIdBrushType));
    progress_ = qobject_cast<QProgressBar*>(Control(kIdProgress));
    for (const char* entry : ImageTypeEntries())
        imageType_->addItem(QString::fromUtf8(entry));
    for (const char* entry : BrushTypeEntries())
        brushType_->addItem(QString::fromUtf8(entry));

    navigator_ = new CNavigator(
        [this] {
            NavigatorView v;
            if (host_.HasEngine()) {
                v.thumbnail = host_.Thumbnail();
                v.thumbScale = host_.ThumbnailScale();
                v.visible = host_.VisibleRegion();
                v.imageWidth = host_.ImageWidth();
                v.imageHeight = host_.ImageHeight();
            }
            v.rotation = host_.Rotation();
            return v;
        },
        [this](Point p) {
            if (host_.HasEngine())
                host_.NavigatorPanTo(p);
        },
        this);
}

void CSpeckwashDlg2::PlaceControls()
{
    for (const PanelControl& c : PanelControls()) {
        const Rect r = DialogBoxToPixels(c.box, base_);
        QWidget* w = Control(c.id);
        // A drop-down's box includes its opened list; closed, it is one line.
        const int height = c.kind == ControlKind::DropDown ? w->sizeHint().height() : r.Height();
        w->setGeometry(r.left, r.top, r.Width(), height);
    }
    navigator_->SetFrame(DialogBoxToPixels(FindPanelControl(kIdNavigatorFrame)->box, base_));
    navigator_->raise();
}

void CSpeckwashDlg2::SetUpButtons()
{
    for (const PanelControl& c : PanelControls()) {
        if (c.kind != ControlKind::Button)
            continue;
        CIconButton* b = Button(c.id);
        RgbColour tint = kFaceTint;
        for (const ColourButton& cb : kColourButtons)
            if (cb.id == c.id)
                tint = cb.colour;
        b->MakeTexturedFace(kFacePattern, kFaceNoise, kHoverPercent, kTintPercent, tint);
        if (const int icon = ButtonIcon(c.id))
            b->SetIcons(icon, CIconButton::kDarkerSecondIcon);
    }
}

void CSpeckwashDlg2::SetUpToolTips()
{
    for (const PanelControl& c : PanelControls())
        if (const char* tip = PanelToolTip(c.id))
            Control(c.id)->setToolTip(QString::fromUtf8(tip));
    // The navigator covers its frame, so it carries the frame's tip.
    navigator_->setToolTip(QString::fromUtf8(PanelToolTip(kIdNavigatorFrame)));
}

void CSpeckwashDlg2::SetCaption()
{
    int major = 0, minor = 0, build = 0;
    if (host_.ProgramVersion(major, minor, build))
        setWindowTitle(QStringLiteral("%1 %2.%3.%4 - Control Panel").arg("Speckwash").arg(major).arg(minor).arg(build));
}

void CSpeckwashDlg2::SetControlShown(int id, bool shown)
{
    if (QWidget* w = Control(id))
        w->setVisible(shown);
}

void CSpeckwashDlg2::SetControlEnabled(int id, bool enabled)
{
    if (QWidget* w = Control(id))
        w->setEnabled(enabled);
}

void CSpeckwashDlg2::SetSliderQuietly(int id, int minimum, int maximum, int tick, int position)
{
    QSlider* s = Slider(id);
    const QSignalBlocker quiet(s);
    s->setRange(minimum, maximum);
    if (tick > 0)
        s->setTickInterval(tick);
    s->setValue(position);
}

void CSpeckwashDlg2::SetValueTip(int id, int value)
{
    Control(id)->setToolTip(QString::number(value) + QString::fromUtf8(ValueTipSuffix(id)));
}

void CSpeckwashDlg2::RefreshSliderTips()
{
    SetValueTip(kIdBrushSize, BrushRadius());
    SetValueTip(kIdManualDustSize, manualDustSize_->value());
    SetValueTip(kIdDustSize, host_.Params().dustRadius);
    SetValueTip(kIdDustAmount, host_.Params().dustThreshold);
    SetValueTip(kIdAggression, host_.Params().aggression);
    SetValueTip(kIdInfraredSensitivity, host_.InfraredChoice().sensitivity);
}

void CSpeckwashDlg2::SetStartControls(bool automation, int largestBrushRadius)
{
    SetActiveChecked(automation);
    SetSliderQuietly(kIdBrushSize, 1, 3 * largestBrushRadius, 0, BrushRadius() - 1);
    SetSliderQuietly(kIdDustSize, 1, 100, 10, 10);
    SetSliderQuietly(kIdManualDustSize, 1, 100, 10, host_.Brush().manualDustSize);
    SetSliderQuietly(kIdDustAmount, 1, 30, 0, 6);
    SetSliderQuietly(kIdAggression, 5, 51, 0, 5);
}

void CSpeckwashDlg2::BrushChanged(int sliderMaximum)
{
    const BrushSettings brush = host_.Brush();
    SetSliderQuietly(kIdBrushSize, 1, sliderMaximum, 0, brush.radius - 1);
    {
        const QSignalBlocker quiet(brushType_);
        for (int entry = 0; entry < brushType_->count(); ++entry)
            if (BrushToolForEntry(entry) == brush.tool)
                brushType_->setCurrentIndex(entry);
    }
    SetUndoEnabled(host_.CanUndo());
    RefreshSliderTips();
}

void CSpeckwashDlg2::ImageControlsEnabled(bool enabled)
{
    for (int id : ImageControlIds()) {
        SetControlShown(id, enabled);
        SetControlEnabled(id, enabled);
    }
    SetControlShown(kIdUndo, enabled);
    SetControlEnabled(kIdUndo, false);
    SetControlShown(kIdNavigatorFrame, false);
    SetControlEnabled(kIdNavigatorFrame, enabled);
    for (int id : { kIdInfrared, kIdInfraredSensitivityLabel, kIdInfraredSensitivity })
        SetControlShown(id, enabled);
    RefreshInfraredControls();
    if (!enabled)
        ShowSpotCount(QString());
    navigator_->update();
}

void CSpeckwashDlg2::HoldImageControls(bool hold)
{
    if (!hold) {
        for (const QPointer<QWidget>& w : held_)
            if (w)
                w->setEnabled(true);
        held_.clear();
        return;
    }
    if (!held_.empty())
        return;
    const auto holdOne = [this](QWidget* w) {
        if (w && w->isEnabled()) {
            held_.emplace_back(w);
            w->setEnabled(false);
        }
    };
    // Labels keep their look: only what takes input is held.
    for (auto it = controls_.cbegin(); it != controls_.cend(); ++it)
        if (it.key() != kIdOpen && it.key() != kIdCloseAll && it.key() != kIdHelp
            && (qobject_cast<QAbstractButton*>(it.value()) || qobject_cast<QAbstractSlider*>(it.value())
                || qobject_cast<QComboBox*>(it.value())))
            holdOne(it.value());
    holdOne(navigator_);
}

void CSpeckwashDlg2::ShowSpotCount(const QString& caption)
{
    const bool shown = !caption.isEmpty();
    if (auto* count = qobject_cast<QLabel*>(Control(kIdSpotCount)))
        count->setText(caption);
    for (int id : { kIdSpotCount, kIdPreviousSpot, kIdNextSpot, kIdVetoSpot }) {
        SetControlShown(id, shown);
        SetControlEnabled(id, shown);
    }
}

void CSpeckwashDlg2::RefreshInfraredControls()
{
    const InfraredSettings choice = host_.InfraredChoice();
    const bool hasPlane = host_.HasEngine() && host_.ImageHasInfrared();
    const bool choosable = hasPlane && host_.Params().automation != 0;
    {
        const QSignalBlocker quiet(infrared_);
        infrared_->setChecked(hasPlane && choice.enabled);
    }
    SetSliderQuietly(kIdInfraredSensitivity, kInfraredSensitivityMin, kInfraredSensitivityMax, 1, choice.sensitivity);
    SetValueTip(kIdInfraredSensitivity, choice.sensitivity);
    SetControlEnabled(kIdInfrared, choosable);
    SetControlEnabled(kIdInfraredSensitivityLabel, choosable && choice.enabled);
    SetControlEnabled(kIdInfraredSensitivity, choosable && choice.enabled);
}

void CSpeckwashDlg2::SetUndoEnabled(bool enabled) { SetControlEnabled(kIdUndo, enabled); }

void CSpeckwashDlg2::SetProgressValue(int percent) { progress_->setValue(std::clamp(percent, 0, 100)); }

void CSpeckwashDlg2::ShowProgressBar(bool visible) { progress_->setVisible(visible); }

void CSpeckwashDlg2::ShowRestoreDefaults(bool visible) { SetControlShown(kIdRestoreDefaults, visible); }

void CSpeckwashDlg2::ZoomChanged(const QString& zoomText, bool zoomInEnabled, bool zoomOutEnabled)
{
    SetControlEnabled(kIdZoomIn, zoomInEnabled);
    SetControlEnabled(kIdZoomOut, zoomOutEnabled);
    Control(kIdZoomIn)->setToolTip(zoomText + QString::fromUtf8(ValueTipSuffix(kIdZoomIn)));
    Control(kIdZoomOut)->setToolTip(zoomText + QString::fromUtf8(ValueTipSuffix(kIdZoomOut)));
    navigator_->update();
}

void CSpeckwashDlg2::ViewAfterChanged(bool after) { ShowBeforeAfter(after); }

void CSpeckwashDlg2::HighlightChanged() { ShowHighlight(host_.HighlightOn()); }

void CSpeckwashDlg2::NavigatorChanged() { navigator_->update(); }

void CSpeckwashDlg2::ThumbnailChanged() { navigator_->ThumbnailChanged(); }

void CSpeckwashDlg2::SetActiveChecked(bool checked)
{
    const QSignalBlocker quiet(active_);
    active_->setChecked(checked);
}

void CSpeckwashDlg2::ShowBeforeAfter(bool after)
{
    CIconButton* b = Button(kIdBeforeAfter);
    b->setText(after ? QStringLiteral("After") : QStringLiteral("Before"));
    b->SetIcons(BeforeAfterIcon(after), CIconButton::kDarkerSecondIcon);
}

void CSpeckwashDlg2::ShowHighlight(bool on)
{
    CIconButton* b = Button(kIdHighlights);
    b->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
    b->SetIcons(HighlightIcon(on, HighlightColour()), CIconButton::kDarkerSecondIcon);
}
