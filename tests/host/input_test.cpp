#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "host/hx_input.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class InputTest : public RuntimeTest {
protected:
    c_InputDevice *dev = nullptr;
    void SetUp() override {
        RuntimeTest::SetUp();
        dev = gc_New<c_InputDevice>()->m_new();
    }
    void TearDown() override {
        app_InputDevice = nullptr;
        RuntimeTest::TearDown();
    }
};

// One step of a scenario: an event for the device, or EndUpdate.
struct Step {
    char kind;  // 'K' key, 'M' mouse, 'T' touch, 'H' PutKeyHit, 'E' EndUpdate
    int event = 0;
    int data = 0;
    float x = 0, y = 0, z = 0;
};
Step Key(int event, int key) { return {'K', event, key}; }
Step Mouse(int event, int button, float x, float y, float z = 0) { return {'M', event, button, x, y, z}; }
Step Touch(int event, int finger, float x = 0, float y = 0) { return {'T', event, finger, x, y}; }

struct KeyState {
    bool down;
    int hits;
};
// mouse x, y, z, touch 0 x, y
struct Pointer {
    float mx, my, mz, tx, ty;
};

struct Scenario {
    std::string name;
    std::vector<Step> steps;
    std::map<int, KeyState> keys;  // every other key must be up with no hit
    std::vector<int> queue;
    std::vector<int> chars;
    std::optional<Pointer> pointer;
};

void Play(c_InputDevice *d, const std::vector<Step> &steps) {
    for (const Step &s : steps) {
        switch (s.kind) {
        case 'K': d->KeyEvent(s.event, s.data); break;
        case 'M': d->MouseEvent(s.event, s.data, s.x, s.y, s.z); break;
        case 'T': d->TouchEvent(s.event, s.data, s.x, s.y); break;
        case 'H': d->PutKeyHit(s.data); break;
        case 'E': d->EndUpdate(); break;
        }
    }
}

