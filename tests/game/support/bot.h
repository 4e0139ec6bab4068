// A bot player for game sessions. It reads the world (the objects, the
// iceberg, the story, the balloon, the screen state machine) and plays
// through the session's input only, with the game's own keys and buttons:
// clicks through the splash, picks a mode on the menu, confirms balloons
// with Space, steers with W, A, S, D toward the nearest ship it can beat
// (its level, with its ramming angle toward the iceberg, at most the
// iceberg's) or a pick-up and away from stronger ships, uses a healing item (key 1) when hurt, and when the iceberg has
// melted revives it (item key 2, or the coins row) or goes back to the
// menu.
//
// The bot sends its input through a BotInput: the host's own event
// operations, as a session sends them (SessionBot, session_bot.h) or as the
// real main loop's host object receives them (the velmora_bot program).
// Decide() is called once before each update: it releases what the last
// tap or click pressed, then sends the input for the coming update.
#pragma once

#include <cstdint>
#include <set>

struct BotStats {
    int64_t passes = 0;
    int balloons = 0;  // Space presses made for a balloon
    int heals = 0;     // healing key presses
    int revives = 0;   // revive presses (item or coins)
    int toMenu = 0;    // "to the menu" choices after a death
    int deaths = 0;
    int menuClicks = 0, splashClicks = 0;
    int maxLevel = 0;
    int pauses = 0, resumes = 0;
};

// Where the bot's input goes: key codes of the host (hx_keys.h), window
// pixels, GLFW mouse buttons (0 left).
class BotInput {
public:
    virtual ~BotInput() = default;
    virtual void KeyDown(int code) = 0;
    virtual void KeyUp(int code) = 0;
    virtual void MoveMouse(double x, double y) = 0;
    virtual void MouseDown(int button) = 0;
    virtual void MouseUp(int button) = 0;
};

class Bot {
public:
    // mode: the menu button it takes (0 campaign, 1 open world).
    Bot(BotInput &input, int mode);
    ~Bot();

    // Sends the input for the coming update (one call per update).
    void Decide();
    // Now and then (every `passes`, 0 = never) pauses with Escape and
    // resumes with the pause menu's resume row.
    void PauseEvery(int passes) { pauseEvery_ = passes; }

    const BotStats &Stats() const { return stats_; }
    // The screen state (ScreenState_*) and phase of the state machine.
    static int State();
    static int Phase();

private:
    void Hold(const std::set<int> &keys);
    void Tap(int key);
    void ClickVirtual(double x, double y);
    void ReleaseTap();
    void Play();
    void Steer();

    BotInput &in_;
    int mode_;
    std::set<int> held_;
    int cooldown_ = 0;  // passes until the next tap or click
    int tappedKey_ = 0;  // the key a tap holds for one update
    bool clicked_ = false;
    int pauseEvery_ = 0;
    int64_t nextPause_ = 0;
    bool wasDead_ = false;
    BotStats stats_;
};
