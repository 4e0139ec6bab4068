// The swimming objects: the base step every object on the sea shares, the
// iceberg with its levels, tiers, melting and revive, the three ships with
// their steering, and the two pick-ups. Drawing lives with the Render
// bodies; Update never draws.
#include <cmath>

#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

// ---------------------------------------------------------------------------
// c_SwimmingObject

void c_SwimmingObject::Mark() {
    gc_Enqueue(m_waveEmitter);
    gc_Enqueue(m_lastCollider);
}

void c_SwimmingObject::Update() {
    float dx = m_desiredVx - m_vx;
    float dy = m_desiredVy - m_vy;
    float s = math_Min(std::sqrt(dx * dx + dy * dy), m_drag);
    m_vx += dx * s;
    m_vy += dy * s;

    m_x += m_vx;
    m_y += m_vy;

    if (c_WaveEmitter *e = m_waveEmitter) {
        e->m_vx = m_x - e->m_x;
        e->m_vy = m_y - e->m_y;
        e->m_x = m_x;
        e->m_y = m_y;
    }

    UpdateScreenPos();

    if (m_inContact != 0) {
        m_inContact = 0;
        m_contactCooldown = 70;
    } else {
        m_contactCooldown = math_Max(math_WrapAdd(m_contactCooldown, -static_cast<int64_t>(world_Delta)), 0);
    }

    sea_Margins m = sea_PlayMargins(m_waveEmitter.get() != nullptr, m_speed);
    int64_t isoX = m_isoX, isoY = m_isoY;
    if (isoX + m.x < static_cast<int64_t>(screen_PlayLeft) + world_CameraX ||
        isoX - m.x > static_cast<int64_t>(screen_PlayRight) + world_CameraX ||
        isoY + m.y < static_cast<int64_t>(screen_PlayTop) + world_CameraY ||
        isoY - m.y > static_cast<int64_t>(screen_PlayBottom) + world_CameraY) {
        m_hitByPlayer = 0;
        m_fadeStep = m_stepCount;
    }

    if (game_ClockReached(world_Clock, m_invulnerableUntil)) m_invulnerable = 0;
}

void c_SwimmingObject::Render(c_Canvas *) {}

void c_SwimmingObject::TakeDamage(int32_t amount) {
    if (m_invulnerable != 0 || m_contactCooldown != 0 || m_immune != 0) return;
    int64_t hp = static_cast<int64_t>(m_hitPoints) - amount;
    m_hitPoints = hp < 0 ? 0 : static_cast<int32_t>(hp);
}

void c_SwimmingObject::Heal(int32_t amount) {
    int64_t hp = static_cast<int64_t>(m_hitPoints) + amount;
    m_hitPoints = hp < m_maxHitPoints ? static_cast<int32_t>(hp) : m_maxHitPoints;
}

void c_SwimmingObject::MakeInvulnerable(int32_t ms) {
    m_invulnerable = 1;
    m_invulnerableUntil = math_WrapAdd(world_Clock, ms);
}

int32_t c_SwimmingObject::SetHitByPlayer(int32_t playerLevel) {
    m_hitByPlayer = 1;
    m_xpReward = sea_XpReward(m_level, playerLevel, m_aggressive != 0);
    return m_xpReward;
}

void c_SwimmingObject::ReleaseWaveEmitter() {
    if (c_WaveEmitter *e = m_waveEmitter) e->m_state = EmitterState_Fading;
    m_waveEmitter = nullptr;
}

void c_SwimmingObject::UpdateScreenPos() {
    m_isoX = sea_IsoX(m_x, m_y);
    m_isoY = sea_IsoY(m_x, m_y);
}

int32_t c_SwimmingObject::ScreenX() { return math_TruncToInt(m_x - m_y - static_cast<float>(world_CameraX)); }
int32_t c_SwimmingObject::ScreenY() {
    return math_TruncToInt((m_x + m_y) * 0.5f - static_cast<float>(world_CameraY));
}
float c_SwimmingObject::ScreenVX() { return m_vx - m_vy; }
float c_SwimmingObject::ScreenVY() { return (m_vx + m_vy) * 0.5f; }
float c_SwimmingObject::Speed() { return std::sqrt(m_vx * m_vx + m_vy * m_vy); }
float c_SwimmingObject::Heading() { return sea_Atan2Deg(m_vy, m_vx); }

