// The input device: the key, pointer, touch, accelerometer and joystick
// state that the app reads during an update.
//
// Keyboard keys, mouse buttons (button + 1), joystick buttons
// (256 + 32 * port + button) and touch points (384 + finger) share one key
// code space of 1 to 511. Key 1 and key 384 mirror each other. Events
// accumulate between updates: keyDown shows the present state, keyHit,
// keyHitQueue and charQueue what happened since the last EndUpdate.
//
// Every operation ignores key codes outside 1 to 511 and fingers outside
// 0 to 31, so a caller's value never indexes past an array.
#pragma once

#include "host/hx_keys.h"
#include "runtime/rt_array.h"
#include "runtime/rt_object.h"

class c_JoyState : public Object {
public:
    ArrayField<float> joyx;
    ArrayField<float> joyy;
    ArrayField<float> joyz;
    ArrayField<bool> buttons;

    c_JoyState() {}
    // Makes the sticks (2 each) and the 32 buttons, all zero.
    c_JoyState *m_new();
    void Mark() override;
};

class c_InputDevice : public Object {
public:
    static constexpr int kKeys = 512;
    static constexpr int kHitQueue = 33;
    static constexpr int kChars = 32;
    static constexpr int kFingers = 32;
    static constexpr int kPorts = 4;

    ArrayField<c_JoyState *> joyStates;
    ArrayField<bool> keyDown;
    int keyHitPut = 0;
    ArrayField<int> keyHitQueue;
    ArrayField<int> keyHit;
    int charGet = 0;
    int charPut = 0;
    ArrayField<int> charQueue;
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    float mouseZ = 0.0f;
    ArrayField<float> touchX;
    ArrayField<float> touchY;
    float accelX = 0.0f;
    float accelY = 0.0f;
    float accelZ = 0.0f;

    c_InputDevice() {}
    // Makes the arrays, all zero, and the four joystick states.
    c_InputDevice *m_new();

    // A key goes down; a key already down counts no new hit.
    void PutKeyDown(int key);
    // Counts a hit without changing the down state.
    void PutKeyHit(int key);
    // `event` is an HxEventCode; each handler ignores the codes of the others.
    // event_KeyDown, event_KeyUp, event_Character (key is the character code).
    void KeyEvent(int event, int key);
    // event_MouseDown, event_MouseUp, event_MouseMove (z the scroll offset).
    void MouseEvent(int event, int button, float x, float y, float z);
    // event_TouchDown, event_TouchUp, event_TouchMove.
    void TouchEvent(int event, int finger, float x, float y);
    // event_Accelerometer.
    void MotionEvent(int event, int data, float x, float y, float z);
    void MouseKeyUp(int button);
    void TouchKeyUp(int finger);
    // Polls the joysticks through the host object; their buttons become
    // key presses once per update.
    void BeginUpdate();
    // Clears this update's hits and characters.
    void EndUpdate();
    bool KeyDown(int key);
    int KeyHit(int key);
    float MouseX();
    float MouseY();

    void Mark() override;

private:
    // The key-up rule: only a key that is down goes up, with its mirror.
    void KeyUp(int key);
    // Counts a hit and queues the key while the queue has room.
    void QueueHit(int key);
};

extern gc_ref<c_InputDevice> app_InputDevice;

// On app_InputDevice. Keys 1 to 511; mouse buttons 0 to 510 as key
// button + 1; anything else gives false or 0.
bool input_KeyDown(int key);
bool input_MouseDown(int button);
int input_MouseHit(int button);
float input_MouseX();
float input_MouseY();
