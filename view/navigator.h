#pragma once
#include <QCursor>
#include <QWidget>
#include <functional>

#include "image/rect.h"
#include "view/rules/view_mapping.h"

class CImage;

// What the navigator shows, asked of its owner at every paint and drag.
struct NavigatorView {
    const CImage* thumbnail = nullptr; // null while no image is being processed
    float thumbScale = 1.0f; // navigator pixels per image pixel
    Rect visible; // the view's region, image coordinates
    int rotation = 0; // the view's quarter turn
    int imageWidth = 0;
    int imageHeight = 0;
};

// The thumbnail of the whole image with the red box of the visible region,
// in the control panel. Dragging the box pans the main view. The widget
// covers the navigator area; the geometry it reports is in the coordinates
// of its parent, the panel.
class CNavigator : public QWidget {
    Q_OBJECT
public:
    using ViewSource = std::function<NavigatorView()>;
    using PanTarget = std::function<void(Point imagePoint)>;

    CNavigator(ViewSource source, PanTarget pan, QWidget* parent);

    // The navigator area: the largest square centred in `frame` (parent
    // coordinates). The widget moves there.
    void SetFrame(const Rect& frame);
    Rect Area() const { return area_; }
    // Where the turned thumbnail sits, and the red box; parent coordinates.
    Rect ThumbnailRect() const;
    Rect Box() const;
    bool Dragging() const { return dragCount_ > 0; }
    int DragCount() const { return dragCount_; }
    // The thumbnail was replaced.
    void ThumbnailChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Point ToParent(const QPointF& local) const;
    bool OverThumbnail(Point p, const NavigatorView& view) const;

    ViewSource source_;
    PanTarget pan_;
    Rect area_;
    // 0 without a drag; counts the press and every move of one.
    int dragCount_ = 0;
    QCursor openHand_; // cursor 134, over the thumbnail
    QCursor closedHand_; // cursor 135, while dragging
};
