#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "metadata/exif_parser.h"
#include "metadata/jpeg_metadata.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Builds a TIFF block in either byte order; offsets are from its start.
class CTiffBlock {
public:
    explicit CTiffBlock(bool bigEndian) : bigEndian_(bigEndian)
    {
        bytes_ = bigEndian ? Bytes { 'M', 'M' } : Bytes { 'I', 'I' };
        U16(42);
        U32(8);
    }
    void U16(uint16_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
    {
        U16(tag);
        U16(type);
        U32(count);
        U32(value);
    }
    void Text(const std::string& text)
    {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.push_back(0);
    }
    uint32_t Size() const { return uint32_t(bytes_.size()); }
    Bytes App1Payload() const
    {
        Bytes payload = { 'E', 'x', 'i', 'f', 0, 0 };
        payload.insert(payload.end(), bytes_.begin(), bytes_.end());
        return payload;
    }

private:
    void Put(uint32_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            bytes_.push_back(uint8_t(bigEndian_ ? v >> (8 * (size - 1 - i)) : v >> (8 * i)));
    }
    bool bigEndian_;
    Bytes bytes_;
};

// One directory holding just a Model entry whose text follows it.
Bytes ModelBlock(bool bigEndian, const std::string& model)
{
    CTiffBlock block(bigEndian);
    block.U16(1);
    uint32_t count = uint32_t(model.size() + 1);
    if (count <= 4) { // the text fits in the entry itself
        block.U16(272);
        block.U16(2);
        block.U32(count);
        block.Text(model + std::string(4 - count, '\0')); // with its zero: four bytes
    } else {
        block.Entry(272, 2, count, 8 + 2 + 12 + 4);
    }
    block.U32(0);
    if (count > 4)
        block.Text(model);
    return block.App1Payload();
}

Bytes Segment(uint8_t marker, const Bytes& payload)
{
    Bytes segment = { 0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t((payload.size() + 2) & 0xFF) };
    segment.insert(segment.end(), payload.begin(), payload.end());
    return segment;
}

// SOI, the given segments, then the start of the image data.
Bytes JpegWith(std::initializer_list<Bytes> segments)
{
    Bytes file = { 0xFF, 0xD8 };
    for (const Bytes& s : segments)
        file.insert(file.end(), s.begin(), s.end());
    Bytes scan = Segment(0xDA, { 1, 1, 0, 0, 63, 0 });
    file.insert(file.end(), scan.begin(), scan.end());
    return file;
}

class JpegMetadataTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes)
    {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        // With SPECKWASH_FUZZ_SEEDS set, every file written here seeds the EXIF fuzzer.
        if (const char* seeds = std::getenv("SPECKWASH_FUZZ_SEEDS")) {
            static int counter = 0;
            std::filesystem::path folder = std::filesystem::path(seeds) / "exif";
            std::filesystem::create_directories(folder);
            std::filesystem::copy_file(path_, folder / (std::to_string(++counter) + ".jpg"),
                std::filesystem::copy_options::overwrite_existing);
        }
        return path_;
    }
    std::string Model(const Bytes& file) { return ReadJpegMetadata(Write(file).c_str()).cameraModel; }
    bool Capture(const Bytes& file, App1Segment& segment)
    {
        FILE* stream = std::fopen(Write(file).c_str(), "rb");
        bool found = CaptureApp1Segment(stream, segment);
        std::fclose(stream);
        return found;
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::string path_ = (std::filesystem::temp_directory_path() / ("speckwash-meta-" + std::to_string(getpid()))).string();
};

std::string ParsedModel(const Bytes& payload)
{
    std::string model;
    ParseExifModel(payload, model);
    return model;
}

} // namespace

TEST_F(JpegMetadataTest, ModelInEitherByteOrder)
{
    EXPECT_EQ(Model(JpegWith({ Segment(0xE1, ModelBlock(false, "Canon EOS 5D")) })), "Canon EOS 5D");
    EXPECT_EQ(Model(JpegWith({ Segment(0xE1, ModelBlock(true, "Canon EOS 5D")) })), "Canon EOS 5D");
    EXPECT_EQ(Model(JpegWith({ Segment(0xE0, { 'J', 'F', 'I', 'F', 0 }) })), "");
    EXPECT_EQ(Model(JpegWith({ Segment(0xE1, ModelBlock(false, "")) })), "");
}

TEST_F(JpegMetadataTest, LongModelIsCutAt39Characters)
{
    std::string sixty(60, 'x');
    for (size_t i = 0; i < sixty.size(); ++i)
        sixty[i] = char('A' + i % 26);
    EXPECT_EQ(Model(JpegWith({ Segment(0xE1, ModelBlock(true, sixty)) })), sixty.substr(0, 39));
    // A short value stored inline in the entry (at most four bytes).
    CTiffBlock block(false);
    block.U16(1);
    block.U16(272);
    block.U16(2);
    block.U32(4);
    block.Text("D70");
    block.U32(0);
    EXPECT_EQ(ParsedModel(block.App1Payload()), "D70");
}

