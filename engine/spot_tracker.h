#pragma once
#include <vector>

#include "engine/spot_labels.h"

// Keeps an image's spot list current while its tiles are processed. The runs
// of spot pixels are kept per cell of a grid; a finished area marks its cells
// stale, and a refresh rescans only those before joining all runs again, so
// a spot that crosses cells is one spot and an update costs about the
// changed area plus the number of runs. Not thread-safe: one thread (the
// window's) invalidates and refreshes.
class SpotTracker {
public:
    static constexpr int kCellSize = 256;

    SpotTracker(int width, int height, int cellSize = kCellSize);

    // An area whose detection map, manual mask or corrected pixels changed:
    // each finished run of tiles the engine reports, each brush or veto.
    void Invalidate(const Rect& area);
    void InvalidateAll();
    // Rescans the stale cells from the planes and, when any was stale or the
    // automation setting changed, labels again. True when the list was rebuilt.
    bool Refresh(const SpotPlanes& planes, bool automation);

    const SpotList& List() const { return list; }
    bool HasStaleCells() const { return staleCount > 0; }

private:
    Rect CellRect(int column, int row) const;

    int width;
    int height;
    int cellSize;
    int columns;
    int rows;
    std::vector<std::vector<SpotRun>> cells; // row-major; each in reading order
    std::vector<uint8_t> stale;
    int staleCount = 0;
    bool labelledWithAutomation = false;
    bool labelled = false;
    SpotList list;
    std::vector<SpotRun> gathered; // reused between refreshes
};
