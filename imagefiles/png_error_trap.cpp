#include "imagefiles/png_error_trap.h"

#include <csetjmp>

namespace {

[[noreturn]] void JumpOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) { }

} // namespace

png_structp CreateSilentPngReader()
{
    return png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
}

png_structp CreateSilentPngWriter()
{
    return png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
}
