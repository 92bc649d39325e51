// What the window shows: layout, zoom, pan, rotation and placement on screen.
#include <QGuiApplication>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "view/qt_rect.h"
#include "view/rules/zoom_rules.h"

Rect CSpeckwashDlg::WorkArea() const
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return ToRect(s ? s->availableGeometry() : QRect(0, 0, 1024, 768));
}

FrameMargins CSpeckwashDlg::Margins() const
{
    QRect frame = frameGeometry();
    QRect client = geometry();
    return { client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
        frame.bottom() - client.bottom() };
}

// Places the window's outer rectangle; the client area is what is left inside the frame.
static void MoveOuter(QWidget* window, const Rect& outer, const FrameMargins& m)
{
    window->move(outer.left, outer.top);
    window->resize(std::max(1, outer.Width() - m.left - m.right), std::max(1, outer.Height() - m.top - m.bottom));
}

void CSpeckwashDlg::FitWindowToImage(const CImage* image)
{
    FrameMargins m = Margins();
    Rect outer = ::FitWindowToImage(WorkArea(), image ? image->width : 0, image ? image->height : 0, m);
    MoveOuter(this, outer, m);
    if (panel && panel->Window()) {
        QWidget* tool = panel->Window();
        QRect p = tool->frameGeometry();
        const QRect w = frameGeometry();
        // A tool window never moved yet is centred over its owner when first
        // shown: judge it where it will appear, not where it waits.
        if (!tool->testAttribute(Qt::WA_Moved))
            p.moveCenter(w.center());
        Rect moved;
        if (PlacePanelBeside(ToRect(p), ToRect(w), WorkArea(), moved))
            tool->move(moved.left, moved.top);
    }
}

void CSpeckwashDlg::PlaceForRotation()
{
    Rect outer = rotationPlacement.Place(ToRect(frameGeometry()), WorkArea());
    MoveOuter(this, outer, Margins());
}

void CSpeckwashDlg::UpdateZoomControls()
{
    if (panel) {
        panel->ZoomChanged(zoomText, zoomInEnabled, zoomOutEnabled);
        panel->NavigatorChanged();
    }
}

void CSpeckwashDlg::ApplyZoomLevel(int level)
{
    zoomLevel = level;
    const float oldScale = view.scale;
    ZoomState state = ApplyZoom(view, level, imageArea);
    zoomInEnabled = state.zoomInEnabled;
    zoomOutEnabled = state.zoomOutEnabled;
    zoomText = QString::fromStdString(::ZoomText(view.scale));
    brush->ScaleChanged(oldScale, view.scale);
    UpdateZoomControls();
}

void CSpeckwashDlg::LayOutForOpen()
{
    const CImage& image = *document.working;
    imageArea = { 0, 0, width(), height() };
    view.imageWidth = image.width;
    view.imageHeight = image.height;
    view.visible = { 0, 0, image.width, image.height };
    view.scale = 1.0f;
    ApplyZoomLevel(0);
    CentreOn(view.visible, image.width / 2, image.height / 2);
    ClampVisibleRegion(view.visible, image.width, image.height);
    view.imageRect = LayOutImageRect(view.visible, view.scale, view.rotation, imageArea);
}

void CSpeckwashDlg::ReprioritiseVisible(bool withParams, int outsideSequence)
{
    if (!engine)
        return;
    Rect region = VisibleImageRegion(view);
    const DustParams* p = withParams ? &params : nullptr;
    engine->ReprioritiseOutside(region, KindAuto, 0, outsideSequence, p);
    engine->Reprioritise(region, KindAuto, 1, 1, p);
}

void CSpeckwashDlg::ZoomIn()
{
    if (!engine || !zoomInEnabled)
        return;
    ApplyZoomLevel(ZoomInLevel(view.scale));
    update();
    ReprioritiseVisible(true, 1);
}

void CSpeckwashDlg::ZoomOut()
{
    if (!engine || !zoomOutEnabled)
        return;
    ApplyZoomLevel(ZoomOutLevel(view.scale));
    update();
    ReprioritiseVisible(true, 1);
}

