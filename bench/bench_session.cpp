// The cost of a frame in a busy play session of the real app: the
// program's set-up (host_MainSetup: program_InitGlobals, game_Main) and
// OnCreate on a scripted host whose clock only the benchmark moves, then
// a campaign world (c_Game::StartWorld(GameMode_Campaign)) in play, active, spawning on,
// with 30 objects (the iceberg, 14 ships, 15 crates), the 15 emitters'
// 151 rings all growing, the HUD and a balloon open. The random seed is
// fixed, so every run replays the same session.
//
// One iteration is one pass of the main loop: RenderGame (OnRender, with a
// GL whose functions do nothing: the draw lists are built and flushed into
// nothing), the clock moves 33 ms, UpdateGame (OnUpdate). The host's
// collector step runs after each of them, as in the game. Reported as
// counters, per pass:
//   update_us, update_pct    CPU time of OnUpdate, and its share of the
//                            33.3 ms frame
//   render_us, render_pct    the same for OnRender's draw-list build
//   gc_step_us, gc_step_max_us  the collector's step after an event: mean
//                            and longest (wall time)
//   gc_bytes_per_update      collected bytes made by one OnUpdate (the
//                            change of gc_NewBytes, which counts toward the
//                            next full collection)
//   gc_bytes_per_render      the same for one OnRender
//   objects                  objects in the world, on average
//   sinkings                 objects that left the world, per pass
//   player_alive             1 when the player's iceberg is still afloat
// Before each pass (untimed) the free object slots are filled again and
// every ring is started again, so the world stays at 30 objects and the
// sea at its heaviest while the ships fight and sink.
//
// BM_FullCollection: the same session's heap, one collector step made a
// full collection (the counted bytes raised past the threshold, as the
// game's own churn would do): the longest step the session can see.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "host/hx_main.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_math.h"
#include "bench/bench_noop_gl.h"
#include "tests/game/support/busy_sea.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

constexpr double kFrameMs = 1000.0 / 30.0;

using bench::InstallNoOpGl;

double ThreadCpuUs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// The host with a scripted clock, no window and no joysticks; its
// collector step is timed, and the collected bytes made by the event
// before it are taken.
class BenchHost : public HxZentrovaGame {
public:
    int64_t clockMs = 0;
    // The last collector step: its wall and CPU time, and gc_NewBytes when
    // it began.
    double lastStepUs = 0, lastStepCpuUs = 0;
    int32_t newBytesAtStep = 0;

    double GetTime() override { return static_cast<double>(clockMs) / 1000.0; }
    int Millisecs() override { return math_Wrap(clockMs); }
    void Sleep(double seconds) override { clockMs += SleepMillis(seconds); }
    void SetDeviceWindow(int w, int h, int) override {
        host_GLContextSeq += 1;
        width = w;
        height = h;
    }
    int CountJoysticks(bool) override { return 0; }
    bool PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) override { return false; }
    void OpenUrl(String) override {}
    void CollectGarbage() override {
        newBytesAtStep = gc_NewBytes;
        const double cpu = ThreadCpuUs();
        const auto start = std::chrono::steady_clock::now();
        HxZentrovaGame::CollectGarbage();
        lastStepUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        lastStepCpuUs = ThreadCpuUs() - cpu;
    }

protected:
    bool WindowShouldClose() override { return false; }
    bool WindowFocused() override { return true; }
    void WaitForEvents() override {}
    void PollForEvents() override {}
};

BenchHost *g_host = nullptr;

