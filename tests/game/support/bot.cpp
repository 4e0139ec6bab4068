#include "tests/game/support/bot.h"

#include <cmath>
#include <limits>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_controls.h"
#include "game/gm_globals.h"
#include "game/gm_seamath.h"

namespace {

constexpr int kW = 87, kA = 65, kS = 83, kD = 68;
constexpr int kSpace = 32, kEscape = 27, kItem1 = 49, kItem2 = 50;
constexpr double kScale = 4;  // window pixels per virtual pixel

// The menu's mode buttons (virtual centres).
constexpr double kModeX[2] = {60, 180};
constexpr double kModeY = 63;

// The iceberg's steering angle for a key pair, as the D-pad makes it:
// screen directions (y down) turned by -45 degrees into the world.
float SteerAngleOf(int dx, int dy) {
    return std::fmod(sea_Atan2Deg(static_cast<float>(dy), static_cast<float>(dx)) + 315.0f, 360.0f);
}

bool IsShip(const c_SwimmingObject *o) {
    return o->m_kind == ObjectKind_SmallYacht || o->m_kind == ObjectKind_SmallIcebreaker ||
           o->m_kind == ObjectKind_CruiseLiner;
}

}  // namespace

Bot::Bot(BotInput &input, int mode) : in_(input), mode_(mode) {}

Bot::~Bot() = default;

int Bot::State() { return game_StateMachine ? game_StateMachine->m_state : 0; }
int Bot::Phase() { return game_StateMachine ? game_StateMachine->m_phase : 0; }

void Bot::Hold(const std::set<int> &keys) {
    for (int k : std::set<int>(held_))
        if (!keys.count(k)) {
            in_.KeyUp(k);
            held_.erase(k);
        }
    for (int k : keys)
        if (!held_.count(k)) {
            in_.KeyDown(k);
            held_.insert(k);
        }
}

// A key held for one update (the press counts on the update it goes
// down), released before the next.
void Bot::Tap(int key) {
    Hold({});
    in_.KeyDown(key);
    tappedKey_ = key;
    cooldown_ = 3;
}

void Bot::ClickVirtual(double x, double y) {
    Hold({});
    in_.MoveMouse(x * kScale, y * kScale);
    in_.MouseDown(0);
    clicked_ = true;
    cooldown_ = 10;
}

void Bot::ReleaseTap() {
    if (tappedKey_) in_.KeyUp(tappedKey_);
    if (clicked_) in_.MouseUp(0);
    tappedKey_ = 0;
    clicked_ = false;
}

void Bot::Decide() {
    ReleaseTap();
    ++stats_.passes;
    if (cooldown_ > 0) --cooldown_;
    const int state = State();
    const bool active = Phase() == ScreenPhase_Active;
    if (cooldown_ == 0 && active && state == ScreenState_Splash) {
        ++stats_.splashClicks;
        return ClickVirtual(120, 67);
    }
    if (cooldown_ == 0 && active && state == ScreenState_Menu) {
        ++stats_.menuClicks;
        return ClickVirtual(kModeX[mode_], kModeY);
    }
    if (state == ScreenState_Play && world_Player) return Play();
    Hold({});
}

