// A bot player for game sessions. It reads the world (the objects, the
// iceberg, the story, the balloon, the screen state machine) and plays
// through the session's input only, with the game's own keys and buttons:
// clicks through the splash, picks a mode on the menu, confirms balloons
// with Space, steers with W, A, S, D toward the nearest ship it can beat
// (its level, with its ramming angle toward the iceberg, at most the
// iceberg's) or a pick-up and away from stronger ships, uses a healing item (key 1) when hurt, and when the iceberg has
// melted revives it (item key 2, or the coins row) or goes back to the
// menu. One Tick is one pass of the session (Step(1)).
#pragma once

#include <cstdint>
#include <set>

#include "tests/game/support/session.h"

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

class Bot {
public:
    // mode: the menu button it takes (0 campaign, 1 open world).
    Bot(Session &session, int mode);
    ~Bot();

    // Decides, sends the input and runs one pass of 33 ms.
    void Tick();
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
    bool Play();  // true when it made the pass itself
    void Steer();

    Session &s_;
    int mode_;
    std::set<int> held_;
    int cooldown_ = 0;  // passes until the next tap or click
    int pauseEvery_ = 0;
    int64_t nextPause_ = 0;
    bool wasDead_ = false;
    BotStats stats_;
};
