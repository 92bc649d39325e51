#include "workflow/app_profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "imagefiles/atomic_write.h"

namespace {

// A profile is a few lines; anything far larger is not ours to rewrite.
constexpr long kMaxProfileBytes = 1L << 20;

struct Line {
    std::string_view text; // without its line break
    std::string_view sectionName; // set on a "[name]" line
    std::string_view keyName; // set on a "name=value" line
    std::string_view value;
    bool isSection = false;
    bool isKey = false;
};

std::string_view Trimmed(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        Line line;
        line.text = text.substr(start, end - start);
        std::string_view body = Trimmed(line.text);
        if (!body.empty() && body.front() == '[') {
            size_t close = body.find(']');
            if (close != std::string_view::npos) {
                line.isSection = true;
                line.sectionName = Trimmed(body.substr(1, close - 1));
            }
        } else if (!body.empty() && body.front() != ';' && body.front() != '#') {
            size_t equals = body.find('=');
            if (equals != std::string_view::npos) {
                line.isKey = true;
                line.keyName = Trimmed(body.substr(0, equals));
                line.value = Trimmed(body.substr(equals + 1));
            }
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Index of the first line holding the key inside a section of that name, or -1.
// `sectionEnd` receives the index after the last key or section line of the
// first such section (where a new key goes), or -1 when there is no section.
long FindKey(const std::vector<Line>& lines, std::string_view section, std::string_view key, long* sectionEnd)
{
    bool inside = false;
    long end = -1;
    bool firstSectionDone = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.isSection) {
            if (inside)
                firstSectionDone = true;
            inside = SameName(line.sectionName, section);
            if (inside && !firstSectionDone)
                end = static_cast<long>(i) + 1;
            continue;
        }
        if (!inside)
            continue;
        if (line.isKey && SameName(line.keyName, key))
            return static_cast<long>(i);
        if (!firstSectionDone && !Trimmed(line.text).empty())
            end = static_cast<long>(i) + 1;
    }
    if (sectionEnd)
        *sectionEnd = end;
    return -1;
}

int ParseInt(std::string_view value)
{
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    long long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = number * 10 + (value[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            number = static_cast<long long>(INT_MAX) + 1; // keeps the loop from overflowing
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

enum class ReadState { Ok, Missing, Unreadable };

ReadState ReadWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return errno == ENOENT ? ReadState::Missing : ReadState::Unreadable;
    char buffer[4096];
    size_t got;
    ReadState state = ReadState::Ok;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
        if (text.size() > static_cast<size_t>(kMaxProfileBytes)) {
            state = ReadState::Unreadable;
            break;
        }
    }
    if (std::ferror(file))
        state = ReadState::Unreadable;
    std::fclose(file);
    return state;
}

} // namespace

std::string AppProfilePath()
{
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    else
        return {};
    return folder + "/speckwash/speckwash.INI";
}

int ProfileTextInt(std::string_view text, std::string_view section, std::string_view key, int fallback)
{
    std::vector<Line> lines = SplitLines(text);
    long at = FindKey(lines, section, key, nullptr);
    return at < 0 ? fallback : ParseInt(lines[static_cast<size_t>(at)].value);
}

std::string ProfileTextWithInt(std::string_view text, std::string_view section, std::string_view key, int value)
{
    // Keep the file's own line breaks for the lines we add.
    const char* newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::string entry = std::string(key) + "=" + std::to_string(value);
    std::vector<Line> lines = SplitLines(text);
    long sectionEnd = -1;
    long at = FindKey(lines, section, key, &sectionEnd);

    std::string result;
    result.reserve(text.size() + entry.size() + section.size() + 8);
    auto appendLine = [&result, newline](std::string_view line) {
        result.append(line);
        result.append(newline);
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<long>(i) == sectionEnd && at < 0)
            appendLine(entry);
        if (static_cast<long>(i) == at) {
            // Keep a trailing '\r' of a CRLF line out of the replacement's way.
            bool carriage = !lines[i].text.empty() && lines[i].text.back() == '\r';
            result.append(entry);
            result.append(carriage ? "\r\n" : "\n");
            continue;
        }
        result.append(lines[i].text);
        result.append("\n");
    }
    if (at < 0 && sectionEnd == static_cast<long>(lines.size()))
        appendLine(entry);
    if (at < 0 && sectionEnd < 0) {
        if (!result.empty() && !Trimmed(lines.back().text).empty())
            result.append(newline);
        // Built by appending: GCC 12 mistakes "[" + std::string(...) for an overlapping copy.
        std::string header(1, '[');
        header.append(section).push_back(']');
        appendLine(header);
        appendLine(entry);
    }
    // A file that ended without a line break keeps ending that way only when
    // nothing was added after its last line; a break there is harmless.
    return result;
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int fallback)
{
    std::string text;
    if (path.empty() || ReadWholeFile(path, text) != ReadState::Ok)
        return fallback;
    return ProfileTextInt(text, section, key, fallback);
}

bool WriteProfileInt(const std::string& path, std::string_view section, std::string_view key, int value)
{
    if (path.empty())
        return false;
    std::string text;
    // An existing profile we cannot read must not be replaced by one line.
    if (ReadWholeFile(path, text) == ReadState::Unreadable)
        return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::string updated = ProfileTextWithInt(text, section, key, value);
    FileResult result = WriteAtomically(path.c_str(), [&updated](const char* temporaryPath) {
        FILE* file = std::fopen(temporaryPath, "wb");
        if (!file)
            return FileOpenFailed;
        bool written = std::fwrite(updated.data(), 1, updated.size(), file) == updated.size();
        written = std::fclose(file) == 0 && written;
        return written ? FileOk : FileOpenFailed;
    });
    return result == FileOk;
}
