// The HUD at the level of the window canvas's draw list (fake GL): which
// frames of its strips land where, the widths and colours of the top bar's
// bars, the texts' places; and the play screen's update as the frame driver
// runs it (controls under the menu's wipe, infos expiring while paused).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_hud.h"
#include "game/gm_sea.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_image.h"
#include "tests/game/support/session.h"

namespace {

// One quad of the list: its rectangle, packed colour and material.
struct Quad {
    float x0, y0, x1, y1;
    uint32_t color;
    c_Material *material;
    float w() const { return x1 - x0; }
    float h() const { return y1 - y0; }
};

std::vector<Quad> Quads(c_DrawList *list) {
    std::vector<Quad> out;
    int vertex = 0;
    for (int i = 0; i < list->m_ops->length; ++i) {
        c_DrawOp *op = list->m_ops->data[i];
        for (int k = 0; k + 3 < op->m_count; k += op->m_order) {
            gfx2_Vertex v[4];
            for (int j = 0; j < 4; ++j)
                std::memcpy(&v[j], list->m_vertexData->data + 28 * (vertex + k + j), sizeof v[j]);
            out.push_back({v[0].x, v[0].y, v[2].x, v[2].y, v[0].color, op->m_material});
        }
        vertex += op->m_count;
    }
    return out;
}

uint32_t Packed(float r, float g, float b) { return gfx2_PackColor(r, g, b, 255); }

// What the HUD drew, read back as frames of the test's strips ("name:frame"
// with the frame's drawing position) and texts (glyph quads of a font).
struct Drawn {
    std::string what;
    float x, y;
    bool operator==(const Drawn &o) const { return what == o.what && x == o.x && y == o.y; }
};
std::ostream &operator<<(std::ostream &os, const Drawn &d) { return os << d.what << "@(" << d.x << "," << d.y << ")"; }

class HudTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
        c_Game::StartWorld(GameMode_Campaign);
        canvas = game_MainCanvas;
        canvas->Flush();
        canvas->SetMatrix(1, 0, 0, 1, 0, 0);
        canvas->SetFont(game_TinyFont);
        // Strips of distinct frames, so each quad says which frame it is.
        hud_ItemsStrip = Strip("items", 9, 36, 18);
        hud_ButtonsStrip = Strip("buttons", 4, 24, 12);
        hud_PauseButtonsStrip = Strip("pause", 4, 80, 13);
        hud_YouDiedButtonsStrip = Strip("died", 6, 80, 13);
        for (int i = 0; i < 3; ++i) {
            controls_ItemDown[i] = controls_ButtonDown[i] = controls_PauseDown[i] = controls_YouDiedDown[i] = 0;
        }
    }

    Array<c_Image2 *> Strip(const std::string &name, int frames, int w, int h) {
        Array<c_Image2 *> strip(frames);
        for (int i = 0; i < frames; ++i) {
            c_Image2 *image = gc_New<c_Image2>()->m_new(w, h, 0.5f, 0.5f, 0);
            image->SnapHandle();
            strip[i] = image;
            names[image->m_material.get()] = {name + ":" + std::to_string(i), image};
        }
        return strip;
    }

    // The frames and texts drawn since the last call, in order; a text is
    // "text" at its first glyph's top-left corner with its right edge in
    // `textRight` (a glyph that does not follow on from the previous one's
    // end, row and colour begins a new text), "rect" a plain rectangle.
    std::vector<Drawn> Take(std::vector<float> *textRight = nullptr, std::vector<uint32_t> *textColor = nullptr) {
        std::vector<Drawn> out;
        c_Material *glyphs = game_TinyFont->m_pages[0]->m_material;
        c_Material *bigGlyphs = game_Font->m_pages[0]->m_material;
        bool inText = false;
        Quad last{};
        for (const Quad &q : Quads(canvas)) {
            auto it = names.find(q.material);
            if (q.material == glyphs || q.material == bigGlyphs) {
                if (inText && (q.x0 != last.x1 || q.y0 != last.y0 || q.color != last.color)) inText = false;
                last = q;
                if (!inText) {
                    out.push_back({"text", q.x0, q.y0});
                    if (textRight) textRight->push_back(q.x1);
                    if (textColor) textColor->push_back(q.color);
                } else if (textRight) {
                    textRight->back() = q.x1;
                }
                inText = true;
                continue;
            }
            inText = false;
            if (it != names.end()) {
                c_Image2 *image = it->second.image;
                out.push_back({it->second.name, q.x0 - image->m_x0, q.y0 - image->m_y0});
            } else {
                out.push_back({"rect", q.x0, q.y0});
            }
        }
        canvas->Reset();
        return out;
    }

    struct Frame {
        std::string name;
        c_Image2 *image;
    };
    std::map<c_Material *, Frame> names;
    c_Canvas *canvas = nullptr;
};

