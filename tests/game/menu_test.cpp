// The main menu through a session: the image button's click rule, the mode
// buttons starting their world at the saved level and leading to play
// after the wipe, the exit button's save and end, the wipe's circles, and
// the thumbnails' size and fade by level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_menu.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_image.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/vertices.h"

namespace {

const char kSaved[] =
    R"({"cntbighealing":2,"cnthealing":3,"cntinvulnerability":1,"cntrevive":0,"coins":250,"lvlcampaign":7,"lvlopenworld":12})";

// One punched circle of the wipe: its box's corner and size, read back
// from the fan's vertices at 0 and 180 degrees.
struct Circle {
    float x, y, size;
    int blend;
    uint32_t color;
};

std::vector<Circle> Circles(c_Canvas *canvas) {
    const std::vector<gfx2_Vertex> v = Pending(canvas);
    std::vector<Circle> out;
    size_t at = 0;
    c_Stack5 *ops = canvas->m_ops;
    for (int i = 0; i < ops->length; ++i) {
        const c_DrawOp *op = ops->data[i];
        for (int k = 0; k < op->m_count / op->m_order; ++k, at += op->m_order) {
            const gfx2_Vertex &right = v[at], &left = v[at + op->m_order / 2];
            const float size = right.x - left.x;
            out.push_back({left.x, right.y - size / 2, size, op->m_blend, right.color});
        }
    }
    EXPECT_EQ(at, v.size());
    return out;
}

// A window pixel for a virtual point at the session's scale of 4.
double Win(double v) { return v * 4; }

class MenuTest : public SessionTest {
protected:
    Session &s() { return session(); }
    c_StateMachine *Machine() { return game_StateMachine; }
    // The next update enters `state` in `phase`.
    void Request(int state, int phase) {
        Machine()->m_nextState = state;
        Machine()->m_nextPhase = phase;
    }
    void ClickVirtual(double x, double y) { s().Click(Win(x), Win(y)); }
};

// ---------------------------------------------------------------------------
// c_GuiButton

// Outside every screen (state 0) nothing but the button reacts to the
// mouse. The campaign button of 94 x 26 at (60, 63) covers x 13 to 106 and
// y 50 to 75; the pointer is window pixels / 4.
TEST_F(MenuTest, ButtonClicksOnTheMouseDownInsideItsRectangle) {
    s().Start();
    Request(0, 0);
    s().Update();
    c_GuiButton *b = menu_CampaignButton;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_left, 13);
    EXPECT_EQ(b->m_right, 107);
    EXPECT_EQ(b->m_top, 50);
    EXPECT_EQ(b->m_bottom, 76);

    struct Case {
        double x, y;  // window pixels
        bool inside;
    };
    const Case cases[] = {
        {240, 252, true},   // centre
        {52, 252, true},    // left edge, x 13
        {51, 252, false},   // x 12.75
        {427, 252, true},   // x 106.75
        {428, 252, false},  // x 107, the right edge is outside
        {240, 200, true},   // top edge, y 50
        {240, 199, false},  // y 49.75
        {240, 303, true},   // y 75.75
        {240, 304, false},  // y 76, the bottom edge is outside
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        s().MoveMouse(c.x, c.y);
        s().MouseDown();
        s().Update();
        EXPECT_EQ(b->m_clicked, c.inside ? 1 : 0);
        EXPECT_EQ(b->m_pressed, c.inside ? 1 : 0);
        // Held: clicked only once, pressed while down.
        s().Update();
        EXPECT_EQ(b->m_clicked, 0);
        EXPECT_EQ(b->m_pressed, c.inside ? 1 : 0);
        s().MouseUp();
        s().Update();
        EXPECT_EQ(b->m_clicked, 0);
        EXPECT_EQ(b->m_pressed, 0);
    }
}