TEST_F(JpegMetadataTest, OutOfSegmentEntriesAndDirectoriesAreSkipped)
{
    CTiffBlock block(false);
    block.U16(2);
    block.Entry(272, 2, 100, 5000); // points past the segment
    block.Entry(272, 2, 6, 8 + 2 + 24 + 4);
    block.U32(0);
    block.Text("Leica");
    EXPECT_EQ(ParsedModel(block.App1Payload()), "Leica");

    CTiffBlock overflowing(true);
    overflowing.U16(0xFFFF); // entries run past the end: the directory is ignored
    overflowing.Entry(272, 2, 4, 0x41424300);
    overflowing.U32(0);
    EXPECT_EQ(ParsedModel(overflowing.App1Payload()), "");

    CTiffBlock huge(false);
    huge.U16(1);
    huge.Entry(272, 12, 0xFFFFFFFF, 8); // size far beyond 32 bits of bytes
    huge.U32(0);
    EXPECT_EQ(ParsedModel(huge.App1Payload()), "");

    Bytes notTiff = ModelBlock(false, "Sony");
    notTiff[6] = 'X';
    std::string model = "kept";
    EXPECT_FALSE(ParseExifModel(notTiff, model));
    EXPECT_EQ(model, "kept");
}

TEST_F(JpegMetadataTest, NestingStopsAtDepthFourAndLoopsEnd)
{
    // IFD0 -> EXIF -> interoperability -> EXIF -> ..., each a 1-entry
    // directory pointing at the next; the last holds the Model.
    auto chain = [](int links) {
        CTiffBlock block(true);
        for (int depth = 0; depth < links; ++depth) {
            uint32_t next = block.Size() + 18;
            block.U16(1);
            block.Entry(depth % 2 ? 0xA005 : 0x8769, 4, 1, next);
            block.U32(0);
        }
        uint32_t text = block.Size() + 18;
        block.U16(1);
        block.Entry(272, 2, 6, text);
        block.U32(0);
        block.Text("Deep!");
        return block.App1Payload();
    };
    EXPECT_EQ(ParsedModel(chain(4)), "Deep!");
    EXPECT_EQ(ParsedModel(chain(5)), "");

    // A directory that names itself as both its sub-directory and its successor.
    CTiffBlock loop(false);
    loop.U16(2);
    loop.Entry(0x8769, 4, 1, 8);
    loop.Entry(272, 2, 4, 0x00544F4C); // "LOT" inline
    loop.U32(8);
    EXPECT_EQ(ParsedModel(loop.App1Payload()), "LOT");

    // The next-directory link counts as one level deeper too.
    CTiffBlock linked(false);
    linked.U16(0);
    linked.U32(14);
    linked.U16(1);
    linked.Entry(272, 2, 4, 0x00314649); // "IF1"
    linked.U32(0);
    EXPECT_EQ(ParsedModel(linked.App1Payload()), "IF1");
}

TEST_F(JpegMetadataTest, XmpBeforeExifIsCapturedAndModelStillFound)
{
    Bytes xmp = { 'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0, '<', 'x', '/', '>' };
    Bytes file = JpegWith({ Segment(0xE0, { 'J', 'F', 'I', 'F', 0 }), Segment(0xE1, xmp),
        Segment(0xE1, ModelBlock(false, "PENTAX K-1")) });
    EXPECT_EQ(Model(file), "PENTAX K-1");
    App1Segment segment;
    ASSERT_TRUE(Capture(file, segment));
    EXPECT_EQ(segment.length, int(xmp.size() + 2));
    Bytes expected = { 0, uint8_t(xmp.size() + 2) };
    expected.insert(expected.end(), xmp.begin(), xmp.end());
    EXPECT_EQ(segment.bytes, expected);
    EXPECT_EQ(segment.PayloadLength(), int(xmp.size()));
    EXPECT_EQ(Bytes(segment.Payload(), segment.Payload() + segment.PayloadLength()), xmp);
}

TEST_F(JpegMetadataTest, FillBytesUpToSixAreAccepted)
{
    Bytes exif = Segment(0xE1, ModelBlock(false, "Fuji"));
    auto padded = [&](int extra) {
        Bytes file = JpegWith({ exif });
        file.insert(file.begin() + 2, size_t(extra), uint8_t(0xFF));
        return file;
    };
    App1Segment segment;
    EXPECT_EQ(Model(padded(5)), "Fuji"); // six 0xFF bytes before the marker
    EXPECT_TRUE(Capture(padded(5), segment));
    EXPECT_EQ(Model(padded(6)), ""); // seven
    EXPECT_FALSE(Capture(padded(6), segment));
    EXPECT_EQ(segment.length, 0);
    EXPECT_TRUE(segment.bytes.empty());
}

TEST_F(JpegMetadataTest, WalkFailuresGiveNothing)
{
    App1Segment segment;
    Bytes exif = Segment(0xE1, ModelBlock(true, "Olympus"));
    Bytes noApp1 = JpegWith({ Segment(0xE0, { 'J', 'F', 'I', 'F', 0 }) });
    EXPECT_FALSE(Capture(noApp1, segment));
    EXPECT_EQ(segment.length, 0);

    // End of image before the image data: the model found so far is dropped.
    Bytes early = { 0xFF, 0xD8 };
    early.insert(early.end(), exif.begin(), exif.end());
    early.insert(early.end(), { 0xFF, 0xD9 });
    EXPECT_EQ(Model(early), "");

    Bytes cut = JpegWith({ exif });
    cut.resize(2 + exif.size() - 3);
    EXPECT_EQ(Model(cut), "");
    EXPECT_FALSE(Capture(cut, segment));

    Bytes shortLength = JpegWith({ exif });
    shortLength[4] = 0;
    shortLength[5] = 1;
    EXPECT_EQ(Model(shortLength), "");

    Bytes notJpeg = JpegWith({ exif });
    notJpeg[1] = 0xD9;
    EXPECT_EQ(Model(notJpeg), "");
    EXPECT_FALSE(Capture(notJpeg, segment));
    EXPECT_EQ(ReadJpegMetadata("/nonexistent/file.jpg").cameraModel, "");
    EXPECT_FALSE(CaptureApp1Segment(nullptr, segment));
}
