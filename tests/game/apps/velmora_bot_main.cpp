// velmora_bot: the velmora program (the same host, window, GL and main loop)
// with the game tests' bot playing it from inside. The bot's input goes
// through the host's own event handlers once before every update, as the
// GLFW callbacks would send it; the window's focus is taken as given, so
// nothing on the X server is needed but the window. It is the long-play
// and frame-time runs' player (scripts/soak, scripts/frametimes):
//
//   velmora_bot [--mode campaign|open] [--seed N]   the bot plays from the
//                                                   splash (default: open)
//   velmora_bot --busy                              no bot: the frame
//                                                   benchmark's busy sea
//                                                   (30 objects, every
//                                                   ring, a balloon), kept
//                                                   so every update
//
// It prints "velmora_bot: playing" on the first update in play. It ends as
// velmora does (the window's close button, SIGTERM, the menu's exit) and
// then prints its figures, each line beginning "velmora_bot: ": frame work
// (RenderGame, the buffer swap, the events and the pass's updates: the
// loop's pass without its wait for the next update), the frame interval,
// update and render times, all from play's fifth second on; the longest
// frame of the whole run and of play after its first minute; the
// collector's steps of the whole run (how many, the longest, how many
// over 1 ms) and the bot's own counts.
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "runtime/rt_math.h"
#include "tests/game/support/bot.h"
#include "tests/game/support/busy_sea.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

struct Options {
    int mode = 1;
    uint32_t seed = 4242;
    bool busy = false;
};
Options g_options;

// Percentiles of a series of milliseconds, as "p50 ... max".
std::string Spread(std::vector<double> v) {
    if (v.empty()) return "none";
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))]; };
    char line[200];
    std::snprintf(line, sizeof line, "p50 %.2f, p90 %.2f, p99 %.2f, p99.9 %.2f, max %.2f ms (%zu)", at(0.5), at(0.9),
                  at(0.99), at(0.999), v.back(), v.size());
    return line;
}

class BotHost : public HxZentrovaGame, private BotInput {
public:
    BotHost() : bot_(*this, g_options.mode), start_(Clock::now()) {}

    void UpdateGame() override {
        if (!Started()) return HxZentrovaGame::UpdateGame();
        ++updateCount_;
        if (updateCount_ == 1) random_Seed = g_options.seed;
        if (!g_options.busy)
            bot_.Decide();
        else if (updateCount_ == 1)
            busy::StartWorld();
        else if (updateCount_ == 2)
            busy::Fill();
        else
            busy::KeepBusy();
        const Clock::time_point t = Clock::now();
        HxZentrovaGame::UpdateGame();
        if (Measuring()) updates_.push_back(MsSince(t));
        if (!playing_ && Bot::State() == ScreenState_Play) {
            playing_ = true;
            playStart_ = Clock::now();
            std::printf("velmora_bot: playing\n");
            std::fflush(stdout);
        }
    }

    void RenderGame() override {
        const Clock::time_point t = Clock::now();
        if (frameStarted_) {
            const double interval = std::chrono::duration<double, std::milli>(t - frameStart_).count();
            const double work = interval - sleptMs_;
            if (work > longestWork_) {
                longestWork_ = work;
                longestAt_ = std::chrono::duration<double>(frameStart_ - start_).count();
            }
            if (measuringFrame_) {
                intervals_.push_back(interval);
                work_.push_back(work);
            }
            if (playing_ && std::chrono::duration<double>(frameStart_ - playStart_).count() >= 60)
                longestLate_ = std::max(longestLate_, work);
        }
        frameStart_ = t;
        frameStarted_ = true;
        measuringFrame_ = Measuring();
        sleptMs_ = 0;
        HxZentrovaGame::RenderGame();
        if (measuringFrame_) renders_.push_back(MsSince(t));
    }

    void Sleep(double seconds) override {
        const Clock::time_point t = Clock::now();
        HxZentrovaGame::Sleep(seconds);
        sleptMs_ += MsSince(t);
    }

