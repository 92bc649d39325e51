#include "engine/dust_kernel.h"

#include "engine/dust_composite.h"
#include "engine/median_filter.h"

namespace {
constexpr size_t kPixelMedianScratch = 203 * 203; // radius 101; larger radii grow it

bool DetectionParamsDiffer(const DustParams& a, const DustParams& b)
{
    return a.dustType != b.dustType || a.dustThreshold != b.dustThreshold || a.flatness != b.flatness
        || a.aggression != b.aggression || a.infrared != b.infrared;
}
} // namespace

DustKernel::DustKernel(const CImage& source_, CImage& workImage_, const CImage& manualMask_,
    const CImage& manualDustSize_)
    : source(source_)
    , workImage(workImage_)
    , manualMask(manualMask_)
    , manualDustSize(manualDustSize_)
    , imageRect { 0, 0, source_.width, source_.height }
{
    medianImage = std::make_unique<CImage>(source.width, source.height, 3, SampleU8);
    detectionMap = std::make_unique<CImage>(source.width, source.height, 1, SampleU8);
    if (!medianImage->HasPlanes() || !detectionMap->HasPlanes())
        return;
    detectionMap->Fill(0, 0, 0, 0);
    valid = coverage.Init(source.width, source.height) && scratch.Reserve(kPixelMedianScratch);
}

int DustKernel::ComputeMedian(const Rect& rect, int radius, const std::atomic<uint8_t>& abortFlag)
{
    coverage.Invalidate(rect);
    for (int c = 0; c < 3; ++c) {
        int r = SeparableMedian(source.Plane8(c), source.width, source.height, rect, radius,
            medianImage->Plane8(c), medianScratch, &abortFlag);
        if (r != 0)
            return r;
    }
    coverage.MarkDone(rect, radius);
    return 0;
}

int DustKernel::EnsureMedian(const Rect& rect, int radius, const std::atomic<uint8_t>& abortFlag)
{
    Rect missing = coverage.Missing(rect, radius);
    if (missing.IsEmpty())
        return -1;
    return ComputeMedian(missing, radius, abortFlag);
}

int DustKernel::DetectDust(const Rect& tile, const DustParams& params, const std::atomic<uint8_t>& abortFlag)
{
    return ::DetectDust(source, *medianImage, *detectionMap, tile, params, abortFlag, detectionScratch);
}

Rect DustKernel::Composite(const Rect& rect, bool automation, bool infraredMap)
{
    // With automation on, untouched pixels blend toward the median under the
    // visible-light map and toward the fill under the infrared one. With it
    // off only marked pixels change, toward the brush's median image.
    const CImage* target = automation && infraredMap && fillImage ? fillImage.get() : medianImage.get();
    CompositeInputs in { &source, target, detectionMap.get(), &manualMask, &manualDustSize, &workImage };
    return ::Composite(in, rect, automation, scratch, stopFlag);
}

bool DustKernel::AttachInfrared(const CImage& plane, const InfraredModel& model)
{
    if (plane.width != source.width || plane.height != source.height || plane.channelCount < 1)
        return false;
    if (!fillImage) {
        fillImage = std::make_unique<CImage>(source.width, source.height, 3, SampleU8);
        if (!fillImage->HasPlanes()) {
            fillImage.reset();
            return false;
        }
    }
    infrared.plane = &plane;
    infrared.model = model;
    return true;
}

uint8_t DustKernel::PixelMedian(const uint8_t* plane, int x, int y, int radius)
{
    return ::PixelMedian(plane, source.width, source.height, x, y, radius, scratch);
}

int DustKernel::ProcessTile(Tile& tile, const std::atomic<uint8_t>& abortFlag)
{
    if (!valid)
        return TileNoMemory;
    if (tile.takenLevel < 0 || tile.takenLevel >= kLevelCount)
        return TileDone;
    const int kinds = tile.kindMask[tile.takenLevel];
    const Rect rect = Intersect(tile.rect, imageRect);
    DustParams& requested = tile.requested;
    const DustParams& applied = tile.applied;
    // An automatic pass may change the map, and so the highlights, anywhere in
    // the tile; a brush pass only where the brush touched the manual planes
    // and where the corrected image changed.
    tile.changed = rect;

    if (kinds & KindAuto) {
        if (requested.automation == 0) {
            if (applied.automation == 0)
                return TileNoWork;
            Composite(rect, false);
            // No detection ran: the map stays what the applied parameters made it.
            KeepAppliedDetection(tile);
            return TileReverted;
        }
        if (requested.infrared != 0 && HasInfrared()) {
            // Infrared detection replaces the visible-light rule and needs no median.
            if (requested.dustRadius != applied.dustRadius || DetectionParamsDiffer(requested, applied)) {
                int r = DetectInfrared(source, infrared, requested.infrared, rect, *detectionMap, *fillImage,
                    abortFlag, infraredScratch);
                if (r == DetectNoMemory)
                    return TileNoMemory;
                if (r == DetectAborted || abortFlag.load(std::memory_order_relaxed))
                    return TileAborted;
            }
            Composite(rect, true, true);
            return TileDone;
        }
        const int margin = TileMargin(requested.aggression);
        const Rect work = Intersect(
            { rect.left - margin, rect.top - margin, rect.right + margin, rect.bottom + margin }, imageRect);
        const bool radiusChanged = requested.dustRadius != applied.dustRadius;
        bool detect = radiusChanged || DetectionParamsDiffer(requested, applied);
        // The median over the work rectangle is brought up to date whatever the
        // comparison says: a first pass, a wider margin or a neighbour's brush
        // median of another radius all leave parts of it stale.
        int r = EnsureMedian(work, requested.dustRadius, abortFlag);
        if (r == 1)
            return TileAborted;
        if (r == 4)
            return TileNoMemory;
        if (r == 0)
            detect = true;
        if (detect) {
            if (abortFlag.load(std::memory_order_relaxed))
                return TileAborted;
            r = DetectDust(rect, requested, abortFlag);
            if (r == DetectNoMemory)
                return TileNoMemory;
            if (r == DetectAborted || abortFlag.load(std::memory_order_relaxed))
                return TileAborted;
        }
        Composite(rect, true);
        return Stopped() ? TileAborted : TileDone;
    }
    if (kinds & KindBrush) {
        if (!PrepareBrush(tile))
            return TileAborted;
        const Rect corrected
            = Composite(rect, requested.automation != 0, requested.infrared != 0 && HasInfrared());
        if (Stopped())
            return TileAborted;
        tile.changed = Union(Intersect(tile.brushArea, rect), corrected);
        return TileDone;
    }
    return TileDone;
}
