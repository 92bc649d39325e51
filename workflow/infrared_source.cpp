#include "workflow/infrared_source.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "imagefiles/image_file_types.h"
#include "imagefiles/library_formats.h"

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A copy of one plane of `image` as a one-channel image of its depth.
std::unique_ptr<CImage> CopyPlane(const CImage& image, int channel)
{
    auto plane = std::make_unique<CImage>(image.width, image.height, 1, image.sampleType);
    if (!plane->HasPlanes())
        return nullptr;
    std::memcpy(plane->GetPlane(0), image.GetPlane(channel), image.PixelCount() * CImage::BytesPerSample(image.sampleType));
    return plane;
}

} // namespace

std::string FindInfraredSidecar(const std::string& imagePath)
{
    namespace fs = std::filesystem;
    const fs::path image(imagePath);
    const std::string stem = Lower(image.stem().string());
    const fs::path folder = image.has_parent_path() ? image.parent_path() : fs::path(".");
    std::error_code error;
    std::vector<std::string> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& candidate = it->path();
        const std::string name = Lower(candidate.stem().string());
        if (name != stem + "_ir" && name != stem + "-ir")
            continue;
        if (!it->is_regular_file(error))
            continue;
        if (DetectImageFileType(candidate.string().c_str()) == ImageFileType::Unknown)
            continue;
        found.push_back(candidate.string());
    }
    if (found.empty())
        return {};
    std::sort(found.begin(), found.end());
    return found.front();
}

bool HasInfraredPlane(const std::string& imagePath)
{
    return TiffFourthPlaneIsInfrared(imagePath.c_str()) || !FindInfraredSidecar(imagePath).empty();
}

LoadOutcome LoadWorkingImageWithInfrared(const char* path, WorkingImage& out, InfraredPlaneSource& infrared)
{
    if (!path || std::strlen(path) < 3)
        return LoadUnreadable;
    if (!TiffFourthPlaneIsInfrared(path)) {
        // No plane to keep aside: the ordinary open, which splits a 16-bit
        // image while reading it instead of holding a 16-bit copy.
        LoadOutcome outcome = LoadWorkingImage(path, out);
        if (outcome == LoadAccepted || outcome == LoadTooSmall)
            infrared = InfraredPlaneSource();
        return outcome;
    }
    auto loaded = std::make_unique<CImage>(path, 0);
    if (loaded->channelCount == 0)
        return LoadUnreadable;
    std::unique_ptr<CImage> fourth;
    if (loaded->channelCount == 4 && loaded->HasPlanes() && TiffFourthPlaneIsInfrared(path)) {
        fourth = CopyPlane(*loaded, 3);
        if (!fourth)
            return LoadNoMemory;
    }
    LoadOutcome outcome = MakeWorkingImage(std::move(loaded), out);
    if (outcome == LoadAccepted || outcome == LoadTooSmall) {
        infrared = InfraredPlaneSource();
        infrared.plane = std::move(fourth);
    }
    return outcome;
}

void ResolveInfraredPlane(const std::string& imagePath, const std::string& sidecarPath, const CImage& working,
    InfraredPlaneSource& infrared)
{
    if (!infrared.plane) {
        std::string path = sidecarPath.empty() ? FindInfraredSidecar(imagePath) : sidecarPath;
        if (path.empty())
            return;
        infrared.sidecarPath = path;
        CImage sidecar(path.c_str(), 0);
        if (sidecar.channelCount == 0 || !sidecar.HasPlanes()
            || (sidecar.sampleType != SampleU8 && sidecar.sampleType != SampleU16)) {
            infrared.verdict = InfraredWrongSize;
            infrared.message = "Unable to read the infrared file " + path + "; the image is cleaned without it";
            return;
        }
        if (sidecar.width != working.width || sidecar.height != working.height) {
            infrared.verdict = InfraredWrongSize;
            infrared.message = "The infrared file " + path + " is " + std::to_string(sidecar.width) + " x "
                + std::to_string(sidecar.height) + " pixels, the image " + std::to_string(working.width) + " x "
                + std::to_string(working.height) + "; the image is cleaned without it";
            return;
        }
        // A grey file; of a colour one the first plane stands for it.
        infrared.plane = CopyPlane(sidecar, 0);
        if (!infrared.plane)
            return;
    }
    infrared.verdict = AnalyseInfrared(*infrared.plane, working, infrared.model);
    if (infrared.verdict != InfraredUsable)
        infrared.message = InfraredVerdictMessage(infrared.verdict);
}
