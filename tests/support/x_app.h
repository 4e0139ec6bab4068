// End-to-end testing of a program on a private X server (the test program
// runs under scripts/with-xvfb): start it with its own log, output, error
// output and folder, find its window, hold keys, move the focus, ask the
// window to close, wait for its exit. Every step waits for a condition,
// never for a fixed time.
#pragma once

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

#include "host/platform/hx_platform.h"
#include "tests/support/wait.h"

namespace test_x {

using namespace std::chrono_literals;

// How long a key stays down: long enough to land in an update of its own
// rather than with its release.
inline constexpr auto kKeyHold = 150ms;

inline std::string Folder() {
    std::string exe = platform_ExecutablePath();
    return exe.substr(0, exe.rfind('/'));
}

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string Shell(const std::string &cmd) {
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// A program started with its own log, output and error files, which are
// removed when the Child goes; what the program wrote on stderr is then
// copied to the test's own.
struct Child {
    pid_t pid = -1;
    std::string program, log, out, err;

    Child() = default;
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // `cwd`: the folder the program runs in ("" keeps the test's own).
    void Start(const std::string &path, const std::vector<std::string> &env, const std::string &cwd = "") {
        static int serial = 0;
        program = path;
        std::string base = ::testing::TempDir() + "velmora_app_" + std::to_string(getpid()) + "_" + std::to_string(serial++);
        log = base + ".log";
        out = base + ".out";
        err = base + ".err";
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
            if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
            if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
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
        if (err.empty()) return;
        const std::string errors = ReadFile(err);
        if (!errors.empty())
            std::fprintf(stderr, "---- stderr of %s ----\n%s---- end ----\n", program.c_str(), errors.c_str());
        for (const std::string *file : {&log, &out, &err}) std::remove(file->c_str());
    }
};

class XAppTest : public ::testing::Test {
protected:
    Display *dpy = nullptr;
    void SetUp() override {
        // A focus request for a window that is not shown yet is refused
        // with an X error; the steps that need it ask again until it holds.
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
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

    Window FocusedWindow() {
        Window w = 0;
        int revert = 0;
        XGetInputFocus(dpy, &w, &revert);
        return w;
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

}  // namespace test_x
