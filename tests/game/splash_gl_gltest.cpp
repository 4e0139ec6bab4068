// The splash on a real GL context: where the opening's text lines land and
// in which font, the shattered picture and the fall, and screenshots.
//
// With VELMORA_SPLASH_SHOTS set to a folder, the screenshot case writes the
// splash at 3 s (splash3_shot.png) and as it shatters (shatter_shot.png)
// there, and the fall's case the fall halfway over the menu
// (fall_shot.png) and the menu alone (menu_shot.png) (from build/bin):
//   VELMORA_SPLASH_SHOTS=/tmp ../../scripts/with-xvfb ./test_splash_gl --gtest_filter='*Screenshot*:*Fallen*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "game/gm_app.h"
#include "game/gm_globals.h"
#include "game/gm_splash.h"
#include "host/hx_app.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"
#include "tests/game/support/session.h"
#include "tests/support/frame_dump.h"

namespace {

struct Rgba {
    int r, g, b, a;
};

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    Rgba At(int x, int y) const {
        const uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    // The virtual pixel (x, y) at scale 4, from its centre.
    Rgba Virtual(int x, int y) const { return At(4 * x + 2, 4 * y + 2); }
};

Picture ReadWindow() {
    const int w = app_CachedDeviceWidth, h = app_CachedDeviceHeight;
    gl11.glFinish();
    std::vector<uint8_t> raw(static_cast<size_t>(w) * h * 4);
    gl11.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    Picture p;
    p.w = w;
    p.h = h;
    p.px.resize(raw.size());
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y) std::copy_n(&raw[static_cast<size_t>(h - 1 - y) * row], row, &p.px[y * row]);
    return p;
}

bool White(const Rgba &c) { return c.r > 240 && c.g > 240 && c.b > 240; }

// The alpha of every texel of the falling shards' target, row 0 (the top of
// its drawing) first.
std::vector<uint8_t> CrashTargetAlpha() {
    c_Texture *crash = splash_CrashTarget->Material()->ColorTexture();
    GLint previous = 0;
    gl11.glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, crash->GLFramebuffer());
    std::vector<uint8_t> texels(static_cast<size_t>(crash->width) * crash->height * 4);
    gl11.glReadPixels(0, 0, crash->width, crash->height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    std::vector<uint8_t> alpha(texels.size() / 4);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = texels[4 * i + 3];
    return alpha;
}

int Covered(const std::vector<uint8_t> &alpha) {
    return static_cast<int>(std::count_if(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 0; }));
}

bool WritePng(const std::string &path, const Picture &p) {
    return stbi_write_png(path.c_str(), p.w, p.h, 4, p.px.data(), p.w * 4) != 0;
}

class SplashGlTest : public WindowSessionTest {
protected:
    FrameDump frames;

    void SetUp() override {
        WindowSessionTest::SetUp();
        session().Start();
        session().Update();
    }
    Picture Keep(const std::string &label, Picture p) {
        frames.Keep(label, p.px, p.w, p.h);
        return p;
    }
    static void Enter(int32_t phase, int32_t t) {
        c_StateMachine *m = game_StateMachine;
        m->m_state = m->m_nextState = ScreenState_Splash;
        m->m_phase = m->m_nextPhase = phase;
        m->m_phaseEntryTime = game_Clock - t;
    }
};

