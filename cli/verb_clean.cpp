#include <iostream>
#include <unistd.h>

#include "cli/clean_options.h"
#include "cli/job_pool.h"
#include "cli/output_files.h"
#include "cli/output_plan.h"
#include "cli/progress_display.h"
#include "cli/save_messages.h"
#include "cli/verbs.h"
#include "workflow/clean_file.h"

namespace {

DustOverrides OverridesFrom(const CleanOptions& o)
{
    DustOverrides overrides;
    overrides.dustType = o.dustType;
    overrides.dustRadius = o.dustRadius;
    overrides.dustThreshold = o.dustThreshold;
    overrides.aggression = o.aggression;
    overrides.noAuto = o.noAuto;
    overrides.resolutionDpi = o.dpi;
    return overrides;
}

std::string Describe(const DustParams& p, const std::string& infraredMessage)
{
    static const char* const types[] = { "dark", "bright", "both" };
    if (!p.automation)
        return "automatic correction off";
    if (p.infrared)
        return "infrared, sensitivity " + std::to_string(p.infrared);
    if (!infraredMessage.empty())
        return infraredMessage + "; dust type " + (p.dustType < 3 ? types[p.dustType] : "?") + ", size "
            + std::to_string(p.dustRadius) + ", amount " + std::to_string(p.dustThreshold) + ", aggression "
            + std::to_string(p.aggression);
    return std::string("dust type ") + (p.dustType < 3 ? types[p.dustType] : "?") + ", size "
        + std::to_string(p.dustRadius) + ", amount " + std::to_string(p.dustThreshold) + ", aggression "
        + std::to_string(p.aggression);
}

std::string FailureText(const PlannedFile& file, const CleanFileReport& report)
{
    switch (report.status) {
    case CleanFileUnreadable:
        return file.input + ": " + kUnreadableImageMessage;
    case CleanFileTooSmall:
        return file.input + ": " + kTooSmallImageMessage;
    case CleanFileNoMemory:
        return file.input + ": not enough memory to clean it";
    case CleanFileSaveFailed:
        return file.input + ": " + SaveFailedMessage(file.output);
    case CleanFileMapSaveFailed:
        return file.input + ": " + SaveFailedMessage(file.mapPath);
    case CleanFileCancelled:
        return file.input + ": cancelled";
    case CleanFileOk:
        break;
    }
    return "";
}

// Cleans one planned file through temporary files and moves the results into
// place. Returns the failure text, empty on success.
std::string CleanPlannedFile(const PlannedFile& file, const CleanOptions& options, ProgressDisplay& display,
    int slot, DustParams& used, std::string& infraredMessage)
{
    if (!file.problem.empty())
        return file.input + ": not cleaned: " + file.problem;
    CleanFileJob job;
    job.input = file.input;
    job.overrides = OverridesFrom(options);
    job.jpegQuality = options.jpegQuality;
    job.infrared = static_cast<InfraredChoice>(options.infrared);
    job.infraredPath = options.infraredPath;
    job.infraredSensitivity = options.infraredSensitivity.value_or(kInfraredSensitivityDefault);
    job.progress = [&display, slot](float fraction) { display.FileProgress(slot, fraction); };
    if (!CreateTemporaryBeside(file.output, job.output))
        return file.input + ": " + SaveFailedMessage(file.output);
    if (!file.mapPath.empty() && !CreateTemporaryBeside(file.mapPath, job.mapPath)) {
        DiscardTemporary(job.output);
        return file.input + ": " + SaveFailedMessage(file.mapPath);
    }
    CleanFileReport report = CleanImageFile(job);
    used = report.params;
    infraredMessage = report.infraredMessage;
    std::string failure = FailureText(file, report);
    std::string error;
    if (failure.empty()) {
        if (!CommitTemporary(job.output, file.output, options.overwrite, error))
            failure = file.input + ": not cleaned: " + file.output + ": " + error;
    } else {
        DiscardTemporary(job.output);
    }
    if (job.mapPath.empty())
        return failure;
    if (failure.empty()) {
        if (!CommitTemporary(job.mapPath, file.mapPath, options.overwrite, error))
            failure = file.input + ": " + file.mapPath + ": " + error;
    } else {
        DiscardTemporary(job.mapPath);
    }
    return failure;
}

} // namespace

int RunClean(const std::vector<std::string>& args)
{
    CleanOptions options;
    bool help = false;
    std::string error;
    if (!ParseCleanArguments(args, options, help, error)) {
        std::cerr << "speckwash-cli clean: " << error << " (see speckwash-cli clean --help)\n";
        return ExitUsage;
    }
    if (help) {
        std::cout << kCleanHelp;
        return ExitOk;
    }
    std::vector<std::string> inputs = options.inputs;
    if (!options.fromList.empty() && !ReadInputList(options.fromList, inputs, error)) {
        std::cerr << "speckwash-cli clean: " << error << "\n";
        return ExitUsage;
    }
    if (inputs.empty())
        return ExitOk; // an empty list is an empty batch, not a mistake
    if (!options.outDir.empty() && !FileExists(options.outDir)) {
        std::cerr << "speckwash-cli clean: " << options.outDir << ": no such folder\n";
        return ExitUsage;
    }

    std::vector<PlannedFile> plan = PlanOutputs(options, inputs);
    int jobs = options.jobs > 0 ? options.jobs : DefaultJobCount();
    InstallInterruptCleanup();
    ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0, options.quiet, plan.size(),
        static_cast<int>(std::min<size_t>(static_cast<size_t>(jobs), plan.size())));
    std::atomic<int> failures { 0 };
    RunJobs(plan.size(), jobs, [&](size_t index, int slot) {
        const PlannedFile& file = plan[index];
        display.FileStarted(slot, file.input);
        DustParams used;
        std::string infraredMessage;
        std::string failure = CleanPlannedFile(file, options, display, slot, used, infraredMessage);
        if (failure.empty()) {
            display.FileSucceeded(
                slot, "cleaned " + file.input + " -> " + file.output + " (" + Describe(used, infraredMessage) + ")");
        } else {
            failures.fetch_add(1);
            display.FileFailed(slot, failure);
        }
    });
    display.Finish();
    if (failures.load() && plan.size() > 1)
        std::cerr << failures.load() << " of " << plan.size() << " files failed\n";
    return failures.load() ? ExitFileFailed : ExitOk;
}
