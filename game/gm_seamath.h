// The sea's small rules as pure functions: the iso projection, the
// iceberg's XP, tier and size per level, the play-area margins, the XP a
// rammed ship pays, the damage of a collision and the ship frame for a
// heading. All trigonometry is in 32-bit floats; every float-to-int
// conversion truncates toward zero and saturates (NaN gives 0).
#pragma once

#include <cstdint>

// Degrees to radians (multiply) and back (divide).
constexpr float sea_DegToRad = 0.017453292519943295f;

// The iceberg's highest level, the campaign's last (LevelTierTable has one
// entry per level).
constexpr int32_t sea_TopLevel = 20;

// Trigonometry on degrees, in floats.
float sea_CosDeg(float degrees);
float sea_SinDeg(float degrees);
// atan2(y, x) in degrees, -180..180.
float sea_Atan2Deg(float y, float x);

// The iso projection of a world point: int(x - y), int((x + y) * 0.5).
int32_t sea_IsoX(float x, float y);
int32_t sea_IsoY(float x, float y);

// XP needed to leave the level: (int(level / 19 * 7) * 5 + 5) * 2.
int32_t sea_XpNeeded(int32_t level);
// LevelTierTable[level - 1], the level held to 1..20.
int32_t sea_TierOfLevel(int32_t level);

// The iceberg's shape at a tier (its fade step) out of stepCount tiers.
struct sea_TierShape {
    float size;  // width and length
    float mass;
    float alpha;
};
// From TierSizeTable and TierMassTable; size 0 and mass 0.1 at and beyond
// stepCount (melted); alpha = max(0, 1 - (2t + 1) / (2 stepCount)).
sea_TierShape sea_ShapeOfTier(int32_t tier, int32_t stepCount);

// A level drawn outside 1..20 folded back: above 20 mirrored at 20, then
// below 1 mirrored at 1 (21 -> 19, 0 -> 2, -1 -> 3).
int32_t sea_FoldLevel(int32_t level);

// The margins (in iso pixels) beyond the play bounds at which an object
// is out of play: (20, 10) without a wake; with one they grow with the
// cruising speed.
struct sea_Margins {
    int32_t x, y;
};
sea_Margins sea_PlayMargins(bool hasWaveEmitter, float cruisingSpeed);

// The XP a ship of `level` pays when the iceberg of `playerLevel` rammed
// it: int(((level - playerLevel) * 0.25 + 1) * 10) when that is above 1,
// else 1; doubled for an aggressive ship.
int32_t sea_XpReward(int32_t level, int32_t playerLevel, bool aggressive);

// Base damage of a contact at relative speed rel: 10 above 1, else
// int(floor(rel * 10)).
int32_t sea_BaseDamage(float rel);
// How much of the base damage b takes: 0.5 + 0.125 * int(la - lb).
float sea_DamageShare(float la, float lb);
// int(floor(base * share)) when positive, else 0.
int32_t sea_DamagePart(int32_t base, float share);
// The ramming angle as levels: +1 dead ahead, 0 at 45 degrees, -2
// broadside, back to 0 straight behind (x in 0..180 degrees).
float sea_AngleFactor(float degrees);
// The angle (0..180) between a heading and a direction, both in degrees.
float sea_AngleOff(float headingDeg, float directionDeg);

// Which of a ship's nine sprites shows a heading, and whether mirrored.
struct sea_ShipFrame {
    int32_t frame;   // 0..8
    float xScale;    // 1, or -1 when mirrored
};
sea_ShipFrame sea_ShipFrameOf(float headingDeg);
