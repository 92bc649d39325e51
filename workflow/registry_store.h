#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/registry_file.h"
#include "workflow/registry_types.h"

// The per-machine store behind RegistryKey: keys and typed values kept in
// one REGEDIT4 text file that a user can read and edit. Every change locks the
// file, rereads it, applies the one change and replaces the file through a
// temporary file and a rename, so that two running copies keep each other's
// values and a crash mid-write leaves the previous file whole.

// SPECKWASH_REGISTRY when set, else $XDG_CONFIG_HOME (default ~/.config)
// followed by "speckwash/registry.reg".
std::string RegistryFilePath();

// An open key: which file, which key, and what the opener may do with it.
struct RegistryHandle {
    std::string filePath;
    std::string keyPath; // full path, root name first
    uint32_t access = 0; // RegistryAccess bits
};

// Opens an existing key; false when it is missing or the path is not usable.
bool RegistryOpenKey(RegistryRoot root, std::string_view subkey, uint32_t access, RegistryHandle& handle);
// Opens the key, creating it (and so its parents) when missing; false when it
// is missing and the file cannot be written.
bool RegistryCreateKey(RegistryRoot root, std::string_view subkey, uint32_t access, RegistryHandle& handle);
// Every value of the key in file order; false without query access or when
// the key has gone.
bool RegistryReadValues(const RegistryHandle& handle, std::vector<RegistryFileValue>& values);
// Writes one value through to the file; false without set access, for a name
// the file cannot hold, or when the file cannot be replaced.
bool RegistryWriteValue(const RegistryHandle& handle, std::string_view name, uint32_t type, const uint8_t* data,
    size_t size);
