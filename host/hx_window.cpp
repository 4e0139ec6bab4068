// The window, its GL context, the GLFW callbacks and the main loop.
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_keys.h"
#include "host/platform/hx_platform.h"

int host_GLContextSeq = 0;

namespace {

// Nothing thrown may unwind through GLFW's C frames. Thrown objects of the
// app end the process inside the host events; anything else ends here.
template <class F>
void Guarded(const char *callback, F body) {
    try {
        body();
    } catch (...) {
        std::printf("Velmora: unexpected exception in the %s callback\n", callback);
        std::fflush(stdout);
        std::abort();
    }
}

HxGlfwGame *Host() { return host_GlfwGame; }

}  // namespace

// ---------------------------------------------------------------------------
// Window.

void HxGlfwGame::ReleaseHeldKeys() {
    if (!window) return;
    for (int key = 0; key <= GLFW_KEY_LAST; ++key) {
        // Translate first: GLFW reports an error for numbers that are not keys.
        int code = TranslateKey(key);
        if (code != 0 && glfwGetKey(window, key) == GLFW_PRESS) KeyEvent(event_KeyUp, code);
    }
}

void HxGlfwGame::SetDeviceWindow(int w, int h, int flags) {
    focusSeen = false;
    if (window) {
        ReleaseHeldKeys();
        glfwDestroyWindow(window);
        window = nullptr;
    }
    const bool fullscreenWanted = (flags & WindowFlag_Fullscreen) != 0;
    GLFWmonitor *monitor = nullptr;
    if (fullscreenWanted) {
        int count = 0;
        GLFWmonitor **monitors = glfwGetMonitors(&count);
        // No monitor at all: fall back to a window.
        if (monitors && count > 0) monitor = monitors[(flags & WindowFlag_SecondMonitor) && count > 1 ? 1 : 0];
    }
    const bool fullscreen = monitor != nullptr;

    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_ALPHA_BITS, 8);
    glfwWindowHint(GLFW_DEPTH_BITS, (flags & WindowFlag_DepthBuffer) ? 32 : 0);
    glfwWindowHint(GLFW_STENCIL_BITS, (flags & WindowFlag_StencilBuffer) ? 8 : 0);
    glfwWindowHint(GLFW_RESIZABLE, (flags & WindowFlag_Resizable) ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_DECORATED, (flags & WindowFlag_Decorated) ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_FLOATING, (flags & WindowFlag_Floating) ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_VISIBLE, fullscreen ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_DOUBLEBUFFER, (flags & WindowFlag_SingleBuffer) ? GLFW_FALSE : GLFW_TRUE);
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_REFRESH_RATE, 60);

    GLFWwindow *created = glfwCreateWindow(w, h, "Velmora", monitor, nullptr);
    if (!created) {
        lang_Print(String(u"glfwCreateWindow FAILED!"));
        std::abort();
    }
    window = created;
    width = w;
    height = h;
    host_GLContextSeq += 1;
    if (!fullscreen) {
        glfwSetWindowPos(window, (desktopMode[0] - w) / 2, (desktopMode[1] - h) / 2);
        glfwShowWindow(window);
    }
    glfwMakeContextCurrent(window);
    if (swapInterval >= 0) glfwSwapInterval(swapInterval);
    gl_LoadEntryPoints();
    // Looking a name up succeeds for any name here, so check the version
    // and the entries the program calls before anything draws.
    if (!gl_HasVersion(3, 0) || !gl_CheckRequiredEntryPoints()) {
        lang_Print(String(u"OpenGL 3.0 or newer is needed, with framebuffer objects and mipmap generation"));
        std::abort();
    }
    glfwSetKeyCallback(window, OnKey);
    glfwSetCharCallback(window, OnChar);
    glfwSetMouseButtonCallback(window, OnMouseButton);
    glfwSetScrollCallback(window, OnScroll);
    glfwSetCursorPosCallback(window, OnCursorPos);
    glfwSetWindowCloseCallback(window, OnWindowClose);
    glfwSetWindowSizeCallback(window, OnWindowSize);
}

void HxGlfwGame::SetSwapInterval(int interval) {
    swapInterval = interval;
    if (interval >= 0 && window) glfwSwapInterval(interval);
}

// ---------------------------------------------------------------------------
// Main loop.

double HxGlfwGame::GetTime() { return glfwGetTime(); }

int HxGlfwGame::SleepMillis(double seconds) {
    double ms = std::trunc(seconds * 1000.0);
    if (!(ms > 0.0)) return 0;
    if (ms > 2147483647.0) return 2147483647;
    return static_cast<int>(static_cast<int64_t>(ms));
}

void HxGlfwGame::Sleep(double seconds) { platform_SleepMs(SleepMillis(seconds)); }

void HxGlfwGame::SwapBuffers() {
    if (window) glfwSwapBuffers(window);
}
bool HxGlfwGame::WindowShouldClose() { return !window || glfwWindowShouldClose(window); }
bool HxGlfwGame::WindowFocused() { return window && glfwGetWindowAttrib(window, GLFW_FOCUSED); }
void HxGlfwGame::WaitForEvents() { glfwWaitEvents(); }
void HxGlfwGame::PollForEvents() { glfwPollEvents(); }

