#include "image/image.h"

#include <algorithm>
#include <cstring>

namespace {

// Where sample (x, y) of a W × H source lands, for each kind.
struct Mapping {
    int kind, W, H, outWidth;
    size_t Target(int x, int y) const
    {
        int tx, ty;
        switch (kind) {
        case 0: tx = y, ty = W - 1 - x; break;
        case 1: tx = H - 1 - y, ty = x; break;
        case 2: tx = W - 1 - x, ty = H - 1 - y; break;
        case 3: tx = x, ty = H - 1 - y; break;
        default: tx = W - 1 - x, ty = y; break;
        }
        return static_cast<size_t>(ty) * outWidth + tx;
    }
};

// The margin strip's side after the turn, indexed by the old side.
int RotatedSide(int kind, int side)
{
    static const int kSides[5][4] = {
        { 3, 0, 1, 2 }, // counter-clockwise: left becomes bottom
        { 1, 2, 3, 0 }, // clockwise: left becomes top
        { 2, 3, 0, 1 },
        { 0, 3, 2, 1 },
        { 2, 1, 0, 3 },
    };
    return side >= 0 && side < 4 ? kSides[kind][side] : side;
}

// Blocks of 64 × 64 keep both the reads and the scattered writes in cache.
template <typename T> void RotatePlane(const T* in, T* out, const Mapping& m)
{
    constexpr int kBlock = 64;
    if (m.kind >= 2) {
        for (int y = 0; y < m.H; ++y) {
            const T* row = in + static_cast<size_t>(y) * m.W;
            T* target = out + m.Target(0, y);
            if (m.kind == 3)
                std::memcpy(target, row, sizeof(T) * m.W);
            else
                std::reverse_copy(row, row + m.W, target - (m.W - 1));
        }
        return;
    }
    for (int by = 0; by < m.H; by += kBlock)
        for (int bx = 0; bx < m.W; bx += kBlock) {
            int yEnd = std::min(by + kBlock, m.H), xEnd = std::min(bx + kBlock, m.W);
            for (int y = by; y < yEnd; ++y) {
                const T* row = in + static_cast<size_t>(y) * m.W;
                for (int x = bx; x < xEnd; ++x)
                    out[m.Target(x, y)] = row[x];
            }
        }
}

} // namespace

CImage* CImage::Rotated(int kind) const
{
    if (kind < 0 || kind > 4 || !HasPlanes())
        return nullptr;
    bool turns = kind <= 1;
    CImage* result = new CImage(turns ? height : width, turns ? width : height, channelCount, sampleType);
    if (!result->HasPlanes()) {
        delete result;
        return nullptr;
    }
    result->floatMax = floatMax;
    result->floatMin = floatMin;
    if (marginWidth != 0) {
        result->marginWidth = marginWidth;
        result->marginSide = RotatedSide(kind, marginSide);
    }
    Mapping m { kind, width, height, result->width };
    for (int c = 0; c < channelCount; ++c) {
        switch (sampleType) {
        case SampleU8:
            RotatePlane(Plane8(c), result->Plane8(c), m);
            break;
        case SampleU16:
            RotatePlane(Plane16(c), result->Plane16(c), m);
            break;
        default:
            RotatePlane(PlaneFloat(c), result->PlaneFloat(c), m);
            break;
        }
    }
    return result;
}
