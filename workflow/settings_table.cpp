#include "workflow/settings_table.h"

#include <cstdio>

#include "workflow/version_info.h"

namespace {

const std::array<SettingDefault, 10> kSettings = { {
    { "Version", nullptr, false },
    { "View", "1", false },
    { "Highlight", "1", false },
    { "DustType", "2", false },
    { "DustAutomation", "1", false },
    { "AggressionRadius", "31", false },
    { "DustRadius", "10", false },
    { "DustThreshold", "11", false },
    { "SaveAsRotated", "0", false },
    // The panel is shown at every start; the stored value only tells the
    // running program what the user last did with it.
    { "ShowControls", "1", true },
} };

} // namespace

const std::array<SettingDefault, 10>& SettingsTable()
{
    return kSettings;
}

std::string SettingsKeyPath(const FileVersionInfo& version)
{
    char path[128];
    std::snprintf(path, sizeof path, "Software\\Quillmark Inc\\%s\\%d.%d", kSettingsProductName, version.Part(3),
        version.Part(2));
    return path;
}

bool OpenSettingsKey(RegistryKey& key, const FileVersionInfo& version)
{
    return key.Open(SettingsKeyPath(version), RegLocalMachine, RegAccessQuery | RegAccessSet);
}

std::vector<std::string> WriteMissingSettingDefaults(RegistryKey& key, const FileVersionInfo& version)
{
    char fullVersion[32];
    std::snprintf(fullVersion, sizeof fullVersion, "%d.%d.%d.%d", version.Part(3), version.Part(2), version.Part(1),
        version.Part(0));
    std::vector<std::string> written;
    for (const SettingDefault& setting : kSettings) {
        RegistryValue& value = key.Value(setting.name);
        if (value.IsPresent() && !setting.rewrittenAtStart)
            continue;
        value.SetString(setting.defaultText ? setting.defaultText : fullVersion);
        written.emplace_back(setting.name);
    }
    return written;
}
