#include "cli/output_files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imagefiles/atomic_write.h"
#include "imagefiles/temporary_files.h"

namespace {

extern "C" void RemovePendingAndExit(int signal)
{
    RemovePendingTemporaryFiles();
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
    // Short whatever the target's length: every name the folder takes can be written.
    std::string pattern = folder + ".sw-XXXXXX" + extension;
    int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0)
        return false;
    // mkstemps makes the file private; a written image gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temporary = pattern;
    RememberTemporaryFile(temporary.c_str());
    return true;
}

bool CommitTemporary(const std::string& temporary, const std::string& target, bool overwrite, std::string& error)
{
    int result;
    bool linked = false;
    bool writeProtected = false;
    if (overwrite) {
        // A replaced output keeps what its user set on it, as a save does.
        std::string resolved;
        struct stat old {};
        if (!ResolveSaveTarget(target.c_str(), resolved)) {
            result = -1;
        } else if (stat(resolved.c_str(), &old) == 0 && S_ISREG(old.st_mode) && IsWriteProtected(resolved.c_str(), old)) {
            writeProtected = true;
            result = -1;
        } else {
            if (S_ISREG(old.st_mode))
                KeepOwnerAndMode(temporary.c_str(), old);
            result = std::rename(temporary.c_str(), resolved.c_str());
        }
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
    ForgetTemporaryFile(temporary.c_str());
    if (result != 0) {
        error = writeProtected ? "the file is write-protected"
            : saved == EEXIST  ? "exists (use --overwrite to replace it)"
                               : std::strerror(saved);
        return false;
    }
    return true;
}

void DiscardTemporary(const std::string& temporary)
{
    unlink(temporary.c_str());
    ForgetTemporaryFile(temporary.c_str());
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

bool IsFolder(const std::string& path)
{
    struct stat s {};
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}
