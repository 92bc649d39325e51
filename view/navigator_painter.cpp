#include "view/navigator_painter.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include "image/image.h"
#include "view/bitmap_to_qimage.h"

void DrawNavigator(QPainter& painter, const CImage& thumbnail, int rotation, const Rect& thumbRect,
    const Rect& box)
{
    QImage image = ImageToQImage(thumbnail, rotation);
    if (!image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QPoint(thumbRect.left, thumbRect.top), image);
    }
    QPolygon outline;
    outline << QPoint(box.left, box.top) << QPoint(box.right, box.top) << QPoint(box.right, box.bottom)
            << QPoint(box.left, box.bottom) << QPoint(box.left, box.top);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawPolyline(outline);
}
