#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// A read position over bytes that cannot leave them. Every read either
// succeeds completely and advances, or fails and leaves the position where it
// was, so that parsers chain reads with && and stop at the first short one.
class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(const uint8_t* data, size_t size)
        : bytes_(data, data ? size : 0)
    {
    }
    explicit ByteCursor(std::span<const uint8_t> bytes)
        : bytes_(bytes)
    {
    }

    size_t Size() const { return bytes_.size(); }
    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }
    const uint8_t* Data() const { return bytes_.data(); }

    // Positions at the end itself are allowed; beyond it fail.
    bool Seek(uint64_t position)
    {
        if (position > bytes_.size())
            return false;
        position_ = static_cast<size_t>(position);
        return true;
    }
    bool Skip(uint64_t count)
    {
        if (count > Remaining())
            return false;
        position_ += static_cast<size_t>(count);
        return true;
    }

    bool ReadU8(uint8_t& value) { return ReadUnsigned<1, false>(value); }
    bool ReadLe16(uint16_t& value) { return ReadUnsigned<2, false>(value); }
    bool ReadLe32(uint32_t& value) { return ReadUnsigned<4, false>(value); }
    bool ReadBe16(uint16_t& value) { return ReadUnsigned<2, true>(value); }
    bool ReadBe32(uint32_t& value) { return ReadUnsigned<4, true>(value); }

    bool ReadBytes(void* out, size_t count)
    {
        if (count > Remaining())
            return false;
        if (count)
            std::memcpy(out, bytes_.data() + position_, count);
        position_ += count;
        return true;
    }

    // The next count bytes, advancing past them; empty (and no move) when
    // fewer remain. A request for 0 bytes also gives an empty span.
    std::span<const uint8_t> Take(uint64_t count)
    {
        if (count > Remaining())
            return {};
        auto taken = bytes_.subspan(position_, static_cast<size_t>(count));
        position_ += static_cast<size_t>(count);
        return taken;
    }

    // Whatever is left, possibly fewer than asked for, advancing past it.
    std::span<const uint8_t> TakeUpTo(uint64_t count)
    {
        return Take(count < Remaining() ? count : Remaining());
    }

    std::span<const uint8_t> Rest() const { return bytes_.subspan(position_); }

    // A cursor over [offset, offset + length) of the whole range; empty when
    // that range does not lie inside.
    ByteCursor Sub(uint64_t offset, uint64_t length) const
    {
        if (offset > bytes_.size() || length > bytes_.size() - offset)
            return {};
        return ByteCursor(bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length)));
    }

private:
    template <int N, bool BigEndian, typename T>
    bool ReadUnsigned(T& value)
    {
        if (Remaining() < static_cast<size_t>(N))
            return false;
        const uint8_t* p = bytes_.data() + position_;
        uint32_t v = 0;
        for (int i = 0; i < N; ++i)
            v |= static_cast<uint32_t>(p[i]) << (8 * (BigEndian ? N - 1 - i : i));
        value = static_cast<T>(v);
        position_ += N;
        return true;
    }

    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};
