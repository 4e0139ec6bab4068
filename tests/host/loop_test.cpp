// The main loop on a scripted clock and focus, and the callbacks' handlers.
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "host/hx_keys.h"
#include "tests/runtime/rt_fixture.h"

namespace {

struct PassRecord {
    int renders = 0;
    int updates = 0;
    int suspends = 0;
    int resumes = 0;
    int sleeps = 0;
    int waits = 0;
    double nextUpdateAtEnd = 0;
};

struct LoopDelegate;

// The loop's GLFW contact replaced by a script: a clock that only moves by
// what renders, updates and sleeps cost, and a focus per pass.
struct ScriptedGame : HxZentrovaGame {
    double now = 0;
    double renderCost = 0;
    double updateCost = 0;
    int passLimit = 10;
    std::vector<PassRecord> passes;
    std::function<bool(int pass)> focused = [](int) { return true; };
    std::function<void(int pass)> duringEvents;
    std::vector<int> sleptMillis;

    PassRecord &Current() { return passes.back(); }
    int Pass() const { return static_cast<int>(passes.size()) - 1; }

    // As a new window: focus not seen yet.
    void SetDeviceWindow(int w, int h, int) override {
        focusSeen = false;
        width = w;
        height = h;
    }
    double GetTime() override { return now; }
    void Sleep(double seconds) override {
        int ms = SleepMillis(seconds);
        sleptMillis.push_back(ms);
        now += ms / 1000.0;
        Current().sleeps++;
    }

protected:
    void SwapBuffers() override {}
    bool WindowShouldClose() override {
        if (!passes.empty()) Current().nextUpdateAtEnd = nextUpdateTime;
        if (static_cast<int>(passes.size()) >= passLimit) return true;
        passes.emplace_back();
        return false;
    }
    bool WindowFocused() override { return focused(Pass()); }
    void WaitForEvents() override {
        Current().waits++;
        if (duringEvents) duringEvents(Pass());
    }
    void PollForEvents() override {
        if (duringEvents) duringEvents(Pass());
    }
};

struct LoopDelegate : HxGameDelegate {
    ScriptedGame *game;
    std::function<void(int update)> onUpdate;
    std::function<void(int event, int data)> onKey;
    int updates = 0;
    explicit LoopDelegate(ScriptedGame *g) : game(g) {}
    // The run state as each of these events finds it.
    std::vector<std::string> runStates;
    void NoteRunState(const char *event) {
        runStates.push_back(std::string(event) + (game->Started() ? " started" : " not started") +
                            (game->Suspended() ? " suspended" : " running"));
    }
    void StartGame() override { NoteRunState("start"); }
    void RenderGame() override {
        game->Current().renders++;
        game->now += game->renderCost;
    }
    void UpdateGame() override {
        game->Current().updates++;
        game->now += game->updateCost;
        if (onUpdate) onUpdate(updates);
        ++updates;
    }
    void KeyEvent(int event, int data) override {
        if (onKey) onKey(event, data);
    }
    void SuspendGame() override {
        game->Current().suspends++;
        NoteRunState("suspend");
    }
    void ResumeGame() override {
        game->Current().resumes++;
        NoteRunState("resume");
    }
};

class LoopTest : public RuntimeTest {
protected:
    ScriptedGame game;
    LoopDelegate *d = nullptr;
    void SetUp() override {
        RuntimeTest::SetUp();
        d = gc_New<LoopDelegate>(&game);
        game.SetDelegate(d);
    }
    int TotalUpdates() const {
        int n = 0;
        for (const PassRecord &p : game.passes) n += p.updates;
        return n;
    }
};

TEST_F(LoopTest, SlowRenderAtRate30) {
    game.SetUpdateRate(30);
    game.renderCost = 0.050;
    game.passLimit = 40;  // two seconds of renders
    game.Run();
    ASSERT_EQ(game.passes.size(), 40u);
    for (const PassRecord &p : game.passes) {
        EXPECT_EQ(p.renders, 1);
        EXPECT_GE(p.updates, 1);
        EXPECT_LE(p.updates, 2);
    }
    EXPECT_EQ(game.passes[0].updates, 1);
    EXPECT_EQ(game.passes[1].updates, 1);
    // 30 updates a second while rendering 20 times.
    EXPECT_GE(TotalUpdates(), 58);
    EXPECT_LE(TotalUpdates(), 61);
}

TEST_F(LoopTest, FastRenderSleepsToTheSchedule) {
    game.SetUpdateRate(30);
    game.renderCost = 0.002;
    game.passLimit = 31;
    game.Run();
    for (size_t i = 1; i < game.passes.size(); ++i) EXPECT_EQ(game.passes[i].updates, 1) << i;
    // Each sleep is whole milliseconds and about one period less the render.
    ASSERT_FALSE(game.sleptMillis.empty());
    for (int ms : game.sleptMillis) {
        EXPECT_GE(ms, 29);
        EXPECT_LE(ms, 32);
    }
    EXPECT_NEAR(game.now, 1.0, 0.05);
}

TEST_F(LoopTest, StallRunsFourUpdatesAndRestartsTheSchedule) {
    game.SetUpdateRate(30);
    game.renderCost = 0.010;
    game.passLimit = 12;
    // Pass 5 stalls for a second while it handles its events.
    game.duringEvents = [&](int pass) {
        if (pass == 5) game.now += 1.0;
    };
    game.Run();
    EXPECT_EQ(game.passes[5].updates, 4);
    EXPECT_EQ(game.passes[5].nextUpdateAtEnd, 0.0);
    for (size_t i = 0; i < game.passes.size(); ++i) EXPECT_LE(game.passes[i].updates, 4);
    EXPECT_EQ(game.passes[6].updates, 1);
    EXPECT_NE(game.passes[6].nextUpdateAtEnd, 0.0);
}

// An update due at the very time the clock reads runs in that pass: a
// render that takes exactly two periods gets two updates in every pass,
// so the game keeps its rate (times in halves and quarters of a second
// are exact).
TEST_F(LoopTest, AnUpdateDueNowRunsInThisPass) {
    game.SetUpdateRate(4);
    game.renderCost = 0.5;
    game.passLimit = 6;
    game.Run();
    EXPECT_EQ(game.passes[0].updates, 1);
    for (size_t i = 1; i < game.passes.size(); ++i) EXPECT_EQ(game.passes[i].updates, 2) << i;
    EXPECT_EQ(game.now, 3.0);
    EXPECT_EQ(TotalUpdates(), 11);
}

// Away for seconds: the game is suspended when the delegate hears of it
// and running again when it hears of the resume, and the resume starts the
// schedule afresh from the present: one update in the pass that resumes,
// none of the time away caught up. The loop's own suspend clears the
// schedule too, so the second case suspends the game by the host event
// alone, before the loop's focus step, and leaves the schedule to the
// resume.
TEST_F(LoopTest, ResumingRestartsTheSchedule) {
    for (bool byFocusStep : {true, false}) {
        SCOPED_TRACE(byFocusStep ? "suspended by the focus step" : "suspended by the host event alone");
        ScriptedGame g;
        LoopDelegate *ld = gc_New<LoopDelegate>(&g);
        g.SetDelegate(ld);
        g.SetUpdateRate(30);
        g.renderCost = 0.010;
        g.passLimit = 10;
        g.focused = [](int pass) { return pass < 3 || pass >= 6; };
        double resumedAt = 0;
        g.duringEvents = [&](int pass) {
            if (pass == 3 && !byFocusStep) g.SuspendGame();
            if (pass == 4 || pass == 5) g.now += 2.0;  // waiting for events
            if (pass == 6) resumedAt = g.now;
        };
        g.Run();
        EXPECT_EQ(ld->runStates, (std::vector<std::string>{"start started running", "suspend started suspended",
                                                           "resume started running"}));
        EXPECT_EQ(g.passes[3].suspends, 1);
        EXPECT_EQ(g.passes[3].updates, 0);
        EXPECT_EQ(g.passes[6].resumes, 1);
        EXPECT_EQ(g.passes[6].updates, 1);
        EXPECT_DOUBLE_EQ(g.passes[6].nextUpdateAtEnd, resumedAt + 1.0 / 30);
        for (size_t i = 7; i < g.passes.size(); ++i) EXPECT_EQ(g.passes[i].updates, 1) << i;
    }
}

TEST_F(LoopTest, RateZeroUpdatesOncePerPassWithoutSleeping) {
    game.SetUpdateRate(0);
    game.renderCost = 0.004;
    game.passLimit = 10;
    game.Run();
    for (const PassRecord &p : game.passes) {
        EXPECT_EQ(p.updates, 1);
        EXPECT_EQ(p.sleeps, 0);
    }
}

TEST_F(LoopTest, RateChangeInsideAnUpdateEndsThePass) {
    game.SetUpdateRate(30);
    game.renderCost = 0.010;
    game.passLimit = 8;
    // Pass 3 is far behind; its first update sets a new rate.
    game.duringEvents = [&](int pass) {
        if (pass == 3) game.now += 0.5;
    };
    d->onUpdate = [&](int) {
        if (game.Pass() == 3) game.SetUpdateRate(60);
    };
    game.Run();
    EXPECT_EQ(game.passes[3].updates, 1);
    EXPECT_EQ(game.passes[3].nextUpdateAtEnd, 0.0);
    EXPECT_EQ(game.passes[4].updates, 1);
}

TEST_F(LoopTest, FocusScript) {
    game.SetUpdateRate(0);
    game.passLimit = 10;
    // Unfocused before focus was ever seen (0, 1), focused (2, 3), lost (4-6), back (7-).
    game.focused = [](int pass) { return pass >= 2 && !(pass >= 4 && pass <= 6); };
    game.Run();
    const auto &p = game.passes;
    EXPECT_EQ(p[0].updates, 1);
    EXPECT_EQ(p[1].updates, 1);  // never focused yet: keeps updating
    EXPECT_EQ(p[4].suspends, 1);
    int suspends = 0, resumes = 0;
    for (const PassRecord &r : p) suspends += r.suspends, resumes += r.resumes;
    EXPECT_EQ(suspends, 1);
    EXPECT_EQ(resumes, 1);
    for (int i = 4; i <= 6; ++i) {
        EXPECT_EQ(p[i].updates, 0) << i;
        EXPECT_EQ(p[i].renders, 1) << i;
    }
    EXPECT_EQ(p[5].waits, 1);  // suspended: blocks for events
    EXPECT_EQ(p[7].resumes, 1);
    EXPECT_EQ(p[7].updates, 1);  // the first update follows in the same pass
}

TEST_F(LoopTest, CloseWhileSuspendedLetsTheAppUpdate) {
    game.SetUpdateRate(0);
    game.passLimit = 9;
    game.focused = [](int pass) { return pass < 2; };
    int closeSeenInUpdate = -1;
    game.duringEvents = [&](int pass) {
        if (pass == 4) game.HandleWindowClose();
    };
    d->onUpdate = [&](int) {
        if (game.Pass() >= 4 && closeSeenInUpdate < 0) closeSeenInUpdate = game.Pass();
    };
    game.Run();
    EXPECT_EQ(game.passes[3].updates, 0);
    EXPECT_EQ(closeSeenInUpdate, 4);  // resumed for the close request in that pass
    EXPECT_EQ(game.passes[5].suspends, 1);  // still unfocused: suspended again
    EXPECT_EQ(game.passes[6].updates, 0);
}

// A close request must reach an update however it meets the focus loss:
// before it, in the very event step that finds the focus gone, or while
// suspended. The app here acts on the request at its next update, as the
// game does (it saves, then ends).
TEST_F(LoopTest, CloseRequestReachesAnUpdateHoweverItMeetsTheFocusLoss) {
    struct Case {
        const char *what;
        int closePass;  // the focus goes at pass 3
    } cases[] = {{"while focused", 2}, {"in the step that loses the focus", 3}, {"while suspended", 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedGame g;
        LoopDelegate *ld = gc_New<LoopDelegate>(&g);
        g.SetDelegate(ld);
        g.SetUpdateRate(30);
        g.renderCost = 0.010;
        g.passLimit = 9;
        g.focused = [](int pass) { return pass < 3; };
        g.duringEvents = [&](int pass) {
            if (pass == c.closePass) g.HandleWindowClose();
        };
        bool requested = false;
        int actedAt = -1;
        ld->onKey = [&](int event, int data) {
            requested = requested || (event == event_KeyDown && data == key_WindowClose);
        };
        ld->onUpdate = [&](int) {
            if (requested && actedAt < 0) actedAt = g.Pass();
        };
        g.Run();
        EXPECT_EQ(actedAt, c.closePass);
        EXPECT_EQ(g.passes[c.closePass].updates, 1);
    }
}

TEST(SleepMillisTest, WholeMilliseconds) {
    struct Case {
        double s;
        int ms;
    } cases[] = {{0.0339, 33}, {0.001, 1}, {0.0009999, 0}, {0.0, 0}, {-1.0, 0}, {1e12, 2147483647}};
    for (const Case &c : cases) EXPECT_EQ(HxGlfwGame::SleepMillis(c.s), c.ms) << c.s;
}

// ---------------------------------------------------------------------------
// The callbacks' handlers send the host events the system expects.

struct EventLog : HxGameDelegate {
    struct Ev {
        char kind;
        int event, data;
        float x, y, z;
        bool operator==(const Ev &o) const {
            return kind == o.kind && event == o.event && data == o.data && x == o.x && y == o.y && z == o.z;
        }
    };
    std::vector<Ev> log;
    void KeyEvent(int e, int data) override { log.push_back({'K', e, data, 0, 0, 0}); }
    void MouseEvent(int e, int data, float x, float y, float z) override { log.push_back({'M', e, data, x, y, z}); }
};

class HandlerTest : public RuntimeTest {
protected:
    HxZentrovaGame game;
    EventLog *log = nullptr;
    void SetUp() override {
        RuntimeTest::SetUp();
        log = gc_New<EventLog>();
        game.SetDelegate(log);
        game.StartGame();
    }
    using Ev = EventLog::Ev;
    std::vector<Ev> Take() {
        std::vector<Ev> l = log->log;
        log->log.clear();
        return l;
    }
};

TEST_F(HandlerTest, KeysAndCharacters) {
    game.HandleKey(GLFW_KEY_LEFT, GLFW_PRESS);
    game.HandleKey(GLFW_KEY_LEFT, GLFW_REPEAT);
    game.HandleKey(GLFW_KEY_LEFT, GLFW_RELEASE);
    EXPECT_EQ(Take(), (std::vector<Ev>{{'K', 1, 37, 0, 0, 0},
                                       {'K', 3, 65573, 0, 0, 0},
                                       {'K', 1, 37, 0, 0, 0},
                                       {'K', 3, 65573, 0, 0, 0},
                                       {'K', 2, 37, 0, 0, 0}}));
    game.HandleKey(GLFW_KEY_DELETE, GLFW_PRESS);
    game.HandleKey(GLFW_KEY_A, GLFW_PRESS);  // letters: no character from the key
    game.HandleChar('a');
    game.HandleKey(GLFW_KEY_KP_ENTER, GLFW_PRESS);  // ignored keys
    game.HandleKey(GLFW_KEY_LEFT_ALT, GLFW_PRESS);
    game.HandleKey(GLFW_KEY_F13, GLFW_PRESS);
    game.HandleKey(GLFW_KEY_W, 7);  // unknown action
    EXPECT_EQ(Take(), (std::vector<Ev>{{'K', 1, 46, 0, 0, 0}, {'K', 3, 127, 0, 0, 0}, {'K', 1, 65, 0, 0, 0}, {'K', 3, 97, 0, 0, 0}}));
}

TEST_F(HandlerTest, MouseScrollCloseAndSize) {
    game.HandleMouseButton(0, GLFW_PRESS, 10.5, 20.25);
    game.HandleMouseButton(3, GLFW_PRESS, 1, 1);  // above 2: ignored
    game.HandleMouseButton(1, GLFW_RELEASE, 11, 21);
    game.HandleScroll(11, 21, -2.0);
    game.HandleCursorPos(12, 22);
    EXPECT_EQ(Take(), (std::vector<Ev>{{'M', 4, 0, 10.5f, 20.25f, 0},
                                       {'M', 5, 1, 11, 21, 0},
                                       {'M', 6, -1, 11, 21, -2.0f},
                                       {'M', 6, -1, 12, 22, 0}}));
    game.HandleWindowClose();
    EXPECT_EQ(Take(), (std::vector<Ev>{{'K', 1, 432, 0, 0, 0}, {'K', 2, 432, 0, 0, 0}}));
    game.HandleWindowSize(800, 600);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(game.GetDeviceWidth(), 800);
    EXPECT_EQ(game.GetDeviceHeight(), 600);
}

}  // namespace
