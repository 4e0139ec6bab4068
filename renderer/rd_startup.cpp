#include "renderer/rd_startup.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "host/hx_app.h"
#include "host/hx_gl11.h"
#include "renderer/rd_builtin.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_map.h"
#include "runtime/rt_stack.h"

namespace {

// A text asset of the data folder (app_LoadString maps a bare name there);
// a missing file gives "".
String LoadDataText(const char *name) { return app_LoadString(String(name)); }

}  // namespace

void gfx2_InitRenderer() {
    if (gfx2_Started) return;
    gfx2_Started = true;

    gfx2_InitVbos();
    gl11.glGetIntegerv(GL_FRAMEBUFFER_BINDING, gfx2_QueryScratch);
    gfx2_WindowFramebuffer = static_cast<uint32_t>(gfx2_QueryScratch[0]);
    gfx2_ProgramTemplate = LoadDataText("vexo2_program.glsl");

    // Each build stops with the shader errors when its body does not
    // compile or link (or the template lacks a marker).
    gfx2_FastShader = gc_New<c_Shader>()->m_new(LoadDataText("vexo2_fastshader.glsl"));
    gfx2_BumpShader = gc_New<c_BumpShader>()->m_new(LoadDataText("vexo2_bumpshader.glsl"));
    gfx2_MatteShader = gc_New<c_MatteShader>()->m_new(LoadDataText("vexo2_matteshader.glsl"));
    gfx2_ShadowShader = gc_New<c_Shader>()->m_new(LoadDataText("vexo2_shadowshader.glsl"));
    gfx2_LightmapShader = gc_New<c_Shader>()->m_new(LoadDataText("vexo2_lightmapshader.glsl"));
    gfx2_DefaultShader = gfx2_BumpShader;

    gfx2_LoadDefaultFont();

    // The y flip of the window's projection.
    gfx2_FlipMatrix[5] = -1.0f;
}

// gfx2_DefaultFont = the grid font of "zentrova://data/vexo2_font.png"
// (first character 32, 96 characters, padded cells), and the run-time error
// "Can't load default font" when it does not load.
void gfx2_LoadDefaultFont() {
    gfx2_DefaultFont = c_Font2::LoadGrid(String(u"zentrova://data/vexo2_font.png"), 32, 96, true);
    if (!gfx2_DefaultFont) object_Error(String(u"Can't load default font"));
}

void gfx2_InitGlobals() {
    gfx2_ResetPlainGlobals();
    GFX2_OBJECT_GLOBALS(GFX2_INIT_COLLECTED)
    GFX2_ARRAY_GLOBALS(GFX2_INIT_COLLECTED)
}

void gfx2_MarkGlobals() {
    GFX2_OBJECT_GLOBALS(GFX2_MARK_COLLECTED)
    GFX2_ARRAY_GLOBALS(GFX2_MARK_COLLECTED)
}
