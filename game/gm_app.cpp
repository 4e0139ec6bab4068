#include "game/gm_app.h"

#include <GL/gl.h>

#include "host/hx_gfx1.h"
#include "host/hx_gl.h"
#include "host/hx_main.h"
#include "runtime/rt_json.h"

gc_ref<c_MyApp> game_App;

int c_MyApp::OnCreate() {
    app_SetUpdateRate(30);
    return 0;
}

// An empty frame: the sea's deep blue.
int c_MyApp::OnRender() {
    glViewport(0, 0, app_CachedDeviceWidth, app_CachedDeviceHeight);
    glClearColor(0.06f, 0.16f, 0.29f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

void program_InitGlobals() {
    json_InitGlobals();
    gl_InitGlobals();
    gfx1_InitGlobals();
    app_InitGlobals();
    game_App = nullptr;
}

void program_MarkGlobals() {
    json_MarkGlobals();
    gl_MarkGlobals();
    gfx1_MarkGlobals();
    app_MarkGlobals();
    gc_Enqueue(game_App);
}

void game_Main() {
    c_MyApp *app = gc_New<c_MyApp>()->m_new();
    game_App = app;
}
