#pragma once
#include <string>

// "Unable to save the image in file PATH" and, on a second line, the reason
// the writer's FileResult (and, for a refused system call, `error`, an errno
// value) gives. The desktop program's catch-all "This file may be write
// protected." would send a user after the wrong cause.
std::string SaveFailedMessage(const std::string& target, int fileResult, int error);
