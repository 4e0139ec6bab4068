// Key codes and joysticks on GLFW.
#include "host/hx_keys.h"

#include <GLFW/glfw3.h>

#include <algorithm>

#include "host/hx_game.h"

namespace {

// The table is built from (GLFW key, key code) pairs so that it reads like
// the key list; every key not named here gives 0.
struct KeyPair {
    int glfwKey;
    uint8_t code;
};
constexpr KeyPair kKeyPairs[] = {
    {32, 32},    // Space
    {34, 222},   // no GLFW key; the shifted apostrophe
    {39, 222},   // apostrophe
    {44, 188},   // comma
    {45, 189},   // minus
    {46, 190},   // period
    {47, 191},   // slash
    {59, 186},   // semicolon
    {61, 187},   // equal
    {91, 219},   // left bracket
    {92, 220},   // backslash
    {93, 221},   // right bracket
    {96, 192},   // grave accent
    {126, 192},  // no GLFW key; the shifted grave accent
    {256, 27},   // Escape
    {257, 13},   // Enter
    {258, 9},    // Tab
    {259, 8},    // Backspace
    {260, 45},   // Insert
    {261, 46},   // Delete
    {262, 39},   // Right
    {263, 37},   // Left
    {264, 40},   // Down
    {265, 38},   // Up
    {266, 33},   // Page Up
    {267, 34},   // Page Down
    {268, 36},   // Home
    {269, 35},   // End
    {330, 110},  // keypad decimal
    {331, 111},  // keypad divide
    {332, 106},  // keypad multiply
    {333, 109},  // keypad subtract
    {334, 107},  // keypad add
    {340, 16},   // left Shift
    {341, 17},   // left Control
    {344, 16},   // right Shift
    {345, 17},   // right Control
};

constexpr std::array<uint8_t, kGlfwKeyTableSize> BuildKeyTable() {
    std::array<uint8_t, kGlfwKeyTableSize> t{};
    for (const KeyPair &p : kKeyPairs) t[p.glfwKey - kGlfwKeyFirst] = p.code;
    for (int i = 0; i < 12; ++i) t[290 + i - kGlfwKeyFirst] = static_cast<uint8_t>(112 + i);  // F1-F12
    for (int i = 0; i < 10; ++i) t[320 + i - kGlfwKeyFirst] = static_cast<uint8_t>(96 + i);   // keypad 0-9
    return t;
}

// A GLFW button list entry, released when the index lies outside the list.
bool ButtonPressed(const unsigned char *buttons, int count, int index) {
    if (index < 0) index += count;
    if (!buttons || index < 0 || index >= count) return false;
    return buttons[index] == GLFW_PRESS;
}

float AxisValue(const float *axes, int count, int index) {
    if (!axes || index < 0 || index >= count) return 0.0f;
    return axes[index];
}

}  // namespace

// Constant-initialised: usable from any static initialiser.
const std::array<uint8_t, kGlfwKeyTableSize> GlfwKeyTable = BuildKeyTable();

const JoyMap JoyMapTables[2] = {
    {{0, 65, 2, 4, 67, 66, kJoyMapEnd}, {0, 1, 2, 3, 4, 5, 6, 7, 13, 10, 11, 12, 8, 9, kJoyMapEnd}},
    {{0, 1, 134, 2, 67, 135, kJoyMapEnd}, {1, 2, 0, 3, 4, 5, 8, 9, 15, 12, 13, 14, 10, 11, kJoyMapEnd}},
};

int HxGlfwGame::TranslateKey(int glfwKey) {
    if ((glfwKey >= '0' && glfwKey <= '9') || (glfwKey >= 'A' && glfwKey <= 'Z')) return glfwKey;
    if (glfwKey < kGlfwKeyFirst || glfwKey > kGlfwKeyLast) return 0;
    return GlfwKeyTable[glfwKey - kGlfwKeyFirst];
}

// The character that the key callback sends after a control key goes down.
int HxGlfwGame::KeyToChar(int key) {
    switch (key) {
    case 8:
    case 9:
    case 13:
    case 27:
        return key;
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 39:
    case 40:
    case 45:
        return key | kKeyCharNavigationBit;
    case 46:
        return 127;
    default:
        return 0;
    }
}

void host_MapJoystick(const float *axes, int axisCount, const unsigned char *buttons, int buttonCount,
                      float *joyx, float *joyy, float *joyz, bool *buttons32) {
    const JoyMap &map = JoyMapTables[axisCount == 5 && buttonCount == 14 ? 0 : 1];

    float values[6] = {};
    for (int i = 0; i < 6 && map.axes[i] != kJoyMapEnd; ++i) {
        int entry = map.axes[i];
        int source = entry & 15;
        float v;
        switch (entry & ~15) {
        case 0:
            v = AxisValue(axes, axisCount, source);
            break;
        case 16:
            v = (AxisValue(axes, axisCount, source) + 1.0f) * 0.5f;
            break;
        case 32:
            v = (1.0f - AxisValue(axes, axisCount, source)) * 0.5f;
            break;
        case 64:
            v = -AxisValue(axes, axisCount, source);
            break;
        case kJoyAxisButton:
            v = ButtonPressed(buttons, buttonCount, source) ? 1.0f : 0.0f;
            break;
        default:
            v = 0.0f;
            break;
        }
        values[i] = v;
    }
    joyx[0] = values[0];
    joyy[0] = values[1];
    joyz[0] = values[2];
    joyx[1] = values[3];
    joyy[1] = values[4];
    joyz[1] = values[5];

    std::fill(buttons32, buttons32 + kJoyButtons, false);
    for (int i = 0; i < kJoyButtons && i < 15 && map.buttons[i] != kJoyMapEnd; ++i)
        buttons32[i] = ButtonPressed(buttons, buttonCount, map.buttons[i]);
}

int HxGlfwGame::CountJoysticks(bool rescan) {
    if (!rescan && joysticksScanned) return joystickCount;
    joysticksScanned = true;
    joystickCount = 0;
    constexpr int kPorts = static_cast<int>(sizeof joystickIds / sizeof joystickIds[0]);
    for (int id = GLFW_JOYSTICK_1; id <= GLFW_JOYSTICK_LAST && joystickCount < kPorts; ++id) {
        if (glfwJoystickPresent(id)) joystickIds[joystickCount++] = id;
    }
    return joystickCount;
}

bool HxGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz, Array<bool> buttons) {
    CountJoysticks(false);
    constexpr int kPorts = static_cast<int>(sizeof joystickIds / sizeof joystickIds[0]);
    if (port < 0 || port >= joystickCount || port >= kPorts) return false;
    int id = joystickIds[port];
    int axisCount = 0, buttonCount = 0;
    const float *axes = glfwGetJoystickAxes(id, &axisCount);
    const unsigned char *states = glfwGetJoystickButtons(id, &buttonCount);
    if (!axes || !states) return false;

    float x[2], y[2], z[2];
    bool pressed[kJoyButtons];
    host_MapJoystick(axes, axisCount, states, buttonCount, x, y, z, pressed);
    // The arrays are the caller's: write only as far as each reaches.
    for (int i = 0; i < 2; ++i) {
        if (i < joyx.Length()) joyx[i] = x[i];
        if (i < joyy.Length()) joyy[i] = y[i];
        if (i < joyz.Length()) joyz[i] = z[i];
    }
    int n = std::min(buttons.Length(), kJoyButtons);
    for (int i = 0; i < n; ++i) buttons[i] = pressed[i];
    return true;
}
