// The splash through a session on the fake GL: the animation's values over
// the entering phase, the shard geometry and its random draws, the glitch
// tints, the choice of the opening and the phases with the pointer (where
// the text lines land is checked on pixels in splash_gltest).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_globals.h"
#include "game/gm_splash.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

// The language's generator, written out: seed * 1664525 + 1013904223, the
// top 24 bits as a fraction.
struct Lcg {
    uint32_t seed;
    float Next() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) * 5.9604645e-8f;
    }
};

class SplashTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
        session().Update();
    }

    // The splash in `phase`, `t` ms into it, as the next update sees it.
    static void Enter(int32_t phase, int32_t t) {
        c_StateMachine *m = game_StateMachine;
        m->m_state = m->m_nextState = ScreenState_Splash;
        m->m_phase = m->m_nextPhase = phase;
        m->m_phaseEntryTime = game_Clock - t;
    }
};

TEST_F(SplashTest, LayoutAtTheVirtualScreen) {
    EXPECT_EQ(screen_Width, 240);
    EXPECT_EQ(screen_Height, 135);
    EXPECT_EQ(splash_ShipStartY, 135);
    EXPECT_EQ(splash_ShipEndY, 48);
    EXPECT_EQ(splash_TitleY, 27);
    EXPECT_EQ(splash_ShipY, 135);  // reset puts the ship below the screen
    ASSERT_NE(splash_Target.get(), nullptr);
    ASSERT_NE(splash_CrashTarget.get(), nullptr);
}

// Credits open in the first second and shut in the second, the title opens
// from 2 s to 4 s, the ship rises fast at first from 1 s to 8 s, line 0
// slides in from 4 s to 6 s, line 1 from 5.5 s to 7.5 s.
TEST_F(SplashTest, EnteringAnimationAtItsSamplePoints) {
    struct Case {
        int t, ship, credits, title, x0, reveal0, x1, reveal1;
    };
    const Case cases[] = {
        {0, 135, 0, 0, -16, 0, -16, 0},        {999, 135, 179, 0, -16, 0, -16, 0},
        {1000, 135, 180, 0, -16, 0, -16, 0},   {2000, 93, 0, 0, -16, 0, -16, 0},
        {3000, 79, 0, 90, -16, 0, -16, 0},     {4000, 69, 0, 180, -16, 0, -16, 0},
        {4100, 68, 0, 180, -2, 0, -16, 0},     {5000, 61, 0, 180, 120, 120, -16, 0},
        {5500, 58, 0, 180, 188, 188, -16, 0},  {6250, 54, 0, 180, 256, 240, 86, 86},
        {7500, 49, 0, 180, 256, 240, 256, 240}, {8000, 48, 0, 180, 256, 240, 256, 240},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.t);
        Enter(ScreenPhase_Entering, c.t);
        game_UpdateSplash();
        EXPECT_EQ(splash_ShipY, c.ship);
        EXPECT_EQ(splash_CreditsReveal, c.credits);
        EXPECT_EQ(splash_TitleReveal, c.title);
        EXPECT_EQ(splash_LineX[0], c.x0);
        EXPECT_EQ(splash_LineReveal[0], c.reveal0);
        EXPECT_EQ(splash_LineX[1], c.x1);
        EXPECT_EQ(splash_LineReveal[1], c.reveal1);
        // Only the last frame asks for the active phase.
        EXPECT_EQ(game_StateMachine->m_nextPhase, c.t >= 8000 ? ScreenPhase_Active : ScreenPhase_Entering);
    }
}

TEST_F(SplashTest, ShardIndexLists) {
    struct Case {
        int ring, sector, n;
        int32_t p[4];
    };
    const Case cases[] = {
        {0, 0, 3, {0, 1, 2}},         {0, 7, 3, {0, 8, 1}},         {1, 0, 4, {1, 9, 10, 2}},
        {1, 7, 4, {8, 16, 9, 1}},     {2, 3, 4, {12, 20, 21, 13}},  {3, 0, 4, {17, 25, 26, 18}},
        {3, 7, 4, {24, 32, 25, 17}},
    };
    for (const Case &c : cases) {
        int32_t out[4] = {-1, -1, -1, -1};
        ASSERT_EQ(game_SplashShardIndices(c.ring, c.sector, out), c.n) << c.ring << "/" << c.sector;
        for (int i = 0; i < c.n; ++i) EXPECT_EQ(out[i], c.p[i]) << c.ring << "/" << c.sector << " #" << i;
    }
}

