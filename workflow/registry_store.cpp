#include "workflow/registry_store.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <set>
#include <thread>
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

// One stored value on its way to the file.
struct PendingValue {
    std::string filePath;
    std::string keyPath;
    std::string name;
    uint32_t type = RegNone;
    std::vector<uint8_t> data;
};

void ApplyValue(RegistryDocument& document, const PendingValue& value)
{
    SetRegistryValue(document.AddKey(value.keyPath), value.name, value.type, value.data);
}

// Writes stored values to the file off the caller's thread. A value waits a
// short pause for the ones that usually follow it (a slider step stores
// several), then everything waiting for a file goes in with one locked
// read-modify-write, so the guarantees of a single change hold for the batch:
// the file is replaced whole, and values another process wrote meanwhile are
// read and kept. Until a value is in the file, reads in this process see it
// through Overlay.
class SettingsWriter {
public:
    void Add(PendingValue value)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (stopping) {
            // Stored while the process ends, after the thread has gone.
            lock.unlock();
            WriteBatch({ std::move(value) });
            return;
        }
        for (PendingValue& waiting : pending)
            if (waiting.filePath == value.filePath && RegistryNamesEqual(waiting.keyPath, value.keyPath)
                && RegistryNamesEqual(waiting.name, value.name)) {
                waiting = std::move(value);
                ++added;
                wake.notify_one();
                return;
            }
        pending.push_back(std::move(value));
        ++added;
        if (!thread.joinable()) {
            thread = std::thread([this] { Run(); });
            static std::once_flag exitHook;
            std::call_once(exitHook, [] { std::atexit(FlushAndStopAtExit); });
        }
        wake.notify_one();
    }

    void Overlay(const std::string& filePath, RegistryDocument& document)
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const std::vector<PendingValue>* list : { &inFlight, &pending })
            for (const PendingValue& value : *list)
                if (value.filePath == filePath)
                    ApplyValue(document, value);
    }

    void Flush()
    {
        std::unique_lock<std::mutex> lock(mutex);
        const uint64_t target = added;
        flushNow = true;
        wake.notify_one();
        done.wait(lock, [&] { return written >= target || !thread.joinable(); });
    }

    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
            wake.notify_one();
        }
        if (thread.joinable())
            thread.join();
    }

    static SettingsWriter*& Instance()
    {
        static SettingsWriter* writer = [] {
            // A forked child has no writer thread and must not write the
            // parent's values: it starts over with a writer of its own. The
            // old one is left as it was; its lock may be held by a thread
            // that no longer exists.
            pthread_atfork(nullptr, nullptr, [] { Instance() = new SettingsWriter(); });
            return new SettingsWriter();
        }();
        return writer;
    }

private:
    // A slider drag stores a few values a step; this gathers a step's values
    // and several steps into one write of the file.
    static constexpr std::chrono::milliseconds kGatherPause { 40 };

    static void FlushAndStopAtExit() { Instance()->Stop(); }

    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || flushNow || !pending.empty(); });
            if (pending.empty()) {
                flushNow = false;
                written = added;
                done.notify_all();
                if (stopping)
                    return;
                continue;
            }
            wake.wait_for(lock, kGatherPause, [&] { return stopping || flushNow; });
            flushNow = false;
            inFlight.swap(pending);
            const uint64_t upTo = added;
            lock.unlock();
            WriteBatch(inFlight);
            lock.lock();
            inFlight.clear();
            written = upTo;
            done.notify_all();
        }
    }

    // One read-modify-write per file; a file that cannot be written loses its
    // values, as a failed write always has (the cache keeps them meanwhile).
    static void WriteBatch(const std::vector<PendingValue>& batch)
    {
        std::set<std::string> files;
        for (const PendingValue& value : batch)
            files.insert(value.filePath);
        for (const std::string& file : files)
            ModifyDocument(file, [&](RegistryDocument& document) {
                bool changed = false;
                for (const PendingValue& value : batch) {
                    if (value.filePath != file)
                        continue;
                    RegistryFileValue* existing = FindRegistryValue(document.AddKey(value.keyPath), value.name);
                    if (existing && existing->type == value.type && existing->data == value.data)
                        continue;
                    ApplyValue(document, value);
                    changed = true;
                }
                return changed;
            });
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::vector<PendingValue> pending;
    std::vector<PendingValue> inFlight; // taken by the thread, not yet in the file
    uint64_t added = 0; // values handed over since the start
    uint64_t written = 0; // of those, the ones the thread has finished with
    bool flushNow = false;
    bool stopping = false;
    std::thread thread;
};

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
    ReadResult read = ReadDocument(ResolvedTarget(handle.filePath), document);
    SettingsWriter::Instance()->Overlay(handle.filePath, document);
    return read != ReadResult::Unusable && document.KeyExists(handle.keyPath);
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
    ReadResult read = ReadDocument(ResolvedTarget(handle.filePath), document);
    SettingsWriter::Instance()->Overlay(handle.filePath, document);
    if (read == ReadResult::Unusable || !document.KeyExists(handle.keyPath))
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
    SettingsWriter::Instance()->Add(
        PendingValue { handle.filePath, handle.keyPath, std::string(name), type, std::vector<uint8_t>(data, data + size) });
    return true;
}

void RegistryFlush()
{
    SettingsWriter::Instance()->Flush();
}
