// The swimming objects: the base step, the iceberg's levels, tiers,
// melting, revive and talking face, the save at its death, the ships'
// set-up, steering and sinking, and the pick-ups.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_screen.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "tests/game/support/headless.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// Program globals, the 960 x 540 layout with the camera centred on (0, 0),
// a host object and a private current folder for the state file.
class ObjectsTest : public HeadlessGameTest {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        world_CameraX = -(screen_Width / 2);
        world_CameraY = -(screen_Height / 2);
        world_Clock = 1000;
        world_Delta = 33;
    }

    c_Player *Player(int32_t level, int32_t slot = 0) {
        c_Player *p = gc_New<c_Player>()->m_new(level);
        world_Player = p;
        world_Objects[slot] = p;
        return p;
    }
    template <class T>
    T *Put(T *o, int32_t slot) {
        world_Objects[slot] = o;
        return o;
    }
    // One update at the present clock, then the clock moves on.
    void Step(c_SwimmingObject *o, int32_t ms) {
        o->Update();
        world_Clock += ms;
    }
    int32_t OverheadCount() {
        int32_t n = 0;
        for (int i = 0; i < hud_OverheadInfos.Length(); ++i) n += hud_OverheadInfos[i] ? 1 : 0;
        return n;
    }
    bool StateFileExists() { return access(host_StateFilePath().c_str(), F_OK) == 0; }
};

// ---------------------------------------------------------------------------
// The base step.

TEST_F(ObjectsTest, EasesTowardTheDesiredVelocity) {
    struct Row {
        const char *name;
        float vx, vy, dvx, dvy, drag;
        float wantVx, wantVy;
    } rows[] = {
        {"drag 0 keeps the velocity", 0.3f, -0.2f, 0, 0, 0, 0.3f, -0.2f},
        {"already at the desired velocity", 0.5f, 0.5f, 0.5f, 0.5f, 0.04f, 0.5f, 0.5f},
        {"far: the fraction drag of the gap", 0, 0, 1, 0, 0.04f, 0.04f, 0},
        {"near: the fraction |d| of the gap", 0, 0, 0.01f, 0, 0.04f, 0.0001f, 0},
        {"both axes", 0, 0, 3, 4, 0.5f, 1.5f, 2.0f},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
        o->m_x = 10;
        o->m_y = 5;
        o->m_vx = r.vx;
        o->m_vy = r.vy;
        o->m_desiredVx = r.dvx;
        o->m_desiredVy = r.dvy;
        o->m_drag = r.drag;
        o->Update();
        EXPECT_NEAR(o->m_vx, r.wantVx, 1e-7f);
        EXPECT_NEAR(o->m_vy, r.wantVy, 1e-7f);
        // Moved by the new velocity, iso position from the new position.
        EXPECT_FLOAT_EQ(o->m_x, 10 + o->m_vx);
        EXPECT_FLOAT_EQ(o->m_y, 5 + o->m_vy);
        EXPECT_EQ(o->m_isoX, sea_IsoX(o->m_x, o->m_y));
        EXPECT_EQ(o->m_isoY, sea_IsoY(o->m_x, o->m_y));
        EXPECT_FALSE(o->Finished());
    }
}

TEST_F(ObjectsTest, CarriesTheWakeAlong) {
    c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
    c_WaveEmitter *e = gc_New<c_WaveEmitter>();
    o->m_waveEmitter = e;
    e->m_state = EmitterState_Emitting;
    e->m_x = 3;
    e->m_y = 4;
    o->m_x = 5;
    o->m_y = 5;
    o->m_vx = 1;
    o->m_vy = -0.5f;
    o->Update();
    EXPECT_FLOAT_EQ(e->m_x, 6);
    EXPECT_FLOAT_EQ(e->m_y, 4.5f);
    EXPECT_FLOAT_EQ(e->m_vx, 3);
    EXPECT_FLOAT_EQ(e->m_vy, 0.5f);

    o->ReleaseWaveEmitter();
    EXPECT_EQ(e->m_state, EmitterState_Fading);
    EXPECT_EQ(o->m_waveEmitter.get(), nullptr);
    o->ReleaseWaveEmitter();  // nothing held: nothing happens
    EXPECT_EQ(o->m_waveEmitter.get(), nullptr);
}

