#pragma once
#include "workflow/registry_key.h"
#include "workflow/settings_table.h"
#include "workflow/version_info.h"

// A value as the settings store holds it now, without the start-up rules
// that reading the settings at start applies.
inline int StoredSetting(const char* name)
{
    FileVersionInfo version;
    version.LoadFromModule();
    RegistryKey key(RegOptionCreate);
    if (!OpenSettingsKey(key, version))
        return -1;
    const int value = key.Value(name).GetInteger();
    key.Close();
    return value;
}
