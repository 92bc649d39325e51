// Usage: write_image [--quality Q] [--runs N] IN OUT
// Loads IN once as an open in the desktop program does, then saves it to OUT
// N times (default 3) as a clean or the desktop program's save does
// (SaveCorrectedImage: the 16-bit kinds are rebuilt from the corrected high
// bytes and the low bytes kept at load), the writer chosen by OUT's extension.
// Prints the best CPU seconds (user + system) of one save, so that the read is
// not counted and other load on a shared machine disturbs the figure little.
// JPEG: quality Q (default 92), 2 × 2 chroma subsampling.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "workflow/image_kind.h"
#include "workflow/image_to_save.h"

namespace {

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Usage()
{
    std::fprintf(stderr, "usage: write_image [--quality Q] [--runs N] IN OUT\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int quality = 92;
    int runs = 3;
    int arg = 1;
    for (; arg + 1 < argc && std::strncmp(argv[arg], "--", 2) == 0; arg += 2) {
        if (std::strcmp(argv[arg], "--quality") == 0)
            quality = std::atoi(argv[arg + 1]);
        else if (std::strcmp(argv[arg], "--runs") == 0)
            runs = std::atoi(argv[arg + 1]);
        else
            return Usage();
    }
    if (argc - arg != 2 || runs < 1)
        return Usage();
    WorkingImage image;
    if (LoadWorkingImage(argv[arg], image) != LoadAccepted || !image.working) {
        std::fprintf(stderr, "%s: not loaded\n", argv[arg]);
        return 1;
    }
    SaveRequest request;
    request.targetPath = argv[arg + 1];
    request.sourcePath = argv[arg];
    request.jpegQuality = quality;
    request.jpegSubsampling = 2;
    double best = -1;
    for (int run = 0; run < runs; ++run) {
        const double start = CpuSeconds();
        const int result = SaveCorrectedImage(*image.working, image, request);
        const double spent = CpuSeconds() - start;
        if (result != 0) {
            std::fprintf(stderr, "%s: save failed (%d)\n", argv[arg + 1], result);
            return 1;
        }
        if (best < 0 || spent < best)
            best = spent;
    }
    std::printf("%.3f\n", best);
    return 0;
}
