#include "engine/infrared_detection.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/dust_detection.h"

namespace {

// Separable running extreme over `radius` cells along rows then columns of a
// w × h block, clipped at the block's edges. The blocks are a few thousand
// cells, so the direct loop costs less than keeping a monotone queue.
template <typename Pick>
void CellFilter(const float* in, float* pass, float* out, int w, int h, int radius, Pick pick)
{
    for (int y = 0; y < h; ++y) {
        const float* row = in + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            float v = row[x];
            for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k)
                v = pick(v, row[k]);
            pass[static_cast<size_t>(y) * w + x] = v;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float v = pass[static_cast<size_t>(y) * w + x];
            for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k)
                v = pick(v, pass[static_cast<size_t>(k) * w + x]);
            out[static_cast<size_t>(y) * w + x] = v;
        }
    }
}

// Largest byte within `radius` along rows then columns, clipped at the edges.
void ByteMax(const uint8_t* in, uint8_t* pass, uint8_t* out, int w, int h, int radius)
{
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = in + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            uint8_t v = 0;
            for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k)
                v = std::max(v, row[k]);
            pass[static_cast<size_t>(y) * w + x] = v;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t v = 0;
            for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k)
                v = std::max(v, pass[static_cast<size_t>(k) * w + x]);
            out[static_cast<size_t>(y) * w + x] = v;
        }
    }
}

struct Direction {
    int dx, dy;
    float length;
};
constexpr Direction kDirections[8] = { { 1, 0, 1.0f }, { -1, 0, 1.0f }, { 0, 1, 1.0f }, { 0, -1, 1.0f },
    { 1, 1, 1.41421356f }, { -1, -1, 1.41421356f }, { 1, -1, 1.41421356f }, { -1, 1, 1.41421356f } };

} // namespace

float InfraredDropThreshold(int sensitivity)
{
    sensitivity = std::clamp(sensitivity, kInfraredSensitivityMin, kInfraredSensitivityMax);
    return 0.02f * static_cast<float>(11 - sensitivity); // 20 % at 1, 12 % at 5, 2 % at 10
}

