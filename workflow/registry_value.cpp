#include "workflow/registry_value.h"

#include <atomic>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "workflow/registry_key.h"

namespace {

std::atomic<int> callerErrors { 0 };

constexpr size_t kMaxText = _MAX_REG_VALUE - 1;

} // namespace

void RegistryCheck(bool condition, const char* expression)
{
    if (condition)
        return;
    ++callerErrors;
    std::fprintf(stderr, "Registry: check failed: %s\n", expression);
}

int RegistryCallerErrors()
{
    return callerErrors.load();
}

int RegistryDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

RegistryValue::RegistryValue(RegistryKey& owner, std::string_view valueName)
    : name(valueName.substr(0, valueName.find('\0')))
    , key(owner)
{
}

void RegistryValue::Stored(uint32_t newType, const uint8_t* data, size_t size)
{
    type = newType;
    present = true;
    if (!name.empty())
        key.WriteThrough(name, newType, data, size);
}

void RegistryValue::SetString(std::string_view newText)
{
    newText = newText.substr(0, newText.find('\0'));
    RegistryCheck(newText.size() <= kMaxText, "strlen(text) < _MAX_REG_VALUE");
    text.assign(newText.substr(0, kMaxText));
    Stored(RegString, reinterpret_cast<const uint8_t*>(text.c_str()), text.size() + 1);
}

void RegistryValue::SetDword(uint32_t newNumber)
{
    number = newNumber;
    uint8_t data[4] = { static_cast<uint8_t>(newNumber), static_cast<uint8_t>(newNumber >> 8),
        static_cast<uint8_t>(newNumber >> 16), static_cast<uint8_t>(newNumber >> 24) };
    Stored(RegDword, data, sizeof data);
}

void RegistryValue::SetBinary(const uint8_t* newBytes, size_t length)
{
    RegistryCheck(length != 0 && newBytes, "length != 0");
    if (!newBytes)
        length = 0;
    bytes.assign(newBytes, newBytes + length);
    Stored(RegBinary, bytes.data(), bytes.size());
}

void RegistryValue::SetMultiString(const char* buffer, size_t length)
{
    if (!buffer)
        length = 0;
    strings.clear();
    if (length >= 3) {
        size_t start = 0;
        while (start < length) {
            if (start == length - 1 && buffer[start] == '\0')
                break; // the closing zero byte
            size_t end = start;
            while (end < length && buffer[end] != '\0')
                ++end;
            strings.emplace_back(buffer + start, end - start);
            start = end + 1;
        }
    }
    Stored(RegMultiString, reinterpret_cast<const uint8_t*>(buffer), length);
}

const std::string& RegistryValue::GetText()
{
    key.RefreshBeforeRead();
    return TextForm();
}

const std::string& RegistryValue::TextForm()
{
    RegistryCheck(convertible, "convertible");
    char decimal[16];
    switch (type) {
    case RegString:
        break;
    case RegDword:
        std::snprintf(decimal, sizeof decimal, "%lu", static_cast<unsigned long>(number));
        text = decimal;
        break;
    case RegBinary:
        // Cut so that the bytes and their terminator fit the text's limit.
        text.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), kMaxText)));
        break;
    case RegMultiString:
        text.clear();
        for (const std::string& item : strings) {
            text.append(item);
            text.push_back('\0');
        }
        text.push_back('\0');
        if (text.size() > _MAX_REG_VALUE) {
            text.resize(_MAX_REG_VALUE - 2);
            text.append(2, '\0');
        }
        break;
    default:
        text.clear();
        break;
    }
    return text;
}

void RegistryValue::SetInteger(int newNumber)
{
    char decimal[16];
    std::snprintf(decimal, sizeof decimal, "%d", newNumber);
    SetString(decimal);
}

void RegistryValue::SetFlag(bool flag)
{
    SetInteger(flag ? 1 : 0);
}

bool RegistryValue::GetFlag()
{
    return GetInteger() != 0;
}

int RegistryValue::GetInteger()
{
    key.RefreshBeforeRead();
    switch (type) {
    case RegString:
    case RegBinary:
        return RegistryDecimal(TextForm());
    case RegDword:
        return static_cast<int>(number);
    default:
        return 0;
    }
}