TEST_F(MenuTest, PressOutsideDraggedInOrOutAndBackDoesNothing) {
    s().Start();
    Request(0, 0);
    s().Update();
    c_GuiButton *b = menu_OpenWorldButton;  // x 133 to 226, y 50 to 75
    // Down beside the button, dragged over it, released there.
    s().MoveMouse(Win(130), Win(63));
    s().MouseDown();
    s().Update();
    s().MoveMouse(Win(180), Win(63));
    for (int i = 0; i < 3; ++i) {
        s().Update();
        EXPECT_EQ(b->m_clicked, 0);
        EXPECT_EQ(b->m_pressed, 0);
    }
    s().MouseUp();
    s().Update();
    EXPECT_EQ(b->m_clicked, 0);

    // Down on it, dragged off: no longer pressed, and not again on return.
    s().MouseDown();
    s().Update();
    EXPECT_EQ(b->m_clicked, 1);
    s().MoveMouse(Win(180), Win(90));
    s().Update();
    EXPECT_EQ(b->m_pressed, 0);
    s().MoveMouse(Win(180), Win(63));
    s().Update();
    EXPECT_EQ(b->m_pressed, 0);
    EXPECT_EQ(b->m_clicked, 0);
    s().MouseUp();
}

// The layout follows the screen: at 1000 x 540 the virtual screen is
// 250 x 135, centre (125, 67).
TEST_F(MenuTest, ButtonsAreLaidOutAroundTheScreenCentre) {
    s().Start();
    s().ResizeDevice(1000, 540);
    s().Step(1);
    ASSERT_EQ(screen_Width, 250);
    struct Case {
        c_GuiButton *button;
        int x, y;
    };
    for (const Case &c : {Case{menu_CampaignButton, 65, 63}, Case{menu_OpenWorldButton, 185, 63},
                          Case{menu_ExitButton, 125, 97}}) {
        EXPECT_EQ(c.button->m_x, c.x);
        EXPECT_EQ(c.button->m_y, c.y);
        EXPECT_EQ(c.button->m_left, c.x - 47);
        EXPECT_EQ(c.button->m_top, c.y - 13);
    }
    EXPECT_EQ(menu_ThumbLeftX, 65);
    EXPECT_EQ(menu_ThumbRightX, 185);
    EXPECT_EQ(menu_ThumbY, 28);
}

// ---------------------------------------------------------------------------
// The menu's flow.

// Each mode button starts its world with that mode's saved level at the
// click, and the wipe leads to play once 2000 ms have passed in it.
TEST_F(MenuTest, ModeButtonsStartTheirWorldAtTheSavedLevelAndLeadToPlay) {
    struct Case {
        const char *name;
        double x;
        int mode;
        int level;
    };
    for (const Case &c : {Case{"campaign", 60, 0, 7}, Case{"open world", 180, 1, 12}}) {
        SCOPED_TRACE(c.name);
        NewSession();
        s().WriteState(kSaved);
        s().Start();
        Request(ScreenState_Menu, ScreenPhase_Active);
        s().Step(3);
        ASSERT_TRUE(Machine()->Is(ScreenState_Menu, ScreenPhase_Active));
        world_Mode = 1 - c.mode;
        ClickVirtual(c.x, 63);
        ASSERT_NE(world_Player.get(), nullptr);
        EXPECT_EQ(world_Mode, c.mode);
        EXPECT_EQ(world_Player->m_level, c.level);
        EXPECT_EQ(world_Objects[0], world_Player.get());
        EXPECT_EQ(Machine()->m_nextPhase, ScreenPhase_Leaving);
        s().Step(1);
        ASSERT_TRUE(Machine()->Is(ScreenState_Menu, ScreenPhase_Leaving));
        const int leftAt = Machine()->m_phaseEntryTime;

        // Through the wipe (rendered every pass) to play.
        for (int i = 0; i < 200 && !Machine()->Is(ScreenState_Play, ScreenPhase_Active); ++i) {
            if (game_Clock - leftAt < 2000) {
                EXPECT_TRUE(Machine()->Is(ScreenState_Menu, ScreenPhase_Leaving));
            }
            s().Step(1);
        }
        ASSERT_TRUE(Machine()->Is(ScreenState_Play, ScreenPhase_Active));
        const int took = Machine()->m_phaseEntryTime - leftAt;
        EXPECT_GE(took, 2000);
        EXPECT_LE(took, 2000 + 2 * 33);
        // The game that the wipe revealed is the one that goes on.
        EXPECT_EQ(world_Mode, c.mode);
        EXPECT_EQ(world_Player->m_level, c.level);
    }
}

