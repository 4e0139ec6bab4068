// The world: starting a game, spawning (geometry, levels, kinds, timers and
// caps), the rewards of the object pass, the camera and the depth sort,
// the overhead infos and the world's share of the frame driver.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_screen.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"
#include "tests/game/support/headless.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// The language generator, replayed: predicts the draws a seed gives.
struct Draws {
    uint32_t s;
    float Next() {
        s = s * 1664525u + 1013904223u;
        return static_cast<float>(s >> 8) * (1.0f / 16777216.0f);
    }
};

// A seed whose next draw is (k + 0.5) / n.
uint32_t SeedForDraw(int k, int n) {
    const uint32_t a = 1664525u, c = 1013904223u;
    uint32_t inv = a;  // Newton's iteration for the inverse of a mod 2^32
    for (int i = 0; i < 5; ++i) inv *= 2u - a * inv;
    uint32_t after = static_cast<uint32_t>((static_cast<double>(k) + 0.5) / n * 16777216.0) << 8;
    return (after - c) * inv;
}

// The headless game with the wave layers laid out.
class WorldTest : public HeadlessGameTest {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        c_WaveLF::Init();
        c_WaveHF::Init();
    }

    void Step() { WorldStep(); }

    c_Player *Player() { return world_Player; }
    c_SwimmingObject *Slot(int i) { return world_Objects[i]; }
    int Occupied() {
        int n = 0;
        for (int i = 0; i < world_Objects.Length(); ++i) n += Slot(i) ? 1 : 0;
        return n;
    }
    // Every slot but the iceberg's emptied, every pool emitter but its own idle.
    void ClearAllButPlayer() {
        for (int i = 0; i < world_Objects.Length(); ++i)
            if (Slot(i) != Player()) world_Objects[i] = nullptr;
        for (int i = 0; i < world_Emitters.Length(); ++i)
            if (world_Emitters[i].get() != Player()->m_waveEmitter.get()) world_Emitters[i]->m_state = 0;
    }
    void BusyAllEmitters() {
        for (int i = 0; i < world_Emitters.Length(); ++i) world_Emitters[i]->m_state = EmitterState_Emitting;
    }
    int FirstFree() {
        for (int i = 0; i < world_Objects.Length(); ++i)
            if (!Slot(i)) return i;
        return -1;
    }
    // A still ice cube at the iso point (ix, iy).
    c_IceCube *CubeAtIso(int ix, int iy) {
        c_IceCube *c = gc_New<c_IceCube>()->m_new(iy + ix / 2, iy - ix / 2, 0, 0);
        world_Objects[FirstFree()] = c;
        return c;
    }
    // Fills `n` free slots with still cubes spread over the view, apart
    // from each other and from the iceberg.
    void FillCubes(int n) {
        int placed = 0;
        for (int iy = -60; iy <= 60 && placed < n; iy += 12)
            for (int ix = -110; ix <= 110 && placed < n; ix += 16) {
                if (std::abs(ix) < 30 && std::abs(iy) < 20) continue;
                CubeAtIso(ix, iy);
                ++placed;
            }
        ASSERT_EQ(placed, n);
    }
    c_SwimmingObject *NewestOfKind(int kind) {
        for (int i = 0; i < world_Objects.Length(); ++i)
            if (Slot(i) && Slot(i)->m_kind == kind) return Slot(i);
        return nullptr;
    }
    int Infos() {
        int n = 0;
        for (int i = 0; i < 4; ++i) n += hud_OverheadInfos[i] ? 1 : 0;
        return n;
    }
    c_HudOverheadInfo *LastInfo() { return hud_OverheadInfos[(hud_OverheadIndex + 3) % 4]; }
};

std::string Text(const String &s) { return std::string(String::CString(s).c_str()); }

// ---------------------------------------------------------------------------
// Starting a game.

TEST_F(WorldTest, StartWorldResetsTheWorldAndKeepsQueuedScrolls) {
    progress_LevelCampaign = 7;
    progress_LevelOpenWorld = 13;
    for (int mode : {GameMode_Campaign, GameMode_OpenWorld}) {
        SCOPED_TRACE(mode);
        balloon_Current = gc_New<c_GuiBalloon>();
        balloon_TextDone = 1;
        world_Objects[5] = gc_New<c_IceCube>()->m_new(0, 0, 0, 0);
        world_ScrollX = 9;
        world_ScrollY = -4;
        world_CentringState = 1;
        world_Clock = 5000;
        world_Running = 0;
        Array<c_SwimmingObject *> slotsBefore = world_Objects.get();
        c_Game::StartWorld(mode);

        EXPECT_EQ(world_StoryState, 1);
        EXPECT_EQ(world_Mode, mode);
        EXPECT_EQ(world_SpawningOn, 0);
        EXPECT_EQ(world_Running, 1);
        EXPECT_EQ(world_Clock, 0);
        EXPECT_EQ(world_ShipTimer, 0);
        EXPECT_EQ(world_IceCubeTimer, 13333);
        EXPECT_EQ(balloon_Current.get(), nullptr);
        EXPECT_EQ(balloon_TextDone, 0);
        EXPECT_TRUE(world_Objects.get() == slotsBefore);
        EXPECT_EQ(Occupied(), 1);
        ASSERT_EQ(Slot(0), Player());
        EXPECT_EQ(Player()->m_level, mode == GameMode_Campaign ? 7 : 13);
        // A prewarmed wake from the first emitter; the pool is new.
        ASSERT_EQ(world_Emitters.Length(), 15);
        EXPECT_EQ(Player()->m_waveEmitter.get(), world_Emitters[0].get());
        std::set<c_WaveEmitter *> distinct;
        for (int i = 0; i < 15; ++i) {
            distinct.insert(world_Emitters[i]);
            EXPECT_EQ(world_Emitters[i]->m_ring.Length(), 151);
            EXPECT_EQ(world_Emitters[i]->m_state, i == 0 ? 1 : 0);
        }
        EXPECT_EQ(distinct.size(), 15u);
        int active = 0;
        for (int i = 0; i < 151; ++i) active += world_Emitters[0]->m_ring[i]->m_active;
        EXPECT_GE(active, 9);  // a still iceberg: one ring per 750 ms of the 7.5 s replayed
        EXPECT_LE(active, 10);
        EXPECT_EQ(world_CameraX, -120);
        EXPECT_EQ(world_CameraY, -67);
        EXPECT_EQ(world_CameraDeltaX, -120);
        EXPECT_EQ(world_CameraDeltaY, -67);
        EXPECT_EQ(world_CameraPrevX, 0);
        EXPECT_EQ(world_ScrollX, 9);
        EXPECT_EQ(world_ScrollY, -4);
        EXPECT_EQ(world_CentringState, 1);
    }
}

