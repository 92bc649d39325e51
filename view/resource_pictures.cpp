#include "view/resource_pictures.h"

#include <QPainter>
#include <QSvgRenderer>

// The panel's drawings live in a static library: register them before first
// use. Outside any namespace, as the registration macro requires.
static void RegisterPanelResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(panel);
        return true;
    }();
    (void)registered;
}

namespace {

QImage Render(const QString& path)
{
    RegisterPanelResources();
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

QImage LoadIconResource(int id) { return Render(QStringLiteral(":/speckwash/icon%1.svg").arg(id)); }

QImage LoadBitmapResource(int id) { return Render(QStringLiteral(":/speckwash/bitmap%1.svg").arg(id)); }
