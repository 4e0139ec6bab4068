#include "host/hx_input.h"

#include <algorithm>

#include "host/hx_game.h"
#include "host/hx_keys.h"

gc_ref<c_InputDevice> app_InputDevice;

namespace {

bool ValidKey(int key) { return key >= 1 && key < c_InputDevice::kKeys; }
bool ValidFinger(int finger) { return finger >= 0 && finger < c_InputDevice::kFingers; }
// Mouse button b is key b + 1, so buttons 0 to 510.
bool ValidButton(int button) { return button >= 0 && button < c_InputDevice::kKeys - 1; }

// Key 1 and key 384 mirror each other; 0 for every other key.
int MirrorOf(int key) {
    if (key == key_MouseLeft) return key_Touch0;
    if (key == key_Touch0) return key_MouseLeft;
    return 0;
}

}  // namespace

c_JoyState *c_JoyState::m_new() {
    joyx = Array<float>(2);
    joyy = Array<float>(2);
    joyz = Array<float>(2);
    buttons = Array<bool>(kJoyButtons);
    return this;
}

void c_JoyState::Mark() {
    gc_Enqueue(joyx);
    gc_Enqueue(joyy);
    gc_Enqueue(joyz);
    gc_Enqueue(buttons);
}

c_InputDevice *c_InputDevice::m_new() {
    joyStates = Array<c_JoyState *>(kPorts);
    keyDown = Array<bool>(kKeys);
    keyHitQueue = Array<int>(kHitQueue);
    keyHit = Array<int>(kKeys);
    charQueue = Array<int>(kChars);
    touchX = Array<float>(kFingers);
    touchY = Array<float>(kFingers);
    for (int i = 0; i < kPorts; ++i) joyStates[i] = gc_New<c_JoyState>()->m_new();
    return this;
}

void c_InputDevice::Mark() {
    gc_Enqueue(joyStates);
    gc_Enqueue(keyDown);
    gc_Enqueue(keyHitQueue);
    gc_Enqueue(keyHit);
    gc_Enqueue(charQueue);
    gc_Enqueue(touchX);
    gc_Enqueue(touchY);
}

void c_InputDevice::QueueHit(int key) {
    if (keyHitPut < kHitQueue) {
        keyHit[key] += 1;
        keyHitQueue[keyHitPut] = key;
        keyHitPut += 1;
    }
}

void c_InputDevice::PutKeyDown(int key) {
    if (!ValidKey(key) || keyDown[key]) return;
    keyDown[key] = true;
    QueueHit(key);
    if (int mirror = MirrorOf(key)) {
        keyDown[mirror] = true;
        QueueHit(mirror);
    }
}

void c_InputDevice::PutKeyHit(int key) {
    if (ValidKey(key)) QueueHit(key);
}

void c_InputDevice::KeyUp(int key) {
    if (!ValidKey(key) || !keyDown[key]) return;
    keyDown[key] = false;
    if (int mirror = MirrorOf(key)) keyDown[mirror] = false;
}

void c_InputDevice::KeyEvent(int event, int key) {
    switch (event) {
    case event_KeyDown:
        PutKeyDown(key);
        break;
    case event_KeyUp:
        KeyUp(key);
        break;
    case event_Character:
        // `key` is a character code here, any value.
        if (charPut < kChars) {
            charQueue[charPut] = key;
            charPut += 1;
        }
        break;
    default:
        break;
    }
}

void c_InputDevice::MouseEvent(int event, int button, float x, float y, float z) {
    switch (event) {
    case event_MouseDown:
        // A button without a key code is ignored whole, position included.
        if (!ValidButton(button)) return;
        PutKeyDown(button + 1);
        [[fallthrough]];
    case event_MouseMove:
        mouseX = x;
        mouseY = y;
        mouseZ = z;
        touchX[0] = x;
        touchY[0] = y;
        break;
    case event_MouseUp:
        MouseKeyUp(button);
        break;
    default:
        break;
    }
}

void c_InputDevice::TouchEvent(int event, int finger, float x, float y) {
    if (event < event_TouchDown || event > event_TouchMove || !ValidFinger(finger)) return;
    if (event == event_TouchUp) {
        TouchKeyUp(finger);
        return;
    }
    if (event == event_TouchDown) PutKeyDown(key_Touch0 + finger);
    touchX[finger] = x;
    touchY[finger] = y;
    if (finger == 0) {
        mouseX = x;
        mouseY = y;
    }
}

void c_InputDevice::MotionEvent(int event, int data, float x, float y, float z) {
    (void)data;
    if (event == event_Accelerometer) {
        accelX = x;
        accelY = y;
        accelZ = z;
    }
}

void c_InputDevice::MouseKeyUp(int button) {
    if (ValidButton(button)) KeyUp(button + 1);
}

void c_InputDevice::TouchKeyUp(int finger) {
    if (ValidFinger(finger)) KeyUp(key_Touch0 + finger);
}

void c_InputDevice::BeginUpdate() {
    HxGame *game = host_CurrentGame;
    if (!game) return;
    int ports = std::min(kPorts, joyStates.Length());
    for (int port = 0; port < ports; ++port) {
        c_JoyState *joy = joyStates[port];
        if (!joy || !game->PollJoystick(port, joy->joyx, joy->joyy, joy->joyz, joy->buttons)) break;
        int count = std::min(kJoyButtons, joy->buttons.Length());
        for (int b = 0; b < count; ++b) {
            int key = key_Joy0 + kJoyButtons * port + b;
            if (joy->buttons[b]) {
                if (!keyDown[key]) {
                    keyDown[key] = true;
                    QueueHit(key);
                }
            } else {
                keyDown[key] = false;
            }
        }
    }
}

void c_InputDevice::EndUpdate() {
    for (int i = 0; i < keyHitPut; ++i) keyHit[keyHitQueue[i]] = 0;
    keyHitPut = 0;
    charGet = 0;
    charPut = 0;
}

bool c_InputDevice::KeyDown(int key) { return ValidKey(key) && keyDown[key]; }

int c_InputDevice::KeyHit(int key) { return ValidKey(key) ? keyHit[key] : 0; }

float c_InputDevice::MouseX() { return mouseX; }

float c_InputDevice::MouseY() { return mouseY; }

bool input_KeyDown(int key) { return app_InputDevice && app_InputDevice->KeyDown(key); }

bool input_MouseDown(int button) {
    return app_InputDevice && ValidButton(button) && app_InputDevice->KeyDown(button + 1);
}

int input_MouseHit(int button) {
    return app_InputDevice && ValidButton(button) ? app_InputDevice->KeyHit(button + 1) : 0;
}

float input_MouseX() { return app_InputDevice ? app_InputDevice->MouseX() : 0.0f; }

float input_MouseY() { return app_InputDevice ? app_InputDevice->MouseY() : 0.0f; }
