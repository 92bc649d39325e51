#include <cstring>

#include "workflow/image_kind.h"

// Kept apart from the kind rules: it is the one piece that needs the readers.
LoadOutcome LoadWorkingImage(const char* path, WorkingImage& out)
{
    // Shorter paths cannot name a file the dispatch would read.
    if (!path || std::strlen(path) < 3)
        return LoadUnreadable;
    auto loaded = std::make_unique<CImage>(path, 0);
    if (loaded->channelCount == 0)
        return LoadUnreadable;
    return MakeWorkingImage(std::move(loaded), out);
}
