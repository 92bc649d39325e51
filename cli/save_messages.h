#pragma once
#include <string>

// "Unable to save the image in file PATH" and "This file may be write
// protected." on two lines, as the desktop program words a failed save.
std::string SaveFailedMessage(const std::string& target);