// ---------------------------------------------------------------------------
// Spawning.

// What a seed gives a spawn: the heading, the level before and after the
// fold, and the kind roll (ships) or the speed (ice cubes).
struct SpawnDraws {
    int heading, rawLevel, level, roll;
    float speed;
};

SpawnDraws Predict(uint32_t seed, int mode, int playerLevel, int playerIsoY, bool iceCube) {
    Draws d{seed};
    SpawnDraws p{};
    p.heading = static_cast<int>(d.Next() * 360.0f);
    if (mode == GameMode_Campaign) {
        int r1 = static_cast<int>(d.Next() * 5.0f), r2 = static_cast<int>(d.Next() * 3.0f),
            r3 = static_cast<int>(d.Next() * 3.0f);
        p.rawLevel = playerLevel + r1 + r2 + r3 - 4;
    } else {
        int base = std::clamp(playerIsoY / 135 + 1, 1, 20);
        int r1 = static_cast<int>(d.Next() * 3.0f) - 1, r2 = static_cast<int>(d.Next() * 3.0f) - 1;
        p.rawLevel = base + r1 + r2;
    }
    static const std::map<int, int> fold = {{21, 19}, {22, 18}, {23, 17}, {24, 16},
                                            {0, 2},   {-1, 3},  {-2, 4},  {-3, 5}};
    p.level = fold.count(p.rawLevel) ? fold.at(p.rawLevel) : p.rawLevel;
    if (iceCube)
        p.speed = d.Next() * 0.25f + 0.25f;
    else
        p.roll = static_cast<int>(d.Next() * 100.0f);
    return p;
}

TEST_F(WorldTest, SpawnEntersOnTheWidenedViewEdgeOnACoursePastTheIceberg) {
    c_Game::StartWorld(GameMode_Campaign);
    struct Where {
        float px, py;    // iceberg's world position
        int camX, camY;  // camera offset from the start
    };
    const Where wheres[] = {{0, 0, 0, 0}, {30, -20, 0, 0}, {-47.5f, 12.25f, 13, -9}, {100, 100, 0, 100}};
    std::vector<uint32_t> seeds;
    for (int a : {45, 135, 225, 315, 0, 90, 180, 270, 10, 100, 200, 300, 359}) seeds.push_back(SeedForDraw(a, 360));
    for (uint32_t s = 1; s <= 60; ++s) seeds.push_back(s * 2654435761u);
    BusyAllEmitters();  // no prewarm: the geometry is what is tested
    for (const Where &w : wheres) {
        for (uint32_t seed : seeds) {
            for (int cube : {0, 1}) {
                ClearAllButPlayer();
                BusyAllEmitters();
                Player()->m_x = w.px;
                Player()->m_y = w.py;
                Player()->UpdateScreenPos();
                world_CameraX = -120 + w.camX;
                world_CameraY = -67 + w.camY;
                random_Seed = seed;
                SpawnDraws p = Predict(seed, GameMode_Campaign, Player()->m_level, 0, cube);
                SCOPED_TRACE(testing::Message() << "seed " << seed << " heading " << p.heading << " cube " << cube
                                                << " at " << w.px << "," << w.py);
                game_SpawnShip(cube);
                ASSERT_EQ(Occupied(), 2);
                c_SwimmingObject *o = Slot(1);
                EXPECT_FLOAT_EQ(o->m_heading, static_cast<float>(p.heading));
                // The entry point, in view pixels, on the view widened by 40.
                float ex = static_cast<float>(o->m_isoX - world_CameraX);
                float ey = static_cast<float>(o->m_isoY - world_CameraY);
                const float W = 240, H = 135;
                EXPECT_GE(ex, -42);
                EXPECT_LE(ex, W + 42);
                EXPECT_GE(ey, -42);
                EXPECT_LE(ey, H + 42);
                float edge = std::min({std::fabs(ex + 40), std::fabs(ex - W - 40), std::fabs(ey + 40),
                                       std::fabs(ey - H - 40)});
                EXPECT_LE(edge, 2.0f);
                // The course (view direction of the heading) passes the iceberg
                // within 25 view pixels, and it runs into the view.
                double rad = p.heading * M_PI / 180.0;
                double dx = std::cos(rad) - std::sin(rad), dy = (std::cos(rad) + std::sin(rad)) * 0.5;
                double len = std::hypot(dx, dy);
                double sx = Player()->ScreenX(), sy = Player()->ScreenY();
                double rx = sx - ex, ry = sy - ey;
                EXPECT_LE(std::fabs(rx * dy - ry * dx) / len, 25.0 + 2.5);
                EXPECT_GT(rx * dx + ry * dy, 0);
            }
        }
    }
}