// The health bar follows the hit points and the experience bar the XP,
// each of w - 80 = 160 pixels; XP past the need (it keeps counting at the
// last level) fills the bar and no more.
TEST_F(HudTest, TopBarWidthsFollowHitPointsAndExperience) {
    struct Row {
        int hp, maxHp, xp, needed;
        float hpWidth, xpWidth;
    } rows[] = {
        {10, 10, 0, 50, 160, 0}, {0, 10, 25, 50, 0, 80},     {5, 10, 50, 50, 80, 160},
        {3, 7, 1, 3, 68, 53},    {10, 10, 900, 50, 160, 160}, {10, 10, 2147483647, 1, 160, 160},
    };
    c_Player *player = world_Player;
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "hp " << r.hp << "/" << r.maxHp << " xp " << r.xp << "/" << r.needed);
        player->m_hitPoints = r.hp;
        player->m_maxHitPoints = r.maxHp;
        player->m_xp = r.xp;
        player->m_xpNeeded = r.needed;
        game_DrawHudTopBar(canvas);
        std::vector<Quad> quads = Quads(canvas);
        const Quad *health = nullptr, *xp = nullptr;
        for (const Quad &q : quads) {
            if (q.color == Packed(0, 0.8f, 0)) health = &q;
            if (q.color == Packed(1, 0.6f, 0.6f)) xp = &q;
        }
        ASSERT_NE(health, nullptr);
        ASSERT_NE(xp, nullptr);
        EXPECT_EQ(health->x0, 40);
        EXPECT_EQ(health->y0, 3);
        EXPECT_EQ(health->h(), 5);
        EXPECT_EQ(health->w(), r.hpWidth);
        EXPECT_EQ(xp->x0, 40);
        EXPECT_EQ(xp->y0, 0);
        EXPECT_EQ(xp->h(), 2);
        EXPECT_EQ(xp->w(), r.xpWidth);
        EXPECT_LE(xp->x1, screen_Width - 40);
        canvas->Reset();
    }
    EXPECT_EQ(game_HudBarWidth(240, 5, 0), 0);
}

// Invulnerable, the health bar blinks white and gold: every 300 ms with
// more than 3000 ms left, every 150 ms after that.
TEST_F(HudTest, InvulnerableHealthBarBlinksFasterAtTheEnd) {
    const uint32_t white = Packed(1, 1, 1), gold = Packed(1, 0.85f, 0);
    struct Row {
        int left;
        uint32_t color;
    } rows[] = {{3500, white}, {3299, gold}, {3300, white}, {3001, gold}, {3000, gold},
                {2950, white}, {2849, gold}, {2100, gold}, {2000, white}, {1, gold}};
    c_Player *player = world_Player;
    player->m_invulnerable = 1;
    world_Clock = 10000;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.left);
        player->m_invulnerableUntil = world_Clock + r.left;
        game_DrawHudTopBar(canvas);
        bool found = false;
        for (const Quad &q : Quads(canvas))
            if (q.x0 == 40 && q.y0 == 3 && q.h() == 5) {
                EXPECT_EQ(q.color, r.color);
                found = true;
            }
        EXPECT_TRUE(found);
        canvas->Reset();
    }
}

