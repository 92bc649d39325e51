#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/byte_buffer.h"
#include "engine/dust_detection.h"
#include "engine/infrared_detection.h"
#include "engine/median_coverage.h"
#include "engine/tile_queue.h"
#include "image/image.h"

enum TileResult : int { TileDone = 0, TileAborted = 1, TileNoWork = 2, TileReverted = 3, TileNoMemory = 4 };

// Runs detection and correction on one tile at a time, on the worker thread.
// It reads the source and the manual planes and writes the median image, the
// detection map and the corrected image; the planes other than its own two
// belong to the engine.
class DustKernel {
public:
    DustKernel(const CImage& source, CImage& workImage, const CImage& manualMask, const CImage& manualDustSize);
    DustKernel(const DustKernel&) = delete;
    DustKernel& operator=(const DustKernel&) = delete;

    // False when the median image or the detection map could not be allocated.
    bool Valid() const { return valid; }

    // Brings the tile up to date with its requested parameters. `tile` is the
    // worker's copy: the parameters it should record as applied are left in
    // its requested block (and the brush size prepared in applied.brushSizeDone),
    // and the pixels whose display may have changed in its `changed` rectangle.
    int ProcessTile(Tile& tile, const std::atomic<uint8_t>& abortFlag);

    // Median of the source's channels 0 to 2 over rect into the median image:
    // 0, 1 when interrupted, 4 when out of memory.
    int ComputeMedian(const Rect& rect, int radius, const std::atomic<uint8_t>& abortFlag);
    // Like ComputeMedian, but only over the part of rect whose median is not
    // of this radius yet. −1 when nothing needed computing.
    int EnsureMedian(const Rect& rect, int radius, const std::atomic<uint8_t>& abortFlag);
    int DetectDust(const Rect& tile, const DustParams& params, const std::atomic<uint8_t>& abortFlag);
    // Returns the bounding box of the corrected pixels that changed; stops
    // early (leaving the tile to be composited again) when the stop flag is up.
    // With `infraredMap` the map is the infrared one and untouched pixels blend
    // toward its fill instead of the median.
    Rect Composite(const Rect& rect, bool automation, bool infraredMap = false);
    // Gives the kernel an infrared plane (the image's size, one 8- or 16-bit
    // channel, outliving the kernel) and what its analysis measured. Tiles
    // whose requested `infrared` byte is not 0 are then detected from it.
    // Call before any such request; false when the fill plane cannot be made.
    bool AttachInfrared(const CImage& plane, const InfraredModel& model);
    bool HasInfrared() const { return infrared.plane != nullptr; }
    uint8_t PixelMedian(const uint8_t* plane, int x, int y, int radius);
    // The brush side of a tile's pass; see brush_prepare.cpp. False when
    // stopped by the stop flag.
    bool PrepareBrush(Tile& tile);
    // Brush passes and compositing are not interrupted by a level change: the
    // brush is the top level, and each dab would otherwise cancel the pass the
    // one before started. They stop only for this flag (the engine's shutdown).
    void SetStopFlag(const std::atomic<uint8_t>* flag) { stopFlag = flag ? flag : &neverStop; }
    bool Stopped() const { return stopFlag->load(std::memory_order_relaxed) != 0; }
    // For passes that run no detection: the requested block (which becomes
    // the applied one) keeps the parameters the tile's map was computed with.
    static void KeepAppliedDetection(Tile& tile);

    CImage* MedianImage() const { return medianImage.get(); }
    CImage* DetectionMap() const { return detectionMap.get(); }
    const Rect& ImageRect() const { return imageRect; }

private:
    const CImage& source;
    CImage& workImage;
    const CImage& manualMask;
    const CImage& manualDustSize;
    std::unique_ptr<CImage> medianImage; // 3 channels, defined where coverage says so
    std::unique_ptr<CImage> detectionMap; // 1 channel, 0 until detected
    Rect imageRect;
    bool valid = false;

    MedianCoverage coverage;
    ByteBuffer scratch; // per-pixel medians of the composite
    ByteBuffer medianScratch; // intermediate of the separable median
    DetectionScratch detectionScratch;
    std::atomic<uint8_t> neverStop { 0 };
    const std::atomic<uint8_t>* stopFlag = &neverStop;
    InfraredInput infrared; // plane null: no infrared detection
    std::unique_ptr<CImage> fillImage; // 3 channels: the infrared fill, defined where the map is not 0
    InfraredScratch infraredScratch;
};
