#include "workflow/dust_parameter_rules.h"

#include <algorithm>

DustParams FreshStartDustParams()
{
    DustParams params;
    params.automation = 1;
    params.dustRadius = 10;
    params.dustThreshold = 11;
    params.aggression = 31;
    params.flatness = 25;
    params.dustType = 2;
    return params;
}

ResolutionMemory& ProgramResolutionMemory()
{
    static ResolutionMemory memory;
    return memory;
}

void ApplyResolutionRules(int resolutionDpi, bool fromCamera, DustParams& params, ResolutionMemory& memory)
{
    int r = resolutionDpi == 0 ? memory.lastResolution : resolutionDpi;
    if (r < 50 || r > 12800) {
        memory.outOfRange = true;
        r = 600;
    } else {
        memory.outOfRange = false;
    }
    memory.lastResolution = r;

    if (!memory.outOfRange) {
        params.dustThreshold = r <= 600 ? 5 : 11;
        // Single precision throughout, with truncation toward zero. The radius
        // and aggression are held in range before they become bytes: 7665 dpi
        // and more would give a radius above 255, 3000 dpi and more a negative
        // aggression, and either would wrap.
        float radius, aggression;
        if (params.dustType == 2) {
            radius = static_cast<float>(r) * 0.033333334f + 0.5f;
            aggression = (51.5f - 0.0163f * static_cast<float>(r)) * 0.5f;
        } else {
            radius = static_cast<float>(r) * 0.0083333335f + 0.5f;
            aggression = 51.5f - 0.0163f * static_cast<float>(r);
        }
        params.dustRadius = static_cast<uint8_t>(std::min(static_cast<int>(radius), 255));
        params.aggression = static_cast<uint8_t>(std::clamp(static_cast<int>(aggression), 5, 51));
    }
    if (fromCamera) {
        params.dustType = 0;
        params.automation = 1;
    }
}

void HoldDustRadiusWithin(int largestBrushRadius, DustParams& params)
{
    if (largestBrushRadius >= 0 && params.dustRadius > largestBrushRadius)
        params.dustRadius = static_cast<uint8_t>(largestBrushRadius);
}
