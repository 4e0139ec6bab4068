// The wakes and the sea's layers: ring growth and death, emitter spawns by
// distance and by time, fading back into the pool, attaching with and
// without idle emitters, prewarming, and the layers' scrolling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"
#include "tests/game/support/headless.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class WavesTest : public HeadlessGameTest {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        for (int i = 0; i < 15; ++i) world_Emitters[i] = gc_New<c_WaveEmitter>()->m_new();
    }
    static std::vector<c_WaveRadial *> Active(c_WaveEmitter *e) {
        std::vector<c_WaveRadial *> v;
        for (int i = 0; i < e->m_ring.Length(); ++i)
            if (e->m_ring[i]->m_active) v.push_back(e->m_ring[i]);
        return v;
    }
    // One update of an emitter that follows a point moving by (vx, vy).
    static void Follow(c_WaveEmitter *e, float vx, float vy) {
        world_Clock += 33;
        e->MoveTo(e->m_x + vx, e->m_y + vy);
        e->Update();
    }
};

TEST_F(WavesTest, RingGrowsTwentyNineUnitsIn7250Ms) {
    c_WaveRadial *w = gc_New<c_WaveRadial>()->m_new();
    world_Clock = 1000;
    w->Start(3, 4, 0.7f, 45, 0.25f, 10);
    EXPECT_EQ(w->m_active, 1);
    EXPECT_EQ(w->m_startTime, 1000);
    EXPECT_FLOAT_EQ(w->m_radius, 10);
    EXPECT_FLOAT_EQ(w->m_endRadius, 39);
    world_Clock = 1000 + 3625;
    w->Update();
    EXPECT_NEAR(w->m_radius, 24.5f, 1e-4);
    world_Clock = 1000 + 7249;
    w->Update();
    EXPECT_EQ(w->m_active, 1);
    world_Clock = 1000 + 7251;
    w->Update();
    EXPECT_EQ(w->m_active, 0);
    EXPECT_NEAR(w->m_radius, 39, 0.01);
    // An inactive ring no longer grows.
    world_Clock = 1000 + 9000;
    w->Update();
    EXPECT_NEAR(w->m_radius, 39, 0.01);
}

TEST_F(WavesTest, StillEmitterSpawnsEvery750MsWithDecayOne) {
    c_WaveEmitter *e = world_Emitters[0];
    world_Clock = 0;
    e->Start(5, 6);
    EXPECT_EQ(e->m_strength, 2);
    std::vector<int> times;
    for (int i = 0; i < 230; ++i) {
        int before = e->m_ringIndex;
        Follow(e, 0, 0);
        if (e->m_ringIndex != before) {
            times.push_back(world_Clock);
            c_WaveRadial *w = e->m_ring[before];
            EXPECT_FLOAT_EQ(w->m_decay, 1);
            // Pulses with the emitter's age, 1.5 s period, between 0 and 1.
            float t = world_Clock / 1000.0f;
            EXPECT_NEAR(w->m_amplitude, 0.5f * std::cos(2 * M_PI * t * 2 / 3) + 0.5f, 1e-5);
            EXPECT_FLOAT_EQ(w->m_x, 5);
            EXPECT_FLOAT_EQ(w->m_startRadius, 2);
        }
    }
    // Due at 750, 1500, ...: the first update at or after each.
    ASSERT_EQ(times.size(), 10u);
    for (size_t k = 0; k < times.size(); ++k) {
        int due = 750 * static_cast<int>(k + 1);
        EXPECT_GE(times[k], due);
        EXPECT_LT(times[k], due + 33);
    }
}

