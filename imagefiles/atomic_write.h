#pragma once
#include <functional>

#include "imagefiles/image_file_types.h"

// Runs `write` on a fresh temporary file in the target's folder and renames it
// over the target only when the write returned FileOk, so that a failed or
// interrupted save never destroys the file that was there. The temporary file
// is removed on failure. A writer that reads the target while writing (JPEG
// quality copied from its own source) is safe for the same reason.
FileResult WriteAtomically(const char* targetPath, const std::function<FileResult(const char* temporaryPath)>& write);
