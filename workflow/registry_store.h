#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/registry_file.h"
#include "workflow/registry_types.h"

// The per-machine store behind RegistryKey: keys and typed values kept in
// one REGEDIT4 text file that a user can read and edit. Every write locks the
// file, rereads it, applies its changes and replaces the file through a
// temporary file and a rename, so that two running copies keep each other's
// values and a crash mid-write leaves the previous file whole. Stored values
// go to the file from a writer thread after a pause of a few hundredths of a
// second, several at once, so that storing costs the caller no disk wait;
// RegistryFlush (also run at exit) waits for them.

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
// Hands one value to the writer thread; reads in this process see it at once.
// False without set access or for a name the file cannot hold; a file that
// cannot be replaced later loses the value, unreported, as before.
bool RegistryWriteValue(const RegistryHandle& handle, std::string_view name, uint32_t type, const uint8_t* data,
    size_t size);

// Returns once every value stored before the call has been written (or its
// write has failed). The program calls it before it exits; exit() also runs it.
void RegistryFlush();
