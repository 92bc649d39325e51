#include "workflow/clean_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>

#include "imagefiles/image_file_types.h"
#include "imagefiles/row_chunks.h"
#include "metadata/jpeg_metadata.h"
#include "workflow/dust_parameter_rules.h"
#include "workflow/image_to_save.h"
#include "workflow/whole_image_clean.h"

namespace {

// The camera model and the APP1 segment of a JPEG source; nothing for others.
void ReadJpegExtras(const std::string& path, bool& fromCamera, App1Segment& app1)
{
    int width = 0, height = 0, channels = 0;
    if (ReadImageFileInfo(path.c_str(), &width, &height, &channels) != ImageFileType::Jpeg)
        return;
    fromCamera = !ReadJpegMetadata(path.c_str()).cameraModel.empty();
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        if (!CaptureApp1Segment(file, app1))
            app1 = App1Segment();
        std::fclose(file);
    }
}

} // namespace

DustParams DustParamsForImage(int resolutionDpi, bool fromCamera, int largestBrushRadius, const DustOverrides& o)
{
    DustParams params = FreshStartDustParams();
    HoldDustRadiusWithin(largestBrushRadius, params);
    ResolutionMemory memory;
    ApplyResolutionRules(o.resolutionDpi ? o.resolutionDpi : resolutionDpi, fromCamera, params, memory);
    if (o.dustType)
        params.dustType = static_cast<uint8_t>(*o.dustType);
    if (o.dustRadius)
        params.dustRadius = static_cast<uint8_t>(*o.dustRadius);
    if (o.dustThreshold)
        params.dustThreshold = static_cast<uint8_t>(*o.dustThreshold);
    if (o.aggression)
        params.aggression = static_cast<uint8_t>(*o.aggression);
    if (o.noAuto)
        params.automation = 0;
    return params;
}

CleanFileReport CleanImageFile(const CleanFileJob& job)
{
    CleanFileReport report;
    WorkingImage source;
    InfraredPlaneSource infrared;
    // The threads the clean will share also share the reading of plain rows.
    const ReadThreadsScope readers(job.threads);
    LoadOutcome outcome = job.infrared == InfraredOff ? LoadWorkingImage(job.input.c_str(), source)
                                                      : LoadWorkingImageWithInfrared(job.input.c_str(), source, infrared);
    if (outcome == LoadUnreadable || outcome == LoadNoMemory) {
        report.status = outcome == LoadNoMemory ? CleanFileNoMemoryToOpen : CleanFileUnreadable;
        return report;
    }
    report.kind = source.kind;
    if (outcome == LoadTooSmall) {
        report.status = CleanFileTooSmall;
        return report;
    }

    App1Segment app1;
    ReadJpegExtras(job.input, report.fromCamera, app1);
    const CImage& working = *source.working;
    report.params = DustParamsForImage(source.resolutionDpi, report.fromCamera,
        LargestBrushRadius(working.width, working.height), job.overrides);
    if (job.infrared != InfraredOff) {
        ResolveInfraredPlane(job.input, job.infraredPath, working, infrared);
        report.infraredMessage = infrared.message;
        if (!infrared.plane && job.infrared == InfraredOn && report.infraredMessage.empty())
            report.infraredMessage = "No infrared plane found; the image is cleaned by visible light";
        if (infrared.Usable() && report.params.automation != 0) {
            report.params.infrared = static_cast<uint8_t>(
                std::clamp(job.infraredSensitivity, kInfraredSensitivityMin, kInfraredSensitivityMax));
            report.infraredUsed = true;
        } else {
            infrared.plane.reset(); // not needed: free it before the clean
        }
    }
    const InfraredInput infraredInput = infrared.Input();

    SaveRequest save;
    save.targetPath = job.output;
    save.sourcePath = job.input;
    save.jpegQuality = job.jpegQuality.value_or(200);
    // Choosing a quality resets the subsampling choice to its first entry (2 × 2).
    save.jpegSubsampling = job.jpegQuality ? 2 : DefaultJpegSubsampling(job.input, source.jpegSubsampling);
    save.app1 = app1.length >= 3 ? app1.bytes.data() : nullptr;
    save.app1Length = app1.length;

    CleanFileStatus saved = CleanFileOk;
    int result = CleanWholeImage(working, report.params, job.threads, job.progress, job.cancel,
        [&](const CImage& corrected, const CImage& detectionMap) {
            // The spots and the map only read what the image's save reads:
            // with threads to spare they are done meanwhile on another one.
            // The map is then written even when the image fails; the caller
            // discards it with the output, as it does any file of a failure.
            int mapResult = FileOk, mapError = 0;
            auto label = [&] {
                report.spots = LabelSpots({ &detectionMap, nullptr, &working, &corrected }, report.params.automation != 0);
            };
            auto saveMap = [&] {
                if (job.mapPath.empty())
                    return;
                mapResult = SavePng(detectionMap, job.mapPath.c_str(), 8);
                mapError = errno;
            };
            std::thread alongside;
            if (job.threads > 1) {
                try {
                    alongside = std::thread([&] {
                        label();
                        saveMap();
                    });
                } catch (const std::system_error&) {
                    // No thread: everything in turn.
                }
            }
            const bool together = alongside.joinable();
            if (!together)
                label();
            const int imageResult = SaveCorrectedImage(corrected, source, save);
            const int imageError = errno;
            if (together)
                alongside.join();
            else if (imageResult == FileOk)
                saveMap();
            // The caller words its message from errno: the failed writer's.
            if (imageResult != FileOk) {
                report.writerResult = imageResult;
                saved = CleanFileSaveFailed;
                errno = imageError;
            } else if (mapResult != FileOk) {
                report.writerResult = mapResult;
                saved = CleanFileMapSaveFailed;
                errno = mapError;
            }
            return 0;
        },
        report.infraredUsed ? &infraredInput : nullptr);
    if (result == WholeImageCancelled)
        report.status = CleanFileCancelled;
    else if (result != WholeImageDone)
        report.status = CleanFileNoMemory;
    else
        report.status = saved;
    return report;
}
