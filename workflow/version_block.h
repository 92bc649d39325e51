#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A version information block: a tree of nodes, each a 16-bit length, a
// 16-bit value length, a 16-bit type (0 binary, 1 text), a zero-terminated
// UTF-16 key, then the value and the child nodes, each aligned to 4 bytes
// from the start of the block. The root is "VS_VERSION_INFO" with the 52-byte
// fixed file information as its value; "StringFileInfo" holds one string table
// per translation and "VarFileInfo\Translation" the list of translations.
// All numbers are little-endian.

// The fixed part's signature, and the size of the whole fixed part.
inline constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr size_t kFixedFileInfoSize = 52;

class VersionBlock {
public:
    // Checks the whole tree: every length within its parent, every key
    // terminated, every value inside its node, at most a few levels deep.
    // Bytes after the root node (section padding) are ignored. False for
    // anything else; the block is then empty.
    bool Parse(std::span<const uint8_t> bytes);

    // The value at a path such as "\" or "\VarFileInfo\Translation" (keys
    // compared without regard to ASCII case). False when absent.
    bool Query(std::string_view path, std::span<const uint8_t>& value, uint16_t& type) const;

private:
    std::span<const uint8_t> block; // the root node only, after Parse succeeded
};

// UTF-16LE text up to its first zero unit (or the end), as UTF-8; unpaired
// surrogates become U+FFFD.
std::string Utf16ToUtf8(std::span<const uint8_t> bytes);
