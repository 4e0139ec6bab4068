// The play screen in a real GL window: the health bar's green follows the
// hit points pixel for pixel, and a running campaign with a balloon open,
// the pause overlay and the you-died overlay are drawn (their pictures are
// written to the test temp dir as velmora_playui_*.png for looking at).
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "tests/game/support/session.h"

namespace {

constexpr int kW = 960, kH = 540, kScale = 4;
constexpr uint32_t kGreen = 0xff00cc00u;  // (0, 0.8, 0)

class PlayUiTest : public WindowSessionTest {
protected:
    // A started campaign in play, active, after one update.
    void StartCampaign(const std::string &state) {
        Session &s = session();
        s.WriteState(state);
        s.Start();
        c_Game::StartWorld(GameMode_Campaign);
        game_StateMachine->m_nextState = ScreenState_Play;
        game_StateMachine->m_nextPhase = ScreenPhase_Active;
        s.Step(1);
        ASSERT_TRUE(game_StateMachine->Is(ScreenState_Play, ScreenPhase_Active));
    }

    // Steps (33 ms each) until `done`, at most `passes`; false when it never held.
    bool StepUntil(const std::function<bool()> &done, int passes) {
        for (int i = 0; i < passes; ++i) {
            if (done()) return true;
            session().Step(1);
        }
        return done();
    }

    // The frame Render() left in the back buffer, top row first, RGBA.
    std::vector<uint8_t> Frame() {
        std::vector<uint8_t> rows(static_cast<size_t>(kW) * kH * 4);
        gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        gl11.glFinish();
        gl11.glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl11.glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        std::vector<uint8_t> top(rows.size());
        for (int y = 0; y < kH; ++y)
            std::copy_n(rows.begin() + static_cast<ptrdiff_t>(kH - 1 - y) * kW * 4, kW * 4,
                        top.begin() + static_cast<ptrdiff_t>(y) * kW * 4);
        return top;
    }

    // Renders and writes the frame to velmora_playui_<name>.png in the test
    // temp dir.
    std::vector<uint8_t> Screenshot(const std::string &name) {
        session().Render();
        std::vector<uint8_t> px = Frame();
        const std::string path = ::testing::TempDir() + "velmora_playui_" + name + ".png";
        EXPECT_NE(stbi_write_png(path.c_str(), kW, kH, 4, px.data(), kW * 4), 0) << path;
        return px;
    }

    static uint32_t At(const std::vector<uint8_t> &px, int x, int y) {
        const uint8_t *p = &px[(static_cast<size_t>(y) * kW + x) * 4];
        return uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    }

    // The run of green on window row y: its first x and its length.
    static std::pair<int, int> GreenRun(const std::vector<uint8_t> &px, int y) {
        int first = -1, count = 0;
        for (int x = 0; x < kW; ++x)
            if (At(px, x, y) == kGreen) {
                if (first < 0) first = x;
                ++count;
            }
        return {first, count};
    }

    // The overlays' band: (0.5, 0.5, 0.5) across the screen behind the title.
    static bool IsBandGrey(uint32_t c) {
        const int r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
        return r == g && g == b && (r == 127 || r == 128);
    }
};

const char kStocked[] =
    R"({"cntbighealing":1,"cnthealing":3,"cntinvulnerability":2,"cntrevive":1,"coins":6543,"lvlcampaign":4})";

// The green of the health bar starts at virtual x 40 and is
// floor(160 x hit points / maximum) virtual pixels wide, at every scale-4
// pixel of the bar's rows.
TEST_F(PlayUiTest, HealthBarGreenFollowsHitPoints) {
    StartCampaign(kStocked);
    c_Player *player = world_Player;
    ASSERT_NE(player, nullptr);
    struct Row {
        int hp, max, width;
    } rows[] = {{10, 10, 160}, {7, 10, 112}, {3, 10, 48}, {1, 3, 53}, {0, 10, 0}};
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.hp << "/" << r.max);
        player->m_hitPoints = r.hp;
        player->m_maxHitPoints = r.max;
        session().Render();
        const std::vector<uint8_t> px = Frame();
        for (int y : {3 * kScale, 5 * kScale + 1, 8 * kScale - 1}) {
            const std::pair<int, int> run = GreenRun(px, y);
            EXPECT_EQ(run.second, r.width * kScale) << "row " << y;
            if (r.width > 0) {
                EXPECT_EQ(run.first, 40 * kScale) << "row " << y;
            }
        }
        // Nothing green above or below the bar.
        EXPECT_EQ(GreenRun(px, 3 * kScale - 1).second, 0);
        EXPECT_EQ(GreenRun(px, 8 * kScale).second, 0);
    }
}

// The campaign's first balloon typing out over the HUD, with a floating
// info or two; then the pause overlay (Escape); then the you-died overlay
// once the iceberg has melted.
TEST_F(PlayUiTest, CampaignBalloonPauseAndYouDiedScreens) {
    StartCampaign(kStocked);
    Session &s = session();
    ASSERT_TRUE(StepUntil([] { return balloon_Current.get() != nullptr; }, 600)) << "no balloon opened";
    const int openedAt = game_Clock;
    ASSERT_TRUE(StepUntil([&] { return game_Clock - openedAt >= 2500; }, 200));
    gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_Coins, String(u"50"));
    gc_New<c_HudOverheadInfo>()->m_new(OverheadInfo_HealIcon, String());
    s.Step(8);
    c_GuiBalloon *balloon = balloon_Current;
    ASSERT_NE(balloon, nullptr);
    std::vector<uint8_t> px = Screenshot("campaign");
    // The balloon's body is drawn where the balloon lies.
    int lit = 0;
    for (int y = balloon->m_top; y < balloon->m_top + balloon->m_height; ++y)
        for (int x = balloon->m_left; x < balloon->m_left + balloon->m_width; ++x)
            if ((At(px, x * kScale + 1, y * kScale + 1) & 0xffffffu) != 0) ++lit;
    EXPECT_GT(lit, balloon->m_width * balloon->m_height / 2);
    EXPECT_EQ(GreenRun(px, 5 * kScale).second, 160 * kScale);

    // Escape pauses: the band behind "Pause" at its left end.
    s.KeyDown(27);
    s.Step(4);
    s.KeyUp(27);
    s.Step(1);
    ASSERT_EQ(world_Running, 0);
    px = Screenshot("pause");
    EXPECT_TRUE(IsBandGrey(At(px, 2, (controls_PauseY - 45) * kScale))) << std::hex << At(px, 2, 88);
    s.KeyDown(27);
    s.Step(4);
    s.KeyUp(27);
    s.Step(1);
    ASSERT_EQ(world_Running, 1);

    // The melt: the you-died overlay once the death is done.
    world_Player->TakeDamage(world_Player->m_maxHitPoints);
    ASSERT_TRUE(StepUntil([] { return world_Player->m_fadeStep >= world_Player->m_stepCount - 1; }, 2000))
        << "the iceberg never melted";
    s.Step(2);
    px = Screenshot("youdied");
    EXPECT_TRUE(IsBandGrey(At(px, 2, (controls_YouDiedY - 45) * kScale)));
    EXPECT_EQ(GreenRun(px, 5 * kScale).second, 0);
}

}  // namespace
