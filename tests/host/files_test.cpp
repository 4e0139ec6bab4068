// Data paths, file loading, the state file and image data.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <functional>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_game.h"
#include "host/hx_image.h"
#include "host/platform/hx_platform.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string U8(const String &s) { return host_ToUtf8(s); }

std::vector<std::string> ListDir(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

// A fresh folder for each test, made the current directory (the state file
// lives in the current directory).
class FilesTest : public RuntimeTest {
protected:
    TempDir dir;
    std::string oldCwd;
    void SetUp() override {
        RuntimeTest::SetUp();
        char buf[4096];
        oldCwd = getcwd(buf, sizeof buf);
        ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    }
    void TearDown() override {
        platform_ReplaceFileHooks = platform_FileHooks();
        (void)chdir(oldCwd.c_str());
        RuntimeTest::TearDown();
    }
};

struct PathCase {
    const char16_t *in;
    const char16_t *out;
};

TEST(PathTable, FixDataPath) {
    const PathCase cases[] = {
        {u"font.png", u"zentrova://data/font.png"},
        {u"zentrova://data/font.png", u"zentrova://data/font.png"},
        {u"C:/x/font.png", u"C:/x/font.png"},
        {u"./font.png", u"./font.png"},
        {u"/font.png", u"/font.png"},
        {u"data/font.png", u"zentrova://data/data/font.png"},
        {u"C:\\a.png", u"zentrova://data/C:\\a.png"},
        {u"a/b:/c", u"zentrova://data/a/b:/c"},  // its first "/" is not the scheme's
        {u"", u"zentrova://data/"},
    };
    for (const PathCase &c : cases) {
        String in(c.in, std::char_traits<char16_t>::length(c.in));
        String want(c.out, std::char_traits<char16_t>::length(c.out));
        EXPECT_EQ(U8(app_FixDataPath(in)), U8(want)) << U8(in);
    }
}

TEST(PathTable, DataPathMapping) {
    const String folder(u"/games/ice");
    const PathCase cases[] = {
        {u"zentrova://data/font.png", u"/games/ice/data/font.png"},
        {u"zentrova://internal/s.txt", u"/games/ice/internal/s.txt"},
        {u"zentrova://external/e.bin", u"/games/ice/external/e.bin"},
        {u"zentrova://data/", u"/games/ice/data/"},
        {u"zentrova://other/x", u""},
        {u"zentrova:x", u""},
        {u"zentrova:", u""},
        {u"Zentrova://data/a", u"Zentrova://data/a"},  // prefixes are case-sensitive
        {u"zentrova://DATA/a", u""},
        {u"/tmp/a.png", u"/tmp/a.png"},
        {u"rel/a.png", u"rel/a.png"},
    };
    for (const PathCase &c : cases) {
        String in(c.in, std::char_traits<char16_t>::length(c.in));
        EXPECT_EQ(U8(host_MapDataPath(in, folder)), U8(String(c.out, std::char_traits<char16_t>::length(c.out)))) << U8(in);
        EXPECT_EQ(host_MapDataPathUtf8(U8(in), "/games/ice"), U8(String(c.out, std::char_traits<char16_t>::length(c.out))));
    }
}

// The executable's folder is bytes: whatever they are, a data path mapped
// into it opens a file in that very folder; UTF-8 in it reads as its
// characters.
TEST(PathTable, FolderNamesKeepTheirBytes) {
    const struct {
        const char *what;
        std::string folder;
        std::u16string units;  // empty: not checked
    } cases[] = {
        {"plain", "/games/ice", u"/games/ice"},
        {"two- and three-byte", "/caf\xC3\xA9/\xE2\x82\xAC", u"/caf\u00E9/\u20AC"},
        {"emoji", "/game\xF0\x9F\x8E\xAE", u"/game\U0001F3AE"},
        {"Latin-1 byte", "/caf\xE9", {}},
        {"stray continuation", "/a\x80" "b", {}},
        {"cut-off emoji", "/game\xF0\x9F\x8E", {}},
        {"cut-off emoji before a slash", "/\xF0\x9F/x", {}},
        {"overlong slash", "/a\xC0\xAF", {}},
        {"encoded surrogate", "/a\xED\xA0\x80", {}},
        {"encoded surrogate pair", "/a\xED\xA0\xBD\xED\xB2\xA9", {}},
        {"beyond U+10FFFF", "/a\xF4\x90\x80\x80", {}},
        {"lead F8 and FF", "/\xF8\xFF", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const String folder = host_FromFileName(c.folder);
        EXPECT_EQ(U8(host_MapDataPath(String(u"zentrova://data/a.png"), folder)), c.folder + "/data/a.png");
        if (!c.units.empty()) {
            EXPECT_EQ(std::u16string(folder.Data(), static_cast<size_t>(folder.Length())), c.units);
        }
    }
}

TEST_F(FilesTest, GlfwGameMapsBesideTheExecutable) {
    HxZentrovaGame game;
    const std::string exe = platform_ExecutablePath();
    const std::string folder = exe.substr(0, exe.rfind('/'));
    EXPECT_EQ(U8(game.PathToFilePath(String(u"zentrova://data/vexo2_font.png"))), folder + "/data/vexo2_font.png");
    EXPECT_EQ(U8(game.PathToFilePath(String(u"zentrova://internal/s.txt"))), folder + "/internal/s.txt");
    EXPECT_EQ(U8(game.internalFolder), folder + "/internal");
    EXPECT_EQ(U8(game.appFolder), folder);
    EXPECT_EQ(game.OpenFile(String(u"zentrova:x"), String(u"rb")), nullptr);
    EXPECT_EQ(game.OpenFile(String(u"zentrova://other/x"), String(u"rb")), nullptr);
    // The data folder is laid out beside every test program.
    int n = -1;
    unsigned char *font = game.LoadData(String(u"zentrova://data/vexo2_font.png"), &n);
    ASSERT_NE(font, nullptr);
    EXPECT_GT(n, 8);
    std::free(font);
}

TEST_F(FilesTest, StateFileBytes) {
    HxZentrovaGame game;
    struct Case {
        String state;
        std::string bytes;
    } cases[] = {
        {String(u""), ""},
        {String(u"abc"), "abc"},
        {String(u"\u00e9"), "\xC3\xA9"},
        {String(u"\u20ac"), "\xE2\x82\xAC"},
        // A surrogate pair is written as two three-byte sequences.
        {String(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80"},
        {String(u"{\"a\":1}\n"), "{\"a\":1}\n"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(game.SaveState(c.state), 0);
        EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), c.bytes);
        EXPECT_TRUE(game.LoadState() == c.state) << U8(c.state);
    }
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{".zentrovastate"});
}

TEST_F(FilesTest, StateFileReading) {
    HxZentrovaGame game;
    EXPECT_EQ(game.LoadState().Length(), 0);  // no file
    test_WriteFile(".zentrovastate", "\xEF\xBB\xBFsaved");
    EXPECT_EQ(U8(game.LoadState()), "saved");
}

long FailingWrite(int, const void *, size_t) { return -1; }
long ShortWrite(int fd, const void *data, size_t size) {
    // Half of the bytes, then the disk is full.
    static bool first = true;
    if (first && size > 1) {
        first = false;
        return static_cast<long>(::write(fd, data, size / 2));
    }
    return 0;
}

TEST_F(FilesTest, FailedSaveKeepsTheOldFile) {
    HxZentrovaGame game;
    ASSERT_EQ(game.SaveState(String(u"old state")), 0);
    for (auto hook : {&FailingWrite, &ShortWrite}) {
        platform_ReplaceFileHooks.write = hook;
        EXPECT_EQ(game.SaveState(String(u"a new and longer state")), -2);
        platform_ReplaceFileHooks = platform_FileHooks();
        EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), "old state");
        EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{".zentrovastate"});
    }
    // A folder that is gone: the file cannot be created at all.
    ASSERT_EQ(mkdir("gone", 0777), 0);
    ASSERT_EQ(chdir("gone"), 0);
    ASSERT_EQ(rmdir(dir.Join("gone").c_str()), 0);
    EXPECT_EQ(game.SaveState(String(u"x")), -1);
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
}