TEST_F(ObjectsTest, OutOfPlayOnEachSide) {
    // The bounds in world iso coordinates.
    const int32_t left = screen_PlayLeft + world_CameraX, right = screen_PlayRight + world_CameraX;
    const int32_t top = screen_PlayTop + world_CameraY, bottom = screen_PlayBottom + world_CameraY;
    struct Row {
        const char *name;
        bool wake;
        int32_t isoX, isoY;
        bool out;
    } rows[] = {
        {"centre", false, 0, 0, false},
        {"left, margin box touching", false, left - 20, 0, false},
        {"left, wholly outside", false, left - 21, 0, true},
        {"right", false, right + 21, 0, true},
        {"top", false, 0, top - 11, true},
        {"bottom, touching", false, 0, bottom + 10, false},
        {"bottom", false, 0, bottom + 11, true},
        {"wake widens the margin", true, left - 129, 0, false},
        {"beyond the wider margin", true, left - 130, 0, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
        o->m_speed = 0.25f;
        o->m_stepCount = 9;
        o->m_hitByPlayer = 1;
        if (r.wake) o->m_waveEmitter = gc_New<c_WaveEmitter>();
        // A world point with the wanted iso position, a little off the
        // grid away from zero.
        float off = r.isoY < 0 ? -0.25f : 0.25f;
        o->m_x = (2.0f * r.isoY + r.isoX) / 2.0f + off;
        o->m_y = (2.0f * r.isoY - r.isoX) / 2.0f + off;
        o->Update();
        ASSERT_EQ(o->m_isoX, r.isoX);
        ASSERT_EQ(o->m_isoY, r.isoY);
        EXPECT_EQ(o->Finished(), r.out);
        EXPECT_EQ(o->m_hitByPlayer, r.out ? 0 : 1);
    }
}

TEST_F(ObjectsTest, DamageHealingAndGuards) {
    c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
    o->TakeDamage(3);
    EXPECT_EQ(o->m_hitPoints, 7);
    o->TakeDamage(50);
    EXPECT_EQ(o->m_hitPoints, 0);  // never below 0
    o->Heal(4);
    EXPECT_EQ(o->m_hitPoints, 4);
    o->Heal(2147483647);
    EXPECT_EQ(o->m_hitPoints, 10);  // stops at the maximum

    o->m_contactCooldown = 5;
    o->TakeDamage(3);
    o->m_contactCooldown = 0;
    o->m_immune = 1;
    o->TakeDamage(3);
    o->m_immune = 0;
    o->MakeInvulnerable(30000);
    EXPECT_EQ(o->m_invulnerableUntil, world_Clock + 30000);
    o->TakeDamage(3);
    EXPECT_EQ(o->m_hitPoints, 10);

    // The invulnerability ends when its time has come.
    world_Clock += 29999;
    o->Update();
    EXPECT_EQ(o->m_invulnerable, 1);
    world_Clock += 1;
    o->Update();
    EXPECT_EQ(o->m_invulnerable, 0);
    o->TakeDamage(3);
    EXPECT_EQ(o->m_hitPoints, 7);
}

TEST_F(ObjectsTest, ContactRestartsTheCooldown) {
    c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
    world_Delta = 33;
    o->m_inContact = 1;
    o->Update();
    EXPECT_EQ(o->m_inContact, 0);
    EXPECT_EQ(o->m_contactCooldown, 70);
    o->Update();
    EXPECT_EQ(o->m_contactCooldown, 37);
    o->m_inContact = 1;  // touching again: the full cooldown again
    o->Update();
    EXPECT_EQ(o->m_contactCooldown, 70);
    o->Update();
    o->Update();
    EXPECT_EQ(o->m_contactCooldown, 4);
    o->Update();
    EXPECT_EQ(o->m_contactCooldown, 0);
    world_Delta = 0;  // paused: no time passes
    o->m_contactCooldown = 20;
    o->Update();
    EXPECT_EQ(o->m_contactCooldown, 20);
}

TEST_F(ObjectsTest, ViewPositionAndMotion) {
    c_SwimmingObject *o = Put(gc_New<c_SwimmingObject>(), 1);
    world_CameraX = -120;
    world_CameraY = -67;
    o->m_x = 10.5f;
    o->m_y = -3.25f;
    o->m_vx = 3;
    o->m_vy = -4;
    EXPECT_EQ(o->ScreenX(), 133);  // 13.75 + 120
    EXPECT_EQ(o->ScreenY(), 70);   // 3.625 + 67
    EXPECT_FLOAT_EQ(o->ScreenVX(), 7);
    EXPECT_FLOAT_EQ(o->ScreenVY(), -0.5f);
    EXPECT_FLOAT_EQ(o->Speed(), 5);
    EXPECT_NEAR(o->Heading(), -53.130102f, 1e-4f);
}

// ---------------------------------------------------------------------------
// The iceberg.

TEST_F(ObjectsTest, IcebergProgressionPerLevel) {
    struct Row {
        int32_t level, xpNeeded, tier;
        float size, mass, alpha;
    } rows[] = {
        {1, 10, 18, 5, 1.0f, 0.26f},    {2, 10, 18, 5, 1.0f, 0.26f},   {3, 20, 17, 6, 1.34f, 0.30f},
        {5, 20, 15, 6, 2.6f, 0.38f},    {6, 30, 14, 7, 3.51f, 0.42f},  {10, 40, 10, 9, 9.02f, 0.58f},
        {13, 50, 7, 10, 15.14f, 0.70f}, {16, 60, 4, 11, 22.95f, 0.82f}, {18, 70, 2, 12, 29.1f, 0.90f},
        {19, 80, 1, 12, 32.46f, 0.94f}, {20, 80, 0, 12, 36.0f, 0.98f},
    };
    for (int mode : {GameMode_Campaign, GameMode_OpenWorld}) {
        for (const Row &r : rows) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " level " << r.level);
            world_Mode = mode;
            progress_LevelCampaign = 4;
            progress_LevelOpenWorld = 4;
            c_Player *p = Player(r.level);
            EXPECT_EQ(p->m_kind, ObjectKind_Iceberg);
            EXPECT_EQ(p->m_level, r.level);
            EXPECT_EQ(p->m_levelF, static_cast<float>(r.level));
            EXPECT_EQ(p->m_xpNeeded, r.xpNeeded);
            EXPECT_EQ(p->m_fadeStep, r.tier);
            EXPECT_EQ(p->m_width, r.size);
            EXPECT_EQ(p->m_length, r.size);
            EXPECT_FLOAT_EQ(p->m_mass, r.mass);
            EXPECT_NEAR(p->m_alpha, r.alpha, 1e-6f);
            EXPECT_EQ(p->m_stepCount, 25);
            EXPECT_EQ(p->m_canPickUp, 1);
            EXPECT_EQ(p->m_hitPoints, 10);
            EXPECT_EQ(p->m_maxHitPoints, 10);
            EXPECT_EQ(p->m_speed, 1.0f);
            EXPECT_EQ(p->m_drag, 0.04f);
            // Only the played mode's saved level follows.
            EXPECT_EQ(progress_LevelCampaign, mode == GameMode_Campaign ? r.level : 4);
            EXPECT_EQ(progress_LevelOpenWorld, mode == GameMode_OpenWorld ? r.level : 4);
        }
    }
}

