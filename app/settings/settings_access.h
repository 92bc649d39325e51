#pragma once

// The values the main window reads when it starts (and again after an image
// is closed).
struct StartupSettings {
    bool viewAfter = true;
    bool showControls = true;
    int dustType = 2;
    int dustRadius = 10;
    int aggression = 31;
    int saveRotated = 0;
};

// Opens the program's settings key (creating it), writes the defaults that
// are missing, sets ShowControls and reads the start-up values.
StartupSettings LoadStartupSettings();

// Writes one value through to the store at once, as decimal text.
void StoreSetting(const char* name, int value);
