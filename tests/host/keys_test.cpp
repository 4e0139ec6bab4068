#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "host/hx_game.h"
#include "host/hx_keys.h"

namespace {

TEST(KeysTest, KeyCodeTable) {
    struct Case {
        int glfwKey, code;
    } cases[] = {
        // Digits and letters give themselves.
        {48, 48}, {57, 57}, {65, 65}, {90, 90},
        // Space and punctuation, 34 and 126 included though GLFW has no such key.
        {32, 32}, {34, 222}, {39, 222}, {44, 188}, {45, 189}, {46, 190}, {47, 191}, {59, 186}, {61, 187},
        {91, 219}, {92, 220}, {93, 221}, {96, 192}, {126, 192},
        // Control and navigation keys.
        {256, 27}, {257, 13}, {258, 9}, {259, 8}, {260, 45}, {261, 46}, {262, 39}, {263, 37}, {264, 40},
        {265, 38}, {266, 33}, {267, 34}, {268, 36}, {269, 35},
        // F1 to F12.
        {290, 112}, {295, 117}, {301, 123},
        // Keypad.
        {320, 96}, {329, 105}, {330, 110}, {331, 111}, {332, 106}, {333, 109}, {334, 107},
        // Both shifts and controls.
        {340, 16}, {344, 16}, {341, 17}, {345, 17},
        // Ignored: lower-case range, Caps Lock, F13, F25, keypad Enter and equal, Alt, Super, Menu.
        {97, 0}, {280, 0}, {302, 0}, {314, 0}, {335, 0}, {336, 0}, {342, 0}, {343, 0}, {346, 0}, {348, 0},
        // Outside the table.
        {-1, 0}, {0, 0}, {31, 0}, {1000, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(HxGlfwGame::TranslateKey(c.glfwKey), c.code) << "GLFW key " << c.glfwKey;

    // The table holds exactly the 59 key codes and nothing for digits or letters.
    ASSERT_EQ(GlfwKeyTable.size(), 314u);
    EXPECT_EQ(std::count_if(GlfwKeyTable.begin(), GlfwKeyTable.end(), [](uint8_t b) { return b != 0; }), 59);
    for (int k = 48; k <= 57; ++k) EXPECT_EQ(GlfwKeyTable[k - 32], 0) << k;
    for (int k = 65; k <= 90; ++k) EXPECT_EQ(GlfwKeyTable[k - 32], 0) << k;

    struct CharCase {
        int key, ch;
    } chars[] = {
        {8, 8},       {9, 9},       {13, 13},     {27, 27},     {33, 65569},  {34, 65570}, {35, 65571},
        {36, 65572},  {37, 65573},  {38, 65574},  {39, 65575},  {40, 65576},  {45, 65581}, {46, 127},
        {65, 0},      {32, 0},      {16, 0},      {41, 0},      {44, 0},      {0, 0},      {432, 0},
    };
    for (const CharCase &c : chars) EXPECT_EQ(HxGlfwGame::KeyToChar(c.key), c.ch) << "key " << c.key;
}

struct Reading {
    float joyx[2], joyy[2], joyz[2];
    std::set<int> pressed;  // system buttons
};

Reading Map(const std::vector<float> &axes, int axisCount, const std::vector<unsigned char> &buttons, int buttonCount) {
    Reading r;
    bool b[32];
    std::fill(b, b + 32, true);  // every one must be rewritten
    host_MapJoystick(axes.empty() ? nullptr : axes.data(), axisCount, buttons.empty() ? nullptr : buttons.data(),
                     buttonCount, r.joyx, r.joyy, r.joyz, b);
    for (int i = 0; i < 32; ++i)
        if (b[i]) r.pressed.insert(i);
    return r;
}

std::vector<unsigned char> Pressed(int length, std::initializer_list<int> down) {
    std::vector<unsigned char> v(length, 0);
    for (int i : down) v[i] = 1;
    return v;
}

void ExpectSticks(const Reading &r, std::initializer_list<float> six) {
    std::vector<float> e(six);
    EXPECT_FLOAT_EQ(r.joyx[0], e[0]);
    EXPECT_FLOAT_EQ(r.joyy[0], e[1]);
    EXPECT_FLOAT_EQ(r.joyz[0], e[2]);
    EXPECT_FLOAT_EQ(r.joyx[1], e[3]);
    EXPECT_FLOAT_EQ(r.joyy[1], e[4]);
    EXPECT_FLOAT_EQ(r.joyz[1], e[5]);
}

TEST(KeysTest, MapAForFiveAxesAndFourteenButtons) {
    std::vector<float> axes = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    Reading r = Map(axes, 5, Pressed(14, {0, 7, 8, 13}), 14);
    // Stick 0 = (a0, -a1, a2), stick 1 = (a4, -a3, -a2).
    ExpectSticks(r, {0.1f, -0.2f, 0.3f, 0.5f, -0.4f, -0.3f});
    // GLFW 13 is system 8 and GLFW 8 is system 12.
    EXPECT_EQ(r.pressed, (std::set<int>{0, 7, 8, 12}));
}

TEST(KeysTest, MapBForOtherPads) {
    std::vector<float> axes = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    // 5 axes but 12 buttons: map B. Stick 0 = (a0, a1, button 6),
    // stick 1 = (a2, -a3, button 7).
    Reading r = Map(axes, 5, Pressed(12, {0, 6, 9, 11}), 12);
    ExpectSticks(r, {0.1f, 0.2f, 1.0f, 0.3f, -0.4f, 0.0f});
    EXPECT_EQ(r.pressed, (std::set<int>{2, 7, 13}));

    // A pad with 6 axes and 16 buttons, all pressed.
    std::vector<float> six = {-1.0f, 1.0f, 0.25f, 0.75f, 9.0f, 9.0f};
    r = Map(six, 6, std::vector<unsigned char>(16, 1), 16);
    ExpectSticks(r, {-1.0f, 1.0f, 1.0f, 0.25f, -0.75f, 1.0f});
    EXPECT_EQ(r.pressed, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
}

TEST(KeysTest, ShortListsReadZeroAndReleased) {
    // The buffers hold more than the counts report: nothing beyond the count
    // may be read.
    std::vector<float> axes = {0.5f, -0.5f, 7.0f, 7.0f, 7.0f};
    std::vector<unsigned char> buttons(16, 1);
    Reading r = Map(axes, 2, buttons, 4);
    ExpectSticks(r, {0.5f, -0.5f, 0.0f, 0.0f, 0.0f, 0.0f});
    // Map B reads GLFW 1, 2, 0, 3 as system 0 to 3; the rest lie beyond.
    EXPECT_EQ(r.pressed, (std::set<int>{0, 1, 2, 3}));

    // Nothing reported at all.
    r = Map({}, 0, {}, 0);
    ExpectSticks(r, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    EXPECT_TRUE(r.pressed.empty());
}

}  // namespace
