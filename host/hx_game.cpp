#include "host/hx_game.h"

#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "host/hx_thread.h"
#include "host/platform/hx_platform.h"

HxGame *host_CurrentGame = nullptr;
HxGlfwGame *host_GlfwGame = nullptr;

HxGame::HxGame() { host_CurrentGame = this; }

HxGame::~HxGame() {
    if (host_CurrentGame == this) host_CurrentGame = nullptr;
}

void HxGame::SetDelegate(HxGameDelegate *d) { delegate = d; }
HxGameDelegate *HxGame::Delegate() { return delegate; }
void HxGame::SetByteFlag(bool f) { byteFlag = f; }
bool HxGame::ByteFlag() { return byteFlag; }
void HxGame::SetUpdateRate(int rate) { updateRate = rate; }
int HxGame::UpdateRate() { return updateRate; }
bool HxGame::Started() { return started; }
bool HxGame::Suspended() { return suspended; }
int HxGame::Millisecs() { return 0; }
int HxGame::CountJoysticks(bool) { return 0; }
bool HxGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) { return false; }
void HxGame::OpenUrl(String) {}
void HxGame::SetMouseVisible(bool) {}
int HxGame::GetDeviceWidth() { return 0; }
int HxGame::GetDeviceHeight() { return 0; }
void HxGame::SetDeviceWindow(int, int, int) {}
Array<HxDisplayMode *> HxGame::GetDisplayModes() { return Array<HxDisplayMode *>(); }
HxDisplayMode *HxGame::GetDesktopMode() { return nullptr; }
void HxGame::SetSwapInterval(int) {}
String HxGame::PathToFilePath(String path) { return path; }
unsigned char *HxGame::LoadImageData(String, int *, int *, int *) { return nullptr; }
void *HxGame::LoadAudioData(String, int *, int *, int *, int *) { return nullptr; }

void HxGame::Die(ThrowableObject *) {
    lang_Print(String(u"Zentrova Runtime Error : Uncaught Zentrova Exception"));
    std::exit(-1);
}

void HxGame::CollectGarbage() {
    gc_Mark(delegate);
    thread_MarkRunning();
    gc_Collect();
}

template <class F>
void HxGame::Dispatch(F call) {
    struct Depth {
        int &d;
        explicit Depth(int &v) : d(v) { ++d; }
        ~Depth() { --d; }
    };
    {
        Depth depth(eventDepth);
        try {
            call();
        } catch (ThrowableObject *thrown) {
            Die(thrown);
        }
    }
    if (eventDepth == 0) CollectGarbage();
}

void HxGame::StartGame() {
    if (started) return;
    started = true;
    Dispatch([&] { if (delegate) delegate->StartGame(); });
}

void HxGame::SuspendGame() {
    if (!started || suspended) return;
    suspended = true;
    Dispatch([&] { if (delegate) delegate->SuspendGame(); });
}

void HxGame::ResumeGame() {
    if (!started || !suspended) return;
    suspended = false;
    Dispatch([&] { if (delegate) delegate->ResumeGame(); });
}

void HxGame::UpdateGame() {
    if (!started || suspended) return;
    Dispatch([&] { if (delegate) delegate->UpdateGame(); });
}

void HxGame::RenderGame() {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->RenderGame(); });
}

void HxGame::KeyEvent(int event, int data) {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->KeyEvent(event, data); });
}

void HxGame::MouseEvent(int event, int data, float x, float y, float z) {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->MouseEvent(event, data, x, y, z); });
}

void HxGame::TouchEvent(int event, int data, float x, float y) {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->TouchEvent(event, data, x, y); });
}

void HxGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->MotionEvent(event, data, x, y, z); });
}

void HxGame::DiscardGraphics() {
    if (!started) return;
    Dispatch([&] { if (delegate) delegate->DiscardGraphics(); });
}

// ---------------------------------------------------------------------------

HxGlfwGame::HxGlfwGame() { host_GlfwGame = this; }

HxGlfwGame::~HxGlfwGame() {
    if (host_GlfwGame == this) host_GlfwGame = nullptr;
}

void HxGlfwGame::SetUpdateRate(int rate) {
    updateRate = rate;
    if (rate != 0) updatePeriod = 1.0 / rate;
    nextUpdateTime = 0.0;
}

// Through 64 bits, wrapped to 32: the timer passes INT32_MAX milliseconds
// after about 24.8 days, and the count then goes on from INT32_MIN.
int host_MillisecsFromSeconds(double seconds) {
    double ms = std::trunc(seconds * 1000.0);
    if (!(ms >= 0.0) || ms >= 9.2e18) return 0;
    return math_Wrap(static_cast<int64_t>(ms));
}

// Milliseconds since glfwInit.
int HxGlfwGame::Millisecs() { return host_MillisecsFromSeconds(GetTime()); }

void HxGlfwGame::OpenUrl(String url) {
    String::CString narrow(url);
    platform_OpenUrl(narrow.c_str());
}

void HxGlfwGame::SetMouseVisible(bool visible) {
    if (window) glfwSetInputMode(window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
}

int HxGlfwGame::GetDeviceWidth() { return width; }
int HxGlfwGame::GetDeviceHeight() { return height; }

// The primary monitor's modes at 60 Hz (or of unknown rate), in GLFW's order.
Array<HxDisplayMode *> HxGlfwGame::GetDisplayModes() {
    GLFWmonitor *monitor = glfwGetPrimaryMonitor();
    int count = 0;
    const GLFWvidmode *modes = monitor ? glfwGetVideoModes(monitor, &count) : nullptr;
    if (!modes) count = 0;
    int kept = 0;
    for (int i = 0; i < count; ++i)
        if (modes[i].refreshRate == 60 || modes[i].refreshRate == 0) ++kept;
    Array<HxDisplayMode *> result(static_cast<int64_t>(kept));
    int j = 0;
    for (int i = 0; i < count; ++i)
        if (modes[i].refreshRate == 60 || modes[i].refreshRate == 0)
            result[j++] = gc_New<HxDisplayMode>(modes[i].width, modes[i].height);
    return result;
}

HxDisplayMode *HxGlfwGame::GetDesktopMode() { return gc_New<HxDisplayMode>(desktopMode[0], desktopMode[1]); }
