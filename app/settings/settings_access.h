#pragma once
#include "workflow/infrared_settings.h"

// The values the main window reads when it starts (and again after an image
// is closed).
struct StartupSettings {
    bool viewAfter = true;
    bool showControls = true;
    int dustType = 2;
    int dustRadius = 10;
    int aggression = 31;
    int saveRotated = 0;
    InfraredSettings infrared; // read only: written when the user changes it
};

// Opens the program's settings key (creating it), writes the defaults that
// are missing, sets ShowControls and reads the start-up values.
StartupSettings LoadStartupSettings();

// Writes one value through to the store at once, as decimal text.
void StoreSetting(const char* name, int value);

// Writes the infrared choice and sensitivity through to the store.
void StoreInfraredChoice(const InfraredSettings& choice);
