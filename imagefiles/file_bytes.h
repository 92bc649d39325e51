#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imagefiles/image_file_types.h"

// The whole content of a file, in one malloc'd block (no exceptions on
// failure). Our own readers parse from memory so that the same decoders serve
// files, tests and the fuzz targets, and so that no parser ever reads past
// what the file actually holds.
struct FileBytes {
    std::unique_ptr<uint8_t, decltype(&std::free)> data { nullptr, &std::free };
    size_t size = 0;
    // Extra zero bytes allocated past the end, for decoders that want them.
    size_t padding = 0;
};

// FileOpenFailed when the file cannot be opened or read; FileNoMemory when the
// block cannot be allocated. `padding` zero bytes follow the content.
FileResult ReadFileBytes(const char* path, FileBytes& out, size_t padding = 0);
