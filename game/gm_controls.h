// The play controls: the keyboard and the mouse turned into the steering
// request and into per-button hit flags (pressed in this update) and down
// flags (held) for the item bar, the on-screen buttons and the two row
// menus drawn over the play screen (pause and you-died), and the update
// that applies them: items, revives, pause and resume, the way to the shop
// and the menu, and the balloon skip.
//
// The groups have no instances; their operations are class functions over
// the controls_ globals (gm_globals.def).
#pragma once

#include <cstdint>

// The you-died menu's price of a revive, in coins (the shop's prices are
// another table).
constexpr int32_t controls_RevivePrice = 6000;
// How long an invulnerability item protects the iceberg, in world_Clock ms.
constexpr int32_t controls_InvulnerabilityMs = 30000;
// How far the confirm button moves an open balloon's reveal time back.
constexpr int32_t controls_BalloonSkipMs = 60000;

// Steering from W, A, S, D: controls_SteerAngle (degrees, the screen
// direction turned into the isometric world) and controls_Throttle (0 or
// 1); both 0 while world_SteeringOn is 0.
class c_ControlsDPad {
public:
    static void Update();
};

// The item buttons: 0 healing, 1 big healing (the revive while dead),
// 2 invulnerability; keys 1, 2, 3 or the item bar.
class c_ControlsItems {
public:
    static void Update();
    static void Layout();
    // Button i's area: x in [Left(i), Left(i) + controls_ItemSize), y from
    // Top() down to the bottom of the screen.
    static int32_t Left(int32_t i);
    static int32_t Top();
};

// The on-screen buttons: 0 pause, 1 resume (both Escape), 2 confirm
// (Space), around (controls_ButtonsX, controls_ButtonsY).
class c_ControlsButtons {
public:
    static void Update();
    static void Layout();
};

// The pause menu's rows: 0 shop, 1 resume, 2 menu (mouse only).
class c_HudPause {
public:
    static void Update();
    static void Layout();
};

// The you-died menu's rows: 0 revive with an item, 1 buy a revive, 2 menu
// (mouse only).
class c_HudYouDied {
public:
    static void Update();
    static void Layout();
};

// Row i (0 to 2) of a row menu centred at (cx, cy): x in [cx - 40, cx + 40)
// and y in [RowTop, RowTop + 13).
int32_t controls_RowTop(int32_t cy, int32_t row);

// The five groups updated, then their hits applied (in play, phase active).
void game_UpdatePlayControls();
