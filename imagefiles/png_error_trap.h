#pragma once
#include <png.h>

// Creates read and write structures whose errors end in the library's error
// jump (set by the caller with setjmp(png_jmpbuf(...))) and whose errors and
// warnings print nothing: they describe the file, and the caller reports a
// result code. The version string is the one the program was built against.
png_structp CreateSilentPngReader();
png_structp CreateSilentPngWriter();
