#pragma once
#include <functional>
#include <string>
#include <sys/stat.h>

#include "imagefiles/image_file_types.h"

// Runs `write` on a fresh temporary file in the target's folder and renames it
// over the target only when the write returned FileOk, so that a failed or
// interrupted save never destroys the file that was there. A writer that reads
// the target while writing (JPEG quality copied from its own source) is safe
// for the same reason.
//
// What the user set on the file is kept:
// - a symbolic link stays a link: the file it points to (through any chain of
//   links) is the one replaced;
// - the replaced file's mode is kept, and its owner and group where the
//   process may set them; a new file gets 0666 less the umask;
// - a file that is write-protected (no write permission for anyone, or none
//   for this process) is refused with FileWriteProtected;
// - when the folder is not writable but the file is, the image is encoded
//   completely into memory first and then written over the file in place;
//   the space is reserved before the first byte is overwritten, so only a
//   crash or an I/O error during that copy can leave the file damaged.
// Hard links are not kept: the rename gives the target's name a new file and
// every other name keeps the previous picture.
// The temporary file is listed for the interrupt clean-up while it exists.
// Failures of the steps taken here give FileSystemError with errno set.
FileResult WriteAtomically(const char* targetPath, const std::function<FileResult(const char* temporaryPath)>& write);

// The file a save of `path` replaces or creates: the path with every symbolic
// link along its last component followed. False (errno set) on a link loop.
bool ResolveSaveTarget(const char* path, std::string& resolved);

// True when the file may not be replaced: no write permission for anyone (how
// a user marks a file read-only, which even a privileged process respects
// here), or none for this process.
bool IsWriteProtected(const char* path, const struct stat& info);

// Gives `file` the owner and group of the file `old` describes where the
// process may set them, and its mode.
void KeepOwnerAndMode(const char* file, const struct stat& old);
