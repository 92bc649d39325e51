// Feeds arbitrary bytes to the PGM and PPM readers: they must refuse or load
// them without reading or writing out of bounds, leaking, or allocating from
// an unchecked header.
#include <cstddef>
#include <cstdint>

#include "image/image.h"
#include "imagefiles/format_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int channels : { 1, 3 }) {
        CImage image(0, 0, 0, SampleU8);
        if (DecodePnm(image, data, size, channels) == FileOk && !image.HasPlanes())
            __builtin_trap();
        int width = 0, height = 0;
        DecodePnmInfo(data, size, channels, &width, &height);
    }
    return 0;
}
