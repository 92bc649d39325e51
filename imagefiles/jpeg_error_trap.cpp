#include "imagefiles/jpeg_error_trap.h"

namespace {

[[noreturn]] void JumpOnFatalError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->jump, 1);
}

// Warnings (such as premature end of data) never stop a decode and are not
// for the user's eyes.
void DiscardMessage(j_common_ptr) { }

} // namespace

jpeg_error_mgr* InstallJpegErrorTrap(JpegErrorTrap& trap)
{
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpOnFatalError;
    trap.manager.output_message = DiscardMessage;
    return &trap.manager;
}
