// Game sessions for tests: the linked program (program_InitGlobals,
// program_MarkGlobals, game_Main: the game library) set up as the host's
// set-up does, on a scripted host object, and driven through the host's own
// event operations in the order the main loop uses.
//
// How a game test uses it:
//
//   #include "tests/game/support/session.h"
//
//   TEST(MenuTest, ExitButtonSavesAndEnds) {
//       Session s;                       // fake GL, 960 x 540, private folder
//       s.WriteState("{...}");           // before Start: OnCreate loads it
//       s.Start();                       // SetDeviceWindow + StartGame
//       s.Step(200);                     // 200 passes of render + update, 33 ms each
//       ExitResult r = s.RunToExit([](Session &c) { c.Click(480, 400); c.Step(5); });
//       EXPECT_EQ(r.code, 0);
//       EXPECT_NE(s.ReadState().find("..."), std::string::npos);
//   }
//
// or derive a fixture from SessionTest and use `session()` (from
// WindowSessionTest in a *_gltest program, for a window session).
//
// What a session is:
//   - A fresh temporary folder (a TempDir, tests/support/temp_dir.h); its
//     subfolder Folder() is the current folder for the session's life (the
//     host writes its state file "./.zentrovastate" there, and nothing else
//     of the session's is in it). The old current folder comes back and all
//     is removed at the end.
//   - The standard output redirected to a file beside Folder(): Output() is
//     everything printed since the session began. When the test has failed
//     by the end, the text is copied to the real output so that it shows
//     with the failure (gtest's own messages land there too).
//   - A scripted host object (an HxZentrovaGame): its clock is a millisecond
//     counter that only the session moves (Millisecs and GetTime read it);
//     SetDeviceWindow makes no real window in the fake-GL mode, only the
//     960 x 540 device (or what it is asked for); no joysticks; OpenUrl only
//     records the address (OpenedUrls); the desktop is 1920 x 1080.
//   - The program's set-up is host_MainSetup itself (signals, locale, the
//     collector's lists and roots, program_InitGlobals, gc_MarkGlobals,
//     game_Main), so the app and its delegate exist before Start. The
//     collector is emptied before and after each session, so sessions can
//     follow one another in one test program (one at a time: the host
//     object is one per process).
//
// GL: GlMode::Fake (the default) installs the renderer's recording fake GL
// (tests/renderer/support/fake_gl.h; FakeGl:: gives its log) and lets the
// renderer's real start-up run on it: compiles and links succeed, so the
// built-in shaders and the default font are made from the data folder.
// GlMode::Window makes a real hidden 960 x 540 GL window (a *_gltest
// program, run under Xvfb) whose context is current; ReadPixel reads it.
//
// Driving, as the main loop does (host/hx_window.cpp):
//   Start()      SetDeviceWindow(960, 540, 20), then StartGame (OnCreate).
//   Render()     RenderGame.
//   Update(ms)   the clock moves ms, then UpdateGame (the host drops it
//                while suspended).
//   Step(n, ms)  n passes: RenderGame, buffer swap, the clock moves ms, the
//                host's own event and focus step (PollEvents: a close
//                request gets an update before any suspend, and one made
//                while suspended resumes for one pass), then one
//                UpdateGame unless suspended. One update per pass: the
//                loop's catch-up schedule is tested in tests/host/loop_test.
//   Suspend()    focus lost: SuspendGame (OnSuspend); Resume() gives it back.
//   Close()      the window's close button: HandleWindowClose, i.e. key 432
//                down and up (the default OnClose ends the program with 0).
//   Input goes through the host's handlers: KeyDown/KeyUp/Press take the
//   host's key codes (hx_keys.h; a key-down also sends its character as
//   HandleKey does); MoveMouse/MouseDown/MouseUp/Click use window pixels
//   and the GLFW buttons 0 (left), 1 (right), 2 (middle).
//   ResizeDevice(w, h) is the window-size callback's handler.
//
// The program's end: app_EndApp calls exit(0). RunToExit(script) runs the
// script in a forked child of the session (stdin empty, so a run-time
// error's debug prompt ends it with 255) and returns its exit code and what
// it printed; the state file it wrote stays in the session's folder. Check
// results in the parent: an expectation that fails inside the child shows
// in its output but fails no test. Use it in fake-GL sessions: Mesa's
// worker threads do not survive the fork, so a child may hang in GL.
//
// forceFullCollections: after every event the session sends, the host's
// collector step runs once more as a full collection (the new-plus-external
// byte count is raised just above the threshold) and every object found
// unreachable is destroyed at once. A global missing from the program's
// roots then loses its object within two events, and its next use is a
// use-after-free that ASan reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "tests/support/temp_dir.h"