    void CollectGarbage() override {
        const Clock::time_point t = Clock::now();
        HxZentrovaGame::CollectGarbage();
        const double ms = MsSince(t);
        ++steps_;
        longestStep_ = std::max(longestStep_, ms);
        if (ms > 1.0) ++stepsOver1ms_;
    }

    // The series (frames, updates, renders) leave out what comes before
    // play and play's first seconds, which load and compile what play
    // draws; the longest frame and the collector's figures take in all.
    bool Measuring() const {
        return playing_ && std::chrono::duration<double>(Clock::now() - playStart_).count() >= kWarmUpSeconds;
    }
    static constexpr double kWarmUpSeconds = 5;

    void Report() const {
        const double played = playing_ ? std::chrono::duration<double>(Clock::now() - playStart_).count() : 0;
        std::printf("velmora_bot: %.1f s of play; series from %.0f s into play: %zu frames, %zu updates\n", played,
                    kWarmUpSeconds, work_.size(), updates_.size());
        std::printf("velmora_bot: frame work: %s\n", Spread(work_).c_str());
        std::printf("velmora_bot: longest frame: %.2f ms, %.1f s into the run; after play's first minute: %.2f ms\n",
                    longestWork_, longestAt_, longestLate_);
        std::printf("velmora_bot: frame interval: %s\n", Spread(intervals_).c_str());
        std::printf("velmora_bot: update: %s\n", Spread(updates_).c_str());
        std::printf("velmora_bot: render: %s\n", Spread(renders_).c_str());
        std::printf("velmora_bot: collector steps: %lld, longest %.3f ms, over 1 ms: %lld\n",
                    static_cast<long long>(steps_), longestStep_, static_cast<long long>(stepsOver1ms_));
        if (!g_options.busy) {
            const BotStats &st = bot_.Stats();
            std::printf("velmora_bot: bot: balloons %d, heals %d, deaths %d, revives %d, to menu %d, max level %d\n",
                        st.balloons, st.heals, st.deaths, st.revives, st.toMenu, st.maxLevel);
        }
        std::fflush(stdout);
    }

protected:
    // The bot is the player: it needs no focus.
    bool WindowFocused() override { return window != nullptr; }

private:
    void KeyDown(int code) override { HandleKeyCode(code, true); }
    void KeyUp(int code) override { HandleKeyCode(code, false); }
    void MoveMouse(double x, double y) override {
        mouseX_ = x;
        mouseY_ = y;
        HandleCursorPos(x, y);
    }
    void MouseDown(int button) override { HandleMouseButton(button, GLFW_PRESS, mouseX_, mouseY_); }
    void MouseUp(int button) override { HandleMouseButton(button, GLFW_RELEASE, mouseX_, mouseY_); }

    Bot bot_;
    int64_t updateCount_ = 0;  // of the started game
    bool playing_ = false;
    double mouseX_ = 0, mouseY_ = 0;
    Clock::time_point start_, frameStart_, playStart_;
    bool frameStarted_ = false, measuringFrame_ = false;
    double sleptMs_ = 0, longestWork_ = 0, longestAt_ = 0, longestLate_ = 0, longestStep_ = 0;
    int64_t steps_ = 0, stepsOver1ms_ = 0;
    std::vector<double> work_, intervals_, updates_, renders_;
};

BotHost *g_host = nullptr;

HxZentrovaGame *MakeHost() {
    g_host = new BotHost();
    return g_host;
}

void ReportAtExit() {
    if (g_host) g_host->Report();
}

[[noreturn]] void Usage() {
    std::fprintf(stderr, "usage: velmora_bot [--mode campaign|open] [--seed N] | --busy\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--busy") {
            g_options.busy = true;
        } else if (a == "--mode" && i + 1 < argc) {
            const std::string m = argv[++i];
            if (m != "campaign" && m != "open") Usage();
            g_options.mode = m == "open" ? 1 : 0;
        } else if (a == "--seed" && i + 1 < argc) {
            char *end = nullptr;
            g_options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], &end, 10));
            if (!end || *end) Usage();
        } else {
            Usage();
        }
    }
    // The game's exit is exit(0) from inside an update.
    std::atexit(ReportAtExit);
    host_MainBody(1, argv, MakeHost);
    return 0;
}
