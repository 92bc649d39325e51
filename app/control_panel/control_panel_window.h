#pragma once
#include <QDialog>
#include <QHash>
#include <QPointer>
#include <optional>
#include <vector>

#include "app/control_panel/control_panel.h"
#include "app/control_panel/panel_host.h"
#include "app/control_panel/panel_layout.h"
#include "view/rules/dialog_units.h"

class CPanelHost;
class CIconButton;
class CNavigator;
class QCheckBox;
class QComboBox;
class QProgressBar;
class QSlider;

// The control panel: the modeless tool window beside the main window with
// the buttons of the workflow, the controls of automatic correction and of
// the brush, and the navigator. It edits the owner's dust parameters in
// place, persists them, and asks the owner to process the visible part again.
class CSpeckwashDlg2 : public QDialog, public ControlPanel {
    Q_OBJECT
public:
    // `base` fixes the dialog units' pixel sizes; by default they come from
    // the panel's font.
    explicit CSpeckwashDlg2(CPanelHost& host, QWidget* owner = nullptr,
        std::optional<DialogBaseUnits> base = std::nullopt);
    ~CSpeckwashDlg2() override;

    QWidget* Control(int id) const { return controls_.value(id, nullptr); }
    CIconButton* Button(int id) const;
    QSlider* Slider(int id) const;
    CNavigator* Navigator() const { return navigator_; }
    const DialogBaseUnits& BaseUnits() const { return base_; }

    // The session's values the panel shows.
    int Rotation() const { return host_.Rotation(); }
    int HighlightColour() const { return host_.HighlightColour(); }
    int BrushRadius() const { return host_.Brush().radius; }
    int BrushStrength() const { return host_.Brush().strength; }
    bool ClickedWhileHovered() const { return clickedWhileHovered_; }

    // Start-up values of the sliders and the "Active" box, set by the owner
    // when it creates the panel.
    void SetStartControls(bool automation, int largestBrushRadius);
    // The brush size slider's range after a zoom, the radius it shows, and Undo.
    void BrushChanged(int sliderMaximum) override;
    void ShowSpotCount(const QString& caption) override;

    QWidget* Window() override { return this; }
    // After an open: the image's controls appear (and Undo, disabled); with
    // false they are hidden and disabled again. Either way a new image
    // starts unturned.
    void ImageControlsEnabled(bool enabled) override;
    void HoldImageControls(bool hold) override;
    void SetUndoEnabled(bool enabled);
    void SetProgressValue(int percent) override;
    void ShowProgressBar(bool visible) override;
    void ShowRestoreDefaults(bool visible) override;
    // The zoom buttons' enabled state and the percentage ("400%") their tips show.
    void ZoomChanged(const QString& zoomText, bool zoomInEnabled, bool zoomOutEnabled) override;
    // The owner changed before/after (accelerators): the button follows.
    void ViewAfterChanged(bool after) override;
    void HighlightChanged() override;
    // The visible region, rotation or thumbnail changed.
    void NavigatorChanged() override;
    // A new thumbnail: the navigator lays it out again.
    void ThumbnailChanged();

    // Dust parameters from the open image's resolution: run by the owner
    // after an open and by "Restore Defaults".
    void ApplyParametersFromResolution() override;
    // The "Active" box's handler; the context menu ticks the box first.
    void AutomaticCorrectionSwitch();
    void SetActiveChecked(bool checked);
    // The "Infrared" box and its sensitivity follow the session: enabled for
    // an open image with a usable plane while automatic correction is on.
    void RefreshInfraredControls();
    // The owner switched highlighting (pop-up menu, main window's key): the button follows.
    void ShowHighlight(bool on);
    // The highlight accelerator acts as a click on the Highlights button.
    void ClickHighlights();
    // Refreshes the value tips of the five sliders.
    void RefreshSliderTips();

    // Forgets the last image type entry and dust type, so that the next
    // choice always counts as a change. For a fresh run and for tests.
    static void ResetProgramMemory();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const PanelControl& c);
    void PlaceControls();
    void SetUpButtons();
    void SetUpToolTips();
    void SetCaption();
    void Connect();
    void SetControlShown(int id, bool shown);
    void SetControlEnabled(int id, bool enabled);
    void SetSliderQuietly(int id, int minimum, int maximum, int tick, int position);
    void SetValueTip(int id, int value);

    // Handlers.
    void OnHoverEnter(int id);
    void OnHoverLeave(int id);
    void OnBeforeAfterClicked();
    void OnHighlightsClicked();
    void OnHighlightColour(int colour);
    void OnRotate(bool clockwise);
    void OnImageType(int entry);
    void OnBrushType(int entry);
    void OnSliderMoved(int id);
    void OnInfraredToggled();
    void ToggleViewAfter();
    void ToggleHighlight();
    void ShowBeforeAfter(bool after);
    void SetUpBrush();
    void HidePanel();

    CPanelHost& host_;
    DialogBaseUnits base_;
    QHash<int, QWidget*> controls_;
    CNavigator* navigator_ = nullptr;
    std::vector<QPointer<QWidget>> held_; // disabled by HoldImageControls
    QSlider* brushSize_ = nullptr;
    QSlider* dustSize_ = nullptr;
    QSlider* dustAmount_ = nullptr;
    QSlider* aggression_ = nullptr;
    QSlider* manualDustSize_ = nullptr;
    QCheckBox* active_ = nullptr;
    QCheckBox* infrared_ = nullptr;
    QSlider* infraredSensitivity_ = nullptr;
    QComboBox* imageType_ = nullptr;
    QComboBox* brushType_ = nullptr;
    QProgressBar* progress_ = nullptr;

    // Set by a click on a toggle the mouse is over, so that leaving the
    // button keeps the clicked state instead of ending the preview.
    bool clickedWhileHovered_ = false;
};
