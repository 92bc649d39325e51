#include "cli/save_messages.h"

#include <cstring>
#include <strings.h>

#include "imagefiles/image_file_types.h"

namespace {

bool HasExtension(const std::string& path, const char* extension)
{
    size_t n = std::strlen(extension);
    return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, extension) == 0;
}

std::string TooLargeReason(const std::string& target)
{
    if (HasExtension(target, ".jpg"))
        return "A JPEG file is at most 65,500 pixels wide and high.";
    if (HasExtension(target, ".png"))
        return "A PNG file is at most 1,000,000 pixels wide and high.";
    if (HasExtension(target, ".bmp"))
        return "The image is too large for a BMP file (4 GB at most).";
    return "The image is too large for this file type.";
}

std::string Reason(const std::string& target, int fileResult, int error)
{
    switch (fileResult) {
    case FileNoMemory:
        return "There is not enough memory to write it.";
    case FileTooLarge:
        return TooLargeReason(target);
    case FileUnsupportedType:
        return "No writer takes this file type: use .bmp, .jpg, .png or .tif.";
    case FileWriteProtected:
        return "This file is write protected.";
    case FileBadArgument:
        return "The image holds no pixels to write.";
    case FileSystemError:
        return std::string(error ? std::strerror(error) : "The system refused the write") + ".";
    default:
        return "The writer could not complete the file.";
    }
}

} // namespace

std::string SaveFailedMessage(const std::string& target, int fileResult, int error)
{
    return "Unable to save the image in file " + target + "\n" + Reason(target, fileResult, error);
}