// The top bar's texts: the coins right-aligned at the right edge in the
// current font, the level outlined at x 30 in game_Font (eight grey copies
// around one white), the font left at game_Font.
TEST_F(HudTest, TopBarTextsAndTheOutline) {
    progress_Coins = 1234;
    world_Player->SetLevel(7);
    game_DrawHudTopBar(canvas);
    c_Material *tiny = game_TinyFont->m_pages[0]->m_material;
    c_Material *big = game_Font->m_pages[0]->m_material;
    std::vector<Quad> coins, level;
    for (const Quad &q : Quads(canvas)) {
        if (q.material == tiny) coins.push_back(q);
        if (q.material == big) level.push_back(q);
    }
    ASSERT_EQ(coins.size(), 4u);
    EXPECT_EQ(coins.back().x1, screen_Width - 1);
    EXPECT_EQ(coins.front().y0, 1);
    ASSERT_EQ(level.size(), 9u);
    const float w = level[8].w();
    const float offsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(level[i].color, Packed(0.25f, 0.25f, 0.25f)) << i;
        EXPECT_EQ(level[i].x0, 30 - w / 2 + offsets[i][0]) << i;
        EXPECT_EQ(level[i].y0, offsets[i][1]) << i;
    }
    EXPECT_EQ(level[8].color, Packed(1, 1, 1));
    EXPECT_EQ(level[8].x0, 30 - w / 2);
    EXPECT_EQ(canvas->Font(), game_Font.get());
}

// The item bar at 240 x 135 (slots at x 84, 120, 156, y 126): an available
// item on its base one pixel up with its count right-aligned at x + 14, a
// held one flat, an empty one in its empty look without a count; dead,
// only the middle slot with the revive, and only once the melt is done.
TEST_F(HudTest, ItemBarShowsCountsPressesAndTheReviveWhenDead) {
    progress_Healings = 2;
    progress_BigHealings = 0;
    progress_Invulnerabilities = 1;
    controls_ItemDown[2] = 1;
    std::vector<float> right;
    game_DrawHudItems(canvas, 1, 0);
    std::vector<Drawn> expected = {{"items:8", 84, 126}, {"items:4", 84, 125}, {"text", 0, 122},
                                   {"items:1", 120, 126}, {"items:6", 156, 126}, {"text", 0, 123}};
    std::vector<Drawn> got = Take(&right);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].what, expected[i].what) << i;
        if (got[i].what != "text") EXPECT_EQ(got[i], expected[i]) << i;
        else EXPECT_EQ(got[i].y, expected[i].y) << i;
    }
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0], 84 + 14);
    EXPECT_EQ(right[1], 156 + 14);

    // Dead: nothing while melting; then the revive in the middle.
    game_DrawHudItems(canvas, 0, 0);
    EXPECT_TRUE(Take().empty());
    progress_Revives = 0;
    game_DrawHudItems(canvas, 0, 1);
    EXPECT_EQ(Take(), (std::vector<Drawn>{{"items:3", 120, 126}}));
    progress_Revives = 3;
    controls_ItemDown[2] = 0;
    game_DrawHudItems(canvas, 0, 1);
    got = Take();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (Drawn{"items:8", 120, 126}));
    EXPECT_EQ(got[1], (Drawn{"items:7", 120, 125}));
    EXPECT_EQ(got[2].what, "text");
}

// On-screen buttons at (226, 127): pause while running, resume while
// paused, confirm 22 pixels higher while a balloon is open; held flat.
TEST_F(HudTest, HudButtonsFollowRunningAndTheBalloon) {
    game_DrawHudButtons(canvas, 1, 0);
    EXPECT_EQ(Take(), (std::vector<Drawn>{{"buttons:3", 226, 127}, {"buttons:0", 226, 126}}));
    controls_ButtonDown[1] = 1;
    game_DrawHudButtons(canvas, 0, 1);
    EXPECT_EQ(Take(), (std::vector<Drawn>{{"buttons:1", 226, 127}, {"buttons:3", 226, 105}, {"buttons:2", 226, 104}}));
    controls_ButtonDown[2] = 1;
    game_DrawHudButtons(canvas, 1, 1);
    EXPECT_EQ(Take(), (std::vector<Drawn>{{"buttons:3", 226, 127}, {"buttons:0", 226, 126}, {"buttons:2", 226, 105}}));
}

