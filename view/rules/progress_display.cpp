#include "view/rules/progress_display.h"

ProgressDisplay::Changes ProgressDisplay::Tick(float fraction, int64_t now, bool modified)
{
    Changes changes;
    int p = static_cast<int>(fraction * 100.0f);
    if (p < 0)
        idleTime = now;
    if (now - idleTime > 0) { // at least one whole second of work
        restoreVisible = false;
        barVisible = true;
        changes.showBar = true;
    }
    barValue = p;
    if (p < 0 || p > 100) {
        barVisible = false;
        changes.showBar = false;
        changes.hideBar = true;
        if (modified) {
            restoreVisible = true;
            changes.showRestoreDefaults = true;
        }
        if (p > 100)
            idleTime = 0;
    }
    return changes;
}
