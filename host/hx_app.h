// The app layer: what a program built on the host sees of it. A program
// derives its application from c_App and overrides the hooks; the
// c_GameDelegate receives the host's events, keeps the graphics, audio and
// input devices, and calls the hooks in a fixed order.
#pragma once

#include "host/hx_game.h"
#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class HxGraphics;
class HxAudio;
class c_InputDevice;

class c_App : public Object {
public:
    c_App() {}
    // Registers the one app and hands a new delegate to the host object;
    // the run-time error "App has already been created" for a second one.
    c_App *m_new();
    // Every hook returns a value nothing reads.
    virtual int OnResize() { return 0; }
    virtual int OnCreate() { return 0; }
    virtual int OnSuspend() { return 0; }
    virtual int OnResume() { return 0; }
    virtual int OnUpdate() { return 0; }
    virtual int OnRender() { return 0; }
    // Ends the program with exit code 0.
    virtual int OnClose();
    int CallOnClose();
};

class c_GameDelegate : public HxGameDelegate {
public:
    gc_ref<HxGraphics> graphics;
    gc_ref<HxAudio> audio;
    gc_ref<c_InputDevice> input;

    c_GameDelegate() {}
    c_GameDelegate *m_new() { return this; }
    void Mark() override;

    void StartGame() override;
    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y, float z) override;
    void TouchEvent(int event, int data, float x, float y) override;
    void MotionEvent(int event, int data, float x, float y, float z) override;
    void DiscardGraphics() override;
};

class c_DisplayMode : public Object {
public:
    int width = 0;
    int height = 0;
    c_DisplayMode() {}
    c_DisplayMode *m_new(int w, int h) {
        width = w;
        height = h;
        return this;
    }
};

extern HxGame *app_Game;
extern gc_ref<c_App> app_App;
extern gc_ref<c_GameDelegate> app_Delegate;
extern int app_CachedDeviceWidth;
extern int app_CachedDeviceHeight;
extern ArrayField<c_DisplayMode *> app_DisplayModes;
extern gc_ref<c_DisplayMode> app_DesktopMode;
extern int app_UpdateRate;

// First values of the app layer's globals (app_Game = host_CurrentGame).
void app_InitGlobals();
// Shades every app-layer global that holds an object or an array, the
// devices included; for the program's roots function.
void app_MarkGlobals();

[[noreturn]] void app_EndApp();
void app_SetUpdateRate(int rate);
int app_Millisecs();
Array<int> app_GetDate();
void app_GetDateInto(Array<int> date);
String app_LoadState();
void app_SaveState(String state);
// app_FixDataPath, then the host's LoadString.
String app_LoadString(String path);
// When the host's device size differs from the cached one: cache it and,
// with notify, call the app's OnResize.
void app_ValidateDeviceWindow(bool notify);
int app_DeviceWidth();
int app_DeviceHeight();
void app_SetAudioDevice(HxAudio *audio);
void app_SetInputDevice(c_InputDevice *input);
void app_EnumDisplayModes();
// The key under which display modes are told apart: width in the upper 16
// bits, height in the lower, as a 32-bit value built without overflow.
int app_DisplayModeKey(int width, int height);
