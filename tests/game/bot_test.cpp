// The bot plays the whole game through a session, as a player would with
// the keys and the mouse: the campaign from the splash and the menu at
// level 20 until the liner sinks, the last balloon closes, the credits
// roll and the splash returns; and the open world for 20 minutes of game
// time with the sea's invariants checked after every pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_story.h"
#include "runtime/rt_math.h"
#include "tests/game/support/session_bot.h"
#include "tests/game/support/session.h"
#include "tests/game/support/world_check.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

constexpr int kPassesPerMinute = 60000 / 33;

void Print(const char *what, const BotStats &st) {
    std::fprintf(stderr, "%s: %lld passes (%.1f game minutes), balloons %d, heals %d, deaths %d, revives %d, to menu %d, "
                "max level %d, pauses %d, resumes %d\n",
                what, static_cast<long long>(st.passes), st.passes / double(kPassesPerMinute), st.balloons, st.heals,
                st.deaths, st.revives, st.toMenu, st.maxLevel, st.pauses, st.resumes);
}

TEST(BotTest, PlaysTheCampaignFromLevel20ToTheCreditsAndTheSplash) {
    Session s;
    s.WriteState(R"({"cntbighealing":0,"cnthealing":5,"cntinvulnerability":0,"cntrevive":2,"coins":100,)"
                 R"("lvlcampaign":20,"lvlopenworld":1})");
    s.Start();
    random_Seed = 4242;
    SessionBot bot(s, 0);
    bool played = false, linerSeen = false, linerSunk = false, credits = false, back = false;
    const int64_t limit = 60LL * kPassesPerMinute;
    while (bot.Stats().passes < limit) {
        bot.Tick();
        FakeGl::ClearLog();  // unread here; kept, the call log grows by some 35 MB a game minute
        const int state = Bot::State();
        if (state == ScreenState_Play) played = true;
        if (played && c_Game::CountObjectsOfKind(ObjectKind_CruiseLiner) > 0) linerSeen = true;
        if (world_StoryState == StoryState_LinerSinking || world_StoryState == StoryState_LinerGone) linerSunk = true;
        if (state == ScreenState_Credits) credits = true;
        if (credits && state == ScreenState_Splash) {
            back = true;
            break;
        }
    }
    Print("campaign", bot.Stats());
    ASSERT_TRUE(played) << "the menu's campaign button never led to play";
    ASSERT_TRUE(linerSeen) << "no liner came within 60 game minutes";
    ASSERT_TRUE(linerSunk) << "the bot did not sink the liner within 60 game minutes";
    ASSERT_TRUE(credits) << "the credits did not roll within 60 game minutes";
    ASSERT_TRUE(back) << "the splash did not return after the credits within 60 game minutes";
    EXPECT_GT(bot.Stats().balloons, 0);

    // What the run collected, as the exit's save must write it.
    const std::string coins = "\"coins\":" + std::to_string(progress_Coins) + ",";
    const std::string healings = "\"cnthealing\":" + std::to_string(progress_Healings) + ",";
    const std::string revives = "\"cntrevive\":" + std::to_string(progress_Revives) + ",";
    EXPECT_EQ(progress_LevelCampaign, 1);
    EXPECT_FALSE(balloon_Current) << "a balloon is still open";

    ExitResult r = s.RunToExit([](Session &c) { c.Close(); c.Step(5); });
    EXPECT_TRUE(r.exited) << r.output;
    EXPECT_EQ(r.code, 0) << r.output;
    const std::string state = s.ReadState();
    std::fprintf(stderr, "state after the campaign: %s\n", state.c_str());
    EXPECT_EQ(state.front(), '{') << state;
    EXPECT_EQ(state.back(), '}') << state;
    EXPECT_NE(state.find("\"lvlcampaign\":1,"), std::string::npos) << state;
    EXPECT_NE(state.find(coins), std::string::npos) << state;
    EXPECT_NE(state.find(healings), std::string::npos) << state;
    EXPECT_NE(state.find(revives), std::string::npos) << state;
}

TEST(BotTest, PlaysTheOpenWorldFor20GameMinutesWithTheSeaWhole) {
    Session s;
    s.WriteState(R"({"cnthealing":3,"cntrevive":1,"coins":0,"lvlcampaign":1,"lvlopenworld":1})");
    s.Start();
    random_Seed = 777;
    SessionBot bot(s, 1);
    bot.PauseEvery(5 * kPassesPerMinute);
    int64_t playPasses = 0;
    const int64_t goal = 20LL * kPassesPerMinute;
    while (playPasses < goal && bot.Stats().passes < goal + 10 * kPassesPerMinute) {
        bot.Tick();
        FakeGl::ClearLog();  // unread here; kept, the call log grows by some 35 MB a game minute
        if (Bot::State() != ScreenState_Play || !world_Player) continue;
        ++playPasses;
        const std::string fault = world_CheckWhole(false);
        ASSERT_EQ(fault, "") << "after " << bot.Stats().passes << " passes";
    }
    Print("open world", bot.Stats());
    EXPECT_GE(playPasses, goal) << "the open world was not played for 20 game minutes";
    EXPECT_GT(bot.Stats().balloons, 0);
    EXPECT_GT(bot.Stats().maxLevel, 1) << "the bot never levelled up";
    EXPECT_GT(bot.Stats().pauses, 0);
    EXPECT_EQ(bot.Stats().resumes, bot.Stats().pauses);
}

}  // namespace
