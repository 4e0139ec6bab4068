// A small program on the host for the end-to-end tests: it logs its hooks
// to the file named by VELMORA_TESTAPP_LOG, one line each, and behaves as
// VELMORA_TESTAPP_MODE says ("throw": OnCreate throws an object;
// "deferclose": OnClose only asks to quit, and the next update ends the
// program, as a game that saves first does; "return": OnClose lets the main
// loop return, and main logs "returned, audio open 0|1" once host_MainBody
// is back; "hang": the first update logs "hung" and never returns, as a
// program stuck in its own code). Besides the hooks it logs "focus seen" once the host has seen
// its window focused, and "render suspended" for each frame drawn while
// suspended, so that a test can wait for them.
#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/hx_app.h"
#include "host/hx_audio.h"
#include "host/hx_game.h"
#include "host/hx_gfx1.h"
#include "host/hx_gl.h"
#include "host/hx_input.h"
#include "host/hx_main.h"
#include "host/platform/hx_platform.h"
#include "runtime/rt_json.h"

namespace {

FILE *g_log = nullptr;

void Log(const char *fmt, int value = 0) {
    if (!g_log) return;
    std::fprintf(g_log, fmt, value);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

struct Thrown : ThrowableObject {};

bool Mode(const char *name) {
    const char *mode = std::getenv("VELMORA_TESTAPP_MODE");
    return mode && std::strcmp(mode, name) == 0;
}

class c_TestApp : public c_App {
public:
    bool quitRequested = false;
    bool focusLogged = false;
    bool suspended = false;
    c_TestApp *m_new() {
        c_App::m_new();
        return this;
    }
    int OnCreate() override {
        Log("create %d", app_CachedDeviceWidth * 10000 + app_CachedDeviceHeight);
        if (Mode("throw")) throw gc_New<Thrown>();
        app_SetUpdateRate(30);
        return 0;
    }
    int OnSuspend() override {
        Log("suspend");
        suspended = true;
        return 0;
    }
    int OnResume() override {
        Log("resume");
        suspended = false;
        return 0;
    }
    int OnUpdate() override {
        // Key 87 (W): its hits in this update.
        c_InputDevice *in = app_InputDevice;
        int hits = in ? in->keyHit[87] : 0;
        if (hits) Log("hit87 %d", hits);
        // The loop's focus step has run just before the update.
        if (!focusLogged && host_GlfwGame && host_GlfwGame->focusSeen) {
            focusLogged = true;
            Log("focus seen");
        }
        Log("update");
        if (Mode("hang")) {
            Log("hung");
            for (;;) platform_SleepMs(1000);
        }
        if (quitRequested) {
            Log("quit");
            app_EndApp();
        }
        return 0;
    }
    int OnRender() override {
        if (suspended) Log("render suspended");
        glViewport(0, 0, app_CachedDeviceWidth, app_CachedDeviceHeight);
        glClearColor(0.0f, 0.5f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        return 0;
    }
    int OnClose() override {
        Log("close");
        if (Mode("deferclose")) {
            quitRequested = true;
            return 0;
        }
        if (Mode("return")) {
            glfwSetWindowShouldClose(host_GlfwGame->window, GLFW_TRUE);
            return 0;
        }
        return c_App::OnClose();
    }
};

gc_ref<c_TestApp> g_app;

}  // namespace

void program_InitGlobals() {
    json_InitGlobals();
    gl_InitGlobals();
    gfx1_InitGlobals();
    app_InitGlobals();
}

void program_MarkGlobals() {
    json_MarkGlobals();
    gl_MarkGlobals();
    gfx1_MarkGlobals();
    app_MarkGlobals();
    gc_Enqueue(g_app);
}

void game_Main() { g_app = gc_New<c_TestApp>()->m_new(); }

int main(int argc, char **argv) {
    if (const char *path = std::getenv("VELMORA_TESTAPP_LOG")) g_log = std::fopen(path, "w");
    host_MainBody(argc, argv);
    HxAudio *audio = app_AudioDevice;
    Log("returned, audio open %d", audio && audio->device ? 1 : 0);
    return 0;
}