enum class GlMode { Fake, Window };

// The scripted host object of a session (see above). Its fields are the
// host's own, so tests may read them (updateRate, width, suspended ...).
class SessionHost : public HxZentrovaGame {
public:
    explicit SessionHost(GlMode gl);
    ~SessionHost() override;

    GlMode gl;
    int64_t clockMs = 0;
    bool focused = true;
    std::set<int> heldKeys;  // key codes the session holds down
    std::vector<std::string> openedUrls;
    bool mouseVisible = true;

    double GetTime() override;
    int Millisecs() override;
    void Sleep(double seconds) override;
    // The device: a size (fake GL) or a new hidden GL window (window mode).
    // A second call first releases the held keys, as a window teardown does.
    void SetDeviceWindow(int width, int height, int flags) override;
    int CountJoysticks(bool rescan) override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz, Array<bool> buttons) override;
    void OpenUrl(String url) override;
    void SetMouseVisible(bool visible) override;
    void Swap() { SwapBuffers(); }
    void DestroyWindow();

protected:
    bool WindowShouldClose() override { return false; }
    bool WindowFocused() override { return focused; }
    void WaitForEvents() override {}
    void PollForEvents() override {}
};

struct SessionOptions {
    GlMode gl = GlMode::Fake;
    bool forceFullCollections = false;
    // The folder the host takes for the program's own (its data folder is
    // appFolder + "/data"); empty: the folder of the test program, whose
    // bin/data is the built data folder.
    std::string appFolder;
};

struct ExitResult {
    int code = 0;         // the exit code; -signal when a signal ended it
    bool exited = false;  // false: the script returned, or the deadline passed
    std::string output;   // what the child printed
};

class Session {
public:
    explicit Session(SessionOptions options = {});
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Driving.
    void Start();
    void Render();
    void Update(int ms = 33);
    void Step(int passes, int ms = 33);
    void Suspend();
    void Resume();
    void Close();

    // Input.
    void KeyDown(int code);
    void KeyUp(int code);
    void Press(int code, int ms = 33);  // down, one Update(ms), up
    void MoveMouse(double x, double y);
    void MouseDown(int button = 0);
    void MouseUp(int button = 0);
    void Click(double x, double y, int ms = 33);  // move, down, one Update(ms), up
    void ResizeDevice(int width, int height);

    // The scripted clock: milliseconds since the host timer started.
    int64_t Now() const;
    void AdvanceClock(int ms);

    // The state file "./.zentrovastate" of the session's folder, as bytes.
    void WriteState(const std::string &text);
    std::string ReadState() const;
    bool StateExists() const;
    void RemoveState();
    const std::string &Folder() const { return folder_; }

    // Everything printed to the standard output since the session began.
    std::string Output() const;

    ExitResult RunToExit(const std::function<void(Session &)> &script, int deadlineSeconds = 120);

    // Window mode: the window's pixel at (x, y) from the top left, as
    // 0xAARRGGBB, from the back buffer: what Render() drew (Step swaps the
    // buffers, after which the back buffer holds nothing defined).
    uint32_t ReadPixel(int x, int y) const;

    // The host object and its state, for checks.
    SessionHost &Host() { return *host_; }
    bool Started() const;
    bool Suspended() const;
    const std::vector<std::string> &OpenedUrls() const;
    GlMode Gl() const { return options_.gl; }

    // The exit code of a script that returned without ending the program.
    static constexpr int kScriptReturned = 121;

private:
    template <class F>
    void Event(F send);
    void CollectFully();
    void CloseAudio();

    SessionOptions options_;
    std::optional<TempDir> base_;  // the session's temporary folder
    std::string folder_;  // base_/run: the program's current folder
    std::string previousFolder_;
    int savedStdout_ = -1;
    bool glfwStarted_ = false;
    std::unique_ptr<SessionHost> host_;
    double mouseX_ = 0, mouseY_ = 0;
};

// A fixture with one session per test, made in SetUp with Options().
class SessionTest : public ::testing::Test {
protected:
    virtual SessionOptions Options() const { return {}; }
    void SetUp() override { session_ = std::make_unique<Session>(Options()); }
    void TearDown() override { session_.reset(); }
    Session &session() { return *session_; }
    // Ends the session and begins a new one (a new process, as it were).
    void NewSession() {
        session_.reset();
        session_ = std::make_unique<Session>(Options());
    }

private:
    std::unique_ptr<Session> session_;
};

// The same with a window session (GlMode::Window), for the *_gltest
// programs.
class WindowSessionTest : public SessionTest {
protected:
    SessionOptions Options() const override {
        SessionOptions o;
        o.gl = GlMode::Window;
        return o;
    }
};
