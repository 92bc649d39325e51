#include "view/resource_pictures.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

QImage Render(const QString& path)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    const QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

QImage LoadIconResource(int id) { return Render(QStringLiteral(":/icons/icon%1.svg").arg(id)); }

QImage LoadBitmapResource(int id) { return Render(QStringLiteral(":/bitmaps/bitmap%1.svg").arg(id)); }
