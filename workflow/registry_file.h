#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/registry_types.h"

// The settings file's content in memory: keys in file order, each with its
// typed values in file order. Data is kept exactly as the store holds it
// (a string's bytes include its terminating zero), so that values keep their
// types through a read and a rewrite.

struct RegistryFileValue {
    std::string name; // empty for the key's default value ("@")
    uint32_t type = RegNone;
    std::vector<uint8_t> data;
};

struct RegistryFileKey {
    std::string path; // root name and subkey path, e.g. "HKEY_LOCAL_MACHINE\Software\..."
    std::vector<RegistryFileValue> values;
};

struct RegistryDocument {
    std::vector<RegistryFileKey> keys;

    // The section of exactly this path (without regard to case), or null.
    RegistryFileKey* FindKey(std::string_view path);
    // True when the path has a section or is the parent of one: creating a
    // key creates its parents, which the file does not list on their own.
    bool KeyExists(std::string_view path) const;
    RegistryFileKey& AddKey(std::string_view path);
};

// Lines that could not be read: counted, the first one remembered for the
// message, and otherwise ignored.
struct RegistryParseReport {
    int unreadableLines = 0;
    int firstUnreadableLine = 0; // 1-based
};

bool RegistryNamesEqual(std::string_view a, std::string_view b);
const char* RegistryRootName(RegistryRoot root);
// "HKEY_LOCAL_MACHINE\" + subkey; empty when the root is unknown or the
// subkey cannot be written into the file (empty parts, control characters).
std::string RegistryFullPath(RegistryRoot root, std::string_view subkey);
// A value name that fits between quotes on one line.
bool RegistryValueNameWritable(std::string_view name);

RegistryFileValue* FindRegistryValue(RegistryFileKey& key, std::string_view name);
// Replaces the data of the value of that name (keeping its place) or appends it.
void SetRegistryValue(RegistryFileKey& key, std::string_view name, uint32_t type, std::vector<uint8_t> data);

RegistryDocument ParseRegistryText(std::string_view text, RegistryParseReport& report);
std::string FormatRegistryText(const RegistryDocument& document);