// The set-up's random numbers as its steps take them, every one of them:
// two per ring point (r1, r2: 3 x 8 x 2 = 48), then per sector the glitch
// depth and per ring the delay and the three tint draws r3, r4, r5 (8 x (1
// + 4 x 4) = 136), 184 in all whatever they come out as. The replay draws
// the 184 first and only then reads them by their places.
TEST_F(SplashTest, SetUpMakesItsDrawsInOrder) {
    constexpr int kDraws = 184;
    // A seed whose shards include tints with neither red nor green, whose
    // blue is forced: the third draw is made for those too.
    const uint32_t seed = 987654321u;
    Lcg rnd{seed};
    std::vector<float> r(kDraws);
    for (float &v : r) v = rnd.Next();
    random_Seed = seed;
    game_SetupSplashCrash();
    EXPECT_EQ(random_Seed, rnd.seed) << "the set-up made other than " << kDraws << " draws";

    const float w = 240, h = 135, R = 67.5f, pi = 3.14159265358979f;
    const Array<float> &pts = splash_ShardPoints.get();
    EXPECT_FLOAT_EQ(pts[0], 120.0f);
    EXPECT_FLOAT_EQ(pts[1], 56.5f);
    const float fractions[3] = {0.2f, 0.5f, 0.8f};
    for (int k = 0; k < 3; ++k)
        for (int s = 0; s < 8; ++s) {
            const int p = 1 + 8 * k + s;
            const float r1 = r[2 * (p - 1)], r2 = r[2 * (p - 1) + 1];
            const float dist = (r1 * 0.2f + 0.9f) * fractions[k] * R;
            const float a = (r2 * 20 - 10 + 45.0f * s) * pi / 180;
            EXPECT_NEAR(pts[2 * p], 120 + std::cos(a) * dist, 1e-3) << p;
            EXPECT_NEAR(pts[2 * p + 1], 61.5f + std::sin(a) * dist, 1e-3) << p;
        }
    const float border[8][2] = {{240, 67.5f}, {240, 135}, {120, 135}, {0, 135},
                                {0, 67.5f},   {0, 0},     {120, 0},   {240, 0}};
    for (int s = 0; s < 8; ++s) {
        EXPECT_FLOAT_EQ(pts[2 * (25 + s)], border[s][0]) << s;
        EXPECT_FLOAT_EQ(pts[2 * (25 + s) + 1], border[s][1]) << s;
    }
    for (int p = 0; p < 33; ++p) {
        EXPECT_NEAR(splash_ShardCoords[2 * p], pts[2 * p] / w, 1e-6);
        EXPECT_NEAR(splash_ShardCoords[2 * p + 1], pts[2 * p + 1] / h, 1e-6);
        // The glitch image's centre 240 x 135 covers the screen.
        EXPECT_NEAR(splash_GlitchCoords[2 * p], (pts[2 * p] + 120) / 480, 1e-6);
        EXPECT_NEAR(splash_GlitchCoords[2 * p + 1], (pts[2 * p + 1] + 67.5f) / 270, 1e-6);
    }

    int forcedBlue = 0;
    for (int s = 0; s < 8; ++s) {
        const int sector = 48 + 17 * s;
        EXPECT_EQ(splash_GlitchDepth[s], static_cast<int>(r[sector] * 3)) << s;
        for (int k = 1; k <= 4; ++k) {
            const int j = s + 8 * (k - 1);
            const float *d = &r[sector + 1 + 4 * (k - 1)];  // the delay, r3, r4, r5
            EXPECT_NEAR(splash_ShardDelay[j], std::sin((d[0] * 25 + 10 + 45.0f * s) * pi / 180) * k * 0.125f, 1e-5)
                << j;
            const bool c0 = d[1] > 0.5f, c1 = d[2] > 0.25f;
            const bool c2 = !(c0 || c1) || d[3] > 0.05f;
            forcedBlue += !(c0 || c1);
            EXPECT_EQ(splash_ShardColours[3 * j], c0 ? 1 : 0) << j;
            EXPECT_EQ(splash_ShardColours[3 * j + 1], c1 ? 1 : 0) << j;
            EXPECT_EQ(splash_ShardColours[3 * j + 2], c2 ? 1 : 0) << j;
        }
    }
    ASSERT_GT(forcedBlue, 0) << "pick a seed with a shard of neither red nor green";

    // What comes next draws on from there: the opening of the next reset.
    Array<String> openings(7);
    splash_Openings = openings;
    progress_Exists = 1;
    c_SplashScreen::Reset();
    EXPECT_EQ(splash_OpeningIndex, static_cast<int>(rnd.Next() * 7));
}

