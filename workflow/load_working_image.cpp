#include <cstring>

#include "imagefiles/image_formats.h"
#include "imagefiles/sixteen_bit_split.h"
#include "workflow/image_kind.h"

// Kept apart from the kind rules: it is the one piece that needs the readers.
LoadOutcome LoadWorkingImage(const char* path, WorkingImage& out)
{
    // Shorter paths cannot name a file the dispatch would read.
    if (!path || std::strlen(path) < 3)
        return LoadUnreadable;
    // Loaded through the dispatch itself, so that a lack of memory is told
    // apart from a file that cannot be read.
    // A 16-bit image is split into its working and low-byte planes as it is
    // decoded where its reader can, so that no 16-bit copy is ever held.
    auto loaded = std::make_unique<CImage>(0, 0, 0, SampleU8);
    auto high = std::make_unique<CImage>(0, 0, 0, SampleU8);
    auto low = std::make_unique<CImage>(0, 0, 0, SampleU8);
    SixteenBitSplit split { high.get(), low.get() };
    FileResult result = LoadImageFileSplitting(*loaded, path, split);
    if (result != FileOk)
        return result == FileNoMemory ? LoadNoMemory : LoadUnreadable;
    if (split.done)
        return MakeWorkingImageFromSplit(*loaded, std::move(high), std::move(low), out);
    return MakeWorkingImage(std::move(loaded), out);
}
