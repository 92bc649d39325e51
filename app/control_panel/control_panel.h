#pragma once
#include <QString>

class QWidget;

// What the main window tells the control panel. The panel owns its widgets;
// the main window owns the state (dust parameters, scale, rotation, highlight
// colour) and calls these whenever something the panel shows has changed.
class ControlPanel {
public:
    virtual ~ControlPanel() = default;
    virtual QWidget* Window() = 0;
    // Progress bar of the visible work, and the button that takes its place when done.
    virtual void ShowProgress(bool visible, int percent) = 0;
    virtual void ShowRestoreDefaults(bool visible) = 0;
    // Zoom buttons and the text of their tooltips.
    virtual void ZoomChanged(const QString& zoomText, bool zoomInEnabled, bool zoomOutEnabled) = 0;
    // Image controls shown and enabled while an image is open.
    virtual void ImageControlsEnabled(bool enabled) = 0;
    virtual void ViewAfterChanged(bool after) = 0;
    // The visible region, rotation or thumbnail changed: redraw the navigator.
    virtual void NavigatorChanged() = 0;
    // After an open: the dust parameters from the image's resolution, shown
    // on the sliders and persisted.
    virtual void ApplyParametersFromResolution() = 0;
    // The brush: Undo enabled while a stroke exists; the brush size
    // slider's range (positions 1..maximum) and radius after a zoom; one
    // wheel step of the radius, limited by the slider (returns it).
    virtual void SetUndoEnabled(bool enabled) = 0;
    virtual void SetBrushSizeRange(int maximum, int radius) = 0;
    virtual int StepBrushRadius(int delta) = 0;
};
