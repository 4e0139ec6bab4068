#include "game/gm_seamath.h"

#include <cmath>

#include "game/gm_globals.h"
#include "runtime/rt_math.h"

float sea_CosDeg(float degrees) { return std::cos(degrees * sea_DegToRad); }
float sea_SinDeg(float degrees) { return std::sin(degrees * sea_DegToRad); }
float sea_Atan2Deg(float y, float x) { return std::atan2(y, x) / sea_DegToRad; }

int32_t sea_IsoX(float x, float y) { return math_TruncToInt(x - y); }
int32_t sea_IsoY(float x, float y) { return math_TruncToInt((x + y) * 0.5f); }

int32_t sea_XpNeeded(int32_t level) {
    int32_t band = math_TruncToInt(static_cast<float>(level) / 19.0f * 7.0f);
    return math_WrapMul(math_WrapAdd(math_WrapMul(band, 5), 5), 2);
}

int32_t sea_TierOfLevel(int32_t level) {
    int32_t n = LevelTierTable.Length();
    if (n == 0) return 0;
    int32_t i = math_Clamp(level, 1, n) - 1;
    return LevelTierTable[i];
}

sea_TierShape sea_ShapeOfTier(int32_t tier, int32_t stepCount) {
    sea_TierShape s;
    int32_t t = tier < 0 ? 0 : tier;
    if (t >= stepCount || t >= TierSizeTable.Length() || t >= TierMassTable.Length()) {
        s.size = 0;
        s.mass = 0.1f;
    } else {
        s.size = static_cast<float>(TierSizeTable[t]);
        s.mass = TierMassTable[t];
    }
    float a = 1.0f - static_cast<float>(2 * tier + 1) / static_cast<float>(2 * stepCount);
    s.alpha = a > 0 ? a : 0;
    return s;
}

int32_t sea_FoldLevel(int32_t level) {
    if (level > sea_TopLevel) level = 2 * sea_TopLevel - level;
    if (level < 1) level = 2 - level;
    return level;
}

sea_Margins sea_PlayMargins(bool hasWaveEmitter, float cruisingSpeed) {
    if (!hasWaveEmitter) return {20, 10};
    float t = cruisingSpeed * 30.0f / 1000.0f * 7500.0f;
    return {math_TruncToInt(30.0f + 1.41f * t + 20.0f), math_TruncToInt(0.71f * t + 15.0f + 10.0f)};
}

int32_t sea_XpReward(int32_t level, int32_t playerLevel, bool aggressive) {
    float v = (static_cast<float>(level - playerLevel) * 0.25f + 1.0f) * 10.0f;
    int32_t reward = v > 1.0f ? math_TruncToInt(v) : 1;
    return aggressive ? math_WrapMul(reward, 2) : reward;
}

int32_t sea_BaseDamage(float rel) {
    if (rel > 1.0f) return 10;
    return math_TruncToInt(std::floor(rel * 10.0f));
}

float sea_DamageShare(float la, float lb) {
    return 0.5f + 0.125f * static_cast<float>(math_TruncToInt(la - lb));
}

int32_t sea_DamagePart(int32_t base, float share) {
    float d = static_cast<float>(base) * share;
    return d > 0 ? math_TruncToInt(std::floor(d)) : 0;
}

float sea_AngleFactor(float degrees) {
    float ahead = degrees / 45.0f;
    float behind = (degrees - 180.0f) / 45.0f;
    return math_Max(math_Max(1.0f - ahead * ahead, -2.0f), -2.0f * behind * behind);
}

float sea_AngleOff(float headingDeg, float directionDeg) {
    float x = std::fmod(directionDeg - headingDeg + 360.0f, 360.0f);
    // fmod keeps the sign of its first argument: a direction more than a
    // turn below the heading (an atan2 direction near -180 against a
    // heading near 360) comes out negative.
    if (x < 0.0f) x += 360.0f;
    return x > 180.0f ? 360.0f - x : x;
}

sea_ShipFrame sea_ShipFrameOf(float headingDeg) {
    int32_t k = math_TruncToInt(headingDeg / 22.5f + 0.5f) % 16;
    k = ((k + 6) % 16 + 16) % 16;
    if (k <= 8) return {k, 1.0f};
    return {16 - k, -1.0f};
}
