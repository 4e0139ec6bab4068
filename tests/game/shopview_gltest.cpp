// The shop on a real GL context, over a paused campaign: closed, the doors
// cover the screen with the buttons and the bar on them; half-way in, the
// paused sea shows between the doors, which carry their buttons with them.
//
// With VELMORA_SHOP_SHOT set to a path, the closed shop is also written
// there as a PNG (from build/bin), and VELMORA_SHOP_SLIDE_SHOT likewise
// the shop half-way in:
//   VELMORA_SHOP_SHOT=/tmp/shop_shot.png ../../scripts/with-xvfb ./test_shopview
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <stb/stb_image_write.h>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "host/hx_app.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "tests/game/support/session.h"

namespace {

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // RGBA rows, the top row first
    uint32_t At(int x, int y) const {
        const uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
        return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
    // The pixel of virtual (x, y) at scale 4.
    uint32_t Virtual(int x, int y) const { return At(x * 4 + 1, y * 4 + 1); }
};

Picture ReadWindow() {
    const int w = app_CachedDeviceWidth, h = app_CachedDeviceHeight;
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl11.glFinish();
    Picture p;
    p.w = w;
    p.h = h;
    std::vector<uint8_t> raw(static_cast<size_t>(w) * h * 4);
    gl11.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    p.px.resize(raw.size());
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y) std::copy_n(&raw[static_cast<size_t>(h - 1 - y) * row], row, &p.px[y * row]);
    return p;
}

void Write(const char *variable, const Picture &p) {
    if (const char *path = std::getenv(variable)) {
        EXPECT_NE(stbi_write_png(path, p.w, p.h, 4, p.px.data(), p.w * 4), 0) << path;
    }
}

// Palette colours the checks look for (0xRRGGBB).
constexpr uint32_t kInk = 0x121622;
constexpr uint32_t kUiDark = 0x282c3a;
constexpr uint32_t kGold = 0xeec046;
constexpr uint32_t kUiGrey = 0x767e8c;
constexpr uint32_t kUiLight = 0xcaced6;

class ShopGlTest : public WindowSessionTest {};

TEST_F(ShopGlTest, ClosedAndHalfWayIn) {
    Session &s = session();
    s.WriteState(
        "{\"cntbighealing\":2,\"cnthealing\":3,\"cntinvulnerability\":1,\"cntrevive\":0,\"coins\":1500,"
        "\"lvlcampaign\":4,\"lvlopenworld\":1}");
    s.Start();
    c_Game::StartWorld(GameMode_Campaign);
    game_StateMachine->m_nextState = ScreenState_Play;
    game_StateMachine->m_nextPhase = ScreenPhase_Active;
    s.Step(30);
    world_Running = 0;
    s.Step(2);
    game_StateMachine->m_nextState = ScreenState_Shop;
    game_StateMachine->m_nextPhase = ScreenPhase_Entering;
    s.Step(1);

    // Half-way in (1000 ms): each door 13 pixels out, the sea between.
    s.Update(1000);
    s.Render();
    ASSERT_TRUE(game_StateMachine->Is(ScreenState_Shop, ScreenPhase_Entering));
    ASSERT_EQ(shop_SlideOffset, 13);
    const Picture slide = ReadWindow();
    Write("VELMORA_SHOP_SLIDE_SHOT", slide);
    // The doors' edges at cx - 13 and cx + 13: ink on the doors' side,
    // something else (the sea) just beyond.
    EXPECT_EQ(slide.Virtual(120 - 13 - 1, 67), kInk);
    EXPECT_EQ(slide.Virtual(120 + 13, 67), kInk);
    EXPECT_NE(slide.Virtual(120, 100), kInk);
    // The heal button rides the left door: its plain face right of the
    // coin (frame column 60, row 24), 13 pixels left.
    EXPECT_EQ(slide.Virtual(20 + 60 - 13, 5 + 24), kUiDark);
    // Its light rim's left column at x 20 - 13.
    EXPECT_EQ(slide.Virtual(20 - 13, 21), kUiLight);
    EXPECT_NE(slide.Virtual(20 - 13 - 1, 21), kUiLight);

    // Closed and active: the heal button (200) and the big heal (999) are
    // bought with 1500 coins, the shield (1999) is greyed.
    s.Step(40);
    ASSERT_TRUE(game_StateMachine->Is(ScreenState_Shop, ScreenPhase_Active));
    s.Render();
    const Picture shot = ReadWindow();
    Write("VELMORA_SHOP_SHOT", shot);
    EXPECT_EQ(shot.Virtual(119, 67), kInk);  // the seam
    EXPECT_EQ(shot.Virtual(120, 67), kInk);
    // The coins after the prices (frame columns 47 to 51, rows 23 to 27):
    // gold on the enabled heal button, grey on the shield.
    EXPECT_EQ(shot.Virtual(20 + 49, 5 + 25), kGold);
    EXPECT_EQ(shot.Virtual(20 + 49, 44 + 25), kUiGrey);
    // Some of the price's white ink at its place (heal: "200" right-aligned at x 65).
    int white = 0, grey = 0;
    for (int y = 21 + 5 + 1; y < 21 + 5 + 8; ++y)
        for (int x = 65 - 12; x < 65; ++x) white += shot.Virtual(x, y) == 0xffffff;
    for (int y = 60 + 5 + 1; y < 60 + 5 + 8; ++y)
        for (int x = 65 - 16; x < 65; ++x) {
            const uint32_t c = shot.Virtual(x, y);
            grey += c != kUiDark && ((c >> 16) & 0xff) < 0xc0 && ((c >> 16) & 0xff) > 0x40;
        }
    EXPECT_GT(white, 6);
    EXPECT_GT(grey, 6) << "the shield's price in grey";
}

}  // namespace
