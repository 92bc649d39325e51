#include "engine/spot_tracker.h"

#include <algorithm>

SpotTracker::SpotTracker(int width_, int height_, int cellSize_)
    : width(std::max(0, width_))
    , height(std::max(0, height_))
    , cellSize(std::max(1, cellSize_))
    , columns((width + cellSize - 1) / cellSize)
    , rows((height + cellSize - 1) / cellSize)
    , cells(static_cast<size_t>(columns) * rows)
    , stale(cells.size(), 1)
    , staleCount(static_cast<int>(cells.size()))
{
}

Rect SpotTracker::CellRect(int column, int row) const
{
    return { column * cellSize, row * cellSize, std::min(width, (column + 1) * cellSize),
        std::min(height, (row + 1) * cellSize) };
}

void SpotTracker::Invalidate(const Rect& area)
{
    const Rect r = Intersect(area, { 0, 0, width, height });
    if (r.IsEmpty())
        return;
    for (int row = r.top / cellSize; row <= (r.bottom - 1) / cellSize; ++row)
        for (int column = r.left / cellSize; column <= (r.right - 1) / cellSize; ++column) {
            uint8_t& flag = stale[static_cast<size_t>(row) * columns + column];
            staleCount += flag == 0;
            flag = 1;
        }
}

void SpotTracker::InvalidateAll() { Invalidate({ 0, 0, width, height }); }

bool SpotTracker::Refresh(const SpotPlanes& planes, bool automation)
{
    const bool usable = SpotPlanesUsable(planes) && planes.map->width == width && planes.map->height == height;
    if (!usable || (labelled && staleCount == 0 && automation == labelledWithAutomation))
        return false;
    if (staleCount > 0) {
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column) {
                const size_t k = static_cast<size_t>(row) * columns + column;
                if (!stale[k])
                    continue;
                cells[k].clear();
                CollectSpotRuns(planes, CellRect(column, row), cells[k]);
                stale[k] = 0;
            }
        staleCount = 0;
    }
    labelled = true;
    labelledWithAutomation = automation;
    if (!automation) {
        list = {};
        return true;
    }
    // The runs of every cell in reading order: row by row, cells left to right.
    gathered.clear();
    std::vector<size_t> cursor(static_cast<size_t>(columns));
    for (int row = 0; row < rows; ++row) {
        std::fill(cursor.begin(), cursor.end(), 0);
        const int bottom = std::min(height, (row + 1) * cellSize);
        for (int y = row * cellSize; y < bottom; ++y)
            for (int column = 0; column < columns; ++column) {
                const std::vector<SpotRun>& cell = cells[static_cast<size_t>(row) * columns + column];
                size_t& i = cursor[static_cast<size_t>(column)];
                while (i < cell.size() && cell[i].y == y)
                    gathered.push_back(cell[i++]);
            }
    }
    list = LabelSpotRuns(gathered);
    return true;
}
