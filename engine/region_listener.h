#pragma once

// Where the worker reports finished runs of tiles. The desktop program forwards
// the call to its window's event queue; the worker must never wait for the
// window, so implementations only post and return at once.
class RegionListener {
public:
    virtual ~RegionListener() = default;
    // level: the level whose rectangles are finished (take them with
    // DustEngine::TakeDirty); tag: the run's sequence, or −1 (with level 0)
    // when the worker has run out of work.
    virtual void RegionDone(int level, int tag) = 0;
    // The worker has taken tile `id` at `level` and is about to work on it.
    // The window ignores it; tests hold the worker here to act while it owns
    // a tile.
    virtual void TileTaken(int /*id*/, int /*level*/) { }
};
