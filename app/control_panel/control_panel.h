#pragma once
#include <QString>

class QWidget;

// What the main window tells the control panel. The panel owns its widgets;
// the session owns the state (dust parameters, brush, scale, rotation,
// highlight) and the main window calls these whenever something the panel
// shows has changed. The panel reads the values themselves from the session.
class ControlPanel {
public:
    virtual ~ControlPanel() = default;
    virtual QWidget* Window() = 0;
    // Progress bar of the visible work, and the button that takes its place when done.
    virtual void SetProgressValue(int percent) = 0;
    virtual void ShowProgressBar(bool visible) = 0;
    virtual void ShowRestoreDefaults(bool visible) = 0;
    // Zoom buttons and the text of their tooltips.
    virtual void ZoomChanged(const QString& zoomText, bool zoomInEnabled, bool zoomOutEnabled) = 0;
    // Image controls shown and enabled while an image is open.
    virtual void ImageControlsEnabled(bool enabled) = 0;
    // While a file is read: every control but Open, Close and Help stays as
    // it is shown but takes no input; released, each is enabled as before.
    virtual void HoldImageControls(bool hold) = 0;
    virtual void ViewAfterChanged(bool after) = 0;
    // Highlight on or off, or its colour.
    virtual void HighlightChanged() = 0;
    // The visible region, rotation or thumbnail changed: redraw the navigator.
    virtual void NavigatorChanged() = 0;
    // After an open: the dust parameters from the image's resolution, shown
    // on the sliders and persisted.
    virtual void ApplyParametersFromResolution() = 0;
    // The brush's radius, type or strokes changed: the brush size slider
    // takes positions 1..sliderMaximum and the radius, and Undo is enabled
    // while a stroke exists.
    virtual void BrushChanged(int sliderMaximum) = 0;
    // The count of corrected spots ("3,412 spots corrected") with the
    // review's buttons beside it; an empty caption hides them.
    virtual void ShowSpotCount(const QString& caption) = 0;
};
