#pragma once
#include <QCursor>

#include "image/rect.h"

class QWidget;
struct EditSession;

// What the brush needs of the window it paints in: the widget that takes the
// mouse and shows the pointer, the session whose brush, strokes and engine it
// uses, and someone to tell when the brush or its strokes changed.
class BrushSurface {
public:
    virtual ~BrushSurface() = default;
    virtual QWidget& Widget() = 0;
    virtual EditSession& Session() = 0;
    // The window's image area, in window pixels.
    virtual Rect ImageArea() const = 0;
    // The pointer a released stroke leaves when Shift is down: ready to pan.
    virtual QCursor PanCursor() const = 0;
    // The radius or the list of strokes changed: whoever shows them follows.
    virtual void BrushChanged() = 0;
    // No tip can be built, so no stroke can be painted or replayed.
    virtual void BrushUnusable() = 0;
};
