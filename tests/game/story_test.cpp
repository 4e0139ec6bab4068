// The story: the campaign's tutorial and the open world's introduction
// confirmed balloon by balloon with Space, and the campaign's end once the
// liner has sunk.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_story.h"
#include "tests/game/support/headless.h"
#include "tests/game/support/session.h"
#include "tests/support/temp_dir.h"

namespace {

// Every text of the story, with its delay codes, by the story state that
// shows it.
const std::map<int, std::string> kStoryTexts = {
    {StoryState_Hello, "Hi.{1000}\\I am Iceberg.{2000}\\And when I grow up, I want to\\destroy a cruise liner."},
    {StoryState_TheLiner, "Not just any cruise liner.{500}\\A certain one:{1000}\\{0}The Velmora."},
    {StoryState_Steering, "You can steer me\\with W, A, S, D."},
    {StoryState_Items, "The items I carry\\(healings and invulnerability)\\can be used with 1, 2, 3."},
    {StoryState_Pause, "You can pause the game\\with escape.{500}\\There you'll also\\find the shop."},
    {StoryState_Confirm, "Texts like these\\can be confirmed\\with space."},
    {StoryState_Shared, "Oh, and:{1000}\\Items and coins are shared\\between the campaign and open world."},
    {StoryState_OpenWelcome, "Welcome to\\open world mode."},
    {StoryState_OpenCollect,
     "Here you can collect coins\\and items for the campaign.\\The further south you go,\\the stronger the enemies get."},
    {StoryState_OpenNoLiner, "You can't sink the Velmora, tho."},
    {StoryState_LinerGone, "I did it!{1000}\\I destroyed the Velmora!"},
    {StoryState_Won, "I finally won."},
};

std::vector<std::string> StoryTexts(const std::vector<int> &states) {
    std::vector<std::string> out;
    for (int state : states) out.push_back(kStoryTexts.at(state));
    return out;
}

class StoryTest : public HeadlessGameTest {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        c_StateMachine *machine = gc_New<c_StateMachine>()->m_new();
        machine->m_state = machine->m_nextState = ScreenState_Play;
        machine->m_phase = machine->m_nextPhase = ScreenPhase_Active;
        game_StateMachine = machine;
    }

    // One active play update in the frame driver's order. The confirm
    // button as the play controls leave it: a Space press while the text is
    // still showing skips it and uses the press up, unless paused.
    void PlayUpdate(bool space) {
        game_Clock += 33;
        world_Delta = world_Running ? 33 : 0;
        world_Clock += world_Delta;
        game_UpdateStory();
        controls_ButtonHit[2] = space ? 1 : 0;
        if (space && world_Running && balloon_Current && balloon_TextDone == 0) {
            balloon_Current->Skip();
            controls_ButtonHit[2] = 0;
        }
        if (world_Running) {
            game_UpdateObjects();
            c_Game::UpdateCamera();
            c_WaveLF::Update();
            for (int i = 0; i < world_Emitters.Length(); ++i) world_Emitters[i]->Update();
            c_WaveHF::Update();
            if (balloon_Current) balloon_Current->Update();
        }
        c_Game::SortObjectsByDepth();
    }

    // The balloon's text written back with its delay codes: a code before
    // each character whose delay differs from the one before (30 ms at the
    // start of each line), and a code after the last character when only
    // its delay differs (the pause before the next line).
    static std::string Source(c_GuiBalloon *b) {
        std::string out;
        for (int i = 0; i < b->m_lineCount; ++i) {
            if (i) out += "\\";
            const c_GuiBalloonText *line = b->m_lines[i];
            const String &t = line->m_text;
            const Array<int32_t> &delays = line->m_delays;
            int32_t delay = 30;
            for (int k = 0; k < t.Length(); ++k) {
                const bool last = k == t.Length() - 1;
                if (!last && delays[k] != delay) {
                    delay = delays[k];
                    out += "{" + std::to_string(delay) + "}";
                }
                out.push_back(static_cast<char>(t[k]));
                if (last && delays[k] != delay) out += "{" + std::to_string(delays[k]) + "}";
            }
            if (t.Length() == 0 && line->m_pause != 0) out += "{" + std::to_string(line->m_pause) + "}";
        }
        return out;
    }

    // Updates with a Space press every `every` updates until the story is
    // in `target` with no balloon open; the states it passed and the lines
    // of each balloon it opened are recorded. False after `limit` updates.
    bool RunTo(int target, int every = 10, int limit = 4000) {
        for (int n = 0; n < limit; ++n) {
            const bool wasOpen = balloon_Current;
            PlayUpdate(n % every == every - 1);
            if (states.empty() || states.back() != world_StoryState) states.push_back(world_StoryState);
            if (!wasOpen && balloon_Current) texts.push_back(Source(balloon_Current));
            // Nothing the story holds may depend on a local.
            if (n % 50 == 0) {
                gc_CollectAll();
                gc_CollectAll();
            }
            if (world_StoryState == target && !balloon_Current) return true;
            if (target != StoryState_Playing && world_SteeringOn) steeredEarly = true;
        }
        return false;
    }

