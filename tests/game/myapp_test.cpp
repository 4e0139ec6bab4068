// The application object through a session: the clocks, the state
// machine's requests, suspension, the pointer, resizing and the quit.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_story.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "tests/game/support/session.h"

namespace {

const char kInitial[] =
    R"({"cntbighealing":0,"cnthealing":0,"cntinvulnerability":0,"cntrevive":0,"coins":0,"lvlcampaign":1,"lvlopenworld":1})";

class AppTest : public SessionTest {};

TEST_F(AppTest, FirstUpdateTakesTheWholeCountSinceStartAndEntersTheSplash) {
    Session &s = session();
    EXPECT_EQ(game_StateMachine.get(), nullptr);
    s.Start();
    ASSERT_NE(game_StateMachine.get(), nullptr);
    EXPECT_EQ(game_StateMachine->m_state, 0);
    EXPECT_EQ(s.Host().updateRate, 30);
    EXPECT_EQ(ImageFlagsMask, 0);
    s.AdvanceClock(4321);
    s.Update(33);
    EXPECT_EQ(game_RawDelta, s.Now());
    EXPECT_EQ(game_Clock, s.Now());
    EXPECT_TRUE(game_StateMachine->Is(ScreenState_Splash, ScreenPhase_Waiting));
    EXPECT_EQ(game_StateMachine->m_stateEntryTime, game_Clock);
    EXPECT_EQ(game_StateMachine->m_phaseEntryTime, game_Clock);
}

TEST_F(AppTest, RequestsTakeEffectAtTheNextUpdate) {
    Session &s = session();
    s.Start();
    s.Update(33);
    c_StateMachine *m = game_StateMachine;
    const int splashSince = game_Clock;

    // Two requests before one update: the later wins.
    m->SetState(ScreenState_Menu);
    m->SetState(ScreenState_Shop);
    m->SetPhase(ScreenPhase_Leaving);
    m->SetPhase(ScreenPhase_Entering);
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Waiting));  // not before the update
    s.Update(40);
    EXPECT_TRUE(m->Is(ScreenState_Shop, ScreenPhase_Entering));
    EXPECT_EQ(m->m_stateEntryTime, game_Clock);
    EXPECT_EQ(m->m_phaseEntryTime, game_Clock);
    EXPECT_GT(game_Clock, splashSince);

    // A request for the phase it is in keeps the phase's entry time; a new
    // state with the same phase keeps it too.
    const int enteredAt = game_Clock;
    m->SetPhase(ScreenPhase_Entering);
    s.Update(50);
    EXPECT_EQ(m->m_phaseEntryTime, enteredAt);
    EXPECT_EQ(m->TimeInPhase(), 50);
    m->m_nextState = ScreenState_Play;
    s.Update(50);
    EXPECT_TRUE(m->Is(ScreenState_Play, ScreenPhase_Entering));
    EXPECT_EQ(m->m_stateEntryTime, game_Clock);
    EXPECT_EQ(m->m_phaseEntryTime, enteredAt);
    EXPECT_EQ(m->TimeInPhase(), 100);
    m->Reset();
    s.Update(10);
    EXPECT_TRUE(m->Is(ScreenState_Splash, ScreenPhase_Waiting));
}

TEST_F(AppTest, SuspendedTimeIsLeftOutOfTheClocks) {
    Session &s = session();
    s.Start();
    s.Step(3);
    const int clock = game_Clock;
    s.Suspend();
    EXPECT_EQ(s.ReadState(), kInitial);  // saved as it suspends
    s.AdvanceClock(10000);
    s.Update(33);  // the host sends no update while suspended
    EXPECT_EQ(game_Clock, clock);
    s.Resume();
    s.Update(33);
    EXPECT_EQ(game_RawDelta, 10033 + 33);
    EXPECT_EQ(game_FrameDelta, 33);
    EXPECT_EQ(game_Clock, clock + 33);
}

