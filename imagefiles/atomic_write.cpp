#include "imagefiles/atomic_write.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

FileResult WriteAtomically(const char* targetPath, const std::function<FileResult(const char*)>& write)
{
    if (!targetPath || !*targetPath)
        return FileBadArgument;
    std::string target(targetPath);
    std::string folder = ".";
    if (auto slash = target.rfind('/'); slash != std::string::npos)
        folder = slash == 0 ? "/" : target.substr(0, slash);
    std::string name = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return FileOpenFailed;
    // mkstemp makes the file private; a saved image gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    FileResult result = write(temporary.c_str());
    if (result == FileOk && std::rename(temporary.c_str(), targetPath) != 0)
        result = FileOpenFailed;
    if (result != FileOk)
        std::remove(temporary.c_str());
    return result;
}
