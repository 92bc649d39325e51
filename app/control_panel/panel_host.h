#pragma once
#include <QPoint>

#include "app/session/edit_session.h"
#include "engine/dust_params.h"
#include "image/rect.h"
#include "view/rules/view_mapping.h"
#include "workflow/infrared_settings.h"

class CImage;

// What the control panel asks of the window that owns it. The session holds
// the image, the engine, the dust parameters, the brush and the view; the
// panel reads and edits them through here and keeps no copies.
class CPanelHost {
public:
    virtual ~CPanelHost() = default;

    // The workflow's commands.
    virtual void Open() = 0;
    virtual void Save() = 0;
    virtual void QuitPrompt() = 0;
    virtual void ClosePrompt() = 0;
    virtual void UndoStroke() = 0;
    virtual void ZoomIn() = 0;
    virtual void ZoomOut() = 0;
    virtual void ShowHelp() = 0;
    virtual void ShowContextMenu(const QPoint& globalPos) = 0;
    // The spot review: the next (+1) or previous (−1) spot, and the veto of
    // the one under review.
    virtual void StepSpot(int step) = 0;
    virtual void VetoSpot() = 0;

    // True while an image is open and an engine processes it.
    virtual bool HasEngine() const = 0;
    // True while an image is held, processed or not.
    virtual bool HasImage() const = 0;

    // The current record; the panel writes its bytes in place.
    virtual DustParams& Params() = 0;
    // Resolution of the open image in dots per inch (0 = none given), and
    // whether its EXIF data names a camera.
    virtual int ImageResolution() const = 0;
    virtual bool ImageFromCamera() const = 0;
    // Whether the open image has an infrared plane the detection may use, and
    // the "Infrared" box's choice; setting it updates the record's infrared
    // byte and the settings store.
    virtual bool ImageHasInfrared() const = 0;
    virtual InfraredSettings InfraredChoice() const = 0;
    virtual void SetInfraredChoice(const InfraredSettings& choice) = 0;

    virtual bool ViewAfter() const = 0;
    virtual void SetViewAfter(bool after) = 0;
    virtual bool HighlightOn() const = 0;
    virtual int HighlightColour() const = 0; // 0 yellow, 1 magenta, 2 cyan
    virtual void SetHighlight(bool on, int colour) = 0;
    // Image pixels per screen pixel of the view: 0.25 is 400 %.
    virtual float ViewScale() const = 0;
    virtual void RedrawImage() = 0;
    // The whole main window, background included.
    virtual void RedrawAll() = 0;

    // Queue the visible region and the rest of the image again with the
    // current parameters; `sequence` orders the work within a level.
    virtual void QueueVisibleRegion(int sequence) = 0;
    // The view's turn: 0, 90, 180 or −90.
    virtual int Rotation() const = 0;
    // The panel turned the view; the owner re-fits the window to it.
    virtual void RotationChanged(int rotation) = 0;

    // The brush: tool 412 adds touch-up, 411 removes it.
    virtual void SetBrushTool(int tool) = 0;
    virtual int BrushTool() const = 0;
    virtual BrushSettings Brush() const = 0;
    // True while a brush stroke exists that Undo can take back.
    virtual bool CanUndo() const = 0;
    virtual void SetUpBrush(int radius, int manualDustSize, int tool, int strength) = 0;
    virtual void DrawBrushAtCentre(int screenRadius) = 0;

    // The picture in the main window while no image is shown (bitmap 150)
    // and the help picture (151).
    virtual void ShowPicture(int bitmapId) = 0;
    virtual void HidePicture() = 0;

    // The panel was hidden by its close box or Esc.
    virtual void PanelHidden() = 0;
    // Writes one setting through to the settings store as decimal text.
    virtual void Persist(const char* name, int value) = 0;
    // The program's version; false when it cannot be read.
    virtual bool ProgramVersion(int& major, int& minor, int& build) const = 0;

    // The navigator: the thumbnail (null without an image), navigator pixels
    // per image pixel, the visible region in image coordinates and the image
    // size.
    virtual const CImage* Thumbnail() const = 0;
    virtual float ThumbnailScale() const = 0;
    virtual Rect VisibleRegion() const = 0;
    virtual int ImageWidth() const = 0;
    virtual int ImageHeight() const = 0;
    // Centre the view on an image point, clamp it, redraw the image and
    // re-prioritise the newly visible work.
    virtual void NavigatorPanTo(Point imagePoint) = 0;
};
