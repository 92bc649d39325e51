#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// The library's standard error manager with its fatal handler turned into a
// long jump, so that a corrupt file or a failed write ends one call instead
// of the process, and its messages silenced. The manager must stay the first
// member: the handler finds the jump buffer from the manager's address.
//
// Every function that sets the jump keeps only plain data in its frame and
// in the frames the jump crosses; what it must release lives in a struct
// owned by its caller.
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

// Installs the trap and returns the manager for the `err` field.
jpeg_error_mgr* InstallJpegErrorTrap(JpegErrorTrap& trap);
