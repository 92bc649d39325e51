#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// A read-only window on bytes whose every read is bounds-checked: a read that
// would leave the window fails and leaves its output untouched. Offsets are
// 64-bit so that an offset plus a length read from a hostile file cannot wrap.
class CByteView {
public:
    CByteView() = default;
    explicit CByteView(std::span<const uint8_t> bytes) : bytes_(bytes) { }

    size_t Size() const { return bytes_.size(); }
    const uint8_t* Data() const { return bytes_.data(); }

    // True when [offset, offset + length) lies inside the window.
    bool Contains(uint64_t offset, uint64_t length) const
    {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    bool U16(uint64_t offset, bool bigEndian, uint16_t& out) const
    {
        if (!Contains(offset, 2))
            return false;
        const uint8_t* p = bytes_.data() + offset;
        out = bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
        return true;
    }

    bool U32(uint64_t offset, bool bigEndian, uint32_t& out) const
    {
        if (!Contains(offset, 4))
            return false;
        const uint8_t* p = bytes_.data() + offset;
        out = bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                        : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        return true;
    }

    // The sub-window [offset, offset + length), or an empty one when it does not fit.
    CByteView Sub(uint64_t offset, uint64_t length) const
    {
        if (!Contains(offset, length))
            return CByteView();
        return CByteView(bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length)));
    }

private:
    std::span<const uint8_t> bytes_;
};
