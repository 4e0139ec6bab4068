// The host game object: the one object through which the platform and the
// app layer meet.
//
// HxGame offers the platform's services as virtual operations (time, date,
// files, the state file, joysticks, the window, display modes, image and
// sound decoding), keeps the run state and turns every platform happening
// into one of ten host events, forwarded to the delegate. After each
// outermost event it runs one collector step, so collection happens only
// between events, never inside the app's code.
//
// HxGlfwGame implements the services on GLFW and the operating system;
// HxZentrovaGame is the class the program makes. The host object is not a
// collected object: it is made with the ordinary allocator and lives until
// the process ends.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"
#include "host/hx_files.h"

struct GLFWwindow;

// The receiver of the ten host events; every operation defaults to nothing.
// `event` is an HxEventCode (hx_keys.h).
class HxGameDelegate : public Object {
public:
    virtual void StartGame() {}
    virtual void SuspendGame() {}
    virtual void ResumeGame() {}
    virtual void UpdateGame() {}
    virtual void RenderGame() {}
    virtual void KeyEvent(int event, int data) { (void)event, (void)data; }
    virtual void MouseEvent(int event, int data, float x, float y, float z) { (void)event, (void)data, (void)x, (void)y, (void)z; }
    virtual void TouchEvent(int event, int data, float x, float y) { (void)event, (void)data, (void)x, (void)y; }
    virtual void MotionEvent(int event, int data, float x, float y, float z) { (void)event, (void)data, (void)x, (void)y, (void)z; }
    virtual void DiscardGraphics() {}
};

// A video mode as the host reports it.
class HxDisplayMode : public Object {
public:
    int width = 0;
    int height = 0;
    HxDisplayMode() {}
    HxDisplayMode(int w, int h) : width(w), height(h) {}
};

class HxGame {
public:
    HxGameDelegate *delegate = nullptr;
    bool byteFlag = false;
    int updateRate = 0;
    bool started = false;
    bool suspended = false;

    // How many event operations are running at present. The collector step
    // runs only at the end of the outermost one: a step inside a nested
    // event could free objects that the outer event still holds in locals.
    int eventDepth = 0;

    // Makes this the current host object.
    HxGame();
    virtual ~HxGame();

    virtual void SetDelegate(HxGameDelegate *d);
    virtual HxGameDelegate *Delegate();
    virtual void SetByteFlag(bool f);
    virtual bool ByteFlag();
    virtual void SetUpdateRate(int rate);
    virtual int UpdateRate();
    virtual bool Started();
    virtual bool Suspended();
    virtual int Millisecs();
    // Year, month, day, hour, minute, second, 0, as far as the array reaches.
    virtual void GetDate(Array<int> date);
    // 0 written, -1 the file could not be created, -2 it could not be
    // written whole. The old state file is replaced only on success.
    virtual int SaveState(String state);
    // The state, or "" when there is no state file.
    virtual String LoadState();
    // The decoded text, or "" when the file cannot be opened.
    virtual String LoadString(String path);
    virtual int CountJoysticks(bool rescan);
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz, Array<bool> buttons);
    virtual void OpenUrl(String url);
    virtual void SetMouseVisible(bool visible);
    virtual int GetDeviceWidth();
    virtual int GetDeviceHeight();
    virtual void SetDeviceWindow(int width, int height, int flags);
    virtual Array<HxDisplayMode *> GetDisplayModes();
    virtual HxDisplayMode *GetDesktopMode();
    virtual void SetSwapInterval(int interval);
    virtual String PathToFilePath(String path);
    // Null when the mapped path is empty or the file does not open.
    virtual FILE *OpenFile(String path, String mode);
    // The whole file in a block from malloc (the caller frees it), or null.
    // An empty file gives a non-null block of length 0.
    virtual unsigned char *LoadData(String path, int *length);
    // 8-bit pixels in the file's own channel count, from malloc, or null.
    virtual unsigned char *LoadImageData(String path, int *width, int *height, int *depth);
    // Decoded samples from malloc, or null.
    virtual void *LoadAudioData(String path, int *length, int *channels, int *format, int *hertz);
    // Prints the uncaught-exception banner and ends the process with -1.
    [[noreturn]] virtual void Die(ThrowableObject *thrown);
    // Marks the delegate and runs one collector step.
    virtual void CollectGarbage();

    // The ten host events; `event` is an HxEventCode (hx_keys.h).
    virtual void StartGame();
    virtual void SuspendGame();
    virtual void ResumeGame();
    virtual void UpdateGame();
    virtual void RenderGame();
    virtual void KeyEvent(int event, int data);
    virtual void MouseEvent(int event, int data, float x, float y, float z);
    virtual void TouchEvent(int event, int data, float x, float y);
    virtual void MotionEvent(int event, int data, float x, float y, float z);
    virtual void DiscardGraphics();

