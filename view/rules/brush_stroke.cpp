#include "view/rules/brush_stroke.h"

#include "engine/manual_planes.h"
#include "image/image.h"

bool BrushStroke::Append(Point p)
{
    if (points.size() >= static_cast<size_t>(kMaxStrokePoints))
        return false;
    points.push_back(p);
    return true;
}

Rect BrushStroke::Bounds() const
{
    if (veto)
        return veto->Bounds();
    Rect box;
    for (const Point& p : points)
        box = Union(box, DabSquare(p.x, p.y, radius));
    return box;
}

BrushStroke& BrushStrokeList::Begin(int radius, int manualDustSize, int tool, int strength)
{
    BrushStroke stroke;
    stroke.radius = radius;
    stroke.manualDustSize = manualDustSize;
    stroke.tool = tool;
    stroke.strength = strength;
    strokes.push_back(std::move(stroke));
    return strokes.back();
}

BrushStroke& BrushStrokeList::AddVeto(SpotVeto veto)
{
    BrushStroke& stroke = Begin(0, 0, kBrushRemoveTool, 255);
    stroke.veto = std::make_shared<const SpotVeto>(std::move(veto));
    return stroke;
}

bool BrushStrokeList::RemoveLast()
{
    if (strokes.empty())
        return false;
    strokes.pop_back();
    return true;
}

bool MovedFarEnough(Point last, Point now, int radius)
{
    const long long dx = last.x - now.x;
    const long long dy = last.y - now.y;
    return dx * dx + dy * dy > static_cast<long long>(radius) * radius / 16;
}

int SegmentSequence(Point from, Point to)
{
    const int dx = to.x > from.x ? to.x - from.x : from.x - to.x;
    const int dy = to.y > from.y ? to.y - from.y : from.y - to.y;
    return dx < dy ? 1 : -1;
}

Rect ApplyDab(const BrushTip& tip, CImage& manualMask, CImage& manualDustSize, int cx, int cy)
{
    if (!tip.weights || !manualMask.HasPlanes() || !manualDustSize.HasPlanes())
        return {};
    const int r = tip.radius;
    const int side = 2 * r + 1;
    const Rect image { 0, 0, std::min(manualMask.width, manualDustSize.width),
        std::min(manualMask.height, manualDustSize.height) };
    const Rect written = Intersect(DabSquare(cx, cy, r), image);
    if (written.IsEmpty())
        return {};
    const uint8_t* weights = tip.weights->Plane8(0);
    uint8_t* mask = manualMask.Plane8(0);
    uint8_t* sizes = manualDustSize.Plane8(0);
    const uint8_t dustSize = static_cast<uint8_t>(tip.manualDustSize);
    const float strength = static_cast<float>(tip.strength);
    for (int y = written.top; y < written.bottom; ++y) {
        const uint8_t* weightRow = weights + static_cast<size_t>(y - (cy - r)) * side;
        uint8_t* maskRow = mask + static_cast<size_t>(y) * manualMask.width;
        uint8_t* sizeRow = sizes + static_cast<size_t>(y) * manualDustSize.width;
        for (int x = written.left; x < written.right; ++x) {
            const uint8_t value = weightRow[x - (cx - r)];
            if (tip.add) {
                const float w = static_cast<float>(value) / 255.0f;
                const float m = static_cast<float>(ReadManual(maskRow + x));
                WriteManual(maskRow + x, static_cast<uint8_t>((1.0f - w) * m + strength * w));
                WriteManual(sizeRow + x, dustSize);
            } else if (value != 0) {
                WriteManual(maskRow + x, 0);
            }
        }
    }
    return written;
}
