#include "view/ui_resources.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

static void InitResources()
{
    // The resources live in a static library: register them before first use.
    static bool done = [] {
        Q_INIT_RESOURCE(speckwash);
        return true;
    }();
    (void)done;
}

static QPixmap Render(const char* name, int width, int height)
{
    InitResources();
    QSvgRenderer renderer(QString(":/speckwash/") + name);
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 64 })
        icon.addPixmap(Render("icon128.svg", size, size));
    // An installed program shows its theme icon, the one its launcher shows;
    // the built-in picture stands in when none is installed.
    const QString themeName = QGuiApplication::desktopFileName();
    return themeName.isEmpty() ? icon : QIcon::fromTheme(themeName, icon);
}

QCursor OpenHandCursor()
{
    return QCursor(Render("cursor134.svg", 32, 32), 16, 16);
}

// The brush pointers put their hot spot at the tip's centre, where the dab lands.
QCursor BrushAddCursor()
{
    return QCursor(Render("cursor132.svg", 32, 32), 16, 16);
}

QCursor BrushRemoveCursor()
{
    return QCursor(Render("cursor136.svg", 32, 32), 16, 16);
}

QCursor ClosedHandCursor()
{
    return QCursor(Render("cursor135.svg", 32, 32), 16, 16);
}

QPixmap StartPicture()
{
    return Render("bitmap150.svg", 400, 400);
}
