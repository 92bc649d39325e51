#pragma once
#include <cstdint>

#include "workflow/registry_key.h"

// The control panel's infrared choice in the settings store. The two values
// are written only when the user changes them, so a store that never saw
// them stays as it was and reads back the defaults.
inline constexpr const char* kInfraredSettingName = "Infrared"; // "1" use the plane when there is one, "0" not
inline constexpr const char* kInfraredSensitivitySettingName = "InfraredSensitivity"; // "1" .. "10"

struct InfraredSettings {
    bool enabled = true;
    int sensitivity = 5;
};

// Missing values give the defaults; a sensitivity outside 1..10 is held within.
InfraredSettings ReadInfraredSettings(RegistryKey& key);
void StoreInfraredSettings(RegistryKey& key, const InfraredSettings& settings);

// The `infrared` byte of DustParams for an image: the sensitivity when the
// choice is on and the image has a usable plane, else 0 (visible light).
uint8_t InfraredParamByte(const InfraredSettings& settings, bool imageHasUsablePlane);
