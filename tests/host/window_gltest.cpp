// End to end under a private X server: a program on the host opens its
// window, takes keys, suspends and resumes with the focus, and ends when
// its window is asked to close. The X server is this test program's own
// (the test runs under scripts/with-xvfb); one app window at a time. Every
// step waits for what it needs (a log line of the app, a window, a drawn
// pixel, an exit) rather than for a fixed time: the machine may be busy.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <stb/stb_image.h>

#include <GLFW/glfw3.h>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/platform/hx_platform.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/wait.h"
#include "tests/support/x_app.h"

namespace {

using namespace std::chrono_literals;
using namespace test_x;
using EndToEndTest = XAppTest;

TEST_F(EndToEndTest, WindowKeysFocusAndClose) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {});
    ASSERT_TRUE(app.WaitFor("create 9600540"));
    Window w = FindWindow("Velmora");
    ASSERT_NE(w, 0u);
    EXPECT_EQ(Shell("xdotool getwindowname " + std::to_string(w)), "Velmora");
    EXPECT_NE(Shell("xdotool getwindowgeometry " + std::to_string(w)).find("Geometry: 960x540"), std::string::npos);

    // Unfocused from the start: it never had the focus, so it keeps updating.
    ASSERT_TRUE(app.WaitFor("update", 3));
    EXPECT_EQ(app.Count("suspend"), 0);
    Focus(w);
    ASSERT_TRUE(app.WaitFor("focus seen"));
    PressKey("w");
    ASSERT_TRUE(app.WaitFor("hit87 1"));
    EXPECT_EQ(app.Count("hit87 1"), 1);

    // Focus away: suspended once, no updates; back: resumed, updates again.
    // While suspended the loop still draws when an event wakes it: the quiet
    // stretch lasts at least half a second and ten frames drawn while
    // suspended, so that both a timed update and one per pass would show.
    Window decoy = MakeDecoy();
    Focus(decoy);
    ASSERT_TRUE(app.WaitFor("suspend"));
    const int updatesWhileSuspended = app.Count("update");
    const auto quietFrom = std::chrono::steady_clock::now();
    EXPECT_TRUE(test_WaitUntil(
        "half a second and ten frames drawn while suspended",
        [&] {
            Wake(w);
            return app.Count("render suspended") >= 10 && std::chrono::steady_clock::now() - quietFrom >= 500ms;
        },
        test_WaitDeadline, 20ms))
        << app.Log();
    EXPECT_EQ(app.Count("update"), updatesWhileSuspended);
    EXPECT_EQ(app.Count("suspend"), 1);
    Focus(w);
    ASSERT_TRUE(app.WaitFor("resume"));
    EXPECT_EQ(app.CountBetween("update", "suspend", "resume"), 0) << app.Log();
    ASSERT_TRUE(app.WaitFor("update", updatesWhileSuspended + 3));

    // The close button: key 432 reaches OnClose, whose default ends with 0,
    // the audio device closed before OpenAL could report it on stderr.
    SendDeleteWindow(w);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(app.Count("close"), 1);
    EXPECT_EQ(ReadFile(app.out), "");
    EXPECT_EQ(ReadFile(app.err), "");
}

// A main loop that returns: host_MainBody closes the audio device itself
// (not only the exit handler after main), and the program ends quietly.
TEST_F(EndToEndTest, ReturningFromTheLoopClosesTheAudio) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {"VELMORA_TESTAPP_MODE=return"});
    ASSERT_TRUE(app.WaitFor("create 9600540"));
    Window w = FindWindow("Velmora");
    ASSERT_NE(w, 0u);
    SendDeleteWindow(w);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(app.Count("returned, audio open 0"), 1) << app.Log();
    EXPECT_EQ(ReadFile(app.out), "");
    EXPECT_EQ(ReadFile(app.err), "");
}

// An app that ends at its next update after a close request (as the game
// does, to save first) still ends when the request comes while suspended.
TEST_F(EndToEndTest, CloseWhileSuspendedStillEnds) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {"VELMORA_TESTAPP_MODE=deferclose"});
    ASSERT_TRUE(app.WaitFor("create 9600540"));
    Window w = FindWindow("Velmora");
    ASSERT_NE(w, 0u);
    Focus(w);
    ASSERT_TRUE(app.WaitFor("focus seen"));
    Focus(MakeDecoy());
    ASSERT_TRUE(app.WaitFor("suspend"));
    SendDeleteWindow(w);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(app.Count("close"), 1);
    EXPECT_EQ(app.Count("quit"), 1);
}

