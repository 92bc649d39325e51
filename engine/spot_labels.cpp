#include "engine/spot_labels.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "engine/manual_planes.h"

namespace {

constexpr uint8_t kUntouched = 1; // manual mask value that leaves the automatic result

// Most of a map is zero: skip it eight bytes at a time.
int SkipZeros(const uint8_t* row, int x, int right)
{
    while (x + 8 <= right) {
        uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        if (word != 0)
            break;
        x += 8;
    }
    while (x < right && row[x] == 0)
        ++x;
    return x;
}

// Union-find over run indices where the root of a set is its smallest index,
// which is the set's first run in reading order.
class RunSets {
public:
    explicit RunSets(size_t count)
        : parent(count)
    {
        std::iota(parent.begin(), parent.end(), 0);
    }
    uint32_t Find(uint32_t i)
    {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    }
    void Unite(uint32_t a, uint32_t b)
    {
        a = Find(a);
        b = Find(b);
        if (a < b)
            parent[b] = a;
        else if (b < a)
            parent[a] = b;
    }

private:
    std::vector<uint32_t> parent;
};

// Joins each run with the touching runs of its own row and the row above.
void JoinNeighbours(const std::vector<SpotRun>& runs, RunSets& sets)
{
    size_t prevStart = 0, prevEnd = 0; // the row above's runs, when it has any
    size_t rowStart = 0;
    while (rowStart < runs.size()) {
        const int32_t y = runs[rowStart].y;
        size_t rowEnd = rowStart;
        while (rowEnd < runs.size() && runs[rowEnd].y == y)
            ++rowEnd;
        const bool above = prevEnd > prevStart && runs[prevStart].y == y - 1;
        size_t p = prevStart;
        for (size_t i = rowStart; i < rowEnd; ++i) {
            const SpotRun& run = runs[i];
            if (i > rowStart && runs[i - 1].x1 >= run.x0)
                sets.Unite(static_cast<uint32_t>(i - 1), static_cast<uint32_t>(i));
            if (!above)
                continue;
            // Eight-neighbourhood: [a0, a1) above touches [b0, b1) when a1 ≥ b0 and a0 ≤ b1.
            while (p < prevEnd && runs[p].x1 < run.x0)
                ++p;
            for (size_t q = p; q < prevEnd && runs[q].x0 <= run.x1; ++q)
                sets.Unite(static_cast<uint32_t>(i), static_cast<uint32_t>(q));
        }
        prevStart = rowStart;
        prevEnd = rowEnd;
        rowStart = rowEnd;
    }
}

struct SpotSums {
    Rect box;
    int64_t pixels = 0;
    int64_t twiceSumX = 0; // Σ 2x, exact for a run's arithmetic series
    int64_t sumY = 0;
    int64_t tone = 0;
    uint8_t peak = 0;
    size_t runCount = 0;
};

} // namespace

bool SpotPlanesUsable(const SpotPlanes& p)
{
    if (!p.map || !p.source || !p.corrected || !p.map->HasPlanes() || !p.source->HasPlanes()
        || !p.corrected->HasPlanes() || p.source->channelCount < 3 || p.corrected->channelCount < 3)
        return false;
    auto sameSize = [&](const CImage& image) {
        return image.width == p.map->width && image.height == p.map->height && image.sampleType == SampleU8;
    };
    return sameSize(*p.map) && sameSize(*p.source) && sameSize(*p.corrected)
        && (!p.mask || (p.mask->HasPlanes() && sameSize(*p.mask)));
}

void CollectSpotRuns(const SpotPlanes& planes, const Rect& area, std::vector<SpotRun>& runs)
{
    const CImage& map = *planes.map;
    const Rect rect = Intersect(area, { 0, 0, map.width, map.height });
    if (rect.IsEmpty())
        return;
    const uint8_t* source[3];
    const uint8_t* corrected[3];
    for (int c = 0; c < 3; ++c) {
        source[c] = planes.source->Plane8(c);
        corrected[c] = planes.corrected->Plane8(c);
    }
    const uint8_t* mask = planes.mask ? planes.mask->Plane8(0) : nullptr;
    for (int y = rect.top; y < rect.bottom; ++y) {
        const size_t rowOffset = static_cast<size_t>(y) * map.width;
        const uint8_t* row = map.Plane8(0) + rowOffset;
        auto isSpot = [&](int x) { return row[x] != 0 && (!mask || ReadManual(mask + rowOffset + x) == kUntouched); };
        int x = rect.left;
        for (;;) {
            x = SkipZeros(row, x, rect.right);
            if (x >= rect.right)
                break;
            if (!isSpot(x)) {
                ++x;
                continue;
            }
            SpotRun run;
            run.y = y;
            run.x0 = x;
            for (; x < rect.right && isSpot(x); ++x) {
                const size_t i = rowOffset + x;
                run.peak = std::max(run.peak, row[x]);
                run.toneSum += (source[0][i] + source[1][i] + source[2][i])
                    - (corrected[0][i] + corrected[1][i] + corrected[2][i]);
            }
            run.x1 = x;
            runs.push_back(run);
        }
    }
}