TEST_F(SplashTest, NoTintIsEverBlackAndTheTintsVary) {
    std::set<int> tints;
    int depthSeen[3] = {0, 0, 0};
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        random_Seed = seed * 2654435761u;
        game_SetupSplashCrash();
        for (int j = 0; j < 32; ++j) {
            const int tint = splash_ShardColours[3 * j] * 4 + splash_ShardColours[3 * j + 1] * 2 +
                             splash_ShardColours[3 * j + 2];
            ASSERT_NE(tint, 0) << "seed " << seed << " shard " << j;
            tints.insert(tint);
        }
        for (int s = 0; s < 8; ++s) {
            ASSERT_GE(splash_GlitchDepth[s], 0);
            ASSERT_LE(splash_GlitchDepth[s], 2);
            ++depthSeen[splash_GlitchDepth[s]];
        }
    }
    EXPECT_EQ(tints.size(), 7u);
    for (int d : depthSeen) EXPECT_GT(d, 0);
}

// Nothing has fallen at 0, everything is off the target at 1, and a shard
// only goes down as the fall goes on.
TEST_F(SplashTest, ShardsFallWithProgress) {
    for (int j = 0; j < 32; ++j) {
        EXPECT_EQ(game_SplashShardDrop(j, 0, 135), 0) << j;
        EXPECT_EQ(game_SplashShardDrop(j, 1, 135), 135) << j;
        int last = 0;
        for (float p = 0; p <= 1.0f; p += 0.05f) {
            const int d = game_SplashShardDrop(j, p, 135);
            EXPECT_GE(d, last) << j << " at " << p;
            last = d;
        }
    }
    // With no delay a shard starts at a quarter and lands at three quarters.
    splash_ShardDelay[5] = 0;
    EXPECT_EQ(game_SplashShardDrop(5, 0.25f, 135), 0);
    EXPECT_EQ(game_SplashShardDrop(5, 0.5f, 135), 33);  // (0.5)^2 of 135
    EXPECT_EQ(game_SplashShardDrop(5, 0.75f, 135), 135);
}

