#include "host/hx_app.h"

#include "host/hx_audio.h"
#include "host/hx_files.h"
#include "host/hx_gfx1.h"
#include "host/hx_graphics.h"
#include "host/hx_input.h"
#include "host/hx_keys.h"
#include "runtime/rt_error.h"
#include "runtime/rt_map.h"
#include "runtime/rt_stack.h"

HxGame *app_Game = nullptr;
gc_ref<c_App> app_App;
gc_ref<c_GameDelegate> app_Delegate;
int app_CachedDeviceWidth = 0;
int app_CachedDeviceHeight = 0;
ArrayField<c_DisplayMode *> app_DisplayModes;
gc_ref<c_DisplayMode> app_DesktopMode;
int app_UpdateRate = 0;

void app_InitGlobals() {
    app_Game = host_CurrentGame;
    app_App = nullptr;
    app_Delegate = nullptr;
    app_GraphicsDevice = nullptr;
    app_AudioDevice = nullptr;
    app_InputDevice = nullptr;
    app_CachedDeviceWidth = 0;
    app_CachedDeviceHeight = 0;
    app_DisplayModes = Array<c_DisplayMode *>();
    app_DesktopMode = nullptr;
    app_UpdateRate = 0;
}

void app_MarkGlobals() {
    gc_Enqueue(app_App);
    gc_Enqueue(app_Delegate);
    gc_Enqueue(app_GraphicsDevice);
    gc_Enqueue(app_AudioDevice);
    gc_Enqueue(app_InputDevice);
    gc_Enqueue(app_DisplayModes);
    gc_Enqueue(app_DesktopMode);
}

// ---------------------------------------------------------------------------

c_App *c_App::m_new() {
    if (app_App) object_Error(String(u"App has already been created"));
    app_App = this;
    app_Delegate = gc_New<c_GameDelegate>()->m_new();
    if (app_Game) app_Game->SetDelegate(app_Delegate);
    return this;
}

int c_App::OnClose() { app_EndApp(); }

int c_App::CallOnClose() {
    OnClose();
    return 0;
}

// ---------------------------------------------------------------------------

void c_GameDelegate::Mark() {
    gc_Enqueue(graphics);
    gc_Enqueue(audio);
    gc_Enqueue(input);
}

void c_GameDelegate::StartGame() {
    graphics = gc_New<HxGraphics>()->m_new();
    app_GraphicsDevice = graphics;
    gfx1_SetFont(nullptr);
    audio = gc_New<HxAudio>()->m_new();
    app_AudioDevice = audio;
    input = gc_New<c_InputDevice>()->m_new();
    app_InputDevice = input;
    app_CachedDeviceWidth = app_Game->GetDeviceWidth();
    app_CachedDeviceHeight = app_Game->GetDeviceHeight();
    app_EnumDisplayModes();
    if (app_App) app_App->OnCreate();
}

void c_GameDelegate::SuspendGame() {
    if (app_App) app_App->OnSuspend();
    if (audio) audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
    if (audio) audio->Resume();
    if (app_App) app_App->OnResume();
}

void c_GameDelegate::UpdateGame() {
    app_ValidateDeviceWindow(true);
    if (input) input->BeginUpdate();
    if (app_App) app_App->OnUpdate();
    if (input) input->EndUpdate();
}

void c_GameDelegate::RenderGame() {
    app_ValidateDeviceWindow(true);
    int mode = graphics ? graphics->BeginRender() : 0;
    if (mode == 0) {
        if (app_App) app_App->OnRender();
    } else if (mode == 1) {
        gfx1_BeginRender();
        if (app_App) app_App->OnRender();
        gfx1_RenderDevice = nullptr;
    } else if (mode == 2) {
        gfx1_BeginRender();
        gfx1_RenderDevice = nullptr;
    }
    if (graphics) graphics->EndRender();
}

void c_GameDelegate::KeyEvent(int event, int data) {
    if (input) input->KeyEvent(event, data);
    if (event == event_KeyDown && (data == key_WindowClose || data == key_Close) && app_App) app_App->OnClose();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y, float z) {
    if (input) input->MouseEvent(event, data, x, y, z);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
    if (input) input->TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
    if (input) input->MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
    if (graphics) graphics->DiscardGraphics();
}

// ---------------------------------------------------------------------------

void app_EndApp() { object_Error(String()); }

void app_SetUpdateRate(int rate) {
    app_UpdateRate = rate;
    app_Game->SetUpdateRate(rate);
}

int app_Millisecs() { return app_Game->Millisecs(); }

Array<int> app_GetDate() {
    Array<int> date(7);
    app_Game->GetDate(date);
    return date;
}

void app_GetDateInto(Array<int> date) { app_Game->GetDate(date); }

String app_LoadState() { return app_Game->LoadState(); }

void app_SaveState(String state) { app_Game->SaveState(state); }

String app_LoadString(String path) { return app_Game->LoadString(app_FixDataPath(path)); }

void app_ValidateDeviceWindow(bool notify) {
    int w = app_Game->GetDeviceWidth();
    int h = app_Game->GetDeviceHeight();
    if (w == app_CachedDeviceWidth && h == app_CachedDeviceHeight) return;
    app_CachedDeviceWidth = w;
    app_CachedDeviceHeight = h;
    if (notify && app_App) app_App->OnResize();
}

int app_DeviceWidth() { return app_CachedDeviceWidth; }
int app_DeviceHeight() { return app_CachedDeviceHeight; }

void app_SetAudioDevice(HxAudio *audio) { app_AudioDevice = audio; }
void app_SetInputDevice(c_InputDevice *input) { app_InputDevice = input; }

int app_DisplayModeKey(int width, int height) {
    return static_cast<int>((static_cast<uint32_t>(width) << 16) | static_cast<uint32_t>(height));
}

void app_EnumDisplayModes() {
    Array<HxDisplayMode *> modes = app_Game->GetDisplayModes();
    // The collector does not step inside this function, so the locals
    // holding the map and the stack are safe.
    c_IntMap2 *seen = gc_New<c_IntMap2>();
    seen->m_new();
    c_Stack *list = gc_New<c_Stack>();
    list->m_new();
    for (int i = 0; i < modes.Length(); ++i) {
        HxDisplayMode *m = modes[i];
        int key = app_DisplayModeKey(m->width, m->height);
        if (seen->Contains(key)) continue;
        c_DisplayMode *mode = gc_New<c_DisplayMode>()->m_new(m->width, m->height);
        seen->Set(key, mode);
        list->Push(mode);
    }
    app_DisplayModes = list->ToArray();
    HxDisplayMode *desktop = app_Game->GetDesktopMode();
    app_DesktopMode = desktop ? gc_New<c_DisplayMode>()->m_new(desktop->width, desktop->height)
                              : gc_New<c_DisplayMode>()->m_new(app_CachedDeviceWidth, app_CachedDeviceHeight);
}
