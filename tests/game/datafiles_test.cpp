// Every file of the data folder, missing and replaced by garbage: the game
// runs from its start through the splash and the menu into a campaign and
// out by the close button in a session child whose app folder holds a copy
// of the data folder with that one file changed. A loss the game survives
// prints one line naming the file and the run ends with 0; the few losses
// that end the program end it with their message and 255 (the debug prompt
// meets an empty standard input), never with a signal or a hang.
//
// The fake GL compiles any shader text, so a garbage or empty GLSL body only
// shows here that nothing else breaks; its compile error needs a real GL.
// Each file and way is a case of its own, named after both
// (EveryFile/DataFilesTest.MissingOrGarbage/credits_txt_garbage), which
// prints its row of the table "file | case | outcome | printed". The cases
// come from the data folder beside the program when it registers its tests,
// so the listing that ctest's discovery makes at build time holds them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "host/hx_files.h"
#include "host/hx_keys.h"
#include "tests/game/support/garbage.h"
#include "tests/game/support/session.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const char kSaved[] =
    R"({"cntbighealing":2,"cnthealing":3,"cntinvulnerability":1,"cntrevive":1,"coins":250,"lvlcampaign":7,"lvlopenworld":4})";
const std::string kReport = "Velmora: missing or unreadable data file: ";

// The files whose loss ends the program, and the message it ends with.
const std::map<std::string, std::string> kFatal = {
    {"vexo2_font.png", "Can't load default font"},
};

std::string DataFolder() { return host_ExecutableFolder() + "/data"; }

