#include "imagefiles/file_bytes.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

FileResult ReadFileBytes(const char* path, FileBytes& out, size_t padding)
{
    out.data.reset();
    out.size = 0;
    out.padding = 0;
    if (!path)
        return FileOpenFailed;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return FileOpenFailed;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0
        || static_cast<uint64_t>(info.st_size) > SIZE_MAX / 2) {
        std::fclose(file);
        return FileOpenFailed;
    }
    size_t size = static_cast<size_t>(info.st_size);
    auto* block = static_cast<uint8_t*>(std::malloc(size + padding + 1));
    if (!block) {
        std::fclose(file);
        return FileNoMemory;
    }
    out.data.reset(block);
    size_t got = size ? std::fread(block, 1, size, file) : 0;
    bool failed = got != size || std::ferror(file);
    std::fclose(file);
    if (failed) {
        out.data.reset();
        return FileOpenFailed;
    }
    std::memset(block + size, 0, padding + 1);
    out.size = size;
    out.padding = padding;
    return FileOk;
}