TEST_F(FilesTest, SaveKilledBeforeTheRenameKeepsTheOldFile) {
    HxZentrovaGame game;
    ASSERT_EQ(game.SaveState(String(u"old state")), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform_ReplaceFileHooks.beforeRename = [](const char *) { raise(SIGKILL); };
        game.SaveState(String(u"new state"));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), "old state");
    EXPECT_EQ(U8(game.LoadState()), "old state");
    // The next save succeeds over the leftover.
    EXPECT_EQ(game.SaveState(String(u"newer")), 0);
    EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), "newer");
}

// The id of a process that has ended (and been reaped).
pid_t EndedProcess() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Saves killed before their rename leave their temporary files; the next
// save removes exactly those, and keeps the temporary file of a save that
// another running copy is in the middle of.
TEST_F(FilesTest, TheNextSaveRemovesTheTemporaryFilesOfKilledSaves) {
    HxZentrovaGame game;
    ASSERT_EQ(game.SaveState(String(u"old state")), 0);
    std::vector<std::string> killed;
    for (int i = 0; i < 3; ++i) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform_ReplaceFileHooks.beforeRename = [](const char *) { raise(SIGKILL); };
            game.SaveState(String(u"killed"));
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        killed.push_back(".zentrovastate.tmp" + std::to_string(child));
        ASSERT_TRUE(dir.Exists(killed.back()));
    }

    // Another copy, stopped between writing its temporary file and the rename.
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    static int readyFd, goFd;
    readyFd = ready[1];
    goFd = go[0];
    pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        // Should the test end early, the closed pipe lets this copy go on.
        close(go[1]);
        close(ready[0]);
        platform_ReplaceFileHooks.beforeRename = [](const char *) {
            char byte = 0;
            (void)!write(readyFd, &byte, 1);
            (void)!read(goFd, &byte, 1);
        };
        _exit(game.SaveState(String(u"the other copy")) == 0 ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const std::string live = ".zentrovastate.tmp" + std::to_string(other);

    // Names that only look like one.
    const std::string ended = std::to_string(EndedProcess());
    const std::vector<std::string> kept = {
        ".zentrovastate.tmp", ".zentrovastate.tmpx", ".zentrovastate.tmp" + ended + "x",
        ".zentrovastate.tmp0" + ended, ".zentrovastate.tmp-" + ended, ".zentrovastate.bad.tmp" + ended,
        "a.zentrovastate.tmp" + ended, ".zentrovastate.tmp99999999999999999999",
    };
    for (const std::string &name : kept) dir.Write(name, "x");
    const std::string folder = ".zentrovastate.tmp" + std::to_string(EndedProcess());
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);

    EXPECT_EQ(game.SaveState(String(u"newer")), 0);
    std::vector<std::string> expected = kept;
    expected.push_back(".zentrovastate");
    expected.push_back(live);
    expected.push_back(folder);
    std::vector<std::string> names = ListDir(dir.Path());
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), "newer");

    // The other copy's save still completes.
    ASSERT_EQ(write(go[1], &byte, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test_ReadFile(dir.Join(".zentrovastate")), "the other copy");
    EXPECT_FALSE(dir.Exists(live));
    for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

TEST_F(FilesTest, LoadDataSizes) {
    HxGame game;
    for (int size : {0, 1, 4095, 4096, 4097, 3 * 4096 + 7}) {
        std::string bytes(static_cast<size_t>(size), '\0');
        for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 256);
        test_WriteFile("blob.bin", bytes);
        gc_ExternalBytes = 0;
        int n = -1;
        unsigned char *block = game.LoadData(String(u"blob.bin"), &n);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(n, size);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(block), static_cast<size_t>(n)), bytes);
        EXPECT_EQ(gc_ExternalBytes.load(), size);
        std::free(block);
    }
    int n = -1;
    EXPECT_EQ(game.LoadData(String(u"missing.bin"), &n), nullptr);
    EXPECT_EQ(n, -1);
    gc_ExternalBytes = 0;
}

