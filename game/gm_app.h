// The game's application object, its screen state machine and the frame
// driver: every hook of the app layer lands here.
#pragma once

#include <cstdint>

#include "game/gm_globals.h"
#include "host/hx_app.h"

// The screen flow: the current state and phase with the game-clock times
// they began, and the request the next update applies.
class c_StateMachine : public Object {
public:
    int32_t m_nextState;
    int32_t m_nextPhase;
    int32_t m_state;
    int32_t m_stateEntryTime;
    int32_t m_phase;
    int32_t m_phaseEntryTime;

    c_StateMachine()
        : m_nextState(0), m_nextPhase(0), m_state(0), m_stateEntryTime(0), m_phase(0), m_phaseEntryTime(0) {}
    c_StateMachine *m_new() { return this; }

    // Applies the request, stamping a changed state or phase with game_Clock.
    void Update();
    // The state is `state` and the phase one of the bits of `phaseMask`.
    bool Is(int32_t state, int32_t phaseMask);
    // game_Clock since the current phase began.
    int32_t TimeInPhase();
    // Requests `state`, waiting.
    void SetState(int32_t state);
    void SetPhase(int32_t phase);
    // Requests `state` in `phase`: a screen change that skips the waiting
    // phase (back to play active, into the menu or the shop entering).
    void SetStateAndPhase(int32_t state, int32_t phase);
    // Requests splash, waiting.
    void Reset();
};

class c_MyApp : public c_App {
public:
    c_MyApp() {}
    c_MyApp *m_new() {
        c_App::m_new();
        return this;
    }
    int OnResize() override;
    int OnCreate() override;
    int OnSuspend() override;
    int OnResume() override;
    int OnUpdate() override;
    int OnRender() override;
    int OnClose() override;
};

// The world's share of an update, by the current state and phase.
void game_Update();
// The play screen, drawn under the menu and the shop while they come and go.
void game_RenderPlay();
