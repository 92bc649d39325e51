#include "reference_dust.h"

#include <algorithm>
#include <cmath>

namespace reference {
namespace {
int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

uint8_t Rank(std::vector<uint8_t> window, size_t rank)
{
    std::sort(window.begin(), window.end());
    return window[rank];
}

Plane Rank2D(const Plane& in, int w, int h, int r, bool takeMax)
{
    Plane rows(in.size()), out(in.size());
    std::vector<uint8_t> window(2 * r + 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            for (int k = -r; k <= r; ++k)
                window[k + r] = in[y * w + Clamp(x + k, 0, w - 1)];
            rows[y * w + x] = Rank(window, takeMax ? 2 * r : 0);
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            for (int k = -r; k <= r; ++k)
                window[k + r] = rows[Clamp(y + k, 0, h - 1) * w + x];
            out[y * w + x] = Rank(window, takeMax ? 2 * r : 0);
        }
    return out;
}
} // namespace

void Median(const Plane& in, int width, int height, const Rect& rect, int r, Plane& out)
{
    // First pass over the rows R.top − r .. R.bottom + r − 1 inside the image.
    const int top = rect.top - r, bottom = rect.bottom + r;
    const int rw = rect.Width();
    std::vector<Plane> rows(bottom - top, Plane(rw));
    std::vector<bool> computed(bottom - top, false);
    std::vector<uint8_t> window(2 * r + 1);
    for (int y = top; y < bottom; ++y) {
        if (y < 0 || y >= height)
            continue;
        for (int x = rect.left; x < rect.right; ++x) {
            for (int k = -r; k <= r; ++k)
                window[k + r] = in[y * width + Clamp(x + k, 0, width - 1)];
            rows[y - top][x - rect.left] = Rank(window, r);
        }
        computed[y - top] = true;
    }
    // Rows above or below the image copy the nearest computed row.
    int firstComputed = -1, lastComputed = -1;
    for (int i = 0; i < bottom - top; ++i)
        if (computed[i]) {
            if (firstComputed < 0)
                firstComputed = i;
            lastComputed = i;
        }
    for (int i = 0; i < bottom - top; ++i) {
        if (i < firstComputed)
            rows[i] = rows[firstComputed];
        if (i > lastComputed)
            rows[i] = rows[lastComputed];
    }
    for (int x = rect.left; x < rect.right; ++x)
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int k = -r; k <= r; ++k)
                window[k + r] = rows[y + k - top][x - rect.left];
            out[y * width + x] = Rank(window, r);
        }
}

Plane MinFilter(const Plane& in, int width, int height, int r) { return Rank2D(in, width, height, r, false); }
Plane MaxFilter(const Plane& in, int width, int height, int r) { return Rank2D(in, width, height, r, true); }

void Detect(const Plane source[3], const Plane median[3], int width, int height, const Rect& tile,
    const DustParams& p, Plane& map)
{
    const int rf = 51 - p.aggression;
    const int margin = 54 - p.aggression;
    const Rect R = Intersect({ tile.left - margin, tile.top - margin, tile.right + margin, tile.bottom + margin },
        { 0, 0, width, height });
    const int w = R.Width(), h = R.Height();
    const double t = p.dustThreshold;
    const int td = static_cast<int>(std::trunc(2.7807 * t - 0.0143 * (t * t) + 191.22 + 0.5));
    const uint8_t tf = static_cast<uint8_t>(15 - static_cast<int>(std::trunc(p.flatness * 15 * 0.01)));
    Plane A(w * h), B(w * h), C(w * h), D(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int i = (y + R.top) * width + x + R.left;
            int d;
            int v;
            if (p.dustType == 0) {
                d = -1000;
                for (int c = 0; c < 3; ++c)
                    d = std::max(d, source[c][i] - median[c][i]);
                v = 128 + d;
            } else if (p.dustType == 1) {
                d = -1000;
                for (int c = 0; c < 3; ++c)
                    d = std::max(d, median[c][i] - source[c][i]);
                v = 128 + d;
            } else {
                d = 0;
                for (int c = 0; c < 3; ++c)
                    d = std::max(d, std::abs(source[c][i] - median[c][i]));
                v = 128 - d;
            }
            v = Clamp(v, 0, 255);
            A[y * w + x] = v <= 127 ? 2 * v : 255;
        }
    B = MinFilter(A, w, h, 1);
    for (auto& b : B)
        b = b <= td ? 255 : 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int i = (y + R.top) * width + x + R.left;
            A[y * w + x] = static_cast<uint8_t>(std::trunc((median[0][i] + median[1][i] + median[2][i]) * 0.3333333333333333));
        }
    C = MaxFilter(A, w, h, rf);
    D = MinFilter(A, w, h, rf + 1);
    for (int i = 0; i < w * h; ++i)
        A[i] = (D[i] >= 77 && C[i] - D[i] <= tf) ? 255 : 0;
    C = MinFilter(A, w, h, rf + 1);
    A = MaxFilter(C, w, h, rf);
    for (int i = 0; i < w * h; ++i)
        C[i] = B[i] & A[i];
    const double k[5] = { 1.0 / 16, 3.0 / 16, 0.5, 3.0 / 16, 1.0 / 16 };
    // Row pass over every row of R (more than needed, but simple), then columns.
    Plane rowPass(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = tile.left - R.left; x < tile.right - R.left; ++x) {
            double s = 0;
            for (int j = -2; j <= 2; ++j)
                s += k[j + 2] * C[y * w + Clamp(x + j, 0, w - 1)];
            rowPass[y * w + x] = static_cast<uint8_t>(s);
        }
    for (int y = tile.top - R.top; y < tile.bottom - R.top; ++y)
        for (int x = tile.left - R.left; x < tile.right - R.left; ++x) {
            double s = 0;
            for (int j = -2; j <= 2; ++j)
                s += k[j + 2] * rowPass[Clamp(y + j, 0, h - 1) * w + x];
            map[(y + R.top) * width + x + R.left] = static_cast<uint8_t>(s);
        }
}

uint8_t PixelMedian(const Plane& plane, int width, int height, int x, int y, int r)
{
    std::vector<uint8_t> samples;
    const long total = static_cast<long>(width) * height;
    for (int row = y - r; row <= y + r; ++row) {
        if (row < 0 || row >= height)
            continue;
        for (int k = 0; k < 2 * r + 1; ++k) {
            long index = static_cast<long>(row) * width + x - r + k;
            if (index >= 0 && index < total)
                samples.push_back(plane[index]);
        }
    }
    return Rank(samples, samples.size() / 2);
}

uint8_t CompositePixel(int s, int m, int d, int b, int p, bool automation)
{
    const double step = static_cast<double>(1.0f / 255.0f);
    if (b == 0 || (b == 1 && !automation))
        return static_cast<uint8_t>(s);
    double weight;
    int target;
    if (b == 1) {
        weight = d * step;
        target = m;
    } else if (automation) {
        weight = static_cast<float>((b - 1) * step);
        target = p;
    } else {
        weight = (b - 1) * step;
        target = m;
    }
    return static_cast<uint8_t>(std::trunc((1 - weight) * s + weight * target));
}

} // namespace reference
