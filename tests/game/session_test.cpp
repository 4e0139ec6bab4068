// The game-session harness on the linked app, with the fake GL.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_input.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_startup.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/renderer_fixture.h"

namespace {

c_InputDevice *Input() { return app_InputDevice; }

TEST(SessionHarness, StartUpdatesRendersSuspendsAndResumes) {
    Session s;
    // The set-up made the app and handed its delegate to the host.
    ASSERT_NE(app_App.get(), nullptr);
    EXPECT_EQ(s.Host().Delegate(), app_Delegate.get());
    EXPECT_EQ(app_Game, &s.Host());
    EXPECT_FALSE(s.Started());

    s.Start();
    EXPECT_TRUE(s.Started());
    EXPECT_EQ(app_CachedDeviceWidth, 960);
    EXPECT_EQ(app_CachedDeviceHeight, 540);
    EXPECT_EQ(s.Host().updateRate, 30);  // the app's OnCreate set it
    ASSERT_NE(Input(), nullptr);

    s.Step(3);
    EXPECT_EQ(s.Now(), 99);
    EXPECT_EQ(app_Millisecs(), 99);

    // Suspended: renders go on (they see the new size), updates stop (the
    // key's hit stays until an update ends).
    s.Suspend();
    EXPECT_TRUE(s.Suspended());
    s.KeyDown(65);
    s.KeyUp(65);
    s.ResizeDevice(800, 600);
    s.Step(2);
    EXPECT_TRUE(s.Suspended());
    EXPECT_EQ(app_CachedDeviceWidth, 800);
    EXPECT_EQ(Input()->keyHit[65], 1);
    EXPECT_EQ(s.Now(), 165);

    s.Resume();
    s.Step(1);
    EXPECT_FALSE(s.Suspended());
    EXPECT_EQ(Input()->keyHit[65], 0);
}

TEST(SessionHarness, InputGoesThroughTheHostsHandlers) {
    Session s;
    s.Start();
    s.KeyDown(37);  // left: a key-down with a character
    EXPECT_TRUE(Input()->keyDown[37]);
    ASSERT_EQ(Input()->charPut, 1);
    EXPECT_EQ(Input()->charQueue[0], 65573);
    s.Update();
    s.KeyUp(37);
    EXPECT_FALSE(Input()->keyDown[37]);

    // Press and Click hold the key over one update, which ends its hit.
    s.Press(65);
    EXPECT_FALSE(Input()->keyDown[65]);
    EXPECT_EQ(Input()->keyHit[65], 0);
    s.Click(120.5, 64);
    EXPECT_EQ(Input()->mouseX, 120.5f);
    EXPECT_EQ(Input()->mouseY, 64.0f);
    EXPECT_FALSE(Input()->keyDown[1]);
    EXPECT_EQ(Input()->keyHit[1], 0);
    s.MouseDown(1);  // the right button is key 2
    EXPECT_TRUE(Input()->keyDown[2]);
    EXPECT_EQ(Input()->keyHit[2], 1);
    EXPECT_EQ(s.Now(), 99);
}

TEST(SessionHarness, CloseRequestEndsTheProgramWithZero) {
    Session s;
    s.Start();
    s.Step(2);
    // The close button; an app that ends at its next update ends too.
    ExitResult r = s.RunToExit([](Session &c) {
        std::printf("child output\n");
        c.Close();
        c.Step(1);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.output.find("child output"), std::string::npos);
    EXPECT_EQ(s.Output().find("child output"), std::string::npos);
    // While suspended too: the host lets the close request through.
    ExitResult suspended = s.RunToExit([](Session &c) {
        c.Suspend();
        c.Close();
        c.Step(1);
    });
    EXPECT_TRUE(suspended.exited);
    EXPECT_EQ(suspended.code, 0);

    // What the child saves is in the parent's folder; a script that
    // returns is told apart from an exit.
    ExitResult returned = s.RunToExit([](Session &c) {
        c.Step(1);
        app_SaveState(String(u"saved by the child"));
    });
    EXPECT_FALSE(returned.exited);
    EXPECT_EQ(returned.code, Session::kScriptReturned);
    EXPECT_EQ(s.ReadState(), "saved by the child");
    // A run-time error: the banner, and the debug prompt on an empty input.
    ExitResult error = s.RunToExit([](Session &) { object_Error(String(u"boom")); });
    EXPECT_EQ(error.code, 255);
    EXPECT_NE(error.output.find("Zentrova Runtime Error : boom"), std::string::npos);
}

ino_t StdoutInode() {
    struct stat st {};
    fstat(1, &st);
    return st.st_ino;
}

TEST(SessionHarness, SessionsFollowOneAnotherInPrivateFolders) {
    const std::string before = std::filesystem::current_path().string();
    const ino_t realStdout = StdoutInode();
    std::string firstFolder;
    {
        Session a;
        firstFolder = a.Folder();
        EXPECT_EQ(std::filesystem::current_path().string(), firstFolder);
        EXPECT_NE(StdoutInode(), realStdout);
        a.WriteState("{\"first\":1}");
        a.Start();
        EXPECT_EQ(host_ToUtf8(app_LoadState()), "{\"first\":1}");
        app_SaveState(String(u"\u00e9t\u00e9"));  // the host writes UTF-8
        EXPECT_EQ(a.ReadState(), "\xc3\xa9t\xc3\xa9");
        std::printf("printed in the first session\n");
        lang_Print(String(u"and by the runtime"));
        EXPECT_NE(a.Output().find("printed in the first session\nand by the runtime\n"), std::string::npos);
    }
    EXPECT_EQ(std::filesystem::current_path().string(), before);
    EXPECT_EQ(StdoutInode(), realStdout);
    EXPECT_FALSE(std::filesystem::exists(firstFolder));

    // The app is made again (no "App has already been created"), in a
    // folder of its own, with no state and no earlier output.
    for (int i = 0; i < 2; ++i) {
        Session b;
        EXPECT_NE(b.Folder(), firstFolder);
        EXPECT_FALSE(b.StateExists());
        b.Start();
        EXPECT_TRUE(app_LoadState().Empty());
        b.Step(3);
        EXPECT_EQ(b.Output().find("first session"), std::string::npos);
        EXPECT_EQ(app_CachedDeviceWidth, 960);
    }
}

// An object held only by a global that the roots do not name.
int g_canariesDestroyed = 0;
struct Canary : Object {
    char payload[64] = {};
    ~Canary() override { ++g_canariesDestroyed; }
};
gc_ref<Canary> g_unrooted;

TEST(SessionHarness, ForcedFullCollectionsFreeWhatTheRootsMiss) {
    for (bool forced : {false, true}) {
        SCOPED_TRACE(forced ? "forced" : "incremental");
        SessionOptions options;
        options.forceFullCollections = forced;
        Session s(options);
        s.Start();
        g_canariesDestroyed = 0;
        g_unrooted = gc_New<Canary>();
        s.Step(2);
        EXPECT_EQ(g_canariesDestroyed, forced ? 1 : 0);
        g_unrooted = nullptr;
        // What the roots reach survives: the app keeps working.
        s.Step(5);
        s.Press(65);
        EXPECT_EQ(Input()->keyHit[65], 0);
        EXPECT_EQ(app_Delegate->input.get(), Input());
    }
}

// The renderer's start-up runs on the fake GL in a session: the program
// template, the five built-in shaders and the default font from the data
// folder (the current folder is the session's own). The globals are set
// here, before any event, so this holds whatever the app's roots hold.
TEST(SessionHarness, RendererStartsOnTheFakeGl) {
    Session s;
    gfx2_InitGlobals();
    FakeGl::ClearLog();
    gfx2_InitRenderer();
    EXPECT_TRUE(gfx2_Started);
    EXPECT_EQ(FakeGl::Count("glCompileShader"), 26);
    EXPECT_NE(gfx2_DefaultFont.get(), nullptr);
    EXPECT_NE(gfx2_BumpShader.get(), nullptr);
    test_ClearRendererGlobals();
}

}  // namespace
