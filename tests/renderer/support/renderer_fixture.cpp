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
    for (gc_ref<c_Shader> *s : {&gfx2_FastShader, &gfx2_BumpShader, &gfx2_MatteShader, &gfx2_ShadowShader,
                                &gfx2_LightmapShader, &gfx2_DefaultShader})
        *s = nullptr;
    gfx2_DefaultFont = nullptr;
    gfx2_ColorTextureCache = nullptr;
    gfx2_WhiteTexture = nullptr;
    gfx2_BlackTexture = nullptr;
    gfx2_GreyTexture = nullptr;
    gfx2_ShadowTexture = nullptr;
    gfx2_CurrentCanvas = nullptr;
    gfx2_BoundProgram = nullptr;
    gfx2_BoundMaterial = nullptr;
    gfx2_OpPool = nullptr;
    gfx2_NoOp = nullptr;
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