void SetUpSession() {
    if (g_host) return;
    setenv("ALSOFT_DRIVERS", "null", 1);
    FakeGl::Install();
    g_host = new BenchHost();
    g_host->swapInterval = 1;
    g_host->focusSeen = true;
    const int desktop[6] = {1920, 1080, 8, 8, 8, 60};
    for (int i = 0; i < 6; ++i) g_host->desktopMode[i] = desktop[i];
    static char program[] = "velmora";
    static char *argv[] = {program, nullptr};
    try {
        host_MainSetup(1, argv);
    } catch (ThrowableObject *thrown) {
        g_host->Die(thrown);
    }
    g_host->SetDeviceWindow(960, 540, WindowFlag_Decorated | WindowFlag_DepthBuffer);
    g_host->StartGame();

    busy::StartWorld();
    g_host->clockMs += 33;
    g_host->UpdateGame();
    busy::Fill();
    // The first passes, on the fake GL, bind every shader once and grow the
    // lists' buffers and the op pool.
    for (int i = 0; i < 30; ++i) {
        g_host->RenderGame();
        g_host->clockMs += 33;
        g_host->UpdateGame();
    }
    InstallNoOpGl();
}

void BM_PlaySession(benchmark::State &state) {
    SetUpSession();
    double updateUs = 0, renderUs = 0, stepUs = 0, stepMaxUs = 0;
    double updateBytes = 0, renderBytes = 0, objects = 0, sinkings = 0;
    int64_t passes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        busy::KeepBusy();
        const int before = busy::CountObjects();
        state.ResumeTiming();

        int32_t bytes = gc_NewBytes;
        double cpu = ThreadCpuUs();
        g_host->RenderGame();
        renderUs += ThreadCpuUs() - cpu - g_host->lastStepCpuUs;
        renderBytes += g_host->newBytesAtStep - bytes;
        stepUs += g_host->lastStepUs;
        stepMaxUs = std::max(stepMaxUs, g_host->lastStepUs);

        g_host->clockMs += 33;
        bytes = gc_NewBytes;
        cpu = ThreadCpuUs();
        g_host->UpdateGame();
        updateUs += ThreadCpuUs() - cpu - g_host->lastStepCpuUs;
        updateBytes += g_host->newBytesAtStep - bytes;
        stepUs += g_host->lastStepUs;
        stepMaxUs = std::max(stepMaxUs, g_host->lastStepUs);
        const int after = busy::CountObjects();
        objects += after;
        sinkings += before - after;
        ++passes;
    }
    const double n = passes ? static_cast<double>(passes) : 1;
    state.counters["update_us"] = updateUs / n;
    state.counters["update_pct"] = updateUs / n / 1000.0 / kFrameMs * 100.0;
    state.counters["render_us"] = renderUs / n;
    state.counters["render_pct"] = renderUs / n / 1000.0 / kFrameMs * 100.0;
    state.counters["gc_step_us"] = stepUs / (2 * n);
    state.counters["gc_step_max_us"] = stepMaxUs;
    state.counters["gc_bytes_per_update"] = updateBytes / n;
    state.counters["gc_bytes_per_render"] = renderBytes / n;
    state.counters["objects"] = objects / n;
    state.counters["sinkings"] = sinkings / n;
    state.counters["player_alive"] = world_Objects[0] ? 1 : 0;
}
// 3000 passes: 100 seconds of play.
BENCHMARK(BM_PlaySession)->Unit(benchmark::kMicrosecond)->Iterations(3000);

void BM_FullCollection(benchmark::State &state) {
    SetUpSession();
    double maxUs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int64_t counted = int64_t{gc_NewBytes} + gc_ExternalBytes.load();
        if (counted <= gc_FullThreshold)
            gc_AddExternalBytes(static_cast<int32_t>(int64_t{gc_FullThreshold} + 1 - counted));
        state.ResumeTiming();
        g_host->CollectGarbage();
        maxUs = std::max(maxUs, g_host->lastStepUs);
        state.PauseTiming();
        gc_Reclaim(INT32_MAX);
        g_host->RenderGame();
        g_host->clockMs += 33;
        g_host->UpdateGame();
        state.ResumeTiming();
    }
    state.counters["step_max_us"] = maxUs;
    state.counters["heap_bytes"] = gc_AllocBytes;
}
BENCHMARK(BM_FullCollection)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
