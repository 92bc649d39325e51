#pragma once
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "image/image.h"

// A private folder for one test's files, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "speckwash-wf-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// A dusty scan in miniature: a bright, gently shaded flat area with dark and
// bright specks of a few pixels. 16-bit images get varied low bytes, so that
// losing them would show.
inline std::unique_ptr<CImage> DustyImage(int width, int height, int channels, int sampleType)
{
    auto image = std::make_unique<CImage>(width, height, channels, sampleType);
    image->resolutionDpi = 300;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int speck = 0;
            if ((x % 37 >= 10 && x % 37 < 13) && (y % 29 >= 8 && y % 29 < 11))
                speck = -120; // dark dust
            else if (x % 53 == 30 && y % 41 == 20)
                speck = +50; // a bright speck
            for (int c = 0; c < channels; ++c) {
                int base = 190 + c * 10 - (x + y) / 64;
                int value = std::clamp(base + speck, 0, 255);
                size_t i = static_cast<size_t>(y) * width + x;
                if (sampleType == SampleU16)
                    image->Plane16(c)[i] = static_cast<uint16_t>(value * 256 + ((x * 7 + y * 13 + c) & 0xFF));
                else
                    image->Plane8(c)[i] = static_cast<uint8_t>(value);
            }
        }
    return image;
}
