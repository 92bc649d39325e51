#include "engine/median_coverage.h"

#include <algorithm>
#include <cstddef>
#include <new>

bool MedianCoverage::Init(int w, int h)
{
    width = std::max(w, 0);
    height = std::max(h, 0);
    columns = (width + kBlock - 1) / kBlock;
    rows = (height + kBlock - 1) / kBlock;
    try {
        blocks.assign(static_cast<size_t>(columns) * rows, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void MedianCoverage::Clear() { std::fill(blocks.begin(), blocks.end(), 0); }

Rect MedianCoverage::BlocksTouching(const Rect& rect) const
{
    Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty())
        return {};
    return { r.left / kBlock, r.top / kBlock, (r.right + kBlock - 1) / kBlock, (r.bottom + kBlock - 1) / kBlock };
}

Rect MedianCoverage::Missing(const Rect& rect, int radius) const
{
    Rect b = BlocksTouching(rect);
    Rect missing;
    for (int by = b.top; by < b.bottom; ++by)
        for (int bx = b.left; bx < b.right; ++bx)
            if (blocks[static_cast<size_t>(by) * columns + bx] != radius + 1)
                missing = Union(missing, { bx, by, bx + 1, by + 1 });
    if (missing.IsEmpty())
        return {};
    return Intersect({ missing.left * kBlock, missing.top * kBlock, missing.right * kBlock, missing.bottom * kBlock },
        { 0, 0, width, height });
}

void MedianCoverage::Invalidate(const Rect& rect)
{
    Rect b = BlocksTouching(rect);
    for (int by = b.top; by < b.bottom; ++by)
        std::fill_n(blocks.begin() + static_cast<ptrdiff_t>(by) * columns + b.left, b.Width(), 0);
}

void MedianCoverage::MarkDone(const Rect& rect, int radius)
{
    Rect r = Intersect(rect, { 0, 0, width, height });
    if (r.IsEmpty())
        return;
    // Blocks whose every pixel inside the image lies in r.
    int left = (r.left + kBlock - 1) / kBlock;
    int top = (r.top + kBlock - 1) / kBlock;
    int right = r.right == width ? columns : r.right / kBlock;
    int bottom = r.bottom == height ? rows : r.bottom / kBlock;
    for (int by = top; by < bottom; ++by)
        for (int bx = left; bx < right; ++bx)
            blocks[static_cast<size_t>(by) * columns + bx] = static_cast<uint16_t>(radius + 1);
}
