#include "game/gm_menu.h"

#include <algorithm>

#include "game/gm_app.h"
#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_float.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_screen.h"
#include "host/hx_app.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"

#include "game/gm_hud.h"

namespace {

// Texture flags of the menu's images (nearest filtering under the game's
// image-flags mask).
constexpr int32_t kMenuFlags = 3;
constexpr int32_t kButtonWidth = 94;
constexpr int32_t kButtonHeight = 26;
// Frames of "menu_buttons.png"; the pressed look of a button is its frame
// plus kPressed.
constexpr int32_t kCampaignFrame = 0;
constexpr int32_t kOpenWorldFrame = 1;
constexpr int32_t kExitFrame = 2;
constexpr int32_t kPressed = 3;
constexpr int32_t kButtonFrames = 6;
// The wipe runs 2000 ms on the curve (0.4, 0, 1, 1).
constexpr int32_t kWipeMs = 2000;
// The iceberg face that the thumbnails show.
constexpr int32_t kThumbFace = PlayerFace_MenuThumbnail;

using game::F;

c_Image2 *LoadSnapped(const String &path, float xh, float yh) {
    c_Image2 *image = game_LoadImage(path, xh, yh, kMenuFlags, nullptr);
    if (image) image->SnapHandle();
    return image;
}

c_Image2 *Frame(int32_t i) { return game_StripFrame(menu_ButtonStrip.get(), i); }

c_GuiButton *NewButton(int32_t frame) {
    return gc_New<c_GuiButton>()->m_new(Frame(frame), Frame(frame + kPressed), kButtonWidth, kButtonHeight);
}

void UpdateButton(c_GuiButton *button) {
    if (button) button->Update();
}

bool Clicked(c_GuiButton *button) { return button && button->m_clicked != 0; }

void RenderButton(c_GuiButton *button, c_Canvas *canvas) {
    if (button) button->Render(canvas);
}

// The menu itself, in virtual pixels.
void DrawMenu(c_Canvas *canvas) {
    const int32_t w = screen_Width, h = screen_Height;
    game_DrawImage(canvas, menu_Background, F(w / 2), F(h / 2));
    canvas->SetFont(game_FontOrDefault(game_TinyFont));
    game_DrawInventoryBar(canvas, 0);
    RenderButton(menu_CampaignButton, canvas);
    RenderButton(menu_OpenWorldButton, canvas);
    RenderButton(menu_ExitButton, canvas);
    game_DrawImage(canvas, menu_Frame, F(menu_ThumbLeftX), F(menu_ThumbY));
    game_DrawImage(canvas, menu_Frame, F(menu_ThumbRightX), F(menu_ThumbY));
    game_DrawModeThumb(canvas, menu_ThumbLeftX, menu_ThumbY + 5, progress_LevelCampaign);
    game_DrawModeThumb(canvas, menu_ThumbRightX, menu_ThumbY + 5, progress_LevelOpenWorld);
    canvas->SetFont(game_FontOrDefault(game_Font));
    game_DrawTextOutlined(canvas, String(progress_LevelCampaign), F(menu_ThumbLeftX - 15), F(menu_ThumbY + 6), 0, 0);
    game_DrawTextOutlined(canvas, String(progress_LevelOpenWorld), F(menu_ThumbRightX - 15), F(menu_ThumbY + 6), 0,
                          0);
}

}  // namespace

// ---------------------------------------------------------------------------
// c_GuiButton

c_GuiButton *c_GuiButton::m_new(c_Image2 *img, c_Image2 *imgHover, int32_t w, int32_t h) {
    m_image = img;
    m_imageHover = imgHover;
    m_width = w;
    m_height = h;
    return this;
}

void c_GuiButton::SetPosition(int32_t cx, int32_t cy) {
    m_x = cx;
    m_y = cy;
    m_left = cx - m_width / 2;
    m_right = m_left + m_width;
    m_top = cy - m_height / 2;
    m_bottom = m_top + m_height;
}

void c_GuiButton::Update() { TrackPointer(true); }

void c_GuiButton::TrackPointer(bool enabled) {
    m_clicked = 0;
    const float x = game_PointerX, y = game_PointerY;
    const bool inside = x >= F(m_left) && x < F(m_right) && y >= F(m_top) && y < F(m_bottom);
    if (!enabled || !game_PointerDown || !inside) {
        m_pressed = 0;
    } else if (game_PointerHit) {
        m_clicked = 1;
        m_pressed = 1;
    }
}

void c_GuiButton::Render(c_Canvas *canvas) {
    game_DrawImage(canvas, m_pressed ? m_imageHover.get() : m_image.get(), F(m_x), F(m_y));
}

void c_GuiButton::Mark() {
    gc_Enqueue(m_image);
    gc_Enqueue(m_imageHover);
}

// ---------------------------------------------------------------------------
// Loading and layout.

void game_LoadMenu() {
    ImageFlagsMask = 0;
    menu_Background = LoadSnapped(String(u"menu_bg.png"), 0.5f, 0.5f);
    menu_Tag = LoadSnapped(String(u"menu_tag.png"), 0.5f, 1.0f);
    menu_Frame = LoadSnapped(String(u"menu_frame.png"), 0.5f, 0.5f);
    Array<c_Image2 *> strip =
        game_LoadFrames(String(u"menu_buttons.png"), kButtonFrames, false, 0.5f, 0.5f, kMenuFlags, nullptr);
    for (int i = 0; i < strip.Length(); ++i)
        if (c_Image2 *frame = strip[i]) frame->SnapHandle();
    menu_ButtonStrip = strip;
    menu_CampaignButton = NewButton(kCampaignFrame);
    menu_OpenWorldButton = NewButton(kOpenWorldFrame);
    menu_ExitButton = NewButton(kExitFrame);
}

