#pragma once
#include <QCursor>
#include <QPoint>

#include "app/brush/brush_surface.h"
#include "app/session/edit_session.h"
#include "view/brush_cursor.h"
#include "view/rules/brush_stroke.h"
#include "view/rules/brush_tip.h"

// The brush of the image window: strokes painted with the left button mark
// pixels as dust (add) or restore them (remove) in the engine's manual planes,
// dab by dab, each dab queuing its square as brush work. The brush's settings
// and its strokes belong to the session; this object turns mouse and wheel
// messages into strokes, replays strokes for undo, and shows the brush's
// reach as an inverted circle.
class CBrushTool {
public:
    explicit CBrushTool(BrushSurface& surface);

    // Mouse messages of the image window that the pan drag did not take.
    // Press returns true when it began a stroke.
    bool Press(const QPoint& at);
    void Move(const QPoint& at, bool leftDown);
    void Release(const QPoint& at, bool shiftHeld);
    // Ends a stroke in progress as a lost release would; before a save or
    // anything else that must not wait on brush work still to come.
    void EndStroke();
    // Vertical wheel steps only: a tilt or a horizontal wheel (delta 0) is ignored.
    void Wheel(const QPoint& at, int delta);
    bool StrokeInProgress() const { return strokeCount > 0; }
    int StrokeMoves() const { return strokeCount; }

    // A new session: no stroke in progress, the circle off.
    void SessionReplaced();
    // The view's scale changed: the radius follows so that the brush keeps its
    // size on screen, within what the slider allows at the new scale.
    void ScaleChanged(float oldScale, float newScale);
    // Removes the last stroke and replays the others. False when there was
    // nothing to undo.
    bool UndoLastStroke();

    // The circle: drawn at the centre of the image area (the panel's slider),
    // erased (deactivation, pan), and the bracket around every paint.
    void DrawAtCentre(int screenRadius);
    CBrushCursor& Cursor() { return cursor; }
    // The pointer of the current brush type.
    QCursor TypeCursor() const;

    // The tip of the session's current settings.
    const BrushTip& Tip();
    int Radius() const { return Settings().radius; }
    int Tool() const { return Settings().tool; }
    BrushStrokeList& Strokes() { return surface.Session().strokes; }

private:
    const BrushSettings& Settings() const { return surface.Session().brush; }
    // Builds the tip for these settings unless it already is; false when it cannot be built.
    bool TipFor(const BrushSettings& s);
    void ApplySegment(Point from, Point to);
    int ScreenRadius() const;
    QPoint ClampToImage(const QPoint& at) const;
    bool InsideImage(const QPoint& at) const;

    BrushSurface& surface;
    CBrushCursor cursor;
    BrushTip tip;
    BrushSettings tipSettings { 0, 0, 0, 0 }; // what `tip` was built from
    int strokeCount = 0; // moves of the stroke in progress, 0 = none
    QCursor addCursor;
    QCursor removeCursor;
};