void Check(c_InputDevice *d, const Scenario &sc) {
    SCOPED_TRACE(sc.name);
    for (int k = 0; k < 512; ++k) {
        auto it = sc.keys.find(k);
        KeyState want = it == sc.keys.end() ? KeyState{false, 0} : it->second;
        EXPECT_EQ(d->keyDown[k], want.down) << "key " << k;
        EXPECT_EQ(d->keyHit[k], want.hits) << "key " << k;
        if (k > 0) {
            EXPECT_EQ(d->KeyDown(k), want.down) << "key " << k;
            EXPECT_EQ(d->KeyHit(k), want.hits) << "key " << k;
        }
    }
    ASSERT_EQ(d->keyHitPut, static_cast<int>(sc.queue.size()));
    for (int i = 0; i < d->keyHitPut; ++i) EXPECT_EQ(d->keyHitQueue[i], sc.queue[i]) << "queue " << i;
    ASSERT_EQ(d->charPut, static_cast<int>(sc.chars.size()));
    for (int i = 0; i < d->charPut; ++i) EXPECT_EQ(d->charQueue[i], sc.chars[i]) << "char " << i;
    if (sc.pointer) {
        EXPECT_EQ(d->mouseX, sc.pointer->mx);
        EXPECT_EQ(d->mouseY, sc.pointer->my);
        EXPECT_EQ(d->mouseZ, sc.pointer->mz);
        EXPECT_EQ(d->touchX[0], sc.pointer->tx);
        EXPECT_EQ(d->touchY[0], sc.pointer->ty);
    }
}

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> s;
    s.push_back({"press and release",
                 {Key(event_KeyDown, 65), Key(event_KeyUp, 65)},
                 {{65, {false, 1}}},
                 {65},
                 {},
                 {}});
    s.push_back({"press twice",
                 {Key(event_KeyDown, 65), Key(event_KeyUp, 65), Key(event_KeyDown, 65)},
                 {{65, {true, 2}}},
                 {65, 65},
                 {},
                 {}});
    s.push_back({"repeats count no hit but repeat the character",
                 {Key(event_KeyDown, 37), Key(event_Character, 65573), Key(event_KeyDown, 37),
                  Key(event_Character, 65573)},
                 {{37, {true, 1}}},
                 {37},
                 {65573, 65573},
                 {}});
    {
        // 34 different keys: the 34th goes down but counts nothing.
        Scenario sc{"hit queue holds 33", {}, {}, {}, {}, {}};
        for (int k = 100; k < 134; ++k) {
            sc.steps.push_back(Key(event_KeyDown, k));
            sc.keys[k] = {true, k < 133 ? 1 : 0};
            if (k < 133) sc.queue.push_back(k);
        }
        // A direct hit finds the queue full too.
        sc.steps.push_back({'H', 0, 99});
        s.push_back(sc);
    }
    {
        Scenario sc{"character queue holds 32", {}, {}, {}, {}, {}};
        for (int c = 1; c <= 33; ++c) sc.steps.push_back(Key(event_Character, c));
        for (int c = 1; c <= 32; ++c) sc.chars.push_back(c);
        s.push_back(sc);
    }
    s.push_back({"mouse button 0 presses touch 0",
                 {Mouse(event_MouseDown, 0, 10, 20)},
                 {{1, {true, 1}}, {384, {true, 1}}},
                 {1, 384},
                 {},
                 Pointer{10, 20, 0, 10, 20}});
    s.push_back({"mouse up releases touch 0 and keeps the position",
                 {Mouse(event_MouseDown, 0, 10, 20), Mouse(event_MouseUp, 0, 99, 99)},
                 {{1, {false, 1}}, {384, {false, 1}}},
                 {1, 384},
                 {},
                 Pointer{10, 20, 0, 10, 20}});
    s.push_back({"touch 0 presses mouse button 0",
                 {Touch(event_TouchDown, 0, 5, 6)},
                 {{384, {true, 1}}, {1, {true, 1}}},
                 {384, 1},
                 {},
                 Pointer{5, 6, 0, 5, 6}});
    s.push_back({"touch 0 up releases mouse button 0",
                 {Touch(event_TouchDown, 0, 5, 6), Touch(event_TouchUp, 0, 50, 60)},
                 {{384, {false, 1}}, {1, {false, 1}}},
                 {384, 1},
                 {},
                 Pointer{5, 6, 0, 5, 6}});
    s.push_back({"other buttons and fingers have no mirror",
                 {Mouse(event_MouseDown, 1, 1, 2), Touch(event_TouchDown, 3, 7, 8)},
                 {{2, {true, 1}}, {387, {true, 1}}},
                 {2, 387},
                 {},
                 Pointer{1, 2, 0, 1, 2}});
    s.push_back({"mouse move and scroll move touch 0",
                 {Mouse(event_MouseMove, -1, 3, 4), Mouse(event_MouseMove, -1, 3, 4, 2)},
                 {},
                 {},
                 {},
                 Pointer{3, 4, 2, 3, 4}});
    s.push_back({"EndUpdate clears the hits and characters of this update",
                 {Key(event_KeyDown, 65), Key(event_Character, 97), Key(event_KeyDown, 66), {'E'},
                  Key(event_KeyDown, 67), Key(event_Character, 98)},
                 {{65, {true, 0}}, {66, {true, 0}}, {67, {true, 1}}},
                 {67},
                 {98},
                 {}});
    s.push_back({"key codes 1 and 511, button 510 and finger 31 are valid",
                 {Key(event_KeyDown, 511), Key(event_KeyUp, 511), Key(event_KeyDown, 1),
                  Mouse(event_MouseDown, 510, 1, 1), Touch(event_TouchDown, 31, 2, 2)},
                 {{511, {true, 2}}, {1, {true, 1}}, {384, {true, 1}}, {415, {true, 1}}},
                 {511, 1, 384, 511, 415},
                 {},
                 Pointer{1, 1, 0, 1, 1}});
    s.push_back({"invalid key codes, buttons and fingers are ignored",
                 {Key(event_KeyDown, 0), Key(event_KeyDown, 512), Key(event_KeyDown, -1), Key(event_KeyDown, 100000),
                  Key(event_KeyUp, -7), Key(event_KeyUp, 512), Key(event_TouchDown, 65), {'H', 0, 0}, {'H', 0, 512},
                  Mouse(event_MouseDown, 511, 9, 9), Mouse(event_MouseDown, -1, 9, 9), Mouse(event_MouseUp, -2, 9, 9),
                  Mouse(event_MouseUp, 600, 9, 9), Touch(event_TouchDown, 32, 9, 9), Touch(event_TouchDown, -1, 9, 9),
                  Touch(event_TouchMove, 32, 9, 9), Touch(event_TouchMove, -100, 9, 9), Touch(event_TouchUp, 32),
                  Touch(event_TouchUp, -1)},
                 {},
                 {},
                 {},
                 Pointer{0, 0, 0, 0, 0}});
    return s;
}

TEST_F(InputTest, Scenarios) {
    for (const Scenario &sc : Scenarios()) {
        rt_ResetCollector();
        c_InputDevice *d = gc_New<c_InputDevice>()->m_new();
        Play(d, sc.steps);
        Check(d, sc);
    }
}

