// The sea's objects: the swimming objects (the iceberg, the ships, loot
// crates and ice cubes), the wave emitters with their rings, the floating
// infos over the iceberg, and the world's operations (start, object pass,
// spawning, camera, depth sort, collisions, wave layers).
//
// Update never draws, and Render changes no object's state, with one
// exception that play depends on: the play screen's render sorts the
// world_Objects slots by depth in place (c_Game::SortObjectsByDepth), and
// the next update walks and collides the objects in that order. Every
// timer counts world_Clock milliseconds; velocities are world units per
// update.
#pragma once

#include <cstdint>

#include "renderer/rd_image.h"
#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Canvas;
class c_WaveEmitter;

// ObjectKind.
enum : int32_t {
    ObjectKind_Iceberg = 0,
    ObjectKind_SmallYacht = 1,
    ObjectKind_SmallIcebreaker = 2,
    ObjectKind_CruiseLiner = 3,
    ObjectKind_LootCrate = 4,
    ObjectKind_IceCube = 5,
};
// DeathState.
enum : int32_t {
    DeathState_Alive = 0,
    DeathState_Dying = 1,
    DeathState_Reviving = -1,
};
// EmitterState.
enum : int32_t {
    EmitterState_Idle = 0,
    EmitterState_Emitting = 1,
    EmitterState_Fading = 2,
};
// GameMode.
enum : int32_t {
    GameMode_Campaign = 0,
    GameMode_OpenWorld = 1,
};
// OverheadInfoKind.
enum : int32_t {
    OverheadInfo_Experience = 0,
    OverheadInfo_LevelUp = 1,
    OverheadInfo_Healing = 2,
    OverheadInfo_Coins = 3,
    OverheadInfo_HealIcon = 4,
    OverheadInfo_BigHealIcon = 5,
    OverheadInfo_InvulnerabilityIcon = 6,
    OverheadInfo_ReviveIcon = 7,
};
// PlayerFace: the iceberg's faces, named as tools/assets/iceberg/faces.txt
// draws them; face n is world_IcebergFaces[n], from "iceberg_t<n>.png".
enum : int32_t {
    PlayerFace_Normal = 0,
    PlayerFace_MenuThumbnail = 1,
    PlayerFace_TalkingMouthOpen = 2,
    PlayerFace_TalkingMouthShut = 3,
    PlayerFace_Hurt = 4,
    PlayerFace_Melting = 5,
    PlayerFace_Reviving = 6,
    PlayerFace_Triumph = 7,
    PlayerFace_Count = 8,
};

class c_SwimmingObject : public Object {
public:
    float m_x = 0, m_y = 0;
    float m_vx = 0, m_vy = 0;
    // int(x - y), int((x + y) * 0.5); the second is the drawing depth.
    int32_t m_isoX = 0, m_isoY = 0;
    int32_t m_level = 1;
    int32_t m_alive = 1;
    int32_t m_hitPoints = 10;
    int32_t m_immune = 0;
    int32_t m_kind = ObjectKind_Iceberg;
    int32_t m_maxHitPoints = 10;
    int32_t m_invulnerable = 0;
    int32_t m_invulnerableUntil = 0;
    // A ship's sinking step; the iceberg's size tier.
    int32_t m_fadeStep = 0;
    // Finished (removed by the object pass) when the fade step reaches it.
    int32_t m_stepCount = 1;
    int32_t m_deathState = DeathState_Alive;
    int32_t m_nextStepTime = 0;
    gc_ref<c_WaveEmitter> m_waveEmitter;
    float m_width = 0;
    float m_mass = 1.0f;
    float m_length = 0;
    // Degrees.
    float m_heading = 0;
    float m_speed = 0;
    float m_turnRate = 0;
    float m_drag = 0;
    float m_levelF = 1.0f;
    int32_t m_xpReward = 0;
    int32_t m_aggressive = 0;
    int32_t m_floating = 0;
    float m_desiredVx = 0, m_desiredVy = 0;
    int32_t m_inContact = 0;
    int32_t m_contactCooldown = 0;
    int32_t m_hitByPlayer = 0;
    gc_ref<c_SwimmingObject> m_lastCollider;
    int32_t m_canPickUp = 0;
    float m_alpha = 1.0f;
    int32_t m_stepInterval = 500;

    c_SwimmingObject() {}
    c_SwimmingObject *m_new() { return this; }
    void Mark() override;

    // The base step: ease toward the desired velocity, move, carry the
    // wake, iso position, contact cooldown, the play area, invulnerability.
    virtual void Update();
    // Draws the object; the canvas is already translated by the camera.
    virtual void Render(c_Canvas *canvas);

    void TakeDamage(int32_t amount);
    void Heal(int32_t amount);
    void MakeInvulnerable(int32_t ms);
    // Marks the object rammed by the iceberg; returns its XP reward.
    int32_t SetHitByPlayer(int32_t playerLevel);
    // The emitter fades out and is no longer this object's.
    void ReleaseWaveEmitter();
    void UpdateScreenPos();
    int32_t ScreenX();
    int32_t ScreenY();
    float ScreenVX();
    float ScreenVY();
    float Speed();
    // Degrees.
    float Heading();
    bool Finished() const { return m_fadeStep == m_stepCount; }
};

