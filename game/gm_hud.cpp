#include "game/gm_hud.h"

#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_controls.h"
#include "game/gm_float.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

// Texture flags of the HUD's images (nearest filtering under the game's
// image-flags mask).
constexpr int32_t kHudFlags = 3;

// Frames of the strips.
constexpr int32_t kItemBaseFrame = 8;
constexpr int32_t kItemAvailable = 4;  // added to the item for its available look
constexpr int32_t kButtonBaseFrame = 3;
constexpr int32_t kPauseRowBaseFrame = 3;
constexpr int32_t kYouDiedRowBaseFrame = 5;
constexpr int32_t kYouDiedEnabled = 2;  // added to the row for its enabled look

// The items of the bar's frames.
enum : int32_t { Item_Healing = 0, Item_BigHealing = 1, Item_Invulnerability = 2, Item_Revive = 3 };

const float kGrey = 0.35f;

Array<c_Image2 *> LoadStrip(const String &path, int32_t frames) {
    Array<c_Image2 *> strip = game_LoadFrames(path, frames, false, 0.5f, 0.5f, kHudFlags, nullptr);
    for (int i = 0; i < strip.Length(); ++i)
        if (c_Image2 *frame = strip[i]) frame->SnapHandle();
    return strip;
}

c_Image2 *LoadIcon(const String &path) {
    c_Image2 *icon = game_LoadImage(path, 0.5f, 0.5f, kHudFlags, nullptr);
    if (icon) icon->SnapHandle();
    return icon;
}

using game::F;

// A pressable frame: held, the face where it sits; not held, the base with
// the face one pixel above it.
void DrawPressable(c_Canvas *canvas, const Array<c_Image2 *> &strip, int32_t base, int32_t face, bool held, float x,
                   float y) {
    if (held) {
        game_DrawFrame(canvas, strip, face, x, y);
    } else {
        game_DrawFrame(canvas, strip, base, x, y);
        game_DrawFrame(canvas, strip, face, x, y - 1);
    }
}

