// Event codes, key codes and joystick maps: the pure half of the GLFW input
// layer.
//
// GLFW key numbers become the system's key codes through GlfwKeyTable
// (HxGlfwGame::TranslateKey); control keys give a character code as well
// (HxGlfwGame::KeyToChar). Joystick readings are mapped through one of two
// fixed maps into two sticks of x, y, z and up to 32 buttons
// (host_MapJoystick, used by HxGlfwGame::PollJoystick).
#pragma once

#include <array>
#include <cstdint>

// GLFW keys 32 to 345, indexed by GLFW key - 32; each byte is a key code,
// 0 for keys the system ignores. Digits and letters are not in the table:
// their key code is their GLFW number.
constexpr int kGlfwKeyFirst = 32;
constexpr int kGlfwKeyLast = 345;
constexpr int kGlfwKeyTableSize = kGlfwKeyLast - kGlfwKeyFirst + 1;  // 314
extern const std::array<uint8_t, kGlfwKeyTableSize> GlfwKeyTable;

// The event codes: the `event` argument of the host's and the delegate's
// KeyEvent, MouseEvent, TouchEvent and MotionEvent (`data` is the key code,
// the character code, the GLFW button (-1 for a move) or the finger).
enum HxEventCode : int {
    event_KeyDown = 1,
    event_KeyUp = 2,
    event_Character = 3,
    event_MouseDown = 4,
    event_MouseUp = 5,
    event_MouseMove = 6,  // z is the scroll offset, or 0
    event_TouchDown = 7,
    event_TouchUp = 8,
    event_TouchMove = 9,
    event_Accelerometer = 10,
};

// Key codes of the input device (1 to 511).
enum : int {
    key_MouseLeft = 1,
    key_Backspace = 8,
    key_Tab = 9,
    key_Enter = 13,
    key_Shift = 16,
    key_Control = 17,
    key_Escape = 27,
    key_Space = 32,
    key_PageUp = 33,
    key_Left = 37,
    key_Down = 40,
    key_Insert = 45,
    key_Delete = 46,
    key_Joy0 = 256,   // 256 + 32 * port + button
    key_Touch0 = 384,  // 384 + finger
    key_Close = 416,
    key_WindowClose = 432,
    key_Count = 512,
};

// The bit that marks a navigation key's character code (65569 for Page Up).
constexpr int kKeyCharNavigationBit = 0x10000;

// A joystick map: six axis entries and fourteen button entries, each list
// ended by kJoyMapEnd.
//
// An axis entry is a source index (low four bits) plus a conversion:
//   0   the axis value v
//   16  (v + 1) * 0.5
//   32  (1 - v) * 0.5
//   64  -v
//   128 the source *button*, 1.0 when pressed, else 0.0
// The axis entries fill stick 0 x, y, z and stick 1 x, y, z in order.
// A button entry is the GLFW button index that becomes system button 0, 1,
// ...; a negative index counts from the end of GLFW's button list.
constexpr int kJoyMapEnd = 999;
constexpr int kJoyAxisButton = 128;
struct JoyMap {
    int axes[7];
    int buttons[15];
};
// [0] for pads with exactly 5 axes and 14 buttons, [1] for all others.
extern const JoyMap JoyMapTables[2];

constexpr int kJoyButtons = 32;

// Maps one joystick reading. `axes`/`buttons` are GLFW's lists with their
// reported counts; a source index outside a list reads 0.0 for an axis and
// released for a button. Writes joyx[0..1], joyy[0..1], joyz[0..1] and
// buttons32[0..31] (entries without a map entry become false).
void host_MapJoystick(const float *axes, int axisCount, const unsigned char *buttons, int buttonCount,
                      float *joyx, float *joyy, float *joyz, bool *buttons32);
