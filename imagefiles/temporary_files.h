#pragma once

// Temporary files that must not outlive an interrupted process. Every
// temporary file a save creates is listed here from its creation until it is
// renamed into place or removed, so that a signal handler can remove what is
// still pending. The list is fixed storage, safe to walk from a handler.

// Lists a temporary file. A path too long for the list is not listed.
void RememberTemporaryFile(const char* path);
// Takes a file off the list (renamed into place or removed).
void ForgetTemporaryFile(const char* path);
// Removes every listed file. Async-signal-safe: only unlink() is called.
void RemovePendingTemporaryFiles();