bool SpotComesFirst(const Spot& a, const Spot& b)
{
    if (a.pixels != b.pixels)
        return a.pixels > b.pixels;
    if (a.peak != b.peak)
        return a.peak > b.peak;
    if (a.box.top != b.box.top)
        return a.box.top < b.box.top;
    return a.firstX < b.firstX;
}

SpotList LabelSpotRuns(const std::vector<SpotRun>& runs)
{
    SpotList list;
    if (runs.empty())
        return list;
    RunSets sets(runs.size());
    JoinNeighbours(runs, sets);

    // Spot numbers in order of each spot's first run, sums per spot.
    std::vector<uint32_t> spotOf(runs.size());
    std::vector<SpotSums> sums;
    std::vector<size_t> firstRunOf;
    for (size_t i = 0; i < runs.size(); ++i) {
        const uint32_t root = sets.Find(static_cast<uint32_t>(i));
        if (root == i) {
            spotOf[i] = static_cast<uint32_t>(sums.size());
            sums.emplace_back();
            firstRunOf.push_back(i);
        } else {
            spotOf[i] = spotOf[root]; // the root came earlier
        }
        const SpotRun& run = runs[i];
        SpotSums& s = sums[spotOf[i]];
        const int64_t length = run.x1 - run.x0;
        s.box = Union(s.box, { run.x0, run.y, run.x1, run.y + 1 });
        s.pixels += length;
        s.twiceSumX += length * (static_cast<int64_t>(run.x0) + run.x1 - 1);
        s.sumY += length * run.y;
        s.tone += run.toneSum;
        s.peak = std::max(s.peak, run.peak);
        ++s.runCount;
    }

    std::vector<Spot> spots(sums.size());
    for (size_t k = 0; k < sums.size(); ++k) {
        const SpotSums& s = sums[k];
        Spot& spot = spots[k];
        spot.box = s.box;
        spot.pixels = s.pixels;
        spot.centreX = static_cast<double>(s.twiceSumX) / (2.0 * static_cast<double>(s.pixels));
        spot.centreY = static_cast<double>(s.sumY) / static_cast<double>(s.pixels);
        spot.peak = s.peak;
        spot.tone = s.tone < 0 ? SpotTone::Dark : s.tone > 0 ? SpotTone::Bright : SpotTone::Unchanged;
        spot.firstX = runs[firstRunOf[k]].x0;
    }
    std::vector<uint32_t> order(spots.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return SpotComesFirst(spots[a], spots[b]); });

    // Runs grouped by spot in list order: bucket them by spot, keeping
    // reading order within a spot.
    std::vector<size_t> start(spots.size() + 1, 0);
    for (size_t k = 0; k < order.size(); ++k)
        start[k + 1] = start[k] + sums[order[k]].runCount;
    std::vector<size_t> rankOf(spots.size());
    for (size_t k = 0; k < order.size(); ++k)
        rankOf[order[k]] = k;
    list.runs.resize(runs.size());
    std::vector<size_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < runs.size(); ++i)
        list.runs[fill[rankOf[spotOf[i]]]++] = runs[i];

    // Runs of a row split by a boundary between collected areas become one
    // run again, compacting in place.
    list.spots.reserve(spots.size());
    size_t out = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        Spot spot = spots[order[k]];
        spot.firstRun = out;
        for (size_t i = start[k]; i < start[k + 1]; ++i) {
            const SpotRun run = list.runs[i];
            SpotRun* last = out > spot.firstRun ? &list.runs[out - 1] : nullptr;
            if (last && last->y == run.y && last->x1 == run.x0) {
                last->x1 = run.x1;
                last->peak = std::max(last->peak, run.peak);
                last->toneSum += run.toneSum;
            } else {
                list.runs[out++] = run;
            }
        }
        spot.runCount = out - spot.firstRun;
        list.spots.push_back(spot);
    }
    list.runs.resize(out);
    return list;
}

SpotList LabelSpots(const SpotPlanes& planes, bool automation)
{
    if (!automation || !SpotPlanesUsable(planes))
        return {};
    std::vector<SpotRun> runs;
    CollectSpotRuns(planes, { 0, 0, planes.map->width, planes.map->height }, runs);
    return LabelSpotRuns(runs);
}
