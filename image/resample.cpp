#include "image/image.h"

#include <algorithm>
#include <memory>

#include "image/sample_conversion.h"

namespace {

// Catmull-Rom as a 4 × 4 matrix; the value is Σ fx^(3−i) fy^(3−j) (M S Mᵀ)[i][j].
constexpr float kM[4][4] = {
    { -0.5f, 1.5f, -1.5f, 0.5f },
    { 1.0f, -2.5f, 2.0f, -0.5f },
    { -0.5f, 0.0f, 0.5f, 0.0f },
    { 0.0f, 1.0f, 0.0f, 0.0f },
};

struct Grid {
    int width, height;
    float invX, invY;
};

template <typename T> float Sample(const T* plane, int width, int x, int y)
{
    return static_cast<float>(plane[static_cast<size_t>(y) * width + x]);
}

template <typename T> T Store(float v);
template <> uint8_t Store<uint8_t>(float v) { return static_cast<uint8_t>(ClampTo8(v)); }
template <> uint16_t Store<uint16_t>(float v) { return static_cast<uint16_t>(ClampTo16(v)); }
template <> float Store<float>(float v) { return v; }

// Bilinear and the integer types add 0.5 before clamping; bicubic does not.
template <typename T> float BilinearBias() { return 0.5f; }
template <> float BilinearBias<float>() { return 0.0f; }

template <typename T>
float Bicubic(const T* plane, int width, int height, int x0, int y0, float fx, float fy)
{
    float S[4][4];
    for (int i = 0; i < 4; ++i) {
        int x = std::clamp(x0 - 1 + i, 0, width - 1);
        for (int j = 0; j < 4; ++j)
            S[i][j] = Sample(plane, width, x, std::clamp(y0 - 1 + j, 0, height - 1));
    }
    float MS[4][4], Q[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += kM[i][k] * S[k][j];
            MS[i][j] = sum;
        }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += MS[i][k] * kM[j][k];
            Q[i][j] = sum;
        }
    const float px[4] = { fx * fx * fx, fx * fx, fx, 1.0f };
    const float py[4] = { fy * fy * fy, fy * fy, fy, 1.0f };
    float value = 0.0f;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            value += px[i] * py[j] * Q[i][j];
    return value;
}

template <typename T> void ResamplePlane(const T* in, int width, int height, T* out, const Grid& g, int method)
{
    for (int yo = 0; yo < g.height; ++yo) {
        float v = yo * g.invY;
        int y0 = std::min(static_cast<int>(v), height - 1);
        float fy = v - y0;
        T* row = out + static_cast<size_t>(yo) * g.width;
        for (int xo = 0; xo < g.width; ++xo) {
            float u = xo * g.invX;
            int x0 = std::min(static_cast<int>(u), width - 1);
            float fx = u - x0;
            if (method == 0) {
                row[xo] = in[static_cast<size_t>(y0) * width + x0];
            } else if (method == 1) {
                float s00 = Sample(in, width, x0, y0), s10 = s00, s01 = s00, s11 = s00;
                if (x0 + 1 < width && y0 + 1 < height) {
                    s10 = Sample(in, width, x0 + 1, y0);
                    s01 = Sample(in, width, x0, y0 + 1);
                    s11 = Sample(in, width, x0 + 1, y0 + 1);
                }
                float top = s00 + (s10 - s00) * fx;
                float bottom = s01 + fx * (s11 - s01);
                row[xo] = Store<T>(top + (bottom - top) * fy + BilinearBias<T>());
            } else {
                row[xo] = Store<T>(Bicubic(in, width, height, x0, y0, fx, fy));
            }
        }
    }
}

} // namespace

CImage* CImage::Resampled(float scaleX, float scaleY, int method) const
{
    if (scaleX < 0.0f || scaleY < 0.0f || !HasPlanes())
        return nullptr;
    float w = RoundHalfAway(scaleX * width), h = RoundHalfAway(scaleY * height);
    if (!(w >= 1.0f) || !(h >= 1.0f) || w > 2147483647.0f || h > 2147483647.0f)
        return nullptr;
    auto result = std::make_unique<CImage>(static_cast<int>(w), static_cast<int>(h), channelCount, sampleType);
    if (!result->HasPlanes())
        return nullptr;
    result->floatMax = floatMax;
    result->floatMin = floatMin;
    if (method < 0 || method > 2)
        return result.release(); // an unknown method leaves the planes unwritten
    Grid g { result->width, result->height, 1.0f / scaleX, 1.0f / scaleY };
    for (int c = 0; c < channelCount; ++c) {
        switch (sampleType) {
        case SampleU8:
            ResamplePlane(Plane8(c), width, height, result->Plane8(c), g, method);
            break;
        case SampleU16:
            ResamplePlane(Plane16(c), width, height, result->Plane16(c), g, method);
            break;
        default:
            ResamplePlane(PlaneFloat(c), width, height, result->PlaneFloat(c), g, method);
            break;
        }
    }
    return result.release();
}
