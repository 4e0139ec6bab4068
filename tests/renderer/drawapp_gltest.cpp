// End to end: a program on the host draws through the renderer into its
// window and a render target; a screenshot of the X server shows it. The
// test waits for the program's ready file and then for the frame on the
// screen, never for a fixed time.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <stb/stb_image.h>

#include "host/platform/hx_platform.h"
#include "tests/support/wait.h"

namespace {

using namespace std::chrono_literals;

std::string Folder() {
    std::string exe = platform_ExecutablePath();
    return exe.substr(0, exe.rfind('/'));
}

struct Pixel {
    int r, g, b;
};

TEST(DrawAppTest, ScreenshotShowsTheDrawing) {
    const std::string base = ::testing::TempDir() + "velmora_drawapp_" + std::to_string(getpid());
    const std::string ready = base + ".ready", shot = base + ".png";
    std::remove(ready.c_str());
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("VELMORA_DRAWAPP_READY", ready.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        freopen("/dev/null", "w", stdout);
        const std::string program = Folder() + "/velmora_drawapp";
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    struct Killer {
        pid_t pid;
        ~Killer() {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } killer{pid};
    ASSERT_TRUE(test_WaitUntil("the ready file", [&] { return access(ready.c_str(), F_OK) == 0; }))
        << "the program did not draw three frames";

    // Drawn is not yet shown: screenshots until the frame's background is on
    // the screen (every frame draws the whole picture).
    const std::string keep = std::getenv("VELMORA_SCREENSHOT") ? std::getenv("VELMORA_SCREENSHOT") : shot;
    int w = 0, h = 0, c = 0;
    unsigned char *px = nullptr;
    // The 960 x 540 window is centred on the 1280 x 1024 screen.
    auto at = [&](int x, int y) {
        const int ox = (w - 960) / 2, oy = (h - 540) / 2;
        const unsigned char *p = px + (static_cast<size_t>(oy + y) * w + (ox + x)) * 3;
        return Pixel{p[0], p[1], p[2]};
    };
    auto near = [](Pixel a, Pixel b, int tolerance) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
    };
    EXPECT_TRUE(test_WaitUntil(
        "the frame's background on the screen",
        [&] {
            stbi_image_free(px);
            px = nullptr;
            if (std::system(("/usr/bin/import -window root '" + keep + "' 2>/dev/null").c_str()) != 0) return false;
            px = stbi_load(keep.c_str(), &w, &h, &c, 3);
            return px && w >= 960 && h >= 540 && near(at(5, 5), {15, 40, 73}, 2);
        },
        test_WaitDeadline, 50ms));
    ASSERT_NE(px, nullptr);
    struct Probe {
        const char *what;
        int x, y;
        Pixel want;
        int tolerance;
    } probes[] = {
        {"white rectangle (the window's top row is y 0)", 70, 25, {255, 255, 255}, 1},
        {"background", 5, 5, {15, 40, 73}, 2},
        {"green band", 150, 30, {51, 204, 76}, 2},
        {"translucent red over green", 250, 50, {153, 102, 38}, 3},
        {"translucent red over background", 250, 90, {135, 20, 36}, 3},
        {"ellipse centre", 560, 65, {229, 229, 255}, 2},
    };
    for (const Probe &p : probes) {
        Pixel got = at(p.x, p.y);
        EXPECT_NEAR(got.r, p.want.r, p.tolerance) << p.what;
        EXPECT_NEAR(got.g, p.want.g, p.tolerance) << p.what;
        EXPECT_NEAR(got.b, p.want.b, p.tolerance) << p.what;
    }
    // The text has ink: some pixels of its line differ from the background.
    int ink = 0;
    for (int x = 20; x < 400; ++x)
        for (int y = 140; y < 152; ++y) ink += at(x, y).r > 200;
    EXPECT_GT(ink, 100);
    stbi_image_free(px);
    if (keep == shot) std::remove(shot.c_str());
    std::remove(ready.c_str());
}

}  // namespace