// The pause overlay: band and lines, the outlined title, three rows (held
// row flat); the you-died rows enabled by revives and by 6000 coins, the
// price grey on the disabled row and white on the enabled one.
TEST_F(HudTest, PauseAndYouDiedRows) {
    controls_PauseDown[1] = 1;
    game_DrawPause(canvas);
    std::vector<Drawn> got = Take();
    std::vector<Drawn> rows;
    for (const Drawn &d : got)
        if (d.what.rfind("pause:", 0) == 0) rows.push_back(d);
    EXPECT_EQ(rows, (std::vector<Drawn>{{"pause:3", 120, 44},
                                        {"pause:0", 120, 43},
                                        {"pause:1", 120, 67},
                                        {"pause:3", 120, 90},
                                        {"pause:2", 120, 89}}));
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[0], (Drawn{"rect", 0, 15}));
    EXPECT_EQ(canvas->Font(), game_TinyFont.get());

    struct Case {
        int revives, coins;
        std::vector<Drawn> rows;
        uint32_t priceColor;
        float priceRight, priceTop;
    } cases[] = {
        {0, 5999, {{"died:0", 120, 44}, {"died:1", 120, 67}, {"died:5", 120, 90}, {"died:4", 120, 89}},
         Packed(0.35f, 0.35f, 0.35f), 146, 63},
        {1, 6000,
         {{"died:5", 120, 44}, {"died:2", 120, 43}, {"died:5", 120, 67}, {"died:3", 120, 66}, {"died:5", 120, 90},
          {"died:4", 120, 89}},
         Packed(1, 1, 1), 146, 62},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.coins);
        progress_Revives = c.revives;
        progress_Coins = c.coins;
        game_DrawYouDied(canvas);
        std::vector<float> right;
        std::vector<uint32_t> colors;
        got = Take(&right, &colors);
        rows.clear();
        for (const Drawn &d : got)
            if (d.what.rfind("died:", 0) == 0) rows.push_back(d);
        EXPECT_EQ(rows, c.rows);
        // The texts: the title's nine copies, then the price.
        ASSERT_EQ(right.size(), 10u);
        EXPECT_EQ(colors.back(), c.priceColor);
        EXPECT_EQ(right.back(), c.priceRight);
        const Drawn *price = nullptr;
        for (const Drawn &d : got)
            if (d.what == "text") price = &d;
        ASSERT_NE(price, nullptr);
        EXPECT_EQ(price->y, c.priceTop);
    }
}

// An info rises 16 pixels over its life: at its start height when made, 8
// higher 1000 ms later; level-ups are outlined in game_Font and the font
// goes back to game_TinyFont.
TEST_F(HudTest, OverheadInfosRiseAndKeepTheFont) {
    world_Player->m_isoX = 10;
    world_Player->m_isoY = 40;
    world_CameraX = -100;
    world_CameraY = -50;
    game_Clock = 5000;
    c_HudOverheadInfo *info = gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_Healing, String(u"+1"));
    std::vector<float> right;
    std::vector<uint32_t> colors;
    game_DrawOverheadInfos(canvas);
    std::vector<Drawn> got = Take(&right, &colors);
    ASSERT_EQ(got.size(), 1u);
    const float startY = 40 - 20 + 50;
    EXPECT_EQ(got[0].y, startY);
    EXPECT_EQ(colors[0], Packed(0, 0.8f, 0));
    game_Clock = 6000;
    game_DrawOverheadInfo(info, canvas);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].y, startY - 8);

    c_HudOverheadInfo *levelUp = gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_LevelUp, String(u"+1"));
    game_DrawOverheadInfo(levelUp, canvas);
    colors.clear();
    got = Take(nullptr, &colors);
    EXPECT_EQ(got.size(), 9u);  // eight black copies around the white one
    EXPECT_EQ(colors[0], Packed(0, 0, 0));
    EXPECT_EQ(colors[8], Packed(1, 1, 1));
    EXPECT_EQ(canvas->Font(), game_TinyFont.get());
}

