#include "imagefiles/temporary_files.h"

#include <atomic>
#include <cstring>
#include <unistd.h>

namespace {

// A batch keeps one output and one map per job pending, and each of them can
// have the writer's own temporary beside it; this is far above that.
constexpr int kPendingSlots = 1100;
constexpr size_t kPathBytes = 4096;
char pendingPaths[kPendingSlots][kPathBytes];
// 0 free, 1 being filled or emptied, 2 pending: a path is complete before its
// slot reads 2, so the handler never sees half a name.
std::atomic<int> pendingState[kPendingSlots];

} // namespace

void RememberTemporaryFile(const char* path)
{
    size_t length = std::strlen(path);
    if (length >= kPathBytes)
        return;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (pendingState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(pendingPaths[i], path, length + 1);
            pendingState[i].store(2);
            return;
        }
    }
}

void ForgetTemporaryFile(const char* path)
{
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 2;
        if (pendingState[i].load() == 2 && std::strcmp(path, pendingPaths[i]) == 0
            && pendingState[i].compare_exchange_strong(expected, 1)) {
            pendingState[i].store(0);
            return;
        }
    }
}

void RemovePendingTemporaryFiles()
{
    for (int i = 0; i < kPendingSlots; ++i)
        if (pendingState[i].load() == 2)
            unlink(pendingPaths[i]);
}
