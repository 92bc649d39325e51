#pragma once
#include <QPoint>

class QPainter;
class QWidget;

// The dotted circle that shows the brush's reach. It is drawn by inverting
// what lies under it, so it stays visible on any picture. Qt draws only
// inside paint events: showing, moving and erasing the circle invalidate its
// rectangles, and the window's paint draws it last over the fresh pixels.
class CBrushCursor {
public:
    explicit CBrushCursor(QWidget& window) : window(window) { }

    // Removes the circle shown, if any.
    void Erase();
    // Shows the circle at `at` (or where it is now) with `radius` screen
    // pixels (a negative radius keeps the stored one); a position with a
    // negative coordinate leaves no circle.
    void MoveTo(const QPoint& at, int radius = -1);
    void Redraw(int radius) { MoveTo(shownAt.x() < 0 ? rememberedAt : shownAt, radius); }

    // Brackets every paint of the window: the circle is taken off before the
    // picture is painted and put back on top afterwards, so a paint never
    // leaves a stale circle or paints over a live one.
    void HideForPaint();
    void RestoreAfterPaint(QPainter& painter);

    bool Shown() const { return shownAt.x() >= 0 && shownAt.y() >= 0; }
    QPoint Position() const { return shownAt; }
    int Radius() const { return radius; }

private:
    void Invalidate(const QPoint& at, int r) const;
    void Draw(QPainter& painter) const;

    QWidget& window;
    QPoint shownAt { -99, -99 }; // none shown
    int radius = 0;
    QPoint rememberedAt { -99, -99 };
    bool shownAtPaint = false;
};
