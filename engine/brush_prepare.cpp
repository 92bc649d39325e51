#include "engine/dust_kernel.h"

// The brush side of a tile's pass. With automation on, a marked pixel blends
// toward the median of its own neighbourhood, so the tile's median image is
// only needed where the detector already used it; a tile never detected gets
// one at the dust size. With automation off, marked pixels blend toward the
// tile's median image, which must be of the brush's dust size.
bool DustKernel::PrepareBrush(Tile& tile)
{
    DustParams& requested = tile.requested;
    const Rect rect = Intersect(tile.rect, imageRect);
    if (requested.automation != 0) {
        if (tile.applied.dustRadius == 0) {
            int radius = requested.dustRadius != 0 ? requested.dustRadius : 10;
            if (EnsureMedian(rect, radius, *stopFlag) == 1)
                return false;
        }
    } else {
        // 0 on the slider means 10. The median is checked against the size
        // actually in place, so a later automatic pass that overwrote it with
        // another radius does not leave the brush blending toward that one.
        if (requested.brushDustSize == 0)
            requested.brushDustSize = 10;
        if (EnsureMedian(rect, requested.brushDustSize, *stopFlag) == 1)
            return false;
    }
    tile.applied.brushSizeDone = requested.brushDustSize;
    // A brush pass runs no detection, so it must not record detection
    // parameters as applied: a later automatic pass would find them unchanged
    // and keep a map that was never computed for them.
    KeepAppliedDetection(tile);
    return true;
}

void DustKernel::KeepAppliedDetection(Tile& tile)
{
    tile.requested.dustRadius = tile.applied.dustRadius;
    tile.requested.dustThreshold = tile.applied.dustThreshold;
    tile.requested.aggression = tile.applied.aggression;
    tile.requested.flatness = tile.applied.flatness;
    tile.requested.dustType = tile.applied.dustType;
    tile.requested.infrared = tile.applied.infrared;
}
