// The busiest sea of play, kept so for measuring a frame's cost: a campaign
// world in play with 30 objects (the iceberg, 14 ships, 15 crates close
// together, so that they meet, fight and sink), the 15 emitters' 151 rings
// all growing, the HUD and a balloon open. The frame and session
// benchmarks (the objects and rings) and the velmora_bot program's --busy
// run use it; header-only, as none of them links the game tests' support.
#pragma once

#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_math.h"

namespace busy {

// Every ring of every emitter growing.
inline void FillRings() {
    for (int e = 0; e < 15; ++e) {
        c_WaveEmitter *em = world_Emitters[e];
        if (!em) continue;
        em->m_state = EmitterState_Emitting;
        for (int k = 0; k < 151; ++k) em->m_ring[k]->Start(em->m_x, em->m_y, 0.8f, 12.0f * k, 0.3f, 8);
    }
}

inline int CountObjects() {
    int n = 0;
    for (int i = 0; i < 30; ++i) n += world_Objects[i] != nullptr;
    return n;
}

// Fills the free slots of world_Objects: ships in slots 1 to 14 (every
// third an icebreaker, each with its emitter), crates in 15 to 29.
inline void TopUp() {
    for (int i = 1; i < 30; ++i) {
        if (world_Objects[i]) continue;
        c_SwimmingObject *o;
        if (i < 15)
            o = i % 3 == 0 ? static_cast<c_SwimmingObject *>(gc_New<c_ShipSmallIcebreaker>()->m_new(5, 0, 0, 30.0f * i))
                           : gc_New<c_ShipSmallYacht>()->m_new(5, 0, 0, 30.0f * i);
        else
            o = gc_New<c_LootCrate>()->m_new(100, 0, 0, 90, 0);
        o->m_x = -100.0f + 7.0f * i;
        o->m_y = 40.0f - 3.0f * i;
        o->UpdateScreenPos();
        world_Objects[i] = o;
        if (i < 15) game_AttachWaveEmitter(o, 0);
    }
}

// A seeded campaign world, made the next screen in play; the app's next
// update takes it.
inline void StartWorld() {
    random_Seed = 1234;
    c_Game::StartWorld(GameMode_Campaign);
    game_StateMachine->m_nextState = ScreenState_Play;
    game_StateMachine->m_nextPhase = ScreenPhase_Active;
}

// After that update: the full sea, spawning on, a long balloon.
inline void Fill() {
    TopUp();
    world_SpawningOn = 1;
    game_ShowBalloon(String(u"Ahoy! The sea is busy today: ships to the north, crates to the south, "
                            u"and the liner somewhere beyond the fog. Keep your bow into the waves."),
                     0, 0);
    FillRings();
}

// Before each later update: what sank comes back, the rings start again,
// a balloon is open.
inline void KeepBusy() {
    TopUp();
    FillRings();
    if (!balloon_Current) game_ShowBalloon(String(u"Ahoy! Keep your bow into the waves."), 0, 0);
}

}  // namespace busy
