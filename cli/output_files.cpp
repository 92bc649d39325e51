#include "cli/output_files.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Pending temporary files, readable from a signal handler: fixed storage, a
// path is written before its slot is marked in use.
constexpr int kPendingSlots = 1100;
constexpr size_t kPathBytes = 4096;
char pendingPaths[kPendingSlots][kPathBytes];
std::atomic<int> pendingState[kPendingSlots]; // 0 free, 1 being filled or emptied, 2 pending

void Remember(const std::string& path)
{
    if (path.size() >= kPathBytes)
        return;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (pendingState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
            pendingState[i].store(2);
            return;
        }
    }
}

void Forget(const std::string& path)
{
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 2;
        if (pendingState[i].load() == 2 && path == pendingPaths[i] && pendingState[i].compare_exchange_strong(expected, 1)) {
            pendingState[i].store(0);
            return;
        }
    }
}

extern "C" void RemovePendingAndExit(int signal)
{
    for (int i = 0; i < kPendingSlots; ++i)
        if (pendingState[i].load() == 2)
            unlink(pendingPaths[i]);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

bool CreateTemporaryBeside(const std::string& target, std::string& temporary)
{
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    size_t dot = name.rfind('.');
    std::string extension = (dot != std::string::npos && dot > 0) ? name.substr(dot) : "";
    std::string pattern = folder + "." + name + ".XXXXXX" + extension;
    int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0)
        return false;
    // mkstemps makes the file private; a written image gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temporary = pattern;
    Remember(temporary);
    return true;
}

bool CommitTemporary(const std::string& temporary, const std::string& target, bool overwrite, std::string& error)
{
    int result;
    bool linked = false;
    if (overwrite) {
        result = std::rename(temporary.c_str(), target.c_str());
    } else {
        result = renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename: a hard link also refuses an existing name.
            result = link(temporary.c_str(), target.c_str());
            linked = result == 0;
        }
    }
    int saved = errno;
    // After a rename the temporary name is free again and may already belong
    // to another job's new file, so it is only removed when it is still ours.
    if (result != 0 || linked)
        unlink(temporary.c_str());
    Forget(temporary);
    if (result != 0) {
        error = saved == EEXIST ? "exists (use --overwrite to replace it)" : std::strerror(saved);
        return false;
    }
    return true;
}

void DiscardTemporary(const std::string& temporary)
{
    unlink(temporary.c_str());
    Forget(temporary);
}

void InstallInterruptCleanup()
{
    struct sigaction action {};
    action.sa_handler = RemovePendingAndExit;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
}

bool SameExistingFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FileExists(const std::string& path)
{
    struct stat s {};
    return stat(path.c_str(), &s) == 0;
}

bool OutputIsUpToDate(const std::string& output, const std::string& input)
{
    struct stat out {}, in {};
    if (stat(output.c_str(), &out) != 0 || stat(input.c_str(), &in) != 0)
        return false;
    if (out.st_mtim.tv_sec != in.st_mtim.tv_sec)
        return out.st_mtim.tv_sec > in.st_mtim.tv_sec;
    return out.st_mtim.tv_nsec >= in.st_mtim.tv_nsec;
}
