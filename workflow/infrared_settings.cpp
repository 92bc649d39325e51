#include "workflow/infrared_settings.h"

#include <algorithm>

#include "engine/infrared_detection.h"

InfraredSettings ReadInfraredSettings(RegistryKey& key)
{
    InfraredSettings settings;
    RegistryValue& enabled = key.Value(kInfraredSettingName);
    if (enabled.IsPresent())
        settings.enabled = enabled.GetInteger() != 0;
    RegistryValue& sensitivity = key.Value(kInfraredSensitivitySettingName);
    if (sensitivity.IsPresent())
        settings.sensitivity
            = std::clamp(sensitivity.GetInteger(), kInfraredSensitivityMin, kInfraredSensitivityMax);
    return settings;
}

void StoreInfraredSettings(RegistryKey& key, const InfraredSettings& settings)
{
    key.Value(kInfraredSettingName).SetInteger(settings.enabled ? 1 : 0);
    key.Value(kInfraredSensitivitySettingName)
        .SetInteger(std::clamp(settings.sensitivity, kInfraredSensitivityMin, kInfraredSensitivityMax));
}

uint8_t InfraredParamByte(const InfraredSettings& settings, bool imageHasUsablePlane)
{
    if (!settings.enabled || !imageHasUsablePlane)
        return 0;
    return static_cast<uint8_t>(std::clamp(settings.sensitivity, kInfraredSensitivityMin, kInfraredSensitivityMax));
}