TEST_F(WorldTest, SpawnWithTheAimOnTheWidenedEdgeEntersAtTheAim) {
    // At 135 and 315 degrees the course runs along the view's diagonal with
    // no vertical view component; with the aim exactly on the widened edge
    // there is no distance to go back on either axis.
    c_Game::StartWorld(GameMode_Campaign);
    struct Row {
        int heading;
        float viewX;  // the iceberg's view x (its y is 67)
        int entryX, entryY;
    };
    const Row rows[] = {{135, 298.25f, 280, 49}, {315, -58.25f, -40, 84}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.heading);
        ClearAllButPlayer();
        BusyAllEmitters();
        float ix = row.viewX + world_CameraX, iy = 67.25f + world_CameraY;
        Player()->m_x = iy + ix / 2;
        Player()->m_y = iy - ix / 2;
        random_Seed = SeedForDraw(row.heading, 360);
        game_SpawnShip(0);
        c_SwimmingObject *o = Slot(1);
        ASSERT_NE(o, nullptr);
        EXPECT_NEAR(o->m_isoX - world_CameraX, row.entryX, 1);
        EXPECT_EQ(o->m_isoY - world_CameraY, row.entryY);
    }
}

TEST_F(WorldTest, SpawnLevelsFoldIntoOneToTwentyInDrawOrder) {
    c_Game::StartWorld(GameMode_Campaign);
    BusyAllEmitters();
    // Campaign at levels 1 and 20 reaches every fold; the open world takes
    // its base from the iceberg's depth.
    struct Row {
        int mode, playerLevel;
        float playerY;  // world y = x, so iso depth = y
        std::set<int> mustSee;
    };
    const Row rows[] = {
        {GameMode_Campaign, 1, 0, {0, -1, -2, -3, 1, 5}},
        {GameMode_Campaign, 20, 0, {21, 22, 23, 24, 20, 16}},
        {GameMode_OpenWorld, 1, 0, {0, -1, 1, 2, 3}},
        {GameMode_OpenWorld, 1, 2700, {19, 20, 21, 22}},  // base 21 clamped to 20
        {GameMode_OpenWorld, 1, 1400, {9, 11, 13}},       // base 11
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << " level " << row.playerLevel);
        world_Mode = row.mode;
        Player()->m_level = row.playerLevel;
        Player()->m_x = Player()->m_y = row.playerY;
        Player()->UpdateScreenPos();
        world_CameraX = Player()->m_isoX - 120;
        world_CameraY = Player()->m_isoY - 67;
        std::set<int> seen;
        for (uint32_t s = 1; s <= 400; ++s) {
            uint32_t seed = s * 747796405u + 12345u;
            for (int cube : {0, 1}) {
                ClearAllButPlayer();
                BusyAllEmitters();
                SpawnDraws p = Predict(seed, row.mode, row.playerLevel, Player()->m_isoY, cube);
                random_Seed = seed;
                game_SpawnShip(cube);
                c_SwimmingObject *o = Slot(1);
                ASSERT_NE(o, nullptr);
                seen.insert(p.rawLevel);
                if (cube) {
                    EXPECT_EQ(o->m_kind, ObjectKind_IceCube);
                    EXPECT_NEAR(std::hypot(o->m_vx, o->m_vy), p.speed, 1e-5);
                    EXPECT_EQ(o->m_waveEmitter.get(), nullptr);
                } else {
                    EXPECT_EQ(o->m_level, p.level) << "raw " << p.rawLevel;
                    int threshold = 95 - row.playerLevel / 2;
                    EXPECT_EQ(o->m_kind, p.roll < threshold ? ObjectKind_SmallYacht : ObjectKind_SmallIcebreaker);
                }
                EXPECT_GE(o->m_level, 1);
                EXPECT_LE(o->m_level, 20);
            }
        }
        for (int raw : row.mustSee) EXPECT_TRUE(seen.count(raw)) << "raw level " << raw << " never drawn";
    }
}

TEST_F(WorldTest, IcebreakerShareFollowsThePlayerLevel) {
    c_Game::StartWorld(GameMode_Campaign);
    random_Seed = 20240611u;
    for (int level : {1, 2, 10, 19, 20}) {
        Player()->m_level = level;
        int icebreakers = 0;
        const int n = 10000;
        for (int i = 0; i < n; ++i) {
            ClearAllButPlayer();
            BusyAllEmitters();
            game_SpawnShip(0);
            icebreakers += Slot(1)->m_kind == ObjectKind_SmallIcebreaker ? 1 : 0;
        }
        double expected = (5 + level / 2) / 100.0;
        EXPECT_NEAR(icebreakers / static_cast<double>(n), expected, 0.012) << "level " << level;
    }
}

TEST_F(WorldTest, CruiseLinerOnlyAtLevelTwentyInTheCampaignAfterTheStoryAndAlone) {
    struct Row {
        const char *name;
        int mode, level, story;
        bool linerPresent;
        int kind;
    };
    const Row rows[] = {
        {"all conditions", GameMode_Campaign, 20, 0, false, ObjectKind_CruiseLiner},
        {"level 19", GameMode_Campaign, 19, 0, false, ObjectKind_SmallYacht},
        {"open world", GameMode_OpenWorld, 20, 0, false, ObjectKind_SmallYacht},
        {"story running", GameMode_Campaign, 20, 1, false, ObjectKind_SmallYacht},
        {"a liner afloat", GameMode_Campaign, 20, 0, true, ObjectKind_SmallYacht},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        c_Game::StartWorld(row.mode);
        Player()->m_level = row.level;
        world_StoryState = row.story;
        BusyAllEmitters();
        if (row.linerPresent) world_Objects[7] = gc_New<c_ShipVelmora>()->m_new(20, 500, 500, 0);
        // A seed whose roll lies below the icebreaker threshold.
        uint32_t seed = 1;
        while (Predict(seed, row.mode, row.level, 0, false).roll >= 95 - row.level / 2) ++seed;
        random_Seed = seed;
        game_SpawnShip(0);
        c_SwimmingObject *o = Slot(1);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->m_kind, row.kind);
        if (row.kind == ObjectKind_CruiseLiner) {
            EXPECT_EQ(o->m_level, 20);
        }
    }
}

