#include <cstring>

#include "imagefiles/image_formats.h"
#include "workflow/image_kind.h"

// Kept apart from the kind rules: it is the one piece that needs the readers.
LoadOutcome LoadWorkingImage(const char* path, WorkingImage& out)
{
    // Shorter paths cannot name a file the dispatch would read.
    if (!path || std::strlen(path) < 3)
        return LoadUnreadable;
    // Loaded through the dispatch itself, so that a lack of memory is told
    // apart from a file that cannot be read.
    auto loaded = std::make_unique<CImage>(0, 0, 0, SampleU8);
    FileResult result = LoadImageFile(*loaded, path, 0);
    if (result != FileOk)
        return result == FileNoMemory ? LoadNoMemory : LoadUnreadable;
    return MakeWorkingImage(std::move(loaded), out);
}
