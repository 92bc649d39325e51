#include "app/brush/brush_tool.h"

#include <QApplication>

#include "app/control_panel/control_panel.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "engine/manual_planes.h"
#include "image/image.h"
#include "view/rules/zoom_rules.h"
#include "view/ui_resources.h"

static int LargestSliderRadius(int largestBrushRadius, float scale)
{
    return BrushSliderMaximum(largestBrushRadius, scale) + 1;
}

CBrushTool::CBrushTool(CSpeckwashDlg& window)
    : window(window)
    , cursor(window)
    , addCursor(BrushAddCursor())
    , removeCursor(BrushRemoveCursor())
{
    RebuildTip(radius, manualDustSize, tool, strength);
}

QCursor CBrushTool::TypeCursor() const
{
    return window.brushTool == kBrushRemoveTool ? removeCursor : addCursor;
}

int CBrushTool::ScreenRadius() const
{
    return BrushScreenRadius(radius, window.view.scale);
}

void CBrushTool::RebuildTip(int r, int dustSize, int brushTool, int brushStrength)
{
    if (!BuildBrushTip(tip, r, dustSize, brushTool, brushStrength)) {
        // Without a tip no stroke can be painted or replayed: the window ends.
        window.DiscardEngine();
        window.QDialog::done(8);
    }
}

void CBrushTool::SetUp(int r, int dustSize, int brushTool, int brushStrength)
{
    radius = std::max(1, r);
    manualDustSize = dustSize;
    tool = brushTool;
    strength = std::min(brushStrength, 255);
    RebuildTip(radius, manualDustSize, tool, strength);
}

void CBrushTool::ImageOpened()
{
    strokes.Clear();
    strokeCount = 0;
    RebuildTip(radius, manualDustSize, tool, strength);
}

void CBrushTool::ScaleChanged(float oldScale, float newScale)
{
    const int largest = LargestSliderRadius(window.largestBrushRadius, newScale);
    radius = std::clamp(RescaledBrushRadius(radius, oldScale, newScale), 1, std::max(1, largest));
    if (window.panel) {
        window.panel->SetBrushSizeRange(largest - 1, radius);
    }
    RebuildTip(radius, manualDustSize, tool, strength);
}

QPoint CBrushTool::ClampToImage(const QPoint& at) const
{
    const Rect& r = window.view.imageRect;
    return { std::clamp(at.x(), r.left, std::max(r.left, r.right - 1)),
        std::clamp(at.y(), r.top, std::max(r.top, r.bottom - 1)) };
}

void CBrushTool::ApplySegment(Point from, Point to)
{
    DustEngine* engine = window.engine.get();
    if (!engine || !engine->ManualMask() || !engine->ManualDustSize())
        return;
    CImage& mask = *engine->ManualMask();
    CImage& sizes = *engine->ManualDustSize();
    const int sequence = SegmentSequence(from, to);
    const int r = tip.radius;
    // Each dab writes its square first and queues it after, so the tile's
    // next pass sees the final values.
    WalkSegment(from, to, r, [&](int x, int y) {
        ApplyDab(tip, mask, sizes, x, y);
        engine->Request(DabSquare(x, y, r), KindBrush, 2, sequence, &window.params);
    });
}

bool CBrushTool::Press(const QPoint& pointer)
{
    DustEngine* engine = window.engine.get();
    if (!engine)
        return false;
    // Qt cannot confine the pointer: hold the mouse and clamp what it reports.
    window.grabMouse();
    window.modified = true;
    strokeCount = 1;
    engine->SetTopOnly(1);
    BrushStroke& stroke = strokes.Begin(radius, manualDustSize, tool, strength);
    if (window.panel)
        window.panel->SetUndoEnabled(true);
    const QPoint at = ClampToImage(pointer);
    const Point p = ViewToImage(window.view, at.x(), at.y());
    stroke.Append(p);
    stroke.Append(p);
    ApplySegment(p, p);
    window.setCursor(TypeCursor());
    cursor.MoveTo(at, ScreenRadius());
    return true;
}

