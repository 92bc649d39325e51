#include "workflow/registry_file.h"

#include <array>
#include <cstdio>

namespace {

constexpr const char* kHeader = "REGEDIT4";
// Hex data is wrapped before this column so that the file stays readable in
// an editor; the parser joins the ",\" continuation lines again.
constexpr size_t kWrapColumn = 76;

const std::array<const char*, 5> kRootNames = {
    "HKEY_CLASSES_ROOT",
    "HKEY_CURRENT_USER",
    "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",
    "HKEY_CURRENT_CONFIG",
};

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && RegistryNamesEqual(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool HasControlCharacter(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    return false;
}

// A key line's path: a known root, then non-empty parts.
bool ValidKeyPath(std::string_view path)
{
    if (path.empty() || HasControlCharacter(path))
        return false;
    size_t slash = path.find('\\');
    std::string_view root = path.substr(0, slash);
    bool knownRoot = false;
    for (const char* name : kRootNames)
        knownRoot = knownRoot || RegistryNamesEqual(root, name);
    if (!knownRoot)
        return false;
    if (slash == std::string_view::npos)
        return true;
    std::string_view rest = path.substr(slash + 1);
    if (rest.empty() || rest.back() == '\\' || rest.find("\\\\") != std::string_view::npos)
        return false;
    return rest.front() != '\\';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = FoldCase(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at text[0] == '"', undoing the \\ and \"
// escapes; `rest` gets what follows the closing quote.
bool ReadQuoted(std::string_view text, std::string& out, std::string_view& rest)
{
    if (text.empty() || text.front() != '"')
        return false;
    out.clear();
    for (size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            rest = text.substr(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                return false;
            c = text[++i];
        }
        out.push_back(c);
    }
    return false;
}

// "01,02,ff": one or two hex digits per byte, commas between; may be empty.
bool ReadHexBytes(std::string_view text, std::vector<uint8_t>& out)
{
    out.clear();
    text = Trim(text);
    if (text.empty())
        return true;
    size_t position = 0;
    while (true) {
        size_t comma = text.find(',', position);
        std::string_view item = Trim(text.substr(position, comma == std::string_view::npos ? std::string_view::npos : comma - position));
        if (item.empty() || item.size() > 2)
            return false;
        int value = 0;
        for (char c : item) {
            int digit = HexDigit(c);
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        out.push_back(static_cast<uint8_t>(value));
        if (comma == std::string_view::npos)
            return true;
        position = comma + 1;
    }
}

bool ReadHexNumber(std::string_view text, size_t maxDigits, uint32_t& out)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    out = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0)
            return false;
        out = out * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

// The data after "=": a quoted string, dword:, hex: or hex(N):.
bool ReadValueData(std::string_view text, RegistryFileValue& value)
{
    if (!text.empty() && text.front() == '"') {
        std::string content;
        std::string_view rest;
        if (!ReadQuoted(text, content, rest) || !Trim(rest).empty())
            return false;
        value.type = RegString;
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
        return true;
    }
    if (StartsWithNoCase(text, "dword:")) {
        uint32_t number = 0;
        if (!ReadHexNumber(Trim(text.substr(6)), 8, number))
            return false;
        value.type = RegDword;
        value.data = { static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
            static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24) };
        return true;
    }
    if (StartsWithNoCase(text, "hex:")) {
        value.type = RegBinary;
        return ReadHexBytes(text.substr(4), value.data);
    }
    if (StartsWithNoCase(text, "hex(")) {
        size_t close = text.find("):");
        if (close == std::string_view::npos || !ReadHexNumber(text.substr(4, close - 4), 8, value.type))
            return false;
        return ReadHexBytes(text.substr(close + 2), value.data);
    }
    return false;
}

bool ReadValueLine(std::string_view line, RegistryFileValue& value)
{
    std::string_view rest;
    if (line.front() == '@') {
        value.name.clear();
        rest = line.substr(1);
    } else if (!ReadQuoted(line, value.name, rest)) {
        return false;
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=')
        return false;
    return ReadValueData(Trim(rest.substr(1)), value);
}

// True when a value line's data is in hex form and continues on the next line.
bool ContinuesOnNextLine(std::string_view line)
{
    if (line.empty() || line.back() != '\\')
        return false;
    std::string name;
    std::string_view rest;
    if (line.front() == '@')
        rest = line.substr(1);
    else if (!ReadQuoted(line, name, rest))
        return false;
    rest = Trim(rest);
    return !rest.empty() && rest.front() == '=' && StartsWithNoCase(Trim(rest.substr(1)), "hex");
}

void AppendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// A string value goes between quotes when that loses nothing: one
// terminating zero, and no other zero or line-breaking byte.
bool QuotableString(const std::vector<uint8_t>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    return !HasControlCharacter(text);
}

void AppendHexData(std::string& out, size_t lineStart, const std::vector<uint8_t>& data)
{
    char byte[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        out += byte;
        if (i + 1 == data.size())
            break;
        out.push_back(',');
        if (out.size() - lineStart >= kWrapColumn) {
            out += "\\\n  ";
            lineStart = out.size() - 2;
        }
    }
}

void AppendValue(std::string& out, const RegistryFileValue& value)
{
    size_t lineStart = out.size();
    if (value.name.empty())
        out.push_back('@');
    else
        AppendQuoted(out, value.name);
    out.push_back('=');
    if (value.type == RegString && QuotableString(value.data)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == RegDword && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", value.data[3], value.data[2],
            value.data[1], value.data[0]);
        out += number;
    } else {
        char prefix[24];
        if (value.type == RegBinary)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        out += prefix;
        AppendHexData(out, lineStart, value.data);
    }
    out.push_back('\n');
}

} // namespace

bool RegistryNamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

const char* RegistryRootName(RegistryRoot root)
{
    if (root < 0 || static_cast<size_t>(root) >= kRootNames.size())
        return nullptr;
    return kRootNames[static_cast<size_t>(root)];
}

std::string RegistryFullPath(RegistryRoot root, std::string_view subkey)
{
    const char* rootName = RegistryRootName(root);
    if (!rootName)
        return {};
    std::string path = rootName;
    if (!subkey.empty()) {
        path.push_back('\\');
        path.append(subkey);
    }
    return ValidKeyPath(path) && path.find(']') == std::string::npos ? path : std::string();
}

bool RegistryValueNameWritable(std::string_view name)
{
    return !HasControlCharacter(name);
}

RegistryFileKey* RegistryDocument::FindKey(std::string_view path)
{
    for (RegistryFileKey& key : keys)
        if (RegistryNamesEqual(key.path, path))
            return &key;
    return nullptr;
}

bool RegistryDocument::KeyExists(std::string_view path) const
{
    for (const RegistryFileKey& key : keys) {
        std::string_view candidate = key.path;
        if (RegistryNamesEqual(candidate, path))
            return true;
        if (candidate.size() > path.size() && candidate[path.size()] == '\\'
            && RegistryNamesEqual(candidate.substr(0, path.size()), path))
            return true;
    }
    return false;
}

RegistryFileKey& RegistryDocument::AddKey(std::string_view path)
{
    if (RegistryFileKey* existing = FindKey(path))
        return *existing;
    keys.push_back(RegistryFileKey { std::string(path), {} });
    return keys.back();
}

RegistryFileValue* FindRegistryValue(RegistryFileKey& key, std::string_view name)
{
    for (RegistryFileValue& value : key.values)
        if (RegistryNamesEqual(value.name, name))
            return &value;
    return nullptr;
}

void SetRegistryValue(RegistryFileKey& key, std::string_view name, uint32_t type, std::vector<uint8_t> data)
{
    if (RegistryFileValue* existing = FindRegistryValue(key, name)) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    key.values.push_back(RegistryFileValue { std::string(name), type, std::move(data) });
}

RegistryDocument ParseRegistryText(std::string_view text, RegistryParseReport& report)
{
    RegistryDocument document;
    report = {};
    auto unreadable = [&report](int lineNumber) {
        if (report.unreadableLines++ == 0)
            report.firstUnreadableLine = lineNumber;
    };
    RegistryFileKey* current = nullptr;
    bool headerSeen = false;
    int lineNumber = 0;
    size_t position = 0;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(Trim(text.substr(position, end - position)));
        int firstLine = ++lineNumber;
        position = end + 1;
        // Each joined line consumes input, so the loop ends with the text.
        while (ContinuesOnNextLine(line) && position < text.size()) {
            end = text.find('\n', position);
            if (end == std::string_view::npos)
                end = text.size();
            line.pop_back();
            line.append(Trim(text.substr(position, end - position)));
            ++lineNumber;
            position = end + 1;
        }
        if (line.empty() || line.front() == ';')
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line == kHeader)
                continue;
            unreadable(firstLine);
        }
        if (line.front() == '[') {
            current = nullptr;
            std::string_view path = std::string_view(line).substr(1);
            if (path.empty() || path.back() != ']' || !ValidKeyPath(path.substr(0, path.size() - 1)))
                unreadable(firstLine);
            else
                current = &document.AddKey(path.substr(0, path.size() - 1));
            continue;
        }
        RegistryFileValue value;
        if (!current || ContinuesOnNextLine(line) || !ReadValueLine(line, value)) {
            unreadable(firstLine);
            continue;
        }
        SetRegistryValue(*current, value.name, value.type, std::move(value.data));
    }
    return document;
}

std::string FormatRegistryText(const RegistryDocument& document)
{
    std::string out = kHeader;
    out += "\n\n";
    for (const RegistryFileKey& key : document.keys) {
        out += '[' + key.path + "]\n";
        for (const RegistryFileValue& value : key.values)
            AppendValue(out, value);
        out.push_back('\n');
    }
    return out;
}
