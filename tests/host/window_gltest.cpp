// End to end under a private X server: a program on the host opens its
// window, takes keys, suspends and resumes with the focus, and ends when
// its window is asked to close. The X server is this test program's own
// (the test runs under scripts/with-xvfb); one app window at a time.
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

namespace {

using namespace std::chrono_literals;

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
    // Waits for `line` to appear in the log at least `times` times.
    bool WaitFor(const std::string &line, int times = 1, std::chrono::milliseconds limit = 15s) const {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (Count(line) >= times) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    // The exit status, or -1 when it did not end in time (then killed).
    int Wait(std::chrono::milliseconds limit = 15s) {
        auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        pid = -1;
        return -1;
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
    }
    void TearDown() override {
        if (dpy) XCloseDisplay(dpy);
    }

    Window FindWindow(const std::string &name) {
        std::string id = Shell("xdotool search --sync --name '^" + name + "$' 2>/dev/null | head -n 1");
        return id.empty() ? 0 : static_cast<Window>(std::stoul(id));
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

    // A plain window of our own to take the focus away.
    Window MakeDecoy() {
        Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
        XMapWindow(dpy, w);
        XSync(dpy, False);
        std::this_thread::sleep_for(100ms);
        return w;
    }
};

TEST_F(EndToEndTest, WindowKeysFocusAndClose) {
    Child app;
    app.Start(Folder() + "/velmora_testapp", {});
    ASSERT_TRUE(app.WaitFor("create 9600540")) << app.Log();
    Window w = FindWindow("Velmora");
    ASSERT_NE(w, 0u);
    EXPECT_EQ(Shell("xdotool getwindowname " + std::to_string(w)), "Velmora");
    EXPECT_NE(Shell("xdotool getwindowgeometry " + std::to_string(w)).find("Geometry: 960x540"), std::string::npos);

    // Unfocused from the start: it never had the focus, so it keeps updating.
    ASSERT_TRUE(app.WaitFor("update", 3));
    Focus(w);
    std::this_thread::sleep_for(300ms);
    Shell("xdotool key w");
    ASSERT_TRUE(app.WaitFor("hit87 1")) << app.Log();
    EXPECT_EQ(app.Count("hit87 1"), 1);

    // Focus away: suspended once, no updates; back: resumed, updates again.
    Window decoy = MakeDecoy();
    Focus(decoy);
    ASSERT_TRUE(app.WaitFor("suspend")) << app.Log();
    std::this_thread::sleep_for(200ms);
    const int updatesWhileSuspended = app.Count("update");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(app.Count("update"), updatesWhileSuspended);
    EXPECT_EQ(app.Count("suspend"), 1);
    Focus(w);
    ASSERT_TRUE(app.WaitFor("resume")) << app.Log();
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
    std::this_thread::sleep_for(300ms);
    Focus(MakeDecoy());
    ASSERT_TRUE(app.WaitFor("suspend")) << app.Log();
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
    std::this_thread::sleep_for(1s);
    const std::string shot = ::testing::TempDir() + "velmora_shot_" + std::to_string(getpid()) + ".png";
    ASSERT_EQ(std::system(("/usr/bin/import -window root '" + shot + "' 2>/dev/null").c_str()), 0);
    int sw = 0, sh = 0, sc = 0;
    unsigned char *px = stbi_load(shot.c_str(), &sw, &sh, &sc, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(sw, 1280);
    // The window is centred on the 1280 x 1024 screen: its middle is drawn,
    // the screen's corner is not.
    const unsigned char *mid = px + (static_cast<size_t>(sh / 2) * sw + sw / 2) * 3;
    const unsigned char *corner = px;
    EXPECT_GT(mid[2], 40);
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
        Shell("xdotool search --sync --name '^Velmora$' windowfocus --sync >/dev/null 2>&1");
        Shell("xdotool keydown shift");
        for (int i = 0; i < 200 && log->keys.empty(); ++i) {
            glfwPollEvents();
            std::this_thread::sleep_for(10ms);
        }
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