// The data folder's files, as paths relative to it, in order; the build's
// stamp (a name beginning with '.') aside. No folder gives no files: this runs
// when the program lists its tests too, which must not end with an exception.
std::vector<std::string> DataFiles() {
    const fs::path folder = DataFolder();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().lexically_relative(folder).string();
        if (it->is_regular_file(ec) && name[0] != '.') names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

constexpr int kW = 87, kD = 68;  // the host's key codes for W and D

double Win(double v) { return v * 4; }  // a virtual point at the session's scale of 4

// Start, the splash (clicked away once active), the menu's campaign button,
// play with the ship steered and a balloon confirmed, then the close button.
void PlayThrough(Session &c) {
    c.Start();
    c_StateMachine *m = game_StateMachine;
    for (int i = 0; i < 400 && !m->Is(ScreenState_Splash, ScreenPhase_Active); ++i) c.Step(1);
    c.Click(480, 270);
    for (int i = 0; i < 200 && !m->Is(ScreenState_Menu, ScreenPhase_Active); ++i) c.Step(1);
    c.Click(Win(60), Win(63));
    for (int i = 0; i < 200 && !m->Is(ScreenState_Play, ScreenPhase_Active); ++i) c.Step(1);
    c.Press(key_Space);
    c.KeyDown(kW);
    c.KeyDown(kD);
    c.Step(120);
    c.KeyUp(kD);
    c.Press(key_Space);
    c.Step(60);
    c.KeyUp(kW);
    std::printf("\nrun reached state %d phase %d\n", m->m_state, m->m_phase);
    c.Close();
    c.Step(3);
}

struct Outcome {
    ExitResult result;
    std::vector<std::string> lines;  // what it printed, the progress line aside
    std::string reached;
};

// One run with `name` removed (garbage empty) or overwritten, in a fresh
// folder of its own under the test temp dir, removed with everything in it
// however the run ends.
void RunWith(const std::string &name, bool garbage, Outcome *out) {
    const TempDir folder;
    ASSERT_FALSE(folder.Path().empty()) << "mkdtemp failed";
    const std::string &app = folder.Path();
    fs::copy(DataFolder(), app + "/data", fs::copy_options::recursive);
    if (!name.empty()) {
        const std::string file = app + "/data/" + name;
        if (garbage) {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << Garbage();
        } else {
            fs::remove(file);
        }
    }
    {
        SessionOptions options;
        options.appFolder = app;
        Session s(options);
        s.WriteState(kSaved);
        out->result = s.RunToExit(PlayThrough, 60);
    }
    for (const std::string &line : Lines(out->result.output)) {
        if (line.rfind("run reached ", 0) == 0)
            out->reached = line.substr(12);
        else
            out->lines.push_back(line);
    }
}

std::string Joined(const std::vector<std::string> &lines) {
    std::string s;
    for (const std::string &l : lines) s += (s.empty() ? "" : " | ") + l;
    return s.empty() ? "(nothing)" : s;
}

// One file of the data folder, missing or replaced by garbage.
struct DataCase {
    std::string file;
    bool garbage = false;
};

void PrintTo(const DataCase &c, std::ostream *os) { *os << c.file << (c.garbage ? " garbage" : " missing"); }

std::vector<DataCase> DataCases() {
    std::vector<DataCase> cases;
    for (const std::string &name : DataFiles())
        for (bool garbage : {false, true}) cases.push_back({name, garbage});
    return cases;
}

// The file's name with every other character than a letter or a digit as
// '_', then _missing or _garbage.
std::string CaseName(const testing::TestParamInfo<DataCase> &info) {
    std::string name = info.param.file;
    for (char &ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name + (info.param.garbage ? "_garbage" : "_missing");
}

class DataFilesTest : public testing::TestWithParam<DataCase> {};

TEST_F(DataFilesTest, IntactFolderRunsSilentlyIntoPlay) {
    Outcome o;
    ASSERT_NO_FATAL_FAILURE(RunWith("", false, &o));
    EXPECT_EQ(o.result.code, 0) << o.result.output;
    EXPECT_TRUE(o.result.exited);
    EXPECT_EQ(o.lines, std::vector<std::string>{}) << o.result.output;
    EXPECT_EQ(o.reached, "state 4 phase 4") << o.result.output;
}

struct Expected {
    int code = 0;
    std::vector<std::string> lines;  // exactly these, in order
    std::string fatal;               // for code 255: the run-time error's message
    std::string onlyPrefix;          // instead of lines: one line beginning so
};

// What each case must give. Images that open but do not decode also show
// the image decoder's own text (no line feed after it) before the game's
// line. The renderer's start-up turns a lost default font or program
// template into a run-time error; its shader bodies load as empty text
// without a word, and the fake GL compiles that (a real GL fails it).
Expected ExpectedFor(const std::string &name, bool garbage) {
    const std::string decoder = "HxGlfwGame->data=null  ";
    const bool glsl = name.size() > 5 && name.substr(name.size() - 5) == ".glsl";
    const bool png = name.size() > 4 && name.substr(name.size() - 4) == ".png";
    Expected e;
    if (name == "vexo2_font.png") {
        e.code = 255;
        e.fatal = "Can't load default font";
    } else if (name == "vexo2_program.glsl") {
        e.code = 255;
        e.fatal = "Can't find //@vertex chunk";
    } else if (glsl && name.rfind("vexo2_", 0) == 0) {
        // the renderer's built-in shader bodies: nothing under the fake GL
    } else if (name == "vexo_font.png") {
        // the first renderer's default font: a missing one leaves that
        // font null without a word
        if (garbage) e.lines = {decoder};
    } else if (!garbage) {
        e.lines = {kReport + name};
    } else if (png) {
        e.lines = {decoder + kReport + name};
    } else if (name == "openings.txt") {
        e.onlyPrefix = "Velmora: openings.txt: ";  // the parser's own warning
    }
    // garbage text and GLSL bodies load as text: nothing to report
    return e;
}

// Without a data folder beside the program there are no cases to list; this
// one fails then instead.
TEST_F(DataFilesTest, FolderHoldsTheGameData) {
    ASSERT_GT(DataFiles().size(), 20u) << DataFolder();
}

TEST_P(DataFilesTest, MissingOrGarbage) {
    const std::string &name = GetParam().file;
    const bool garbage = GetParam().garbage;
    Outcome o;
    ASSERT_NO_FATAL_FAILURE(RunWith(name, garbage, &o));
    const Expected e = ExpectedFor(name, garbage);
    std::string outcome = o.result.exited ? "exit " + std::to_string(o.result.code)
                                          : "no exit (" + std::to_string(o.result.code) + ")";
    std::printf("%s | %s | %s | %s\n", name.c_str(), garbage ? "garbage" : "missing", outcome.c_str(),
                Joined(o.lines).c_str());
    std::fflush(stdout);
    if (!o.result.exited || o.result.code < 0) {
        ADD_FAILURE() << "no exit, or ended by a signal\n" << o.result.output;
        return;
    }
    EXPECT_EQ(o.result.code, e.code) << o.result.output;
    if (e.code == 255) {
        ASSERT_FALSE(o.lines.empty());
        EXPECT_NE(o.lines.back().find("Zentrova Runtime Error : " + e.fatal), std::string::npos)
            << o.result.output;
    } else if (!e.onlyPrefix.empty()) {
        ASSERT_EQ(o.lines.size(), 1u) << o.result.output;
        EXPECT_EQ(o.lines[0].rfind(e.onlyPrefix, 0), 0u) << o.result.output;
    } else {
        EXPECT_EQ(o.lines, e.lines) << o.result.output;
    }
    // Every run that goes on reaches play.
    if (e.code == 0) {
        EXPECT_EQ(o.reached, "state 4 phase 4") << o.result.output;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFile, DataFilesTest, testing::ValuesIn(DataCases()), CaseName);
// No data folder, no cases: FolderHoldsTheGameData reports that.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DataFilesTest);

}  // namespace