TEST_F(WavesTest, MovingEmitterSpawnsByDistance) {
    struct Row {
        float speed;
        std::vector<int> spawnUpdates;  // 1-based updates that spawn, first few
    };
    const Row rows[] = {
        {0.5f, {4, 7, 10, 13, 16}},  // every 1.5 units: every third update
        {0.25f, {7, 13, 19}},
        {2.0f, {1, 2, 3, 4, 5}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.speed);
        c_WaveEmitter *e = gc_New<c_WaveEmitter>()->m_new();
        world_Clock = 0;
        e->Start(0, 0);
        std::vector<int> spawns;
        for (int u = 1; u <= 40 && spawns.size() < row.spawnUpdates.size(); ++u) {
            int before = e->m_ringIndex;
            Follow(e, 0, -row.speed);
            if (e->m_ringIndex != before) {
                spawns.push_back(u);
                c_WaveRadial *w = e->m_ring[before];
                EXPECT_NEAR(w->m_decay, std::exp(-20.0 * row.speed), 1e-6 + 1e-4 * std::exp(-20.0 * row.speed));
                EXPECT_NEAR(w->m_direction, 90, 1e-3);  // atan2(-vy, vx)
                EXPECT_FLOAT_EQ(w->m_x, e->m_x);
            }
        }
        EXPECT_EQ(spawns, row.spawnUpdates);
    }
}

TEST_F(WavesTest, After151SpawnsTheOldestRingIsReused) {
    c_WaveEmitter *e = world_Emitters[0];
    world_Clock = 0;
    e->Start(0, 0);
    for (int i = 0; i < 151; ++i) Follow(e, 2, 0);
    EXPECT_EQ(e->m_ringIndex, 0);
    EXPECT_EQ(Active(e).size(), 151u);
    int firstStart = e->m_ring[0]->m_startTime;
    int secondStart = e->m_ring[1]->m_startTime;
    Follow(e, 2, 0);
    EXPECT_EQ(e->m_ringIndex, 1);
    EXPECT_EQ(e->m_ring[0]->m_startTime, world_Clock) << "reused while still active";
    EXPECT_NE(e->m_ring[0]->m_startTime, firstStart);
    EXPECT_EQ(e->m_ring[1]->m_startTime, secondStart);
    EXPECT_FLOAT_EQ(e->m_ring[0]->m_x, e->m_x);
}

TEST_F(WavesTest, FadingEmitterStopsAndReturnsToThePoolWhenItsRingsDie) {
    c_WaveEmitter *e = world_Emitters[0];
    world_Clock = 0;
    e->Start(0, 0);
    for (int i = 0; i < 30; ++i) Follow(e, 1, 0);
    e->m_state = EmitterState_Fading;
    int lastSpawn = 0;
    for (int i = 0; i < 151; ++i) lastSpawn = std::max(lastSpawn, e->m_ring[i]->m_startTime);
    int index = e->m_ringIndex;
    int idleAt = -1;
    for (int i = 0; i < 300 && idleAt < 0; ++i) {
        Follow(e, 1, 0);
        EXPECT_EQ(e->m_ringIndex, index) << "no rings while fading";
        if (e->m_state == EmitterState_Idle) idleAt = world_Clock;
    }
    ASSERT_GT(idleAt, 0);
    EXPECT_GT(idleAt - lastSpawn, 7250);
    EXPECT_LE(idleAt - lastSpawn, 7250 + 33);
    EXPECT_TRUE(Active(e).empty());
    // An idle emitter does nothing, not even growing rings.
    float x = e->m_x;
    Follow(e, 1, 0);
    EXPECT_EQ(e->m_state, EmitterState_Idle);
    EXPECT_FLOAT_EQ(e->m_x, x + 1);  // moved, but no spawn
    EXPECT_EQ(e->m_ringIndex, index);
}

