// The app layer: the delegate's order of hooks, the cached device size,
// close requests and display modes, on a host object without a window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/hx_app.h"
#include "host/hx_audio.h"
#include "host/hx_gfx1.h"
#include "host/hx_graphics.h"
#include "host/hx_input.h"
#include "host/hx_keys.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> g_hooks;

struct RecordingApp : c_App {
    RecordingApp *m_new() {
        c_App::m_new();
        return this;
    }
    void Note(const std::string &what) { g_hooks.push_back(what); }
    int OnResize() override {
        Note("resize " + std::to_string(app_CachedDeviceWidth) + "x" + std::to_string(app_CachedDeviceHeight));
        return 0;
    }
    int OnCreate() override {
        // The devices and the cached size exist already.
        bool devices = app_GraphicsDevice && app_AudioDevice && app_InputDevice && app_Delegate->input;
        Note(std::string("create") + (devices ? " devices " : " NO DEVICES ") + std::to_string(app_CachedDeviceWidth) + "x" +
             std::to_string(app_CachedDeviceHeight) + " modes" + std::to_string(app_DisplayModes.Length()) +
             (app_DesktopMode ? " desktop" : " NO DESKTOP"));
        return 0;
    }
    int OnSuspend() override {
        Note("suspend");
        return 0;
    }
    int OnResume() override {
        Note("resume");
        return 0;
    }
    int OnUpdate() override {
        c_InputDevice *in = app_InputDevice;
        Note("update hits" + std::to_string(in->keyHit[65]) + " chars" + std::to_string(in->charPut) + " joy" +
             std::to_string(in->keyHit[key_Joy0]));
        return 0;
    }
    int OnRender() override {
        Note("render");
        return 0;
    }
    int OnClose() override {
        Note("close");
        return 0;
    }
};

// The audio device's pause and resume, as the delegate calls them.
struct RecordingAudio : HxAudio {
    int Suspend() override {
        g_hooks.push_back("audio suspend");
        return 0;
    }
    int Resume() override {
        g_hooks.push_back("audio resume");
        return 0;
    }
};

// Display modes as a monitor might report them, with repeats; joystick 0
// with its first button held while joyButton is set.
struct ModesGame : HxZentrovaGame {
    bool noDesktop = false;
    bool joyButton = false;
    bool PollJoystick(int port, Array<float>, Array<float>, Array<float>, Array<bool> buttons) override {
        if (port != 0) return false;
        buttons[0] = joyButton;
        return true;
    }
    Array<HxDisplayMode *> GetDisplayModes() override {
        const int list[][2] = {{1920, 1080}, {1280, 720}, {1920, 1080}, {70000, 5}, {1280, 720}};
        Array<HxDisplayMode *> modes(5);
        for (int i = 0; i < 5; ++i) modes[i] = gc_New<HxDisplayMode>(list[i][0], list[i][1]);
        return modes;
    }
    HxDisplayMode *GetDesktopMode() override { return noDesktop ? nullptr : HxZentrovaGame::GetDesktopMode(); }
};

class AppLayerTest : public RuntimeTest {
protected:
    ModesGame game;
    void SetUp() override {
        RuntimeTest::SetUp();
        setenv("ALSOFT_DRIVERS", "null", 1);
        g_hooks.clear();
        gfx1_InitGlobals();
        app_InitGlobals();
        gc_SetRoots([] {
            app_MarkGlobals();
            gfx1_MarkGlobals();
        });
        game.width = 960;
        game.height = 540;
        game.desktopMode[0] = 1600;
        game.desktopMode[1] = 900;
        gc_New<RecordingApp>()->m_new();
    }
    void TearDown() override {
        app_InitGlobals();
        RuntimeTest::TearDown();
    }
    std::vector<std::string> Take() {
        std::vector<std::string> h = g_hooks;
        g_hooks.clear();
        return h;
    }
};

TEST_F(AppLayerTest, StartResizeUpdateAndRenderOrder) {
    ASSERT_EQ(game.Delegate(), app_Delegate.get());
    game.StartGame();
    EXPECT_EQ(Take(), std::vector<std::string>{"create devices 960x540 modes3 desktop"});  // no OnResize for the first size
    EXPECT_NE(gfx1_Context->defaultFont, nullptr);  // the older layer's font loaded at start

    game.KeyEvent(event_KeyDown, 65);
    game.KeyEvent(event_KeyUp, 65);
    game.KeyEvent(event_Character, 97);
    game.HandleWindowSize(800, 600);  // the size callback sends nothing
    EXPECT_TRUE(g_hooks.empty());
    game.UpdateGame();
    game.UpdateGame();
    game.RenderGame();
    // The resize comes once, before the update that noticed it; hits and
    // characters are seen by exactly one update.
    EXPECT_EQ(Take(), (std::vector<std::string>{"resize 800x600", "update hits1 chars1 joy0", "update hits0 chars0 joy0",
                                                "render"}));
    game.HandleWindowSize(640, 480);
    game.RenderGame();
    EXPECT_EQ(Take(), (std::vector<std::string>{"resize 640x480", "render"}));
}