// A fake host object: each port reports the buttons set for it, and ports
// from `present` on report no joystick.
class FakeGame : public HxGame {
public:
    int present = 0;
    std::vector<int> polled;
    std::vector<std::vector<int>> pressed = std::vector<std::vector<int>>(4);

    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz, Array<bool> buttons) override {
        polled.push_back(port);
        if (port >= present) return false;
        EXPECT_EQ(joyx.Length(), 2);
        EXPECT_EQ(joyy.Length(), 2);
        EXPECT_EQ(joyz.Length(), 2);
        EXPECT_EQ(buttons.Length(), 32);
        joyx[1] = 0.5f + static_cast<float>(port);
        for (int b = 0; b < 32; ++b) buttons[b] = false;
        for (int b : pressed[port]) buttons[b] = true;
        return true;
    }
};

TEST_F(InputTest, BeginUpdateTurnsJoystickButtonsIntoKeys) {
    FakeGame game;
    ASSERT_EQ(host_CurrentGame, &game);
    game.present = 2;
    game.pressed[0] = {0, 31};
    game.pressed[1] = {5};
    game.pressed[2] = {1};  // never read: port 2 reports no joystick

    dev->BeginUpdate();
    EXPECT_EQ(game.polled, (std::vector<int>{0, 1, 2}));
    EXPECT_FLOAT_EQ(dev->joyStates[1]->joyx[1], 1.5f);
    for (int key : {256, 287, 293}) {
        EXPECT_TRUE(dev->KeyDown(key)) << key;
        EXPECT_EQ(dev->KeyHit(key), 1) << key;
    }
    EXPECT_FALSE(dev->KeyDown(256 + 64 + 1));
    EXPECT_EQ(dev->keyHitPut, 3);

    // Held across updates: still down, no new hit.
    dev->EndUpdate();
    game.polled.clear();
    dev->BeginUpdate();
    EXPECT_TRUE(dev->KeyDown(256));
    EXPECT_EQ(dev->KeyHit(256), 0);
    EXPECT_EQ(dev->keyHitPut, 0);

    // Port 0 released; port 1 unplugged: its button stays down and no port
    // after it is polled.
    dev->EndUpdate();
    game.pressed[0] = {};
    game.present = 1;
    game.polled.clear();
    dev->BeginUpdate();
    EXPECT_EQ(game.polled, (std::vector<int>{0, 1}));
    EXPECT_FALSE(dev->KeyDown(256));
    EXPECT_FALSE(dev->KeyDown(287));
    EXPECT_TRUE(dev->KeyDown(293));

    // Pressed again: a new hit.
    dev->EndUpdate();
    game.pressed[0] = {0};
    dev->BeginUpdate();
    EXPECT_EQ(dev->KeyHit(256), 1);
}

TEST_F(InputTest, ModuleFunctionsReadTheGlobalDevice) {
    EXPECT_FALSE(input_KeyDown(1));
    EXPECT_EQ(input_MouseHit(0), 0);
    EXPECT_EQ(input_MouseX(), 0.0f);

    app_InputDevice = dev;
    dev->MouseEvent(event_MouseDown, 0, 12.5f, 7.0f, 0.0f);
    dev->MouseEvent(event_MouseDown, 2, 12.5f, 7.0f, 0.0f);
    EXPECT_TRUE(input_KeyDown(1));
    EXPECT_TRUE(input_MouseDown(0));
    EXPECT_EQ(input_MouseHit(0), 1);
    EXPECT_TRUE(input_MouseDown(2));
    EXPECT_FALSE(input_MouseDown(1));
    EXPECT_EQ(input_MouseX(), 12.5f);
    EXPECT_EQ(input_MouseY(), 7.0f);
    for (int bad : {-1, -2, 511, 1 << 30}) {
        EXPECT_FALSE(input_MouseDown(bad)) << bad;
        EXPECT_EQ(input_MouseHit(bad), 0) << bad;
    }
    for (int bad : {0, -1, 512}) EXPECT_FALSE(input_KeyDown(bad)) << bad;
}

TEST_F(InputTest, MarkReachesEveryArrayAndJoyState) {
    static c_InputDevice *root;
    root = dev;
    gc_SetRoots([] { gc_Enqueue(root); });
    gc_MarkGlobals();
    gc_CollectAll();
    gc_CollectAll();
    // The device, its seven arrays, four joystick states and their 16 arrays
    // (the device itself is queued again by the roots).
    int live = 0;
    for (gc_ListHead *h : {&gc_LiveList, &gc_MarkQueue, &gc_MarkedList})
        for (gc_object *o = h->next; o != h; o = o->next) ++live;
    EXPECT_EQ(live, 1 + 7 + 4 + 16);
    EXPECT_EQ(gc_UnreachableList.next, &gc_UnreachableList);

    gc_SetRoots(nullptr);
    gc_CollectAll();
    gc_CollectAll();
    int left = 0;
    for (gc_object *o = gc_UnreachableList.next; o != &gc_UnreachableList; o = o->next) ++left;
    EXPECT_EQ(left, 28);
}

}  // namespace