TEST_F(WorldTest, SpawnIntoFullSlotsMakesNothingButKeepsTheDraws) {
    c_Game::StartWorld(GameMode_Campaign);
    world_Player->m_x = 0;
    FillCubes(29);
    ASSERT_EQ(Occupied(), 30);
    for (int cube : {0, 1}) {
        for (int mode : {GameMode_Campaign, GameMode_OpenWorld}) {
            world_Mode = mode;
            random_Seed = 99;
            Draws d{99};
            int draws = 1 + (mode == GameMode_Campaign ? 3 : 2) + 1;
            for (int i = 0; i < draws; ++i) d.Next();
            game_SpawnShip(cube);
            EXPECT_EQ(random_Seed, d.s) << "cube " << cube << " mode " << mode;
            EXPECT_EQ(Occupied(), 30);
            for (int i = 1; i < 15; ++i) EXPECT_EQ(world_Emitters[i]->m_state, EmitterState_Idle) << i;
        }
    }
    // The object pass with both timers due: nothing spawns, no emitter is taken.
    world_SpawningOn = 1;
    world_ShipTimer = 0;
    world_IceCubeTimer = 0;
    Step();
    for (int i = 1; i < 15; ++i) EXPECT_EQ(world_Emitters[i]->m_state, EmitterState_Idle) << i;
    EXPECT_EQ(world_ShipTimer, world_Clock + 6000);
}

TEST_F(WorldTest, SpawnTimersTrailTheClockWhileSpawningIsOff) {
    c_Game::StartWorld(GameMode_Campaign);
    for (int i = 0; i < 100; ++i) Step();
    EXPECT_EQ(Occupied(), 1);
    EXPECT_EQ(world_ShipTimer, 3300);
    EXPECT_EQ(world_IceCubeTimer, 13333 + 3300);
    world_SpawningOn = 1;
    Step();
    EXPECT_EQ(c_Game::CountObjectsOfKind(ObjectKind_SmallYacht) +
                  c_Game::CountObjectsOfKind(ObjectKind_SmallIcebreaker),
              1);
    EXPECT_EQ(world_ShipTimer, world_Clock + 6000);
    const int start = world_Clock;
    int cubeAt = -1;
    for (int i = 0; i < 450 && cubeAt < 0; ++i) {
        Step();
        if (c_Game::CountObjectsOfKind(ObjectKind_IceCube) > 0) cubeAt = world_Clock;
    }
    // The first cube 13333 ms after spawning began (the first update at or past it).
    EXPECT_GE(cubeAt - start, 13333 - 33);
    EXPECT_LT(cubeAt - start, 13333 + 33);
}

TEST_F(WorldTest, SpawnCapsOfNineWakesAndNineteenWithout) {
    struct Row {
        int withWake;     // objects holding an emitter, the iceberg included
        int withoutWake;  // objects without
        bool ship, cube;  // spawned at the due times
    };
    const Row rows[] = {{9, 0, true, true}, {10, 0, false, true}, {1, 19, true, true}, {1, 20, true, false},
                        {10, 20, false, false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.withWake << " with, " << row.withoutWake << " without");
        c_Game::StartWorld(GameMode_Campaign);
        FillCubes(row.withWake - 1 + row.withoutWake);
        // Wakes that are not from the pool, so the spawn still finds one.
        int given = 0;
        for (int i = 1; i < 30 && given < row.withWake - 1; ++i)
            if (Slot(i)) {
                Slot(i)->m_waveEmitter = gc_New<c_WaveEmitter>()->m_new();
                ++given;
            }
        world_SpawningOn = 1;
        world_ShipTimer = 33;
        world_IceCubeTimer = 33;
        int before = Occupied();
        Step();
        int ships = c_Game::CountObjectsOfKind(ObjectKind_SmallYacht) +
                    c_Game::CountObjectsOfKind(ObjectKind_SmallIcebreaker);
        EXPECT_EQ(ships, row.ship ? 1 : 0);
        EXPECT_EQ(Occupied() - before, (row.ship ? 1 : 0) + (row.cube ? 1 : 0));
        // Both timers restart whether or not something spawned.
        EXPECT_EQ(world_ShipTimer, world_Clock + 6000);
        EXPECT_EQ(world_IceCubeTimer, world_Clock + 13333);
    }
}

// ---------------------------------------------------------------------------
// Rewards.

// A ship in `slot` that finishes in the next object pass.
c_Ship *SinkingShip(int slot, int kind, int level, float x, float y, float vx, float vy) {
    c_Ship *s;
    if (kind == ObjectKind_CruiseLiner)
        s = gc_New<c_ShipVelmora>()->m_new(level, 0, 0, 0);
    else if (kind == ObjectKind_SmallIcebreaker)
        s = gc_New<c_ShipSmallIcebreaker>()->m_new(level, 0, 0, 0);
    else
        s = gc_New<c_ShipSmallYacht>()->m_new(level, 0, 0, 0);
    s->m_x = x;
    s->m_y = y;
    s->m_vx = vx;
    s->m_vy = vy;
    s->m_hitPoints = 0;
    s->m_alive = 0;
    s->m_deathState = DeathState_Dying;
    s->m_fadeStep = s->m_stepCount - 1;
    s->m_nextStepTime = 0;
    s->m_drag = 0;
    world_Objects[slot] = s;
    return s;
}