TEST_F(AppTest, ClocksWrapWithTheHostCounter) {
    Session &s = session();
    s.Start();
    s.Update(33);
    // 24.8 days on: the host's counter wraps to negative values.
    s.AdvanceClock(static_cast<int>(INT_MAX - s.Now() - 40));
    s.Update(33);
    game_Clock = INT_MAX - 5;
    s.Update(33);
    EXPECT_EQ(game_LastMillisecs, INT_MIN + 25);
    EXPECT_EQ(game_RawDelta, 33);
    EXPECT_EQ(game_FrameDelta, 33);
    EXPECT_EQ(game_Clock, INT_MIN + 27);
}

// The timers keep their pace while the clocks pass INT32_MAX and wrap to
// negative values: the story's start timer and the first balloon's
// typewriter, the ship and ice-cube spawns, and the credits' scroll, in a
// roll that crosses the wrap and in one that starts after it.
TEST_F(AppTest, TimersRunAcrossTheClocksWrap) {
    Session &s = session();
    s.Start();
    s.Step(1);
    c_Game::StartWorld(GameMode_Campaign);
    game_StateMachine->SetState(ScreenState_Play);
    game_StateMachine->SetPhase(ScreenPhase_Active);

    // The start timer: 1000 ms of world time, set 500 ms before the wrap.
    world_Clock = INT_MAX - 533;
    game_Clock = INT_MAX - 3500;
    s.Step(1);
    ASSERT_TRUE(game_StateMachine->Is(ScreenState_Play, ScreenPhase_Active));
    ASSERT_EQ(world_StoryState, StoryState_Start);
    ASSERT_EQ(world_CentringState, INT_MIN + 499);
    int elapsed = 0;
    while (world_StoryState == StoryState_Start && elapsed < 5000) {
        s.Step(1);
        elapsed += 33;
    }
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 1000 + 33);

    // The first balloon opens before the wrap and types across it: each
    // character when its time has come, 500 ms after the opening and then
    // by the delays.
    for (int n = 0; !balloon_Current && n < 100; ++n) s.Step(1);
    c_GuiBalloon *balloon = balloon_Current;
    ASSERT_NE(balloon, nullptr);
    const int64_t openedAt = game_Clock;
    ASSERT_LT(openedAt, INT_MAX - 1000);
    std::vector<int> due;
    int at = 500;
    for (int i = 0; i < balloon->m_lineCount; ++i) {
        c_GuiBalloonText *line = balloon->m_lines[i];
        for (int k = 0; k < line->m_delays.Length(); ++k) {
            due.push_back(at);
            at += line->m_delays[k];
        }
    }
    ASSERT_GT(static_cast<int64_t>(due.back()), INT_MAX - openedAt);  // the wrap comes first
    elapsed = 0;
    for (int n = 0; balloon_TextDone == 0 && n < 1000; ++n) {
        int shown = 0;
        for (int i = 0; i < balloon->m_lineCount; ++i) shown += balloon->m_lines[i]->m_index;
        int want = 0;
        while (want < static_cast<int>(due.size()) && due[want] <= elapsed) ++want;
        ASSERT_EQ(shown, want) << elapsed << " ms after the balloon opened (game clock " << game_Clock << ")";
        s.Step(1);
        elapsed += 33;
    }
    EXPECT_EQ(balloon_TextDone, 1);
    EXPECT_GE(elapsed, due.back());
    EXPECT_LT(elapsed, due.back() + 33);
    EXPECT_LT(game_Clock, 0);
    s.KeyDown(32);
    s.Step(1);
    s.KeyUp(32);
    s.Step(1);
    EXPECT_EQ(balloon_Current.get(), nullptr);
    EXPECT_EQ(world_StoryState, StoryState_TheLiner);

    // Spawning, switched on 20 s before the world clock wraps: a ship at
    // once and then every 6000 ms, an ice cube every 13333 ms, each on the
    // first update at or after its time (33 ms steps).
    world_StoryState = StoryState_Playing;
    world_SteeringOn = world_SpawningOn = 1;
    world_Player->m_immune = 1;
    world_Clock = INT_MAX - 20000;
    world_ShipTimer = world_Clock;
    world_IceCubeTimer = world_Clock + 13333;
    std::vector<int> ships, cubes;
    for (elapsed = 33; elapsed <= 40100; elapsed += 33) {
        std::set<c_SwimmingObject *> before;
        for (int i = 0; i < world_Objects.Length(); ++i) before.insert(world_Objects[i]);
        s.Step(1);
        for (int i = 0; i < world_Objects.Length(); ++i) {
            c_SwimmingObject *o = world_Objects[i];
            if (!o || before.count(o)) continue;
            if (o->m_kind == ObjectKind_IceCube) cubes.push_back(elapsed);
            if (o->m_kind == ObjectKind_SmallYacht || o->m_kind == ObjectKind_SmallIcebreaker) ships.push_back(elapsed);
        }
    }
    EXPECT_LT(world_Clock, 0);
    EXPECT_EQ(ships, (std::vector<int>{33, 6039, 12045, 18051, 24057, 30063, 36069}));
    EXPECT_EQ(cubes, (std::vector<int>{13365, 26730, 40095}));

    // The credits: one pixel per 100 ms at most, so one in every four
    // updates, the first in the first active update.
    auto roll = [&](int updates) {
        game_StateMachine->SetState(ScreenState_Splash);
        s.Step(1);
        game_StateMachine->SetState(ScreenState_Credits);
        for (int n = 0; !game_StateMachine->Is(ScreenState_Credits, ScreenPhase_Active) && n < 200; ++n) s.Step(1);
        ASSERT_TRUE(game_StateMachine->Is(ScreenState_Credits, ScreenPhase_Active));
        ASSERT_EQ(credits_ScrollCount, 1);  // the update that became active
        for (int n = 2; n <= updates; ++n) {
            s.Step(1);
            ASSERT_EQ(credits_ScrollCount, (n + 3) / 4) << "active update " << n << " (game clock " << game_Clock << ")";
        }
    };
    {
        SCOPED_TRACE("a roll across the wrap");
        game_Clock = INT_MAX - 2000 - 5000;
        roll(300);
        EXPECT_LT(game_Clock, 0);
    }
    {
        SCOPED_TRACE("a roll after the wrap");
        roll(100);
    }
}

