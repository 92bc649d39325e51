#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/registry_types.h"

class RegistryKey;

// Reports a caller's error ("Registry: check failed: <expression>") on stderr
// and counts it; the store then goes on with a safe reading of the call.
void RegistryCheck(bool condition, const char* expression);
// Caller's errors seen so far in this process.
int RegistryCallerErrors();

// One typed value of a key, cached in the key object and written through to
// the store as soon as it is set. Made only by its key (RegistryKey::Value).
class RegistryValue {
public:
    RegistryValue(RegistryKey& key, std::string_view name);
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    // A text of more than 2047 characters is a caller's error and is cut.
    void SetString(std::string_view text);
    void SetDword(uint32_t number);
    // A length of 0 is a caller's error.
    void SetBinary(const uint8_t* bytes, size_t length);
    // Strings separated by zero bytes; a final zero byte is not a string of
    // its own. Written to the store unchanged.
    void SetMultiString(const char* buffer, size_t length);

    // The value as text, within _MAX_REG_VALUE bytes with the terminator that
    // c_str() adds: a string as it is, a DWORD in decimal, a binary value's
    // bytes. A multi-string comes back in its stored form: every string
    // followed by a zero byte, then one more zero byte, all counted in size().
    const std::string& GetText();

    // Decimal text, as every setting of the program is written.
    void SetInteger(int number);
    void SetFlag(bool flag);
    // Non-zero decimal text of a string or binary value, or a non-zero DWORD.
    bool GetFlag();
    // Decimal text of a string or binary value, the number of a DWORD, else 0.
    int GetInteger();

    const std::string& Name() const { return name; }
    uint32_t Type() const { return type; }
    bool IsPresent() const { return present; }
    uint32_t Number() const { return number; }
    const std::vector<uint8_t>& Bytes() const { return bytes; }
    const std::vector<std::string>& Strings() const { return strings; }

private:
    const std::string& TextForm();
    void Stored(uint32_t newType, const uint8_t* data, size_t size);

    std::string name; // at most _MAX_REG_VALUE - 1 characters
    uint32_t type = RegNone;
    RegistryKey& key; // the owner, which writes through
    bool convertible = true; // reading text of a value that is not is a caller's error
    bool present = false; // in the store: read there or written since
    uint32_t number = 0; // the DWORD value
    std::string text; // the string value, and the text form of the others
    std::vector<uint8_t> bytes; // the binary value
    std::vector<std::string> strings; // the multi-string value
};

// Decimal number as the C library's atoi reads it (spaces, sign, digits up to
// the first other character), but a number beyond int saturates instead of
// being undefined.
int RegistryDecimal(std::string_view text);