// ---------------------------------------------------------------------------
// c_Player

c_Player *c_Player::m_new(int32_t level) {
    m_kind = ObjectKind_Iceberg;
    m_stepCount = 25;
    m_canPickUp = 1;
    m_x = 0;
    m_y = 0;
    m_isoX = 0;
    m_isoY = 0;
    m_face = PlayerFace_Normal;
    m_hitPoints = 10;
    m_maxHitPoints = 10;
    m_speed = 1.0f;
    m_drag = 0.04f;
    m_xp = 0;
    SetLevel(level);
    return this;
}

void c_Player::SetLevel(int32_t level) {
    m_level = level;
    m_levelF = static_cast<float>(level);
    UpdateXpNeeded();
    m_fadeStep = sea_TierOfLevel(level);
    ApplyTier();
    game_SavedLevel() = level;
}

void c_Player::UpdateXpNeeded() { m_xpNeeded = sea_XpNeeded(m_level); }

void c_Player::ApplyTier() {
    sea_TierShape s = sea_ShapeOfTier(m_fadeStep, m_stepCount);
    m_width = s.size;
    m_length = s.size;
    m_mass = s.mass;
    m_alpha = s.alpha;
    if (c_WaveEmitter *e = m_waveEmitter) e->m_strength = math_TruncToInt(2.0f * m_width);
}

void c_Player::SetTalking(int32_t on) {
    m_talking = on != 0 ? 1 : 0;
    m_face = on != 0 ? PlayerFace_TalkingMouthOpen : PlayerFace_Normal;
    if (on != 0) m_talkTimer = world_Clock;
}

void c_Player::Update() {
    if (m_hitPoints >= 1) {
        while (m_level < sea_TopLevel && m_xp >= m_xpNeeded) {
            m_xp -= m_xpNeeded;
            SetLevel(m_level + 1);
            gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_LevelUp, String(u"+1"));
        }

        m_heading = controls_SteerAngle;
        m_desiredVx = sea_CosDeg(m_heading) * controls_Throttle;
        m_desiredVy = sea_SinDeg(m_heading) * controls_Throttle;

        if (m_talking != 0) {
            if (game_ClockReached(world_Clock, m_talkTimer)) {
                m_talkTimer = math_WrapAdd(m_talkTimer, 150);
                // The mouth opens and shuts; any other face starts with it open.
                m_face = m_face == PlayerFace_TalkingMouthOpen ? PlayerFace_TalkingMouthShut
                                                               : PlayerFace_TalkingMouthOpen;
            }
        } else if (m_face == PlayerFace_Normal || m_face == PlayerFace_Hurt) {
            // Hurt below 5 hit points, half of the iceberg's 10.
            m_face = m_hitPoints < 5 ? PlayerFace_Hurt : PlayerFace_Normal;
        }
    } else {
        switch (m_deathState) {
        case DeathState_Alive:
            m_nextStepTime = math_WrapAdd(world_Clock, m_stepInterval);
            m_deathState = DeathState_Dying;
            m_alive = 0;
            m_canPickUp = 0;
            m_face = PlayerFace_Melting;
            m_desiredVx = 0;
            m_desiredVy = 0;
            game_SavedLevel() = 1;
            game_SaveProgress();
            break;
        case DeathState_Dying:
            if (m_fadeStep < m_stepCount && game_ClockReached(world_Clock, m_nextStepTime)) {
                m_nextStepTime = math_WrapAdd(m_nextStepTime, m_stepInterval);
                m_fadeStep += 1;
                ApplyTier();
            }
            break;
        case DeathState_Reviving:
            if (m_fadeStep <= sea_TierOfLevel(m_level)) {
                m_deathState = DeathState_Alive;
                m_alive = 1;
                m_canPickUp = 1;
                m_hitPoints = m_maxHitPoints;
            } else if (game_ClockReached(world_Clock, m_nextStepTime)) {
                m_nextStepTime = math_WrapAdd(m_nextStepTime, m_stepInterval);
                m_fadeStep -= 1;
                ApplyTier();
            }
            m_face = PlayerFace_Reviving;
            break;
        default:
            break;
        }
    }
    c_SwimmingObject::Update();
}

