#include "view/rules/progress_display.h"

void ProgressDisplay::Tick(float fraction, int64_t now, bool modified)
{
    int p = static_cast<int>(fraction * 100.0f);
    if (p < 0)
        idleTime = now;
    if (now - idleTime > 0) { // at least one whole second of work
        restoreVisible = false;
        barVisible = true;
    }
    barValue = p;
    if (p < 0 || p > 100) {
        barVisible = false;
        if (modified)
            restoreVisible = true;
        if (p > 100)
            idleTime = 0;
    }
}
