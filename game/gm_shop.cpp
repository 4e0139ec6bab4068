#include "game/gm_shop.h"

#include "game/gm_app.h"
#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_float.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_screen.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"

#include "game/gm_hud.h"

namespace {

// Texture flags of the shop's images, under the game's image-flags mask.
constexpr int32_t kShopFlags = 3;
constexpr int32_t kBackgroundFrames = 2;
constexpr int32_t kButtonFrames = 16;
constexpr int32_t kButtonWidth = 80;
constexpr int32_t kButtonHeight = 32;
// Frames of "shop_buttons.png": item i disabled at i, enabled at i + 4,
// pressed at i + 10; the spare button at 8 and 14, back at 9 and 15.
constexpr int32_t kItems = 4;
constexpr int32_t kEnabledFrame = 4;
constexpr int32_t kPressedFrame = 10;
constexpr int32_t kSpare = 4;
constexpr int32_t kBack = 5;
constexpr int32_t kButtons = 6;
// The slide takes 2000 ms on the curve (0.6, 0, 1, 1); the bar is 14 rows.
constexpr int32_t kSlideMs = 2000;
constexpr int32_t kBarRows = 14;

using game::F;

float Ease(float x) { return game_BezierEaseClamped(0, 1, 0.6f, 0, 1, 1, x, 0.0001f); }

c_Image2 *Frame(int32_t i) { return game_StripFrame(shop_ButtonStrip.get(), i); }

c_ShopButton *Button(int32_t i) { return shop_Buttons[i]; }

// Snaps the handle of every frame of a strip onto a whole pixel.
Array<c_Image2 *> Snapped(const Array<c_Image2 *> &strip) {
    for (int i = 0; i < strip.Length(); ++i)
        if (c_Image2 *frame = strip[i]) frame->SnapHandle();
    return strip;
}

void SetSlide(float s) {
    shop_SlideOffset = game_ShopSlideOffset(s);
    shop_BarDrop = game_ShopBarDrop(s);
}

// The item counts the four buy buttons add to.
int32_t *ItemCount(int32_t i) {
    switch (i) {
        case 0:
            return &progress_Healings;
        case 1:
            return &progress_BigHealings;
        case 2:
            return &progress_Invulnerabilities;
        default:
            return &progress_Revives;
    }
}

// Buttons 0 to 3 can be bought when the coins reach their prices.
void EnableItems() {
    for (int32_t i = 0; i < kItems; ++i)
        if (c_ShopButton *b = Button(i)) b->m_enabled = progress_Coins >= b->m_price ? 1 : 0;
}

// While the doors slide the buttons take no input, but they are drawn: they
// show what can be bought and none of them is held.
void RefreshSlidingLooks() {
    EnableItems();
    for (int32_t i = 0; i < kButtons; ++i)
        if (c_ShopButton *b = Button(i)) b->m_pressed = 0;
}

void UpdateActive(c_StateMachine *machine) {
    EnableItems();
    for (int32_t i = 0; i < kButtons; ++i)
        if (c_ShopButton *b = Button(i)) b->Update();
    // At most one purchase per update; purchases are saved on the way out.
    for (int32_t i = 0; i < kItems; ++i) {
        c_ShopButton *b = Button(i);
        if (!b || !b->m_clicked) continue;
        int32_t *count = ItemCount(i);
        *count = game_SaturatingAdd(*count, 1);
        progress_Coins = game_SaturatingAdd(progress_Coins, -static_cast<int64_t>(b->m_price));
        return;
    }
    // The spare button does nothing.
    if (c_ShopButton *back = Button(kBack); back && back->m_clicked) {
        game_SaveProgress();
        machine->SetPhase(ScreenPhase_Leaving);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// c_ShopButton

c_ShopButton *c_ShopButton::m_new(c_Image2 *img, c_Image2 *imgHover, c_Image2 *imgDisabled, int32_t w, int32_t h,
                                  int32_t price) {
    c_GuiButton::m_new(img, imgHover, w, h);
    m_imageDisabled = imgDisabled;
    m_price = price;
    return this;
}

void c_ShopButton::Update() { TrackPointer(m_enabled != 0); }

void c_ShopButton::Render(c_Canvas *canvas) {
    const float x = F(m_x), y = F(m_y);
    if (m_enabled) {
        game_DrawImage(canvas, m_pressed ? m_imageHover.get() : m_image.get(), x, y);
        if (m_price != 0) canvas->DrawText(String(m_price), x + 5, y + 5 + F(m_pressed), 1, 0);
    } else {
        game_DrawImage(canvas, m_imageDisabled, x, y);
        canvas->SetColor(0.5f, 0.5f, 0.5f);
        if (m_price != 0) canvas->DrawText(String(m_price), x + 5, y + 5, 1, 0);
        canvas->SetColor(1, 1, 1);
    }
}

void c_ShopButton::Mark() {
    c_GuiButton::Mark();
    gc_Enqueue(m_imageDisabled);
}

// ---------------------------------------------------------------------------
// Loading and layout.

void game_LoadShop() {
    shop_Background = Snapped(game_LoadFrames(String(u"shop_bg.png"), kBackgroundFrames, false, 0, 0.5f, kShopFlags,
                                              nullptr));
    shop_ButtonStrip = Snapped(game_LoadFrames(String(u"shop_buttons.png"), kButtonFrames, false, 0.5f, 0.5f,
                                               kShopFlags, nullptr));
    for (int32_t i = 0; i < kButtons; ++i) {
        // The spare and back buttons (4 and 5) follow the items in the strip:
        // frames 8 and 9, pressed 14 and 15; they have no disabled look.
        const bool item = i < kItems;
        c_ShopButton *b =
            gc_New<c_ShopButton>()->m_new(Frame(i + kEnabledFrame), Frame(i + kPressedFrame), item ? Frame(i) : nullptr,
                                          kButtonWidth, kButtonHeight, item ? ShopPriceTable[i] : 0);
        shop_Buttons[i] = b;
    }
}

void c_Shop::Layout() {
    const int32_t cx = screen_Width / 2, cy = screen_Height / 2;
    shop_CentreX = cx;
    shop_CentreY = cy;
    const int32_t rows[3] = {cy - 46, cy - 7, cy + 32};
    for (int32_t i = 0; i < kButtons; ++i)
        if (c_ShopButton *b = Button(i)) b->SetPosition(i % 2 == 0 ? cx - 60 : cx + 60, rows[i / 2]);
}

// ---------------------------------------------------------------------------
// Update and drawing.

int32_t game_ShopSlideOffset(float s) {
    return static_cast<int32_t>(Ease(1.3f * s - 0.3f) * (0.5f * F(screen_Width)));
}

int32_t game_ShopBarDrop(float s) { return static_cast<int32_t>(F(kBarRows) * Ease(5.0f * s)); }

void game_UpdateShop() {
    c_StateMachine *machine = game_StateMachine;
    if (!machine || machine->m_state != ScreenState_Shop) return;
    if (machine->Is(ScreenState_Shop, ScreenPhase_Active)) {
        UpdateActive(machine);
    } else if (machine->Is(ScreenState_Shop, ScreenPhase_Entering)) {
        RefreshSlidingLooks();
        const float t = F(machine->TimeInPhase()) / F(kSlideMs);
        if (t >= 1) {
            shop_SlideOffset = 0;
            shop_BarDrop = 0;
            machine->SetPhase(ScreenPhase_Active);
        } else {
            SetSlide(1 - t);
        }
    } else if (machine->Is(ScreenState_Shop, ScreenPhase_Leaving)) {
        RefreshSlidingLooks();
        const float t = F(machine->TimeInPhase()) / F(kSlideMs);
        if (t >= 1) {
            shop_BarDrop = kBarRows;
            shop_SlideOffset = screen_Width;
            // Back to the paused game, active.
            machine->SetStateAndPhase(ScreenState_Play, ScreenPhase_Active);
        } else {
            SetSlide(t);
        }
    }
}

void game_RenderShop(c_Canvas *canvas) {
    c_StateMachine *machine = game_StateMachine;
    if (!machine || machine->m_state != ScreenState_Shop) return;
    // The prices are set in the tiny font whatever the canvas held before
    // (a new window canvas after a resize starts with the big one).
    canvas->SetFont(game_FontOrDefault(game_TinyFont));
    const float offset = F(shop_SlideOffset);
    canvas->PushMatrix();
    canvas->Translate(-offset, 0);
    game_DrawFrame(canvas, shop_Background, 0, F(shop_CentreX - 240), F(shop_CentreY));
    canvas->Translate(2 * offset, 0);
    game_DrawFrame(canvas, shop_Background, 1, F(shop_CentreX), F(shop_CentreY));
    // The translations add up: even buttons ride the left door, odd ones
    // the right door.
    for (int32_t i = 0; i < kButtons; ++i) {
        canvas->Translate(i % 2 == 0 ? -2 * offset : 2 * offset, 0);
        if (i == kSpare) continue;
        if (c_ShopButton *b = Button(i)) b->Render(canvas);
    }
    canvas->PopMatrix();
    game_DrawInventoryBar(canvas, shop_BarDrop);
}
