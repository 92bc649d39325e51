#include "imagefiles/tiff_open.h"

#include <mutex>

#include <cstring>
#include <unistd.h>

#include "imagefiles/file_bytes.h"
#include "imagefiles/library_limits.h"

namespace {

#if TIFFLIB_VERSION >= 20221213
int IgnoreMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1; // handled: the process-wide handler is not called
}
#endif

// Messages raised before a file is open, or by code without a per-open
// handler, go to the process-wide handlers; those are silenced once, before
// the first open, and never written again.
void SilenceProcessWideHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

} // namespace

TIFF* OpenTiffSilently(const char* path, const char* mode)
{
    SilenceProcessWideHandlers();
#if TIFFLIB_VERSION >= 20221213
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, IgnoreMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreMessage, nullptr);
    // The library's own buffers (strip tables, codec state) are bounded like ours.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxLibraryPlaneBytes));
    TIFF* tiff = nullptr;
    if (mode[0] == 'r') {
        // Read through a descriptor we opened ourselves, so that a FIFO is
        // refused instead of waited on; the library closes it.
        int fd = OpenRegularFileDescriptor(path);
        tiff = fd < 0 ? nullptr : TIFFFdOpenExt(fd, path, mode, options);
        if (fd >= 0 && !tiff)
            close(fd);
    } else {
        tiff = TIFFOpenExt(path, mode, options);
    }
    TIFFOpenOptionsFree(options);
    return tiff;
#else
    if (mode[0] == 'r') {
        int fd = OpenRegularFileDescriptor(path);
        TIFF* tiff = fd < 0 ? nullptr : TIFFFdOpen(fd, path, mode);
        if (fd >= 0 && !tiff)
            close(fd);
        return tiff;
    }
    return TIFFOpen(path, mode);
#endif
}
