#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "imagefiles/image_file_types.h"

// How many threads this thread's reads of uncompressed rows may use (at
// least 1, the default). A batch clean that has threads for one image lets
// its reading use them too; the scope puts the previous count back.
class ReadThreadsScope {
public:
    explicit ReadThreadsScope(int threads);
    ~ReadThreadsScope();
    ReadThreadsScope(const ReadThreadsScope&) = delete;
    ReadThreadsScope& operator=(const ReadThreadsScope&) = delete;

private:
    int previous;
};

// Reads `rows` rows of `rowBytes` bytes each, stored one after another from
// `offset` in an open regular file, about a megabyte of rows at a time, and
// hands each chunk to `decode(bytes, firstRow, rowCount)`. `slack` zero bytes
// follow each chunk. On more than one thread the chunks are shared out and
// read with positioned reads, so `decode` must write only the rows it is
// given. FileOpenFailed when the file ends early or cannot be read,
// FileNoMemory when a chunk buffer cannot be had.
FileResult ReadRowChunks(FILE* file, uint64_t offset, size_t rowBytes, int rows,
    const std::function<void(const uint8_t* bytes, int firstRow, int rowCount)>& decode, size_t slack = 0);
