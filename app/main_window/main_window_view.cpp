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
        panel->ZoomChanged(ZoomText(), session->zoomInEnabled, session->zoomOutEnabled);
        panel->NavigatorChanged();
    }
}

void CSpeckwashDlg::ApplyZoomLevel(int level)
{
    session->zoomLevel = level;
    const float oldScale = session->view.scale;
    ZoomState state = ApplyZoom(session->view, level, imageArea);
    session->zoomInEnabled = state.zoomInEnabled;
    session->zoomOutEnabled = state.zoomOutEnabled;
    brush->ScaleChanged(oldScale, session->view.scale);
    UpdateZoomControls();
}

void CSpeckwashDlg::LayOutForOpen()
{
    const CImage& image = *session->document.working;
    imageArea = { 0, 0, width(), height() };
    session->view.imageWidth = image.width;
    session->view.imageHeight = image.height;
    session->view.visible = { 0, 0, image.width, image.height };
    session->view.scale = 1.0f;
    ApplyZoomLevel(0);
    CentreOn(session->view.visible, image.width / 2, image.height / 2);
    ClampVisibleRegion(session->view.visible, image.width, image.height);
    session->view.imageRect = LayOutImageRect(session->view.visible, session->view.scale, session->view.rotation, imageArea);
}

void CSpeckwashDlg::ReprioritiseVisible(bool withParams, int outsideSequence)
{
    if (!session->engine)
        return;
    Rect region = VisibleImageRegion(session->view);
    const DustParams* p = withParams ? &session->params : nullptr;
    session->engine->ReprioritiseOutside(region, KindAuto, 0, outsideSequence, p);
    session->engine->Reprioritise(region, KindAuto, 1, 1, p);
}

void CSpeckwashDlg::ZoomIn()
{
    if (!session->engine || !session->zoomInEnabled)
        return;
    ApplyZoomLevel(ZoomInLevel(session->view.scale));
    update();
    ReprioritiseVisible(true, 1);
}

void CSpeckwashDlg::ZoomOut()
{
    if (!session->engine || !session->zoomOutEnabled)
        return;
    ApplyZoomLevel(ZoomOutLevel(session->view.scale));
    update();
    ReprioritiseVisible(true, 1);
}

void CSpeckwashDlg::RefreshImageArea()
{
    imageArea = { 0, 0, width(), height() };
    if (!session->document.working || !session->engine)
        return;
    ApplyZoomLevel(session->zoomLevel); // the region keeps its centre and takes the new size
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
    if (!session->engine)
        return;
    session->view.rotation = degrees;
    PlaceForRotation();
    RefreshImageArea();
    if (panel)
        panel->NavigatorChanged();
}

void CSpeckwashDlg::Rotate(int quarterTurns)
{
    // The turn runs through -90, 0, 90, 180 and wraps.
    static const int kOrder[4] = { -90, 0, 90, 180 };
    int at = 1;
    for (int i = 0; i < 4; ++i)
        if (kOrder[i] == session->view.rotation)
            at = i;
    SetRotation(kOrder[((at + quarterTurns) % 4 + 4) % 4]);
}

QPoint CSpeckwashDlg::ClampToImageRect(const QPoint& p) const
{
    const Rect& r = session->view.imageRect;
    return { std::clamp(p.x(), r.left, std::max(r.left, r.right - 1)),
        std::clamp(p.y(), r.top, std::max(r.top, r.bottom - 1)) };
}

static bool Inside(const Rect& r, const QPoint& p)
{
    return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

void CSpeckwashDlg::UpdateCursor(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    if (!session->engine || !Inside(session->view.imageRect, at)) {
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
    if (session->engine && event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)
        && Inside(session->view.imageRect, at)) {
        // Qt cannot pin the system pointer: hold the mouse and clamp what it reports.
        grabMouse(closedHand);
        panActive = true;
        panStartPoint = at;
        panStartCentre = { (session->view.visible.left + session->view.visible.right) / 2, (session->view.visible.top + session->view.visible.bottom) / 2 };
        ++dragCount;
        brush->Cursor().Erase();
    } else if (session->engine && event->button() == Qt::LeftButton && Inside(session->view.imageRect, at) && !panActive) {
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
    } else if (panActive && session->engine && (event->modifiers() & Qt::ShiftModifier)) {
        ++dragCount;
        at = ClampToImageRect(at);
        Point from = ViewToImage(session->view, panStartPoint.x(), panStartPoint.y());
        Point to = ViewToImage(session->view, at.x(), at.y());
        CentreOn(session->view.visible, panStartCentre.x + from.x - to.x, panStartCentre.y + from.y - to.y);
        ClampVisibleRegion(session->view.visible, session->view.imageWidth, session->view.imageHeight);
        session->view.imageRect = LayOutImageRect(session->view.visible, session->view.scale, session->view.rotation, imageArea);
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
