#include "view/navigator.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <memory>
#include <vector>

#include "image/image.h"
#include "view/rules/navigator_geometry.h"

namespace {

// CImage::Rotated's kind for a view rotation; -1 for none.
int RotationKind(int rotation)
{
    switch (rotation) {
    case 90:
        return 1;
    case -90:
        return 0;
    case 180:
        return 2;
    default:
        return -1;
    }
}

QImage ToQImage(const CImage& image)
{
    if (image.width < 1 || image.height < 1)
        return {};
    const size_t stride = CImage::DibStride(image.width);
    std::vector<uint8_t> dib(stride * static_cast<size_t>(image.height));
    if (image.ToDib24(dib.data(), dib.size()) != 0)
        return {};
    // The display bitmap is bottom-up; the picture is made top-down.
    QImage out(image.width, image.height, QImage::Format_RGB888);
    if (out.isNull())
        return {};
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = dib.data() + stride * static_cast<size_t>(image.height - 1 - y);
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < image.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

} // namespace

CNavigator::CNavigator(ViewSource source, PanTarget pan, QWidget* parent)
    : QWidget(parent)
    , source_(std::move(source))
    , pan_(std::move(pan))
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

void CNavigator::ThumbnailChanged()
{
    turned_ = QImage();
    turnedFrom_ = nullptr;
    update();
}

const QImage& CNavigator::TurnedThumbnail(const NavigatorView& view)
{
    if (turnedFrom_ == view.thumbnail && turnedRotation_ == view.rotation && !turned_.isNull())
        return turned_;
    const int kind = RotationKind(view.rotation);
    std::unique_ptr<CImage> rotated(kind >= 0 ? view.thumbnail->Rotated(kind) : nullptr);
    turned_ = ToQImage(rotated ? *rotated : *view.thumbnail);
    turnedFrom_ = view.thumbnail;
    turnedRotation_ = view.rotation;
    return turned_;
}

void CNavigator::paintEvent(QPaintEvent*)
{
    const NavigatorView view = source_();
    if (!view.thumbnail)
        return;
    QPainter p(this);
    p.translate(-area_.left, -area_.top);
    const Rect thumb = ThumbnailRect();
    p.drawImage(QPoint(thumb.left, thumb.top), TurnedThumbnail(view));
    const Rect box = NavigatorBox(view.visible, view.rotation, view.imageWidth, view.imageHeight, view.thumbScale, thumb);
    p.setPen(QPen(QColor(255, 0, 0), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPoint outline[5] = { { box.left, box.top }, { box.right, box.top }, { box.right, box.bottom },
        { box.left, box.bottom }, { box.left, box.top } };
    p.drawPolyline(outline, 5);
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
    setCursor(Qt::ClosedHandCursor);
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
        setCursor(Qt::ClosedHandCursor);
        pan_(NavigatorToImage(p, t, view.thumbScale, view.rotation, view.imageWidth, view.imageHeight));
        update();
    } else {
        setCursor(OverThumbnail(p, view) ? Qt::OpenHandCursor : Qt::ArrowCursor);
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
        setCursor(Qt::OpenHandCursor);
    dragCount_ = 0;
}
