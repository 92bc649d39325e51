#include "imagefiles/atomic_write.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "imagefiles/temporary_files.h"

namespace {

// As many links as the system itself follows before it gives up.
constexpr int kMaxLinkHops = 40;
constexpr size_t kCopyChunk = 1 << 20;

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The process's umask, read once: setting it to read it is not thread-safe,
// and batch jobs save on several threads.
mode_t ProcessUmask()
{
    static mode_t mask = [] {
        mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mask;
}

FileResult SystemError(int error)
{
    errno = error;
    return FileSystemError;
}

bool CopyAll(int from, int to, off_t size)
{
    std::vector<char> buffer(kCopyChunk);
    for (off_t done = 0; done < size;) {
        ssize_t got = pread(from, buffer.data(), buffer.size(), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        for (ssize_t put = 0; put < got;) {
            ssize_t n = pwrite(to, buffer.data() + put, size_t(got - put), done + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            put += n;
        }
        done += got;
    }
    return true;
}

// The folder takes no new files but the file may be written: encode the
// whole file into memory, reserve its space, then overwrite in place.
FileResult WriteInPlace(const std::string& path, const struct stat& old,
    const std::function<FileResult(const char*)>& write)
{
    int memory = memfd_create("speckwash-save", MFD_CLOEXEC);
    if (memory < 0)
        return SystemError(errno);
    // The writers open files by name; the descriptor's name reopens the
    // same memory file.
    std::string memoryPath = "/proc/self/fd/" + std::to_string(memory);
    FileResult result = write(memoryPath.c_str());
    struct stat encoded {};
    if (result == FileOk && fstat(memory, &encoded) != 0)
        result = SystemError(errno);
    int target = result == FileOk ? open(path.c_str(), O_WRONLY | O_CLOEXEC) : -1;
    if (result == FileOk && target < 0)
        result = SystemError(errno);
    if (result == FileOk && encoded.st_size > old.st_size) {
        int error = posix_fallocate(target, 0, encoded.st_size);
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            result = SystemError(error);
    }
    if (result == FileOk
        && (!CopyAll(memory, target, encoded.st_size) || ftruncate(target, encoded.st_size) != 0 || fsync(target) != 0))
        result = SystemError(errno);
    int saved = errno;
    if (target >= 0 && close(target) != 0 && result == FileOk)
        result = SystemError(errno);
    close(memory);
    errno = saved;
    return result;
}

} // namespace

// No write bit for anyone is how a user marks a file read-only; root passes
// every access() check, so the bits are asked first.
bool IsWriteProtected(const char* path, const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path, W_OK) != 0;
}

// The new file takes the old one's owner, group and mode. The owner is only
// given by privileged processes; others may still keep the group when they
// belong to it. chmod comes last because chown clears the set-id bits.
void KeepOwnerAndMode(const char* file, const struct stat& old)
{
    if (chown(file, old.st_uid, old.st_gid) != 0 && chown(file, uid_t(-1), old.st_gid) != 0) {
        // Neither is allowed: the file belongs to us, as any new file would.
    }
    chmod(file, old.st_mode & 07777);
}

bool ResolveSaveTarget(const char* path, std::string& resolved)
{
    resolved = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char text[PATH_MAX];
        ssize_t length = readlink(resolved.c_str(), text, sizeof text - 1);
        if (length < 0)
            return false;
        std::string next(text, size_t(length));
        resolved = !next.empty() && next.front() == '/' ? next : FolderOf(resolved) + "/" + next;
    }
    errno = ELOOP;
    return false;
}

FileResult WriteAtomically(const char* targetPath, const std::function<FileResult(const char*)>& write)
{
    if (!targetPath || !*targetPath)
        return FileBadArgument;
    std::string path;
    if (!ResolveSaveTarget(targetPath, path))
        return SystemError(errno);
    struct stat old {};
    const bool exists = stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return SystemError(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (exists && IsWriteProtected(path.c_str(), old))
        return FileWriteProtected;

    // A short name whatever the target's length, so that any name the
    // folder takes can be saved.
    std::string temporary = FolderOf(path) + "/.sw-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        if (exists && (errno == EACCES || errno == EPERM))
            return WriteInPlace(path, old, write);
        return SystemError(errno);
    }
    RememberTemporaryFile(temporary.c_str());
    close(fd);

    FileResult result = write(temporary.c_str());
    if (result == FileOk) {
        // After the write: the old mode may not let this process write.
        if (exists)
            KeepOwnerAndMode(temporary.c_str(), old);
        else
            chmod(temporary.c_str(), 0666 & ~ProcessUmask());
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            result = SystemError(errno);
    }
    int saved = errno;
    if (result != FileOk)
        unlink(temporary.c_str());
    ForgetTemporaryFile(temporary.c_str());
    errno = saved;
    return result;
}
