// The main menu: three image buttons (campaign, open world, exit), above
// the two mode buttons a thumbnail of the iceberg at the level reached in
// that mode, the inventory bar at the bottom, and the wipe of punched
// circles that opens the menu into play and closes it over play again.
//
// c_GuiButton, the image button, lives here too; the shop's buttons extend
// it.
#pragma once

#include <cstdint>

#include "renderer/rd_image.h"
#include "runtime/rt_object.h"

class c_Canvas;

// An image button on the virtual screen. It is clicked in the update in
// which the left button goes down over it; a press that began elsewhere and
// is dragged over it does nothing. It shows its pressed image from that
// click while the left button stays down over it.
class c_GuiButton : public Object {
public:
    gc_ref<c_Image2> m_image;
    gc_ref<c_Image2> m_imageHover;  // drawn while pressed
    int32_t m_width;
    int32_t m_height;
    int32_t m_x;  // centre
    int32_t m_y;
    // The hit rectangle: left and top inside, right and bottom outside.
    int32_t m_left;
    int32_t m_top;
    int32_t m_right;
    int32_t m_bottom;
    int32_t m_clicked;  // 1 only in the update of the click
    int32_t m_pressed;

    c_GuiButton()
        : m_image(), m_imageHover(), m_width(0), m_height(0), m_x(0), m_y(0), m_left(0), m_top(0), m_right(0),
          m_bottom(0), m_clicked(0), m_pressed(0) {}
    c_GuiButton *m_new(c_Image2 *img, c_Image2 *imgHover, int32_t w, int32_t h);

    // Centres the button at (cx, cy) and sets its rectangle from there.
    void SetPosition(int32_t cx, int32_t cy);
    // Reads game_PointerX/Y, game_PointerDown and game_PointerHit.
    virtual void Update();
    // The hit test that every button's Update makes: m_clicked and
    // m_pressed from the pointer over the hit rectangle. A button that is
    // not `enabled` is neither clicked nor pressed.
    void TrackPointer(bool enabled);
    // The pressed image while pressed, else the image, at the centre.
    virtual void Render(c_Canvas *canvas);

    void Mark() override;
};

// The menu's images and buttons (called once, by OnCreate). The buttons'
// positions come from game_LayoutMenu.
void game_LoadMenu();
// Every update: the buttons, and in the menu state the clicks and the
// timing of the wipe.
void game_UpdateMenu();
// The menu as the state asks: drawn directly into `canvas` when intoTarget
// is 1, in the menu's active phase and under the leaving splash; through the
// wipe while the menu enters or leaves; otherwise nothing.
void game_RenderMenu(c_Canvas *canvas, int32_t intoTarget);
// The wipe's holes punched into `canvas` (the wipe canvas holding the
// menu) at t (time in phase / 2000): opening from the top left when
// leaving, closing back when entering. Leaves the canvas at alpha 1 and
// the alpha blend, not yet flushed.
void game_DrawMenuWipe(c_Canvas *canvas, float t, int32_t leaving);
// The iceberg's face at the size of `level`, its top 24 - tier + band
// above y, faded as the iceberg of that tier is. Levels outside 1 to 20 are
// taken as the nearest of them.
void game_DrawModeThumb(c_Canvas *canvas, int32_t x, int32_t y, int32_t level);
// Positions of the three buttons for the screen centre (cx, cy) (part of
// game_LayoutMenu).
void game_LayoutMenuButtons(int32_t cx, int32_t cy);
