#pragma once
#include <algorithm>
#include <cstdint>

// A rectangle of pixels: left and top inclusive, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The common part of two rectangles; empty rectangles come out as all zeros.
inline Rect Intersect(const Rect& a, const Rect& b)
{
    Rect r { std::max(a.left, b.left), std::max(a.top, b.top),
        std::min(a.right, b.right), std::min(a.bottom, b.bottom) };
    return r.IsEmpty() ? Rect {} : r;
}

// The smallest rectangle holding both; an empty operand does not count.
inline Rect Union(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? Rect {} : b;
    if (b.IsEmpty())
        return a;
    return { std::min(a.left, b.left), std::min(a.top, b.top),
        std::max(a.right, b.right), std::max(a.bottom, b.bottom) };
}
