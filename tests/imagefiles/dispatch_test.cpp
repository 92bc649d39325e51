#include <gtest/gtest.h>

#include "imagefiles/byte_cursor.h"
#include "imagefiles/save_dispatch.h"
#include "test_files.h"

namespace {

class Dispatch : public ::testing::Test {
protected:
    std::string WriteHead(const std::string& name, Bytes head)
    {
        head.resize(std::max<size_t>(head.size(), 16), 0);
        return folder.Write(name, head);
    }
    TempFolder folder;
};

TEST_F(Dispatch, DetectsEveryFormatByItsFirstTwoBytes)
{
    const std::pair<Bytes, ImageFileType> cases[] = {
        { { 'B', 'M' }, ImageFileType::Bmp },
        { { 0x89, 'P', 'N', 'G' }, ImageFileType::Png },
        { { 'I', 'I', 42, 0 }, ImageFileType::Tiff },
        { { 'M', 'M', 0, 42 }, ImageFileType::Tiff },
        { { '%', 'Q', 'M', 'I' }, ImageFileType::RawScan },
        { { 'P', '5' }, ImageFileType::Pgm },
        { { 'P', '6' }, ImageFileType::Ppm },
        { { 'G', 'I', 'F' }, ImageFileType::Gif },
        { { '8', 'B', 'P', 'S' }, ImageFileType::Psd },
        { { 0xFF, 0xD8, 0xFF }, ImageFileType::Jpeg },
        { { 'P', '4' }, ImageFileType::Unknown },
        { { 'B', 'A' }, ImageFileType::Unknown },
        { { 'h', 'e', 'l', 'l', 'o' }, ImageFileType::Unknown },
    };
    for (const auto& [head, type] : cases)
        EXPECT_EQ(DetectImageFileType(WriteHead("file.dat", head).c_str()), type) << int(head[0]);
}

TEST_F(Dispatch, ContentDecidesNotTheName)
{
    // A PNG named .jpg is a PNG; a bitmap named .tif is a bitmap.
    std::string png = WriteHead("picture.jpg", { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' });
    EXPECT_EQ(DetectImageFileType(png.c_str()), ImageFileType::Png);
    CImage source(3, 3, 3, SampleU8);
    source.Fill(10, 20, 30, 0);
    std::string bmp = folder.Path("bitmap.tif");
    ASSERT_EQ(SaveBmp(source, bmp.c_str()), FileOk);
    CImage loaded(bmp.c_str(), 0);
    EXPECT_EQ(loaded.channelCount, 3);
    EXPECT_EQ(At8(loaded, 1, 2, 2), 20);
}

TEST_F(Dispatch, TinyMissingAndTextFilesAreUnknownAndLoadNothing)
{
    std::string one = folder.Write("one.bmp", Bytes { 'B' });
    std::string empty = folder.Write("empty.bmp", Bytes {});
    std::string text = folder.Write("notes.bmp", Bytes { 'h', 'e', 'l', 'l', 'o', '\n' });
    for (const std::string& path : { one, empty, text, folder.Path("missing.bmp") }) {
        EXPECT_EQ(DetectImageFileType(path.c_str()), ImageFileType::Unknown) << path;
        int w = 7, h = 7, c = 7;
        EXPECT_EQ(ReadImageFileInfo(path.c_str(), &w, &h, &c), ImageFileType::Unknown);
        EXPECT_EQ(w + h + c, 0);
        CImage image(path.c_str(), 0);
        EXPECT_EQ(image.channelCount, 0);
        EXPECT_EQ(image.planes[0], nullptr);
    }
    EXPECT_EQ(DetectImageFileType(nullptr), ImageFileType::Unknown);
}

TEST_F(Dispatch, FailedLoadLeavesAnEmptyImageWithDefaults)
{
    // A valid header whose pixels stop short.
    CImage source(4, 4, 3, SampleU8);
    source.Fill(1, 2, 3, 0);
    source.resolutionDpi = 300;
    std::string path = folder.Path("cut.bmp");
    ASSERT_EQ(SaveBmp(source, path.c_str()), FileOk);
    Bytes bytes = TempFolder::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 54u + 4 * 12);
    bytes.resize(54 + 4 * 12 - 5);
    TempFolder::WriteBytes(path, bytes);
    CImage image(path.c_str(), 0);
    EXPECT_EQ(image.channelCount, 0);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.resolutionDpi, 0);
    EXPECT_EQ(image.jpegQuality, 75);
    EXPECT_EQ(image.jpegSubsampling, 2);
    EXPECT_EQ(image.planes[0], nullptr);
}

TEST_F(Dispatch, AnExplicitTypeSkipsDetectionAndUnassignedTypesReadNothing)
{
    Bytes pgm;
    PutText(pgm, "P5 2 1 255\n");
    pgm.insert(pgm.end(), { 9, 8 });
    std::string path = folder.Write("grey.pgm", pgm);
    CImage asPgm(path.c_str(), int(ImageFileType::Pgm));
    EXPECT_EQ(asPgm.channelCount, 1);
    for (int type : { int(ImageFileType::Ppm), int(ImageFileType::Bmp), 8, 1, 12 }) {
        CImage image(path.c_str(), type);
        EXPECT_EQ(image.channelCount, 0) << type;
    }
}

TEST_F(Dispatch, SavingChoosesTheWriterByExtensionWithoutRegardToCase)
{
    CImage image(4, 3, 3, SampleU8);
    image.Fill(5, 6, 7, 0);
    for (const char* name : { "a.bmp", "b.BMP", "c.Bmp", "dir.x/d.bmp" }) {
        std::string path = folder.Path(name);
        if (std::string(name).find('/') != std::string::npos)
            std::filesystem::create_directories(folder.Path("dir.x"));
        EXPECT_EQ(SaveImageByExtension(image, path.c_str(), nullptr, 75, 2, nullptr, 0), FileOk) << name;
        EXPECT_EQ(DetectImageFileType(path.c_str()), ImageFileType::Bmp) << name;
    }
    for (const char* name : { "e.gif", "f", "g.bmpx", "h.jpeg", "bmp", "dir.bmp/noext" }) {
        EXPECT_EQ(SaveImageByExtension(image, folder.Path(name).c_str(), nullptr, 75, 2, nullptr, 0), FileUnsupportedType)
            << name;
        EXPECT_FALSE(std::filesystem::exists(folder.Path(name))) << name;
    }
}

TEST(ByteCursorReads, FailWithoutMovingAndNeverLeaveTheBytes)
{
    const uint8_t bytes[] = { 0x01, 0x02, 0x03, 0x04, 0x05 };
    ByteCursor cursor(bytes, sizeof bytes);
    uint16_t be = 0, le = 0;
    uint32_t word = 0;
    ASSERT_TRUE(cursor.ReadBe16(be) && cursor.ReadLe16(le));
    EXPECT_EQ(be, 0x0102);
    EXPECT_EQ(le, 0x0403);
    EXPECT_FALSE(cursor.ReadLe32(word));
    EXPECT_EQ(cursor.Position(), 4u);
    EXPECT_TRUE(cursor.Take(2).empty());
    EXPECT_EQ(cursor.TakeUpTo(9).size(), 1u);
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_FALSE(cursor.Seek(6));
    EXPECT_TRUE(cursor.Seek(5));
    EXPECT_EQ(cursor.Sub(3, 2).Size(), 2u);
    EXPECT_EQ(cursor.Sub(4, 2).Size(), 0u);
    EXPECT_EQ(cursor.Sub(UINT64_MAX, 2).Size(), 0u);
    ByteCursor from(cursor.Sub(1, 4));
    ASSERT_TRUE(from.ReadBe32(word));
    EXPECT_EQ(word, 0x02030405u);
}

} // namespace