void Bot::Play() {
    c_Player *p = world_Player;
    stats_.maxLevel = std::max(stats_.maxLevel, static_cast<int>(p->m_level));
    const bool dead = p->m_deathState != DeathState_Alive;
    if (dead && !wasDead_) ++stats_.deaths;
    wasDead_ = dead;

    if (world_Running == 0) {
        // Paused: the middle row resumes.
        Hold({});
        if (cooldown_ == 0 && Phase() == ScreenPhase_Active) {
            ++stats_.resumes;
            ClickVirtual(controls_PauseX, controls_RowTop(controls_PauseY, 1) + 6);
        }
        return;
    }
    if (balloon_Current) {
        Hold({});
        if (cooldown_ == 0) {
            ++stats_.balloons;
            Tap(kSpace);
        }
        return;
    }
    if (dead) {
        Hold({});
        if (cooldown_ == 0 && p->Finished()) {
            if (progress_Revives > 0) {
                ++stats_.revives;
                Tap(kItem2);
            } else if (progress_Coins >= controls_RevivePrice) {
                ++stats_.revives;
                ClickVirtual(controls_YouDiedX, controls_RowTop(controls_YouDiedY, 1) + 6);
            } else {
                ++stats_.toMenu;
                ClickVirtual(controls_YouDiedX, controls_RowTop(controls_YouDiedY, 2) + 6);
            }
        }
        return;
    }
    if (cooldown_ == 0 && progress_Healings > 0 && p->m_hitPoints * 2 < p->m_maxHitPoints) {
        ++stats_.heals;
        return Tap(kItem1);
    }
    if (pauseEvery_ > 0 && nextPause_ == 0) nextPause_ = stats_.passes + pauseEvery_;
    if (cooldown_ == 0 && pauseEvery_ > 0 && stats_.passes >= nextPause_ && world_SteeringOn) {
        nextPause_ += pauseEvery_;
        ++stats_.pauses;
        Tap(kEscape);
        cooldown_ = 20;
        return;
    }
    Steer();
}

// Toward the nearest ship it can beat as met now (or else the nearest
// pick-up), away from stronger ones close by; the key pair whose steering angle is
// nearest the wanted world direction.
void Bot::Steer() {
    c_Player *p = world_Player;
    if (!world_SteeringOn) return Hold({});
    double wx = 0, wy = 0;
    double best = std::numeric_limits<double>::max();
    const c_SwimmingObject *target = nullptr;
    bool targetIsShip = false;
    for (int i = 0; i < world_Objects.Length(); ++i) {
        c_SwimmingObject *o = world_Objects[i];
        if (!o || o == p) continue;
        double dx = o->m_x - p->m_x, dy = o->m_y - p->m_y;
        double d = std::hypot(dx, dy) + 1e-3;
        if (IsShip(o)) {
            if (o->m_hitPoints <= 0) continue;
            // The level the ship's contact counts for: its own, more when
            // it heads at the iceberg, less when met broadside.
            float toPlayer = sea_Atan2Deg(p->m_y - o->m_y, p->m_x - o->m_x);
            float effective = static_cast<float>(o->m_level) + sea_AngleFactor(sea_AngleOff(o->m_heading, toPlayer));
            if (effective > static_cast<float>(p->m_level)) {
                if (d < 200) {
                    wx -= dx / d * (200 / d);
                    wy -= dy / d * (200 / d);
                }
                continue;
            }
            if (!targetIsShip || d < best) {
                target = o;
                best = d;
                targetIsShip = true;
            }
        } else if (!targetIsShip && (o->m_kind == ObjectKind_LootCrate || o->m_kind == ObjectKind_IceCube) && d < best) {
            target = o;
            best = d;
        }
    }
    if (target) {
        double dx = target->m_x - p->m_x, dy = target->m_y - p->m_y;
        double d = std::hypot(dx, dy) + 1e-3;
        wx += dx / d;
        wy += dy / d;
    }
    if (std::hypot(wx, wy) < 0.05) return Hold({});
    const float want = std::fmod(static_cast<float>(std::atan2(wy, wx) * 180 / M_PI) + 360.0f, 360.0f);
    int bestDx = 0, bestDy = 0;
    float bestOff = 1000;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            if (!dx && !dy) continue;
            float off = std::fabs(std::fmod(SteerAngleOf(dx, dy) - want + 540.0f, 360.0f) - 180.0f);
            if (off < bestOff) {
                bestOff = off;
                bestDx = dx;
                bestDy = dy;
            }
        }
    std::set<int> keys;
    if (bestDx > 0) keys.insert(kD);
    if (bestDx < 0) keys.insert(kA);
    if (bestDy > 0) keys.insert(kS);
    if (bestDy < 0) keys.insert(kW);
    Hold(keys);
}