protected:
    // Guarded dispatch: counts the event's depth, calls the delegate inside
    // a handler for thrown objects and runs the collector step after the
    // outermost event.
    template <class F>
    void Dispatch(F call);
};

// The host object on GLFW and the operating system. The window, the main
// loop and the input callbacks are added by the window layer.
class HxGlfwGame : public HxGame {
public:
    int desktopMode[6] = {};
    GLFWwindow *window = nullptr;
    int width = 0;
    int height = 0;
    int swapInterval = 1;
    bool focusSeen = true;
    double updatePeriod = 0.0;
    double nextUpdateTime = 0.0;
    String appFolder;
    String internalFolder;
    int joystickIds[4] = {};
    int joystickCount = 0;
    bool joysticksScanned = false;

    HxGlfwGame();
    ~HxGlfwGame() override;

    void SetUpdateRate(int rate) override;
    int Millisecs() override;
    int CountJoysticks(bool rescan) override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz, Array<bool> buttons) override;
    void OpenUrl(String url) override;
    void SetMouseVisible(bool visible) override;
    int GetDeviceWidth() override;
    int GetDeviceHeight() override;
    Array<HxDisplayMode *> GetDisplayModes() override;
    HxDisplayMode *GetDesktopMode() override;
    String PathToFilePath(String path) override;
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override;
    void *LoadAudioData(String path, int *length, int *channels, int *format, int *hertz) override;

    static int TranslateKey(int glfwKey);
    static int KeyToChar(int key);

    // Window and main loop (hx_window.cpp).

    // A close request came and no update has run since: the loop does not
    // suspend the game before the app has had an update to act on it, and
    // resumes a suspended game for one pass (the app's updates stop while
    // suspended, and focus may never come back).
    bool closePending = false;

    void SetDeviceWindow(int width, int height, int flags) override;
    void SetSwapInterval(int interval) override;
    // Opens the 960 x 540 window, starts the game and runs the loop until
    // GLFW's should-close flag is set.
    virtual void Run();
    // Seconds since glfwInit.
    virtual double GetTime();
    // A timed wait of SleepMillis(seconds) whole milliseconds.
    virtual void Sleep(double seconds);
    // trunc(seconds x 1000), 0 for no time, at most INT32_MAX.
    static int SleepMillis(double seconds);
    // The loop's event and focus step.
    virtual void PollEvents();

    // The GLFW callbacks: each unpacks its arguments and hands them to the
    // handler below, which sends the host events.
    static void OnKey(GLFWwindow *w, int key, int scancode, int action, int mods);
    static void OnChar(GLFWwindow *w, unsigned int codepoint);
    static void OnMouseButton(GLFWwindow *w, int button, int action, int mods);
    static void OnCursorPos(GLFWwindow *w, double x, double y);
    static void OnScroll(GLFWwindow *w, double xOffset, double yOffset);
    static void OnWindowClose(GLFWwindow *w);
    static void OnWindowSize(GLFWwindow *w, int width, int height);
    static void OnGlfwError(int error, const char *description);

    void HandleKey(int glfwKey, int action);
    // A key of the host's codes (hx_keys.h) going down (its character
    // follows) or up: what a GLFW key event becomes.
    void HandleKeyCode(int code, bool down);
    void HandleChar(unsigned int codepoint);
    // x, y: the pointer position at the time of the button or scroll.
    void HandleMouseButton(int button, int action, double x, double y);
    void HandleCursorPos(double x, double y);
    void HandleScroll(double x, double y, double yOffset);
    void HandleWindowClose();
    void HandleWindowSize(int width, int height);

protected:
    // The loop's contact with GLFW, virtual so that a test can script it.
    virtual void SwapBuffers();
    virtual bool WindowShouldClose();
    virtual bool WindowFocused();
    virtual void WaitForEvents();
    virtual void PollForEvents();
    // Releases every key GLFW reports held (key-up events) before the
    // window goes.
    void ReleaseHeldKeys();
};

// Bits of the flags of SetDeviceWindow.
enum WindowFlag : int {
    WindowFlag_Fullscreen = 1,
    WindowFlag_Resizable = 2,
    WindowFlag_Decorated = 4,
    WindowFlag_Floating = 8,
    WindowFlag_DepthBuffer = 16,
    WindowFlag_SingleBuffer = 32,
    WindowFlag_SecondMonitor = 64,
    WindowFlag_StencilBuffer = 128,
};

// Raised by 1 after every window creation: GL objects made under an older
// value rebuild themselves on their next use.
extern int host_GLContextSeq;

class HxZentrovaGame : public HxGlfwGame {
public:
    HxZentrovaGame() {}
};

// Timer seconds as the 32-bit millisecond count: truncated, then wrapped.
int host_MillisecsFromSeconds(double seconds);

extern HxGame *host_CurrentGame;
extern HxGlfwGame *host_GlfwGame;
