#include "engine/tile_queue.h"

#include <algorithm>
#include <iterator>
#include <mutex>

namespace {
// One lock for every queue of the process, as cheap to take as any: the
// operations under it are short scans of a few thousand tiles at most.
std::mutex& QueueLock()
{
    static std::mutex lock;
    return lock;
}

bool ValidLevel(int level) { return level >= 0 && level < kLevelCount; }
} // namespace

TileQueue::TileQueue(const CImage& image, int tileWidth, int tileHeight)
{
    if (tileWidth < 1 || tileHeight < 1)
        return;
    int id = 1;
    for (int top = 0; top < image.height; top += tileHeight)
        for (int left = 0; left < image.width; left += tileWidth) {
            auto tile = std::make_unique<Tile>();
            tile->rect = { left, top, std::min(left + tileWidth, image.width),
                std::min(top + tileHeight, image.height) };
            tile->id = id++;
            tiles.push_back(std::move(tile));
        }
}

void TileQueue::RemoveKinds(Tile& tile, int level, int kinds)
{
    tile.kindMask[level] &= ~kinds;
    if (tile.kindMask[level] != 0)
        return;
    tile.state[level] = TileIdle;
    if (queuedTotal[level] > 0)
        --queuedTotal[level];
}

void TileQueue::AddKinds(Tile& tile, int level, int kinds, int sequence, const DustParams* params)
{
    tile.kindMask[level] |= kinds;
    ++queuedTotal[level];
    if (params)
        tile.requested = *params;
    tile.sequence[level] = sequence;
    tile.state[level] = TileQueued;
    ++tile.requestCount[level];
}

// Calls visit(tile, s) for every tile meeting rect, in grid order, under the
// lock. A negative sequence −s hands out s, s + 1, … one per tile; otherwise
// every tile gets the same sequence. 0 when a tile was met, −1 otherwise.
template <typename Visit>
int TileQueue::ForEachIntersecting(const Rect& rect, int level, int sequence, Visit visit)
{
    if (!ValidLevel(level))
        return -1;
    int step = sequence < 0 ? 1 : 0;
    int s = sequence < 0 ? -sequence : sequence;
    bool any = false;
    std::lock_guard guard(QueueLock());
    for (auto& tile : tiles) {
        if (Intersect(tile->rect, rect).IsEmpty())
            continue;
        any = true;
        visit(*tile, s);
        s += step;
    }
    return any ? 0 : -1;
}

int TileQueue::Enqueue(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    return ForEachIntersecting(rect, level, sequence, [&](Tile& tile, int s) {
        for (int j = 0; j < kLevelCount; ++j)
            if (tile.kindMask[j] & kindMask)
                RemoveKinds(tile, j, kindMask);
        AddKinds(tile, level, kindMask, s, params);
        if (kindMask & KindBrush)
            tile.brushArea = Union(tile.brushArea, Intersect(rect, tile.rect));
    });
}

int TileQueue::Reprioritise(const Rect& rect, int kindMask, int level, int sequence, const DustParams* params)
{
    return ForEachIntersecting(rect, level, sequence, [&](Tile& tile, int s) {
        for (int j = 0; j < kLevelCount; ++j) {
            if (j == level || !(tile.kindMask[j] & kindMask) || tile.state[j] != TileQueued)
                continue;
            int moved = tile.kindMask[j] & kindMask;
            RemoveKinds(tile, j, kindMask);
            AddKinds(tile, level, moved, s, params);
        }
    });
}

int TileQueue::TakeNext(Tile& out)
{
    std::lock_guard guard(QueueLock());
    int lowest = topOnly.load(std::memory_order_relaxed) ? 2 : 0;
    for (int level = kLevelCount - 1; level >= lowest; --level) {
        Tile* best = nullptr;
        for (auto& tile : tiles)
            if (tile->state[level] != TileIdle && (!best || tile->sequence[level] < best->sequence[level]))
                best = tile.get();
        if (!best)
            continue;
        best->takenLevel = level;
        out = *best;
        best->state[level] = TileTaken;
        return best->id;
    }
    return 0;
}

void TileQueue::Complete(const Tile& copy, bool keepParams)
{
    std::lock_guard guard(QueueLock());
    if (copy.id < 1 || copy.id > static_cast<int>(tiles.size()))
        return;
    Tile& tile = *tiles[copy.id - 1];
    int level = tile.takenLevel;
    if (ValidLevel(level)) {
        // Work asked for at this level after the worker took the tile was not
        // necessarily seen by it: keep it queued for another pass.
        bool requeued = tile.requestCount[level] != copy.requestCount[level] && tile.state[level] == TileQueued;
        if (!requeued) {
            tile.state[level] = TileIdle;
            tile.kindMask[level] = 0;
            tile.sequence[level] = 0;
        }
        if (Remaining(level) == 0)
            queuedTotal[level] = 0;
    }
    tile.takenLevel = -1;
    // The pass saw the brush area it was taken with; requests since then may
    // have widened it, and the wider area stays for the pass they queued.
    if (std::equal(std::begin(tile.requestCount), std::end(tile.requestCount), std::begin(copy.requestCount)))
        tile.brushArea = {};
    if (keepParams) {
        uint8_t brushSizeDone = copy.applied.brushSizeDone;
        tile.applied = copy.requested;
        tile.applied.brushSizeDone = brushSizeDone;
    }
}

void TileQueue::AddDirty(const Rect& rect, int level)
{
    if (!ValidLevel(level))
        return;
    std::lock_guard guard(QueueLock());
    dirty[level] = Union(dirty[level], rect);
}

Rect TileQueue::TakeDirty(int fromLevel)
{
    if (!ValidLevel(fromLevel))
        return {};
    std::lock_guard guard(QueueLock());
    Rect result;
    for (int level = kLevelCount - 1; level >= fromLevel; --level) {
        result = Union(result, dirty[level]);
        dirty[level] = {};
    }
    return result;
}

int TileQueue::Remaining(int level) const
{
    int remaining = 0;
    for (const auto& tile : tiles)
        if (tile->state[level] != TileIdle)
            ++remaining;
    return remaining;
}

float TileQueue::Progress(int level) const
{
    if (!ValidLevel(level))
        return -0.1f;
    std::lock_guard guard(QueueLock());
    const int remaining = Remaining(level);
    if (remaining == 0) {
        queuedTotal[level] = 0; // the level emptied: the next work counts afresh
        return -0.1f;
    }
    queuedTotal[level] = std::max(queuedTotal[level], remaining);
    return 1.0f - static_cast<float>(remaining) / static_cast<float>(queuedTotal[level]);
}

bool TileQueue::Idle() const
{
    std::lock_guard guard(QueueLock());
    for (const auto& tile : tiles) {
        if (tile->takenLevel >= 0)
            return false;
        for (int level = 0; level < kLevelCount; ++level)
            if (tile->state[level] != TileIdle)
                return false;
    }
    return true;
}

Tile TileQueue::Snapshot(int id) const
{
    std::lock_guard guard(QueueLock());
    if (id < 1 || id > static_cast<int>(tiles.size()))
        return {};
    return *tiles[id - 1];
}
