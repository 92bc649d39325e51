// Feeds arbitrary bytes to the PGM and PPM readers: they must refuse or load
// them without reading or writing out of bounds, leaking, or allocating from
// an unchecked header.
#include <cstddef>
#include <cstdint>

#include "image/image.h"
#include "imagefiles/format_readers.h"
#include "imagefiles/sixteen_bit_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int channels : { 1, 3 }) {
        CImage image(0, 0, 0, SampleU8);
        if (DecodePnm(image, data, size, channels) == FileOk && !image.HasPlanes())
            __builtin_trap();
        int width = 0, height = 0;
        DecodePnmInfo(data, size, channels, &width, &height);
        CImage described(0, 0, 0, SampleU8), high(0, 0, 0, SampleU8), low(0, 0, 0, SampleU8);
        SixteenBitSplit split { &high, &low };
        if (DecodePnm(described, data, size, channels, &split) == FileOk
            && !(split.done ? high.HasPlanes() && low.HasPlanes() : described.HasPlanes()))
            __builtin_trap();
    }
    return 0;
}
