#pragma once
#include <string>

// Outputs are written to a temporary file beside their final name and renamed
// into place, so an interrupted or failed run never leaves a half-written
// image under the final name. The temporary name keeps the target's
// extension (".sw-XXXXXX.EXT"), because the writer is chosen by it.

// Creates the empty temporary file and remembers it for the interrupt
// cleanup. False (with errno set) when it cannot be created.
bool CreateTemporaryBeside(const std::string& target, std::string& temporary);

// Moves the finished temporary file to `target`. Without `overwrite` an
// existing target is never replaced, even one that appeared meanwhile.
// The temporary file is gone afterwards whatever the outcome.
bool CommitTemporary(const std::string& temporary, const std::string& target, bool overwrite, std::string& error);

// Removes a temporary file that will not be committed.
void DiscardTemporary(const std::string& temporary);

// On SIGINT, SIGTERM or SIGHUP removes every temporary file still pending
// (ours and the writers' own), then ends the process as the signal would have.
void InstallInterruptCleanup();

// True when both paths name the same existing file.
bool SameExistingFile(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);

// True when `output` exists and was last written no earlier than `input`
// (as make judges a target against its source). False when either is missing.
bool OutputIsUpToDate(const std::string& output, const std::string& input);
