// Building and flushing a draw list of N sprites per frame, with GL calls
// that do nothing (only draw calls are counted): time per sprite, draw
// calls per frame against the ideal ceil(4N / 2340), and collected bytes
// made per frame after the first.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_gc.h"
#include "bench/bench_noop_gl.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

int64_t g_drawCalls = 0;

void CountElements(GLenum, GLsizei, GLenum, const void *) { ++g_drawCalls; }
void CountArrays(GLenum, GLint, GLsizei) { ++g_drawCalls; }

// The do-nothing GL with the draws counted.
void InstallNoOpGl() {
    bench::InstallNoOpGl();
    gl11.glDrawElements = CountElements;
    gl11.glDrawArrays = CountArrays;
}

c_Material *g_material = nullptr;

// The renderer made once on the recording fake GL: shared buffers and one
// shader whose default material every sprite uses.
void SetUpRenderer() {
    if (g_material) return;
    gc_InitLists();
    FakeGl::Install();
    gfx2_InitGlobals();
    gfx2_Started = true;
    gfx2_ProgramTemplate = String(u"//@vertex\nvoid main() {}\n//@fragment\n${SHADER}\nvoid main() { shader(); }\n");
    host_GLContextSeq = 1;
    gfx2_InitVbos();
    gfx2_FastShader = gc_New<c_Shader>()->m_new(String(u"void shader() { gl_FragColor = vxr_Color; }"));
    g_material = gfx2_FastShader->DefaultMaterial();
    // Bind once so the loop finds program and material bound.
    g_material->Bind();
    InstallNoOpGl();
}

void BM_SpritesPerFrame(benchmark::State &state) {
    SetUpRenderer();
    const int n = static_cast<int>(state.range(0));
    c_DrawList *list = gc_New<c_DrawList>()->m_new();
    auto frame = [&] {
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(i % 64) * 4.0f, y = static_cast<float>(i / 64) * 4.0f;
            list->DrawRect(x, y, 16.0f, 16.0f, g_material, 0.0f, 0.0f, 1.0f, 1.0f);
        }
        list->Render();
        list->Reset();
    };
    frame();  // the first frame grows the list's buffers and the op pool
    const int32_t newBytesBefore = gc_NewBytes;
    g_drawCalls = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        frame();
        ++frames;
    }
    state.SetItemsProcessed(frames * n);
    state.counters["ns_per_sprite"] =
        benchmark::Counter(static_cast<double>(frames * n), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                           benchmark::Counter::kIs1000);
    state.counters["draws_per_frame"] = frames ? static_cast<double>(g_drawCalls) / static_cast<double>(frames) : 0;
    state.counters["ideal_draws"] = std::ceil(4.0 * n / 2340.0);
    state.counters["gc_bytes_per_frame"] =
        frames ? static_cast<double>(gc_NewBytes - newBytesBefore) / static_cast<double>(frames) : 0;
}
BENCHMARK(BM_SpritesPerFrame)->Arg(1)->Arg(100)->Arg(585)->Arg(586)->Arg(1000)->Arg(5000);

}  // namespace