void c_Player::Render(c_Canvas *canvas) {
    // The red-mask shader reads the tier's alpha from the vertex colour: the
    // smaller the tier, the smaller the core of the images that shows.
    canvas->SetAlpha(m_alpha);
    game_DrawImage(canvas, world_IcebergOutline, static_cast<float>(m_isoX), static_cast<float>(m_isoY - 8));
    // The face sinks with the tier, a pixel per tier less one at each of
    // the tiers where the silhouette loses a row.
    static const int32_t kFaceThresholds[] = {4, 8, 11, 15, 18, 21, 24};
    const int32_t tier = m_fadeStep;
    int32_t band = 0;
    for (int32_t threshold : kFaceThresholds)
        if (tier >= threshold) ++band;
    game_DrawFrame(canvas, world_IcebergFaces, m_face, static_cast<float>(m_isoX),
                   static_cast<float>(m_isoY - 24 + tier - band));
    canvas->SetAlpha(1);
}

// ---------------------------------------------------------------------------
// c_Ship

void c_Ship::Mark() {
    c_SwimmingObject::Mark();
    gc_Enqueue(m_frames);
    gc_Enqueue(m_outlineFrames);
}

void c_Ship::SetTargetHeading(float degrees) { m_targetHeading = degrees; }

void c_Ship::Steer() {
    float h = m_heading;
    float cosH = sea_CosDeg(h), sinH = sea_SinDeg(h);
    float turnWish = 0;
    bool free = true;
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    for (int i = 0; i < objects.Length(); ++i) {
        c_SwimmingObject *o = objects[i];
        if (!o || o == this || o->m_alive == 0) continue;
        if (!dynamic_cast<c_Ship *>(o) && !dynamic_cast<c_Player *>(o)) continue;
        float dx = o->m_x - m_x, dy = o->m_y - m_y;
        if (!(std::fabs(dx) < 100.0f && std::fabs(dy) < 100.0f && std::sqrt(dx * dx + dy * dy) <= 100.0f)) continue;
        float ahead = dx * cosH + dy * sinH;
        float side = dy * cosH - dx * sinH;
        float lane = (10.0f + m_length + o->m_length) * 1.5f;
        float w = static_cast<float>(o->m_level - m_level + 4) * math_Min(ahead / 20.0f, 1.0f - ahead / 200.0f);
        w = math_Clamp(w, 0.2f, 1.0f);
        if (m_aggressive != 0 && o == world_Player.get()) {
            w = -2.0f * w;
            m_targetHeading = std::fmod(sea_Atan2Deg(dy, dx) + 360.0f, 360.0f);
        }
        if (ahead > 0 && side >= 0 && side <= lane) {
            turnWish -= w;
            free = false;
        } else if (ahead > 0 && side >= -lane && side < 0) {
            turnWish += w;
            free = false;
        }
    }
    if (free) {
        turnWish = std::fmod(m_targetHeading - h + 360.0f, 360.0f);
        if (turnWish > 180.0f) turnWish -= 360.0f;
    }
    float turn = math_Clamp(turnWish, -m_turnRate, m_turnRate);
    m_heading = std::fmod(h + turn + 360.0f, 360.0f);

    float off = sea_AngleOff(m_heading, m_targetHeading);
    float pace = m_speed * (1.0f - off / 180.0f);
    m_desiredVx = sea_CosDeg(m_heading) * pace;
    m_desiredVy = sea_SinDeg(m_heading) * pace;
}

void c_Ship::Update() {
    if (m_hitPoints > 0) {
        Steer();
    } else if (m_deathState == DeathState_Alive) {
        m_nextStepTime = math_WrapAdd(world_Clock, m_stepInterval);
        m_deathState = DeathState_Dying;
        m_alive = 0;
        m_desiredVx = 0;
        m_desiredVy = 0;
    } else if (m_deathState == DeathState_Dying) {
        if (m_fadeStep < m_stepCount && game_ClockReached(world_Clock, m_nextStepTime)) {
            m_fadeStep += 1;
            m_nextStepTime = math_WrapAdd(m_nextStepTime, m_stepInterval);
            m_alpha = 1.0f - static_cast<float>(2 * m_fadeStep + 1) / static_cast<float>(2 * m_stepCount);
        }
    }
    c_SwimmingObject::Update();
}