TEST_F(AppTest, PointerIsInVirtualPixels) {
    Session &s = session();
    s.Start();
    s.MoveMouse(481, 270);
    s.MouseDown(0);
    s.Update(33);
    EXPECT_FLOAT_EQ(game_PointerX, 120.25f);
    EXPECT_FLOAT_EQ(game_PointerY, 67.5f);
    EXPECT_EQ(game_PointerHit, 1);
    EXPECT_EQ(game_PointerDown, 1);
    s.Update(33);
    EXPECT_EQ(game_PointerHit, 0);
    EXPECT_EQ(game_PointerDown, 1);
    s.MouseUp(0);
    s.Update(33);
    EXPECT_EQ(game_PointerDown, 0);
}

TEST_F(AppTest, ResizingLaysTheScreenOutAgainUnlessTooSmall) {
    Session &s = session();
    s.Start();
    EXPECT_EQ(screen_Scale, 4);
    EXPECT_EQ(screen_Width, 240);
    ASSERT_NE(balloon_LayerImage.get(), nullptr);
    ASSERT_NE(menu_WipeCanvas.get(), nullptr);

    s.ResizeDevice(1920, 1080);
    s.Step(1);
    EXPECT_EQ(screen_Scale, 8);
    EXPECT_EQ(screen_ScaledWidth, 1920);

    // Minimised: the previous set-up stays, canvas and targets included.
    c_Canvas *canvas = game_MainCanvas;
    c_Image2 *layer = balloon_LayerImage;
    s.ResizeDevice(200, 100);
    s.Step(2);
    EXPECT_EQ(screen_Scale, 8);
    EXPECT_EQ(game_MainCanvas.get(), canvas);
    EXPECT_EQ(balloon_LayerImage.get(), layer);

    s.ResizeDevice(1000, 600);
    s.Step(1);
    EXPECT_EQ(screen_Scale, 4);
    EXPECT_EQ(screen_Width, 250);
    EXPECT_EQ(screen_Height, 150);
    EXPECT_EQ(menu_WipeColumns, 25);
    EXPECT_EQ(menu_WipeRows, 15);
    EXPECT_EQ(controls_ItemBarX, 125);
    EXPECT_EQ(controls_ItemSize, 37);
    EXPECT_EQ(splash_ShipEndY, 56);
}

