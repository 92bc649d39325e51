#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/registry_store.h"
#include "workflow/registry_types.h"
#include "workflow/registry_value.h"

// A key of the settings store with a cache of its values. Callers make one
// for a single operation: construct, open, read or set values, close. Values
// set while the key cannot be opened stay in the cache and read back from it.
class RegistryKey {
public:
    explicit RegistryKey(int options);
    ~RegistryKey(); // closes the key and deletes the cached values
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens (with RegOptionCreate: creates) the key and, unless reopening,
    // loads its values. Opening the path the key already has, in any letter
    // case, keeps the cache; another path drops it. Reopening opens the given
    // path again without touching the cache or the remembered path.
    bool Open(std::string_view subkeyPath, RegistryRoot root, uint32_t access, bool reopen = false);
    // Closes the handle; the cache stays.
    void Close();
    // The cached value of that name (case ignored, newest first), made when
    // missing. A name of _MAX_REG_VALUE characters or more is a caller's error
    // and yields a value without a name, which is never cached nor written.
    RegistryValue& Value(std::string_view name);
    // Reads every value of the open key into the cache.
    bool Load();

    bool IsOpen() const { return handle.has_value(); }
    int Options() const { return options; }
    const std::string& Path() const { return path; }
    RegistryRoot Root() const { return root; }
    size_t CachedValueCount() const { return values.size(); }

private:
    friend class RegistryValue;
    // Called by a value when it is set.
    void WriteThrough(const std::string& name, uint32_t type, const uint8_t* data, size_t size);
    // Called by a value before it is read.
    void RefreshBeforeRead();
    void StoreLoaded(const RegistryFileValue& loaded);

    std::optional<RegistryHandle> handle; // the open key, if any
    int options; // RegistryOption bits
    uint32_t access = RegAccessQuery | RegAccessSet; // as the caller last asked, for reopening
    RegistryRoot root = RegLocalMachine;
    std::string path; // below the root
    std::vector<std::unique_ptr<RegistryValue>> values; // the cache, in the order first met
    std::unique_ptr<RegistryValue> refused; // handed out for names beyond the limit
};