TEST_F(ObjectsTest, TierSetsTheWakeStrength) {
    c_Player *p = Player(20);
    c_WaveEmitter *e = gc_New<c_WaveEmitter>();
    p->m_waveEmitter = e;
    p->ApplyTier();
    EXPECT_EQ(e->m_strength, 24);
    p->SetLevel(1);
    EXPECT_EQ(e->m_strength, 10);
    p->m_fadeStep = 25;
    p->ApplyTier();
    EXPECT_EQ(e->m_strength, 0);
    EXPECT_EQ(p->m_mass, 0.1f);
    EXPECT_EQ(p->m_alpha, 0.0f);
}

TEST_F(ObjectsTest, SeveralLevelUpsInOneUpdate) {
    struct Row {
        int32_t level, xp;
        int32_t wantLevel, wantXp, infos;
    } rows[] = {
        {1, 9, 1, 9, 0},
        {1, 10, 2, 0, 1},
        {1, 45, 4, 5, 3},     // 10 + 10 + 20, 5 left toward 20
        {17, 500, 20, 280, 3},  // 70 + 70 + 80; beyond 20 the XP stays
        {20, 500, 20, 500, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.level << " + " << r.xp);
        hud_OverheadInfos = Array<c_HudOverheadInfo *>(4);
        hud_OverheadIndex = 0;
        c_Player *p = Player(r.level);
        p->m_xp = r.xp;
        p->Update();
        EXPECT_EQ(p->m_level, r.wantLevel);
        EXPECT_EQ(p->m_xp, r.wantXp);
        EXPECT_EQ(p->m_xpNeeded, sea_XpNeeded(r.wantLevel));
        EXPECT_EQ(p->m_fadeStep, sea_TierOfLevel(r.wantLevel));
        EXPECT_EQ(p->m_width, sea_ShapeOfTier(sea_TierOfLevel(r.wantLevel), 25).size);
        EXPECT_EQ(progress_LevelCampaign, r.wantLevel);
        ASSERT_EQ(OverheadCount(), r.infos);
        for (int i = 0; i < r.infos; ++i) {
            EXPECT_EQ(hud_OverheadInfos[i]->m_kind, OverheadInfo_LevelUp);
            EXPECT_TRUE(hud_OverheadInfos[i]->m_text == String(u"+1"));
        }
    }
}