    std::vector<int> states;
    std::vector<std::string> texts;
    bool steeredEarly = false;
};

TEST_F(StoryTest, CampaignTutorialFromStartToPlay) {
    c_Game::StartWorld(GameMode_Campaign);
    ASSERT_TRUE(RunTo(StoryState_Playing));
    EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 11, 12, 13, 14, 15, 0}));
    EXPECT_EQ(texts, StoryTexts({StoryState_Hello, StoryState_TheLiner, StoryState_Steering, StoryState_Items,
                                 StoryState_Pause, StoryState_Confirm, StoryState_Shared}));
    // Steering and spawning came on only with the last confirmation.
    EXPECT_EQ(world_SteeringOn, 1);
    EXPECT_EQ(world_SpawningOn, 1);
    EXPECT_EQ(world_CameraCentred, 0);
    EXPECT_EQ(world_CentringState, 0);
    EXPECT_EQ(world_Player->m_talking, 0);
    // Nothing more happens while the liner is afloat.
    for (int i = 0; i < 30; ++i) PlayUpdate(true);
    EXPECT_EQ(world_StoryState, StoryState_Playing);
    EXPECT_EQ(balloon_Current.get(), nullptr);
}

TEST_F(StoryTest, OpenWorldIntroductionFromStartToPlay) {
    c_Game::StartWorld(GameMode_OpenWorld);
    ASSERT_TRUE(RunTo(StoryState_Playing, 7));
    EXPECT_EQ(states, (std::vector<int>{1, 20, 21, 22, 0}));
    EXPECT_EQ(texts, StoryTexts({StoryState_OpenWelcome, StoryState_OpenCollect, StoryState_OpenNoLiner}));
    EXPECT_EQ(world_SteeringOn, 1);
    EXPECT_EQ(world_SpawningOn, 1);
    EXPECT_EQ(world_CameraCentred, 0);
}

TEST_F(StoryTest, TheFirstBalloonWaitsForTheStartTimerAndTheCamera) {
    c_Game::StartWorld(GameMode_Campaign);
    // State 1 waits 1000 ms of world time; then the camera scrolls to put
    // the iceberg 40 pixels below the centre before the first balloon.
    int n = 0;
    for (; world_StoryState == StoryState_Start && n < 100; ++n) PlayUpdate(false);
    EXPECT_GE(n * 33, 1000);
    EXPECT_LE(n * 33, 1000 + 2 * 33);
    for (n = 0; !balloon_Current && n < 100; ++n) PlayUpdate(false);
    ASSERT_NE(balloon_Current.get(), nullptr);
    // The camera from -67 to 40 pixels lower.
    EXPECT_EQ(world_CameraY, -107);
    EXPECT_EQ(world_CameraX, -120);
    EXPECT_EQ(world_CameraCentred, 1);
    // While paused the story still runs: the text stops, and a finished
    // balloon takes no confirm until the game runs again.
    world_Running = 0;
    const int shown = balloon_Current->m_lines[0]->m_index;
    for (int i = 0; i < 60; ++i) PlayUpdate(false);
    EXPECT_EQ(balloon_Current->m_lines[0]->m_index, shown);
    world_Running = 1;
    PlayUpdate(true);  // skip
    ASSERT_EQ(balloon_TextDone, 1);
    world_Running = 0;
    PlayUpdate(true);
    PlayUpdate(false);
    EXPECT_NE(balloon_Current.get(), nullptr);
    EXPECT_EQ(world_StoryState, StoryState_Hello);
    world_Running = 1;
    PlayUpdate(true);
    PlayUpdate(false);
    EXPECT_EQ(world_StoryState, StoryState_TheLiner);
}

