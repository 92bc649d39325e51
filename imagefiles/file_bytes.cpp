#include "imagefiles/file_bytes.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFileDescriptor(const char* path)
{
    if (!path)
        return -1;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    // Regular files never block; the flag only mattered for the open itself.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE* OpenRegularFile(const char* path)
{
    int fd = OpenRegularFileDescriptor(path);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}

int64_t OpenFileSize(FILE* file)
{
    struct stat info {};
    if (!file || fstat(fileno(file), &info) != 0 || info.st_size < 0)
        return -1;
    return info.st_size;
}

FileResult ReadFileHead(const char* path, uint8_t* buffer, size_t capacity, size_t* got, uint64_t* fileSize)
{
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    int64_t size = OpenFileSize(file);
    *got = std::fread(buffer, 1, capacity, file);
    std::fclose(file);
    if (size < 0)
        return FileOpenFailed;
    *fileSize = static_cast<uint64_t>(size);
    return FileOk;
}

FileResult ReadFileBytes(const char* path, FileBytes& out, size_t padding)
{
    out.data.reset();
    out.size = 0;
    out.padding = 0;
    FILE* file = OpenRegularFile(path);
    if (!file)
        return FileOpenFailed;
    int64_t fileSize = OpenFileSize(file);
    if (fileSize < 0 || static_cast<uint64_t>(fileSize) > SIZE_MAX / 2) {
        std::fclose(file);
        return FileOpenFailed;
    }
    size_t size = static_cast<size_t>(fileSize);
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
