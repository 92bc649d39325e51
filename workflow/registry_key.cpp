#include "workflow/registry_key.h"

#include <algorithm>

namespace {

// Longest value name and data that a load reads; longer ones are skipped.
constexpr size_t kLoadNameBytes = 260;
constexpr size_t kLoadDataBytes = _MAX_REG_VALUE;

} // namespace

RegistryKey::RegistryKey(int keyOptions)
    : options(keyOptions)
{
}

RegistryKey::~RegistryKey()
{
    Close();
}

bool RegistryKey::Open(std::string_view subkeyPath, RegistryRoot keyRoot, uint32_t keyAccess, bool reopen)
{
    if (!reopen) {
        if (!RegistryNamesEqual(subkeyPath, path)) {
            values.clear();
            path.assign(subkeyPath);
        }
        root = keyRoot;
        access = keyAccess;
    }
    Close();
    if ((options & RegOptionOpenOnDemand) && !reopen)
        keyAccess = RegAccessQuery | RegAccessCreateSubKey;
    else if ((options & ~RegOptionOpenOnDemand) && (options & RegOptionCreate))
        keyAccess |= RegAccessCreateSubKey;
    RegistryHandle opened;
    bool ok = (options & RegOptionCreate) ? RegistryCreateKey(keyRoot, subkeyPath, keyAccess, opened)
                                          : RegistryOpenKey(keyRoot, subkeyPath, keyAccess, opened);
    if (!ok)
        return false;
    handle = std::move(opened);
    return reopen ? true : Load();
}

void RegistryKey::Close()
{
    handle.reset();
}

RegistryValue& RegistryKey::Value(std::string_view name)
{
    name = name.substr(0, name.find('\0'));
    RegistryCheck(name.size() < _MAX_REG_VALUE, "strlen(name) < _MAX_REG_VALUE");
    if (name.size() >= _MAX_REG_VALUE) {
        if (!refused)
            refused = std::make_unique<RegistryValue>(*this, std::string_view());
        return *refused;
    }
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        if (RegistryNamesEqual((*it)->Name(), name))
            return **it;
    values.push_back(std::make_unique<RegistryValue>(*this, name));
    return *values.back();
}

bool RegistryKey::Load()
{
    if ((options & RegOptionOpenOnDemand) && !Open(path, root, RegAccessQuery, true))
        return false;
    std::vector<RegistryFileValue> loaded;
    bool ok = handle && RegistryReadValues(*handle, loaded);
    if (ok) {
        int saved = options;
        options = (options | RegOptionLoading) & ~RegOptionOpenOnDemand;
        for (const RegistryFileValue& value : loaded)
            StoreLoaded(value);
        options = saved;
    }
    if (options & RegOptionOpenOnDemand)
        Close();
    return ok;
}

// Caches one value read from the store; values too long for the read buffers
// and types the program does not use are skipped.
void RegistryKey::StoreLoaded(const RegistryFileValue& loaded)
{
    if (loaded.name.size() + 1 > kLoadNameBytes || loaded.data.size() > kLoadDataBytes)
        return;
    const char* data = reinterpret_cast<const char*>(loaded.data.data());
    switch (loaded.type) {
    case RegString: {
        std::string_view text(data, loaded.data.size());
        text = text.substr(0, std::min(text.find('\0'), _MAX_REG_VALUE - 1));
        Value(loaded.name).SetString(text);
        break;
    }
    case RegBinary:
        // An empty binary value has nothing to cache, and setting it would
        // count as a caller's error.
        if (!loaded.data.empty())
            Value(loaded.name).SetBinary(loaded.data.data(), loaded.data.size());
        break;
    case RegDword:
        // A DWORD of another size than four bytes has no number to read.
        if (loaded.data.size() == 4)
            Value(loaded.name).SetDword(static_cast<uint32_t>(loaded.data[0]) | loaded.data[1] << 8
                | loaded.data[2] << 16 | static_cast<uint32_t>(loaded.data[3]) << 24);
        break;
    case RegMultiString:
        Value(loaded.name).SetMultiString(data, loaded.data.size());
        break;
    default:
        break;
    }
}

void RegistryKey::WriteThrough(const std::string& name, uint32_t type, const uint8_t* data, size_t size)
{
    if ((options & RegOptionLoading) || name.empty())
        return;
    if (!handle && (!(options & RegOptionOpenOnDemand) || !Open(path, root, access, true)))
        return;
    RegistryWriteValue(*handle, name, type, data, size); // a failed write is not reported
    if (options & RegOptionOpenOnDemand)
        Close();
}

void RegistryKey::RefreshBeforeRead()
{
    if ((options & RegOptionRefresh) && !(options & RegOptionLoading))
        Load();
}
