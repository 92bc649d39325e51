#include "engine/infrared_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 16;
constexpr float kDarkestUsableLevel = 8.0f;

struct BlockMeans {
    std::vector<float> infrared, red;
    int wide = 0, high = 0;
};

BlockMeans MeasureBlocks(const CImage& infrared, const CImage& working)
{
    BlockMeans blocks;
    const int w = working.width, h = working.height;
    blocks.wide = w / kBlock;
    blocks.high = h / kBlock;
    const uint8_t* red = working.Plane8(0);
    for (int by = 0; by < blocks.high; ++by) {
        for (int bx = 0; bx < blocks.wide; ++bx) {
            double sumIr = 0.0, sumRed = 0.0;
            for (int y = by * kBlock; y < (by + 1) * kBlock; ++y) {
                const size_t row = static_cast<size_t>(y) * w;
                for (int x = bx * kBlock; x < (bx + 1) * kBlock; ++x) {
                    sumIr += InfraredSample(infrared, row + x);
                    sumRed += red[row + x];
                }
            }
            blocks.infrared.push_back(static_cast<float>(sumIr / (kBlock * kBlock)));
            blocks.red.push_back(static_cast<float>(sumRed / (kBlock * kBlock)));
        }
    }
    return blocks;
}

float Median(std::vector<float> values)
{
    if (values.empty())
        return 0.0f;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Differences between neighbouring blocks: a slow lamp fall-off hardly shows
// in them, the picture's edges do.
struct Steps {
    std::vector<float> red, infrared;
};

Steps NeighbourSteps(const BlockMeans& b)
{
    Steps steps;
    for (int by = 0; by < b.high; ++by)
        for (int bx = 0; bx < b.wide; ++bx) {
            const size_t i = static_cast<size_t>(by) * b.wide + bx;
            if (bx + 1 < b.wide) {
                steps.red.push_back(b.red[i + 1] - b.red[i]);
                steps.infrared.push_back(b.infrared[i + 1] - b.infrared[i]);
            }
            if (by + 1 < b.high) {
                steps.red.push_back(b.red[i + b.wide] - b.red[i]);
                steps.infrared.push_back(b.infrared[i + b.wide] - b.infrared[i]);
            }
        }
    return steps;
}

// Least-squares slope through the origin of infrared steps on red steps over
// the kept ones; 0 when red hardly changes (a flat picture has no copy).
float FitSlope(const Steps& s, const std::vector<bool>& keep)
{
    double sxx = 0, sxy = 0, n = 0;
    for (size_t i = 0; i < s.red.size(); ++i) {
        if (!keep[i])
            continue;
        sxx += double(s.red[i]) * s.red[i];
        sxy += double(s.red[i]) * s.infrared[i];
        n += 1;
    }
    if (n < 2 || sxx / n < 1.0) // red steps of about a level or less
        return 0.0f;
    return static_cast<float>(sxy / sxx);
}

} // namespace

InfraredVerdict AnalyseInfrared(const CImage& infrared, const CImage& working, InfraredModel& model)
{
    model = InfraredModel();
    if (infrared.width != working.width || infrared.height != working.height || !infrared.HasPlanes())
        return InfraredWrongSize;
    BlockMeans blocks = MeasureBlocks(infrared, working);
    if (blocks.infrared.empty())
        return InfraredTooDark;
    // Clear film is the bright end of the plane; the 90th percentile of the
    // block means stays there even with a picture copy or a lamp fall-off.
    std::vector<float> sorted = blocks.infrared;
    std::sort(sorted.begin(), sorted.end());
    model.level = sorted[sorted.size() * 9 / 10];
    if (model.level < kDarkestUsableLevel)
        return InfraredTooDark;

    // Fit, drop steps far off the fit (defects, frame edges), fit again.
    const Steps steps = NeighbourSteps(blocks);
    std::vector<bool> keep(steps.red.size(), true);
    float slope = FitSlope(steps, keep);
    for (int round = 0; round < 2; ++round) {
        std::vector<float> residuals(steps.red.size());
        for (size_t i = 0; i < residuals.size(); ++i)
            residuals[i] = std::fabs(steps.infrared[i] - slope * steps.red[i]);
        const float spread = std::max(Median(residuals) * 1.4826f, 0.5f);
        for (size_t i = 0; i < residuals.size(); ++i)
            keep[i] = residuals[i] <= 3.0f * spread;
        slope = FitSlope(steps, keep);
    }
    model.crosstalk = std::max(slope, 0.0f);
    model.pictureShare = model.crosstalk * 255.0f / model.level;
    if (model.pictureShare > kLargestPictureShare)
        return InfraredCarriesPicture;

    // Noise of the compensated plane: the median absolute difference of
    // horizontal neighbours on every fourth row, robust to defects and edges.
    const int w = working.width, h = working.height;
    const uint8_t* red = working.Plane8(0);
    std::vector<float> differences;
    differences.reserve(static_cast<size_t>(w) * (h / 4 + 1));
    for (int y = 0; y < h; y += 4) {
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = 0; x + 1 < w; x += 2) {
            float a = InfraredSample(infrared, row + x) - model.crosstalk * red[row + x];
            float b = InfraredSample(infrared, row + x + 1) - model.crosstalk * red[row + x + 1];
            differences.push_back(std::fabs(a - b));
        }
    }
    // For Gaussian noise the median of |a − b| is 0.954 σ.
    model.noise = std::max(Median(std::move(differences)) / 0.954f, 0.25f);
    return InfraredUsable;
}

const char* InfraredVerdictMessage(InfraredVerdict verdict)
{
    switch (verdict) {
    case InfraredCarriesPicture:
        return kInfraredCarriesPictureMessage;
    case InfraredTooDark:
        return kInfraredTooDarkMessage;
    case InfraredWrongSize:
        return "The infrared plane is not the size of the image; infrared cleaning is off for this image";
    case InfraredUsable:
        break;
    }
    return "";
}