TEST_F(WavesTest, AttachTakesTheFirstIdleEmitterAndRestartsAHeldOne) {
    world_Clock = 500;
    c_IceCube *a = gc_New<c_IceCube>()->m_new(10, 20, 0, 0);
    a->m_width = 3.6f;
    world_Emitters[0]->m_state = EmitterState_Fading;
    game_AttachWaveEmitter(a, 0);
    c_WaveEmitter *e = a->m_waveEmitter;
    ASSERT_EQ(e, world_Emitters[1].get());
    EXPECT_EQ(e->m_state, EmitterState_Emitting);
    EXPECT_EQ(e->m_startTime, 500);
    EXPECT_EQ(e->m_nextSpawnTime, 1250);
    EXPECT_FLOAT_EQ(e->m_distanceBudget, 1.5f);
    EXPECT_FLOAT_EQ(e->m_x, 10);
    EXPECT_FLOAT_EQ(e->m_y, 20);
    EXPECT_EQ(e->m_strength, 7);

    // Attached again while it holds one: the same emitter restarts, the
    // pool loses no second one.
    world_Clock = 2000;
    e->m_distanceBudget = -3;
    game_AttachWaveEmitter(a, 0);
    EXPECT_EQ(a->m_waveEmitter.get(), e);
    EXPECT_EQ(e->m_startTime, 2000);
    EXPECT_FLOAT_EQ(e->m_distanceBudget, 1.5f);
    for (int i = 2; i < 15; ++i) EXPECT_EQ(world_Emitters[i]->m_state, EmitterState_Idle) << i;

    // All 15 busy: an object without one gets none; one with one keeps it.
    for (int i = 0; i < 15; ++i) world_Emitters[i]->m_state = EmitterState_Emitting;
    c_IceCube *b = gc_New<c_IceCube>()->m_new(0, 0, 0, 0);
    game_AttachWaveEmitter(b, 1);
    EXPECT_EQ(b->m_waveEmitter.get(), nullptr);
    world_Clock = 3000;
    game_AttachWaveEmitter(a, 1);
    EXPECT_EQ(a->m_waveEmitter.get(), e);
    EXPECT_EQ(e->m_startTime, 3000 - 7491);
}

TEST_F(WavesTest, AllEmittersBusyShipSpawnsWithoutAWake) {
    c_Game::StartWorld(GameMode_Campaign);
    for (int i = 0; i < 15; ++i) world_Emitters[i]->m_state = EmitterState_Emitting;
    world_SpawningOn = 1;
    world_Delta = 33;
    world_Clock = 33;
    game_UpdateObjects();
    c_SwimmingObject *ship = nullptr;
    for (int i = 0; i < 30; ++i)
        if (world_Objects[i] && world_Objects[i] != world_Player.get()) ship = world_Objects[i];
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(ship->m_waveEmitter.get(), nullptr);
    // It counts as an object without a wake in the next pass.
    world_Clock += 33;
    game_UpdateObjects();
    EXPECT_EQ(world_EmitterCount, 1);
    EXPECT_EQ(world_NoEmitterCount, 1);
}

TEST_F(WavesTest, PrewarmReplaysSevenAndAHalfSecondsOfTheWake) {
    world_Clock = 100000;
    c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(3, 40, -20, 30);
    game_AttachWaveEmitter(ship, 1);
    c_WaveEmitter *e = ship->m_waveEmitter;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(world_Clock, 100000) << "the clock is restored";
    EXPECT_EQ(e->m_startTime, 100000 - 7491);
    EXPECT_NEAR(e->m_x, 40, 1e-3);
    EXPECT_NEAR(e->m_y, -20, 1e-3);
    EXPECT_NEAR(e->m_vx, ship->m_vx, 1e-4);
    std::vector<c_WaveRadial *> rings = Active(e);
    ASSERT_GT(rings.size(), 20u);
    float dirX = std::cos(30 * M_PI / 180), dirY = std::sin(30 * M_PI / 180);
    for (c_WaveRadial *w : rings) {
        int age = 100000 - w->m_startTime;
        EXPECT_GE(age, 0);
        EXPECT_LE(age, 7250);
        // On the path behind the ship, as far back as its age at its speed.
        float bx = 40 - w->m_x, by = -20 - w->m_y;
        EXPECT_NEAR(bx * dirY - by * dirX, 0, 0.05);
        EXPECT_NEAR(std::hypot(bx, by), age / 33.0f * ship->Speed(), 0.6f);
        EXPECT_NEAR(w->m_radius, w->m_startRadius + age * 0.004f, 1e-3);
        EXPECT_FLOAT_EQ(w->m_startRadius, 8);  // 2 x the yacht's width
    }
    // The burst of the first jump: a ring per update until the budget is
    // back above 0, so the oldest surviving rings are one update apart.
    std::vector<int> starts;
    for (c_WaveRadial *w : rings) starts.push_back(w->m_startTime);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts[1] - starts[0], 33);
}