// The band behind an overlay's title, with its lines, and the title.
void DrawOverlayTitle(c_Canvas *canvas, const String &title, int32_t cx, int32_t cy) {
    const float w = F(screen_Width);
    canvas->SetColor(0.5f, 0.5f, 0.5f);
    canvas->DrawRect(0, F(cy - 52), w, 15, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->SetColor(kGrey, kGrey, kGrey);
    canvas->DrawRect(0, F(cy - 52), w, 1, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->DrawRect(0, F(cy - 37), w, 1, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->SetColor(1, 1, 1);
    canvas->SetFont(game_Font);
    game_DrawTextOutlined(canvas, title, F(cx), F(cy - 50), 0, 0.5f);
    canvas->SetFont(game_TinyFont);
}

int32_t RowY(int32_t cy, int32_t row) { return cy - 23 + 23 * row; }

}  // namespace

// ---------------------------------------------------------------------------
// Loaders.

void game_LoadHudTagsImage() { hud_TagsImage = game_LoadImage(String(u"hud_tags.png"), 0, 0, kHudFlags, nullptr); }

void game_LoadHudItemsImage() { hud_ItemsStrip = LoadStrip(String(u"hud_items.png"), 9); }

void game_LoadHudButtonsImage() { hud_ButtonsStrip = LoadStrip(String(u"hud_buttons.png"), 4); }

void game_LoadHudPauseButtonsImage() { hud_PauseButtonsStrip = LoadStrip(String(u"hud_pausebuttons.png"), 4); }

void game_LoadHudYouDiedButtonsImage() {
    hud_YouDiedButtonsStrip = LoadStrip(String(u"hud_youdiedbuttons.png"), 6);
}

void game_LoadItemIcons() {
    hud_IconHeal = LoadIcon(String(u"icn_heal.png"));
    hud_IconBigHeal = LoadIcon(String(u"icn_bigheal.png"));
    hud_IconInvulnerability = LoadIcon(String(u"icn_invulnerability.png"));
    hud_IconRevive = LoadIcon(String(u"icn_revive.png"));
}

// ---------------------------------------------------------------------------
// Text.

void game_DrawTextOutlined(c_Canvas *canvas, const String &text, float x, float y, float grey, float align) {
    canvas->SetColor(grey, grey, grey);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) canvas->DrawText(text, x + F(dx), y + F(dy), align, 0);
    canvas->SetColor(1, 1, 1);
    canvas->DrawText(text, x, y, align, 0);
}

// ---------------------------------------------------------------------------
// Overhead infos.

void game_DrawOverheadInfo(c_HudOverheadInfo *info, c_Canvas *canvas) {
    const int32_t age = math_WrapAdd(info->m_time, -static_cast<int64_t>(game_Clock));  // <= 0 while it shows
    const float x = F(math_WrapAdd(info->m_x, -static_cast<int64_t>(world_CameraX)));
    const float y = F(math_WrapAdd(math_WrapAdd(info->m_y, -static_cast<int64_t>(world_CameraY)),
                                   static_cast<int32_t>(16.0f * F(age) / 2000.0f)));
    switch (info->m_kind) {
        case OverheadInfo_Experience:
            canvas->SetColor(1, 0.6f, 0.6f);
            canvas->DrawText(info->m_text, x, y, 0.5f, 0);
            break;
        case OverheadInfo_LevelUp:
            canvas->SetFont(game_Font);
            game_DrawTextOutlined(canvas, info->m_text, x, y, 0, 0.5f);
            canvas->SetFont(game_TinyFont);
            break;
        case OverheadInfo_Healing:
            canvas->SetColor(0, 0.8f, 0);
            canvas->DrawText(info->m_text, x, y, 0.5f, 0);
            break;
        case OverheadInfo_Coins:
            canvas->SetColor(1, 0.8f, 0);
            canvas->DrawText(info->m_text, x, y, 0.5f, 0);
            break;
        case OverheadInfo_HealIcon:
            game_DrawImage(canvas, hud_IconHeal, x, y);
            break;
        case OverheadInfo_BigHealIcon:
            game_DrawImage(canvas, hud_IconBigHeal, x, y);
            break;
        case OverheadInfo_InvulnerabilityIcon:
            game_DrawImage(canvas, hud_IconInvulnerability, x, y);
            break;
        case OverheadInfo_ReviveIcon:
            game_DrawImage(canvas, hud_IconRevive, x, y);
            break;
        default:
            break;
    }
    canvas->SetColor(1, 1, 1);
}

void game_DrawOverheadInfos(c_Canvas *canvas) {
    const Array<c_HudOverheadInfo *> &ring = hud_OverheadInfos.get();
    for (int i = 0; i < ring.Length(); ++i)
        if (c_HudOverheadInfo *info = ring[i]) game_DrawOverheadInfo(info, canvas);
}

// ---------------------------------------------------------------------------
// The item bar and the on-screen buttons.

void game_DrawHudItems(c_Canvas *canvas, int32_t alive, int32_t deathDone) {
    if (!alive && !deathDone) return;
    const int32_t counts[3] = {progress_Healings, progress_BigHealings, progress_Invulnerabilities};
    const Array<c_Image2 *> &strip = hud_ItemsStrip.get();
    for (int32_t i = 0; i < 3; ++i) {
        int32_t item = i, count = counts[i];
        if (!alive) {
            if (i != 1) continue;
            item = Item_Revive;
            count = progress_Revives;
        }
        const float x = F(controls_ItemBarX + (i - 1) * controls_ItemSize);
        const float y = F(controls_ItemBarY);
        if (count <= 0) {
            game_DrawFrame(canvas, strip, item, x, y);
            continue;
        }
        const bool held = controls_ItemDown.Length() > i && controls_ItemDown[i] != 0;
        DrawPressable(canvas, strip, kItemBaseFrame, item + kItemAvailable, held, x, y);
        canvas->DrawText(String(count), x + 14, held ? y - 3 : y - 4, 1, 0);
    }
}

void game_DrawHudButtons(c_Canvas *canvas, int32_t running, int32_t balloonOpen) {
    const float ax = F(controls_ButtonsX), ay = F(controls_ButtonsY);
    const Array<c_Image2 *> &strip = hud_ButtonsStrip.get();
    auto held = [](int32_t i) { return controls_ButtonDown.Length() > i && controls_ButtonDown[i] != 0; };
    const int32_t toggle = running ? 0 : 1;
    DrawPressable(canvas, strip, kButtonBaseFrame, toggle, held(toggle), ax, ay);
    if (balloonOpen) DrawPressable(canvas, strip, kButtonBaseFrame, 2, held(2), ax, ay - 22);
}

// ---------------------------------------------------------------------------
// The top bar.

int32_t game_HudBarWidth(int32_t screenWidth, int32_t value, int32_t full) {
    if (full < 1) return 0;
    const int64_t span = static_cast<int64_t>(screenWidth) - 80;
    if (span <= 0) return 0;
    const int64_t held = value < 0 ? 0 : (value > full ? full : value);
    return static_cast<int32_t>(span * held / full);
}

void game_DrawHudTopBar(c_Canvas *canvas) {
    const int32_t w = screen_Width;
    canvas->SetColor(kGrey, kGrey, kGrey);
    canvas->DrawRect(0, 2, F(w), 1, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->DrawRect(0, 8, F(w), 1, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);

    c_Player *player = world_Player;
    if (player) {
        // Green; while invulnerable blinking white and gold, twice as fast in
        // the last 3000 ms.
        canvas->SetColor(0, 0.8f, 0);
        if (player->m_invulnerable) {
            const int32_t left = math_WrapAdd(player->m_invulnerableUntil, -static_cast<int64_t>(world_Clock));
            const int32_t period = left > 3000 ? 600 : 300;
            int32_t phase = left % period;
            if (phase < 0) phase += period;
            if (phase > period / 2 - 1)
                canvas->SetColor(1, 1, 1);
            else
                canvas->SetColor(1, 0.85f, 0);
        }
        canvas->DrawRect(40, 3, F(game_HudBarWidth(w, player->m_hitPoints, player->m_maxHitPoints)), 5,
                         static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
        canvas->SetColor(1, 0.6f, 0.6f);
        canvas->DrawRect(40, 0, F(game_HudBarWidth(w, player->m_xp, player->m_xpNeeded)), 2,
                         static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    }

    canvas->SetColor(1, 1, 1);
    game_DrawImage(canvas, hud_TagsImage, -40, 0);
    game_DrawImage(canvas, hud_TagsImage, F(w - 40), 0);
    canvas->DrawText(String(progress_Coins), F(w - 1), 1, 1, 0);
    canvas->SetFont(game_Font);
    if (player) game_DrawTextOutlined(canvas, String(player->m_level), 30, 0, 0.25f, 0.5f);
}

// ---------------------------------------------------------------------------
// The overlays.

void game_DrawPause(c_Canvas *canvas) {
    const int32_t cx = controls_PauseX, cy = controls_PauseY;
    DrawOverlayTitle(canvas, String(u"Pause"), cx, cy);
    const Array<c_Image2 *> &strip = hud_PauseButtonsStrip.get();
    for (int32_t i = 0; i < 3; ++i) {
        const bool held = controls_PauseDown.Length() > i && controls_PauseDown[i] != 0;
        DrawPressable(canvas, strip, kPauseRowBaseFrame, i, held, F(cx), F(RowY(cy, i)));
    }
}

void game_DrawYouDied(c_Canvas *canvas) {
    const int32_t cx = controls_YouDiedX, cy = controls_YouDiedY;
    DrawOverlayTitle(canvas, String(u"You died."), cx, cy);
    const Array<c_Image2 *> &strip = hud_YouDiedButtonsStrip.get();
    const bool enabled[3] = {progress_Revives > 0, progress_Coins >= controls_RevivePrice, true};
    const String price(controls_RevivePrice);
    for (int32_t i = 0; i < 3; ++i) {
        const float x = F(cx), y = F(RowY(cy, i));
        if (!enabled[i]) {
            game_DrawFrame(canvas, strip, i, x, y);
            if (i == 1) {
                canvas->SetColor(kGrey, kGrey, kGrey);
                canvas->DrawText(price, x + 26, y - 4, 1, 0);
                canvas->SetColor(1, 1, 1);
            }
            continue;
        }
        const bool held = controls_YouDiedDown.Length() > i && controls_YouDiedDown[i] != 0;
        DrawPressable(canvas, strip, kYouDiedRowBaseFrame, i + kYouDiedEnabled, held, x, y);
        if (i == 1) canvas->DrawText(price, x + 26, held ? y - 4 : y - 5, 1, 0);
    }
}

// ---------------------------------------------------------------------------
// The menu's and the shop's bar.

void game_DrawInventoryBar(c_Canvas *canvas, int32_t drop) {
    const int32_t w = screen_Width, h = screen_Height, cx = w / 2;
    const float y = F(math_WrapAdd(h, drop));
    game_DrawImage(canvas, menu_Tag, F(cx), y);
    const int32_t values[5] = {progress_Healings, progress_BigHealings, progress_Invulnerabilities, progress_Revives,
                               progress_Coins};
    for (int32_t i = 0; i < 5; ++i) canvas->DrawText(String(values[i]), F(cx - 70 + 45 * i), y - 9, 1, 0);
}