// What the fall hands to GL for one frame: the target cleared to opaque
// black, then a rectangle over all of it with the default material, drawn
// without blending in black at alpha 0 (the target transparent again),
// then the 32 shards in white with the finished picture, ring by ring,
// each dropped by its own fall.
TEST_F(SplashTest, FallingShardsClearTheTargetThenDropEachShard) {
    for (float progress : {0.0f, 0.4f}) {
        SCOPED_TRACE(progress);
        gfx2_BlendModeCache = -1;  // every blend mode change shows in the log
        FakeGl::ClearLog();
        game_DrawSplashCrashShards(progress);

        std::vector<std::string> calls;
        for (const std::string &line : FakeGl::Log())
            for (const char *name : {"glClearColor", "glBufferSubData", "glDisable(GL_BLEND", "glEnable(GL_BLEND",
                                     "glBlendFunc", "glDrawElements", "glDrawArrays"})
                if (line.rfind(name, 0) == 0) calls.push_back(line);
        const std::vector<std::string> expected = {
            "glClearColor(0, 0, 0, 1)",
            "glBufferSubData(GL_ARRAY_BUFFER, 0, " + std::to_string((4 + 8 * 3 + 24 * 4) * 28) + ", data)",
            "glDisable(GL_BLEND)",
            "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, " + std::to_string(gfx2_QuadIndexOffset(0)) + ")",
            "glEnable(GL_BLEND)",
            "glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA)",
            "glDrawArrays(GL_TRIANGLES, 4, 24)",
            "glDrawElements(GL_TRIANGLES, 144, GL_UNSIGNED_SHORT, " + std::to_string(gfx2_QuadIndexOffset(28)) + ")",
        };
        ASSERT_EQ(calls, expected);

        const std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_VertexBuffer);
        ASSERT_GE(bytes.size(), 124u * 28);
        auto vertex = [&](int k) {
            gfx2_Vertex v;
            std::memcpy(&v, bytes.data() + 28 * k, sizeof v);
            return v;
        };
        const float rect[4][4] = {{0, 0, 0, 0}, {240, 0, 1, 0}, {240, 135, 1, 1}, {0, 135, 0, 1}};
        for (int k = 0; k < 4; ++k) {
            const gfx2_Vertex v = vertex(k);
            EXPECT_EQ(v.x, rect[k][0]) << k;
            EXPECT_EQ(v.y, rect[k][1]) << k;
            EXPECT_EQ(v.s, rect[k][2]) << k;
            EXPECT_EQ(v.t, rect[k][3]) << k;
            EXPECT_EQ(v.color, 0u) << k;  // black at alpha 0, premultiplied
        }

        int k = 4, dropped = 0;
        for (int ring = 0; ring < 4; ++ring)
            for (int s = 0; s < 8; ++s) {
                const int j = 8 * ring + s, next = (s + 1) % 8;
                std::vector<int> points;
                if (ring == 0) {
                    points = {0, 1 + s, 1 + next};
                } else {
                    const int inner = 1 + 8 * (ring - 1), outer = 1 + 8 * ring;
                    points = {inner + s, outer + s, outer + next, inner + next};
                }
                const float e = 2 * progress + splash_ShardDelay[j] - 0.5f;
                const float f = e < 0 ? 0 : (e > 1 ? 1 : e * e);
                const float drop = std::max(static_cast<float>(static_cast<int>(f * 135)), 0.0f);
                dropped += drop > 0 && drop < 135;
                for (int p : points) {
                    const gfx2_Vertex v = vertex(k++);
                    EXPECT_EQ(v.x, splash_ShardPoints[2 * p]) << "shard " << j << " point " << p;
                    EXPECT_EQ(v.y, splash_ShardPoints[2 * p + 1] + drop) << "shard " << j << " point " << p;
                    EXPECT_EQ(v.s, splash_ShardCoords[2 * p]) << "shard " << j << " point " << p;
                    EXPECT_EQ(v.t, splash_ShardCoords[2 * p + 1]) << "shard " << j << " point " << p;
                    EXPECT_EQ(v.color, 0xFFFFFFFFu) << "shard " << j << " point " << p;
                }
            }
        EXPECT_EQ(dropped > 0, progress > 0) << "some shards are on their way down";
    }
}