void game_LayoutMenuButtons(int32_t cx, int32_t cy) {
    if (c_GuiButton *b = menu_CampaignButton) b->SetPosition(cx - 60, cy - 4);
    if (c_GuiButton *b = menu_OpenWorldButton) b->SetPosition(cx + 60, cy - 4);
    if (c_GuiButton *b = menu_ExitButton) b->SetPosition(cx, cy + 30);
}

// ---------------------------------------------------------------------------
// Update.

void game_UpdateMenu() {
    UpdateButton(menu_CampaignButton);
    UpdateButton(menu_OpenWorldButton);
    UpdateButton(menu_ExitButton);

    c_StateMachine *machine = game_StateMachine;
    if (!machine || machine->m_state != ScreenState_Menu) return;
    if (machine->Is(ScreenState_Menu, ScreenPhase_Active)) {
        if (Clicked(menu_CampaignButton)) {
            c_Game::StartWorld(GameMode_Campaign);
            machine->SetPhase(ScreenPhase_Leaving);
        }
        if (Clicked(menu_OpenWorldButton)) {
            c_Game::StartWorld(GameMode_OpenWorld);
            machine->SetPhase(ScreenPhase_Leaving);
        }
        if (Clicked(menu_ExitButton)) {
            game_SaveProgress();
            app_EndApp();
        }
    } else if (machine->Is(ScreenState_Menu, ScreenPhase_Entering)) {
        if (machine->TimeInPhase() >= kWipeMs) machine->SetPhase(ScreenPhase_Active);
    } else if (machine->Is(ScreenState_Menu, ScreenPhase_Leaving)) {
        if (machine->TimeInPhase() >= kWipeMs) {
            machine->SetStateAndPhase(ScreenState_Play, ScreenPhase_Active);
        }
    }
}

// ---------------------------------------------------------------------------
// Drawing.

void game_RenderMenu(c_Canvas *canvas, int32_t intoTarget) {
    c_StateMachine *machine = game_StateMachine;
    if (!canvas || !machine) return;
    if (intoTarget == 1 || machine->Is(ScreenState_Menu, ScreenPhase_Active) ||
        machine->Is(ScreenState_Splash, ScreenPhase_Leaving)) {
        DrawMenu(canvas);
        return;
    }
    if (!machine->Is(ScreenState_Menu, ScreenPhase_Entering | ScreenPhase_Leaving)) return;
    c_Canvas *wipe = menu_WipeCanvas;
    if (!wipe) return;
    const float t = F(machine->TimeInPhase()) / F(kWipeMs);
    wipe->Clear(0, 0, 0, 1);
    game_RenderMenu(wipe, 1);
    game_DrawMenuWipe(wipe, t, machine->Is(ScreenState_Menu, ScreenPhase_Leaving) ? 1 : 0);
    wipe->Flush();
    game_DrawImage(canvas, menu_WipeImage, F(screen_Width / 2), F(screen_Height / 2));
}

void game_DrawMenuWipe(c_Canvas *canvas, float t, int32_t leaving) {
    const float e = game_BezierEaseClamped(0, 1, 0.4f, 0, 1, 1, t, 0.0001f);
    canvas->SetBlendMode(0);
    canvas->SetAlpha(0);
    const int32_t rows = menu_WipeRows, columns = menu_WipeColumns;
    const int32_t mx = menu_WipeMarginX, my = menu_WipeMarginY;
    const float d = F(rows / 4 + columns + 2);
    for (int32_t r = -1; r <= rows + 1; ++r) {
        for (int32_t c = -1; c <= columns + 1; ++c) {
            const float p = F(c + r / 4) / d;
            const float open = 2.0f * e - p;
            const float v = leaving ? open : 1.0f - open;
            if (!(v > 0)) continue;
            const int32_t s = static_cast<int32_t>(8.0f * v);
            const float size = F(2 * s + 1);
            canvas->DrawEllipse(F(10 * c - mx - s - 1), F(10 * r - my - s - 1), size, size);
        }
    }
    canvas->SetAlpha(1);
    canvas->SetBlendMode(1);
}

void game_DrawModeThumb(c_Canvas *canvas, int32_t x, int32_t y, int32_t level) {
    const Array<int32_t> &tiers = LevelTierTable.get();
    if (tiers.Length() == 0) return;
    const int32_t tier = tiers[std::clamp(level - 1, 0, tiers.Length() - 1)];
    int32_t band = 0;
    for (int32_t threshold : {4, 8, 11, 15, 18, 21, 24}) band += tier >= threshold ? 1 : 0;
    const float alpha = std::max(0.0f, 1.0f - F(2 * tier + 1) / 50.0f);
    c_Image2 *face = game_StripFrame(world_IcebergFaces.get(), kThumbFace);
    canvas->SetAlpha(alpha);
    game_DrawImage(canvas, face, F(x), F(y - 24 + tier - band));
    canvas->SetAlpha(1);
}