// One line at y = h - 12, two at h - 22 and h - 12, centred, in the text
// font (6-pixel cells, an H 7 rows high) even when the canvas held the tiny
// one.
TEST_F(SplashGlTest, TextLinesSitAboveTheBottomInTheTextFont) {
    splash_Background = nullptr;  // only the text on black
    splash_Title = nullptr;
    splash_Credits = nullptr;
    splash_Ship = nullptr;
    splash_Iceberg = nullptr;
    struct Case {
        const char16_t *opening;
        int length;
        int top;  // the first text row
    };
    const Case cases[] = {{u"HHHHHHHHHH", 10, 123}, {u"HHHHHHHHHH\\HHHHHHHHHH", 21, 113}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.top);
        Array<String> openings(1);
        openings[0] = String(c.opening, c.length);
        splash_Openings = openings;
        progress_Exists = 0;
        c_SplashScreen::Reset();
        Enter(ScreenPhase_Entering, 7600);
        game_UpdateSplash();
        game_MainCanvas->SetFont(game_TinyFont);
        session().Render();
        const Picture p = Keep("lines", ReadWindow());
        int firstRow = 999, lastRow = -1, left = 999, right = -1;
        for (int y = 0; y < 135; ++y)
            for (int x = 0; x < 240; ++x)
                if (White(p.Virtual(x, y))) {
                    firstRow = std::min(firstRow, y);
                    lastRow = std::max(lastRow, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        // The glyphs' ink starts one row under the line's top.
        EXPECT_EQ(firstRow, c.top + 1);
        EXPECT_EQ(lastRow, 123 + 7);  // an H of the text font is 7 rows high
        EXPECT_EQ(right - left + 1, 10 * 6 - 1);
        EXPECT_NEAR((left + right + 1) / 2.0, 120, 1);
    }
}

// At 3 s and while it falls; the shattered picture is the animation's last
// frame with the shards' edges over it.
TEST_F(SplashGlTest, SplashAndShatterScreenshots) {
    Session &s = session();
    c_StateMachine *m = game_StateMachine;
    progress_Exists = 0;
    c_SplashScreen::Reset();
    while (m->Is(ScreenState_Splash, ScreenPhase_Waiting)) s.Step(1);
    while (m->TimeInPhase() < 3000) s.Step(1);
    s.Render();
    const Picture at3 = Keep("at3", ReadWindow());
    int black = 0;
    for (int y = 0; y < 135; ++y)
        for (int x = 0; x < 240; ++x) {
            const Rgba c = at3.Virtual(x, y);
            black += c.r == 0 && c.g == 0 && c.b == 0;
        }
    EXPECT_EQ(black, 0) << "the background covers the screen";

    while (m->Is(ScreenState_Splash, ScreenPhase_Entering)) s.Step(1);
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Active));
    s.Step(2);
    s.Render();
    const Picture active = Keep("active", ReadWindow());
    s.Click(480, 270);
    s.Update();
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Leaving));
    while (m->TimeInPhase() < 500) s.Step(1);
    s.Render();
    const Picture shatter = Keep("shatter", ReadWindow());
    // Some shards have left their places, some not yet.
    int same = 0, moved = 0;
    for (int y = 0; y < 135; y += 3)
        for (int x = 0; x < 240; x += 3) {
            const Rgba a = active.Virtual(x, y), b = shatter.Virtual(x, y);
            (a.r == b.r && a.g == b.g && a.b == b.b ? same : moved)++;
        }
    EXPECT_GT(same, 100);
    EXPECT_GT(moved, 100);
    // Once every shard has fallen the target is clear, so the menu shows.
    game_DrawSplashCrashShards(1.0f);
    EXPECT_EQ(Covered(CrashTargetAlpha()), 0);
    if (const char *dir = std::getenv("VELMORA_SPLASH_SHOTS")) {
        const std::string d(dir);
        EXPECT_TRUE(WritePng(d + "/splash3_shot.png", at3));
        EXPECT_TRUE(WritePng(d + "/shatter_shot.png", shatter));
        EXPECT_TRUE(WritePng(d + "/active_shot.png", active));
    }
}

// Halfway through the fall the window is the menu wherever the shards have
// left the target: the target is cleared to opaque black and then made
// transparent again, every texel, before the shards are drawn.
TEST_F(SplashGlTest, MenuShowsWhereTheShardsHaveFallenFrom) {
    Session &s = session();
    c_StateMachine *m = game_StateMachine;
    Enter(ScreenPhase_Entering, 8000);
    s.Update();  // the finished picture
    ASSERT_EQ(m->m_nextPhase, ScreenPhase_Active);
    game_DrawSplashCrashShards(0.0f);
    EXPECT_EQ(Covered(CrashTargetAlpha()), 240 * 135) << "the unfallen shards cover the whole target";
    game_DrawSplashCrashShards(1.0f);
    EXPECT_EQ(Covered(CrashTargetAlpha()), 0) << "texels of the clear are left";

    Enter(ScreenPhase_Leaving, 1000);
    s.Render();
    const Picture fall = Keep("fall", ReadWindow());
    const std::vector<uint8_t> alpha = CrashTargetAlpha();
    const int covered = Covered(alpha);
    EXPECT_GT(covered, 240 * 135 / 10);
    EXPECT_LT(covered, 240 * 135 * 9 / 10);

    m->m_state = m->m_nextState = ScreenState_Menu;
    m->m_phase = m->m_nextPhase = ScreenPhase_Active;
    s.Render();
    const Picture menu = Keep("menu", ReadWindow());

    // Virtual pixels whose texel and its neighbours are all clear.
    int uncovered = 0, hidden = 0;
    for (int y = 1; y < 134; ++y)
        for (int x = 1; x < 239; ++x) {
            bool clear = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) clear = clear && alpha[(y + dy) * 240 + x + dx] == 0;
            if (!clear) continue;
            ++uncovered;
            const Rgba a = fall.Virtual(x, y), b = menu.Virtual(x, y);
            hidden += a.r != b.r || a.g != b.g || a.b != b.b;
        }
    EXPECT_GT(uncovered, 240 * 135 / 10);
    EXPECT_EQ(hidden, 0) << "of " << uncovered << " pixels the shards have left, these do not show the menu";
    if (const char *dir = std::getenv("VELMORA_SPLASH_SHOTS")) {
        const std::string d(dir);
        EXPECT_TRUE(WritePng(d + "/fall_shot.png", fall));
        EXPECT_TRUE(WritePng(d + "/menu_shot.png", menu));
    }
}

}  // namespace