TEST_F(WavesTest, LayersScrollWithinZeroToOneAndFollowTheCamera) {
    c_WaveLF::Init();
    c_WaveHF::Init();
    const float lfVertices[16] = {0, 0, 240, 0, 240, 135, 0, 135, 0, 0, 240, 0, 240, 135, 0, 135};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(world_WaveLFVertices[i], lfVertices[i]);
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(world_WaveHFVertices[i], lfVertices[i]);
    const int lfIndices[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(world_WaveLFIndices[i], lfIndices[i]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(world_WaveHFIndices[i], lfIndices[i]);
    EXPECT_FLOAT_EQ(world_WaveLFExtent[0], 1.875f);
    EXPECT_FLOAT_EQ(world_WaveLFExtent[1], 1.0546875f);
    EXPECT_FLOAT_EQ(world_WaveHFExtent[0], 1.875f);
    EXPECT_FLOAT_EQ(world_WaveLFOffsets[0], 0.5f);
    EXPECT_FLOAT_EQ(world_WaveLFOffsets[1], 0);

    // One still update: each offset moves by its speed.
    world_CameraDeltaX = world_CameraDeltaY = 0;
    c_WaveLF::Update();
    c_WaveHF::Update();
    const float speeds[4] = {0.00055f, 0.00078f, 0.0007f, 0.00049f};
    const float starts[4] = {0.5f, 0, 0, 0};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(world_WaveLFOffsets[i], starts[i] + speeds[i], 1e-5) << i;
    EXPECT_NEAR(world_WaveHFOffsets[0], 0.00055f, 1e-5);
    EXPECT_NEAR(world_WaveHFOffsets[1], 0.0007f, 1e-5);
    // Texture coordinates follow the offsets and the extent.
    float s = world_WaveLFOffsets[2], t = world_WaveLFOffsets[3], S = 1.875f, T = 1.0546875f;
    const float quad2[8] = {-s, -t, S - s, -t, S - s, T - t, -s, T - t};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(world_WaveLFTexcoords[8 + i], quad2[i]) << i;

    // Random camera moves, from single pixels to wild jumps: always in [0, 1).
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> small(-3, 3), wild(-2000000, 2000000);
    for (int i = 0; i < 5000; ++i) {
        world_CameraDeltaX = i % 50 == 0 ? wild(rng) : small(rng);
        world_CameraDeltaY = i % 70 == 0 ? wild(rng) : small(rng);
        c_WaveLF::Update();
        c_WaveHF::Update();
        for (int k = 0; k < 4; ++k) {
            ASSERT_GE(world_WaveLFOffsets[k], 0.0f);
            ASSERT_LT(world_WaveLFOffsets[k], 1.0f);
        }
        for (int k = 0; k < 2; ++k) {
            ASSERT_GE(world_WaveHFOffsets[k], 0.0f);
            ASSERT_LT(world_WaveHFOffsets[k], 1.0f);
        }
    }

    // A jump of 128 pixels (one tile) looks the same as no move.
    for (int jump : {128, -128, 256}) {
        SCOPED_TRACE(jump);
        float lf[4], hf[2];
        for (int k = 0; k < 4; ++k) lf[k] = world_WaveLFOffsets[k];
        for (int k = 0; k < 2; ++k) hf[k] = world_WaveHFOffsets[k];
        world_CameraDeltaX = jump;
        world_CameraDeltaY = jump;
        c_WaveLF::Update();
        c_WaveHF::Update();
        for (int k = 0; k < 4; ++k) {
            float moved = std::fmod(lf[k] + speeds[k], 1.0f);
            float d = std::fabs(world_WaveLFOffsets[k] - moved);
            EXPECT_LT(std::min(d, 1 - d), 1e-4) << k;
        }
        float hfSpeeds[2] = {0.00055f, 0.0007f};
        for (int k = 0; k < 2; ++k) {
            float moved = std::fmod(hf[k] + hfSpeeds[k], 1.0f);
            float d = std::fabs(world_WaveHFOffsets[k] - moved);
            EXPECT_LT(std::min(d, 1 - d), 1e-4) << k;
        }
    }
}

}  // namespace
