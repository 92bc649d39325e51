#pragma once
#include <initializer_list>
#include <string>

// Where an installed program keeps its data files (the help file, the
// sample scan): PREFIX/share/speckwash/NAME for an executable at
// PREFIX/bin/PROGRAM. Worked out from the executable rather than fixed at
// build time, so that any installation prefix, and a staged copy under
// DESTDIR, finds its own files.
std::string InstalledDataFilePath(const std::string& executablePath, const std::string& fileName);

// The first candidate that is an existing regular file; the first candidate
// when none is, so that a message names the place the file was looked for first.
std::string FirstExistingFile(std::initializer_list<std::string> candidates);
