// The real velmora under a private X server with one data file missing or
// replaced by garbage: a copy of the program beside a copy of the data
// folder, started with an empty standard input. The losses that end it end
// with their message and 255 (a real GL fails an empty or garbage shader
// body); the others show the window, print their line and close with 0.
// A copy in a folder whose name is not plain UTF-16 text (an emoji, a
// Latin-1 byte) finds its data folder all the same.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/game/support/garbage.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_app.h"

namespace {

namespace fs = std::filesystem;
using namespace test_x;

struct Case {
    const char *file;
    bool garbage;
    int code;
    const char *printed;  // a text the output must hold
};

class VelmoraDataFilesTest : public XAppTest {
protected:
    TempDir dir;

    // The program and its data folder in dir/bin, with `file` changed; the
    // program runs from dir/run through a wrapper that closes its input.
    std::string Prepare(const Case &c) {
        const std::string bin = dir.Join("bin");
        fs::create_directories(bin);
        fs::create_directories(dir.Join("run"));
        fs::copy_file(Folder() + "/velmora", bin + "/velmora");
        fs::copy(Folder() + "/data", bin + "/data", fs::copy_options::recursive);
        const std::string file = bin + "/data/" + c.file;
        if (c.garbage)
            std::ofstream(file, std::ios::binary | std::ios::trunc) << Garbage();
        else
            fs::remove(file);
        const std::string wrapper = bin + "/start";
        std::ofstream(wrapper) << "#!/bin/sh\nexec \"" << bin << "/velmora\" </dev/null\n";
        chmod(wrapper.c_str(), 0755);
        return wrapper;
    }
};

TEST_F(VelmoraDataFilesTest, FatalLossesEndWithTheirMessage) {
    const Case cases[] = {
        {"vexo2_font.png", false, 255, "Zentrova Runtime Error : Can't load default font"},
        {"vexo2_program.glsl", true, 255, "Zentrova Runtime Error : Can't find //@vertex chunk"},
        {"vexo2_fastshader.glsl", false, 255, "Failed to compile fragment shader"},
        {"vexo2_matteshader.glsl", true, 255, "Failed to compile fragment shader"},
        {"alphamaskshader.glsl", false, 255,
         "Velmora: missing or unreadable data file: alphamaskshader.glsl\nFailed to compile fragment shader"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.garbage ? " garbage" : " missing"));
        fs::remove_all(dir.Join("bin"));
        const std::string start = Prepare(c);
        Child game;
        game.Start(start, {}, dir.Join("run"));
        EXPECT_EQ(game.Wait(), c.code) << ReadFile(game.out);
        const std::string out = ReadFile(game.out);
        const std::string head = out.substr(0, out.find('\n', out.find(c.printed) + 1));  // up to the message
        std::printf("%s %s: exit %d, printed: %s\n", c.file, c.garbage ? "garbage" : "missing", c.code, head.c_str());
        std::fflush(stdout);
        EXPECT_NE(out.find(c.printed), std::string::npos) << out;
    }
}

TEST_F(VelmoraDataFilesTest, OtherLossesPrintTheirLineAndCloseWithZero) {
    const Case cases[] = {
        {"splash_bg.png", true, 0, "HxGlfwGame->data=null  Velmora: missing or unreadable data file: splash_bg.png\n"},
        {"credits.txt", false, 0, "Velmora: missing or unreadable data file: credits.txt\n"},
        {"font.png", false, 0, "Velmora: missing or unreadable data file: font.png\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.garbage ? " garbage" : " missing"));
        fs::remove_all(dir.Join("bin"));
        const std::string start = Prepare(c);
        Child game;
        game.Start(start, {}, dir.Join("run"));
        Window w = FindWindow("Velmora");
        ASSERT_NE(w, 0u) << ReadFile(game.out);
        SendDeleteWindow(w);
        EXPECT_EQ(game.Wait(), c.code) << ReadFile(game.out);
        const std::string out = ReadFile(game.out);
        std::printf("%s %s: exit %d, printed: %s", c.file, c.garbage ? "garbage" : "missing", c.code, out.c_str());
        std::fflush(stdout);
        EXPECT_EQ(out, c.printed);
    }
}

// The folder's name is bytes: one character outside the 16-bit range and
// one byte that is no UTF-8 at all must both reach the data folder.
TEST_F(VelmoraDataFilesTest, AnyFolderNameFindsTheDataFolder) {
    const struct {
        const char *what, *folder;
    } cases[] = {
        {"an emoji", "game\xF0\x9F\x8E\xAE"},
        {"a Latin-1 byte", "caf\xE9"},
    };
    fs::create_directories(dir.Join("run"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bin = dir.Join(c.folder);
        fs::create_directories(bin);
        fs::copy_file(Folder() + "/velmora", bin + "/velmora");
        fs::copy(Folder() + "/data", bin + "/data", fs::copy_options::recursive);
        const std::string start = dir.Join("start");
        std::ofstream(start, std::ios::trunc) << "#!/bin/sh\nexec \"" << bin << "/velmora\" </dev/null\n";
        chmod(start.c_str(), 0755);
        Child game;
        game.Start(start, {}, dir.Join("run"));
        if (Window w = FindWindow("Velmora")) SendDeleteWindow(w);
        EXPECT_EQ(game.Wait(), 0);
        EXPECT_EQ(ReadFile(game.out), "");
        fs::remove_all(bin);
    }
}

}  // namespace