void HxGlfwGame::PollEvents() {
    if (suspended)
        WaitForEvents();
    else
        PollForEvents();
    // A termination signal is the close button by another way.
    if (platform_TakeTerminationRequest()) HandleWindowClose();
    if (WindowFocused()) {
        focusSeen = true;
        if (suspended) {
            ResumeGame();
            nextUpdateTime = 0.0;
        }
    } else if (closePending && suspended) {
        // Let the app see its close request: one pass of updates.
        ResumeGame();
        nextUpdateTime = 0.0;
    } else if (focusSeen && !suspended && !closePending) {
        // Not while a close request waits for its update: the app would
        // never see it (a logout unfocuses and closes in one step).
        SuspendGame();
        nextUpdateTime = 0.0;
    }
}

void HxGlfwGame::Run() {
    SetDeviceWindow(960, 540, WindowFlag_Decorated | WindowFlag_DepthBuffer);
    StartGame();
    for (;;) {
        if (WindowShouldClose()) return;
        RenderGame();
        SwapBuffers();
        if (nextUpdateTime != 0.0) {
            double wait = nextUpdateTime - GetTime();
            if (wait > 0.0) Sleep(wait);
        }
        PollEvents();
        if (suspended) continue;
        if (updateRate == 0) {
            UpdateGame();
            closePending = false;
            continue;
        }
        if (nextUpdateTime == 0.0) nextUpdateTime = GetTime();
        for (int i = 0; i < 4; ++i) {
            UpdateGame();
            if (nextUpdateTime == 0.0) break;  // the update changed the rate
            nextUpdateTime += updatePeriod;
            if (nextUpdateTime > GetTime()) break;
            if (i == 3) nextUpdateTime = 0.0;  // behind: drop the missed updates
        }
        closePending = false;
    }
}

// ---------------------------------------------------------------------------
// Callbacks.

void HxGlfwGame::HandleKey(int glfwKey, int action) {
    int code = TranslateKey(glfwKey);
    if (code == 0) return;
    if (action == GLFW_RELEASE)
        HandleKeyCode(code, false);
    else if (action == GLFW_PRESS || action == GLFW_REPEAT)
        HandleKeyCode(code, true);
}

void HxGlfwGame::HandleKeyCode(int code, bool down) {
    if (!down) return KeyEvent(event_KeyUp, code);
    KeyEvent(event_KeyDown, code);
    if (int ch = KeyToChar(code)) KeyEvent(event_Character, ch);
}

void HxGlfwGame::HandleChar(unsigned int codepoint) { KeyEvent(event_Character, static_cast<int>(codepoint)); }

void HxGlfwGame::HandleMouseButton(int button, int action, double x, double y) {
    if (button < 0 || button > 2) return;
    if (action == GLFW_PRESS)
        MouseEvent(event_MouseDown, button, static_cast<float>(x), static_cast<float>(y), 0.0f);
    else if (action == GLFW_RELEASE)
        MouseEvent(event_MouseUp, button, static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void HxGlfwGame::HandleCursorPos(double x, double y) {
    MouseEvent(event_MouseMove, -1, static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void HxGlfwGame::HandleScroll(double x, double y, double yOffset) {
    MouseEvent(event_MouseMove, -1, static_cast<float>(x), static_cast<float>(y), static_cast<float>(yOffset));
}

void HxGlfwGame::HandleWindowClose() {
    if (window) glfwSetWindowShouldClose(window, GLFW_FALSE);
    closePending = true;
    KeyEvent(event_KeyDown, key_WindowClose);
    KeyEvent(event_KeyUp, key_WindowClose);
}

void HxGlfwGame::HandleWindowSize(int w, int h) {
    width = w;
    height = h;
}

void HxGlfwGame::OnKey(GLFWwindow *, int key, int, int action, int) {
    Guarded("key", [&] { if (HxGlfwGame *g = Host()) g->HandleKey(key, action); });
}

void HxGlfwGame::OnChar(GLFWwindow *, unsigned int codepoint) {
    Guarded("character", [&] { if (HxGlfwGame *g = Host()) g->HandleChar(codepoint); });
}

void HxGlfwGame::OnMouseButton(GLFWwindow *w, int button, int action, int) {
    Guarded("mouse button", [&] {
        HxGlfwGame *g = Host();
        if (!g) return;
        double x = 0, y = 0;
        glfwGetCursorPos(w, &x, &y);
        g->HandleMouseButton(button, action, x, y);
    });
}

void HxGlfwGame::OnCursorPos(GLFWwindow *, double x, double y) {
    Guarded("cursor", [&] { if (HxGlfwGame *g = Host()) g->HandleCursorPos(x, y); });
}

void HxGlfwGame::OnScroll(GLFWwindow *w, double, double yOffset) {
    Guarded("scroll", [&] {
        HxGlfwGame *g = Host();
        if (!g) return;
        double x = 0, y = 0;
        glfwGetCursorPos(w, &x, &y);
        g->HandleScroll(x, y, yOffset);
    });
}

void HxGlfwGame::OnWindowClose(GLFWwindow *) {
    Guarded("window close", [&] { if (HxGlfwGame *g = Host()) g->HandleWindowClose(); });
}

void HxGlfwGame::OnWindowSize(GLFWwindow *, int w, int h) {
    Guarded("window size", [&] { if (HxGlfwGame *g = Host()) g->HandleWindowSize(w, h); });
}

void HxGlfwGame::OnGlfwError(int error, const char *description) {
    std::printf("GLFW Error: err=%i, msg=%s\n", error, description ? description : "");
    std::fflush(stdout);
}
