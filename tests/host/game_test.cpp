// The host object's event dispatch: guards, run state, collector steps and
// the fatal exit for uncaught thrown objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "host/hx_game.h"
#include "host/hx_keys.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

enum Op { kStart, kSuspend, kResume, kUpdate, kRender, kKey, kMouse, kTouch, kMotion, kDiscard, kOpCount };
const char *const kOpNames[] = {"Start", "Suspend", "Resume", "Update", "Render", "Key", "Mouse", "Touch", "Motion", "Discard"};

int g_recordersDestroyed = 0;

struct Recorder : HxGameDelegate {
    ~Recorder() override { ++g_recordersDestroyed; }
    int calls[kOpCount] = {};
    std::function<void(Op)> hook;
    void Note(Op op) {
        ++calls[op];
        if (hook) hook(op);
    }
    void StartGame() override { Note(kStart); }
    void SuspendGame() override { Note(kSuspend); }
    void ResumeGame() override { Note(kResume); }
    void UpdateGame() override { Note(kUpdate); }
    void RenderGame() override { Note(kRender); }
    void KeyEvent(int, int) override { Note(kKey); }
    void MouseEvent(int, int, float, float, float) override { Note(kMouse); }
    void TouchEvent(int, int, float, float) override { Note(kTouch); }
    void MotionEvent(int, int, float, float, float) override { Note(kMotion); }
    void DiscardGraphics() override { Note(kDiscard); }
};

struct CountingGame : HxGame {
    int steps = 0;
    void CollectGarbage() override {
        ++steps;
        HxGame::CollectGarbage();
    }
};

void Send(HxGame &g, Op op) {
    switch (op) {
    case kStart: g.StartGame(); break;
    case kSuspend: g.SuspendGame(); break;
    case kResume: g.ResumeGame(); break;
    case kUpdate: g.UpdateGame(); break;
    case kRender: g.RenderGame(); break;
    case kKey: g.KeyEvent(event_KeyDown, 65); break;
    case kMouse: g.MouseEvent(event_MouseDown, 0, 1, 2, 0); break;
    case kTouch: g.TouchEvent(event_TouchDown, 0, 1, 2); break;
    case kMotion: g.MotionEvent(event_Accelerometer, 0, 1, 2, 3); break;
    case kDiscard: g.DiscardGraphics(); break;
    default: break;
    }
}

enum State { kBefore, kStarted, kSuspended };

struct GuardCase {
    Op op;
    bool runs[3];  // before start, started, suspended
};
const GuardCase kGuardTable[] = {
    {kStart, {true, false, false}},   {kSuspend, {false, true, false}}, {kResume, {false, false, true}},
    {kUpdate, {false, true, false}},  {kRender, {false, true, true}},   {kKey, {false, true, true}},
    {kMouse, {false, true, true}},    {kTouch, {false, true, true}},    {kMotion, {false, true, true}},
    {kDiscard, {false, true, true}},
};

class HostEventTest : public RuntimeTest {};

TEST_F(HostEventTest, GuardTable) {
    for (const GuardCase &c : kGuardTable) {
        for (int state = kBefore; state <= kSuspended; ++state) {
            SCOPED_TRACE(std::string(kOpNames[c.op]) + " in state " + std::to_string(state));
            CountingGame game;
            Recorder *d = gc_New<Recorder>();
            game.SetDelegate(d);
            if (state >= kStarted) game.StartGame();
            if (state == kSuspended) game.SuspendGame();
            const int callsBefore = d->calls[c.op];
            const int stepsBefore = game.steps;
            Send(game, c.op);
            const bool ran = c.runs[state];
            EXPECT_EQ(d->calls[c.op] - callsBefore, ran ? 1 : 0);
            EXPECT_EQ(game.steps - stepsBefore, ran ? 1 : 0);
            // The run state follows the events that ran.
            bool started = state >= kStarted || (c.op == kStart && ran);
            bool suspended = (state == kSuspended && !(c.op == kResume && ran)) || (c.op == kSuspend && ran);
            EXPECT_EQ(game.Started(), started);
            EXPECT_EQ(game.Suspended(), suspended);
        }
    }
}

