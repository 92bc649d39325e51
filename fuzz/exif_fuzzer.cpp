// Feeds arbitrary bytes to the JPEG marker walk (model scan and APP1 capture)
// and, as an APP1 payload, straight to the EXIF parser.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/memory_file.h"
#include "metadata/exif_parser.h"
#include "metadata/jpeg_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CMemoryFile file;
    const char* path = file.Write(data, size);
    JpegMetadata metadata = ReadJpegMetadata(path);
    if (metadata.cameraModel.size() > kMaxCameraModelLength)
        __builtin_trap();

    if (FILE* stream = std::fopen(path, "rb")) {
        App1Segment segment;
        if (CaptureApp1Segment(stream, segment) && segment.bytes.size() != size_t(segment.length))
            __builtin_trap();
        std::fclose(stream);
    }

    std::string model;
    ParseExifModel({ data, size }, model);
    if (model.size() > kMaxCameraModelLength)
        __builtin_trap();
    return 0;
}
