// The shop, opened from the pause menu: two doors that slide in from the
// sides over the paused play screen, buy buttons for the four items in two
// columns, the inventory bar rising from the bottom edge, and the back
// button that saves the progress and slides everything out again.
#pragma once

#include <cstdint>

#include "game/gm_menu.h"
#include "renderer/rd_image.h"
#include "runtime/rt_object.h"

class c_Canvas;

// A buy button: enabled while the coins reach its price, greyed (its
// disabled image, the price in grey) while they do not. The price, when it
// is not 0, is set right-aligned 5 pixels right of and below the centre in
// the canvas's font, one pixel lower while pressed.
class c_ShopButton : public c_GuiButton {
public:
    gc_ref<c_Image2> m_imageDisabled;
    int32_t m_price;
    int32_t m_enabled;

    c_ShopButton() : m_imageDisabled(), m_price(0), m_enabled(1) {}
    c_ShopButton *m_new(c_Image2 *img, c_Image2 *imgHover, c_Image2 *imgDisabled, int32_t w, int32_t h,
                        int32_t price);

    // Clicked in the update in which the left button goes down over it,
    // and only while enabled; a disabled button is never pressed.
    void Update() override;
    void Render(c_Canvas *canvas) override;

    void Mark() override;
};

// The holder of the shop's layout; no instance is made.
class c_Shop : public Object {
public:
    // The centre and the six buttons' places from the virtual screen size.
    static void Layout();
};

// The doors and the buttons (once, by OnCreate); their places come from
// c_Shop::Layout.
void game_LoadShop();
// In the shop state: the slide in and out, and while active the buttons,
// the purchases and the way back to the paused game.
void game_UpdateShop();
// In the shop state, any phase: the doors, the buttons and the inventory
// bar, in the tiny font.
void game_RenderShop(c_Canvas *canvas);

// The doors' offset from their closed place and the bar's drop at s, the
// share of the slide that is open (1 at the start of entering, 0 at its
// end; 0 at the start of leaving, 1 at its end).
int32_t game_ShopSlideOffset(float s);
int32_t game_ShopBarDrop(float s);