// The iceberg.
class c_Player : public c_SwimmingObject {
public:
    int32_t m_talking = 0;
    int32_t m_talkTimer = 0;
    // A PlayerFace_ value: an index into world_IcebergFaces.
    int32_t m_face = PlayerFace_Normal;
    int32_t m_xp = 0;
    int32_t m_xpNeeded = 0;

    c_Player() {}
    c_Player *m_new(int32_t level);
    void SetLevel(int32_t level);
    void UpdateXpNeeded();
    void ApplyTier();
    void SetTalking(int32_t on);
    void Update() override;
    void Render(c_Canvas *canvas) override;
};

class c_Ship : public c_SwimmingObject {
public:
    float m_targetHeading = 0;
    // Nine view directions.
    ArrayField<c_Image2 *> m_frames;
    ArrayField<c_Image2 *> m_outlineFrames;
    int32_t m_barWidth = 0;
    int32_t m_barOffset = 0;

    c_Ship() {}
    void Mark() override;
    void Steer();
    void SetTargetHeading(float degrees);
    void Update() override;
    void Render(c_Canvas *canvas) override;
};

class c_ShipSmallYacht : public c_Ship {
public:
    c_ShipSmallYacht *m_new(int32_t level, int32_t x, int32_t y, float heading);
};
class c_ShipSmallIcebreaker : public c_Ship {
public:
    c_ShipSmallIcebreaker *m_new(int32_t level, int32_t x, int32_t y, float heading);
};
// The cruise liner "Velmora".
class c_ShipVelmora : public c_Ship {
public:
    c_ShipVelmora *m_new(int32_t level, int32_t x, int32_t y, float heading);
};

class c_LootCrate : public c_SwimmingObject {
public:
    int32_t m_value = 0;
    c_LootCrate() {}
    c_LootCrate *m_new(int32_t value, int32_t x, int32_t y, float angleDeg, float speed);
    void Render(c_Canvas *canvas) override;
};

class c_IceCube : public c_SwimmingObject {
public:
    c_IceCube() {}
    c_IceCube *m_new(int32_t x, int32_t y, float angleDeg, float speed);
    void Render(c_Canvas *canvas) override;
};

// One wake ring.
class c_WaveRadial : public Object {
public:
    float m_x = 0, m_y = 0;
    float m_amplitude = 0;
    float m_direction = 0;
    float m_decay = 0;
    float m_startRadius = 0;
    int32_t m_active = 0;
    float m_radius = 0;
    float m_endRadius = 0;
    int32_t m_startTime = 0;

    c_WaveRadial() {}
    c_WaveRadial *m_new() { return this; }
    void Start(float x, float y, float amplitude, float direction, float decay, float radius);
    void Update();
};

// A wake: rings spawned as its object travels, from a pool of 15.
class c_WaveEmitter : public Object {
public:
    int32_t m_state = EmitterState_Idle;
    int32_t m_nextSpawnTime = 0;
    float m_distanceBudget = 0;
    float m_vx = 0, m_vy = 0;
    int32_t m_startTime = 0;
    float m_x = 0, m_y = 0;
    int32_t m_strength = 0;
    ArrayField<c_WaveRadial *> m_ring;
    int32_t m_ringIndex = 0;

    c_WaveEmitter() {}
    // A ring of world_WaveRingSize new, inactive rings.
    c_WaveEmitter *m_new();
    void Mark() override;
    void Update();
    void Prewarm(c_SwimmingObject *obj);
    void Start(float x, float y);
    void MoveTo(float x, float y);
};

// A text or icon floating up over the iceberg for 2000 ms.
class c_HudOverheadInfo : public Object {
public:
    int32_t m_kind = 0;
    int32_t m_time = 0;
    String m_text;
    int32_t m_x = 0, m_y = 0;

    c_HudOverheadInfo() {}
    // Fills the info and stores it in the ring of four.
    c_HudOverheadInfo *m_new(int32_t kind, const String &text);
    // Removes the infos older than 2000 ms of game_Clock.
    static void ExpireAll();
};

// The world's operations (no instance).
class c_Game {
public:
    static void StartWorld(int32_t mode);
    static void UpdateCamera();
    // True when the centring scroll is done.
    static bool CentreCameraOnPlayer(int32_t screenX);
    static void SetCamera(int32_t x, int32_t y, bool instant);
    static void SortObjectsByDepth();
    static int32_t CountObjectsOfKind(int32_t kind);
};

// The two scrolling texture layers of the sea.
class c_WaveLF {
public:
    static void Init();
    static void Update();
};
class c_WaveHF {
public:
    static void Init();
    static void Update();
};

void game_UpdateObjects();
// A ship (iceCube 0) or an ice cube entering the play area.
void game_SpawnShip(int32_t iceCube);
float game_ScreenToWorldX(float sx, float sy);
float game_ScreenToWorldY(float sx, float sy);
void game_CollideObjects(c_SwimmingObject *a, c_SwimmingObject *b);
float game_AngleFactor(float degrees);
void game_AttachWaveEmitter(c_SwimmingObject *obj, int32_t prewarm);