void CSpeckwashDlg::RefreshImageArea()
{
    imageArea = { 0, 0, width(), height() };
    if (!document.working || !engine)
        return;
    ApplyZoomLevel(zoomLevel); // the region keeps its centre and takes the new size
    ReprioritiseVisible(false, 1);
    update();
}

void CSpeckwashDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    RefreshImageArea();
}

void CSpeckwashDlg::SetRotation(int degrees)
{
    if (degrees != 0 && degrees != 90 && degrees != -90 && degrees != 180)
        return;
    if (!engine)
        return;
    view.rotation = degrees;
    PlaceForRotation();
    RefreshImageArea();
}

void CSpeckwashDlg::Rotate(int quarterTurns)
{
    // The turn runs through -90, 0, 90, 180 and wraps.
    static const int kOrder[4] = { -90, 0, 90, 180 };
    int at = 1;
    for (int i = 0; i < 4; ++i)
        if (kOrder[i] == view.rotation)
            at = i;
    SetRotation(kOrder[((at + quarterTurns) % 4 + 4) % 4]);
}

QPoint CSpeckwashDlg::ClampToImageRect(const QPoint& p) const
{
    const Rect& r = view.imageRect;
    return { std::clamp(p.x(), r.left, std::max(r.left, r.right - 1)),
        std::clamp(p.y(), r.top, std::max(r.top, r.bottom - 1)) };
}

static bool Inside(const Rect& r, const QPoint& p)
{
    return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

void CSpeckwashDlg::UpdateCursor(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    if (!engine || !Inside(view.imageRect, at)) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    if (modifiers & Qt::ShiftModifier)
        setCursor(panActive ? closedHand : openHand);
    else
        setCursor(brush->StrokeInProgress() ? QCursor(Qt::CrossCursor) : brush->TypeCursor());
}

void CSpeckwashDlg::mousePressEvent(QMouseEvent* event)
{
    QPoint at = event->position().toPoint();
    if (engine && event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)
        && Inside(view.imageRect, at)) {
        // Qt cannot pin the system pointer: hold the mouse and clamp what it reports.
        grabMouse(closedHand);
        panActive = true;
        panStartPoint = at;
        panStartCentre = { (view.visible.left + view.visible.right) / 2, (view.visible.top + view.visible.bottom) / 2 };
        ++dragCount;
        brush->Cursor().Erase();
    } else if (engine && event->button() == Qt::LeftButton && Inside(view.imageRect, at) && !panActive) {
        if (brush->Press(at))
            return; // the brush chose its pointer
    }
    UpdateCursor(at, event->modifiers());
}

void CSpeckwashDlg::mouseMoveEvent(QMouseEvent* event)
{
    activateWindow();
    QPoint at = event->position().toPoint();
    if (brush->StrokeInProgress()) {
        brush->Move(at, event->buttons() & Qt::LeftButton);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        if (panActive)
            releaseMouse();
        panActive = false;
    } else if (panActive && engine && (event->modifiers() & Qt::ShiftModifier)) {
        ++dragCount;
        at = ClampToImageRect(at);
        Point from = ViewToImage(view, panStartPoint.x(), panStartPoint.y());
        Point to = ViewToImage(view, at.x(), at.y());
        CentreOn(view.visible, panStartCentre.x + from.x - to.x, panStartCentre.y + from.y - to.y);
        ClampVisibleRegion(view.visible, view.imageWidth, view.imageHeight);
        view.imageRect = LayOutImageRect(view.visible, view.scale, view.rotation, imageArea);
        if (panel)
            panel->NavigatorChanged();
        ReprioritiseVisible(false, 0);
        update();
    }
    if (!panActive)
        brush->Move(at, false);
    UpdateCursor(at, event->modifiers());
}

void CSpeckwashDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (brush->StrokeInProgress() && event->button() == Qt::LeftButton) {
        brush->Release(event->position().toPoint(), event->modifiers() & Qt::ShiftModifier);
        return;
    }
    if (panActive)
        releaseMouse();
    panActive = false;
    dragCount = 0;
    UpdateCursor(event->position().toPoint(), event->modifiers());
}
