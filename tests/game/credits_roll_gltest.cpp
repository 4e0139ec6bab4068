// The credits roll on a real GL context: black while it waits, then the
// shipped text moving up a pixel per scroll through the two targets, the
// title in its rows and the iceberg's logo in the band below its line,
// clear of the line above.
//
// With VELMORA_CREDITS_SHOT set to a path, the roll's frame with both the
// opening lines and the first logo in view is also written there as a PNG
// (from build/bin):
//   VELMORA_CREDITS_SHOT=/tmp/credits_shot.png ../../scripts/with-xvfb ./test_credits_roll
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "game/gm_app.h"
#include "game/gm_credits.h"
#include "game/gm_globals.h"
#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "tests/game/support/session.h"
#include "tests/support/frame_dump.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The window's RGBA rows, the top row first.
struct Picture {
    int w = 0, h = 0;
    Bytes px;
    const uint8_t *At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    bool Black(int x, int y) const { return At(x, y)[0] == 0 && At(x, y)[1] == 0 && At(x, y)[2] == 0; }
    bool White(int x, int y) const { return At(x, y)[0] == 255 && At(x, y)[1] == 255 && At(x, y)[2] == 255; }
};

Picture ReadWindow() {
    Picture p;
    p.w = app_CachedDeviceWidth;
    p.h = app_CachedDeviceHeight;
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl11.glFinish();
    Bytes raw(static_cast<size_t>(p.w) * p.h * 4);
    gl11.glReadPixels(0, 0, p.w, p.h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    p.px.resize(raw.size());
    const size_t row = static_cast<size_t>(p.w) * 4;
    for (int y = 0; y < p.h; ++y)
        std::copy_n(&raw[static_cast<size_t>(p.h - 1 - y) * row], row, &p.px[static_cast<size_t>(y) * row]);
    return p;
}

class CreditsGlTest : public WindowSessionTest {
protected:
    FrameDump frames;

    Picture Shot(const std::string &label) {
        session().Render();
        Picture p = ReadWindow();
        frames.Keep(label, p.px, p.w, p.h);
        return p;
    }

    bool In(int32_t phase) {
        return game_StateMachine->m_state == ScreenState_Credits && game_StateMachine->m_phase == phase;
    }

    bool StepUntil(const std::function<bool()> &done, int limit = 5000) {
        for (int i = 0; i < limit && !done(); ++i) session().Step(1, 100);
        return done();
    }
};

// Virtual rows (of the 240 x 135 screen at scale 4) holding any pixel
// that is not black, between columns x0 and x1; `white` counts only white.
std::vector<int> InkRows(const Picture &p, int x0, int x1, bool white) {
    std::vector<int> rows;
    for (int vy = 0; vy < 135; ++vy) {
        bool any = false;
        for (int vx = x0; vx < x1 && !any; ++vx) {
            const int x = vx * 4 + 1, y = vy * 4 + 1;
            any = white ? p.White(x, y) : !p.Black(x, y);
        }
        if (any) rows.push_back(vy);
    }
    return rows;
}

TEST_F(CreditsGlTest, RollShowsTheTextAndLogoInTheirRows) {
    Session &s = session();
    s.Start();
    ASSERT_GT(credits_Lines.get().Length(), 3);
    ASSERT_EQ(host_ToUtf8(credits_Lines.get()[0]), "{+}Velmora");
    ASSERT_EQ(host_ToUtf8(credits_Lines.get()[3]), "{QM}");
    game_StateMachine->m_nextState = ScreenState_Credits;
    game_StateMachine->m_nextPhase = ScreenPhase_Waiting;
    s.Step(2, 100);
    ASSERT_TRUE(In(ScreenPhase_Waiting));
    const Picture waiting = Shot("waiting");
    EXPECT_TRUE(InkRows(waiting, 0, 240, false).empty()) << "black while waiting";

    // The title (line 0, 12 rows) came in at scroll 1, the logo line
    // (line 3, after 12 + 8 + 8 rows) at scroll 29, centred 24 rows below
    // its top. Roll until the logo is well in view.
    ASSERT_TRUE(StepUntil([&] { return credits_ScrollCount >= 29 + 100; }));
    ASSERT_TRUE(In(ScreenPhase_Active));
    const Picture roll = Shot("roll");
    const int top = 135 - (credits_ScrollCount - 1);  // row of the title's top
    // The title in white, in the big font's rows (capitals from row 1 to 7).
    const std::vector<int> title = InkRows(roll, 90, 150, true);
    ASSERT_FALSE(title.empty());
    EXPECT_GE(title.front(), top);
    EXPECT_LE(title.front(), top + 2);
    // The logo: centred in the 48 rows of its line.
    const int logoTop = top + 28;
    const std::vector<int> logo = InkRows(roll, 56, 184, false);
    std::vector<int> inLogo;
    for (int r : logo)
        if (r >= logoTop && r < logoTop + 48) inLogo.push_back(r);
    ASSERT_FALSE(inLogo.empty());
    EXPECT_GE(inLogo.front(), logoTop + 2) << "the logo clears the line above it";
    EXPECT_LE(inLogo.back(), logoTop + 46);
    const int mid = (inLogo.front() + inLogo.back()) / 2;
    EXPECT_NEAR(mid, logoTop + 24, 2);
    // The rows between the third line and the logo stay black.
    for (int r = logoTop - 1; r < logoTop + 2; ++r)
        EXPECT_EQ(std::count(logo.begin(), logo.end(), r), 0) << "row " << r;

    if (const char *path = std::getenv("VELMORA_CREDITS_SHOT")) {
        EXPECT_NE(stbi_write_png(path, roll.w, roll.h, 4, roll.px.data(), roll.w * 4), 0) << path;
    }
}

}  // namespace
