#include "runtime/rt_math.h"

#include <chrono>

int math_Clamp(int value, int low, int high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

float math_Clamp(float value, float low, float high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int math_Min(int a, int b) { return a < b ? a : b; }
float math_Min(float a, float b) { return a < b ? a : b; }
int math_Max(int a, int b) { return a > b ? a : b; }
float math_Max(float a, float b) { return a > b ? a : b; }

int math_Abs(int v) {
    // Negation wraps instead of overflowing.
    return v < 0 ? math_WrapMul(v, -1) : v;
}

float math_Abs(float v) { return v < 0.0f ? -v : v; }

uint32_t random_Seed = 0;

float random_Rnd() {
    random_Seed = random_Seed * 1664525u + 1013904223u;
    return static_cast<float>(random_Seed >> 8) * (1.0f / 16777216.0f);
}

float random_Rnd(float range) { return range * random_Rnd(); }

float random_Rnd(float low, float high) {
    float r = random_Rnd();
    return low + (high - low) * r;
}

// Index of the dot that starts the extension, or -1 when there is none.
static int ExtensionDot(const String &path) {
    int dot = -1;
    for (int i = path.Length() - 1; i >= 0; --i) {
        if (path[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot < 0) return -1;
    for (int i = dot + 1; i < path.Length(); ++i) {
        if (path[i] == '/' || path[i] == '\\') return -1;
    }
    return dot;
}

String filepath_ExtractExt(const String &path) {
    int dot = ExtensionDot(path);
    if (dot < 0) return String();
    return path.Slice(dot + 1);
}

String filepath_StripExt(const String &path) {
    int dot = ExtensionDot(path);
    if (dot < 0) return path;
    return path.Slice(0, dot);
}

namespace {
// 0 not yet started, 1 working, -1 unusable.
int g_clockMode = 0;
int64_t g_ticksPerMicrosecond = 0;
}  // namespace

int lang_MicrosecondClock() {
    using Clock = std::chrono::steady_clock;
    if (g_clockMode == 0) {
        // Ticks per second of the clock; a clock coarser than 1 us is unusable.
        constexpr int64_t frequency = Clock::period::num == 1 ? Clock::period::den / Clock::period::num : 0;
        if (frequency < 1000000) {
            g_clockMode = -1;
            return 0;
        }
        g_ticksPerMicrosecond = frequency / 1000000;
        g_clockMode = 1;
    }
    if (g_clockMode < 0) return 0;
    int64_t counter = Clock::now().time_since_epoch().count();
    if (counter < 0) {
        g_clockMode = -1;
        return 0;
    }
    return math_Wrap(counter / g_ticksPerMicrosecond);
}

int32_t math_TruncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}
