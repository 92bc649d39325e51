#include "imagefiles/gif_decoder.h"

#include <cstring>

#include "imagefiles/byte_cursor.h"
#include "imagefiles/file_bytes.h"
#include "imagefiles/gif_lzw.h"
#include "imagefiles/sanity_gate.h"

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kLabel52 = 0x52;
constexpr uint8_t kColourTableFlag = 0x80;
constexpr uint8_t kInterlaceFlag = 0x40;
// However short its LZW data, an image up to this many pixels is accepted:
// a truncated file shows what it has, the rest at index 0.
constexpr uint64_t kAlwaysAcceptedPixels = uint64_t(1) << 16;
// A code's string is at most one pixel longer than the previous one's, and a
// table holds about 4090 codes between clears, so even an ideal stream of one
// colour averages under 1500 pixels per byte of LZW data; pictures stay far
// below 100. Beyond 1000 a large image is a bomb (a clear code, an end code
// and padding can claim a gigapixel), and it is refused like one in the
// other compressed formats.
constexpr uint64_t kMaxPixelsPerDataByte = 1000;

// Reads `entries` colours over the table from index 0. Colours that the file
// ends before keep what they had (black unless an earlier table set them).
void ReadColourTable(ByteCursor& cursor, int entries, GifImage& out)
{
    for (int i = 0; i < entries; ++i) {
        uint8_t rgb[3];
        if (!cursor.ReadBytes(rgb, 3)) {
            cursor.Skip(cursor.Remaining());
            return;
        }
        out.red[i] = rgb[0];
        out.green[i] = rgb[1];
        out.blue[i] = rgb[2];
    }
}

// Skips a chain of sub-blocks (a length byte and that many bytes, ended by a
// zero length); a chain cut short by the end of the file ends at the end.
void SkipSubBlocks(ByteCursor& cursor)
{
    uint8_t length = 0;
    while (cursor.ReadU8(length) && length != 0)
        cursor.TakeUpTo(length);
}

// Collects the data of a chain of sub-blocks into one buffer.
std::span<const uint8_t> GatherSubBlocks(ByteCursor& cursor, uint8_t* buffer)
{
    size_t used = 0;
    uint8_t length = 0;
    while (cursor.ReadU8(length) && length != 0) {
        auto block = cursor.TakeUpTo(length);
        std::memcpy(buffer + used, block.data(), block.size());
        used += block.size();
    }
    return { buffer, used };
}

void SkipExtension(ByteCursor& cursor)
{
    uint8_t label = 0;
    if (!cursor.ReadU8(label))
        return;
    if (label == kPlainTextLabel || label == kLabel52) {
        // A fixed header (12 or 2 bytes), longer when its size byte says so.
        uint8_t size = 0;
        uint64_t least = label == kPlainTextLabel ? 12 : 2;
        cursor.ReadU8(size);
        cursor.TakeUpTo(size > least ? size : least);
    }
    SkipSubBlocks(cursor);
}

struct Descriptor {
    int width = 0;
    int height = 0;
    uint8_t packed = 0;
};

bool ReadDescriptor(ByteCursor& cursor, Descriptor& descriptor)
{
    uint16_t left = 0, top = 0, width = 0, height = 0;
    bool ok = cursor.ReadLe16(left) && cursor.ReadLe16(top) && cursor.ReadLe16(width)
        && cursor.ReadLe16(height) && cursor.ReadU8(descriptor.packed);
    descriptor.width = width;
    descriptor.height = height;
    return ok;
}

void SkipImage(ByteCursor& cursor)
{
    Descriptor descriptor;
    if (!ReadDescriptor(cursor, descriptor))
        return;
    if (descriptor.packed & kColourTableFlag)
        cursor.TakeUpTo(3ull << ((descriptor.packed & 7) + 1));
    cursor.Skip(1); // LZW minimum code size
    SkipSubBlocks(cursor);
}

bool DecodeImage(ByteCursor& cursor, int literalMask, GifImage& out)
{
    Descriptor descriptor;
    if (!ReadDescriptor(cursor, descriptor))
        return false;
    if (descriptor.packed & kColourTableFlag)
        ReadColourTable(cursor, 1 << ((descriptor.packed & 7) + 1), out);
    uint8_t minimumCodeSize = 0;
    if (!cursor.ReadU8(minimumCodeSize))
        return false;
    std::unique_ptr<uint8_t, decltype(&std::free)> data(static_cast<uint8_t*>(std::malloc(cursor.Remaining() + 1)), &std::free);
    if (!data)
        return false;
    std::span<const uint8_t> lzw = GatherSubBlocks(cursor, data.get());

    // Refuse an image that its data could not fill even at LZW's best ratio
    // before allocating it, unless it is small enough not to matter.
    uint64_t pixels = uint64_t(descriptor.width) * uint64_t(descriptor.height);
    if (CheckImageGeometry(descriptor.width, descriptor.height, 3, 1) != FileOk
        || (pixels > kAlwaysAcceptedPixels && pixels / kMaxPixelsPerDataByte > lzw.size()))
        return false;
    out.indices.reset(static_cast<uint8_t*>(std::calloc(pixels, 1)));
    if (!out.indices)
        return false;
    out.width = descriptor.width;
    out.height = descriptor.height;
    GifPixelSink sink { out.indices.get(), out.width, out.height, (descriptor.packed & kInterlaceFlag) != 0 };
    if (!DecodeGifLzw(lzw, minimumCodeSize, literalMask, sink)) {
        out.indices.reset();
        return false;
    }
    return true;
}

} // namespace

bool DecodeGifBytes(const uint8_t* bytes, size_t size, GifImage& out)
{
    out = GifImage {};
    ByteCursor cursor(bytes, size);
    auto signature = cursor.Take(6);
    if (signature.empty()
        || (std::memcmp(signature.data(), "GIF87a", 6) != 0 && std::memcmp(signature.data(), "GIF89a", 6) != 0))
        return false;
    bool is87a = signature[4] == '7';
    uint16_t screenWidth = 0, screenHeight = 0;
    uint8_t packed = 0, background = 0, aspect = 0;
    if (!(cursor.ReadLe16(screenWidth) && cursor.ReadLe16(screenHeight) && cursor.ReadU8(packed)
            && cursor.ReadU8(background) && cursor.ReadU8(aspect)))
        return false;
    // The pixel aspect byte did not exist before 89a; a value there means the
    // file is not what its signature says.
    if (is87a && aspect != 0)
        return false;
    int bitsPerPixel = (packed & 7) + 1;
    if (packed & kColourTableFlag)
        ReadColourTable(cursor, 1 << bitsPerPixel, out);

    bool decoded = false;
    uint8_t block = 0;
    while (cursor.ReadU8(block)) {
        if (block == kExtensionIntroducer) {
            SkipExtension(cursor);
        } else if (block == kImageSeparator) {
            if (decoded)
                SkipImage(cursor);
            else if (!DecodeImage(cursor, (1 << bitsPerPixel) - 1, out))
                return false;
            else
                decoded = true;
        } else {
            break; // the trailer, or a block we do not know: nothing more to read
        }
    }
    if (!decoded)
        out = GifImage {};
    return decoded;
}

bool DecodeGif(const char* path, GifImage& out)
{
    FileBytes file;
    if (ReadFileBytes(path, file) != FileOk) {
        out = GifImage {};
        return false;
    }
    return DecodeGifBytes(file.data.get(), file.size, out);
}