TEST_F(AppTest, LayoutAt960x540) {
    Session &s = session();
    s.Start();
    const int got[] = {controls_ItemBarX, controls_ItemSize, controls_ItemHalf, controls_ItemBarY,
                       controls_ButtonsX, controls_ButtonsY, controls_PauseX, controls_PauseY,
                       world_DeadZoneLeft, world_DeadZoneRight, world_DeadZoneTop, world_DeadZoneBottom,
                       menu_ThumbLeftX, menu_ThumbRightX, menu_ThumbY, menu_WipeColumns, menu_WipeRows,
                       menu_WipeMarginX, menu_WipeMarginY, splash_ShipStartY, splash_ShipEndY, splash_TitleY};
    const int want[] = {120, 36, 18, 126, 226, 127, 120, 67, 48, 192, 27, 108,
                        60, 180, 28, 24, 13, 0, 2, 135, 48, 27};
    for (size_t i = 0; i < sizeof want / sizeof want[0]; ++i) EXPECT_EQ(got[i], want[i]) << "value " << i;
}

TEST_F(AppTest, CloseSavesAtTheNextUpdateAndEndsWithZero) {
    Session &s = session();
    s.Start();
    s.Step(5);
    progress_Coins = 77;
    ExitResult r = s.RunToExit([](Session &c) {
        c.Close();
        c.Step(1);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(s.ReadState(),
              R"({"cntbighealing":0,"cnthealing":0,"cntinvulnerability":0,"cntrevive":0,"coins":77,"lvlcampaign":1,"lvlopenworld":1})");
}

TEST_F(AppTest, CloseWhileSuspendedStillSaves) {
    Session &s = session();
    s.Start();
    s.Step(2);
    s.Suspend();
    s.RemoveState();
    ExitResult r = s.RunToExit([](Session &c) {
        c.Close();
        c.Step(2);
    });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(s.ReadState(), kInitial);
}

// A logout takes the focus and asks to close at once: the request is
// handled in the event step that finds the focus gone. The game still
// saves and ends with 0.
TEST_F(AppTest, CloseInTheStepThatLosesTheFocusStillSaves) {
    Session &s = session();
    s.Start();
    s.Step(2);
    progress_Coins = 31;
    ExitResult r = s.RunToExit([](Session &c) {
        c.Host().focused = false;
        c.Close();
        c.Step(2);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(s.ReadState().find("\"coins\":31"), std::string::npos) << s.ReadState();
}

// A full collection after every event: a global the roots miss loses its
// object at once, and ASan reports its next use.
class CollectingAppTest : public SessionTest {
protected:
    SessionOptions Options() const override {
        SessionOptions o;
        o.forceFullCollections = true;
        return o;
    }
};

TEST_F(CollectingAppTest, ASessionSurvivesAFullCollectionAtEveryStep) {
    Session &s = session();
    s.WriteState(R"({"coins":5,"lvlcampaign":3})");
    s.Start();
    s.Step(40);
    s.Suspend();
    s.Render();
    s.Resume();
    s.Press(87);
    s.MoveMouse(100, 100);
    s.Click(480, 270);
    s.ResizeDevice(1920, 1080);
    s.Step(10);
    s.ResizeDevice(960, 540);
    game_StateMachine->SetState(ScreenState_Play);
    s.Step(10);
    game_StateMachine->SetState(ScreenState_Menu);
    game_StateMachine->SetPhase(ScreenPhase_Entering);
    s.Step(10);
    EXPECT_EQ(progress_Coins, 5);
    EXPECT_EQ(screen_Scale, 4);
    EXPECT_EQ(LevelTierTable[19], 0);
    EXPECT_EQ(world_Objects.Length(), 30);
}

}  // namespace
