// Feeds arbitrary bytes to the png info reader and, when the header is small
// enough to decode quickly, to the full reader.
#include <cstdint>

#include "fuzz/memory_file.h"
#include "image/image.h"
#include "imagefiles/library_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CMemoryFile file;
    const char* path = file.Write(data, size);
    int width = 0, height = 0, channels = 0;
    if (ReadPngInfo(path, &width, &height, &channels) != FileOk)
        return 0;
    // Huge headers are refused by the readers' own limits; anything between
    // would only spend the fuzzer's time on memset.
    if (int64_t(width) * height > 4 * 1024 * 1024)
        return 0;
    CImage image(0, 0, 0, SampleU8);
    ReadPng(image, path);
    return 0;
}
