#include "imagefiles/row_chunks.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <cerrno>
#include <unistd.h>

namespace {

thread_local int readThreads = 1;

constexpr size_t kChunkBytes = size_t(1) << 20;

// All `size` bytes at `offset`, or false.
bool ReadAt(int fd, uint8_t* out, size_t size, uint64_t offset)
{
    while (size > 0) {
        const ssize_t got = pread(fd, out, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        size -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

} // namespace

ReadThreadsScope::ReadThreadsScope(int threads)
    : previous(readThreads)
{
    readThreads = std::max(threads, 1);
}

ReadThreadsScope::~ReadThreadsScope() { readThreads = previous; }

FileResult ReadRowChunks(FILE* file, uint64_t offset, size_t rowBytes, int rows,
    const std::function<void(const uint8_t*, int, int)>& decode, size_t slack)
{
    if (!file || rowBytes == 0 || rows < 0)
        return FileBadArgument;
    const int fd = fileno(file);
    const int rowsPerChunk = static_cast<int>(std::clamp<size_t>(kChunkBytes / rowBytes, 1, size_t(rows) + 1));
    const size_t chunkBytes = rowBytes * static_cast<size_t>(rowsPerChunk);
    const int chunks = (rows + rowsPerChunk - 1) / rowsPerChunk;
    const int threads = std::clamp(readThreads, 1, std::max(chunks, 1));

    std::atomic<int> next { 0 };
    std::atomic<int> failure { FileOk };
    auto work = [&] {
        // Zeroed once, so the slack past the rows always reads as zeros.
        std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[chunkBytes + slack]());
        if (!chunk) {
            int ok = FileOk;
            failure.compare_exchange_strong(ok, FileNoMemory);
            return;
        }
        for (int i = next.fetch_add(1); i < chunks && failure.load() == FileOk; i = next.fetch_add(1)) {
            const int first = i * rowsPerChunk;
            const int count = std::min(rowsPerChunk, rows - first);
            if (!ReadAt(fd, chunk.get(), rowBytes * static_cast<size_t>(count), offset + uint64_t(first) * rowBytes)) {
                int ok = FileOk;
                failure.compare_exchange_strong(ok, FileOpenFailed);
                return;
            }
            decode(chunk.get(), first, count);
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads rather than none
        }
    }
    work();
    for (auto& helper : helpers)
        helper.join();
    return static_cast<FileResult>(failure.load());
}
