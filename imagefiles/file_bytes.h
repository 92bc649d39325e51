#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

// Opens a regular file for reading; null for anything else. A FIFO, device or
// socket is refused without ever blocking on it: the open does not wait for a
// writer, and the type is checked on the descriptor that was opened.
FILE* OpenRegularFile(const char* path);
// The same as a descriptor, for libraries that take one; -1 on failure.
int OpenRegularFileDescriptor(const char* path);

// The size of an open file; -1 when it cannot be told.
int64_t OpenFileSize(FILE* file);

// At most `capacity` bytes from the start of a regular file, and the file's
// size: what the header-only readers look at. FileOpenFailed when the file
// cannot be opened as a regular file.
FileResult ReadFileHead(const char* path, uint8_t* buffer, size_t capacity, size_t* got, uint64_t* fileSize);