TEST_F(ObjectsTest, SteersByTheControls) {
    c_Player *p = Player(5);
    controls_SteerAngle = 90;
    controls_Throttle = 0.5f;
    p->Update();
    EXPECT_EQ(p->m_heading, 90.0f);
    EXPECT_NEAR(p->m_desiredVx, 0, 1e-6f);
    EXPECT_NEAR(p->m_desiredVy, 0.5f, 1e-6f);
    EXPECT_NEAR(p->m_vy, 0.02f, 1e-6f);  // drag 0.04 of the gap
}

// The clock times at which the fade step changed, for updates every `ms`.
std::vector<int32_t> StepTimes(c_Player *p, int32_t ms, int32_t updates, int32_t *clock) {
    std::vector<int32_t> times;
    for (int i = 0; i < updates; ++i) {
        int32_t before = p->m_fadeStep;
        p->Update();
        if (p->m_fadeStep != before) times.push_back(*clock);
        *clock += ms;
    }
    return times;
}

TEST_F(ObjectsTest, MeltsTierByTierAndRevives) {
    c_Player *p = Player(1);
    p->TakeDamage(10);  // exactly 0 counts as dead
    p->Update();        // the moment of death at 1000
    EXPECT_EQ(p->m_deathState, DeathState_Dying);
    EXPECT_EQ(p->m_alive, 0);
    EXPECT_EQ(p->m_canPickUp, 0);
    EXPECT_EQ(p->m_face, 5);
    EXPECT_EQ(p->m_fadeStep, 18);
    world_Clock += 100;
    std::vector<int32_t> melt = StepTimes(p, 100, 60, &world_Clock);
    EXPECT_EQ(melt, (std::vector<int32_t>{1500, 2000, 2500, 3000, 3500, 4000, 4500}));
    EXPECT_TRUE(p->Finished());
    EXPECT_EQ(p->m_width, 0);
    EXPECT_EQ(p->m_mass, 0.1f);
    EXPECT_EQ(p->m_alpha, 0);

    // The revive as the controls start it, back to the tier of level 20.
    p->SetLevel(20);
    p->m_fadeStep = 25;
    p->ApplyTier();
    p->m_deathState = DeathState_Reviving;
    p->m_nextStepTime = world_Clock;
    int32_t start = world_Clock;
    std::vector<int32_t> grow;
    while (p->m_alive == 0 && world_Clock - start < 60000) {
        int32_t before = p->m_fadeStep;
        p->Update();
        EXPECT_EQ(p->m_face, 6);
        if (p->m_fadeStep != before) grow.push_back(world_Clock - start);
        world_Clock += 100;
    }
    ASSERT_EQ(grow.size(), 25u);
    EXPECT_EQ(grow.front(), 0);
    EXPECT_EQ(grow.back(), 24 * 500);
    EXPECT_EQ(p->m_alive, 1);
    EXPECT_EQ(p->m_canPickUp, 1);
    EXPECT_EQ(p->m_deathState, DeathState_Alive);
    EXPECT_EQ(p->m_hitPoints, 10);
    EXPECT_EQ(p->m_fadeStep, 0);
    EXPECT_EQ(p->m_width, 12);
}