TEST_F(HostEventTest, NestedEventsStepOnceAfterTheOutermost) {
    CountingGame game;
    Recorder *d = gc_New<Recorder>();
    game.SetDelegate(d);
    game.StartGame();
    int stepsSeenInside = -1;
    d->hook = [&](Op op) {
        if (op == kRender) {
            game.KeyEvent(event_KeyUp, 65);  // as the window teardown does inside an event
            game.MouseEvent(event_MouseMove, -1, 0, 0, 0);
            stepsSeenInside = game.steps;
        }
    };
    const int before = game.steps;
    game.RenderGame();
    EXPECT_EQ(stepsSeenInside, before);
    EXPECT_EQ(game.steps, before + 1);
    EXPECT_EQ(d->calls[kKey], 1);
    EXPECT_EQ(d->calls[kMouse], 1);
    EXPECT_EQ(game.eventDepth, 0);
}

// The step marks the delegate: it survives collections while nothing else
// references it, and goes once the host lets go of it.
TEST_F(HostEventTest, CollectorStepKeepsTheDelegate) {
    HxGame game;
    Recorder *d = gc_New<Recorder>();
    game.SetDelegate(d);
    game.StartGame();
    g_recordersDestroyed = 0;
    for (int i = 0; i < 3; ++i) {
        game.UpdateGame();
        gc_CollectAll();
        gc_Reclaim(INT32_MAX);
    }
    EXPECT_EQ(g_recordersDestroyed, 0);
    EXPECT_EQ(d->calls[kUpdate], 3);
    game.SetDelegate(nullptr);
    game.UpdateGame();
    gc_CollectAll();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
    EXPECT_EQ(g_recordersDestroyed, 1);
}

struct Thrown : ThrowableObject {};

TEST_F(HostEventTest, UncaughtThrownObjectEndsTheProcess) {
    TempDir dir;
    const std::string out = dir.Join("out.txt");
    for (Op op : {kStart, kKey}) {
        std::remove(out.c_str());
        EXPECT_EXIT(
            {
                std::freopen(out.c_str(), "w", stdout);
                CountingGame game;
                Recorder *d = gc_New<Recorder>();
                d->hook = [&](Op o) {
                    if (o == op) throw gc_New<Thrown>();
                };
                game.SetDelegate(d);
                game.StartGame();
                Send(game, op);
                std::printf("not reached\n");
                std::exit(0);
            },
            ::testing::ExitedWithCode(255), "");
        EXPECT_EQ(test_ReadFile(out), "Zentrova Runtime Error : Uncaught Zentrova Exception\n") << kOpNames[op];
    }
}

TEST_F(HostEventTest, DefaultsOfTheBaseObject) {
    HxGame game;
    EXPECT_EQ(host_CurrentGame, &game);
    EXPECT_EQ(game.Millisecs(), 0);
    EXPECT_EQ(game.CountJoysticks(true), 0);
    EXPECT_EQ(game.GetDeviceWidth(), 0);
    EXPECT_EQ(game.GetDesktopMode(), nullptr);
    EXPECT_EQ(game.GetDisplayModes().Length(), 0);
    EXPECT_TRUE(game.PathToFilePath(String(u"zentrova://data/a.png")) == String(u"zentrova://data/a.png"));
    int w = 0, h = 0, c = 0;
    EXPECT_EQ(game.LoadImageData(String(u"/nonexistent.png"), &w, &h, &c), nullptr);
    // Events without a delegate are harmless.
    game.StartGame();
    game.KeyEvent(event_KeyDown, 65);
    EXPECT_TRUE(game.Started());
}

TEST_F(HostEventTest, GlfwGameUpdateRate) {
    HxZentrovaGame game;
    EXPECT_EQ(host_GlfwGame, &game);
    EXPECT_EQ(host_CurrentGame, &game);
    game.nextUpdateTime = 5.0;
    game.SetUpdateRate(30);
    EXPECT_EQ(game.UpdateRate(), 30);
    EXPECT_DOUBLE_EQ(game.updatePeriod, 1.0 / 30);
    EXPECT_EQ(game.nextUpdateTime, 0.0);
    game.SetUpdateRate(0);
    EXPECT_DOUBLE_EQ(game.updatePeriod, 1.0 / 30);
}

}  // namespace