TEST_F(StoryTest, SinkingTheLinerEndsTheStoryWithTheCredits) {
    c_Game::StartWorld(GameMode_Campaign);
    world_StoryState = StoryState_Playing;
    world_SteeringOn = world_SpawningOn = 1;
    progress_LevelCampaign = 20;
    c_ShipVelmora *liner = gc_New<c_ShipVelmora>()->m_new(20, 100, 100, 0);
    world_Objects[1] = liner;

    PlayUpdate(false);
    EXPECT_EQ(world_StoryState, StoryState_Playing);  // afloat
    liner->m_hitPoints = 0;
    PlayUpdate(false);
    EXPECT_EQ(world_StoryState, StoryState_LinerSinking);
    EXPECT_EQ(world_SpawningOn, 0);
    EXPECT_EQ(world_Player->m_immune, 1);
    EXPECT_EQ(world_Player->m_face, 7);
    EXPECT_EQ(world_SteeringOn, 1);

    // It sinks step by step; once the object pass has removed it, steering
    // stops.
    int n = 0;
    for (; world_StoryState == StoryState_LinerSinking && n < 3000; ++n) PlayUpdate(false);
    EXPECT_EQ(world_StoryState, StoryState_LinerGone);
    EXPECT_EQ(c_Game::CountObjectsOfKind(ObjectKind_CruiseLiner), 0);
    EXPECT_GE(n * 33, 500 * (liner->m_stepCount - 1));
    EXPECT_EQ(world_SteeringOn, 0);

    ASSERT_TRUE(RunTo(StoryState_Won));
    EXPECT_EQ(texts, StoryTexts({StoryState_LinerGone}));
    EXPECT_EQ(game_StateMachine->m_nextState, ScreenState_Play);
    EXPECT_FALSE(test_Exists(".zentrovastate"));

    // The last balloon: campaign level 1, saved, the credits requested.
    for (int n = 0; n < 300 && game_StateMachine->m_nextState == ScreenState_Play; ++n) {
        const bool wasOpen = balloon_Current;
        PlayUpdate(n % 10 == 9);
        if (!wasOpen && balloon_Current) texts.push_back(Source(balloon_Current));
    }
    EXPECT_EQ(texts, StoryTexts({StoryState_LinerGone, StoryState_Won}));
    EXPECT_EQ(balloon_Current.get(), nullptr);
    EXPECT_EQ(progress_LevelCampaign, 1);
    EXPECT_EQ(game_StateMachine->m_nextState, ScreenState_Credits);
    EXPECT_EQ(game_StateMachine->m_nextPhase, ScreenPhase_Waiting);
    ASSERT_TRUE(test_Exists(".zentrovastate"));
    EXPECT_NE(test_ReadFile(".zentrovastate").find("\"lvlcampaign\":1"), std::string::npos);
}

TEST_F(StoryTest, TheLinerEndsNothingInTheOpenWorldOrForADeadIceberg) {
    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        c_Game::StartWorld(mode);
        world_StoryState = StoryState_Playing;
        if (mode == 0) world_Player->m_hitPoints = 0;  // dies in this update
        c_ShipVelmora *liner = gc_New<c_ShipVelmora>()->m_new(20, 100, 100, 0);
        liner->m_hitPoints = 0;
        world_Objects[1] = liner;
        for (int i = 0; i < 5; ++i) PlayUpdate(false);
        EXPECT_EQ(world_StoryState, StoryState_Playing);
        EXPECT_EQ(world_Player->m_immune, 0);
    }
}

// The same through the running game: the host's Space key, the play
// controls, the frame driver's order, renders in between and a full
// collection after every event.
TEST(StoryInTheGame, SpaceTakesTheTutorialToPlayAndTheLinersEndToTheCredits) {
    SessionOptions options;
    options.forceFullCollections = true;
    Session s(options);
    s.Start();
    c_Game::StartWorld(GameMode_Campaign);
    game_StateMachine->SetState(ScreenState_Play);
    game_StateMachine->SetPhase(ScreenPhase_Active);
    s.Step(1);
    ASSERT_TRUE(game_StateMachine->Is(ScreenState_Play, ScreenPhase_Active));

    constexpr int kSpace = 32;
    int balloons = 0;
    // Space every tenth update until `done`; false after `limit` updates.
    auto run = [&](auto done, int limit) {
        for (int n = 0; n < limit; ++n) {
            if (done()) return true;
            const bool wasOpen = balloon_Current;
            if (n % 10 == 9) s.KeyDown(kSpace);
            s.Step(1);
            if (n % 10 == 9) s.KeyUp(kSpace);
            if (!wasOpen && balloon_Current) ++balloons;
        }
        return done();
    };
    ASSERT_TRUE(run([] { return world_StoryState == StoryState_Playing && !balloon_Current; }, 3000));
    EXPECT_EQ(balloons, 7);
    EXPECT_EQ(world_SteeringOn, 1);
    EXPECT_EQ(world_SpawningOn, 1);

    // The liner sunk: two more balloons, then the credits.
    world_SpawningOn = 0;
    progress_LevelCampaign = 20;
    c_ShipVelmora *liner = gc_New<c_ShipVelmora>()->m_new(20, 60, 60, 0);
    liner->m_hitPoints = 0;
    world_Objects[29] = liner;
    ASSERT_TRUE(run([] { return game_StateMachine->Is(ScreenState_Credits, ScreenPhase_Waiting); }, 3000));
    EXPECT_EQ(balloons, 9);
    EXPECT_EQ(progress_LevelCampaign, 1);
    EXPECT_NE(s.ReadState().find("\"lvlcampaign\":1"), std::string::npos);
}

}  // namespace
