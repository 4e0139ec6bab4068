// The real velmora under a private X server: it keeps the player's
// progress however it ends, closed by the window's button, closed while
// unfocused, or asked to end by a signal, and it starts with a state file
// it cannot read. Closed by the button or a signal it prints nothing, on a
// machine with sound; without it, only that it has no sound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/x_app.h"

namespace {

using namespace test_x;

const char kInitial[] =
    R"({"cntbighealing":0,"cnthealing":0,"cntinvulnerability":0,"cntrevive":0,"coins":0,"lvlcampaign":1,"lvlopenworld":1})";

class VelmoraTest : public XAppTest {
protected:
    TempDir dir;
    std::string State() { return dir.Read(".zentrovastate"); }
    bool StateExists() { return dir.Exists(".zentrovastate"); }
    // Starts the game in the private folder and waits for its window, which
    // it shows once its start-up has run.
    Window StartGame(Child &game, const std::vector<std::string> &env = {}) {
        game.Start(Folder() + "/velmora", env, dir.Path());
        return FindWindow("Velmora");
    }
    // The window is gone before the next game opens its own.
    ::testing::AssertionResult WindowGone() {
        return test_WaitUntil("the window to go",
                              [&] { return Shell("xdotool search --name '^Velmora$' 2>/dev/null").empty(); });
    }
};

// The audio device is closed before OpenAL's own clean-up, which would
// report it on stderr. A driver list naming no backend stands for a
// machine without sound.
TEST_F(VelmoraTest, ClosingTheWindowSavesAndEndsWithZero) {
    struct Case {
        const char *drivers;
        const char *printed;
    };
    const Case cases[] = {
        {"null", ""},
        {"no-such-backend", "OpenAl error: alcOpenDevice failed\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.drivers);
        std::remove(dir.Join(".zentrovastate").c_str());
        Child game;
        Window w = StartGame(game, {std::string("ALSOFT_DRIVERS=") + c.drivers});
        ASSERT_NE(w, 0u);
        EXPECT_NE(Shell("xdotool getwindowgeometry " + std::to_string(w)).find("Geometry: 960x540"),
                  std::string::npos);
        EXPECT_FALSE(StateExists());
        SendDeleteWindow(w);
        EXPECT_EQ(game.Wait(), 0);
        EXPECT_EQ(State(), kInitial);
        EXPECT_EQ(ReadFile(game.out), c.printed);
        EXPECT_EQ(ReadFile(game.err), "");
        ASSERT_TRUE(WindowGone());
    }
}

TEST_F(VelmoraTest, UnreadableStateIsKeptAsideAndReplaced) {
    dir.Write(".zentrovastate", "{\"coins\":12,\"lvlcamp");
    Child game;
    Window w = StartGame(game);
    ASSERT_NE(w, 0u);
    SendDeleteWindow(w);
    EXPECT_EQ(game.Wait(), 0);
    EXPECT_NE(ReadFile(game.out).find("Velmora: the saved progress in .zentrovastate could not be read; it is kept as "
                                      ".zentrovastate.bad\n"),
              std::string::npos)
        << ReadFile(game.out);
    EXPECT_EQ(dir.Read(".zentrovastate.bad"), "{\"coins\":12,\"lvlcamp");
    EXPECT_EQ(State(), kInitial);
}

// Focus away: the game saves as it suspends (the state file appears), and
// a close request then still ends it, saved, with 0.
TEST_F(VelmoraTest, ClosedWhileUnfocusedStillSaves) {
    Child game;
    Window w = StartGame(game);
    ASSERT_NE(w, 0u);
    Window decoy = MakeDecoy();
    // The game suspends only after it has seen the focus; on a busy machine
    // it may miss a short one, so the round is repeated until it saved.
    int hold = 50;
    ASSERT_TRUE(test_WaitUntil(
        "the game to see the focus, lose it and save",
        [&] {
            Focus(w);
            if (!test_WaitUntil("the focus", [&] { return FocusedWindow() == w; }, std::chrono::seconds(2))) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(hold = std::min(hold * 2, 1600)));
            Focus(decoy);
            return bool(test_WaitUntil("the save", [&] { return StateExists(); }, std::chrono::seconds(2)));
        },
        test_WaitDeadline, std::chrono::milliseconds(0)));
    std::remove(dir.Join(".zentrovastate").c_str());
    SendDeleteWindow(w);
    EXPECT_EQ(game.Wait(), 0);
    EXPECT_EQ(State(), kInitial);
}

TEST_F(VelmoraTest, TerminationSignalsSaveAndEndWithZero) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        std::remove(dir.Join(".zentrovastate").c_str());
        Child game;
        ASSERT_NE(StartGame(game), 0u);
        kill(game.pid, sig);
        EXPECT_EQ(game.Wait(), 0);
        EXPECT_EQ(State(), kInitial);
        EXPECT_EQ(ReadFile(game.out), "");
        EXPECT_EQ(ReadFile(game.err), "");
        ASSERT_TRUE(WindowGone());
    }
}

// Ctrl-C pressed twice, or a kill sent twice: a second signal that comes
// while the game has not yet taken the first is the same close request,
// so the game still saves and ends with 0. Two signals of different kinds:
// two of one kind may merge into one before the watcher takes them.
TEST_F(VelmoraTest, ASecondSignalSoonAfterIsTheSameCloseRequest) {
    const int pairs[][2] = {{SIGTERM, SIGINT}, {SIGHUP, SIGTERM}};
    for (const auto &pair : pairs) {
        SCOPED_TRACE(std::to_string(pair[0]) + " then " + std::to_string(pair[1]));
        std::remove(dir.Join(".zentrovastate").c_str());
        Child game;
        ASSERT_NE(StartGame(game), 0u);
        kill(game.pid, pair[0]);
        kill(game.pid, pair[1]);
        EXPECT_EQ(game.Wait(), 0);
        EXPECT_EQ(State(), kInitial);
        EXPECT_EQ(ReadFile(game.out), "");
        EXPECT_EQ(ReadFile(game.err), "");
        ASSERT_TRUE(WindowGone());
    }
}

}  // namespace