// One session's calls in the order the app sees them: OnCreate once the
// display modes are listed; the joysticks polled before each OnUpdate (a
// held button is a hit in the update that first sees it); a change of the
// height alone is a resize; OnSuspend before the audio pauses, OnResume
// once it plays again.
TEST_F(AppLayerTest, ASessionsOrderOfCalls) {
    game.StartGame();
    app_Delegate->audio = gc_New<RecordingAudio>();
    game.joyButton = true;
    game.UpdateGame();
    game.UpdateGame();
    game.HandleWindowSize(960, 600);
    game.RenderGame();
    game.SuspendGame();
    game.RenderGame();
    game.ResumeGame();
    game.HandleWindowSize(800, 600);
    game.UpdateGame();
    EXPECT_EQ(Take(), (std::vector<std::string>{"create devices 960x540 modes3 desktop",
                                                "update hits0 chars0 joy1",
                                                "update hits0 chars0 joy0",
                                                "resize 960x600",
                                                "render",
                                                "suspend",
                                                "audio suspend",
                                                "render",
                                                "audio resume",
                                                "resume",
                                                "resize 800x600",
                                                "update hits0 chars0 joy0"}));
}

TEST_F(AppLayerTest, SuspendResumeAndCloseRequests) {
    game.StartGame();
    Take();
    game.SuspendGame();
    game.UpdateGame();  // no updates while suspended
    game.RenderGame();  // renders go on
    game.KeyEvent(event_KeyDown, 432);  // the close button, also while suspended
    game.KeyEvent(event_KeyUp, 432);
    game.KeyEvent(event_KeyDown, 416);
    game.KeyEvent(event_KeyDown, 431);
    game.ResumeGame();
    EXPECT_EQ(Take(), (std::vector<std::string>{"suspend", "render", "close", "close", "resume"}));
}

TEST_F(AppLayerTest, DisplayModesAppearOnce) {
    game.StartGame();
    const std::vector<std::pair<int, int>> want = {{1920, 1080}, {1280, 720}, {70000, 5}};
    ASSERT_EQ(app_DisplayModes.Length(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(app_DisplayModes[i]->width, want[i].first);
        EXPECT_EQ(app_DisplayModes[i]->height, want[i].second);
    }
    EXPECT_EQ(app_DesktopMode->width, 1600);
    EXPECT_EQ(app_DesktopMode->height, 900);
    // A wide mode's key is built without signed overflow.
    EXPECT_EQ(app_DisplayModeKey(70000, 5), static_cast<int>((70000u << 16) | 5u));
    EXPECT_EQ(app_DisplayModeKey(1920, 1080), 1920 * 65536 + 1080);
}

TEST_F(AppLayerTest, DesktopFallsBackToTheCachedSize) {
    game.noDesktop = true;
    game.StartGame();
    EXPECT_EQ(app_DesktopMode->width, 960);
    EXPECT_EQ(app_DesktopMode->height, 540);
}

TEST_F(AppLayerTest, AppFunctionsReachTheHost) {
    app_SetUpdateRate(30);
    EXPECT_EQ(app_UpdateRate, 30);
    EXPECT_EQ(game.UpdateRate(), 30);
    Array<int> date = app_GetDate();
    ASSERT_EQ(date.Length(), 7);
    EXPECT_GE(date[0], 2024);
    EXPECT_EQ(date[6], 0);
    game.StartGame();
    EXPECT_EQ(app_DeviceWidth(), 960);
    EXPECT_EQ(app_DeviceHeight(), 540);
    EXPECT_TRUE(app_LoadString(String(u"missing-file.txt")).Empty());
}

// The run-time error's banner names the fault on the standard output; its
// debug prompt, with nothing to read, ends the program with 255.
TEST_F(AppLayerTest, SecondAppIsARunTimeError) {
    TempDir dir;
    const std::string out = dir.Join("out.txt");
    EXPECT_EXIT(
        {
            std::freopen("/dev/null", "r", stdin);
            std::freopen(out.c_str(), "w", stdout);
            gc_New<RecordingApp>()->m_new();
        },
        ::testing::ExitedWithCode(255), "");
    const std::string banner = "Zentrova Runtime Error : App has already been created\n";
    EXPECT_EQ(test_ReadFile(out).substr(0, banner.size()), banner);
}

TEST_F(AppLayerTest, DefaultCloseEndsWithZero) {
    EXPECT_EXIT(
        app_App->c_App::OnClose(),
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