TEST(HeaderOnlyDescription, ReportsWhatAFullLoadWouldForEverySeedFile)
{
    // The fuzz seeds cover every reader's layouts (palettes, CMYK, 16 bits,
    // planar, raw scan margins); `info` prints what the header alone gives.
    namespace fs = std::filesystem;
    const fs::path corpus = fs::path(SW_TEST_DATA_DIR).parent_path().parent_path() / "fuzz" / "corpus";
    int compared = 0;
    for (const char* format : { "bmp", "gif", "jpeg", "png", "pnm", "psd", "rawscan", "tiff" }) {
        for (const auto& entry : fs::directory_iterator(corpus / format)) {
            const std::string path = entry.path().string();
            CImage full(0, 0, 0, SampleU8), described(0, 0, 0, SampleU8);
            if (LoadImageFile(full, path.c_str(), 0) != FileOk)
                continue;
            ASSERT_EQ(LoadImageHeader(described, path.c_str()), FileOk) << path;
            EXPECT_EQ(described.width, full.width) << path;
            EXPECT_EQ(described.height, full.height) << path;
            EXPECT_EQ(described.channelCount, full.channelCount) << path;
            EXPECT_EQ(described.sampleType, full.sampleType) << path;
            EXPECT_EQ(described.resolutionDpi, full.resolutionDpi) << path;
            EXPECT_EQ(described.jpegSubsampling, full.jpegSubsampling) << path;
            EXPECT_EQ(described.marginWidth, full.marginWidth) << path;
            EXPECT_FALSE(described.HasPlanes()) << path;
            ++compared;
        }
    }
    EXPECT_GE(compared, 60);
}
