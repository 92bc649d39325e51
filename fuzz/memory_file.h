#pragma once
// The readers take paths; a fuzz input is handed to them as an anonymous
// in-memory file, reached through /proc/self/fd, rewritten for every run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

class CMemoryFile {
public:
    CMemoryFile()
    {
        fd_ = memfd_create("fuzz-input", 0);
        if (fd_ < 0)
            std::abort();
        std::snprintf(path_, sizeof path_, "/proc/self/fd/%d", fd_);
    }
    ~CMemoryFile() { close(fd_); }

    const char* Write(const uint8_t* data, size_t size)
    {
        if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))
            std::abort();
        return path_;
    }

private:
    int fd_ = -1;
    char path_[64] = {};
};
