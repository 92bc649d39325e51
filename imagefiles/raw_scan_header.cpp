#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "imagefiles/raw_scan.h"

namespace {

// Decimal conversion that saturates instead of overflowing.
int ToInt(std::string_view text)
{
    char buffer[32] = {};
    std::memcpy(buffer, text.data(), std::min(text.size(), sizeof buffer - 1));
    errno = 0;
    long long value = std::strtoll(buffer, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

float ToFloat(std::string_view text)
{
    char buffer[64] = {};
    std::memcpy(buffer, text.data(), std::min(text.size(), sizeof buffer - 1));
    return std::strtof(buffer, nullptr);
}

void Store(RawScanHeader& header, std::string_view key, std::string_view value)
{
    if (key == "version")
        header.version = ToFloat(value);
    else if (key == "viewList") {
        size_t length = std::min(value.size(), sizeof header.viewList - 1);
        std::memcpy(header.viewList, value.data(), length);
        header.viewList[length] = '\0';
    } else if (key == "statusBytes")
        header.statusBytes = ToInt(value);
    else if (key == "imagePixels")
        header.imagePixels = ToInt(value);
    else if (key == "bytesPerPixel")
        header.bytesPerPixel = ToInt(value);
    else if (key == "validBits")
        header.validBits = ToInt(value);
    else if (key == "totalColumns")
        header.totalColumns = ToInt(value);
}

} // namespace

bool ParseRawScanHeader(const uint8_t* data, size_t size, RawScanHeader& header)
{
    header = RawScanHeader {};
    // A zero byte ends the header text as the end of the window does.
    std::string_view text(reinterpret_cast<const char*>(data), std::min(size, kRawScanHeaderWindow));
    text = text.substr(0, text.find('\0'));
    size_t space = text.find(' ');
    if (text.substr(0, space) != "%QMI")
        return false;
    size_t lineEnd = std::min(text.find('\n'), text.size());
    header.headerLength = ToInt(text.substr(space + 1, lineEnd > space ? lineEnd - space - 1 : 0));
    size_t position = lineEnd;
    while (position < text.size()) {
        ++position; // the line feed
        while (position < text.size() && text[position] == ' ')
            ++position;
        size_t keyEnd = std::min(text.find_first_of(" \n", position), text.size());
        std::string_view key = text.substr(position, keyEnd - position);
        position = keyEnd;
        while (position < text.size() && text[position] == ' ')
            ++position;
        size_t valueEnd = std::min(text.find('\n', position), text.size());
        std::string_view value = text.substr(position, valueEnd - position);
        if (key.empty() || value.empty())
            break;
        Store(header, key, value);
        position = valueEnd;
    }
    return true;
}

bool ReadRawScanHeader(FILE* file, RawScanHeader& header)
{
    header = RawScanHeader {};
    uint8_t window[kRawScanHeaderWindow];
    if (!file || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    size_t got = std::fread(window, 1, sizeof window, file);
    return ParseRawScanHeader(window, got, header);
}

int RawScanViewNames(const RawScanHeader& header)
{
    int names = 0;
    bool inName = false;
    for (const char* p = header.viewList; *p; ++p) {
        if (*p != ' ' && !inName)
            ++names;
        inName = *p != ' ';
    }
    return names;
}
