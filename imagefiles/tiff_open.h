#pragma once
#include <tiffio.h>

// Opens a TIFF file with every library error and warning silenced: they
// describe the file, not anything the user can act on, and the caller turns
// failures into result codes. The handlers are given per open where the
// library allows it, so concurrent loads never touch shared handler state.
// Files opened for reading ("r", or "rm" without memory mapping) must be
// regular files: a FIFO is refused instead of waited on.
TIFF* OpenTiffSilently(const char* path, const char* mode);
