#include "view/rules/placement.h"

#include <algorithm>
#include <cstdlib>

Rect LimitToWorkArea(const Rect& r, const Rect& wa)
{
    return { std::max(r.left, wa.left), std::max(r.top, wa.top), std::min(r.right, wa.right),
        std::min(r.bottom, wa.bottom) };
}

Rect CentredOn(const Rect& r, int cx, int cy)
{
    int w = r.Width(), h = r.Height();
    Rect out { cx - w / 2, cy - h / 2, 0, 0 };
    out.right = out.left + w;
    out.bottom = out.top + h;
    return out;
}

Rect FitWindowToImage(const Rect& wa, int imageWidth, int imageHeight, const FrameMargins& frame)
{
    int w = kEmptyWindowWidth, h = kEmptyWindowHeight;
    if (imageWidth > 0 && imageHeight > 0) {
        w = imageWidth + frame.left + frame.right;
        h = imageHeight + frame.top + frame.bottom;
    }
    Rect r = CentredOn(Rect { 0, 0, w, h }, (wa.left + wa.right) / 2, (wa.top + wa.bottom) / 2);
    return LimitToWorkArea(r, wa);
}

bool PlacePanelBeside(const Rect& panel, const Rect& window, const Rect& wa, Rect& moved)
{
    if (Intersect(panel, window).IsEmpty())
        return false;
    int w = panel.Width(), h = panel.Height();
    Rect r { window.right, window.bottom - h, window.right + w, window.bottom };
    if (r.right > wa.right) {
        int excess = r.right - wa.right;
        r.left -= excess;
        r.right -= excess;
    }
    if (r.top < wa.top) {
        int shift = wa.top - r.top;
        r.top += shift;
        r.bottom += shift;
    }
    moved = r;
    return true;
}

Rect RotationPlacement::Place(const Rect& window, const Rect& wa)
{
    Point centre { (window.left + window.right) / 2, (window.top + window.bottom) / 2 };
    if (std::abs(centre.x - rememberedCentre.x) <= 1)
        centre = rememberedCentre;
    else
        rememberedCentre = centre;
    Rect r = CentredOn(window, centre.x, centre.y);
    bool inside = r.left >= wa.left && r.top >= wa.top && r.right <= wa.right && r.bottom <= wa.bottom;
    if (!inside)
        r = CentredOn(r, (wa.left + wa.right) / 2, (wa.top + wa.bottom) / 2);
    return LimitToWorkArea(r, wa);
}

Rect LimitSizing(const Rect& t, int edges)
{
    Rect r = t;
    if (r.Width() < 10) {
        if (edges & SizeLeft)
            r.left = r.right - 10;
        else
            r.right = r.left + 10;
    }
    if (r.Height() < 20) {
        if (edges & SizeTop)
            r.top = r.bottom - 20;
        else
            r.bottom = r.top + 20;
    }
    return r;
}
