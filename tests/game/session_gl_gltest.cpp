// The game-session harness with a real hidden GL window.
#include <gtest/gtest.h>

#include <cstdint>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_startup.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/renderer_fixture.h"

namespace {

class SessionWindowTest : public WindowSessionTest {};

// The app's frame reaches the window, and the renderer starts on the real
// context; a second window session in the same program does the same.
TEST_F(SessionWindowTest, RendersIntoTheWindowAndStartsTheRenderer) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) NewSession();
        Session &s = session();
        const int context = host_GLContextSeq;
        s.Start();
        EXPECT_EQ(host_GLContextSeq, context + 1);
        ASSERT_NE(s.Host().window, nullptr);
        EXPECT_EQ(app_CachedDeviceWidth, 960);
        s.Step(3);
        s.Suspend();
        s.Step(1);
        s.Resume();
        // Magenta in the back buffer, then a frame of the app's over it.
        gl11.glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        gl11.glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_EQ(s.ReadPixel(480, 270), 0xffff00ffu);
        s.Render();
        const uint32_t px = s.ReadPixel(480, 270);
        EXPECT_NE(px, 0xffff00ffu);
        EXPECT_EQ(px >> 24, 0xffu);

        gfx2_InitGlobals();
        gfx2_InitRenderer();
        EXPECT_NE(gfx2_DefaultFont.get(), nullptr);
        EXPECT_NE(gfx2_BumpShader.get(), nullptr);
        test_ClearRendererGlobals();
    }
}

}  // namespace
