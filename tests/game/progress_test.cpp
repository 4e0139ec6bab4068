// The progress record: what is written, what is read back from good,
// damaged and hostile state files, and that a save interrupted at any
// moment leaves a whole record.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "tests/game/support/headless.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

const char kInitial[] =
    R"({"cntbighealing":0,"cnthealing":0,"cntinvulnerability":0,"cntrevive":0,"coins":0,"lvlcampaign":1,"lvlopenworld":1})";

// The file's bytes, or "<none>" when there is no file.
std::string ReadFile(const std::string &path) { return test_Exists(path) ? test_ReadFile(path) : "<none>"; }
void WriteFile(const std::string &path, const std::string &bytes) { ASSERT_TRUE(test_WriteFile(path, bytes)); }

class ProgressTest : public HeadlessGameTest {
protected:
    std::vector<int> Globals() {
        return {progress_LevelCampaign, progress_LevelOpenWorld, progress_Coins, progress_Healings,
                progress_BigHealings, progress_Invulnerabilities, progress_Revives};
    }
};

struct LoadCase {
    const char *name;
    const char *state;  // nullptr: no state file
    std::vector<int> globals;  // campaign, open world, coins, healings, big, invulnerability, revives
    int exists;
    bool unreadable;  // a line and the .bad copy
};

const std::string kDeep = std::string(600, '[') + std::string(600, ']');

TEST_F(ProgressTest, LoadTable) {
    const std::vector<int> first = {1, 1, 0, 0, 0, 0, 0};
    const std::string bom = "\xEF\xBB\xBF{\"coins\":12}";
    const LoadCase cases[] = {
        {"missing file", nullptr, first, 0, false},
        {"empty", "", first, 0, false},
        {"white space only", " \n\t ", first, 1, true},
        {"byte-order mark", bom.c_str(), {1, 1, 12, 0, 0, 0, 0}, 1, false},
        {"initial record", kInitial, first, 1, false},
        {"every member",
         R"({"cntbighealing":4,"cnthealing":3,"cntinvulnerability":5,"cntrevive":6,"coins":2,"lvlcampaign":7,"lvlopenworld":8})",
         {7, 8, 2, 3, 4, 5, 6}, 1, false},
        {"level 0", R"({"lvlcampaign":0,"lvlopenworld":0})", first, 1, false},
        {"level 25", R"({"lvlcampaign":25,"lvlopenworld":25})", {20, 20, 0, 0, 0, 0, 0}, 1, false},
        {"level -3", R"({"lvlcampaign":-3,"lvlopenworld":-3})", first, 1, false},
        {"coins -50", R"({"coins":-50})", {1, 1, -50, 0, 0, 0, 0}, 1, false},
        {"extra and missing keys", R"({"coins":7,"ships":3,"lvlopenworld":4})", {1, 4, 7, 0, 0, 0, 0}, 1, false},
        {"trailing text", R"({"coins":9} and then some)", {1, 1, 9, 0, 0, 0, 0}, 1, false},
        // Nothing after the record's closing brace is read, not even a token
        // that would be malformed; braces inside strings and nested values
        // do not end the record early.
        {"trailing quote", R"({"coins":9} ")", {1, 1, 9, 0, 0, 0, 0}, 1, false},
        {"trailing minus", "{\"coins\":9}-", {1, 1, 9, 0, 0, 0, 0}, 1, false},
        {"trailing exponent", "{\"coins\":9}\n1e", {1, 1, 9, 0, 0, 0, 0}, 1, false},
        {"braces inside", R"({"x}":"}{","n":{"m":[1,{}]},"coins":9}-)", {1, 1, 9, 0, 0, 0, 0}, 1, false},
        {"unclosed before the text", R"({"coins":9 -)", first, 1, true},
        {"truncated", R"({"cntbighealing":0,"cnthealing":3,"cntinv)", first, 1, true},
        {"garbage", "\x01\x02zz\xff", first, 1, true},
        {"array", "[]", first, 1, true},
        {"number", "5", first, 1, true},
        {"null", "null", first, 1, true},
        {"string member", R"({"coins":"lots","lvlcampaign":3,"cntrevive":null})", {3, 1, 0, 0, 0, 0, 0}, 1, true},
        {"beyond 32 bits", R"({"coins":99999999999,"cntrevive":-99999999999,"lvlcampaign":99999999999})",
         {20, 1, 2147483647, 0, 0, 0, -2147483647 - 1}, 1, false},
        {"deep nesting", kDeep.c_str(), first, 1, true},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.name);
        program_InitGlobals();
        std::remove(".zentrovastate");
        std::remove(".zentrovastate.bad");
        if (c.state) WriteFile(".zentrovastate", c.state);
        ::testing::internal::CaptureStdout();
        game_LoadProgress();
        std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(Globals(), c.globals);
        EXPECT_EQ(progress_Exists, c.exists);
        if (c.unreadable) {
            EXPECT_EQ(out,
                      "Velmora: the saved progress in .zentrovastate could not be read; it is kept as "
                      ".zentrovastate.bad\n");
            EXPECT_EQ(ReadFile(".zentrovastate.bad"), c.state);
        } else {
            EXPECT_EQ(out, "");
            EXPECT_EQ(ReadFile(".zentrovastate.bad"), "<none>");
        }
        // The file itself is left for the next save to replace.
        EXPECT_EQ(ReadFile(".zentrovastate"), c.state ? c.state : "<none>");
    }
}

