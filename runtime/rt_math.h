// Small helpers of the language's standard modules: clamping, minimum,
// maximum and absolute value, the linear congruential random generator,
// file-path extensions and the microsecond clock.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

// low when value < low; otherwise high when value > high; otherwise value.
// Low is tested first, so with low > high a value above high gives high.
int math_Clamp(int value, int low, int high);
// The same for floats; a NaN value passes through unchanged.
float math_Clamp(float value, float low, float high);
// a when a < b, else b (b when either float is NaN).
int math_Min(int a, int b);
float math_Min(float a, float b);
// a when a > b, else b (b when either float is NaN).
int math_Max(int a, int b);
float math_Max(float a, float b);
// -v when v < 0, wrapping: the smallest int is returned unchanged.
int math_Abs(int v);

// Float to int32 toward zero, saturating at both ends; NaN gives 0.
int32_t math_TruncToInt(float v);
// The wrapping 32-bit arithmetic of the language, used by every layer:
// the low 32 bits of the value, the sum and the product, computed in
// unsigned 64-bit arithmetic so that nothing overflows a signed type.
inline int32_t math_Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
inline int32_t math_WrapAdd(int64_t a, int64_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)));
}
inline int32_t math_WrapMul(int64_t a, int64_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b)));
}
// v with its sign flipped when v < 0; -0.0 stays -0.0.
float math_Abs(float v);

// The generator's state, shared by the whole program.
extern uint32_t random_Seed;
// Advances the seed once (seed * 1664525 + 1013904223 mod 2^32) and returns
// (seed >> 8) * 2^-24, a float in [0, 1).
float random_Rnd();
// range * random_Rnd().
float random_Rnd(float range);
// low + (high - low) * random_Rnd(), in 32-bit floats.
float random_Rnd(float low, float high);

// The text after the path's last ".", or the empty String when there is no
// dot or a "/" or "\" follows the last one.
String filepath_ExtractExt(const String &path);
// The path without its extension and the dot; the path itself when it has
// no extension.
String filepath_StripExt(const String &path);

// Microseconds of the monotonic clock, truncated to a signed 32-bit value;
// 0 when the clock is unusable (coarser than one microsecond).
int lang_MicrosecondClock();
