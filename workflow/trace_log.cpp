#include "workflow/trace_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Set while static objects are built, before main runs: the process start as near as we can tell.
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
} // namespace

bool TraceEnabled()
{
    const char* value = std::getenv("SPECKWASH_TRACE");
    return value && std::strcmp(value, "1") == 0;
}

void TraceEvent(const char* event)
{
    if (!TraceEnabled())
        return;
    const auto ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - processStart).count();
    // One write per line, so lines of other threads never interleave within it.
    std::fprintf(stderr, "trace %lld %s\n", static_cast<long long>(ms), event);
    std::fflush(stderr);
}
