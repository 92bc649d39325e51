#pragma once
#include <QRect>

#include "image/rect.h"

// Qt's rectangle as ours: Qt counts the right and bottom edges inside.
inline Rect ToRect(const QRect& q) { return { q.left(), q.top(), q.left() + q.width(), q.top() + q.height() }; }