namespace {

// Frame `frame` of a strip at (x, y), mirrored when xScale is -1; nothing
// when the strip lacks it.
void DrawShipFrame(c_Canvas *canvas, const Array<c_Image2 *> &strip, int32_t frame, float x, float y, float xScale) {
    if (c_Image2 *image = game_StripFrame(strip, frame)) canvas->DrawImage(image, x, y, 0.0f, xScale, 1.0f);
}

// The default material, typed for the rectangle form of DrawRect.
c_Material *const kDefaultMaterial = nullptr;

}  // namespace

void c_Ship::Render(c_Canvas *canvas) {
    const float x = static_cast<float>(m_isoX), y = static_cast<float>(m_isoY);
    const sea_ShipFrame view = sea_ShipFrameOf(m_heading);
    // The alpha-mask shader dissolves the hull by the ship's alpha; the hull
    // drops one pixel per sinking step below its outline.
    canvas->SetAlpha(m_alpha);
    DrawShipFrame(canvas, m_outlineFrames, view.frame, x, y, view.xScale);
    DrawShipFrame(canvas, m_frames, view.frame, x, y + static_cast<float>(m_fadeStep), view.xScale);
    canvas->SetAlpha(1);

    // The health bar: a grey frame and the green remaining health.
    const int32_t bx = m_isoX - m_barWidth / 2;
    const int32_t by = m_isoY + m_barOffset;
    const float fx = static_cast<float>(bx), fy = static_cast<float>(by);
    const float barWidth = static_cast<float>(m_barWidth);
    canvas->SetColor(0.35f, 0.35f, 0.35f);
    canvas->DrawRect(fx + 8, fy - 1, barWidth - 9, 1, kDefaultMaterial, 0, 0, 1, 1);
    canvas->DrawRect(fx + barWidth - 1, fy - 3, 1, 2, kDefaultMaterial, 0, 0, 1, 1);
    const float health = m_maxHitPoints > 0 ? static_cast<float>(m_hitPoints) / static_cast<float>(m_maxHitPoints) : 0;
    const float green = static_cast<float>(math_TruncToInt(std::ceil((barWidth - 10) * health)));
    canvas->SetColor(0, 0.8f, 0);
    canvas->DrawRect(fx + 9, fy - 3, green, 2, kDefaultMaterial, 0, 0, 1, 1);

    // The level tag, coloured by how the ship's level compares with the
    // iceberg's, and the level over it.
    const int32_t playerLevel = world_Player ? world_Player->m_level : 1;
    const int32_t d = m_level - playerLevel;
    if (d > 2) {
        canvas->SetColor(0.4f, 0, 0);
    } else if (d >= 0) {
        canvas->SetColor(0.6f, 0.45f, 0);
    } else if (d >= -3) {
        canvas->SetColor(0, 0.6f, 0);
    } else {
        canvas->SetColor(0.5f, 0.5f, 0.5f);
    }
    game_DrawImage(canvas, world_LevelTagImage, fx, fy - 7);
    canvas->SetColor(1, 1, 1);
    canvas->DrawText(String(m_level), fx + 5, fy - 8, 0.5f, 0);
}

namespace {

// A ship type's constants.
struct ShipConstants {
    int32_t kind;        // ObjectKind_
    float speed;         // cruising speed, world units per update
    float turnRate;      // the most it turns in an update, degrees
    float drag;          // the most of the gap to the wanted velocity it closes in an update
    float length;        // world units
    float width;         // world units
    float mass;          // its weight in collisions
    int32_t stepCount;   // sinking steps until it is gone, m_stepInterval ms each
    int32_t barWidth;    // the health bar's width, pixels
    int32_t barOffset;   // the bar's y from the ship's iso y, pixels (negative: above)
    int32_t aggressive;  // 1: steers at the iceberg and pays double XP
};

void InitShip(c_Ship *ship, const ShipConstants &c, const Array<c_Image2 *> &frames,
              const Array<c_Image2 *> &outlines, int32_t level, int32_t x, int32_t y, float heading) {
    ship->m_kind = c.kind;
    ship->m_frames = frames;
    ship->m_outlineFrames = outlines;
    ship->m_speed = c.speed;
    ship->m_turnRate = c.turnRate;
    ship->m_drag = c.drag;
    ship->m_length = c.length;
    ship->m_width = c.width;
    ship->m_mass = c.mass;
    ship->m_stepCount = c.stepCount;
    ship->m_barWidth = c.barWidth;
    ship->m_barOffset = c.barOffset;
    ship->m_aggressive = c.aggressive;
    ship->m_level = level;
    ship->m_levelF = static_cast<float>(level);
    ship->m_x = static_cast<float>(x);
    ship->m_y = static_cast<float>(y);
    ship->m_heading = heading;
    ship->m_targetHeading = heading;
    ship->m_vx = sea_CosDeg(heading) * c.speed;
    ship->m_vy = sea_SinDeg(heading) * c.speed;
    ship->UpdateScreenPos();
    ship->m_xpReward = 10;
}

}  // namespace

