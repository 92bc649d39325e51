#include "app/settings/settings_access.h"

#include "workflow/registry_key.h"
#include "workflow/settings_table.h"
#include "workflow/version_info.h"

namespace {

// The key is named after the program's own version, read once per run.
const FileVersionInfo& ProgramVersion()
{
    static FileVersionInfo version = [] {
        FileVersionInfo v;
        v.LoadFromModule();
        return v;
    }();
    return version;
}

} // namespace

StartupSettings LoadStartupSettings()
{
    StartupSettings s;
    RegistryKey key(RegOptionCreate);
    if (!OpenSettingsKey(key, ProgramVersion()))
        return s;
    WriteMissingSettingDefaults(key, ProgramVersion());
    s.viewAfter = key.Value("View").GetInteger() != 0;
    s.showControls = key.Value("ShowControls").GetInteger() != 0;
    s.dustType = key.Value("DustType").GetInteger();
    s.dustRadius = key.Value("DustRadius").GetInteger();
    s.aggression = key.Value("AggressionRadius").GetInteger();
    s.saveRotated = key.Value("SaveAsRotated").GetInteger();
    s.infrared = ReadInfraredSettings(key);
    key.Close();
    return s;
}

void StoreSetting(const char* name, int value)
{
    RegistryKey key(RegOptionCreate);
    if (!OpenSettingsKey(key, ProgramVersion()))
        return;
    key.Value(name).SetInteger(value);
    key.Close();
}

void StoreInfraredChoice(const InfraredSettings& choice)
{
    RegistryKey key(RegOptionCreate);
    if (!OpenSettingsKey(key, ProgramVersion()))
        return;
    StoreInfraredSettings(key, choice);
    key.Close();
}
