// The play screen's heads-up display: the top bar (health, experience,
// level, coins), the item bar, the on-screen pause, resume and confirm
// buttons, the pause and you-died overlays, the infos floating over the
// iceberg, and the inventory bar of the menu and the shop.
//
// Everything draws into the given canvas in virtual pixels and leaves its
// colour white; the images come from the loaders below, and one that did
// not load is skipped (the rest of the HUD still draws).
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

class c_Canvas;
class c_HudOverheadInfo;

// The HUD's images, each through the game's asset loaders; frames and
// icons get their handles on whole pixels.
void game_LoadHudTagsImage();
void game_LoadHudItemsImage();
void game_LoadHudButtonsImage();
void game_LoadHudPauseButtonsImage();
void game_LoadHudYouDiedButtonsImage();
void game_LoadItemIcons();

// One floating info, risen by how long ago it was made.
void game_DrawOverheadInfo(c_HudOverheadInfo *info, c_Canvas *canvas);
// Every info of the ring, in slot order.
void game_DrawOverheadInfos(c_Canvas *canvas);
// The item bar: the three items while alive, only the revive once the
// death is done, nothing while dying.
void game_DrawHudItems(c_Canvas *canvas, int32_t alive, int32_t deathDone);
// Pause (running) or resume (paused), and confirm while a balloon is open.
void game_DrawHudButtons(c_Canvas *canvas, int32_t running, int32_t balloonOpen);
// Health, experience, the tags, coins and level. Leaves the canvas font at
// game_Font.
void game_DrawHudTopBar(c_Canvas *canvas);
// The overlays; both end with game_TinyFont.
void game_DrawPause(c_Canvas *canvas);
void game_DrawYouDied(c_Canvas *canvas);
// The item counts and coins on the menu's tag, `drop` pixels lower.
void game_DrawInventoryBar(c_Canvas *canvas, int32_t drop);
// Text with a one-pixel outline of grey (grey, grey, grey), horizontally
// aligned by `align`, top at y.
void game_DrawTextOutlined(c_Canvas *canvas, const String &text, float x, float y, float grey, float align);

// The bar widths of the top bar for a screen w wide: value / full of
// w - 80 pixels, rounded down. The value is held within 0 to full (the
// experience keeps counting at the last level); a full below 1 gives 0.
int32_t game_HudBarWidth(int32_t screenWidth, int32_t value, int32_t full);
