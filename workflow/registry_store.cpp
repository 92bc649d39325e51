#include "workflow/registry_store.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imagefiles/atomic_write.h"

namespace {

// Settings take a few hundred bytes; a file far beyond that is not ours to
// rewrite, so it is neither read nor replaced.
constexpr off_t kMaxFileSize = 4 << 20;

enum class ReadResult { Ok, Missing, Unusable };

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p for the folder that will hold the file.
bool MakeFolders(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    std::string parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// A settings file kept as a link into a dotfiles folder stays a link: the
// rename replaces the file it points at.
std::string ResolvedTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

// Problems with the file are reported once per file and process: the file is
// read on every change, and one message is enough to send the user to it.
bool FirstReport(const std::string& path)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> lock(mutex);
    return reported.insert(path).second;
}

void ReportUnreadable(const std::string& path, const RegistryParseReport& report)
{
    if (FirstReport(path))
        std::fprintf(stderr,
            "speckwash: %s: %d unreadable line(s) ignored, the first at line %d; they are dropped when a "
            "setting is next saved\n",
            path.c_str(), report.unreadableLines, report.firstUnreadableLine);
}

ReadResult ReadDocument(const std::string& path, RegistryDocument& document)
{
    document = {};
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unusable;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileSize) {
        close(fd);
        if (FirstReport(path))
            std::fprintf(stderr, "speckwash: %s is not a settings file of usable size; settings are not saved\n",
                path.c_str());
        return ReadResult::Unusable;
    }
    std::string text(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t got = read(fd, text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    close(fd);
    text.resize(done);
    RegistryParseReport report;
    document = ParseRegistryText(text, report);
    if (report.unreadableLines > 0)
        ReportUnreadable(path, report);
    return ReadResult::Ok;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool ReplaceFile(const std::string& path, const RegistryDocument& document)
{
    std::string text = FormatRegistryText(document);
    FileResult result = WriteAtomically(path.c_str(), [&text](const char* temporaryPath) {
        int fd = open(temporaryPath, O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return FileOpenFailed;
        // fsync before the rename: after a power cut the old file or the new
        // one is there, never an empty one.
        bool ok = WriteAll(fd, text) && fsync(fd) == 0;
        return close(fd) == 0 && ok ? FileOk : FileOpenFailed;
    });
    return result == FileOk;
}

// Runs `change` on the freshly read document under the file's lock and
// replaces the file when it reports a change. The lock lives on a file of its
// own because the rename swaps the settings file's inode away.
bool ModifyDocument(const std::string& filePath, const std::function<bool(RegistryDocument&)>& change)
{
    std::string path = ResolvedTarget(filePath);
    if (!MakeFolders(FolderOf(path)))
        return false;
    int lockFd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
        return false;
    int locked;
    while ((locked = flock(lockFd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    bool ok = false;
    RegistryDocument document;
    if (locked == 0 && ReadDocument(path, document) != ReadResult::Unusable)
        ok = !change(document) || ReplaceFile(path, document);
    close(lockFd); // releases the lock
    return ok;
}

bool ResolveKey(RegistryRoot root, std::string_view subkey, uint32_t access, RegistryHandle& handle)
{
    handle.filePath = RegistryFilePath();
    handle.keyPath = RegistryFullPath(root, subkey);
    handle.access = access;
    return !handle.filePath.empty() && !handle.keyPath.empty();
}

} // namespace

std::string RegistryFilePath()
{
    if (const char* named = std::getenv("SPECKWASH_REGISTRY"); named && *named)
        return named;
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    else
        return {};
    return folder + "/speckwash/registry.reg";
}

bool RegistryOpenKey(RegistryRoot root, std::string_view subkey, uint32_t access, RegistryHandle& handle)
{
    if (!ResolveKey(root, subkey, access, handle))
        return false;
    RegistryDocument document;
    return ReadDocument(ResolvedTarget(handle.filePath), document) == ReadResult::Ok
        && document.KeyExists(handle.keyPath);
}

bool RegistryCreateKey(RegistryRoot root, std::string_view subkey, uint32_t access, RegistryHandle& handle)
{
    if (!ResolveKey(root, subkey, access, handle))
        return false;
    if (RegistryOpenKey(root, subkey, access, handle))
        return true;
    const std::string& keyPath = handle.keyPath;
    return ModifyDocument(handle.filePath, [&keyPath](RegistryDocument& document) {
        if (document.KeyExists(keyPath))
            return false;
        document.AddKey(keyPath);
        return true;
    });
}

bool RegistryReadValues(const RegistryHandle& handle, std::vector<RegistryFileValue>& values)
{
    values.clear();
    if (!(handle.access & RegAccessQuery))
        return false;
    RegistryDocument document;
    if (ReadDocument(ResolvedTarget(handle.filePath), document) != ReadResult::Ok
        || !document.KeyExists(handle.keyPath))
        return false;
    if (RegistryFileKey* key = document.FindKey(handle.keyPath))
        values = std::move(key->values);
    return true;
}

bool RegistryWriteValue(const RegistryHandle& handle, std::string_view name, uint32_t type, const uint8_t* data,
    size_t size)
{
    if (!(handle.access & RegAccessSet) || !RegistryValueNameWritable(name) || (size > 0 && !data))
        return false;
    std::vector<uint8_t> bytes(data, data + size);
    const std::string& keyPath = handle.keyPath;
    return ModifyDocument(handle.filePath, [&](RegistryDocument& document) {
        RegistryFileKey& key = document.AddKey(keyPath);
        if (RegistryFileValue* existing = FindRegistryValue(key, name))
            if (existing->type == type && existing->data == bytes)
                return false;
        SetRegistryValue(key, name, type, bytes);
        return true;
    });
}
