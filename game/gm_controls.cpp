#include "game/gm_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "game/gm_app.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "host/hx_input.h"
#include "host/hx_keys.h"

namespace {

constexpr int kKeyA = 65;
constexpr int kKeyD = 68;
constexpr int kKeyS = 83;
constexpr int kKeyW = 87;

// Half the width of an on-screen button and of a menu row.
constexpr int32_t kButtonHalfWidth = 12;
constexpr int32_t kRowHalfWidth = 40;
constexpr int32_t kRowHeight = 13;

int KeyHeld(int key) { return key > 0 && key < key_Count && input_KeyDown(key) ? 1 : 0; }

bool PointerIn(float left, float right, float top) {
    return game_PointerDown != 0 && game_PointerX >= left && game_PointerX < right && game_PointerY >= top;
}

bool PointerInRow(int32_t cx, int32_t cy, int32_t row) {
    float top = static_cast<float>(controls_RowTop(cy, row));
    return game_PointerDown != 0 && game_PointerX >= static_cast<float>(cx - kRowHalfWidth) &&
           game_PointerX < static_cast<float>(cx + kRowHalfWidth) && game_PointerY >= top &&
           game_PointerY < top + static_cast<float>(kRowHeight);
}

// A hit fires once per press: on the update in which the button goes down.
void Press(const ArrayField<int32_t> &hit, const ArrayField<int32_t> &down, int i, bool pressed) {
    hit[i] = pressed && down[i] == 0 ? 1 : 0;
    down[i] = pressed ? 1 : 0;
}

void ShowHealing(const String &text) { gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_Healing, text); }

// "+" and the hit points the player is missing.
String MissingText(c_Player *player) {
    int32_t missing = game_SaturatingAdd(player->m_maxHitPoints, -static_cast<int64_t>(player->m_hitPoints));
    return String(u"+") + String(missing);
}

// At most one item: the first whose condition holds.
void UseItem(c_Player *player) {
    bool hurt = player->m_hitPoints < player->m_maxHitPoints;
    if (progress_Healings > 0 && hurt && controls_ItemHit[0] != 0) {
        player->Heal(1);
        progress_Healings = game_SaturatingAdd(progress_Healings, -1);
        ShowHealing(String(u"+1"));
    } else if (progress_BigHealings > 0 && hurt && controls_ItemHit[1] != 0) {
        ShowHealing(MissingText(player));
        progress_BigHealings = game_SaturatingAdd(progress_BigHealings, -1);
        player->m_hitPoints = player->m_maxHitPoints;
    } else if (progress_Invulnerabilities > 0 && player->m_invulnerable == 0 && controls_ItemHit[2] != 0) {
        progress_Invulnerabilities = game_SaturatingAdd(progress_Invulnerabilities, -1);
        player->MakeInvulnerable(controls_InvulnerabilityMs);
        if (hurt) ShowHealing(MissingText(player));
        player->m_hitPoints = player->m_maxHitPoints;
    }
}

// A revive by item or by coins once the iceberg has melted away, else the
// way to the menu (open at once, melted or not).
void UpdateDead(c_Player *player) {
    bool melted = player->m_fadeStep == player->m_stepCount;
    bool revive = false;
    if (progress_Revives > 0 && melted && (controls_ItemHit[1] != 0 || controls_YouDiedHit[0] != 0)) {
        progress_Revives = game_SaturatingAdd(progress_Revives, -1);
        revive = true;
    } else if (progress_Coins >= controls_RevivePrice && melted && controls_YouDiedHit[1] != 0) {
        progress_Coins = game_SaturatingAdd(progress_Coins, -static_cast<int64_t>(controls_RevivePrice));
        revive = true;
    }
    if (revive) {
        player->m_deathState = DeathState_Reviving;
        player->m_nextStepTime = world_Clock;
        game_AttachWaveEmitter(player, 0);
        game_SavedLevel() = player->m_level;
        game_SaveProgress();
    } else if (controls_YouDiedHit[2] != 0) {
        game_SaveProgress();
        game_StateMachine->SetStateAndPhase(ScreenState_Menu, ScreenPhase_Entering);
    }
}

void UpdatePause(c_Player *player) {
    bool alive = player && player->m_alive != 0;
    if (world_Running == 0) {
        bool resumedByRow = false;
        if (controls_PauseHit[0] != 0) {
            game_StateMachine->SetStateAndPhase(ScreenState_Shop, ScreenPhase_Entering);
        } else if (controls_PauseHit[1] != 0) {
            world_Running = 1;
            resumedByRow = true;
            if (controls_ButtonHit[0] != 0 && alive) world_Running = 0;
        } else if (controls_PauseHit[2] != 0) {
            game_SaveProgress();
            game_StateMachine->SetStateAndPhase(ScreenState_Menu, ScreenPhase_Entering);
        }
        if (!resumedByRow && controls_ButtonHit[1] != 0) world_Running = 1;
    } else if (controls_ButtonHit[0] != 0 && alive) {
        world_Running = 0;
    }
}

}  // namespace