TEST_F(ObjectsTest, SavesOnceAtDeath) {
    for (int mode : {GameMode_Campaign, GameMode_OpenWorld}) {
        SCOPED_TRACE(mode);
        world_Mode = mode;
        progress_LevelCampaign = 1;
        progress_LevelOpenWorld = 1;
        std::remove(host_StateFilePath().c_str());
        c_Player *p = Player(7);
        p->Update();
        EXPECT_FALSE(StateFileExists());
        p->m_hitPoints = 0;
        ::testing::internal::CaptureStdout();
        p->Update();
        ::testing::internal::GetCapturedStdout();
        ASSERT_TRUE(StateFileExists());
        EXPECT_EQ(p->m_level, 7);  // the level survives; only the saved level resets
        EXPECT_EQ(progress_LevelCampaign, 1);
        EXPECT_EQ(progress_LevelOpenWorld, 1);
        std::remove(host_StateFilePath().c_str());
        for (int i = 0; i < 100; ++i) Step(p, 100);
        EXPECT_TRUE(p->Finished());
        EXPECT_FALSE(StateFileExists()) << "saved again after the moment of death";
    }
}

TEST_F(ObjectsTest, TalkingFace) {
    c_Player *p = Player(3);
    p->SetTalking(1);
    EXPECT_EQ(p->m_face, 2);
    EXPECT_EQ(p->m_talkTimer, world_Clock);
    std::vector<int32_t> faces;
    for (int i = 0; i < 6; ++i) {
        p->Update();
        faces.push_back(p->m_face);
        world_Clock += 75;
    }
    EXPECT_EQ(faces, (std::vector<int32_t>{3, 3, 2, 2, 3, 3}));

    // A face other than the two talking faces starts again closed.
    for (int face : {0, 4, 5, 6, 7}) {
        SCOPED_TRACE(face);
        p->m_face = face;
        p->m_talkTimer = world_Clock;
        p->Update();
        EXPECT_EQ(p->m_face, 2);
    }

    p->SetTalking(0);
    EXPECT_EQ(p->m_face, 0);
    struct Row {
        int32_t face, hp, want;
    } rows[] = {{0, 10, 0}, {0, 4, 4}, {4, 5, 0}, {4, 1, 4}, {5, 2, 5}, {6, 10, 6}, {7, 3, 7}};
    for (const Row &r : rows) {
        p->m_face = r.face;
        p->m_hitPoints = r.hp;
        p->Update();
        EXPECT_EQ(p->m_face, r.want) << r.face << " at " << r.hp;
    }
}

// ---------------------------------------------------------------------------
// Ships and pick-ups.

