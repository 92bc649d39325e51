#include "view/brush_cursor.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

void CBrushCursor::Invalidate(const QPoint& at, int r) const
{
    // One pixel of slack for the pen's rounding.
    window.update(at.x() - r - 1, at.y() - r - 1, 2 * r + 3, 2 * r + 3);
}

void CBrushCursor::Erase()
{
    if (!Shown())
        return;
    Invalidate(shownAt, radius);
    rememberedAt = shownAt;
    shownAt = { -99, -99 };
}

void CBrushCursor::MoveTo(const QPoint& at, int r)
{
    const QPoint target = at;
    const int newRadius = r < 0 ? radius : r;
    Erase();
    if (target.x() < 0 || target.y() < 0)
        return;
    shownAt = target;
    rememberedAt = target;
    radius = newRadius;
    Invalidate(shownAt, radius);
}

void CBrushCursor::HideForPaint()
{
    // The paint repaints the pixels under its clip from the picture: the
    // circle's old inversion is gone there, so only the state is put aside.
    shownAtPaint = Shown();
    if (shownAtPaint)
        rememberedAt = shownAt;
}

void CBrushCursor::RestoreAfterPaint(QPainter& painter)
{
    if (shownAtPaint && Shown())
        Draw(painter);
    shownAtPaint = false;
}

void CBrushCursor::Draw(QPainter& painter) const
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::black, 0, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(shownAt.x() - radius, shownAt.y() - radius, 2 * radius + 1, 2 * radius + 1));
    painter.restore();
}
