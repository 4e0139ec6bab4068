#include "tests/renderer/support/renderer_fixture.h"

#include "host/hx_game.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"

void test_ClearRendererGlobals() {
    gfx2_ResetPlainGlobals();
    GFX2_OBJECT_GLOBALS(GFX2_CLEAR_OBJECT)
    GFX2_ARRAY_GLOBALS(GFX2_CLEAR_ARRAY)
}

void FakeRendererTest::SetUp() {
    RuntimeTest::SetUp();
    FakeGl::Install();
    gfx2_InitGlobals();
    gfx2_Started = true;
    host_GLContextSeq = 1;
}

void FakeRendererTest::TearDown() {
    test_ClearRendererGlobals();
    host_GLContextSeq = 0;
    FakeGl::Uninstall();
    RuntimeTest::TearDown();
}
