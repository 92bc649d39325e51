#include <gtest/gtest.h>

#include <vector>

#include "imagefiles/row_chunks.h"
#include "test_files.h"

namespace {

std::vector<uint8_t> PlaneBytes(const CImage& image)
{
    std::vector<uint8_t> all;
    const size_t bytes = image.PixelCount() * CImage::BytesPerSample(image.sampleType);
    for (int c = 0; c < image.channelCount; ++c) {
        const uint8_t* p = static_cast<const uint8_t*>(image.planes[c]);
        all.insert(all.end(), p, p + bytes);
    }
    return all;
}

// Loads `path` with plain rows read on `threads` threads.
FileResult LoadOn(int threads, const std::string& path, std::vector<uint8_t>& planes)
{
    const ReadThreadsScope readers(threads);
    CImage image(0, 0, 0, SampleU8);
    FileResult result = Load(image, path);
    planes = result == FileOk ? PlaneBytes(image) : std::vector<uint8_t>();
    return result;
}

} // namespace

// Files of several megabyte-sized chunks, the last one partial: shared among
// threads, every row lands where one thread puts it.
TEST(RowChunks, ThreadsReadWhatOneThreadReads)
{
    TempFolder folder;
    const int width = 901, height = 1500;
    Bytes ppm;
    PutText(ppm, "P6 " + std::to_string(width) + " " + std::to_string(height) + " 65535\n");
    for (int i = 0; i < width * height * 3; ++i)
        PutBe16(ppm, uint32_t(i * 2654435761u >> 16));
    CImage colour(width, height, 3, SampleU8);
    ASSERT_TRUE(colour.HasPlanes());
    for (int c = 0; c < 3; ++c)
        for (size_t i = 0; i < colour.PixelCount(); ++i)
            colour.Plane8(c)[i] = uint8_t((i * 7 + c * 31) ^ (i >> 9));
    const std::string bmp = folder.Path("rows.bmp");
    ASSERT_EQ(SaveBmp(colour, bmp.c_str()), FileOk);

    for (const std::string& path : { folder.Write("rows.ppm", ppm), bmp }) {
        std::vector<uint8_t> one, three;
        ASSERT_EQ(LoadOn(1, path, one), FileOk) << path;
        ASSERT_EQ(LoadOn(3, path, three), FileOk) << path;
        EXPECT_TRUE(one == three) << path;
    }
}
