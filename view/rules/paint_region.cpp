#include "view/rules/paint_region.h"

PaintPlan PlanPaint(ViewGeometry& view, const Rect& update, int originalWidth, int originalHeight)
{
    Rect u = update;
    if (view.scale < 1.0f) {
        // Zoomed in: a partly covered image pixel must still be drawn whole.
        u.left -= 1;
        u.top -= 1;
        u.right += 1;
        u.bottom += 1;
    }
    Point br = ViewToImage(view, u.right, u.bottom);
    Point tl = ViewToImage(view, u.left, u.top);
    PaintPlan plan;
    plan.region = Intersect(FromCorners(br, tl), Rect { 0, 0, originalWidth, originalHeight });
    plan.aligned = plan.region;
    if (view.scale > 1.0f) {
        int m = static_cast<int>(view.scale - 1.0f);
        plan.aligned.left &= ~m;
        plan.aligned.top &= ~m;
        plan.aligned.right &= ~m;
        plan.aligned.bottom &= ~m;
    }
    Point a = ImageToView(view, plan.region.left, plan.region.top);
    Point b = ImageToView(view, plan.region.right, plan.region.bottom);
    plan.window = FromCorners(a, b);
    return plan;
}

BlitSize PlanBlit(float scale, int sw, int sh, const Rect& window)
{
    BlitSize size { sw, sh, window.Width(), window.Height() };
    if (scale > 1.0f) {
        int k = static_cast<int>(scale);
        size.sourceWidth = sw / k * k;
        size.sourceHeight = sh / k * k;
        size.width = static_cast<int>(static_cast<float>(size.sourceWidth) / scale);
        size.height = static_cast<int>(static_cast<float>(size.sourceHeight) / scale);
    }
    return size;
}

Rect FinishedToWindow(ViewGeometry& view, const Rect& finished)
{
    Rect r = Intersect(finished, Normalised(view.visible));
    if (r.IsEmpty())
        return {};
    Point a = ImageToView(view, r.left, r.top);
    Point b = ImageToView(view, r.right, r.bottom);
    return FromCorners(a, b);
}