// Entering, the buttons are live but their clicks do nothing; after
// 2000 ms the menu is active and a click counts.
TEST_F(MenuTest, ClicksCountOnlyOnceTheEnteringWipeIsDone) {
    s().WriteState(kSaved);
    s().Start();
    c_Game::StartWorld(GameMode_Campaign);
    c_Player *player = world_Player;
    Request(ScreenState_Menu, ScreenPhase_Entering);
    s().Step(1);
    const int enteredAt = Machine()->m_phaseEntryTime;
    ClickVirtual(180, 63);
    EXPECT_EQ(menu_OpenWorldButton->m_clicked, 1);
    EXPECT_EQ(world_Player.get(), player);
    EXPECT_EQ(world_Mode, 0);
    for (int i = 0; i < 200 && !Machine()->Is(ScreenState_Menu, ScreenPhase_Active); ++i) s().Step(1);
    ASSERT_TRUE(Machine()->Is(ScreenState_Menu, ScreenPhase_Active));
    EXPECT_GE(Machine()->m_phaseEntryTime - enteredAt, 2000);
    EXPECT_LE(Machine()->m_phaseEntryTime - enteredAt, 2000 + 2 * 33);
    ClickVirtual(180, 63);
    EXPECT_NE(world_Player.get(), player);
    EXPECT_EQ(world_Mode, 1);
    EXPECT_EQ(Machine()->m_nextPhase, ScreenPhase_Leaving);
}

// The exit button writes the progress as it is in memory and ends with 0.
TEST_F(MenuTest, ExitButtonSavesAndEndsWithZero) {
    s().WriteState(kSaved);
    s().Start();
    Request(ScreenState_Menu, ScreenPhase_Active);
    s().Step(2);
    progress_Coins = 4321;
    progress_LevelOpenWorld = 3;
    ExitResult r = s().RunToExit([](Session &c) {
        c.Click(Win(120), Win(97));
        c.Step(5);
    });
    EXPECT_TRUE(r.exited) << r.output;
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(s().ReadState(),
              R"({"cntbighealing":2,"cnthealing":3,"cntinvulnerability":1,"cntrevive":0,"coins":4321,"lvlcampaign":7,"lvlopenworld":3})");
}

// ---------------------------------------------------------------------------
// The wipe.

// At 240 x 135 the grid has 24 columns and 13 rows (margins 0 and 2), so
// D = 13 / 4 + 24 + 2 = 29; the circle of cell (c, r) is centred at
// (10c - 0.5, 10r - 2.5) with a size of 2s + 1.
TEST_F(MenuTest, WipeCircleSizesAtItsStartMiddleAndEnd) {
    s().Start();
    ASSERT_EQ(menu_WipeColumns, 24);
    ASSERT_EQ(menu_WipeRows, 13);
    ASSERT_EQ(menu_WipeMarginY, 2);
    const int cells = 27 * 16;

    auto wipe = [](float t, int leaving) {
        c_Canvas *canvas = gc_New<c_Canvas>()->m_new();
        game_DrawMenuWipe(canvas, t, leaving);
        EXPECT_EQ(canvas->BlendMode(), 1);
        EXPECT_FLOAT_EQ(canvas->m_color[3], 1.0f);
        return Circles(canvas);
    };
    auto sizeAt = [](const std::vector<Circle> &circles, int c, int r) {
        for (const Circle &k : circles)
            if (std::lround(k.x + k.size / 2 + 0.5f) == 10 * c && std::lround(k.y + k.size / 2 + 2.5f) == 10 * r)
                return static_cast<int>(std::lround(k.size));
        return 0;
    };

    // Every circle replaces the pixels with transparent ones.
    for (const Circle &k : wipe(0.5f, 1)) {
        EXPECT_EQ(k.blend, 0);
        EXPECT_EQ(k.color, 0u);
    }

    // Leaving at t = 0: only the off-screen column -1 has holes, of one
    // pixel, in rows -1 to 3 (where r / 4 is 0).
    std::vector<Circle> start = wipe(0, 1);
    ASSERT_EQ(start.size(), 5u);
    for (const Circle &k : start) {
        EXPECT_FLOAT_EQ(k.size, 1);
        EXPECT_FLOAT_EQ(k.x, -11);
    }
    // Leaving at t = 1: every cell, none smaller than 17 (more than the
    // 14.1-pixel diagonal of a cell), so nothing of the menu is left.
    std::vector<Circle> end = wipe(1, 1);
    ASSERT_EQ(end.size(), static_cast<size_t>(cells));
    for (const Circle &k : end) EXPECT_GE(k.size, 17);
    // Entering runs backwards: all open at t = 0 (size 15 and up), none at 1.
    std::vector<Circle> open = wipe(0, 0);
    ASSERT_EQ(open.size(), static_cast<size_t>(cells));
    for (const Circle &k : open) EXPECT_GE(k.size, 15);
    EXPECT_TRUE(wipe(1, 0).empty());

    // Half-way the eased time is about 0.325: leaving, the top-left cell
    // has v = 0.65 (s 5) and cell (10, 0) v = 0.65 - 10 / 29 (s 2), while
    // the bottom-right is still closed; entering, the same cells have
    // 1 - v (s 2, 5 and 10).
    std::vector<Circle> half = wipe(0.5f, 1);
    EXPECT_EQ(sizeAt(half, 0, 0), 11);
    EXPECT_EQ(sizeAt(half, 10, 0), 5);
    EXPECT_EQ(sizeAt(half, 24, 13), 0);
    std::vector<Circle> halfIn = wipe(0.5f, 0);
    EXPECT_EQ(sizeAt(halfIn, 0, 0), 5);
    EXPECT_EQ(sizeAt(halfIn, 10, 0), 11);
    EXPECT_EQ(sizeAt(halfIn, 24, 13), 21);
}