TEST_F(WorldTest, SunkShipsPayXpOnlyWhenRammedByALivingIcebergAndLeaveCrates) {
    struct Row {
        const char *name;
        int kind, level;
        bool hit, playerAlive;
        int xp;          // XP paid (0 when none); the reward stored on the ship
        int coins;       // coins paid
        bool crate;
    };
    const Row rows[] = {
        {"rammed yacht", ObjectKind_SmallYacht, 5, true, true, 20, 0, true},
        {"rammed icebreaker", ObjectKind_SmallIcebreaker, 3, true, true, 30, 0, true},
        {"not rammed", ObjectKind_SmallYacht, 5, false, true, 0, 0, true},
        {"iceberg dead", ObjectKind_SmallYacht, 5, true, false, 0, 0, true},
        {"liner", ObjectKind_CruiseLiner, 20, true, true, 50, 10000, false},
        {"liner not rammed", ObjectKind_CruiseLiner, 20, false, true, 0, 10000, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        c_Game::StartWorld(GameMode_Campaign);
        progress_Coins = 5;
        Player()->m_xp = 0;
        Player()->m_xpNeeded = 1000;  // no level-up in this pass
        if (!row.playerAlive) {
            Player()->m_alive = 0;
            Player()->m_hitPoints = 0;
            Player()->m_deathState = DeathState_Dying;
        }
        c_Ship *ship = SinkingShip(7, row.kind, row.level, 20.5f, -10.7f, 0.3f, -0.4f);
        if (row.hit) ship->m_xpReward = row.xp > 0 ? row.xp : 20;
        ship->m_hitByPlayer = row.hit ? 1 : 0;
        world_Objects[8] = nullptr;
        hud_OverheadIndex = 0;
        for (int i = 0; i < 4; ++i) hud_OverheadInfos[i] = nullptr;
        uint32_t seed = 4242;
        random_Seed = seed;
        game_UpdateObjects();
        EXPECT_EQ(Player()->m_xp, row.xp);
        EXPECT_EQ(progress_Coins, 5 + row.coins);
        std::vector<std::pair<int, std::string>> infos;
        for (int i = 0; i < hud_OverheadIndex; ++i)
            infos.push_back({hud_OverheadInfos[i]->m_kind, Text(hud_OverheadInfos[i]->m_text)});
        std::vector<std::pair<int, std::string>> want;
        if (row.xp) want.push_back({OverheadInfo_Experience, std::to_string(row.xp)});
        if (row.coins) want.push_back({OverheadInfo_Coins, "10000"});
        EXPECT_EQ(infos, want);
        c_SwimmingObject *left = Slot(7);
        if (!row.crate) {
            EXPECT_EQ(left, nullptr);
            EXPECT_EQ(random_Seed, seed) << "a liner makes no draw";
            continue;
        }
        // The crate takes the ship's slot, where the ship was, drifting on.
        ASSERT_NE(left, nullptr);
        c_LootCrate *crate = dynamic_cast<c_LootCrate *>(left);
        ASSERT_NE(crate, nullptr);
        Draws d{seed};
        float r = d.Next();
        EXPECT_EQ(random_Seed, d.s);
        int base = static_cast<int>(row.level * 123.0f / 19.0f + 100.0f);
        EXPECT_EQ(crate->m_value, base + static_cast<int>(r * 87.0f) - 43);
        // Where the ship ended its last move (20.8, -11.1), truncated; it
        // does not move before the next pass.
        EXPECT_EQ(crate->m_x, 20);
        EXPECT_EQ(crate->m_y, -11);
        EXPECT_NEAR(crate->Speed(), 0.5f, 1e-5);
        EXPECT_NEAR(crate->m_heading, std::atan2(-0.4, 0.3) * 180 / M_PI, 1e-3);
        EXPECT_EQ(crate->m_waveEmitter.get(), nullptr);
    }
}

TEST_F(WorldTest, CrateValuesSpanEightySevenAroundTheLevelBase) {
    c_Game::StartWorld(GameMode_Campaign);
    for (int level : {1, 10, 20}) {
        int base = static_cast<int>(level * 123.0f / 19.0f + 100.0f);
        for (int k : {0, 43, 86}) {
            SinkingShip(3, ObjectKind_SmallYacht, level, 10, 10, 0, 0);
            random_Seed = SeedForDraw(k, 87);
            game_UpdateObjects();
            c_LootCrate *crate = dynamic_cast<c_LootCrate *>(Slot(3));
            ASSERT_NE(crate, nullptr);
            EXPECT_EQ(crate->m_value, base + k - 43) << "level " << level;
            world_Objects[3] = nullptr;
        }
    }
    // With 20 objects without a wake at the start of the pass: no crate.
    FillCubes(20);
    int slot = FirstFree();
    SinkingShip(slot, ObjectKind_SmallYacht, 5, 10, 10, 0, 0);
    game_UpdateObjects();
    EXPECT_EQ(Slot(slot), nullptr);
}

TEST_F(WorldTest, LootAndIceCubePickUps) {
    struct Row {
        const char *name;
        bool crate;
        float r1, r2;  // the crate's draws
        int hp;        // the iceberg's hit points before (max 10)
        bool dies;     // the iceberg dies in this pass, before the cube pays
        int kind;      // overhead info shown
        std::vector<int> counts;  // coins, healings, big, invulnerabilities, revives
        int hpAfter;
    };
    const float coinsEdge = 0.795f, itemsEdge = 0.805f;
    auto k52 = [](int k) { return (k + 0.5f) / 52.0f; };
    const Row rows[] = {
        {"coins", true, 0.1f, 0, 10, false, OverheadInfo_Coins, {150, 0, 0, 0, 0}, 10},
        {"coins at 79", true, coinsEdge, 0, 10, false, OverheadInfo_Coins, {150, 0, 0, 0, 0}, 10},
        {"healing at 80", true, itemsEdge, k52(0), 10, false, OverheadInfo_HealIcon, {0, 1, 0, 0, 0}, 10},
        {"healing at 29", true, itemsEdge, k52(29), 10, false, OverheadInfo_HealIcon, {0, 1, 0, 0, 0}, 10},
        {"big healing at 30", true, itemsEdge, k52(30), 10, false, OverheadInfo_BigHealIcon, {0, 0, 1, 0, 0}, 10},
        {"big healing at 44", true, itemsEdge, k52(44), 10, false, OverheadInfo_BigHealIcon, {0, 0, 1, 0, 0}, 10},
        {"invulnerability at 45", true, itemsEdge, k52(45), 10, false, OverheadInfo_InvulnerabilityIcon,
         {0, 0, 0, 1, 0}, 10},
        {"invulnerability at 50", true, itemsEdge, k52(50), 10, false, OverheadInfo_InvulnerabilityIcon,
         {0, 0, 0, 1, 0}, 10},
        {"revive at 51", true, itemsEdge, k52(51), 10, false, OverheadInfo_ReviveIcon, {0, 0, 0, 0, 1}, 10},
        {"cube heals", false, 0, 0, 6, false, OverheadInfo_Healing, {0, 0, 0, 0, 0}, 7},
        {"cube at full health", false, 0, 0, 10, false, OverheadInfo_HealIcon, {0, 1, 0, 0, 0}, 10},
        {"cube as the iceberg dies", false, 0, 0, 0, true, OverheadInfo_HealIcon, {0, 1, 0, 0, 0}, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        c_Game::StartWorld(GameMode_Campaign);
        progress_Coins = progress_Healings = progress_BigHealings = progress_Invulnerabilities = progress_Revives = 0;
        hud_OverheadIndex = 0;
        for (int i = 0; i < 4; ++i) hud_OverheadInfos[i] = nullptr;
        Player()->m_hitPoints = row.hp;
        c_SwimmingObject *pickUp;
        if (row.crate)
            pickUp = gc_New<c_LootCrate>()->m_new(150, 1, 1, 0, 0);
        else
            pickUp = gc_New<c_IceCube>()->m_new(1, 1, 0, 0);
        // Picked up by the last collision step, paid on its own update.
        pickUp->m_lastCollider = Player();
        pickUp->m_fadeStep = pickUp->m_stepCount;
        world_Objects[4] = pickUp;
        if (row.crate) {
            // Two draws, forced: the first by the seed, the second searched.
            uint32_t seed = SeedForDraw(static_cast<int>(row.r1 * 1000), 1000);
            if (row.r2 > 0) {
                for (uint32_t s = 0;; ++s) {
                    Draws d{s};
                    float a = d.Next(), b = d.Next();
                    if (static_cast<int>(a * 100) == static_cast<int>(row.r1 * 100) &&
                        static_cast<int>(b * 52) == static_cast<int>(row.r2 * 52)) {
                        seed = s;
                        break;
                    }
                }
            }
            random_Seed = seed;
        }
        game_UpdateObjects();
        EXPECT_EQ(Slot(4), nullptr);
        std::vector<int> counts = {progress_Coins, progress_Healings, progress_BigHealings, progress_Invulnerabilities,
                                   progress_Revives};
        EXPECT_EQ(counts, row.counts);
        EXPECT_EQ(Player()->m_hitPoints, row.hpAfter);
        if (row.dies) {
            EXPECT_EQ(Player()->m_alive, 0);
            EXPECT_EQ(Player()->m_deathState, DeathState_Dying);
        }
        ASSERT_EQ(Infos(), 1);
        EXPECT_EQ(hud_OverheadInfos[0]->m_kind, row.kind);
        std::string text = Text(hud_OverheadInfos[0]->m_text);
        const char *want = row.kind == OverheadInfo_Coins ? "150" : row.kind == OverheadInfo_Healing ? "+1" : "";
        EXPECT_EQ(text, want);
    }
}

TEST_F(WorldTest, CoinsAndItemsSaturate) {
    c_Game::StartWorld(GameMode_Campaign);
    progress_Coins = 2147483647 - 5;
    c_LootCrate *crate = gc_New<c_LootCrate>()->m_new(150, 1, 1, 0, 0);
    crate->m_lastCollider = Player();
    world_Objects[4] = crate;
    random_Seed = SeedForDraw(1, 100);
    game_UpdateObjects();
    EXPECT_EQ(progress_Coins, 2147483647);
    SinkingShip(5, ObjectKind_CruiseLiner, 20, 0, 300, 0, 0);
    game_UpdateObjects();
    EXPECT_EQ(progress_Coins, 2147483647);
    progress_Healings = 2147483647;
    c_IceCube *cube = gc_New<c_IceCube>()->m_new(1, 1, 0, 0);
    cube->m_lastCollider = Player();
    world_Objects[4] = cube;
    game_UpdateObjects();
    EXPECT_EQ(progress_Healings, 2147483647);
}

TEST_F(WorldTest, FinishedObjectsLeaveAndTheirWakesFade) {
    c_Game::StartWorld(GameMode_Campaign);
    // An ice cube drifting out of play, a melted iceberg.
    c_IceCube *cube = gc_New<c_IceCube>()->m_new(1000, -1000, 0, 0);
    world_Objects[2] = cube;
    c_WaveEmitter *wake = Player()->m_waveEmitter;
    Player()->m_hitPoints = 0;
    Player()->m_alive = 0;
    Player()->m_deathState = DeathState_Dying;
    Player()->m_fadeStep = 24;
    Player()->m_nextStepTime = 0;
    game_UpdateObjects();
    EXPECT_EQ(Slot(2), nullptr);
    EXPECT_EQ(Slot(0), Player()) << "the iceberg keeps its slot";
    EXPECT_EQ(Player()->m_fadeStep, 25);
    EXPECT_EQ(Player()->m_waveEmitter.get(), nullptr);
    EXPECT_EQ(wake->m_state, EmitterState_Fading);
}

// ---------------------------------------------------------------------------
// Camera.

TEST_F(WorldTest, DeadZoneScrollsOnlyWhileTheIcebergMovesOutward) {
    struct Row {
        const char *name;
        int sx, sy;      // the iceberg's view position
        float vx, vy;    // world velocity
        int scrollX, scrollY;
    };
    // View velocity: x = vx - vy, y = (vx + vy) / 2.
    const Row rows[] = {
        {"left, outward", 40, 67, -0.5f, 0.5f, -120, 0},
        {"left, inward", 40, 67, 0.5f, -0.5f, 0, 0},
        {"right, outward", 200, 67, 0.5f, -0.5f, 120, 0},
        {"right, still", 200, 67, 0, 0, 0, 0},
        {"top, outward", 120, 20, -0.5f, -0.5f, 0, -67},
        {"bottom, outward", 120, 120, 0.5f, 0.5f, 0, 67},
        {"bottom, inward", 120, 120, -0.5f, -0.5f, 0, 0},
        {"corner, outward", 40, 120, 0, 1, -120, 67},
        {"inside", 120, 67, 1, 1, 0, 0},
        {"on the left edge", 48, 67, -1, 0, 0, 0},  // not beyond int(0.2 * 240) = 48
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        c_Game::StartWorld(GameMode_Campaign);
        world_ScrollX = world_ScrollY = 0;
        // Iso (sx + camX, sy + camY) from world x = iy + ix / 2, y = iy - ix / 2.
        float ix = static_cast<float>(row.sx + world_CameraX) + 0.25f;
        float iy = static_cast<float>(row.sy + world_CameraY) + 0.25f;
        Player()->m_x = iy + ix / 2;
        Player()->m_y = iy - ix / 2;
        Player()->m_vx = row.vx;
        Player()->m_vy = row.vy;
        ASSERT_EQ(Player()->ScreenX(), row.sx);
        ASSERT_EQ(Player()->ScreenY(), row.sy);
        int camX = world_CameraX, camY = world_CameraY;
        c_Game::UpdateCamera();
        auto step = [](int p) { return std::clamp(p, -3, 3); };
        EXPECT_EQ(world_CameraX - camX, step(row.scrollX));
        EXPECT_EQ(world_CameraY - camY, step(row.scrollY));
        EXPECT_EQ(world_ScrollX, row.scrollX - step(row.scrollX));
        EXPECT_EQ(world_ScrollY, row.scrollY - step(row.scrollY));
        // While the story holds the camera, no dead-zone scroll starts.
        c_Game::StartWorld(GameMode_Campaign);
        world_ScrollX = world_ScrollY = 0;
        world_CameraCentred = 1;
        Player()->m_x = iy + ix / 2;
        Player()->m_y = iy - ix / 2;
        Player()->m_vx = row.vx;
        Player()->m_vy = row.vy;
        c_Game::UpdateCamera();
        EXPECT_EQ(world_ScrollX, 0);
        EXPECT_EQ(world_ScrollY, 0);
    }
}

TEST_F(WorldTest, QueuedScrollMovesThreePixelsAnUpdateAndEndsOnTarget) {
    c_Game::StartWorld(GameMode_Campaign);
    world_CameraCentred = 1;
    world_ScrollX = 120;
    world_ScrollY = -10;
    world_CameraPrevX = world_CameraX;  // the start's own jump is not part of the scroll
    world_CameraPrevY = world_CameraY;
    const int camX = world_CameraX, camY = world_CameraY;
    for (int i = 1; i <= 40; ++i) {
        c_Game::UpdateCamera();
        EXPECT_EQ(world_CameraDeltaX, 3);
        EXPECT_EQ(world_CameraDeltaY, i <= 3 ? -3 : (i == 4 ? -1 : 0));
        if (i == 39) {
            EXPECT_EQ(world_ScrollX, 3);
        }
    }
    EXPECT_EQ(world_ScrollX, 0);
    EXPECT_EQ(world_ScrollY, 0);
    EXPECT_EQ(world_CameraX - camX, 120);
    EXPECT_EQ(world_CameraY - camY, -10);
    c_Game::UpdateCamera();
    EXPECT_EQ(world_CameraDeltaX, 0);
}

TEST_F(WorldTest, CentringRequestScrollsTheIcebergBelowTheViewCentre) {
    c_Game::StartWorld(GameMode_Campaign);
    Player()->m_x = 50;
    Player()->m_y = -10;
    Player()->UpdateScreenPos();  // iso (60, 20)
    world_CentringState = 0;
    EXPECT_FALSE(c_Game::CentreCameraOnPlayer(0));
    EXPECT_EQ(world_CameraCentred, 1);
    EXPECT_EQ(world_ScrollX, 60 - 120 - world_CameraX);
    EXPECT_EQ(world_ScrollY, 20 - 67 - 40 - world_CameraY);
    int updates = 0;
    while (!c_Game::CentreCameraOnPlayer(0)) {
        c_Game::UpdateCamera();
        ASSERT_LT(++updates, 100);
    }
    EXPECT_EQ(updates, 20);  // 60 pixels at 3 a step
    EXPECT_EQ(Player()->m_isoX - world_CameraX, 120);
    EXPECT_EQ(Player()->m_isoY - world_CameraY, 67 + 40);
    // Already on target: done on the second call; other states never done.
    world_CentringState = 0;
    EXPECT_FALSE(c_Game::CentreCameraOnPlayer(0));
    EXPECT_TRUE(c_Game::CentreCameraOnPlayer(0));
    world_CentringState = 2;
    EXPECT_FALSE(c_Game::CentreCameraOnPlayer(0));
}

TEST_F(WorldTest, SetCameraAtOnceOrQueuedAndTheInverseProjection) {
    c_Game::StartWorld(GameMode_Campaign);
    c_Game::SetCamera(500, -300, true);
    EXPECT_EQ(world_CameraX, 380);
    EXPECT_EQ(world_CameraY, -367);
    EXPECT_EQ(world_CameraDeltaX, 500);
    EXPECT_EQ(world_CameraDeltaY, -300);
    EXPECT_EQ(world_CameraCentred, 0);
    c_Game::SetCamera(0, 0, false);
    EXPECT_EQ(world_CameraX, 380);
    EXPECT_EQ(world_CameraCentred, 1);
    EXPECT_EQ(world_ScrollX, -500);
    EXPECT_EQ(world_ScrollY, 300);
    // The view point of a world point maps back to it.
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {10, 4}, {-33, 17}, {400, -250}, {-7, -9}}) {
        int ix = x - y, iy = (x + y) / 2;
        if ((x + y) % 2 != 0) continue;
        float sx = static_cast<float>(ix - world_CameraX), sy = static_cast<float>(iy - world_CameraY);
        EXPECT_EQ(game_ScreenToWorldX(sx, sy), x);
        EXPECT_EQ(game_ScreenToWorldY(sx, sy), y);
    }
    EXPECT_EQ(game_ScreenToWorldX(-381, 0), (-381 + 380) / 2 - 367);  // division toward zero
}

