// The world: starting a game, the per-update object pass (spawns, object
// updates, pick-ups, removals with their rewards, collisions), spawning
// ships and ice cubes on a course past the iceberg, the camera with its
// dead zone and queued scrolls, and the depth sort of the slots.
#include <cmath>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "game/gm_story.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

constexpr int32_t kShipInterval = 6000;
constexpr int32_t kIceCubeInterval = 13333;
// A ship spawns while at most this many objects have a wake; an ice cube,
// and a sunk ship's crate, while at most this many have none.
constexpr int32_t kMaxWithEmitter = 9;
constexpr int32_t kMaxWithoutEmitter = 19;
// How far outside the view new objects enter, and how far beside the
// iceberg their course passes (view pixels).
constexpr int32_t kEntryMargin = 40;
constexpr float kAimOffset = 25.0f;
// Direction components below this count as 0 when the entry point is found.
constexpr float kTinyDirection = 1e-6f;
// In the open world the ships' base level grows by one every this many iso
// pixels south of the start.
constexpr int32_t kOpenWorldLevelDepth = 135;

int32_t FirstFreeSlot() {
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    for (int i = 0; i < objects.Length(); ++i)
        if (!objects[i]) return i;
    return -1;
}

void ShowInfo(int32_t kind, const String &text) { gc_New<c_HudOverheadInfo>()->m_new(kind, text); }

// The iceberg picked up `obj` (a loot crate or an ice cube).
void PayPickUp(c_SwimmingObject *obj) {
    c_Player *player = world_Player;
    if (c_LootCrate *crate = dynamic_cast<c_LootCrate *>(obj)) {
        float r = random_Rnd();
        if (math_TruncToInt(r * 100.0f) <= 79) {
            progress_Coins = game_SaturatingAdd(progress_Coins, crate->m_value);
            ShowInfo(OverheadInfo_Coins, String(crate->m_value));
            return;
        }
        float r2 = random_Rnd();
        int32_t k = math_TruncToInt(r2 * 52.0f);
        if (k <= 29) {
            progress_Healings = game_SaturatingAdd(progress_Healings, 1);
            ShowInfo(OverheadInfo_HealIcon, String());
        } else if (k <= 44) {
            progress_BigHealings = game_SaturatingAdd(progress_BigHealings, 1);
            ShowInfo(OverheadInfo_BigHealIcon, String());
        } else if (k <= 50) {
            progress_Invulnerabilities = game_SaturatingAdd(progress_Invulnerabilities, 1);
            ShowInfo(OverheadInfo_InvulnerabilityIcon, String());
        } else {
            progress_Revives = game_SaturatingAdd(progress_Revives, 1);
            ShowInfo(OverheadInfo_ReviveIcon, String());
        }
        return;
    }
    // An ice cube heals a living iceberg that is short of hit points. An
    // iceberg that died in the pass that picked the cube up is not brought
    // back to 1 hit point: the cube goes into the stock as at full health.
    if (player->m_alive != 0 && player->m_hitPoints < player->m_maxHitPoints) {
        player->Heal(1);
        ShowInfo(OverheadInfo_Healing, String(u"+1"));
    } else {
        progress_Healings = game_SaturatingAdd(progress_Healings, 1);
        ShowInfo(OverheadInfo_HealIcon, String());
    }
}

// The object in `slot` has finished: it leaves (the iceberg stays), its
// wake fades, and a ship pays its rewards and may leave a crate behind.
void RemoveFinished(int slot, c_SwimmingObject *obj) {
    c_Player *player = world_Player;
    if (obj != player) world_Objects[slot] = nullptr;
    if (obj->m_waveEmitter) obj->ReleaseWaveEmitter();
    c_Ship *ship = dynamic_cast<c_Ship *>(obj);
    if (!ship) return;
    if (ship->m_hitByPlayer != 0 && player && player->m_alive != 0) {
        player->m_xp = game_SaturatingAdd(player->m_xp, ship->m_xpReward);
        ShowInfo(OverheadInfo_Experience, String(ship->m_xpReward));
    }
    if (dynamic_cast<c_ShipVelmora *>(ship)) {
        progress_Coins = game_SaturatingAdd(progress_Coins, 10000);
        ShowInfo(OverheadInfo_Coins, String(u"10000"));
        return;
    }
    float r = random_Rnd();
    if (world_NoEmitterCount > kMaxWithoutEmitter) return;
    int32_t value = math_TruncToInt(static_cast<float>(ship->m_level) * 123.0f / 19.0f + 100.0f) +
                    math_TruncToInt(r * 87.0f) - 43;
    c_LootCrate *crate = gc_New<c_LootCrate>()->m_new(value, math_TruncToInt(ship->m_x), math_TruncToInt(ship->m_y),
                                                      ship->Heading(), ship->Speed());
    world_Objects[slot] = crate;
}

