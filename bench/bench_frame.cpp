// Building one play frame's draw lists at their heaviest, with GL calls
// that do nothing: the sea (the two layers and 15 emitters whose 151 rings
// are all growing, 2 x 2265 wake quads) rendered into its target, then the
// water image and 30 objects (the iceberg, 14 ships with bars, tags and
// levels, 15 crates) in depth order on the window canvas, both flushed.
// Reported as time per frame, as a share of the 33.3 ms frame
// ("pct_of_frame"), and as collected bytes made per frame after the first.
//
// The assets are the real ones from the data folder beside the program,
// loaded on the renderer's recording fake GL, which also serves the first
// frame; the no-op GL is put in for the timed frames.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "game/gm_app.h"
#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "host/hx_app.h"
#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "host/hx_main.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_gc.h"
#include "bench/bench_noop_gl.h"
#include "tests/game/support/busy_sea.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

constexpr double kFrameMs = 1000.0 / 30.0;

using bench::InstallNoOpGl;

// The game's globals, its assets and a full world, made once.
void SetUpWorld() {
    static bool done = false;
    if (done) return;
    done = true;
    static HxZentrovaGame *game = new HxZentrovaGame();
    (void)game;
    gc_InitLists();
    program_InitGlobals();
    gc_SetRoots(program_MarkGlobals);
    app_CachedDeviceWidth = 960;
    app_CachedDeviceHeight = 540;
    FakeGl::Install();
    host_GLContextSeq = 1;
    ImageFlagsMask = 0;
    game_TinyFont = game_LoadFont(String(u"fonttiny.png"));
    game_LoadWaterAssets();
    game_LoadActorImages();
    game_SetupScreen();

    c_Game::StartWorld(GameMode_OpenWorld);
    world_SpawningOn = 0;
    c_StateMachine *machine = gc_New<c_StateMachine>()->m_new();
    machine->m_state = machine->m_nextState = ScreenState_Play;
    machine->m_phase = machine->m_nextPhase = ScreenPhase_Active;
    game_StateMachine = machine;
    busy::TopUp();
    // Every ring of every emitter growing, all on screen.
    world_Clock = 1000;
    busy::FillRings();
}

// One frame: the sea into its target, then the play screen on the window
// canvas, flushed (the frame driver's clear and viewport included).
void Frame() {
    c_Canvas *canvas = game_MainCanvas;
    canvas->Clear(0, 0, 0, 1);
    canvas->SetViewport(0, 0, screen_ScaledWidth, screen_ScaledHeight);
    canvas->SetColor(1, 1, 1);
    const float scale = static_cast<float>(screen_Scale);
    canvas->SetMatrix(scale, 0, 0, scale, 0, 0);
    game_RenderPlay();
    canvas->Flush();
}

void BM_PlayFrame(benchmark::State &state) {
    SetUpWorld();
    // The first frame, on the fake GL, binds every shader once (which
    // builds its programs for the context) and grows the lists' buffers and
    // the op pool.
    Frame();
    InstallNoOpGl();
    const int32_t newBytesBefore = gc_NewBytes;
    int64_t frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Frame();
        ++frames;
    }
    const double totalMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.counters["pct_of_frame"] = frames ? totalMs / static_cast<double>(frames) / kFrameMs * 100.0 : 0;
    state.counters["gc_bytes_per_frame"] =
        frames ? static_cast<double>(gc_NewBytes - newBytesBefore) / static_cast<double>(frames) : 0;
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
