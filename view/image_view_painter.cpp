#include "view/image_view_painter.h"

#include <QPainter>

#include "image/image.h"
#include "view/bitmap_to_qimage.h"
#include "view/rules/display_bitmap.h"
#include "view/rules/paint_region.h"

bool PaintImageRegion(QPainter& painter, ViewGeometry& view, const Rect& update, const ImageViewSource& source)
{
    if (!source.shown || !source.shown->HasPlanes())
        return false;
    PaintPlan plan = PlanPaint(view, update, source.originalWidth, source.originalHeight);
    if (plan.aligned.IsEmpty())
        return false;
    DisplayBitmap bitmap, turned;
    if (!BuildDisplayBitmap(*source.shown, plan.aligned, bitmap))
        return false;
    if (source.highlight)
        ApplyHighlight(bitmap, plan.aligned, source.manualMask, source.detectionMap, source.planeWidth,
            source.automation, source.highlightColour);
    if (!RotateBitmap(bitmap, view.rotation, turned))
        return false;
    bitmap = DisplayBitmap {};
    QImage image = ToQImage(turned);
    if (image.isNull())
        return false;
    BlitSize blit = PlanBlit(view.scale, turned.width, turned.height, plan.window);
    // Plain pixel replication: smoothing would blur the specks the user hunts for.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(plan.window.left, plan.window.top, blit.width, blit.height), image,
        QRect(0, 0, blit.sourceWidth, blit.sourceHeight));
    return true;
}
