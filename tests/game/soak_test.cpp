// A long seeded run of the whole sea in both modes: random steering with
// spawning on, and a script that crowds the sea with pick-ups, sinks ships
// in pairs, hits, levels up and revives the iceberg and asks for the
// story's centring. After every update (with the depth sort a render makes
// and the collector's step the host makes) the world must be whole.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"
#include "tests/game/support/headless.h"
#include "tests/game/support/world_check.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// About 1.5 s per mode in the optimised build, 20 s under the sanitizers.
constexpr int kUpdates = 100000;

struct Stats {
    int maxObjects = 0;
    int fullAtShipSpawn = 0;    // all 30 slots taken when a ship was due
    int pickUpAsItDies = 0;     // a cube to pay while the iceberg has just died
    int deaths = 0, revives = 0, liners = 0, levelUps = 0;
};

class SoakTest : public HeadlessGameTest {
protected:
    std::mt19937 rng;
    Stats stats;

    void SetUp() override {
        HeadlessGameTest::SetUp();
        c_WaveLF::Init();
        c_WaveHF::Init();
    }

    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    float Float(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    c_Player *Player() { return world_Player; }
    int FirstFree() {
        for (int i = 0; i < 30; ++i)
            if (!world_Objects[i]) return i;
        return -1;
    }

    // A crate or a cube at a random point of the view (or on the iceberg),
    // at rest or drifting.
    void DropPickUp() {
        int slot = FirstFree();
        if (slot < 0) return;
        int ix, iy;
        if (Chance(0.25)) {
            ix = Player()->m_isoX;
            iy = Player()->m_isoY;
        } else {
            ix = world_CameraX + Int(0, screen_Width);
            iy = world_CameraY + Int(0, screen_Height);
        }
        int x = iy + ix / 2, y = iy - ix / 2;
        float speed = Chance(0.5) ? 0 : Float(0, 0.5f);
        float heading = Float(0, 360);
        if (Chance(0.5))
            world_Objects[slot] = gc_New<c_LootCrate>()->m_new(Int(60, 300), x, y, heading, speed);
        else
            world_Objects[slot] = gc_New<c_IceCube>()->m_new(x, y, heading, speed);
    }

    void SinkShips() {
        int sunk = 0;
        for (int i = 0; i < 30 && sunk < 2; ++i) {
            c_Ship *s = dynamic_cast<c_Ship *>(world_Objects[i].get());
            if (!s || s->m_hitPoints <= 0 || Chance(0.3)) continue;
            s->m_hitPoints = 0;
            if (Chance(0.5)) s->SetHitByPlayer(Player()->m_level);
            ++sunk;
        }
    }

    bool PickUpPending() {
        for (int i = 0; i < 30; ++i) {
            c_SwimmingObject *o = world_Objects[i];
            if (o && o->m_kind == ObjectKind_IceCube && o->m_lastCollider.get() == Player()) return true;
        }
        return false;
    }

    bool centring = false;
    int nextSteer = 0;

    void Script(int u) {
        c_Player *p = Player();
        if (u >= nextSteer) {
            nextSteer = u + Int(20, 150);
            controls_SteerAngle = Float(0, 360);
            const float throttles[] = {0, 0, 0.3f, 0.6f, 1, 1};
            controls_Throttle = throttles[Int(0, 5)];
        }
        if (Chance(0.03)) DropPickUp();
        if (Chance(0.004)) SinkShips();
        // Hits: now and then, and more often while a cube waits to be paid.
        if (p->m_alive && (Chance(0.004) || (PickUpPending() && Chance(0.3)))) p->TakeDamage(Int(1, 12));
        if (p->m_alive && Chance(0.002)) p->m_xp += Int(0, 200);
        if (p->m_deathState == DeathState_Dying && p->Finished() && Chance(0.02)) {
            p->m_deathState = DeathState_Reviving;
            p->m_nextStepTime = world_Clock;
            game_AttachWaveEmitter(p, 0);
            p->SetLevel(p->m_level);
            ++stats.revives;
        }
        if (!centring && Chance(0.0005)) {
            centring = true;
            world_CentringState = 0;
        }
        if (centring && c_Game::CentreCameraOnPlayer(0)) {
            centring = false;
            world_CameraCentred = 0;
        }
    }

    // What the next pass will meet, for the record of the run.
    void Observe() {
        int n = 0;
        for (int i = 0; i < 30; ++i) n += world_Objects[i] ? 1 : 0;
        stats.maxObjects = std::max(stats.maxObjects, n);
        int withWake = 0;
        for (int i = 0; i < 30; ++i) withWake += world_Objects[i] && world_Objects[i]->m_waveEmitter ? 1 : 0;
        if (n == 30 && world_Clock + 33 >= world_ShipTimer && withWake <= 9) ++stats.fullAtShipSpawn;
        if (Player()->m_hitPoints < 1 && Player()->m_deathState == DeathState_Alive && PickUpPending())
            ++stats.pickUpAsItDies;
    }

    void Step() {
        WorldStep();
        gc_Collect();
    }

    // The world is whole; returns a description of the first fault found.
    std::string Check() { return world_CheckWhole(true); }

    void Soak(int mode, uint32_t seed) {
        rng.seed(seed);
        random_Seed = seed;
        progress_LevelCampaign = Int(1, 20);
        progress_LevelOpenWorld = Int(1, 20);
        c_Game::StartWorld(mode);
        world_StoryState = 0;  // the story is over: the liner may come
        world_SpawningOn = 1;
        world_SteeringOn = 1;
        int lastLevel = Player()->m_level;
        int wasDead = 0;
        for (int u = 0; u < kUpdates; ++u) {
            Script(u);
            Observe();
            Step();
            std::string fault = Check();
            ASSERT_EQ(fault, "") << "after update " << u << " of mode " << mode << ", seed " << seed;
            if (Player()->m_level > lastLevel) stats.levelUps += Player()->m_level - lastLevel;
            lastLevel = Player()->m_level;
            if (!Player()->m_alive && !wasDead) ++stats.deaths;
            wasDead = !Player()->m_alive;
            if (c_Game::CountObjectsOfKind(ObjectKind_CruiseLiner)) ++stats.liners;
        }
        std::printf("mode %d: max objects %d, full at a ship spawn %d, cube paid as the iceberg died %d, deaths %d, "
                    "revives %d, level-ups %d, liner updates %d\n",
                    mode, stats.maxObjects, stats.fullAtShipSpawn, stats.pickUpAsItDies, stats.deaths, stats.revives,
                    stats.levelUps, stats.liners);
        // The run reached the situations the checks are there for.
        EXPECT_EQ(stats.maxObjects, 30);
        EXPECT_GT(stats.fullAtShipSpawn, 0);
        EXPECT_GT(stats.pickUpAsItDies, 0);
        EXPECT_GT(stats.deaths, 0);
        EXPECT_GT(stats.revives, 0);
    }
};

TEST_F(SoakTest, Campaign) { Soak(GameMode_Campaign, 20240611u); }

TEST_F(SoakTest, OpenWorld) { Soak(GameMode_OpenWorld, 77u); }

}  // namespace