TEST_F(ProgressTest, SaveWritesTheRecordAndRoundTrips) {
    game_SaveProgress();
    EXPECT_EQ(ReadFile(".zentrovastate"), kInitial);
    EXPECT_EQ(progress_Exists, 1);

    progress_LevelCampaign = 20;
    progress_Coins = -7;
    progress_Revives = 2147483647;
    game_SaveProgress();
    const std::string once = ReadFile(".zentrovastate");
    EXPECT_EQ(once,
              R"({"cntbighealing":0,"cnthealing":0,"cntinvulnerability":0,"cntrevive":2147483647,"coins":-7,"lvlcampaign":20,"lvlopenworld":1})");
    program_InitGlobals();
    game_LoadProgress();
    game_SaveProgress();
    EXPECT_EQ(ReadFile(".zentrovastate"), once);
}

TEST_F(ProgressTest, UnreadableFileIsReplacedByTheNextSave) {
    WriteFile(".zentrovastate", "{\"coins\":");
    ::testing::internal::CaptureStdout();
    game_LoadProgress();
    (void)::testing::internal::GetCapturedStdout();
    game_SaveProgress();
    EXPECT_EQ(ReadFile(".zentrovastate"), kInitial);
    EXPECT_EQ(ReadFile(".zentrovastate.bad"), "{\"coins\":");
}

TEST_F(ProgressTest, FailedSavePrintsALineAndGoesOn) {
    // A folder in the state file's place: the replacement cannot land.
    ASSERT_EQ(mkdir(".zentrovastate", 0755), 0);
    ::testing::internal::CaptureStdout();
    game_SaveProgress();
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Velmora: could not save the progress to .zentrovastate (error -2)\n");
}

TEST(SaturatingAdd, HoldsTheInt32Range) {
    EXPECT_EQ(game_SaturatingAdd(5, 7), 12);
    EXPECT_EQ(game_SaturatingAdd(2147483000, 6000), 2147483647);
    EXPECT_EQ(game_SaturatingAdd(-2147483000, -6000), -2147483647 - 1);
    EXPECT_EQ(game_SaturatingAdd(2147483647, -2147483647), 0);
    EXPECT_EQ(game_SaturatingAdd(0, 99999999999LL), 2147483647);
}

// A child saves record after record; killed at a random moment, it leaves
// a state file holding one whole record of the sequence.
TEST_F(ProgressTest, SaveKilledAtAnyMomentLeavesAWholeRecord) {
    std::mt19937 rng(20261210);
    int lastSeen = -1;
    for (int round = 0; round < 200; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                progress_Coins = round * 100000 + i;
                progress_Healings = i;
                game_SaveProgress();
            }
        }
        usleep(std::uniform_int_distribution<int>(0, 3000)(rng));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string text = ReadFile(".zentrovastate");
        if (text == "<none>") {
            ASSERT_EQ(lastSeen, -1) << "the state file went away in round " << round;
            continue;
        }
        program_InitGlobals();
        ::testing::internal::CaptureStdout();
        game_LoadProgress();
        ASSERT_EQ(::testing::internal::GetCapturedStdout(), "") << "round " << round << ": " << text;
        // The record is whole: coins and healings were saved together.
        const int coins = progress_Coins;
        if (coins >= round * 100000) {
            EXPECT_EQ(coins - round * 100000, progress_Healings) << text;
        } else {
            EXPECT_EQ(coins, lastSeen) << "an older round's record that is not the last one seen: " << text;
        }
        lastSeen = progress_Coins;
    }
}

}  // namespace
