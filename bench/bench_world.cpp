// One world update at its heaviest, against the same objects spread out,
// and one prewarm of a new ship's wake; each is also reported as a share
// of the 33.3 ms update period ("pct_of_update").
//
// The heavy world: the iceberg and 14 ships, each with a pool emitter
// whose 151 rings are all growing, and 15 loot crates, 30 objects on one
// world row 12 units apart, so that every one of the 435 pairs passes the
// quick test and runs the whole overlap test, and every ship steers past
// every other within its 100-unit range. The spread world puts the same
// objects more than 40 units apart on both axes (the play area widened so
// that none leaves), so every pair is skipped by the quick test. Each
// iteration puts the objects, the emitters and the clock back where they
// started, so every iteration runs the same update.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_story.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

struct ObjectState {
    float x, y, vx, vy, heading, targetHeading, desiredVx, desiredVy;
    int hitPoints, fadeStep, inContact, contactCooldown;
};
struct EmitterState {
    int state, nextSpawnTime, ringIndex;
    float budget, x, y, vx, vy;
};

class World {
public:
    std::vector<ObjectState> objects;
    std::vector<EmitterState> emitters;
    int clock = 0;

    explicit World(bool clustered) {
        static HxZentrovaGame *game = new HxZentrovaGame();
        (void)game;
        program_InitGlobals();
        gc_SetRoots(program_MarkGlobals);
        ScreenLayout l;
        game_ComputeScreenLayout(960, 540, &l);
        game_ApplyScreenLayout(l);
        game_LayoutDeadZone();
        if (!clustered) {
            screen_PlayLeft = screen_PlayTop = -100000;
            screen_PlayRight = screen_PlayBottom = 100000;
        }
        c_WaveLF::Init();
        c_WaveHF::Init();
        c_Game::StartWorld(GameMode_Campaign);
        world_StoryState = StoryState_Playing;
        world_Clock = 100000;

        for (int i = 1; i < 30; ++i) {
            c_SwimmingObject *o;
            if (i < 15)
                o = i % 3 == 0 ? static_cast<c_SwimmingObject *>(gc_New<c_ShipSmallIcebreaker>()->m_new(5, 0, 0, 90))
                               : gc_New<c_ShipSmallYacht>()->m_new(5, 0, 0, 90);
            else
                o = gc_New<c_LootCrate>()->m_new(100, 0, 0, 90, 0);
            world_Objects[i] = o;
        }
        for (int i = 0; i < 30; ++i) {
            c_SwimmingObject *o = world_Objects[i];
            if (clustered) {
                o->m_x = -174.0f + 12.0f * i;
                o->m_y = 0;
            } else {
                // Distinct multiples of 41 on both axes.
                o->m_x = 41.0f * i;
                o->m_y = 41.0f * ((i * 7) % 30);
            }
            o->UpdateScreenPos();
            if (i < 15) game_AttachWaveEmitter(o, 0);
        }
        // Every ring of every emitter growing.
        for (int e = 0; e < 15; ++e) {
            c_WaveEmitter *em = world_Emitters[e];
            for (int k = 0; k < 151; ++k) em->m_ring[k]->Start(em->m_x, em->m_y, 1, 0, 0, 8);
        }
        // The camera at rest on the view the game starts with.
        world_CameraPrevX = world_CameraX;
        world_CameraPrevY = world_CameraY;
        clock = world_Clock;
        for (int i = 0; i < 30; ++i) {
            c_SwimmingObject *o = world_Objects[i];
            c_Ship *s = dynamic_cast<c_Ship *>(o);
            objects.push_back({o->m_x, o->m_y, o->m_vx, o->m_vy, o->m_heading, s ? s->m_targetHeading : 0,
                               o->m_desiredVx, o->m_desiredVy, o->m_hitPoints, o->m_fadeStep, o->m_inContact,
                               o->m_contactCooldown});
        }
        for (int e = 0; e < 15; ++e) {
            c_WaveEmitter *em = world_Emitters[e];
            emitters.push_back({em->m_state, em->m_nextSpawnTime, em->m_ringIndex, em->m_distanceBudget, em->m_x,
                                em->m_y, em->m_vx, em->m_vy});
        }
        slots.assign(30, nullptr);
        for (int i = 0; i < 30; ++i) slots[i] = world_Objects[i];
    }

