#pragma once
// Helpers shared by the tests of the library-backed formats: scratch folders,
// patterned images, external tools and raw file inspection.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "image/image.h"

namespace libtest {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class CScratchDir {
public:
    CScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "speckwash-lib-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~CScratchDir()
    {
        KeepSeeds();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    // With SPECKWASH_FUZZ_SEEDS set, the small image files a test leaves
    // behind are copied to <that folder>/<jpeg|tiff|png>/ to seed the fuzzers.
    void KeepSeeds() const
    {
        const char* seeds = std::getenv("SPECKWASH_FUZZ_SEEDS");
        if (!seeds || path_.empty())
            return;
        static int counter = 0;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
            std::string extension = entry.path().extension().string();
            std::string kind = extension == ".jpg" ? "jpeg" : extension == ".tif" ? "tiff" : extension == ".png" ? "png" : "";
            if (kind.empty() || !entry.is_regular_file() || entry.file_size() > 4096)
                continue;
            std::filesystem::path folder = std::filesystem::path(seeds) / kind;
            std::filesystem::create_directories(folder, ignored);
            std::filesystem::copy_file(entry.path(), folder / (std::to_string(++counter) + "-" + entry.path().filename().string()),
                std::filesystem::copy_options::overwrite_existing, ignored);
        }
    }

    std::filesystem::path path_;
};

// An image whose every sample differs from its neighbours in every channel,
// so that swapped planes, rows or bytes show.
inline void FillPattern(CImage& image)
{
    for (int c = 0; c < image.channelCount; ++c)
        for (size_t i = 0; i < image.PixelCount(); ++i) {
            uint32_t v = uint32_t(i * 7919 + c * 104729 + (i >> 3) * 31);
            if (image.sampleType == SampleU16)
                image.Plane16(c)[i] = uint16_t(v * 2654435761u >> 16);
            else
                image.Plane8(c)[i] = uint8_t(v);
        }
}

inline bool SamePlanes(const CImage& a, const CImage& b)
{
    if (a.width != b.width || a.height != b.height || a.channelCount != b.channelCount || a.sampleType != b.sampleType)
        return false;
    size_t bytes = a.PixelCount() * CImage::BytesPerSample(a.sampleType);
    for (int c = 0; c < a.channelCount; ++c)
        if (std::memcmp(a.GetPlane(c), b.GetPlane(c), bytes) != 0)
            return false;
    return true;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command quietly; true when it succeeded.
inline bool RunQuietly(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Entries left in a folder (a failed save must leave no temporary file).
inline size_t EntryCount(const std::filesystem::path& folder)
{
    return size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace libtest
