#include "app/help/help_file.h"

#include <chm_lib.h>

#include <algorithm>

namespace {

uint32_t Le32(const std::string& s, size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const std::string& s, size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return uint16_t(p[0] | p[1] << 8);
}

// A zero-terminated string inside a block, cut at the block's end when the
// terminator is missing.
std::string CString(const std::string& block, size_t at)
{
    if (at >= block.size())
        return {};
    size_t end = block.find('\0', at);
    return block.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string AsObjectPath(std::string name)
{
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (name.empty() || name[0] != '/')
        name.insert(name.begin(), '/');
    return name;
}

// System block record codes.
constexpr uint16_t kSystemContentsFile = 0;
constexpr uint16_t kSystemDefaultTopic = 2;
constexpr uint16_t kSystemTitle = 3;

} // namespace

CHelpFile::~CHelpFile() { Close(); }

bool CHelpFile::Open(const std::string& path)
{
    Close();
    file_ = chm_open(path.c_str());
    if (!file_)
        return false;
    ReadSystemBlock();
    return true;
}

void CHelpFile::Close()
{
    if (file_)
        chm_close(file_);
    file_ = nullptr;
    title_.clear();
    contentsFile_.clear();
    defaultTopic_.clear();
}

bool CHelpFile::Exists(const std::string& objectPath) const
{
    chmUnitInfo unit;
    return file_ && chm_resolve_object(file_, objectPath.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

bool CHelpFile::Read(const std::string& objectPath, std::string& content) const
{
    content.clear();
    chmUnitInfo unit;
    if (!file_ || chm_resolve_object(file_, objectPath.c_str(), &unit) != CHM_RESOLVE_SUCCESS)
        return false;
    if (unit.length > kMaxObjectSize)
        return false;
    content.resize(static_cast<size_t>(unit.length));
    if (unit.length == 0)
        return true;
    LONGINT64 got = chm_retrieve_object(file_, &unit, reinterpret_cast<unsigned char*>(content.data()), 0,
        static_cast<LONGINT64>(unit.length));
    if (got != static_cast<LONGINT64>(unit.length)) {
        content.clear();
        return false;
    }
    return true;
}

// The system block: a 4-byte version, then records of a 16-bit code, a
// 16-bit length and that many bytes.
void CHelpFile::ReadSystemBlock()
{
    std::string block;
    if (!Read("/#SYSTEM", block))
        return;
    size_t at = 4;
    while (at + 4 <= block.size()) {
        uint16_t code = Le16(block, at);
        size_t length = Le16(block, at + 2);
        at += 4;
        if (length > block.size() - at)
            break;
        std::string value = CString(block.substr(at, length), 0);
        if (code == kSystemTitle)
            title_ = value;
        else if (code == kSystemContentsFile && !value.empty())
            contentsFile_ = AsObjectPath(value);
        else if (code == kSystemDefaultTopic && !value.empty())
            defaultTopic_ = AsObjectPath(value);
        at += length;
    }
}

// Alias targets may be stored with the folder they were compiled in; the
// topic is the longest trailing part of the name that the file holds.
std::string CHelpFile::ExistingObjectFor(const std::string& name) const
{
    std::string path = AsObjectPath(name);
    for (;;) {
        if (Exists(path))
            return path;
        size_t next = path.find('/', 1);
        if (next == std::string::npos)
            return {};
        path.erase(0, next);
    }
}

// The context table: a 32-bit byte count, then pairs of a context number and
// an offset into the string block naming the topic.
std::string CHelpFile::TopicForContext(uint32_t contextId) const
{
    std::string table;
    std::string strings;
    if (!Read("/#IVB", table) || table.size() < 4 || !Read("/#STRINGS", strings))
        return {};
    size_t count = std::min<size_t>(Le32(table, 0), table.size() - 4) / 8;
    for (size_t i = 0; i < count; ++i) {
        size_t at = 4 + i * 8;
        if (Le32(table, at) != contextId)
            continue;
        std::string name = CString(strings, Le32(table, at + 4));
        return name.empty() ? std::string() : ExistingObjectFor(name);
    }
    return {};
}

std::string HelpFilePathBeside(const std::string& executablePath, const std::string& fileName)
{
    std::string path = executablePath.substr(0, 255);
    size_t slash = path.find_last_of("/\\");
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    return path + fileName;
}
