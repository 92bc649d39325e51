#pragma once
#include <cmath>
#include <cstdint>

// Sample conversions shared by the image model, the engine and the writers.
// Clamping comes before truncation toward zero; NaN counts as 0.

inline int ClampTo8(float v)
{
    if (!(v >= 0.0f))
        return 0;
    if (v > 255.0f)
        return 255;
    return static_cast<int>(v);
}

inline int ClampTo16(float v)
{
    if (!(v >= 0.0f))
        return 0;
    if (v > 65535.0f)
        return 65535;
    return static_cast<int>(v);
}

// Rounds half away from zero, in single precision as the callers expect.
inline float RoundHalfAway(float v)
{
    return v >= 0.0f ? std::trunc(v + 0.5f) : std::trunc(v - 0.5f);
}

// Integer to float scales: deliberately single-precision constants.
inline constexpr float kInv255 = 1.0f / 255.0f;
inline constexpr float kInv65535 = 1.0f / 65535.0f;

inline float U8ToFloat(uint8_t v) { return v * kInv255; }
inline float U16ToFloat(uint16_t v) { return v * kInv65535; }
inline uint8_t U16ToU8(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
inline uint16_t U8ToU16(uint8_t v) { return static_cast<uint16_t>(v * 256); }

inline uint8_t FloatToU8(float v, float floatMin, float floatMax)
{
    return static_cast<uint8_t>(ClampTo8((v - floatMin) * 255.0f / (floatMax - floatMin)));
}

inline uint16_t FloatToU16(float v, float floatMin, float floatMax)
{
    return static_cast<uint16_t>(ClampTo16((v - floatMin) * 65535.0f / (floatMax - floatMin)));
}