// ---------------------------------------------------------------------------
// Depth sort.

TEST_F(WorldTest, DepthSortPutsNullsLastAndIsStable) {
    c_Game::StartWorld(GameMode_Campaign);
    std::mt19937 rng(7);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<std::pair<int, c_SwimmingObject *>> before;
        int nulls = static_cast<int>(rng() % 31);
        if (trial == 0) nulls = 0;
        if (trial == 1) nulls = 30;
        for (int i = 0; i < 30; ++i) {
            bool null = static_cast<int>(rng() % 30) < nulls;
            if (null) {
                world_Objects[i] = nullptr;
                continue;
            }
            c_IceCube *c = gc_New<c_IceCube>()->m_new(0, 0, 0, 0);
            c->m_isoY = static_cast<int>(rng() % 7) - 3;  // many ties
            world_Objects[i] = c;
            before.push_back({c->m_isoY, c});
        }
        c_Game::SortObjectsByDepth();
        std::stable_sort(before.begin(), before.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (int i = 0; i < 30; ++i) {
            c_SwimmingObject *want = i < static_cast<int>(before.size()) ? before[i].second : nullptr;
            ASSERT_EQ(Slot(i), want) << "trial " << trial << " slot " << i;
        }
    }
}

// ---------------------------------------------------------------------------
// Overhead infos.