// The view-pixel distance from the aim coordinate `a` back to the widened
// view edge along direction `d` (0 when the direction is 0).
float EdgeDistance(float d, int32_t a, int32_t size) {
    if (d > 0) return static_cast<float>(-kEntryMargin - a);
    if (d < 0) return static_cast<float>(size + kEntryMargin - a);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Starting a game.

void c_Game::StartWorld(int32_t mode) {
    world_StoryState = StoryState_Start;
    world_Mode = mode;
    world_SpawningOn = 0;
    world_SteeringOn = 0;
    world_Running = 1;
    world_Clock = 0;
    world_ShipTimer = 0;
    world_IceCubeTimer = kIceCubeInterval;
    // A balloon left open by the previous game would make the new story
    // skip its first text.
    balloon_Current = nullptr;
    balloon_TextDone = 0;

    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    for (int i = 0; i < objects.Length(); ++i) objects[i] = nullptr;

    const Array<c_WaveEmitter *> &emitters = world_Emitters.get();
    for (int i = 0; i < emitters.Length(); ++i) emitters[i] = gc_New<c_WaveEmitter>()->m_new();

    int32_t level = game_SavedLevel();
    c_Player *player = gc_New<c_Player>()->m_new(level);
    world_Player = player;
    game_AttachWaveEmitter(player, 1);
    if (objects.Length() > 0) objects[0] = player;

    world_CameraPrevX = 0;
    world_CameraPrevY = 0;
    world_CameraCentred = 0;
    world_CameraX = world_CameraDeltaX = -(screen_Width / 2);
    world_CameraY = world_CameraDeltaY = -(screen_Height / 2);
}

// ---------------------------------------------------------------------------
// The object pass.

void game_UpdateObjects() {
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    const int n = objects.Length();

    world_EmitterCount = 0;
    world_NoEmitterCount = 0;
    for (int i = 0; i < n; ++i) {
        c_SwimmingObject *o = objects[i];
        if (!o) continue;
        if (o->m_waveEmitter)
            ++world_EmitterCount;
        else
            ++world_NoEmitterCount;
    }

    if (world_SpawningOn == 0) {
        // The timers trail the clock, so spawning starts at once when it is
        // switched on.
        world_ShipTimer = math_WrapAdd(world_ShipTimer, world_Delta);
        world_IceCubeTimer = math_WrapAdd(world_IceCubeTimer, world_Delta);
    } else {
        if (game_ClockReached(world_Clock, world_ShipTimer)) {
            world_ShipTimer = math_WrapAdd(world_Clock, kShipInterval);
            if (world_EmitterCount <= kMaxWithEmitter) game_SpawnShip(0);
        }
        if (game_ClockReached(world_Clock, world_IceCubeTimer)) {
            if (world_NoEmitterCount <= kMaxWithoutEmitter) game_SpawnShip(1);
            world_IceCubeTimer = math_WrapAdd(world_Clock, kIceCubeInterval);
        }
    }

    for (int i = 0; i < n; ++i) {
        c_SwimmingObject *obj = objects[i];
        if (!obj) continue;
        obj->Update();
        c_SwimmingObject *collider = obj->m_lastCollider;
        if (collider && collider == world_Player.get()) {
            PayPickUp(obj);
            objects[i] = nullptr;
        }
        if (obj->Finished()) RemoveFinished(i, obj);
    }

    for (int i = 1; i < n; ++i) {
        for (int j = 0; j < i; ++j) {
            // A collision never changes the slots; read them afresh anyway.
            c_SwimmingObject *b = objects[i];
            if (!b) break;
            c_SwimmingObject *a = objects[j];
            if (a) game_CollideObjects(a, b);
        }
    }
}

// ---------------------------------------------------------------------------
// Spawning.

void game_SpawnShip(int32_t iceCube) {
    c_Player *player = world_Player;
    if (!player) return;

    // Heading, whole degrees.
    int32_t a = math_TruncToInt(random_Rnd() * 360.0f);
    float heading = static_cast<float>(a);

    // Aim beside the iceberg's view position.
    int32_t sx0 = player->ScreenX();
    int32_t sy0 = player->ScreenY();
    int32_t ax = math_TruncToInt(static_cast<float>(sx0) + kAimOffset * sea_CosDeg(heading + 90.0f));
    int32_t ay = math_TruncToInt(static_cast<float>(sy0) + kAimOffset * sea_SinDeg(heading + 90.0f));

    // The heading in view space.
    float cosA = sea_CosDeg(heading), sinA = sea_SinDeg(heading);
    float dx = cosA - sinA;
    float dy = (cosA + sinA) * 0.5f;
    if (std::fabs(dx) < kTinyDirection) dx = 0;
    if (std::fabs(dy) < kTinyDirection) dy = 0;

    // Back from the aim along the course to the widened view rectangle. An
    // axis counts only with a direction and a distance to go on it.
    float tx = EdgeDistance(dx, ax, screen_Width);
    float ty = EdgeDistance(dy, ay, screen_Height);
    bool useX = dx != 0 && tx != 0;
    bool useY = dy != 0 && ty != 0;
    float k = 0;
    if (useX && useY)
        k = math_Max(tx / dx, ty / dy);
    else if (useX)
        k = tx / dx;
    else if (useY)
        k = ty / dy;
    int32_t ex = math_TruncToInt(static_cast<float>(ax) + k * dx);
    int32_t ey = math_TruncToInt(static_cast<float>(ay) + k * dy);
    int32_t ix = math_WrapAdd(world_CameraX, ex);
    int32_t iy = math_WrapAdd(world_CameraY, ey);
    int32_t h = ix / 2;
    int32_t x = math_WrapAdd(iy, h);
    int32_t y = math_WrapAdd(iy, -static_cast<int64_t>(h));

    // The level, drawn for ice cubes too.
    int32_t level;
    if (world_Mode == GameMode_Campaign) {
        int32_t r1 = math_TruncToInt(random_Rnd() * 5.0f);
        int32_t r2 = math_TruncToInt(random_Rnd() * 3.0f);
        int32_t r3 = math_TruncToInt(random_Rnd() * 3.0f);
        level = player->m_level + r1 + r2 + r3 - 4;
    } else {
        int32_t base = math_Clamp(player->m_isoY / kOpenWorldLevelDepth + 1, 1, sea_TopLevel);
        int32_t r1 = math_TruncToInt(random_Rnd() * 3.0f) - 1;
        int32_t r2 = math_TruncToInt(random_Rnd() * 3.0f) - 1;
        level = base + r1 + r2;
    }
    level = sea_FoldLevel(level);

    if (iceCube != 0) {
        float speed = random_Rnd() * 0.25f + 0.25f;
        int32_t slot = FirstFreeSlot();
        if (slot < 0) return;
        world_Objects[slot] = gc_New<c_IceCube>()->m_new(x, y, heading, speed);
        return;
    }

    int32_t roll = math_TruncToInt(random_Rnd() * 100.0f);
    int32_t threshold = 95 - player->m_level / 2;
    // Every draw is made; with all slots taken nothing is made, and so no
    // wake is taken from the pool.
    int32_t slot = FirstFreeSlot();
    if (slot < 0) return;
    c_Ship *ship;
    if (roll < threshold) {
        if (player->m_level == sea_TopLevel && world_Mode == GameMode_Campaign &&
            world_StoryState == StoryState_Playing && c_Game::CountObjectsOfKind(ObjectKind_CruiseLiner) == 0)
            ship = gc_New<c_ShipVelmora>()->m_new(sea_TopLevel, x, y, heading);
        else
            ship = gc_New<c_ShipSmallYacht>()->m_new(level, x, y, heading);
    } else {
        ship = gc_New<c_ShipSmallIcebreaker>()->m_new(level, x, y, heading);
    }
    world_Objects[slot] = ship;
    game_AttachWaveEmitter(ship, 1);
}

int32_t c_Game::CountObjectsOfKind(int32_t kind) {
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    int32_t count = 0;
    for (int i = 0; i < objects.Length(); ++i) {
        c_SwimmingObject *o = objects[i];
        if (o && o->m_kind == kind) ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// The camera.

void c_Game::UpdateCamera() {
    c_Player *player = world_Player;
    if (player && world_CameraCentred == 0) {
        // A dead-zone scroll starts only while the iceberg moves outward.
        if (world_ScrollX == 0) {
            int32_t sx = player->ScreenX();
            float svx = player->ScreenVX();
            if (world_DeadZoneLeft > sx && svx < 0)
                world_ScrollX = -(screen_Width / 2);
            else if (world_DeadZoneRight < sx && svx > 0)
                world_ScrollX = screen_Width / 2;
        }
        if (world_ScrollY == 0) {
            int32_t sy = player->ScreenY();
            float svy = player->ScreenVY();
            if (world_DeadZoneTop > sy && svy < 0)
                world_ScrollY = -(screen_Height / 2);
            else if (world_DeadZoneBottom < sy && svy > 0)
                world_ScrollY = screen_Height / 2;
        }
    }
    if (world_ScrollX != 0) {
        int32_t m = math_Clamp(world_ScrollX, -3, 3);
        world_CameraX = math_WrapAdd(world_CameraX, m);
        world_ScrollX -= m;
    }
    if (world_ScrollY != 0) {
        int32_t m = math_Clamp(world_ScrollY, -3, 3);
        world_CameraY = math_WrapAdd(world_CameraY, m);
        world_ScrollY -= m;
    }
    world_CameraDeltaX = math_WrapAdd(world_CameraX, -static_cast<int64_t>(world_CameraPrevX));
    world_CameraPrevX = world_CameraX;
    world_CameraDeltaY = math_WrapAdd(world_CameraY, -static_cast<int64_t>(world_CameraPrevY));
    world_CameraPrevY = world_CameraY;
}

bool c_Game::CentreCameraOnPlayer(int32_t) {
    if (world_CentringState == 0) {
        c_Player *player = world_Player;
        world_CentringState = 1;
        world_CameraCentred = 1;
        if (player) {
            // The iceberg ends 40 pixels below the view centre.
            world_ScrollX = math_WrapAdd(player->m_isoX - static_cast<int64_t>(screen_Width / 2),
                                         -static_cast<int64_t>(world_CameraX));
            world_ScrollY = math_WrapAdd(player->m_isoY - static_cast<int64_t>(screen_Height / 2) - 40,
                                         -static_cast<int64_t>(world_CameraY));
        }
        return false;
    }
    if (world_CentringState == 1) return world_ScrollX == 0 && world_ScrollY == 0;
    return false;
}

void c_Game::SetCamera(int32_t x, int32_t y, bool instant) {
    int32_t cx = math_WrapAdd(x, -static_cast<int64_t>(screen_Width / 2));
    int32_t cy = math_WrapAdd(y, -static_cast<int64_t>(screen_Height / 2));
    if (instant) {
        world_CameraPrevX = world_CameraX;
        world_CameraPrevY = world_CameraY;
        world_CameraX = cx;
        world_CameraY = cy;
        world_CameraDeltaX = math_WrapAdd(world_CameraX, -static_cast<int64_t>(world_CameraPrevX));
        world_CameraDeltaY = math_WrapAdd(world_CameraY, -static_cast<int64_t>(world_CameraPrevY));
    } else {
        world_CameraCentred = 1;
        world_ScrollX = math_WrapAdd(cx, -static_cast<int64_t>(world_CameraX));
        world_ScrollY = math_WrapAdd(cy, -static_cast<int64_t>(world_CameraY));
    }
}

// ---------------------------------------------------------------------------
// Drawing order.

void c_Game::SortObjectsByDepth() {
    // Gnome sort by depth, nulls to the end; equal depths keep their order.
    // The sort moves the world_Objects slots themselves: the next update's
    // pass and its collision pairs go in this order (see the play render).
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    const int last = objects.Length() - 1;
    int i = 0;
    while (i < last) {
        c_SwimmingObject *a = objects[i];
        c_SwimmingObject *b = objects[i + 1];
        if (!b || (a && a->m_isoY <= b->m_isoY)) {
            ++i;
        } else {
            objects[i] = b;
            objects[i + 1] = a;
            i = i > 0 ? i - 1 : 1;
        }
    }
}

// ---------------------------------------------------------------------------
// View to world.

float game_ScreenToWorldX(float sx, float sy) {
    int64_t ix = static_cast<int64_t>(math_TruncToInt(sx)) + world_CameraX;
    int64_t iy = static_cast<int64_t>(math_TruncToInt(sy)) + world_CameraY;
    return static_cast<float>(ix / 2 + iy);
}

float game_ScreenToWorldY(float sx, float sy) {
    int64_t ix = static_cast<int64_t>(math_TruncToInt(sx)) + world_CameraX;
    int64_t iy = static_cast<int64_t>(math_TruncToInt(sy)) + world_CameraY;
    return static_cast<float>(iy - ix / 2);
}