// A termination signal is a close request the main loop takes. A program
// stuck in its own code never takes it: the further signals of the next
// few seconds are the same request (Ctrl-C pressed again and again), and
// the first one after that ends the program at once with 128 + its number.
TEST_F(EndToEndTest, ASecondSignalEndsAHungProgramOnlyAfterAFewSeconds) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {"VELMORA_TESTAPP_MODE=hang"});
    ASSERT_TRUE(app.WaitFor("hung"));
    const auto first = std::chrono::steady_clock::now();
    kill(app.pid, SIGTERM);
    int status = 0;
    const bool ended = test_WaitUntil(
        "the hung program to end",
        [&] {
            kill(app.pid, SIGINT);
            return waitpid(app.pid, &status, WNOHANG) == app.pid;
        },
        test_WaitDeadline, 100ms);
    const auto lived = std::chrono::steady_clock::now() - first;
    ASSERT_TRUE(ended);
    app.pid = -1;
    EXPECT_GE(lived, std::chrono::milliseconds(platform_TerminationGraceMs));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    EXPECT_EQ(app.Count("close"), 0);
}

// Without the GL the renderer needs, the program says so and stops before
// anything draws.
TEST_F(EndToEndTest, TooOldGLIsRefused) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {"MESA_GL_VERSION_OVERRIDE=2.1"});
    EXPECT_EQ(app.Wait(), 1000 + SIGABRT);
    EXPECT_NE(ReadFile(app.out).find("OpenGL 3.0 or newer is needed"), std::string::npos) << ReadFile(app.out);
    EXPECT_EQ(app.Count("create 9600540"), 0);
}

TEST_F(EndToEndTest, NoDisplayAndUncaughtThrow) {
    Child noDisplay;
    noDisplay.Start(Folder() + "/velmora_testapp", {"DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_EQ(noDisplay.Wait(), 255);
    EXPECT_NE(ReadFile(noDisplay.out).find("glfwInit failed\n"), std::string::npos) << ReadFile(noDisplay.out);
    EXPECT_EQ(noDisplay.Log(), "");

    Child thrower;
    thrower.Start(Folder() + "/velmora_testapp", {"VELMORA_TESTAPP_MODE=throw"});
    EXPECT_EQ(thrower.Wait(), 255);
    EXPECT_NE(ReadFile(thrower.out).find("Zentrova Runtime Error : Uncaught Zentrova Exception\n"), std::string::npos)
        << ReadFile(thrower.out);
}

// Re-creating the window releases the keys held in the old one, raises the
// context counter and fetches the GL entry points again, and asks GLFW
// about real keys only.
struct KeyLog : HxGameDelegate {
    std::vector<std::pair<int, int>> keys;
    void KeyEvent(int event, int data) override { keys.push_back({event, data}); }
};
int g_glfwErrors = 0;

class WindowTest : public RuntimeTest {};

TEST_F(WindowTest, RecreatingReleasesHeldKeys) {
    glfwSetErrorCallback([](int, const char *) { ++g_glfwErrors; });
    ASSERT_TRUE(glfwInit());
    {
        HxZentrovaGame game;
        KeyLog *log = gc_New<KeyLog>();
        game.SetDelegate(log);
        game.StartGame();
        const int seq = host_GLContextSeq;
        game.SetDeviceWindow(320, 200, WindowFlag_Decorated);
        EXPECT_EQ(host_GLContextSeq, seq + 1);
        EXPECT_EQ(game.GetDeviceWidth(), 320);
        ASSERT_NE(game.window, nullptr);
        EXPECT_TRUE(gl_CheckRequiredEntryPoints());
        std::string id;
        ASSERT_TRUE(test_WaitUntil("the window to be listed", [&] {
            return !(id = Shell("xdotool search --name '^Velmora$' 2>/dev/null | head -n 1")).empty();
        }));
        // Asked again until it holds: a window not yet shown refuses the focus.
        ASSERT_TRUE(test_WaitUntil(
            "the window to have the focus",
            [&] {
                Shell("xdotool windowfocus " + id + " >/dev/null 2>&1");
                glfwPollEvents();
                return glfwGetWindowAttrib(game.window, GLFW_FOCUSED) != 0;
            },
            test_WaitDeadline, 20ms));
        Shell("xdotool keydown shift");
        EXPECT_TRUE(test_WaitUntil("the key press to arrive", [&] {
            glfwPollEvents();
            return !log->keys.empty();
        }));
        ASSERT_FALSE(log->keys.empty());
        EXPECT_EQ(log->keys.front(), std::make_pair(1, 16));
        log->keys.clear();
        gl_EntryPoints.glBindBuffer = nullptr;
        g_glfwErrors = 0;
        game.SetDeviceWindow(320, 200, WindowFlag_Decorated);
        Shell("xdotool keyup shift");
        EXPECT_EQ(log->keys, (std::vector<std::pair<int, int>>{{2, 16}}));
        EXPECT_EQ(host_GLContextSeq, seq + 2);
        EXPECT_NE(gl_EntryPoints.glBindBuffer, nullptr);
        EXPECT_EQ(g_glfwErrors, 0);
        glfwDestroyWindow(game.window);
        game.window = nullptr;
    }
    glfwTerminate();
}

}  // namespace