// The menu's bar: the four counts and the coins right-aligned 45 pixels
// apart, 9 pixels above the bottom plus the drop.
TEST_F(HudTest, InventoryBarCounts) {
    progress_Healings = 1;
    progress_BigHealings = 2;
    progress_Invulnerabilities = 3;
    progress_Revives = 4;
    progress_Coins = 5;
    std::vector<float> right;
    game_DrawInventoryBar(canvas, 20);
    std::vector<Drawn> got = Take(&right);
    ASSERT_EQ(right.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(right[i], 120 - 70 + 45 * i) << i;
        EXPECT_EQ(got[got.size() - 5 + i].y, 135 + 20 - 9) << i;
    }
}

// Without its images the HUD still draws its bars and texts.
TEST_F(HudTest, MissingImagesAreSkipped) {
    hud_ItemsStrip = Array<c_Image2 *>();
    hud_ButtonsStrip = Array<c_Image2 *>();
    hud_PauseButtonsStrip = Array<c_Image2 *>();
    hud_YouDiedButtonsStrip = Array<c_Image2 *>();
    hud_TagsImage = nullptr;
    hud_IconRevive = nullptr;
    progress_Healings = 1;
    game_DrawHudItems(canvas, 1, 0);
    game_DrawHudButtons(canvas, 1, 1);
    game_DrawHudTopBar(canvas);
    game_DrawPause(canvas);
    game_DrawYouDied(canvas);
    gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_ReviveIcon, String());
    game_DrawOverheadInfos(canvas);
    for (const Drawn &d : Take()) EXPECT_TRUE(d.what == "text" || d.what == "rect") << d;
}

// The frame driver's play update: under the menu's entering wipe the
// controls follow the input (nothing applies them); in play, paused, the
// world clock stands, the story and the controls still run and the infos
// expire after 2000 ms of game_Clock.
class PlayUpdateTest : public SessionTest {};

TEST_F(PlayUpdateTest, ControlsUnderTheWipeAndInfosExpireWhilePaused) {
    Session &s = session();
    s.Start();
    c_Game::StartWorld(GameMode_Campaign);
    world_SteeringOn = 1;
    game_StateMachine->m_nextState = ScreenState_Menu;
    game_StateMachine->m_nextPhase = ScreenPhase_Entering;
    s.Update();
    s.KeyDown(87);  // W
    s.KeyDown(49);  // 1
    s.Update();
    EXPECT_EQ(controls_SteerAngle, 225);
    EXPECT_EQ(controls_Throttle, 1);
    EXPECT_EQ(controls_ItemDown[0], 1);
    s.KeyUp(87);
    s.KeyUp(49);
    s.Update();
    EXPECT_EQ(controls_Throttle, 0);
    EXPECT_EQ(controls_ItemDown[0], 0);

    game_StateMachine->m_nextState = ScreenState_Play;
    game_StateMachine->m_nextPhase = ScreenPhase_Active;
    s.Update();
    world_Running = 0;
    const int worldClock = world_Clock;
    gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_Coins, String(u"50"));
    const int made = game_Clock;
    s.Update(1000);
    EXPECT_NE(hud_OverheadInfos[0], nullptr);
    s.Update(999);
    EXPECT_EQ(game_Clock - made, 1999);
    EXPECT_NE(hud_OverheadInfos[0], nullptr);
    s.Update(1);
    EXPECT_EQ(hud_OverheadInfos[0], nullptr);
    EXPECT_EQ(world_Clock, worldClock);
    // Escape resumes through the play controls, which run while paused.
    s.Press(27);
    EXPECT_EQ(world_Running, 1);
}

}  // namespace