int32_t controls_RowTop(int32_t cy, int32_t row) {
    static const int32_t offsets[3] = {-29, -6, 17};
    return cy + offsets[row];
}

// ---------------------------------------------------------------------------
// The groups.

void c_ControlsDPad::Update() {
    if (world_SteeringOn == 0) {
        controls_SteerAngle = 0;
        controls_Throttle = 0;
        return;
    }
    int dx = KeyHeld(kKeyD) - KeyHeld(kKeyA);
    int dy = KeyHeld(kKeyS) - KeyHeld(kKeyW);
    // Screen directions (y down) turned by -45 degrees into the iso world.
    float angle = std::fmod(sea_Atan2Deg(static_cast<float>(dy), static_cast<float>(dx)) + 315.0f, 360.0f);
    controls_SteerAngle = angle;
    controls_Throttle = static_cast<float>(std::min(1, std::abs(dx) + std::abs(dy)));
}

int32_t c_ControlsItems::Left(int32_t i) {
    float centre = static_cast<float>(controls_ItemBarX + (i - 1) * controls_ItemSize);
    return static_cast<int32_t>(centre - static_cast<float>(controls_ItemSize) * 0.5f);
}

int32_t c_ControlsItems::Top() {
    return static_cast<int32_t>(static_cast<float>(controls_ItemBarY) - static_cast<float>(controls_ItemHalf) * 0.5f);
}

void c_ControlsItems::Update() {
    float top = static_cast<float>(Top());
    for (int i = 0; i < 3; ++i) {
        int32_t left = Left(i);
        bool pressed = PointerIn(static_cast<float>(left), static_cast<float>(left + controls_ItemSize), top) ||
                       KeyHeld(ItemKeyTable[i]) != 0;
        Press(controls_ItemHit, controls_ItemDown, i, pressed);
    }
}

void c_ControlsItems::Layout() {
    int32_t w = screen_Width, h = screen_Height;
    controls_ItemBarX = static_cast<int32_t>(static_cast<float>(w) * 0.5f);
    controls_ItemSize = static_cast<int32_t>(static_cast<float>(w) / 240.0f * 36.0f);
    controls_ItemHalf = static_cast<int32_t>(static_cast<float>(controls_ItemSize) * 0.5f);
    controls_ItemBarY = static_cast<int32_t>(static_cast<float>(h) - static_cast<float>(controls_ItemHalf) * 0.5f);
}

void c_ControlsButtons::Update() {
    float left = static_cast<float>(controls_ButtonsX - kButtonHalfWidth);
    float right = static_cast<float>(controls_ButtonsX + kButtonHalfWidth);
    // Pause and resume share one place; the confirm button's area reaches
    // from above it down to it, so a press on pause or resume is theirs
    // alone and confirms nothing.
    const bool onToggle = PointerIn(left, right, static_cast<float>(controls_ButtonsY - 6));
    for (int i = 0; i < 3; ++i) {
        bool onButton = onToggle;
        if (i == 2) onButton = !onToggle && PointerIn(left, right, static_cast<float>(controls_ButtonsY - 28));
        bool pressed = onButton || KeyHeld(ButtonKeyTable[i]) != 0;
        Press(controls_ButtonHit, controls_ButtonDown, i, pressed);
    }
}

void c_ControlsButtons::Layout() {
    controls_ButtonsX = screen_Width - 14;
    controls_ButtonsY = screen_Height - 8;
}

void c_HudPause::Update() {
    for (int i = 0; i < 3; ++i)
        Press(controls_PauseHit, controls_PauseDown, i, PointerInRow(controls_PauseX, controls_PauseY, i));
}

void c_HudPause::Layout() {
    controls_PauseX = screen_Width / 2;
    controls_PauseY = screen_Height / 2;
}

void c_HudYouDied::Update() {
    for (int i = 0; i < 3; ++i)
        Press(controls_YouDiedHit, controls_YouDiedDown, i, PointerInRow(controls_YouDiedX, controls_YouDiedY, i));
}

void c_HudYouDied::Layout() {
    controls_YouDiedX = screen_Width / 2;
    controls_YouDiedY = screen_Height / 2;
}

// ---------------------------------------------------------------------------
// Applying them.

void game_UpdatePlayControls() {
    c_ControlsDPad::Update();
    c_ControlsItems::Update();
    c_ControlsButtons::Update();
    c_HudPause::Update();
    c_HudYouDied::Update();

    c_Player *player = world_Player;
    if (player) {
        if (player->m_alive != 0)
            UseItem(player);
        else
            UpdateDead(player);
    }

    UpdatePause(player);

    // Confirm while the text is still typing shows the rest at once; the
    // press does not also close the balloon. A paused game's balloon is
    // hidden under the pause menu and takes no confirm.
    if (c_GuiBalloon *balloon = balloon_Current) {
        if (world_Running != 0 && balloon_TextDone == 0 && controls_ButtonHit[2] != 0) {
            balloon->Skip();
            controls_ButtonHit[2] = 0;
        }
    }
}