    void Reset() {
        world_Clock = clock;
        for (int i = 0; i < 30; ++i) {
            c_SwimmingObject *o = slots[i];
            world_Objects[i] = o;
            const ObjectState &s = objects[i];
            o->m_x = s.x;
            o->m_y = s.y;
            o->m_vx = s.vx;
            o->m_vy = s.vy;
            o->m_heading = s.heading;
            if (c_Ship *ship = dynamic_cast<c_Ship *>(o)) ship->m_targetHeading = s.targetHeading;
            o->m_desiredVx = s.desiredVx;
            o->m_desiredVy = s.desiredVy;
            o->m_hitPoints = s.hitPoints;
            o->m_fadeStep = s.fadeStep;
            o->m_inContact = s.inContact;
            o->m_contactCooldown = s.contactCooldown;
            o->UpdateScreenPos();
        }
        for (int e = 0; e < 15; ++e) {
            c_WaveEmitter *em = world_Emitters[e];
            const EmitterState &s = emitters[e];
            em->m_state = s.state;
            em->m_nextSpawnTime = s.nextSpawnTime;
            em->m_ringIndex = s.ringIndex;
            em->m_distanceBudget = s.budget;
            em->m_x = s.x;
            em->m_y = s.y;
            em->m_vx = s.vx;
            em->m_vy = s.vy;
        }
    }

    static void Update() {
        world_Delta = 33;
        world_Clock += 33;
        game_UpdateObjects();
        c_Game::UpdateCamera();
        c_WaveLF::Update();
        for (int e = 0; e < 15; ++e) world_Emitters[e]->Update();
        c_WaveHF::Update();
        c_Game::SortObjectsByDepth();
    }

    // Pairs that pass the quick test.
    static int FullPairs() {
        int n = 0;
        for (int i = 1; i < 30; ++i)
            for (int j = 0; j < i; ++j) {
                c_SwimmingObject *a = world_Objects[j], *b = world_Objects[i];
                if (!a || !b) continue;
                float dx = a->m_x - b->m_x, dy = a->m_y - b->m_y;
                n += (std::fabs(dx) > 40 && std::fabs(dy) > 40) ? 0 : 1;
            }
        return n;
    }

private:
    std::vector<c_SwimmingObject *> slots;
};

void ReportShare(benchmark::State &state, std::chrono::steady_clock::duration total) {
    double totalMs = std::chrono::duration<double, std::milli>(total).count();
    double perIteration = totalMs / static_cast<double>(state.iterations());
    state.counters["pct_of_update"] = perIteration / (1000.0 / 30.0) * 100.0;
}

void WorldUpdate(benchmark::State &state, bool clustered) {
    World world(clustered);
    world.Reset();
    state.counters["full_pairs"] = World::FullPairs();
    std::chrono::steady_clock::duration total{};
    for (auto _ : state) {
        world.Reset();
        auto t0 = std::chrono::steady_clock::now();
        World::Update();
        total += std::chrono::steady_clock::now() - t0;
    }
    int active = 0;
    for (int e = 0; e < 15; ++e)
        for (int k = 0; k < 151; ++k) active += world_Emitters[e]->m_ring[k]->m_active;
    state.counters["active_rings"] = active;
    int occupied = 0;
    for (int i = 0; i < 30; ++i) occupied += world_Objects[i] ? 1 : 0;
    state.counters["objects"] = occupied;
    ReportShare(state, total);
}

void BM_WorldUpdateClustered(benchmark::State &state) { WorldUpdate(state, true); }
void BM_WorldUpdateScattered(benchmark::State &state) { WorldUpdate(state, false); }

// One ship's prewarmed wake: 7.5 s replayed, 228 emitter steps over its ring.
void BM_Prewarm(benchmark::State &state) {
    World world(true);
    c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(5, 40, -20, 30);
    world_Objects[29] = ship;
    c_WaveEmitter *spare = world_Emitters[14];
    world_Objects[14]->m_waveEmitter = nullptr;
    std::chrono::steady_clock::duration total{};
    for (auto _ : state) {
        spare->m_state = EmitterState_Idle;
        ship->m_waveEmitter = nullptr;
        for (int k = 0; k < 151; ++k) spare->m_ring[k]->m_active = 0;
        auto t0 = std::chrono::steady_clock::now();
        game_AttachWaveEmitter(ship, 1);
        total += std::chrono::steady_clock::now() - t0;
        benchmark::DoNotOptimize(spare->m_ringIndex);
    }
    ReportShare(state, total);
}

}  // namespace

BENCHMARK(BM_WorldUpdateClustered)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorldUpdateScattered)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Prewarm)->Unit(benchmark::kMicrosecond);
