#include "engine/spot_veto.h"

#include <algorithm>

#include "engine/dust_engine.h"
#include "engine/manual_planes.h"
#include "image/image.h"

Rect SpotVeto::Bounds() const
{
    Rect box;
    for (const PixelRun& run : runs)
        box = Union(box, { run.x0, run.y, run.x1, run.y + 1 });
    return box;
}

SpotVeto VetoForSpot(const SpotList& list, size_t index)
{
    SpotVeto veto;
    if (index >= list.Count())
        return veto;
    const Spot& spot = list.Spots()[index];
    const auto first = list.Runs().begin() + static_cast<std::ptrdiff_t>(spot.firstRun);
    std::transform(first, first + static_cast<std::ptrdiff_t>(spot.runCount), std::back_inserter(veto.runs),
        [](const SpotRun& run) { return PixelRun { run.y, run.x0, run.x1 }; });
    return veto;
}

Rect ApplyVeto(const SpotVeto& veto, CImage& manualMask)
{
    if (!manualMask.HasPlanes())
        return {};
    const Rect image { 0, 0, manualMask.width, manualMask.height };
    uint8_t* mask = manualMask.Plane8(0);
    Rect written;
    for (const PixelRun& run : veto.runs) {
        const Rect part = Intersect({ run.x0, run.y, run.x1, run.y + 1 }, image);
        if (part.IsEmpty())
            continue;
        uint8_t* row = mask + static_cast<size_t>(part.top) * manualMask.width;
        for (int x = part.left; x < part.right; ++x)
            WriteManual(row + x, 0);
        written = Union(written, part);
    }
    return written;
}

int RequestVeto(DustEngine& engine, const SpotVeto& veto, const DustParams& params)
{
    CImage* mask = engine.ManualMask();
    if (!mask)
        return -1;
    const Rect written = ApplyVeto(veto, *mask);
    if (written.IsEmpty())
        return -1;
    return engine.Request(written, KindBrush, 2, -1, &params);
}