TEST_F(FilesTest, LoadStringDecodesText) {
    HxGame game;
    test_WriteFile("t.txt", "caf\xC3\xA9\n");
    EXPECT_TRUE(game.LoadString(String(u"t.txt")) == String(u"caf\u00e9\n"));
    EXPECT_EQ(game.LoadString(String(u"nothing.txt")).Length(), 0);
}

TEST(DateTest, FillsAsFarAsTheArrayReaches) {
    HxGame game;
    Array<int> three(3);
    game.GetDate(three);
    EXPECT_GE(three[0], 2024);
    EXPECT_GE(three[1], 1);
    EXPECT_LE(three[1], 12);
    EXPECT_GE(three[2], 1);
    Array<int> nine(9);
    for (int i = 0; i < 9; ++i) nine[i] = -5;
    game.GetDate(nine);
    EXPECT_EQ(nine[6], 0);
    EXPECT_EQ(nine[7], -5);
    EXPECT_EQ(nine[8], -5);
    EXPECT_LE(nine[3], 23);
    game.GetDate(Array<int>());
}

// ---------------------------------------------------------------------------
// Images.

std::string WritePng(const std::string &name, int w, int h, int channels, const std::vector<unsigned char> &px) {
    EXPECT_NE(stbi_write_png(name.c_str(), w, h, channels, px.data(), w * channels), 0);
    return name;
}

