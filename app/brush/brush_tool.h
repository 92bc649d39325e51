#pragma once
#include <QCursor>
#include <QPoint>

#include "view/brush_cursor.h"
#include "view/rules/brush_stroke.h"
#include "view/rules/brush_tip.h"

class CSpeckwashDlg;

// The brush of the image window: strokes painted with the left button mark
// pixels as dust (add) or restore them (remove) in the engine's manual planes,
// dab by dab, each dab queuing its square as brush work. Keeps the strokes so
// that the last can be undone by replaying the others, and shows the brush's
// reach as an inverted circle.
class CBrushTool {
public:
    explicit CBrushTool(CSpeckwashDlg& window);

    // Mouse messages of the image window that the pan drag did not take.
    // Press returns true when it began a stroke.
    bool Press(const QPoint& at);
    void Move(const QPoint& at, bool leftDown);
    void Release(const QPoint& at, bool shiftHeld);
    void Wheel(const QPoint& at, int delta);
    bool StrokeInProgress() const { return strokeCount > 0; }
    int StrokeMoves() const { return strokeCount; }

    // The current settings from the control panel; rebuilds the tip.
    void SetUp(int radius, int manualDustSize, int tool, int strength);
    // A new image: no strokes, a fresh tip.
    void ImageOpened();
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

    const BrushTip& Tip() const { return tip; }
    int Radius() const { return radius; }
    int Tool() const { return tool; }
    BrushStrokeList& Strokes() { return strokes; }

private:
    void RebuildTip(int r, int dustSize, int brushTool, int brushStrength);
    void ApplySegment(Point from, Point to);
    int ScreenRadius() const;
    QPoint ClampToImage(const QPoint& at) const;

    CSpeckwashDlg& window;
    CBrushCursor cursor;
    BrushTip tip;
    BrushStrokeList strokes;
    int strokeCount = 0; // moves of the stroke in progress, 0 = none
    // The control panel's settings, as its last set-up gave them.
    int radius = 5;
    int manualDustSize = 10;
    int tool = kBrushAddTool;
    int strength = 255;
    QCursor addCursor;
    QCursor removeCursor;
};
