#pragma once
// Helpers for tests that write image files byte by byte and read them back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image.h"
#include "imagefiles/image_formats.h"

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void PutLe32(Bytes& b, uint32_t v)
{
    PutLe16(b, v);
    PutLe16(b, v >> 16);
}
inline void PutBe16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void PutBe32(Bytes& b, uint32_t v)
{
    PutBe16(b, v >> 16);
    PutBe16(b, v);
}
inline void PutText(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }

// A folder of its own per test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "swfiles.XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

    // Writes the bytes under `name`. When SPECKWASH_SEED_DIR is set, also
    // keeps a copy in its subfolder for the format (by extension), which is
    // where the fuzz targets' seed corpora come from.
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        std::string path = Path(name);
        WriteBytes(path, bytes);
        if (const char* seeds = std::getenv("SPECKWASH_SEED_DIR")) {
            std::string ext = std::filesystem::path(name).extension().string();
            std::string kind = ext == ".pgm" || ext == ".ppm" ? "pnm" : ext == ".raw" ? "rawscan" : ext.substr(1);
            std::filesystem::create_directories(std::string(seeds) + "/" + kind);
            WriteBytes(std::string(seeds) + "/" + kind + "/" + name, bytes);
        }
        return path;
    }

    static void WriteBytes(const std::string& path, const Bytes& bytes)
    {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return;
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    static Bytes ReadBytes(const std::string& path)
    {
        Bytes bytes;
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return bytes;
        int c;
        while ((c = std::fgetc(file)) != EOF)
            bytes.push_back(uint8_t(c));
        std::fclose(file);
        return bytes;
    }

private:
    std::string path_;
};

// Loads through the dispatch, as the program does, and returns the result.
inline FileResult Load(CImage& image, const std::string& path, ImageFileType type = ImageFileType::Unknown)
{
    return LoadImageFile(image, path.c_str(), static_cast<int>(type));
}

inline uint8_t At8(const CImage& image, int channel, int x, int y)
{
    return image.Plane8(channel)[size_t(y) * image.width + x];
}
inline uint16_t At16(const CImage& image, int channel, int x, int y)
{
    return image.Plane16(channel)[size_t(y) * image.width + x];
}
