// Feeds arbitrary bytes to the tiff info reader and, when the header is small
// enough to decode quickly, to the full reader, plain and splitting.
#include <cstdint>

#include "fuzz/memory_file.h"
#include "image/image.h"
#include "imagefiles/library_formats.h"
#include "imagefiles/sixteen_bit_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CMemoryFile file;
    const char* path = file.Write(data, size);
    int width = 0, height = 0, channels = 0;
    if (ReadTiffInfo(path, &width, &height, &channels) != FileOk)
        return 0;
    // Huge headers are refused by the readers' own limits; anything between
    // would only spend the fuzzer's time on memset.
    if (int64_t(width) * height > 4 * 1024 * 1024)
        return 0;
    CImage image(0, 0, 0, SampleU8);
    ReadTiff(image, path);
    // As an open does: 16-bit rows split into high and low bytes as they come.
    CImage described(0, 0, 0, SampleU8), high(0, 0, 0, SampleU8), low(0, 0, 0, SampleU8);
    SixteenBitSplit split { &high, &low };
    ReadTiffSplitting(described, path, split);
    return 0;
}
