#include "imagefiles/gif_lzw.h"

#include <memory>

namespace {

constexpr int kMaxCodeWidth = 12;
constexpr int kTableSize = 1 << kMaxCodeWidth; // codes 0 to 4095
constexpr int kStackSize = kTableSize + 1;

// Places pixels in display order; interlaced images fill rows 0, 8, 16…,
// then 4, 12…, then 2, 6…, then 1, 3….
class PixelPlacer {
public:
    explicit PixelPlacer(const GifPixelSink& sink)
        : sink_(sink)
        , total_(static_cast<uint64_t>(sink.width) * static_cast<uint64_t>(sink.height))
    {
    }

    bool Done() const { return emitted_ >= total_; }

    void Put(uint8_t index)
    {
        ++emitted_;
        if (row_ >= sink_.height)
            return; // past the last pass: dropped
        sink_.indices[static_cast<size_t>(row_) * sink_.width + column_] = index;
        if (++column_ < sink_.width)
            return;
        column_ = 0;
        if (!sink_.interlaced) {
            ++row_;
            return;
        }
        row_ += kPassStep[pass_];
        while (row_ >= sink_.height && pass_ < 3)
            row_ = kPassStart[++pass_];
    }

private:
    static constexpr int kPassStart[4] = { 0, 4, 2, 1 };
    static constexpr int kPassStep[4] = { 8, 8, 4, 2 };
    GifPixelSink sink_;
    uint64_t total_;
    uint64_t emitted_ = 0;
    int row_ = 0;
    int column_ = 0;
    int pass_ = 0;
};

// Codes are packed least significant bit first.
class CodeReader {
public:
    explicit CodeReader(std::span<const uint8_t> data)
        : data_(data)
    {
    }

    // False when the data holds fewer than `width` more bits.
    bool Read(int width, int& code)
    {
        if (bitPosition_ + width > data_.size() * 8)
            return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bitPosition_)
            code |= ((data_[bitPosition_ >> 3] >> (bitPosition_ & 7)) & 1) << i;
        return true;
    }

private:
    std::span<const uint8_t> data_;
    uint64_t bitPosition_ = 0;
};

// All of one decode's state; on the heap, never shared between decodes.
struct LzwState {
    uint16_t prefix[kTableSize] = {};
    uint8_t suffix[kTableSize] = {};
    uint8_t stack[kStackSize] = {};
};

} // namespace

bool DecodeGifLzw(std::span<const uint8_t> data, int minimumCodeSize, int literalMask, const GifPixelSink& sink)
{
    // The first code after a clear is one bit wider than the size; a table
    // needs room for the clear and end codes below 4096.
    if (minimumCodeSize < 1 || minimumCodeSize >= kMaxCodeWidth)
        return false;
    auto state = std::make_unique<LzwState>();
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    int codeWidth = minimumCodeSize + 1;
    int nextFree = clearCode + 2;
    int previous = -1; // no previous string: the next code is a literal
    uint8_t firstChar = 0;
    CodeReader reader(data);
    PixelPlacer placer(sink);

    int code = 0;
    while (!placer.Done() && reader.Read(codeWidth, code)) {
        if (code == clearCode) {
            codeWidth = minimumCodeSize + 1;
            nextFree = clearCode + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            // The string after a clear (or at the start) is one literal.
            if (code == endCode)
                break;
            code &= literalMask;
            firstChar = static_cast<uint8_t>(code);
            placer.Put(firstChar);
            previous = code;
            continue;
        }
        if (code == endCode)
            break;
        // A full table must be followed by a clear code; anything else ends
        // the image, leaving the remaining pixels at index 0.
        if (nextFree >= kTableSize)
            break;
        int depth = 0;
        int walk = code;
        if (code >= nextFree) {
            // Not yet in the table: the previous string plus its own first character.
            state->stack[depth++] = firstChar;
            walk = previous;
        }
        while (walk >= clearCode + 2 && depth < kStackSize) {
            state->stack[depth++] = state->suffix[walk];
            walk = state->prefix[walk];
        }
        if (depth >= kStackSize)
            break; // a string longer than any table allows: a cycle in a hostile stream
        firstChar = static_cast<uint8_t>(walk);
        state->stack[depth++] = firstChar;
        while (depth > 0 && !placer.Done())
            placer.Put(state->stack[--depth]);

        state->prefix[nextFree] = static_cast<uint16_t>(previous);
        state->suffix[nextFree] = firstChar;
        ++nextFree;
        if (nextFree == (1 << codeWidth) && codeWidth < kMaxCodeWidth)
            ++codeWidth;
        previous = code;
    }
    return true;
}
