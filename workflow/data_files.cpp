#include "workflow/data_files.h"

#include <filesystem>
#include <system_error>

std::string InstalledDataFilePath(const std::string& executablePath, const std::string& fileName)
{
    const std::filesystem::path prefix = std::filesystem::path(executablePath).parent_path().parent_path();
    return (prefix / "share" / "speckwash" / fileName).lexically_normal().string();
}

std::string FirstExistingFile(std::initializer_list<std::string> candidates)
{
    for (const std::string& path : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return candidates.size() ? *candidates.begin() : std::string();
}