// ---------------------------------------------------------------------------
// The thumbnails.

// Face 1 with its top at y - 24 + tier - band and the alpha of its tier;
// levels outside 1 to 20 are taken as the nearest end.
TEST_F(MenuTest, ThumbnailSizeAndFadeFollowTheLevel) {
    s().Start();
    struct Case {
        int level;
        float top;  // relative to y
        int alpha;  // of 255
    };
    const Case cases[] = {
        {20, -24, 250},     // tier 0: alpha 0.98
        {1, -24 + 13, 66},  // tier 18, band 5: alpha 0.26
        {10, -24 + 8, 148}, // tier 10, band 2: alpha 0.58
        {0, -24 + 13, 66},  // below the table: as level 1
        {-5, -24 + 13, 66},
        {21, -24, 250},     // above it: as level 20
        {1000, -24, 250},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.level);
        c_Canvas *canvas = gc_New<c_Canvas>()->m_new();
        game_DrawModeThumb(canvas, 60, 33, c.level);
        const std::vector<gfx2_Vertex> v = Pending(canvas);
        ASSERT_EQ(v.size(), 4u);
        EXPECT_FLOAT_EQ(std::min({v[0].y, v[1].y, v[2].y, v[3].y}), 33 + c.top);
        EXPECT_FLOAT_EQ((std::min({v[0].x, v[1].x, v[2].x, v[3].x}) + std::max({v[0].x, v[1].x, v[2].x, v[3].x})) / 2, 60);
        EXPECT_NEAR(static_cast<int>(v[0].color >> 24), c.alpha, 1);
        EXPECT_FLOAT_EQ(canvas->m_color[3], 1.0f);
        EXPECT_EQ(canvas->m_ops->data[0]->m_material.get(), world_IcebergFaces[1]->Material());
    }
}

// The menu draws under the leaving splash and in its own active phase, and
// nothing in play.
TEST_F(MenuTest, DrawsOnlyWhereTheStateShowsIt) {
    s().Start();
    c_Game::StartWorld(GameMode_Campaign);
    struct Case {
        int state, phase;
        bool drawn;
    };
    const Case cases[] = {{ScreenState_Splash, ScreenPhase_Leaving, true}, {ScreenState_Splash, ScreenPhase_Active, false},
                          {ScreenState_Menu, ScreenPhase_Active, true},    {ScreenState_Play, ScreenPhase_Active, false},
                          {ScreenState_Shop, ScreenPhase_Active, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << "/" << c.phase);
        Machine()->m_state = c.state;
        Machine()->m_phase = c.phase;
        c_Canvas *canvas = gc_New<c_Canvas>()->m_new();
        game_RenderMenu(canvas, 0);
        EXPECT_EQ(!canvas->IsEmpty(), c.drawn);
        // Into the wipe target it is always drawn.
        c_Canvas *target = gc_New<c_Canvas>()->m_new();
        game_RenderMenu(target, 1);
        EXPECT_FALSE(target->IsEmpty());
    }
}

}  // namespace
