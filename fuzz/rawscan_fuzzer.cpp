// Feeds arbitrary bytes to the raw scan reader: it must refuse or load them
// without reading or writing out of bounds, leaking, or allocating from an
// unchecked header.
#include <cstddef>
#include <cstdint>

#include "image/image.h"
#include "imagefiles/format_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CImage image(0, 0, 0, SampleU8);
    if (DecodeRawScan(image, data, size) == FileOk && !image.HasPlanes())
        __builtin_trap(); // success must always deliver the planes
    int width = 0, height = 0, channels = 0;
    DecodeRawScanInfo(data, size, &width, &height, &channels);
    return 0;
}
