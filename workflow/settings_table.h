#pragma once
#include <array>
#include <string>
#include <vector>

#include "workflow/registry_key.h"

class FileVersionInfo;

// Product name in the settings key.
inline constexpr const char* kSettingsProductName = "Speckwash";

// One setting of the program and the text written when the key lacks it.
struct SettingDefault {
    const char* name;
    const char* defaultText; // null for Version, which is the program's own
    bool rewrittenAtStart; // written at every start, present or not
};

// The ten settings, in the order a new key receives them.
const std::array<SettingDefault, 10>& SettingsTable();

// "Software\Quillmark Inc\Speckwash\<major>.<minor>".
std::string SettingsKeyPath(const FileVersionInfo& version);

// Opens the settings key under the local machine root for reading and
// setting, creating it when missing; loads its values.
bool OpenSettingsKey(RegistryKey& key, const FileVersionInfo& version);

// Writes, on a key opened with OpenSettingsKey, every setting the key does
// not have, and ShowControls always. The Version value names the program that
// created the key ("major.minor.build.revision"). Returns the names written.
std::vector<std::string> WriteMissingSettingDefaults(RegistryKey& key, const FileVersionInfo& version);
