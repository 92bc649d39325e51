#pragma once
#include <cstdint>

// The progress bar's behaviour, ticked every 500 ms with the engine's progress
// of the visible level: the bar appears only once work has gone on for a
// whole second, so quick repaints after a slider move do not make it flicker,
// and the "Restore Defaults" button takes its place when work is done.
class ProgressDisplay {
public:
    // What one tick does to the panel; anything not named stays as the user
    // or the panel's own handlers left it.
    struct Changes {
        bool showBar = false; // and hide "Restore Defaults"
        bool hideBar = false;
        bool showRestoreDefaults = false;
    };
    // No engine: pass the fraction -0.1. `nowSeconds` counts whole seconds.
    Changes Tick(float fraction, int64_t nowSeconds, bool modified);

    bool BarVisible() const { return barVisible; }
    int BarValue() const { return barValue; }
    bool RestoreDefaultsVisible() const { return restoreVisible; }

private:
    int64_t idleTime = 0;
    bool barVisible = false;
    int barValue = 0;
    bool restoreVisible = false;
};
