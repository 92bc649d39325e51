#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/dust_params.h"
#include "image/image.h"
#include "image/rect.h"

// Request kinds are bits of a mask.
enum RequestKind : int { KindAuto = 2, KindBrush = 4 };

// State of a tile at one priority level.
enum TileState : int { TileQueued = 1, TileTaken = 2, TileIdle = 3 };

inline constexpr int kLevelCount = 3; // 0 outside the view, 1 visible, 2 brush

// One tile of the grid, copied whole between the queue and the worker.
struct Tile {
    Rect rect; // the tile's pixels in image coordinates
    int id = 0; // 1-based row-major position in the grid
    int takenLevel = -1; // level at which it was last handed out, −1 when not taken
    int kindMask[kLevelCount] = { 0, 0, 0 }; // kinds requested per level
    int sequence[kLevelCount] = { 0, 0, 0 }; // ordering key per level, lower first
    int state[kLevelCount] = { TileIdle, TileIdle, TileIdle };
    DustParams requested; // parameters of the latest request that carried some
    DustParams applied; // parameters the tile was last processed with
    // Requests seen per level. The worker's copy keeps the count it was taken
    // with, so Complete can tell a level that was asked for again meanwhile.
    uint32_t requestCount[kLevelCount] = { 0, 0, 0 };
    // The part of the tile brush requests asked for since its last pass; the
    // manual planes changed there and nowhere else.
    Rect brushArea;
    // Set by the worker's pass: the pixels whose display may have changed.
    Rect changed;
};

// The per-tile, per-level work of one engine. Every operation runs under one
// process-wide lock (shared by all queues) and never calls out while holding it.
// The window's thread enqueues and reads progress and dirty rectangles; the
// worker takes, completes and adds dirty rectangles.
class TileQueue {
public:
    TileQueue(const CImage& image, int tileWidth, int tileHeight);

    // 0 when rect touched a tile, −1 otherwise. A negative sequence −s gives
    // consecutive sequences s, s + 1, … in grid order.
    int Enqueue(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    // Moves queued (not taken) work of other levels to `level`; adds none.
    int Reprioritise(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params);
    // Copies the next tile in priority order into `out`; its id, or 0.
    int TakeNext(Tile& out);
    void Complete(const Tile& copy, bool keepParams);
    void AddDirty(const Rect& rect, int level);
    Rect TakeDirty(int fromLevel);
    // The finished fraction of the work queued at `level` since it last
    // emptied, or −0.1 when no tile has work there. Judged from the tiles'
    // states, so moving work between levels cannot make it lie.
    float Progress(int level) const;
    // True when no tile has work queued at any level and none is being
    // worked on: everything asked for is in the working image.
    bool Idle() const;

    // While non-zero only level-2 work is handed out. Written without the lock.
    void SetTopOnly(uint8_t flag) { topOnly.store(flag, std::memory_order_relaxed); }
    uint8_t TopOnly() const { return topOnly.load(std::memory_order_relaxed); }

    size_t TileCount() const { return tiles.size(); }
    // A copy of tile `id` (1-based), taken under the lock; for tests and tools.
    Tile Snapshot(int id) const;

private:
    std::vector<std::unique_ptr<Tile>> tiles; // row-major grid; structure fixed at construction
    Rect dirty[kLevelCount]; // finished rectangles per level (lock)
    std::atomic<uint8_t> topOnly { 0 }; // window writes, worker reads
    // Tiles queued since the level last emptied (lock): the denominator of
    // the progress only; whether work is left comes from the tiles.
    mutable int queuedTotal[kLevelCount] = { 0, 0, 0 };

    int Remaining(int level) const; // tiles queued or taken at `level` (lock held)

    void RemoveKinds(Tile& tile, int level, int kinds);
    void AddKinds(Tile& tile, int level, int kinds, int sequence, const DustParams* params);
    template <typename Visit> int ForEachIntersecting(const Rect& rect, int level, int sequence, Visit visit);
};