TEST_F(ObjectsTest, ShipInitialisers) {
    world_YachtFrames = Array<c_Image2 *>(9);
    world_IcebreakerFrames = Array<c_Image2 *>(9);
    world_LinerOutlines = Array<c_Image2 *>(9);
    struct Row {
        c_Ship *ship;
        int32_t kind;
        float speed, turnRate, drag, length, width, mass;
        int32_t stepCount, barWidth, barOffset, aggressive;
        const ArrayField<c_Image2 *> *frames, *outlines;
    } rows[] = {
        {gc_New<c_ShipSmallYacht>()->m_new(7, 30, -12, 45), ObjectKind_SmallYacht, 0.25f, 0.75f, 0.02f, 8, 4, 1, 9,
         24, -12, 0, &world_YachtFrames, &world_YachtOutlines},
        {gc_New<c_ShipSmallIcebreaker>()->m_new(7, 30, -12, 45), ObjectKind_SmallIcebreaker, 0.5f, 1.5f, 0.04f, 8, 4,
         1, 9, 24, -12, 1, &world_IcebreakerFrames, &world_IcebreakerOutlines},
        {gc_New<c_ShipVelmora>()->m_new(7, 30, -12, 45), ObjectKind_CruiseLiner, 0.2f, 0.15f, 0.008f, 24, 8, 36, 17,
         64, -24, 0, &world_LinerFrames, &world_LinerOutlines},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.kind);
        c_Ship *s = r.ship;
        EXPECT_EQ(s->m_kind, r.kind);
        EXPECT_EQ(s->m_speed, r.speed);
        EXPECT_EQ(s->m_turnRate, r.turnRate);
        EXPECT_EQ(s->m_drag, r.drag);
        EXPECT_EQ(s->m_length, r.length);
        EXPECT_EQ(s->m_width, r.width);
        EXPECT_EQ(s->m_mass, r.mass);
        EXPECT_EQ(s->m_stepCount, r.stepCount);
        EXPECT_EQ(s->m_barWidth, r.barWidth);
        EXPECT_EQ(s->m_barOffset, r.barOffset);
        EXPECT_EQ(s->m_aggressive, r.aggressive);
        EXPECT_TRUE(s->m_frames.get() == r.frames->get());
        EXPECT_TRUE(s->m_outlineFrames.get() == r.outlines->get());
        EXPECT_EQ(s->m_level, 7);
        EXPECT_EQ(s->m_levelF, 7.0f);
        EXPECT_EQ(s->m_x, 30.0f);
        EXPECT_EQ(s->m_y, -12.0f);
        EXPECT_EQ(s->m_heading, 45.0f);
        EXPECT_EQ(s->m_targetHeading, 45.0f);
        EXPECT_NEAR(s->m_vx, r.speed * 0.70710678f, 1e-6f);
        EXPECT_NEAR(s->m_vy, r.speed * 0.70710678f, 1e-6f);
        EXPECT_EQ(s->m_isoX, 42);
        EXPECT_EQ(s->m_isoY, 9);
        EXPECT_EQ(s->m_xpReward, 10);
        EXPECT_EQ(s->m_hitPoints, 10);
        EXPECT_EQ(s->m_maxHitPoints, 10);
        EXPECT_EQ(s->m_alive, 1);
        EXPECT_EQ(s->m_stepInterval, 500);
        EXPECT_EQ(s->m_floating, 0);
    }
}