void CBrushTool::Move(const QPoint& pointer, bool leftDown)
{
    BrushStroke* stroke = strokes.Last();
    if (strokeCount > 0 && !leftDown) {
        // The release went elsewhere: end the stroke, or the engine would
        // keep waiting on brush work only.
        Release(pointer, false);
        return;
    }
    if (strokeCount == 0 || !stroke) {
        // Hovering: the circle follows the pointer over the image only.
        const Rect& r = window.view.imageRect;
        if (window.engine && pointer.x() >= r.left && pointer.x() < r.right && pointer.y() >= r.top
            && pointer.y() < r.bottom)
            cursor.MoveTo(pointer, ScreenRadius());
        else
            cursor.Erase();
        return;
    }
    ++strokeCount;
    window.modified = true;
    const QPoint at = ClampToImage(pointer);
    const Point p = ViewToImage(window.view, at.x(), at.y());
    const Point last = stroke->points.back();
    if (MovedFarEnough(last, p, tip.radius)) {
        if (stroke->Append(p)) {
            ApplySegment(last, p);
        } else {
            // A full stroke repeats its last segment rather than growing.
            const size_t n = stroke->points.size();
            ApplySegment(stroke->points[n - 2], stroke->points[n - 1]);
        }
    }
    cursor.MoveTo(at);
    window.setCursor(Qt::CrossCursor);
}

void CBrushTool::Release(const QPoint& at, bool shiftHeld)
{
    if (strokeCount == 0)
        return;
    strokeCount = 0;
    if (window.engine)
        window.engine->SetTopOnly(0);
    window.releaseMouse();
    window.setCursor(shiftHeld ? window.openHand : TypeCursor());
    (void)at;
}

void CBrushTool::Wheel(const QPoint& at, int delta)
{
    const Rect& r = window.view.imageRect;
    if (!window.engine || at.x() < r.left || at.x() >= r.right || at.y() < r.top || at.y() >= r.bottom)
        return;
    if (window.panel) {
        radius = window.panel->StepBrushRadius(delta);
    } else {
        const int largest = LargestSliderRadius(window.largestBrushRadius, window.view.scale);
        radius = std::clamp(radius + (delta > 0 ? 1 : -1), 1, std::max(1, largest));
    }
    cursor.MoveTo(at, ScreenRadius());
    RebuildTip(radius, manualDustSize, tool, strength);
}

void CBrushTool::DrawAtCentre(int screenRadius)
{
    const Rect& area = window.imageArea;
    cursor.MoveTo(QPoint((area.left + area.right) / 2, (area.top + area.bottom) / 2), screenRadius);
}

bool CBrushTool::UndoLastStroke()
{
    DustEngine* engine = window.engine.get();
    // A stroke still being painted is not history yet.
    if (!engine || strokeCount > 0 || !strokes.Last())
        return false;
    const Rect box = strokes.Last()->Bounds();
    strokes.RemoveLast();
    if (strokes.Empty() && window.panel)
        window.panel->SetUndoEnabled(false);
    if (CImage* mask = engine->ManualMask(); mask && mask->HasPlanes()) {
        uint8_t* plane = mask->Plane8(0);
        const size_t count = static_cast<size_t>(mask->width) * mask->height;
        for (size_t i = 0; i < count; ++i)
            WriteManual(plane + i, 1);
    }
    engine->Request(box, KindBrush, 2, -1, nullptr);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (BrushStroke& stroke : strokes.Strokes()) {
        RebuildTip(stroke.radius, stroke.manualDustSize, stroke.tool, stroke.strength);
        for (stroke.cursor = 1; stroke.cursor < static_cast<int>(stroke.points.size()); ++stroke.cursor)
            ApplySegment(stroke.points[stroke.cursor - 1], stroke.points[stroke.cursor]);
    }
    QApplication::restoreOverrideCursor();
    RebuildTip(radius, manualDustSize, tool, strength);
    return true;
}
