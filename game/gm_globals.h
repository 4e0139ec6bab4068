// The game's module globals (game_, screen_, progress_, world_, controls_,
// hud_, balloon_, menu_, shop_, credits_, splash_) and its constant tables,
// declared from the one list in gm_globals.def.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_math.h"
#include "runtime/rt_string.h"

class c_MyApp;
class c_StateMachine;
class c_Canvas;
class c_Font2;
class c_Image2;
class c_Material;
class c_Shader;
class c_SwimmingObject;
class c_Player;
class c_WaveEmitter;
class c_HudOverheadInfo;
class c_GuiButton;
class c_ShopButton;
class c_GuiBalloon;

#define GM_INT(name, first) extern int32_t name;
#define GM_FLOAT(name, first) extern float name;
#define GM_STRING(name) extern String name;
#define GM_REF(Type, name) extern gc_ref<Type> name;
#define GM_ARRAY(Elem, name, length) extern ArrayField<Elem> name;
#define GM_TABLE(Elem, name, ...) extern ArrayField<Elem> name;
#include "game/gm_globals.def"
#undef GM_INT
#undef GM_FLOAT
#undef GM_STRING
#undef GM_REF
#undef GM_ARRAY
#undef GM_TABLE

// Screen states and phases of the state machine.
enum : int32_t {
    ScreenState_Splash = 1,
    ScreenState_Menu = 2,
    ScreenState_Play = 4,
    ScreenState_Shop = 8,
    ScreenState_Credits = 16,
};
enum : int32_t {
    ScreenPhase_Waiting = 1,
    ScreenPhase_Entering = 2,
    ScreenPhase_Active = 4,
    ScreenPhase_Leaving = 8,
    // Not a phase: the mask of c_StateMachine::Is that every phase matches.
    ScreenPhase_Any = -1,
};

// Whether a clock (game_Clock, world_Clock) has reached the time `due`. The
// clocks wrap from INT32_MAX to negative values, so every timer compares by
// the wrapped difference: `due` is reached from the moment the clock gets
// there until 2^31 - 1 ms later.
inline bool game_ClockReached(int32_t clock, int32_t due) {
    return math_WrapAdd(clock, -static_cast<int64_t>(due)) >= 0;
}

// The virtual screen the game is drawn for, at the 960 x 540 window.
constexpr int32_t screen_VirtualWidth = 240;
constexpr int32_t screen_VirtualHeight = 135;