TEST_F(ObjectsTest, PickUpsDrift) {
    c_LootCrate *crate = Put(gc_New<c_LootCrate>()->m_new(321, 4, -6, 90, 0.5f), 1);
    c_IceCube *cube = Put(gc_New<c_IceCube>()->m_new(-4, 6, 180, 0.3f), 2);
    for (c_SwimmingObject *o : {static_cast<c_SwimmingObject *>(crate), static_cast<c_SwimmingObject *>(cube)}) {
        EXPECT_EQ(o->m_floating, 1);
        EXPECT_EQ(o->m_alive, 0);
        EXPECT_EQ(o->m_canPickUp, 0);
        EXPECT_EQ(o->m_mass, 0.1f);
        EXPECT_EQ(o->m_width, 2);
        EXPECT_EQ(o->m_length, 2);
        EXPECT_EQ(o->m_stepCount, 1);
    }
    EXPECT_EQ(crate->m_kind, ObjectKind_LootCrate);
    EXPECT_EQ(crate->m_value, 321);
    EXPECT_EQ(crate->m_drag, 0.02f);
    EXPECT_NEAR(crate->m_vy, 0.5f, 1e-6f);
    EXPECT_EQ(crate->m_isoX, 10);
    EXPECT_EQ(crate->m_isoY, -1);
    EXPECT_EQ(cube->m_kind, ObjectKind_IceCube);
    EXPECT_EQ(cube->m_drag, 0.0f);
    EXPECT_EQ(cube->m_heading, 180.0f);
    for (int i = 0; i < 300; ++i) {
        crate->Update();
        cube->Update();
    }
    // The crate comes to rest; the cube keeps its speed.
    EXPECT_LT(crate->Speed(), 0.01f);
    EXPECT_NEAR(cube->m_vx, -0.3f, 1e-6f);
    EXPECT_NEAR(cube->m_x, -4 - 300 * 0.3f, 1e-2f);
}

// A ship at the origin heading east toward the target heading, with the
// obstacle (if any) in slot 2.
struct SteerRow {
    const char *name;
    float target;
    int32_t obstacleLevel;  // 0: no obstacle
    float ox, oy;
    int32_t obstacleAlive;
    float wantHeading;
};

TEST_F(ObjectsTest, ShipSteering) {
    Player(1, 0)->m_x = 500;  // far away
    const SteerRow rows[] = {
        {"free: toward the target by the turn rate", 90, 0, 0, 0, 1, 0.75f},
        {"free: the short way round", 300, 0, 0, 0, 1, 359.25f},
        {"free: a small correction is taken whole", 0.5f, 0, 0, 0, 1, 0.5f},
        {"dead ahead, on the line: counts as the positive side", 0, 5, 40, 0, 1, 359.25f},
        {"ahead, on the negative side: turns positive", 0, 5, 40, -3, 1, 0.75f},
        {"ahead, on the positive side: turns negative", 0, 5, 40, 3, 1, 359.25f},
        {"behind: no effect", 90, 5, -40, 0, 1, 0.75f},
        {"outside the lane: no effect", 90, 5, 40, 40, 1, 0.75f},
        {"beyond 100 units: no effect", 90, 5, 80, 70, 1, 0.75f},
        {"a sunk ship is no obstacle", 90, 5, 40, 0, 0, 0.75f},
    };
    for (const SteerRow &r : rows) {
        SCOPED_TRACE(r.name);
        c_Ship *s = Put(gc_New<c_ShipSmallYacht>()->m_new(3, 0, 0, 0), 1);
        s->SetTargetHeading(r.target);
        world_Objects[2] = nullptr;
        if (r.obstacleLevel != 0) {
            c_Ship *o = Put(gc_New<c_ShipSmallYacht>()->m_new(r.obstacleLevel, 0, 0, 180), 2);
            o->m_x = r.ox;
            o->m_y = r.oy;
            o->m_alive = r.obstacleAlive;
        }
        s->Steer();
        EXPECT_NEAR(s->m_heading, r.wantHeading, 1e-4f);
        float off = sea_AngleOff(s->m_heading, r.target);
        EXPECT_NEAR(s->Heading(), 0, 1e-4f);  // the velocity itself is untouched by steering
        EXPECT_NEAR(s->m_desiredVx, sea_CosDeg(s->m_heading) * 0.25f * (1 - off / 180), 1e-6f);
        EXPECT_NEAR(s->m_desiredVy, sea_SinDeg(s->m_heading) * 0.25f * (1 - off / 180), 1e-6f);
    }
    world_Objects[2] = nullptr;

    // Free, it comes round to its course and then cruises at full speed.
    c_Ship *s = Put(gc_New<c_ShipSmallYacht>()->m_new(3, 0, 0, 0), 1);
    s->SetTargetHeading(90);
    for (int i = 0; i < 120; ++i) s->Steer();
    EXPECT_NEAR(s->m_heading, 90, 1e-3f);
    EXPECT_NEAR(s->m_desiredVy, 0.25f, 1e-6f);
    EXPECT_NEAR(s->m_desiredVx, 0, 1e-6f);
}

