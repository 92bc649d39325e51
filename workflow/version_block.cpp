#include "workflow/version_block.h"

namespace {

// Blocks nest four levels deep (root, string file info, table, string);
// anything deeper is not a block of this kind.
constexpr int kMaxDepth = 6;
constexpr size_t kHeaderSize = 6;

uint16_t Le16(std::span<const uint8_t> bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

size_t Align4(size_t offset)
{
    return (offset + 3) & ~size_t(3);
}

// One node at `offset` that must end by `limit`; offsets are from the start
// of the block, as the alignment is.
struct Node {
    size_t start = 0;
    size_t end = 0; // start + length
    uint16_t type = 0;
    size_t keyStart = 0;
    size_t keyUnits = 0; // without the terminator
    size_t valueStart = 0;
    size_t valueSize = 0; // in bytes
    size_t childrenStart = 0;
};

bool ReadNode(std::span<const uint8_t> block, size_t offset, size_t limit, Node& node)
{
    if (limit > block.size() || offset > limit || limit - offset < kHeaderSize)
        return false;
    size_t length = Le16(block, offset);
    uint16_t valueLength = Le16(block, offset + 2);
    node.type = Le16(block, offset + 4);
    if (length < kHeaderSize + 2 || length > limit - offset || node.type > 1)
        return false;
    node.start = offset;
    node.end = offset + length;
    node.keyStart = offset + kHeaderSize;
    size_t cursor = node.keyStart;
    while (true) {
        if (node.end - cursor < 2)
            return false; // key without its terminator
        if (Le16(block, cursor) == 0)
            break;
        cursor += 2;
    }
    node.keyUnits = (cursor - node.keyStart) / 2;
    node.valueStart = Align4(cursor + 2);
    node.valueSize = node.type == 1 ? size_t(valueLength) * 2 : valueLength;
    if (node.valueSize > 0 && (node.valueStart > node.end || node.valueSize > node.end - node.valueStart))
        return false;
    node.childrenStart = Align4(node.valueSize > 0 ? node.valueStart + node.valueSize : cursor + 2);
    return true;
}

// Each child is at least 8 bytes long, so the walk ends; depth is capped.
bool CheckTree(std::span<const uint8_t> block, const Node& node, int depth)
{
    if (depth > kMaxDepth)
        return false;
    size_t offset = node.childrenStart;
    while (offset < node.end) {
        Node child;
        if (!ReadNode(block, offset, node.end, child) || !CheckTree(block, child, depth + 1))
            return false;
        offset = Align4(child.end);
    }
    return true;
}

char16_t FoldUnit(uint16_t unit)
{
    return (unit >= 'A' && unit <= 'Z') ? static_cast<char16_t>(unit - 'A' + 'a') : static_cast<char16_t>(unit);
}

bool KeyEquals(std::span<const uint8_t> block, const Node& node, std::string_view name)
{
    if (node.keyUnits != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (FoldUnit(Le16(block, node.keyStart + 2 * i)) != FoldUnit(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool FindChild(std::span<const uint8_t> block, const Node& parent, std::string_view name, Node& found)
{
    size_t offset = parent.childrenStart;
    while (offset < parent.end) {
        if (!ReadNode(block, offset, parent.end, found))
            return false;
        if (KeyEquals(block, found, name))
            return true;
        offset = Align4(found.end);
    }
    return false;
}

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

bool VersionBlock::Parse(std::span<const uint8_t> bytes)
{
    block = {};
    Node root;
    if (bytes.size() < kHeaderSize)
        return false;
    std::span<const uint8_t> candidate = bytes.first(std::min<size_t>(bytes.size(), Le16(bytes, 0)));
    if (!ReadNode(candidate, 0, candidate.size(), root) || !KeyEquals(candidate, root, "VS_VERSION_INFO")
        || !CheckTree(candidate, root, 0))
        return false;
    block = candidate;
    return true;
}

bool VersionBlock::Query(std::string_view path, std::span<const uint8_t>& value, uint16_t& type) const
{
    Node node;
    if (block.empty() || path.empty() || path.front() != '\\' || !ReadNode(block, 0, block.size(), node))
        return false;
    path.remove_prefix(1);
    while (!path.empty()) {
        size_t slash = path.find('\\');
        Node child;
        if (!FindChild(block, node, path.substr(0, slash), child))
            return false;
        node = child;
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    value = node.valueSize > 0 ? block.subspan(node.valueStart, node.valueSize) : std::span<const uint8_t>();
    type = node.type;
    return true;
}

std::string Utf16ToUtf8(std::span<const uint8_t> bytes)
{
    std::string out;
    size_t units = bytes.size() / 2;
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = Le16(bytes, 2 * i);
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            uint32_t low = Le16(bytes, 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit < 0xE000) ? 0xFFFD : unit);
    }
    return out;
}
