#include "app/brush/brush_tool.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "engine/dust_engine.h"
#include "engine/manual_planes.h"
#include "engine/spot_veto.h"
#include "image/image.h"
#include "view/rules/zoom_rules.h"
#include "view/ui_resources.h"

CBrushTool::CBrushTool(BrushSurface& surface)
    : surface(surface)
    , cursor(surface.Widget())
    , addCursor(BrushAddCursor())
    , removeCursor(BrushRemoveCursor())
{
}

QCursor CBrushTool::TypeCursor() const { return Tool() == kBrushRemoveTool ? removeCursor : addCursor; }

int CBrushTool::ScreenRadius() const { return BrushScreenRadius(Radius(), surface.Session().view.scale); }

static bool SameSettings(const BrushSettings& a, const BrushSettings& b)
{
    return a.tool == b.tool && a.radius == b.radius && a.manualDustSize == b.manualDustSize && a.strength == b.strength;
}

bool CBrushTool::TipFor(const BrushSettings& s)
{
    if (SameSettings(s, tipSettings))
        return true;
    if (!BuildBrushTip(tip, s.radius, s.manualDustSize, s.tool, s.strength)) {
        tipSettings = { 0, 0, 0, 0 };
        surface.BrushUnusable();
        return false;
    }
    tipSettings = s;
    return true;
}

const BrushTip& CBrushTool::Tip()
{
    TipFor(Settings());
    return tip;
}

void CBrushTool::SessionReplaced()
{
    strokeCount = 0;
    cursor.Erase();
}

void CBrushTool::ScaleChanged(float oldScale, float newScale)
{
    EditSession& s = surface.Session();
    const int largest = BrushSliderMaximum(s.largestBrushRadius, newScale) + 1;
    s.brush.radius = std::clamp(RescaledBrushRadius(s.brush.radius, oldScale, newScale), 1, std::max(1, largest));
    surface.BrushChanged();
}

bool CBrushTool::InsideImage(const QPoint& at) const
{
    const Rect& r = surface.Session().view.imageRect;
    return at.x() >= r.left && at.x() < r.right && at.y() >= r.top && at.y() < r.bottom;
}

QPoint CBrushTool::ClampToImage(const QPoint& at) const
{
    const Rect& r = surface.Session().view.imageRect;
    return { std::clamp(at.x(), r.left, std::max(r.left, r.right - 1)),
        std::clamp(at.y(), r.top, std::max(r.top, r.bottom - 1)) };
}

void CBrushTool::ApplySegment(Point from, Point to)
{
    EditSession& s = surface.Session();
    DustEngine* engine = s.engine.get();
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
        engine->Request(DabSquare(x, y, r), KindBrush, 2, sequence, &s.params);
    });
}

bool CBrushTool::Press(const QPoint& pointer)
{
    EditSession& s = surface.Session();
    if (!s.engine || !TipFor(s.brush))
        return false;
    QWidget& window = surface.Widget();
    // Qt cannot confine the pointer: hold the mouse and clamp what it reports.
    window.grabMouse();
    s.modified = true;
    strokeCount = 1;
    s.engine->SetTopOnly(1);
    BrushStroke& stroke = s.strokes.Begin(s.brush.radius, s.brush.manualDustSize, s.brush.tool, s.brush.strength);
    const QPoint at = ClampToImage(pointer);
    const Point p = ViewToImage(s.view, at.x(), at.y());
    stroke.Append(p);
    stroke.Append(p);
    ApplySegment(p, p);
    surface.BrushChanged();
    window.setCursor(TypeCursor());
    cursor.MoveTo(at, ScreenRadius());
    return true;
}

void CBrushTool::Move(const QPoint& pointer, bool leftDown)
{
    EditSession& s = surface.Session();
    BrushStroke* stroke = s.strokes.Last();
    if (strokeCount > 0 && !leftDown) {
        // The release went elsewhere: end the stroke, or the engine would
        // keep waiting on brush work only.
        Release(pointer, false);
        return;
    }
    if (strokeCount == 0 || !stroke) {
        // Hovering: the circle follows the pointer over the image only.
        if (s.engine && InsideImage(pointer))
            cursor.MoveTo(pointer, ScreenRadius());
        else
            cursor.Erase();
        return;
    }
    ++strokeCount;
    s.modified = true;
    const QPoint at = ClampToImage(pointer);
    const Point p = ViewToImage(s.view, at.x(), at.y());
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
    surface.Widget().setCursor(Qt::CrossCursor);
}

void CBrushTool::EndStroke()
{
    if (strokeCount == 0)
        return;
    strokeCount = 0;
    if (DustEngine* engine = surface.Session().engine.get())
        engine->SetTopOnly(0);
    surface.Widget().releaseMouse();
}

void CBrushTool::Release(const QPoint&, bool shiftHeld)
{
    if (strokeCount == 0)
        return;
    EndStroke();
    surface.Widget().setCursor(shiftHeld ? surface.PanCursor() : TypeCursor());
}

void CBrushTool::Wheel(const QPoint& at, int delta)
{
    EditSession& s = surface.Session();
    if (delta == 0 || !s.engine || !InsideImage(at))
        return;
    // The brush size slider limits the wheel: its positions 1 and up are radii 2 and up.
    const int largest = BrushSliderMaximum(s.largestBrushRadius, s.view.scale) + 1;
    s.brush.radius = std::clamp(s.brush.radius + (delta > 0 ? 1 : -1), 2, std::max(2, largest));
    surface.BrushChanged();
    cursor.MoveTo(at, ScreenRadius());
}

void CBrushTool::DrawAtCentre(int screenRadius)
{
    const Rect area = surface.ImageArea();
    cursor.MoveTo(QPoint((area.left + area.right) / 2, (area.top + area.bottom) / 2), screenRadius);
}

bool CBrushTool::UndoLastStroke()
{
    EditSession& s = surface.Session();
    DustEngine* engine = s.engine.get();
    // A stroke still being painted is not history yet.
    if (!engine || strokeCount > 0 || !s.strokes.Last())
        return false;
    const Rect box = s.strokes.Last()->Bounds();
    s.strokes.RemoveLast();
    surface.BrushChanged();
    if (CImage* mask = engine->ManualMask(); mask && mask->HasPlanes()) {
        uint8_t* plane = mask->Plane8(0);
        const size_t count = static_cast<size_t>(mask->width) * mask->height;
        for (size_t i = 0; i < count; ++i)
            WriteManual(plane + i, 1);
    }
    engine->Request(box, KindBrush, 2, -1, nullptr);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (BrushStroke& stroke : s.strokes.Strokes()) {
        if (stroke.veto) {
            RequestVeto(*engine, *stroke.veto, s.params);
            continue;
        }
        if (!TipFor({ stroke.tool, stroke.radius, stroke.manualDustSize, stroke.strength }))
            break;
        for (stroke.cursor = 1; stroke.cursor < static_cast<int>(stroke.points.size()); ++stroke.cursor)
            ApplySegment(stroke.points[stroke.cursor - 1], stroke.points[stroke.cursor]);
    }
    QApplication::restoreOverrideCursor();
    return true;
}
