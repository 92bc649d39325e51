#include "view/navigator.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "image/image.h"
#include "view/navigator_painter.h"
#include "view/rules/navigator_geometry.h"
#include "view/ui_resources.h"


CNavigator::CNavigator(ViewSource source, PanTarget pan, QWidget* parent)
    : QWidget(parent)
    , source_(std::move(source))
    , pan_(std::move(pan))
    , openHand_(OpenHandCursor())
    , closedHand_(ClosedHandCursor())
{
    setMouseTracking(true);
}

void CNavigator::SetFrame(const Rect& frame)
{
    area_ = NavigatorArea(frame);
    setGeometry(area_.left, area_.top, area_.Width(), area_.Height());
    update();
}

Rect CNavigator::ThumbnailRect() const
{
    const NavigatorView view = source_();
    if (!view.thumbnail)
        return {};
    return ::ThumbnailRect(area_, view.thumbnail->width, view.thumbnail->height, view.rotation);
}

Rect CNavigator::Box() const
{
    const NavigatorView view = source_();
    if (!view.thumbnail)
        return {};
    return NavigatorBox(view.visible, view.rotation, view.imageWidth, view.imageHeight, view.thumbScale,
        ThumbnailRect());
}

void CNavigator::ThumbnailChanged() { update(); }

void CNavigator::paintEvent(QPaintEvent*)
{
    const NavigatorView view = source_();
    if (!view.thumbnail)
        return;
    QPainter p(this);
    p.translate(-area_.left, -area_.top);
    const Rect thumb = ThumbnailRect();
    DrawNavigator(p, *view.thumbnail, view.rotation, thumb,
        NavigatorBox(view.visible, view.rotation, view.imageWidth, view.imageHeight, view.thumbScale, thumb));
}

Point CNavigator::ToParent(const QPointF& local) const
{
    const QPoint q = local.toPoint();
    return { q.x() + area_.left, q.y() + area_.top };
}

bool CNavigator::OverThumbnail(Point p, const NavigatorView& view) const
{
    if (!view.thumbnail)
        return false;
    const Rect t = ::ThumbnailRect(area_, view.thumbnail->width, view.thumbnail->height, view.rotation);
    return p.x >= t.left && p.x < t.right && p.y >= t.top && p.y < t.bottom;
}

void CNavigator::mousePressEvent(QMouseEvent* event)
{
    const NavigatorView view = source_();
    const Point p = ToParent(event->position());
    if (event->button() != Qt::LeftButton || !OverThumbnail(p, view)) {
        event->ignore(); // the panel takes it (context menu, activation)
        return;
    }
    ++dragCount_;
    setCursor(closedHand_);
}

void CNavigator::mouseMoveEvent(QMouseEvent* event)
{
    const NavigatorView view = source_();
    Point p = ToParent(event->position());
    if (dragCount_ > 0 && view.thumbnail) {
        // The pointer is held inside the thumbnail while dragging, so a
        // move past its edge counts as a move to the edge.
        const Rect t = ::ThumbnailRect(area_, view.thumbnail->width, view.thumbnail->height, view.rotation);
        p.x = std::clamp(p.x, t.left, std::max(t.left, t.right - 1));
        p.y = std::clamp(p.y, t.top, std::max(t.top, t.bottom - 1));
        ++dragCount_;
        setCursor(closedHand_);
        pan_(NavigatorToImage(p, t, view.thumbScale, view.rotation, view.imageWidth, view.imageHeight));
        update();
    } else {
        setCursor(OverThumbnail(p, view) ? openHand_ : QCursor(Qt::ArrowCursor));
    }
    event->ignore(); // the panel activates itself on moves
}

void CNavigator::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const NavigatorView view = source_();
    if (dragCount_ > 0 && OverThumbnail(ToParent(event->position()), view))
        setCursor(openHand_);
    dragCount_ = 0;
}