TEST_F(WorldTest, OverheadInfosRingStackAndExpire) {
    c_Game::StartWorld(GameMode_Campaign);
    Player()->m_isoX = 30;
    Player()->m_isoY = 50;
    game_Clock = 1000;
    std::vector<c_HudOverheadInfo *> made;
    for (int i = 0; i < 5; ++i) {
        made.push_back(gc_New<c_HudOverheadInfo>()->m_new(i, String(i)));
        game_Clock += 100;
    }
    // Four slots: the fifth replaced the first; each new one starts 6 lower
    // per slot already showing (the replaced one counted).
    EXPECT_EQ(hud_OverheadInfos[0].get(), made[4]);
    EXPECT_EQ(hud_OverheadIndex, 1);
    const int ys[] = {30, 36, 42, 48, 54};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(made[i]->m_x, 30);
        EXPECT_EQ(made[i]->m_y, ys[i]) << i;
        EXPECT_EQ(made[i]->m_time, 1000 + 100 * i);
        EXPECT_EQ(made[i]->m_kind, i);
    }
    // made[1] (time 1100) lives through 3099 and is gone at 3100.
    game_Clock = 3099;
    c_HudOverheadInfo::ExpireAll();
    EXPECT_EQ(Infos(), 4);
    game_Clock = 3100;
    c_HudOverheadInfo::ExpireAll();
    EXPECT_EQ(Infos(), 3);
    EXPECT_EQ(hud_OverheadInfos[1].get(), nullptr);
    game_Clock = 3400;
    c_HudOverheadInfo::ExpireAll();
    EXPECT_EQ(Infos(), 0);
}