int DetectInfrared(const CImage& source, const InfraredInput& infrared, int sensitivity, const Rect& tileIn,
    CImage& map, CImage& fill, const std::atomic<uint8_t>& abort, InfraredScratch& s)
{
    const int width = source.width, height = source.height;
    const Rect image { 0, 0, width, height };
    const Rect tile = Intersect(tileIn, image);
    if (tile.IsEmpty())
        return DetectDone;
    const Rect work = Intersect({ tile.left - kInfraredMargin, tile.top - kInfraredMargin,
                                    tile.right + kInfraredMargin, tile.bottom + kInfraredMargin },
        image);
    const int ww = work.right - work.left, wh = work.bottom - work.top;
    const CImage& ir = *infrared.plane;
    const float crosstalk = infrared.model.crosstalk;
    const uint8_t* red = source.Plane8(0);

    // Cells on a grid fixed to the image, so every tile sees the same cells.
    const int cellsWide = (width + kInfraredCell - 1) / kInfraredCell;
    const int cellsHigh = (height + kInfraredCell - 1) / kInfraredCell;
    const int cellReach = 2 * kInfraredClosingCells + 2;
    const int cl = std::max(0, work.left / kInfraredCell - cellReach);
    const int ct = std::max(0, work.top / kInfraredCell - cellReach);
    const int cr = std::min(cellsWide, (work.right - 1) / kInfraredCell + 1 + cellReach);
    const int cb = std::min(cellsHigh, (work.bottom - 1) / kInfraredCell + 1 + cellReach);
    const int cw = cr - cl, ch = cb - ct;

    // The compensated plane covers the pixels of every cell used, which
    // include the work area; the cell means are taken from it.
    const Rect cellPixels { cl * kInfraredCell, ct * kInfraredCell, std::min(cr * kInfraredCell, width),
        std::min(cb * kInfraredCell, height) };
    const int pw = cellPixels.right - cellPixels.left, ph = cellPixels.bottom - cellPixels.top;
    const size_t workPixels = static_cast<size_t>(ww) * wh;
    const size_t cellCount = static_cast<size_t>(cw) * ch;
    try {
        s.compensated.resize(std::max(s.compensated.size(), static_cast<size_t>(pw) * ph));
        s.strength.resize(std::max(s.strength.size(), workPixels));
        s.grownPass.resize(std::max(s.grownPass.size(), workPixels));
        s.grown.resize(std::max(s.grown.size(), workPixels * 2));
        s.cells.resize(std::max(s.cells.size(), cellCount));
        s.cellsPass.resize(std::max(s.cellsPass.size(), cellCount));
        s.closed.resize(std::max(s.closed.size(), cellCount));
    } catch (const std::bad_alloc&) {
        return DetectNoMemory;
    }

    // The plane with the picture's copy taken out: what the red plane explains.
    auto compensate = [&](auto samples, float scale) {
        for (int y = cellPixels.top; y < cellPixels.bottom; ++y) {
            const size_t row = static_cast<size_t>(y) * width;
            float* out = s.compensated.data() + static_cast<size_t>(y - cellPixels.top) * pw;
            for (int x = cellPixels.left; x < cellPixels.right; ++x)
                out[x - cellPixels.left] = samples[row + x] * scale - crosstalk * red[row + x];
        }
    };
    if (ir.sampleType == SampleU16)
        compensate(ir.Plane16(0), 1.0f / 257.0f);
    else
        compensate(ir.Plane8(0), 1.0f);
    for (int cy = ct; cy < cb; ++cy) {
        for (int cx = cl; cx < cr; ++cx) {
            const int x0 = cx * kInfraredCell, y0 = cy * kInfraredCell;
            const int x1 = std::min(x0 + kInfraredCell, width), y1 = std::min(y0 + kInfraredCell, height);
            float sum = 0.0f;
            for (int y = y0; y < y1; ++y) {
                const float* row = s.compensated.data() + static_cast<size_t>(y - cellPixels.top) * pw;
                for (int x = x0; x < x1; ++x)
                    sum += row[x - cellPixels.left];
            }
            s.cells[static_cast<size_t>(cy - ct) * cw + (cx - cl)] = sum / static_cast<float>((x1 - x0) * (y1 - y0));
        }
    }
    if (abort.load(std::memory_order_relaxed))
        return DetectAborted;

    // Closing: dark marks narrower than the square vanish, large dark areas stay.
    auto larger = [](float a, float b) { return std::max(a, b); };
    auto smaller = [](float a, float b) { return std::min(a, b); };
    CellFilter(s.cells.data(), s.cellsPass.data(), s.closed.data(), cw, ch, kInfraredClosingCells, larger);
    CellFilter(s.closed.data(), s.cellsPass.data(), s.cells.data(), cw, ch, kInfraredClosingCells, smaller);
    const float* background = s.cells.data();

    // Relative drop below the background. The background of a pixel is the
    // lowest of its four nearest cells: beside a frame edge the dark side's
    // own cells win, so the edge is not taken for a defect.
    const float t0Base = InfraredDropThreshold(sensitivity);
    const float noise = infrared.model.noise;
    for (int y = work.top; y < work.bottom; ++y) {
        const int cy0 = std::clamp((y - kInfraredCell / 2) / kInfraredCell, 0, cellsHigh - 1);
        const int cy1 = std::min(cy0 + 1, cellsHigh - 1);
        const float* comp
            = s.compensated.data() + static_cast<size_t>(y - cellPixels.top) * pw + (work.left - cellPixels.left);
        uint8_t* out = s.strength.data() + static_cast<size_t>(y - work.top) * ww;
        for (int x = work.left; x < work.right; ++x) {
            const int cx0 = std::clamp((x - kInfraredCell / 2) / kInfraredCell, 0, cellsWide - 1);
            const int cx1 = std::min(cx0 + 1, cellsWide - 1);
            auto cell = [&](int cx, int cy) { return background[static_cast<size_t>(cy - ct) * cw + (cx - cl)]; };
            const float bg = std::max(std::min(std::min(cell(cx0, cy0), cell(cx1, cy0)),
                                          std::min(cell(cx0, cy1), cell(cx1, cy1))),
                1.0f);
            const float t0 = std::max(t0Base, 4.0f * noise / bg);
            const float drop = (bg - comp[x - work.left]) / bg;
            const float strength = std::clamp((drop - t0) / t0, 0.0f, 1.0f);
            out[x - work.left] = static_cast<uint8_t>(std::lround(strength * 255.0f));
        }
    }
    if (abort.load(std::memory_order_relaxed))
        return DetectAborted;

    // Grown by a pixel at full strength and a second at half, to cover the
    // halo a mark leaves in the visible planes.
    uint8_t* near1 = s.grown.data();
    uint8_t* near2 = s.grown.data() + workPixels;
    ByteMax(s.strength.data(), s.grownPass.data(), near1, ww, wh, 1);
    ByteMax(near1, s.grownPass.data(), near2, ww, wh, 1); // twice radius 1 is radius 2
    uint8_t* grown = s.grownPass.data();
    for (size_t i = 0; i < workPixels; ++i)
        grown[i] = std::max<uint8_t>(near1[i], static_cast<uint8_t>(near2[i] / 2));
    if (abort.load(std::memory_order_relaxed))
        return DetectAborted;

    auto clean = [&](int x, int y) {
        return x >= work.left && x < work.right && y >= work.top && y < work.bottom
            && grown[static_cast<size_t>(y - work.top) * ww + (x - work.left)] == 0;
    };
    for (int y = tile.top; y < tile.bottom; ++y) {
        for (int x = tile.left; x < tile.right; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const uint8_t g = grown[static_cast<size_t>(y - work.top) * ww + (x - work.left)];
            map.Plane8(0)[i] = g;
            if (g == 0)
                continue;
            // From the nearest clean pixel in each of eight directions,
            // weighted by the inverse square of the distance: across a hair
            // the near sides dominate, so edges crossing it carry on.
            float sum[3] = {}, weights = 0.0f;
            int nearest = -1, nearestSteps = 0;
            float nearestDistance = 1e9f;
            for (int d = 0; d < 8; ++d) {
                const Direction& dir = kDirections[d];
                for (int k = 1; k <= kInfraredFillReach; ++k) {
                    const int qx = x + k * dir.dx, qy = y + k * dir.dy;
                    if (qx < work.left || qx >= work.right || qy < work.top || qy >= work.bottom)
                        break;
                    if (!clean(qx, qy))
                        continue;
                    const float distance = k * dir.length;
                    const float weight = 1.0f / (distance * distance);
                    const size_t q = static_cast<size_t>(qy) * width + qx;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += weight * source.Plane8(c)[q];
                    weights += weight;
                    if (distance < nearestDistance) {
                        nearestDistance = distance;
                        nearest = d;
                        nearestSteps = k;
                    }
                    break;
                }
            }
            if (weights == 0.0f) {
                for (int c = 0; c < 3; ++c)
                    fill.Plane8(c)[i] = source.Plane8(c)[i];
                continue;
            }
            // Grain: the fine detail of the pixel mirrored across the nearest
            // edge of the defect, so the fill is not smoother than the film.
            float grain[3] = {};
            if (nearest >= 0 && nearestSteps <= kInfraredFillReach / 2) {
                const Direction& u = kDirections[nearest];
                const int mx = x + 2 * nearestSteps * u.dx, my = y + 2 * nearestSteps * u.dy;
                const int vx = -u.dy, vy = u.dx;
                if (clean(mx, my) && clean(mx + u.dx, my + u.dy) && clean(mx - u.dx, my - u.dy)
                    && clean(mx + vx, my + vy) && clean(mx - vx, my - vy)) {
                    auto at = [&](int c, int px, int py) {
                        return static_cast<float>(source.Plane8(c)[static_cast<size_t>(py) * width + px]);
                    };
                    for (int c = 0; c < 3; ++c)
                        grain[c] = at(c, mx, my)
                            - 0.25f
                                * (at(c, mx + u.dx, my + u.dy) + at(c, mx - u.dx, my - u.dy) + at(c, mx + vx, my + vy)
                                    + at(c, mx - vx, my - vy));
                }
            }
            // The five-point difference amplifies white noise by √1.25 and
            // carries some texture too: 0.8 of it matches the film's grain.
            for (int c = 0; c < 3; ++c) {
                const float v = sum[c] / weights + 0.8f * grain[c];
                fill.Plane8(c)[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    }
    return DetectDone;
}