c_ShipSmallYacht *c_ShipSmallYacht::m_new(int32_t level, int32_t x, int32_t y, float heading) {
    static const ShipConstants c = {.kind = ObjectKind_SmallYacht,
                                    .speed = 0.25f,
                                    .turnRate = 0.75f,
                                    .drag = 0.02f,
                                    .length = 8,
                                    .width = 4,
                                    .mass = 1.0f,
                                    .stepCount = 9,
                                    .barWidth = 24,
                                    .barOffset = -12,
                                    .aggressive = 0};
    InitShip(this, c, world_YachtFrames, world_YachtOutlines, level, x, y, heading);
    return this;
}

c_ShipSmallIcebreaker *c_ShipSmallIcebreaker::m_new(int32_t level, int32_t x, int32_t y, float heading) {
    static const ShipConstants c = {.kind = ObjectKind_SmallIcebreaker,
                                    .speed = 0.5f,
                                    .turnRate = 1.5f,
                                    .drag = 0.04f,
                                    .length = 8,
                                    .width = 4,
                                    .mass = 1.0f,
                                    .stepCount = 9,
                                    .barWidth = 24,
                                    .barOffset = -12,
                                    .aggressive = 1};
    InitShip(this, c, world_IcebreakerFrames, world_IcebreakerOutlines, level, x, y, heading);
    return this;
}

c_ShipVelmora *c_ShipVelmora::m_new(int32_t level, int32_t x, int32_t y, float heading) {
    static const ShipConstants c = {.kind = ObjectKind_CruiseLiner,
                                    .speed = 0.2f,
                                    .turnRate = 0.15f,
                                    .drag = 0.008f,
                                    .length = 24,
                                    .width = 8,
                                    .mass = 36.0f,
                                    .stepCount = 17,
                                    .barWidth = 64,
                                    .barOffset = -24,
                                    .aggressive = 0};
    InitShip(this, c, world_LinerFrames, world_LinerOutlines, level, x, y, heading);
    return this;
}

// ---------------------------------------------------------------------------
// Pick-ups

namespace {

void InitPickUp(c_SwimmingObject *o, int32_t kind, int32_t x, int32_t y, float angleDeg, float speed, float drag) {
    o->m_kind = kind;
    o->m_floating = 1;
    o->m_alive = 0;
    o->m_mass = 0.1f;
    o->m_width = 2;
    o->m_length = 2;
    o->m_heading = angleDeg;
    o->m_x = static_cast<float>(x);
    o->m_y = static_cast<float>(y);
    o->m_vx = sea_CosDeg(angleDeg) * speed;
    o->m_vy = sea_SinDeg(angleDeg) * speed;
    o->m_drag = drag;
    o->UpdateScreenPos();
}

}  // namespace

c_LootCrate *c_LootCrate::m_new(int32_t value, int32_t x, int32_t y, float angleDeg, float speed) {
    InitPickUp(this, ObjectKind_LootCrate, x, y, angleDeg, speed, 0.02f);
    m_value = value;
    return this;
}

void c_LootCrate::Render(c_Canvas *canvas) {
    game_DrawImage(canvas, world_LootImage, static_cast<float>(m_isoX), static_cast<float>(m_isoY));
}

c_IceCube *c_IceCube::m_new(int32_t x, int32_t y, float angleDeg, float speed) {
    InitPickUp(this, ObjectKind_IceCube, x, y, angleDeg, speed, 0.0f);
    return this;
}

void c_IceCube::Render(c_Canvas *canvas) {
    game_DrawImage(canvas, world_IceCubeImage, static_cast<float>(m_isoX), static_cast<float>(m_isoY));
}
