// The bot (bot.h) playing a session: its input goes through the session's
// handlers, and one Tick is one decision and one pass (Step(1), 33 ms).
#pragma once

#include "tests/game/support/bot.h"
#include "tests/game/support/session.h"

class SessionBot : private BotInput {
public:
    SessionBot(Session &session, int mode) : s_(session), bot_(*this, mode) {}

    void Tick() {
        bot_.Decide();
        s_.Step(1);
    }
    void PauseEvery(int passes) { bot_.PauseEvery(passes); }
    const BotStats &Stats() const { return bot_.Stats(); }

private:
    void KeyDown(int code) override { s_.KeyDown(code); }
    void KeyUp(int code) override { s_.KeyUp(code); }
    void MoveMouse(double x, double y) override { s_.MoveMouse(x, y); }
    void MouseDown(int button) override { s_.MouseDown(button); }
    void MouseUp(int button) override { s_.MouseUp(button); }

    Session &s_;
    Bot bot_;
};
