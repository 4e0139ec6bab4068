// The operating-system layer and the clocks built on it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/hx_game.h"
#include "host/platform/hx_platform.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(PlatformTest, ExecutablePathNamesThisProgram) {
    std::string exe = platform_ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe[0], '/');
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "test_platform");
    EXPECT_EQ(host_ExecutableFolder(), exe.substr(0, exe.rfind('/')));
}

// The URL reaches the opener as one argument, never through a shell.
TEST(PlatformTest, OpenUrlPassesTheUrlVerbatim) {
    TempDir tmp;
    const std::string &dir = tmp.Path();
    const std::string out = tmp.Join("args.txt");
    const std::string opener = tmp.Write("xdg-open", "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + out + ".part' && mv '" +
                                                         out + ".part' '" + out + "'\n");
    chmod(opener.c_str(), 0755);
    const char *oldPath = std::getenv("PATH");
    std::string saved = oldPath ? oldPath : "";
    setenv("PATH", (dir + ":" + saved).c_str(), 1);
    const std::string url = "http://example.invalid/a b;touch " + dir + "/pwned$(id)`id`";
    EXPECT_TRUE(platform_OpenUrl(url.c_str()));
    setenv("PATH", saved.c_str(), 1);
    for (int i = 0; i < 500 && access(out.c_str(), F_OK) != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test_ReadFile(out), "1|" + url + "|");
    EXPECT_NE(access(tmp.Join("pwned").c_str(), F_OK), 0);
}

TEST(PlatformTest, SleepAndClock) {
    int64_t before = platform_Microseconds();
    platform_SleepMs(20);
    int64_t slept = platform_Microseconds() - before;
    EXPECT_GE(slept, 20000);
    platform_SleepMs(0);
    platform_SleepMs(-5);
}

TEST(PlatformTest, MillisecondsWrapThroughSixtyFourBits) {
    struct Case {
        double seconds;
        int ms;
    } cases[] = {
        {0.0, 0},
        {0.0019, 1},
        {1.5, 1500},
        {2147483.647, 2147483647},
        {2147483.648, -2147483647 - 1},  // 24.86 days: wraps, no overflow
        {4294967.296, 0},
        {4294967.297 + 1e-7, 1},
        {-1.0, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(host_MillisecsFromSeconds(c.seconds), c.ms) << c.seconds;
}

TEST(PlatformTest, LocalTimeIsPlausible) {
    platform_DateTime t = platform_LocalTime();
    EXPECT_GE(t.year, 2024);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.hour, 23);
    EXPECT_LE(t.minute, 59);
    EXPECT_LE(t.second, 60);
}

}  // namespace