std::string CaptureStdout(const std::function<void()> &f) {
    std::fflush(stdout);
    TempDir capture;
    const std::string path = capture.Join("stdout.txt");
    int saved = dup(1);
    FILE *tmp = std::fopen(path.c_str(), "w");
    dup2(fileno(tmp), 1);
    f();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::fclose(tmp);
    return test_ReadFile(path);
}

TEST_F(FilesTest, ImageChannelsExpandToRgba) {
    HxZentrovaGame game;
    struct Case {
        int channels;
        std::vector<unsigned char> px;  // 2 x 1 pixels
        std::vector<unsigned char> rgba;
    } cases[] = {
        {1, {10, 20}, {10, 10, 10, 255, 20, 20, 20, 255}},
        {2, {10, 200, 20, 0}, {10, 10, 10, 200, 20, 20, 20, 0}},
        {3, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 255, 4, 5, 6, 255}},
        {4, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.channels);
        std::string file = WritePng(dir.Join("img" + std::to_string(c.channels) + ".png"), 2, 1, c.channels, c.px);
        int w = 0, h = 0, d = 0;
        gc_ExternalBytes = 0;
        unsigned char *raw = game.LoadImageData(host_FromUtf8(file), &w, &h, &d);
        ASSERT_NE(raw, nullptr);
        EXPECT_EQ(w, 2);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(d, c.channels);
        EXPECT_EQ(gc_ExternalBytes.load(), 2 * c.channels);
        std::free(raw);
        Array<int> size(2);
        c_DataBuffer *buf = gl_LoadImageData(host_FromUtf8(file), size);
        ASSERT_NE(buf, nullptr);
        ASSERT_EQ(buf->length, 8);
        EXPECT_EQ(std::vector<unsigned char>(buf->data, buf->data + 8), c.rgba);
        EXPECT_EQ(size[0], 2);
        EXPECT_EQ(size[1], 1);
    }
    gc_ExternalBytes = 0;
}

TEST_F(FilesTest, ImageSizeArrayAndFullBuffer) {
    HxZentrovaGame game;
    std::vector<unsigned char> px(3 * 5 * 4, 9);
    String file = host_FromUtf8(WritePng(dir.Join("p.png"), 3, 5, 4, px));
    Array<int> one(1);
    ASSERT_NE(gl_LoadImageData(file, one), nullptr);
    EXPECT_EQ(one[0], 3);
    ASSERT_NE(gl_LoadImageData(file, Array<int>()), nullptr);

    c_DataBuffer *full = gc_New<c_DataBuffer>()->m_new(4);
    unsigned char *block = full->data;
    Array<int> size(2);
    size[0] = size[1] = -1;
    EXPECT_EQ(gl_LoadImageDataInto(full, file, size), nullptr);
    EXPECT_EQ(full->data, block);
    EXPECT_EQ(full->length, 4);
    EXPECT_EQ(size[0], -1);
    EXPECT_EQ(size[1], -1);
    gc_ExternalBytes = 0;
}

TEST_F(FilesTest, UndecodableImage) {
    HxZentrovaGame game;
    test_WriteFile("bad.png", "this is not an image");
    int w = 0, h = 0, d = 0;
    unsigned char *px = reinterpret_cast<unsigned char *>(1);
    std::string out = CaptureStdout([&] { px = game.LoadImageData(String(u"bad.png"), &w, &h, &d); });
    EXPECT_EQ(px, nullptr);
    EXPECT_EQ(out, "HxGlfwGame->data=null  ");
    // A missing file fails silently.
    out = CaptureStdout([&] { EXPECT_EQ(gl_LoadImageData(String(u"missing.png"), Array<int>(2)), nullptr); });
    EXPECT_EQ(out, "");
}

}  // namespace
