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

namespace {

using namespace std::chrono_literals;

// How long a key stays down: long enough to land in an update of its own
// rather than with its release.
constexpr auto kKeyHold = 150ms;

std::string Folder() {
    std::string exe = platform_ExecutablePath();
    return exe.substr(0, exe.rfind('/'));
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Shell(const std::string &cmd) {
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// A program started with its own log and output files.
struct Child {
    pid_t pid = -1;
    std::string log, out;

    void Start(const std::string &program, const std::vector<std::string> &env) {
        static int serial = 0;
        std::string base = ::testing::TempDir() + "velmora_app_" + std::to_string(getpid()) + "_" + std::to_string(serial++);
        log = base + ".log";
        out = base + ".out";
        std::remove(log.c_str());
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("VELMORA_TESTAPP_LOG", log.c_str(), 1);
            setenv("ALSOFT_DRIVERS", "null", 1);
            for (const std::string &e : env) {
                size_t eq = e.find('=');
                if (eq == std::string::npos)
                    unsetenv(e.c_str());
                else
                    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
            }
            freopen(out.c_str(), "w", stdout);
            execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    std::string Log() const { return ReadFile(log); }
    int Count(const std::string &line) const {
        std::istringstream in(Log());
        int n = 0;
        for (std::string l; std::getline(in, l);) n += l == line;
        return n;
    }
    // How often `line` comes after the first `from` line and before the
    // first `to` line after it (or the end of the log).
    int CountBetween(const std::string &line, const std::string &from, const std::string &to) const {
        std::istringstream in(Log());
        int n = 0;
        bool inside = false;
        for (std::string l; std::getline(in, l);) {
            if (!inside) {
                inside = l == from;
            } else if (l == to) {
                break;
            } else {
                n += l == line;
            }
        }
        return n;
    }
    // Waits for `line` to appear in the log at least `times` times; on
    // failure the message shows the log.
    ::testing::AssertionResult WaitFor(const std::string &line, int times = 1) const {
        ::testing::AssertionResult held = test_WaitUntil(
            "log line \"" + line + "\" x" + std::to_string(times), [&] { return Count(line) >= times; });
        if (!held) held << "; the log:\n" << Log();
        return held;
    }
    // The exit status, or -1 when it did not end in time (then killed).
    int Wait() {
        int status = 0;
        const ::testing::AssertionResult ended =
            test_WaitUntil("the program's exit", [&] { return waitpid(pid, &status, WNOHANG) == pid; });
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            pid = -1;
            ADD_FAILURE() << ended.message();
            return -1;
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

class EndToEndTest : public ::testing::Test {
protected:
    Display *dpy = nullptr;
    void SetUp() override {
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr) << "no X display";
        // A held key must not repeat, however long a busy machine makes the
        // hold (the X server is this program's own).
        XAutoRepeatOff(dpy);
        XSync(dpy, False);
    }
    void TearDown() override {
        if (dpy) XCloseDisplay(dpy);
    }

    // The first window of that name, once there is one (0 when none came).
    Window FindWindow(const std::string &name) {
        std::string id;
        const bool found = test_WaitUntil(
            "a window named " + name,
            [&] { return !(id = Shell("xdotool search --name '^" + name + "$' 2>/dev/null | head -n 1")).empty(); });
        EXPECT_TRUE(found);
        return found ? static_cast<Window>(std::stoul(id)) : 0;
    }

    // Holds the key down in whatever window has the focus, then lets go.
    void PressKey(const std::string &key) {
        Shell("xdotool keydown " + key);
        std::this_thread::sleep_for(kKeyHold);
        Shell("xdotool keyup " + key);
    }

    // Wakes the window's event loop with an expose event, which changes
    // nothing else.
    void Wake(Window w) {
        XEvent ev = {};
        ev.xexpose.type = Expose;
        ev.xexpose.window = w;
        ev.xexpose.width = 1;
        ev.xexpose.height = 1;
        XSendEvent(dpy, w, False, ExposureMask, &ev);
        XFlush(dpy);
    }

    // What the window manager's close button sends.
    void SendDeleteWindow(Window w) {
        XEvent ev = {};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &ev);
        XFlush(dpy);
    }

    void Focus(Window w) {
        XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
        XFlush(dpy);
    }

    // A plain window of our own to take the focus away, once it is shown
    // (only a viewable window can take the focus).
    Window MakeDecoy() {
        Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
        XMapWindow(dpy, w);
        XSync(dpy, False);
        EXPECT_TRUE(test_WaitUntil("the decoy window to be viewable", [&] {
            XWindowAttributes a;
            return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
        }));
        return w;
    }
};

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

    // The close button: key 432 reaches OnClose, whose default ends with 0.
    SendDeleteWindow(w);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(app.Count("close"), 1);
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

// The real program: its window shows the frame it draws, and it ends with
// status 0 when the window is closed.
TEST_F(EndToEndTest, VelmoraShowsItsWindowAndCloses) {
    Child game;
    game.Start(Folder() + "/velmora", {});
    Window w = FindWindow("Velmora");
    ASSERT_NE(w, 0u);
    // The window is centred on the 1280 x 1024 screen: its middle is drawn,
    // the screen's corner is not. Screenshots until the first frame shows.
    const std::string shot = ::testing::TempDir() + "velmora_shot_" + std::to_string(getpid()) + ".png";
    int sw = 0, sh = 0, sc = 0;
    unsigned char *px = nullptr;
    auto mid = [&] { return px + (static_cast<size_t>(sh / 2) * sw + sw / 2) * 3; };
    EXPECT_TRUE(test_WaitUntil(
        "the game's first frame in the middle of the screen",
        [&] {
            stbi_image_free(px);
            px = nullptr;
            if (std::system(("/usr/bin/import -window root '" + shot + "' 2>/dev/null").c_str()) != 0) return false;
            px = stbi_load(shot.c_str(), &sw, &sh, &sc, 3);
            return px && sw == 1280 && mid()[2] > 40;
        },
        test_WaitDeadline, 50ms));
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(sw, 1280);
    const unsigned char *corner = px;
    EXPECT_GT(mid()[2], 40);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
    stbi_image_free(px);
    std::remove(shot.c_str());
    SendDeleteWindow(w);
    EXPECT_EQ(game.Wait(), 0);
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