TEST_F(SplashTest, FirstRunShowsTheFirstOpeningThenARandomOne) {
    Array<String> openings(4);
    openings[0] = String(u"first");
    openings[1] = String(u"a\\b");
    openings[2] = String(u"c");
    openings[3] = String(u"one\\two\\three");
    splash_Openings = openings;

    progress_Exists = 0;
    for (int i = 0; i < 5; ++i) {
        c_SplashScreen::Reset();
        EXPECT_EQ(splash_OpeningIndex, 0);
        ASSERT_EQ(splash_Lines->Length(), 1);
        EXPECT_EQ(splash_Lines[0], String(u"first"));
    }

    progress_Exists = 1;
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        Lcg rnd{random_Seed};
        c_SplashScreen::Reset();
        EXPECT_EQ(splash_OpeningIndex, static_cast<int>(rnd.Next() * 4));
        seen.insert(splash_OpeningIndex);
        const int lines = splash_Lines->Length();
        EXPECT_EQ(lines, splash_OpeningIndex == 0 || splash_OpeningIndex == 2 ? 1 : 2);
        if (splash_OpeningIndex == 3) {
            EXPECT_EQ(splash_Lines[0], String(u"one"));
            EXPECT_EQ(splash_Lines[1], String(u"two"));
        }
        EXPECT_EQ(splash_LineX[0], -16);
        EXPECT_EQ(splash_LineReveal[1], 0);
        EXPECT_EQ(splash_ShipY, 135);
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(SplashTest, OpeningsAreTrimmedLinesAndTooManyTextLinesAreNamed) {
    Array<String> o = game_ParseOpenings(String(u"\n  first\nsecond\\two\nthird\\3\\4\\5\n\n"));
    ASSERT_EQ(o.Length(), 3);
    EXPECT_EQ(o[0], String(u"first"));
    EXPECT_EQ(o[1], String(u"second\\two"));
    const std::string out = session().Output();
    EXPECT_NE(out.find("opening 3 has 4 text lines"), std::string::npos) << out;
    EXPECT_EQ(out.find("opening 2"), std::string::npos) << out;
    // The empty text is one empty opening of one empty line.
    Array<String> none = game_ParseOpenings(String());
    ASSERT_EQ(none.Length(), 1);
    EXPECT_TRUE(none[0].Empty());
    // The shipped file: the first opening is shown on a first run, every
    // opening fits the screen in the text font.
    const Array<String> &shipped = splash_Openings.get();
    ASSERT_GE(shipped.Length(), 3);
    for (int i = 0; i < shipped.Length(); ++i) {
        Array<String> lines = shipped[i].Split(String(u"\\"));
        EXPECT_LE(lines.Length(), 2) << i;
        for (int k = 0; k < lines.Length(); ++k) {
            EXPECT_LE(lines[k].Length(), 40) << i;
            for (int c = 0; c < lines[k].Length(); ++c) EXPECT_TRUE(lines[k][c] >= 32 && lines[k][c] <= 126) << i;
        }
    }
}

TEST_F(SplashTest, PhasesAndTheClick) {
    Session &s = session();
    c_StateMachine *m = game_StateMachine;
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Waiting));
    // A click while waiting does nothing.
    s.Click(480, 270);
    s.Update();
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Waiting));
    while (m->Is(ScreenState_Splash, ScreenPhase_Waiting)) s.Step(1);
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Entering));
    EXPECT_GE(m->TimeInPhase(), 0);
    // Nor while entering.
    s.Click(480, 270);
    s.Step(3);
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Entering));
    while (m->Is(ScreenState_Splash, ScreenPhase_Entering)) s.Step(1);
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Active));
    EXPECT_EQ(splash_ShipY, 48);
    // In the active phase a click starts the fall at the next update.
    s.Step(2);
    s.Click(480, 270);
    EXPECT_EQ(m->m_nextPhase, ScreenPhase_Leaving);
    s.Update();
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Leaving));
    const int leavingAt = game_Clock;
    while (m->Is(ScreenState_Splash, ScreenPhase_Leaving)) s.Step(1);
    EXPECT_TRUE(m->Is(ScreenState_Menu, ScreenPhase_Active));
    EXPECT_GE(game_Clock - leavingAt, 2000);
    EXPECT_LT(game_Clock - leavingAt, 2000 + 2 * 33);
}

// Without a click the picture holds for 2.5 s.
TEST_F(SplashTest, ActivePhaseEndsByItself) {
    Session &s = session();
    c_StateMachine *m = game_StateMachine;
    Enter(ScreenPhase_Entering, 8000);
    s.Update();
    s.Update();
    ASSERT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Active));
    const int since = game_Clock;
    while (m->Is(ScreenState_Splash, ScreenPhase_Active)) s.Step(1);
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Leaving));
    EXPECT_GE(game_Clock - since, 2500);
    EXPECT_LT(game_Clock - since, 2500 + 2 * 33);
}

}  // namespace
