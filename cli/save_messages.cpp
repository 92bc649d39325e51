#include "cli/save_messages.h"

std::string SaveFailedMessage(const std::string& target)
{
    return "Unable to save the image in file " + target + "\nThis file may be write protected.";
}