TEST_F(ObjectsTest, IcebreakerHuntsTheIceberg) {
    c_Player *p = Player(3, 0);
    p->m_x = 20;
    p->m_y = 40;
    c_Ship *s = Put(gc_New<c_ShipSmallIcebreaker>()->m_new(3, 0, 0, 0), 1);
    s->Steer();
    const float toIceberg = 63.434949f;
    EXPECT_NEAR(s->m_targetHeading, toIceberg, 1e-4f);
    // Outside its lane: it turns toward the new target at its rate.
    EXPECT_NEAR(s->m_heading, 1.5f, 1e-4f);

    // Out of range, the target is kept.
    p->m_x = 300;
    p->m_y = -300;
    s->Steer();
    EXPECT_NEAR(s->m_targetHeading, toIceberg, 1e-4f);
    EXPECT_NEAR(s->m_heading, 3.0f, 1e-4f);

    // In its lane, the negative weight turns it into the iceberg instead of
    // away from it.
    s->m_heading = 0;
    p->m_x = 40;
    p->m_y = 5;
    s->Steer();
    EXPECT_NEAR(s->m_heading, 1.5f, 1e-4f);
    // A yacht in the same place turns away from it.
    c_Ship *y = Put(gc_New<c_ShipSmallYacht>()->m_new(3, 0, 0, 0), 1);
    y->Steer();
    EXPECT_NEAR(y->m_heading, 359.25f, 1e-4f);
    // A dead iceberg is not hunted.
    p->m_alive = 0;
    s->SetTargetHeading(0);
    s->m_heading = 0;
    s->Steer();
    EXPECT_EQ(s->m_targetHeading, 0);
    EXPECT_EQ(s->m_heading, 0);
}

TEST_F(ObjectsTest, ShipSinks) {
    for (bool liner : {false, true}) {
        SCOPED_TRACE(liner);
        c_Ship *s = liner ? static_cast<c_Ship *>(gc_New<c_ShipVelmora>()->m_new(20, 0, 0, 0))
                          : static_cast<c_Ship *>(gc_New<c_ShipSmallYacht>()->m_new(4, 0, 0, 0));
        Put(s, 1);
        s->SetTargetHeading(90);
        s->m_hitPoints = 0;
        int32_t death = world_Clock;
        s->Update();
        EXPECT_EQ(s->m_deathState, DeathState_Dying);
        EXPECT_EQ(s->m_alive, 0);
        EXPECT_EQ(s->m_desiredVx, 0);
        EXPECT_EQ(s->m_desiredVy, 0);
        EXPECT_EQ(s->m_heading, 0);  // no steering
        std::vector<int32_t> times;
        while (!s->Finished() && world_Clock - death < 20000) {
            world_Clock += 50;
            int32_t before = s->m_fadeStep;
            s->Update();
            if (s->m_fadeStep != before) {
                times.push_back(world_Clock - death);
                EXPECT_NEAR(s->m_alpha, 1.0f - (2.0f * s->m_fadeStep + 1) / (2.0f * s->m_stepCount), 1e-6f);
            }
            EXPECT_EQ(s->m_heading, 0);
        }
        EXPECT_EQ(static_cast<int32_t>(times.size()), liner ? 17 : 9);
        EXPECT_EQ(times.back(), liner ? 8500 : 4500);
        EXPECT_LT(s->Speed(), liner ? 0.2f : 0.25f);  // coasting to a stop
    }
}

TEST_F(ObjectsTest, HitByPlayerSetsTheReward) {
    c_Ship *s = Put(gc_New<c_ShipSmallIcebreaker>()->m_new(7, 0, 0, 0), 1);
    EXPECT_EQ(s->SetHitByPlayer(5), 30);  // 15, doubled
    EXPECT_EQ(s->m_hitByPlayer, 1);
    EXPECT_EQ(s->m_xpReward, 30);
}

}  // namespace