// ---------------------------------------------------------------------------
// The world's share of an update.

TEST_F(WorldTest, GameUpdateRunsTheWorldByStateAndPhase) {
    c_Game::StartWorld(GameMode_Campaign);
    c_StateMachine *machine = gc_New<c_StateMachine>()->m_new();
    game_StateMachine = machine;
    game_FrameDelta = 33;
    struct Row {
        const char *name;
        int state, phase, running;
        int clock;      // world clock advance
        bool objects;   // object pass ran (the iceberg moved)
        bool waves;     // the layers scrolled
        bool expiry;    // overhead infos expired
    };
    const Row rows[] = {
        {"play active", ScreenState_Play, ScreenPhase_Active, 1, 33, true, true, true},
        {"play paused", ScreenState_Play, ScreenPhase_Active, 0, 0, false, false, true},
        {"menu leaving", ScreenState_Menu, ScreenPhase_Leaving, 1, 0, false, true, false},
        {"menu entering", ScreenState_Menu, ScreenPhase_Entering, 1, 33, true, true, false},
        {"menu entering, paused", ScreenState_Menu, ScreenPhase_Entering, 0, 0, false, false, false},
        {"menu active", ScreenState_Menu, ScreenPhase_Active, 1, 0, false, false, false},
        {"shop entering", ScreenState_Shop, ScreenPhase_Entering, 1, 0, false, false, false},
        {"play leaving", ScreenState_Play, ScreenPhase_Leaving, 1, 0, false, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        machine->m_state = row.state;
        machine->m_phase = row.phase;
        world_Running = row.running;
        world_Delta = 7;
        game_Clock = 100000;
        hud_OverheadInfos[0] = gc_New<c_HudOverheadInfo>();
        hud_OverheadInfos[0]->m_time = 0;
        world_SpawningOn = 0;
        // Drifting (the controls, which game_Update runs, steer nothing).
        Player()->m_vx = 1;
        const int clock = world_Clock;
        const float x = Player()->m_x;
        const float s1 = world_WaveLFOffsets[0];
        game_Update();
        EXPECT_EQ(world_Clock - clock, row.clock);
        EXPECT_EQ(Player()->m_x != x, row.objects);
        EXPECT_EQ(world_WaveLFOffsets[0] != s1, row.waves);
        EXPECT_EQ(hud_OverheadInfos[0].get() == nullptr, row.expiry);
        if (row.state == ScreenState_Play && row.phase == ScreenPhase_Active) {
            EXPECT_EQ(world_Delta, row.running ? 33 : 0);
        } else {
            EXPECT_EQ(world_Delta, 7) << "written only while play is active";
        }
    }
}

}  // namespace
