// The play controls in a running game: a session in play, phase active,
// with a world started by hand (no story, no spawning), driven by keys and
// the mouse through the host's own handlers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_controls.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_story.h"
#include "tests/game/support/session.h"

namespace {

constexpr int kEscape = 27, kSpace = 32, kKey1 = 49, kKey2 = 50, kKey3 = 51;
constexpr int kW = 87, kA = 65, kS = 83, kD = 68;

std::string Text(const String &s) { return std::string(String::CString(s).c_str()); }
std::vector<int> Flags(const ArrayField<int32_t> &a) { return {a[0], a[1], a[2]}; }

class ControlsTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
        Begin(GameMode_Campaign);
    }

    // A new game in `mode`, playing, with the keyboard steering, no story
    // and no ships: the iceberg alone at full health.
    void Begin(int32_t mode) {
        c_Game::StartWorld(mode);
        world_StoryState = 0;
        world_SteeringOn = 1;
        game_StateMachine->SetState(ScreenState_Play);
        game_StateMachine->SetPhase(ScreenPhase_Active);
        session().Update();
        ASSERT_TRUE(game_StateMachine->Is(ScreenState_Play, ScreenPhase_Active));
        ClearInfos();
    }

    c_Player *Player() { return world_Player; }
    void Update(int n = 1) {
        for (int i = 0; i < n; ++i) session().Update();
    }
    // The keys held over one update, then released over another.
    void Tap(std::vector<int> keys) {
        for (int k : keys) session().KeyDown(k);
        Update();
        for (int k : keys) session().KeyUp(k);
        Update();
    }
    // The left button over one update at the virtual point (x, y), then up.
    void ClickAt(double x, double y) {
        session().Click(x * 4, y * 4);
        Update();
    }
    void ClearInfos() {
        for (int i = 0; i < hud_OverheadInfos.Length(); ++i) hud_OverheadInfos[i] = nullptr;
    }
    c_HudOverheadInfo *NewestInfo() { return hud_OverheadInfos[(hud_OverheadIndex + 3) % 4]; }
    // Updates until `done` holds; false after `limit` updates.
    template <class F>
    bool UpdateUntil(F done, int limit = 400) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Update();
        }
        return done();
    }
    // The iceberg sunk to 0 hit points and through its death moment.
    void Kill() {
        Player()->m_hitPoints = 0;
        Update();
        ASSERT_EQ(Player()->m_deathState, DeathState_Dying);
    }
    bool Melted() { return Player()->m_fadeStep == Player()->m_stepCount; }
};

// The angle is taken modulo 360 and must lie in [0, 360).
void ExpectAngle(float got, float want, const char *name) {
    EXPECT_GE(got, 0.0f) << name;
    EXPECT_LT(got, 360.0f) << name;
    float d = std::fabs(std::fmod(got - want + 720.0f, 360.0f));
    EXPECT_LT(std::fmin(d, 360.0f - d), 1e-3f) << name << ": " << got << " for " << want;
}

TEST_F(ControlsTest, DPadAngleAndThrottleForEveryKeyCombination) {
    struct Case {
        const char *keys;
        std::vector<int> held;
        float angle, throttle;
    };
    const Case cases[] = {
        {"none", {}, 315, 0},
        {"D", {kD}, 315, 1},
        {"S", {kS}, 45, 1},
        {"A", {kA}, 135, 1},
        {"W", {kW}, 225, 1},
        {"D S", {kD, kS}, 0, 1},
        {"D W", {kD, kW}, 270, 1},
        {"A S", {kA, kS}, 90, 1},
        {"A W", {kA, kW}, 180, 1},
        {"A D", {kA, kD}, 315, 0},
        {"W S", {kW, kS}, 315, 0},
        {"A D S", {kA, kD, kS}, 45, 1},
        {"A D W", {kA, kD, kW}, 225, 1},
        {"W S D", {kW, kS, kD}, 315, 1},
        {"W S A", {kW, kS, kA}, 135, 1},
        {"W A S D", {kW, kA, kS, kD}, 315, 0},
    };
    for (const Case &c : cases) {
        for (int k : c.held) session().KeyDown(k);
        Update();
        ExpectAngle(controls_SteerAngle, c.angle, c.keys);
        EXPECT_EQ(controls_Throttle, c.throttle) << c.keys;
        for (int k : c.held) session().KeyUp(k);
        Update();
    }

    // Steering off (the story holds the iceberg): both 0 whatever is held.
    world_SteeringOn = 0;
    session().KeyDown(kS);
    Update();
    EXPECT_EQ(controls_SteerAngle, 0.0f);
    EXPECT_EQ(controls_Throttle, 0.0f);
}

TEST_F(ControlsTest, AHitFiresOncePerPress) {
    progress_Healings = 3;
    Player()->m_hitPoints = 5;

    // Held over three updates: one hit, one healing.
    session().KeyDown(kKey1);
    std::vector<int> hits;
    for (int i = 0; i < 3; ++i) {
        Update();
        hits.push_back(controls_ItemHit[0]);
        EXPECT_EQ(controls_ItemDown[0], 1);
    }
    EXPECT_EQ(hits, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Player()->m_hitPoints, 6);
    session().KeyUp(kKey1);
    Update();
    EXPECT_EQ(Flags(controls_ItemDown), (std::vector<int>{0, 0, 0}));
    // Pressed again: healed again.
    Tap({kKey1});
    EXPECT_EQ(Player()->m_hitPoints, 7);
    EXPECT_EQ(progress_Healings, 1);

    // Dragged into the area with the button held: one hit, also while it
    // moves on inside; the rows have no keys and clear with the button up.
    session().MoveMouse(40 * 4, 40 * 4);
    session().MouseDown();
    Update();
    EXPECT_EQ(Flags(controls_ItemDown), (std::vector<int>{0, 0, 0}));
    session().MoveMouse(70 * 4, 120 * 4);
    Update();
    EXPECT_EQ(Flags(controls_ItemHit), (std::vector<int>{1, 0, 0}));
    session().MoveMouse(80 * 4, 130 * 4);
    Update();
    EXPECT_EQ(Flags(controls_ItemHit), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Flags(controls_ItemDown), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Player()->m_hitPoints, 8);
    session().MoveMouse(120 * 4, 44 * 4);  // the first row of both menus
    Update();
    EXPECT_EQ(Flags(controls_PauseHit), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Flags(controls_YouDiedDown), (std::vector<int>{1, 0, 0}));
    session().MouseUp();
    session().KeyDown(kEscape);
    session().KeyDown(kSpace);
    session().KeyDown(kKey1);
    Update();
    for (const ArrayField<int32_t> *a : {&controls_PauseHit, &controls_PauseDown, &controls_YouDiedHit,
                                         &controls_YouDiedDown})
        EXPECT_EQ(Flags(*a), (std::vector<int>{0, 0, 0}));
}

// Where the left button presses which button of each group, at 240 x 135
// (item bar at 120, 126, size 36; buttons at 226, 127; menus at 120, 67).
// Left and top edges are in, right and bottom edges out.
TEST_F(ControlsTest, HitAreas) {
    struct Case {
        double x, y;
        std::vector<int> items, buttons, rows;  // rows: pause and you-died alike
    };
    const std::vector<int> no = {0, 0, 0};
    const Case cases[] = {
        // Items: x from 66, 102, 138, 36 wide; y from 117 to the bottom.
        {66, 117, {1, 0, 0}, no, no},
        {65.75, 117, no, no, no},
        {101.75, 117, {1, 0, 0}, no, no},
        {102, 117, {0, 1, 0}, no, no},
        {137.75, 134.75, {0, 1, 0}, no, no},
        {138, 120, {0, 0, 1}, no, no},
        {173.75, 117, {0, 0, 1}, no, no},
        {174, 117, no, no, no},
        {66, 116.75, no, no, no},
        // Buttons: x in [214, 238); pause and resume from y 121 to the
        // bottom, confirm from y 99 down to them: a press on pause or
        // resume is not a confirm.
        {214, 121, no, {1, 1, 0}, no},
        {213.75, 121, no, no, no},
        {237.75, 134.75, no, {1, 1, 0}, no},
        {238, 121, no, no, no},
        {214, 120.75, no, {0, 0, 1}, no},
        {214, 99, no, {0, 0, 1}, no},
        {214, 98.75, no, no, no},
        // Rows: x in [80, 160); y in [38, 51), [61, 74), [84, 97).
        {80, 38, no, no, {1, 0, 0}},
        {79.75, 38, no, no, no},
        {159.75, 50.75, no, no, {1, 0, 0}},
        {160, 38, no, no, no},
        {80, 37.75, no, no, no},
        {80, 51, no, no, no},
        {80, 60.75, no, no, no},
        {80, 61, no, no, {0, 1, 0}},
        {120, 73.75, no, no, {0, 1, 0}},
        {120, 74, no, no, no},
        {120, 83.75, no, no, no},
        {120, 84, no, no, {0, 0, 1}},
        {159.75, 96.75, no, no, {0, 0, 1}},
        {120, 97, no, no, no},
    };
    for (const Case &c : cases) {
        session().MoveMouse(c.x * 4, c.y * 4);
        session().MouseDown();
        Update();
        std::string where = std::to_string(c.x) + ", " + std::to_string(c.y);
        EXPECT_EQ(Flags(controls_ItemHit), c.items) << where;
        EXPECT_EQ(Flags(controls_ItemDown), c.items) << where;
        EXPECT_EQ(Flags(controls_ButtonDown), c.buttons) << where;
        EXPECT_EQ(Flags(controls_PauseHit), c.rows) << where;
        EXPECT_EQ(Flags(controls_PauseDown), c.rows) << where;
        EXPECT_EQ(Flags(controls_YouDiedDown), c.rows) << where;
        session().MouseUp();
        Update();
        world_Running = 1;  // the pause button paused
    }

    // The keys: 1, 2, 3 the items, Escape pause and resume, Space confirm.
    struct KeyCase {
        int key;
        std::vector<int> items, buttons;
    };
    const KeyCase keys[] = {
        {kKey1, {1, 0, 0}, no}, {kKey2, {0, 1, 0}, no},    {kKey3, {0, 0, 1}, no},
        {kEscape, no, {1, 1, 0}}, {kSpace, no, {0, 0, 1}}, {kW, no, no},
    };
    for (const KeyCase &k : keys) {
        session().KeyDown(k.key);
        Update();
        EXPECT_EQ(Flags(controls_ItemDown), k.items) << k.key;
        EXPECT_EQ(Flags(controls_ButtonHit), k.buttons) << k.key;
        EXPECT_EQ(Flags(controls_PauseDown), no) << k.key;
        session().KeyUp(k.key);
        Update();
        world_Running = 1;
    }
}

TEST_F(ControlsTest, ItemsAtMostOnePerUpdate) {
    struct Case {
        const char *name;
        int hp;
        std::vector<int> counts;  // healings, big healings, invulnerabilities
        bool invulnerable, paused;
        std::vector<int> keys;
        int hpAfter;
        std::vector<int> countsAfter;
        bool invulnerableAfter;
        const char *info;  // the healing text shown, or nullptr
    };
    const Case cases[] = {
        {"heal", 5, {2, 0, 0}, false, false, {kKey1}, 6, {1, 0, 0}, false, "+1"},
        {"heal at full health", 10, {2, 0, 0}, false, false, {kKey1}, 10, {2, 0, 0}, false, nullptr},
        {"heal without healings", 5, {0, 0, 0}, false, false, {kKey1}, 5, {0, 0, 0}, false, nullptr},
        {"big heal", 3, {0, 1, 0}, false, false, {kKey2}, 10, {0, 0, 0}, false, "+7"},
        {"big heal at full health", 10, {0, 1, 0}, false, false, {kKey2}, 10, {0, 1, 0}, false, nullptr},
        {"invulnerability", 4, {0, 0, 2}, false, false, {kKey3}, 10, {0, 0, 1}, true, "+6"},
        {"invulnerability at full health", 10, {0, 0, 1}, false, false, {kKey3}, 10, {0, 0, 0}, true, nullptr},
        {"invulnerability while invulnerable", 4, {0, 0, 1}, true, false, {kKey3}, 4, {0, 0, 1}, true, nullptr},
        {"1 and 3: the healing only", 5, {1, 1, 1}, false, false, {kKey1, kKey3}, 6, {0, 1, 1}, false, "+1"},
        {"1, 2 and 3: the healing only", 5, {1, 1, 1}, false, false, {kKey1, kKey2, kKey3}, 6, {0, 1, 1}, false,
         "+1"},
        {"1 and 2 without healings: the big one", 5, {0, 1, 1}, false, false, {kKey1, kKey2}, 10, {0, 0, 1}, false,
         "+5"},
        {"1 and 3 at full health: the invulnerability", 10, {1, 0, 1}, false, false, {kKey1, kKey3}, 10, {1, 0, 0},
         true, nullptr},
        {"heal while paused", 5, {1, 0, 0}, false, true, {kKey1}, 6, {0, 0, 0}, false, "+1"},
        {"invulnerability while paused", 5, {0, 0, 1}, false, true, {kKey3}, 10, {0, 0, 0}, true, "+5"},
    };
    for (const Case &c : cases) {
        Begin(GameMode_Campaign);
        c_Player *p = Player();
        p->m_hitPoints = c.hp;
        progress_Healings = c.counts[0];
        progress_BigHealings = c.counts[1];
        progress_Invulnerabilities = c.counts[2];
        if (c.invulnerable) p->MakeInvulnerable(5000);
        int32_t until = p->m_invulnerableUntil;
        if (c.paused) {
            Tap({kEscape});
            ASSERT_EQ(world_Running, 0) << c.name;
        }
        for (int k : c.keys) session().KeyDown(k);
        Update();
        int32_t clock = world_Clock;
        for (int k : c.keys) session().KeyUp(k);
        Update();

        EXPECT_EQ(p->m_hitPoints, c.hpAfter) << c.name;
        EXPECT_EQ((std::vector<int>{progress_Healings, progress_BigHealings, progress_Invulnerabilities}),
                  c.countsAfter)
            << c.name;
        EXPECT_EQ(p->m_invulnerable != 0, c.invulnerableAfter) << c.name;
        if (c.invulnerableAfter && !c.invulnerable)
            EXPECT_EQ(p->m_invulnerableUntil, clock + 30000) << c.name;
        else
            EXPECT_EQ(p->m_invulnerableUntil, until) << c.name;
        c_HudOverheadInfo *info = NewestInfo();
        if (c.info) {
            ASSERT_NE(info, nullptr) << c.name;
            EXPECT_EQ(info->m_kind, OverheadInfo_Healing) << c.name;
            EXPECT_EQ(Text(info->m_text), c.info) << c.name;
        } else {
            EXPECT_EQ(info, nullptr) << c.name;
        }
        EXPECT_EQ(world_Running, c.paused ? 0 : 1) << c.name;
    }
}

// Thirty seconds of world time: paused time does not count.
TEST_F(ControlsTest, InvulnerabilityLastsThirtySecondsOfWorldTime) {
    progress_Invulnerabilities = 1;
    Tap({kKey3});
    c_Player *p = Player();
    ASSERT_EQ(p->m_invulnerable, 1);
    const int32_t until = p->m_invulnerableUntil;
    Tap({kEscape});
    ASSERT_EQ(world_Running, 0);
    const int32_t pausedAt = world_Clock;
    Update(100);
    EXPECT_EQ(world_Clock, pausedAt);
    EXPECT_EQ(p->m_invulnerable, 1);
    Tap({kEscape});
    ASSERT_EQ(world_Running, 1);
    int32_t before = world_Clock;
    ASSERT_TRUE(UpdateUntil([&] {
        if (p->m_invulnerable == 0) return true;
        before = world_Clock;
        return false;
    }, 1000));
    EXPECT_LT(before, until);
    EXPECT_GE(world_Clock, until);
    EXPECT_EQ(progress_Invulnerabilities, 0);
}

TEST_F(ControlsTest, EscapePausesAndResumes) {
    // Held: one toggle; the world clock stops while paused.
    session().KeyDown(kEscape);
    Update();
    EXPECT_EQ(world_Running, 0);
    const int32_t clock = world_Clock;
    Update(3);
    EXPECT_EQ(world_Running, 0);
    EXPECT_EQ(world_Clock, clock);
    session().KeyUp(kEscape);
    Update();
    Tap({kEscape});
    EXPECT_EQ(world_Running, 1);
    EXPECT_GT(world_Clock, clock);

    // The on-screen button does the same, pause then resume at one place.
    ClickAt(226, 127);
    EXPECT_EQ(world_Running, 0);
    ClickAt(226, 127);
    EXPECT_EQ(world_Running, 1);

    // The resume row with Escape in the same update: resumed, then paused
    // again by the same press.
    Tap({kEscape});
    session().MoveMouse(120 * 4, 67 * 4);
    session().MouseDown();
    session().KeyDown(kEscape);
    Update();
    EXPECT_EQ(world_Running, 0);
    session().MouseUp();
    session().KeyUp(kEscape);
    Update();

    // A dead iceberg cannot pause.
    Tap({kEscape});
    ASSERT_EQ(world_Running, 1);
    Kill();
    Tap({kEscape});
    EXPECT_EQ(world_Running, 1);
    ClickAt(226, 127);
    EXPECT_EQ(world_Running, 1);
}

TEST_F(ControlsTest, PauseRows) {
    struct Case {
        const char *name;
        double y;
        int running, nextState, nextPhase;
        bool saved;
    };
    const Case cases[] = {
        {"shop", 44, 0, ScreenState_Shop, ScreenPhase_Entering, false},
        {"resume", 67, 1, ScreenState_Play, ScreenPhase_Active, false},
        {"menu", 90, 0, ScreenState_Menu, ScreenPhase_Entering, true},
    };
    for (const Case &c : cases) {
        Begin(GameMode_Campaign);
        // While running the rows do nothing.
        ClickAt(120, c.y);
        EXPECT_EQ(world_Running, 1) << c.name;
        EXPECT_EQ(game_StateMachine->m_nextState, ScreenState_Play) << c.name;
        Tap({kEscape});
        ASSERT_EQ(world_Running, 0);
        session().RemoveState();
        session().Click(120 * 4, c.y * 4);
        EXPECT_EQ(world_Running, c.running) << c.name;
        EXPECT_EQ(game_StateMachine->m_nextState, c.nextState) << c.name;
        EXPECT_EQ(game_StateMachine->m_nextPhase, c.nextPhase) << c.name;
        EXPECT_EQ(session().StateExists(), c.saved) << c.name;
        Update();
        EXPECT_TRUE(game_StateMachine->Is(c.nextState, c.nextPhase)) << c.name;
        game_StateMachine->SetState(ScreenState_Play);
        game_StateMachine->SetPhase(ScreenPhase_Active);
        world_Running = 1;
    }
}

// The revives, by item (the first row or key 2) and by 6000 coins (the
// second row): nothing before the iceberg has melted away; then one revive
// or 6000 coins taken, the level saved for the active mode with one save,
// and the iceberg grows back to its level's tier.
TEST_F(ControlsTest, RevivesOnceTheMeltHasFinished) {
    struct Case {
        const char *name;
        int32_t mode;
        int revives, coins;
        int key;   // 0: click the row
        double y;  // the row clicked
        bool revived;
        int revivesAfter, coinsAfter;
    };
    const Case cases[] = {
        {"item row", GameMode_Campaign, 1, 7000, 0, 44, true, 0, 7000},
        {"item key 2", GameMode_OpenWorld, 2, 0, kKey2, 0, true, 1, 0},
        {"coins row", GameMode_Campaign, 0, 6000, 0, 67, true, 0, 0},
        {"coins row, revives kept", GameMode_OpenWorld, 1, 6500, 0, 67, true, 1, 500},
        {"one coin short", GameMode_Campaign, 0, 5999, 0, 67, false, 0, 5999},
        {"item row without items", GameMode_Campaign, 0, 9000, 0, 44, false, 0, 9000},
    };
    for (const Case &c : cases) {
        Begin(c.mode);
        c_Player *p = Player();
        p->SetLevel(5);
        const int32_t tier = p->m_fadeStep;
        progress_Revives = c.revives;
        progress_Coins = c.coins;
        Kill();
        int32_t &saved = c.mode == GameMode_OpenWorld ? progress_LevelOpenWorld : progress_LevelCampaign;
        int32_t &other = c.mode == GameMode_OpenWorld ? progress_LevelCampaign : progress_LevelOpenWorld;
        ASSERT_EQ(saved, 1);
        other = 3;

        // While it melts, neither revive is taken.
        session().RemoveState();
        Update(3);
        ASSERT_FALSE(Melted());
        ClickAt(120, 44);
        Tap({kKey2});
        ClickAt(120, 67);
        EXPECT_EQ(p->m_deathState, DeathState_Dying) << c.name;
        EXPECT_EQ(progress_Revives, c.revives) << c.name;
        EXPECT_EQ(progress_Coins, c.coins) << c.name;
        EXPECT_FALSE(session().StateExists()) << c.name;

        ASSERT_TRUE(UpdateUntil([&] { return Melted(); })) << c.name;
        ASSERT_EQ(p->m_waveEmitter.get(), nullptr);
        if (c.key)
            session().KeyDown(c.key);
        else
            session().MoveMouse(120 * 4, c.y * 4), session().MouseDown();
        Update();
        const int32_t clock = world_Clock;
        if (c.key)
            session().KeyUp(c.key);
        else
            session().MouseUp();

        EXPECT_EQ(progress_Revives, c.revivesAfter) << c.name;
        EXPECT_EQ(progress_Coins, c.coinsAfter) << c.name;
        if (!c.revived) {
            Update(5);
            EXPECT_EQ(p->m_deathState, DeathState_Dying) << c.name;
            EXPECT_FALSE(session().StateExists()) << c.name;
            continue;
        }
        EXPECT_EQ(p->m_deathState, DeathState_Reviving) << c.name;
        c_WaveEmitter *e = p->m_waveEmitter;
        ASSERT_NE(e, nullptr) << c.name;
        EXPECT_EQ(e->m_state, EmitterState_Emitting) << c.name;
        EXPECT_EQ(e->m_startTime, clock) << c.name << ": not prewarmed";
        EXPECT_EQ(saved, 5) << c.name;
        EXPECT_EQ(other, 3) << c.name;
        ASSERT_TRUE(session().StateExists()) << c.name;
        const std::string key = c.mode == GameMode_OpenWorld ? "\"lvlopenworld\":5" : "\"lvlcampaign\":5";
        EXPECT_NE(session().ReadState().find(key), std::string::npos) << session().ReadState();
        EXPECT_NE(session().ReadState().find("\"coins\":" + std::to_string(c.coinsAfter)), std::string::npos)
            << session().ReadState();

        // It grows back without another save.
        session().RemoveState();
        ASSERT_TRUE(UpdateUntil([&] { return p->m_alive != 0; })) << c.name;
        EXPECT_EQ(p->m_fadeStep, tier) << c.name;
        EXPECT_EQ(p->m_hitPoints, p->m_maxHitPoints) << c.name;
        Update(5);
        EXPECT_FALSE(session().StateExists()) << c.name;
        EXPECT_EQ(progress_Revives, c.revivesAfter) << c.name;
    }
}

// The menu row counts as soon as the iceberg is dead, melted or not.
TEST_F(ControlsTest, YouDiedMenuRowBeforeTheMeltEnds) {
    Kill();
    ASSERT_FALSE(Melted());
    session().RemoveState();
    session().Click(120 * 4, 90 * 4);
    EXPECT_EQ(game_StateMachine->m_nextState, ScreenState_Menu);
    EXPECT_EQ(game_StateMachine->m_nextPhase, ScreenPhase_Entering);
    EXPECT_TRUE(session().StateExists());
    Update();
    EXPECT_TRUE(game_StateMachine->Is(ScreenState_Menu, ScreenPhase_Entering));
    EXPECT_FALSE(Melted());
}

TEST_F(ControlsTest, YouDiedRowsDoNothingWhileAlive) {
    progress_Revives = 1;
    progress_Coins = 6000;
    session().RemoveState();
    for (double y : {44.0, 67.0, 90.0}) ClickAt(120, y);
    EXPECT_EQ(progress_Revives, 1);
    EXPECT_EQ(progress_Coins, 6000);
    EXPECT_EQ(game_StateMachine->m_nextState, ScreenState_Play);
    EXPECT_FALSE(session().StateExists());
}

}  // namespace

// Confirm while a balloon is still typing shows the rest at once and does
// not also close it; the on-screen pause button is no confirm press.
TEST_F(ControlsTest, ConfirmSkipsTheTypingWithoutClosing) {
    const String text(u"Hello there.\\Two lines.");
    ASSERT_EQ(game_ShowBalloon(text, 0, 0), 0);
    c_GuiBalloon *b = balloon_Current;
    ASSERT_NE(b, nullptr);
    session().KeyDown(kSpace);
    Update();
    EXPECT_EQ(controls_ButtonHit[2], 0);
    EXPECT_EQ(balloon_TextDone, 1);
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 0);
    EXPECT_EQ(balloon_Current.get(), b);
    session().KeyUp(kSpace);
    Update();
    session().KeyDown(kSpace);
    Update();
    EXPECT_EQ(controls_ButtonHit[2], 1);
    EXPECT_EQ(game_ShowBalloon(text, 0, 0), 1);
    EXPECT_EQ(balloon_Current.get(), nullptr);
    session().KeyUp(kSpace);
    Update();

    ASSERT_EQ(game_ShowBalloon(text, 0, 0), 0);
    b = balloon_Current;
    const int32_t due = b->m_revealTime;
    session().Click(226 * 4, 127 * 4);
    EXPECT_EQ(world_Running, 0);
    EXPECT_EQ(controls_ButtonDown[2], 0);
    EXPECT_EQ(b->m_revealTime, due);  // not skipped
    EXPECT_EQ(balloon_TextDone, 0);
    // Paused, Space does not skip the hidden balloon either; running again,
    // the confirm button's own area above the pause button does.
    session().Press(kSpace);
    EXPECT_EQ(b->m_revealTime, due);
    session().Press(kEscape);
    ASSERT_EQ(world_Running, 1);
    session().Click(226 * 4, 110 * 4);
    EXPECT_EQ(world_Running, 1);
    EXPECT_EQ(balloon_TextDone, 1);
    EXPECT_EQ(balloon_Current.get(), b);
}

// The tutorial's balloon, all its text shown, stays open while the game is
// paused, whether the pause came from the on-screen button or the pause
// menu saw Space: no balloon is closed, and so none opens over the pause
// menu. Once the game runs again, Space closes it and the next one opens.
TEST_F(ControlsTest, APausedGameTakesNoConfirm) {
    world_StoryState = StoryState_Steering;
    world_SteeringOn = 0;
    Update();
    c_GuiBalloon *b = balloon_Current;
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(UpdateUntil([] { return balloon_TextDone == 1; }));

    struct Case {
        const char *name;
        bool byEscape;      // else the on-screen pause button
        bool spaceAlong;    // Space goes down with the pause and is held
        bool spacePaused;   // Space pressed in the pause menu
    };
    const Case cases[] = {{"Escape, then Space", true, false, true},
                          {"pause button", false, false, false},
                          {"pause button with Space held", false, true, false},
                          {"pause button, then Space", false, false, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.spaceAlong) session().KeyDown(kSpace);
        if (c.byEscape)
            session().Press(kEscape);
        else
            session().Click(226 * 4, 127 * 4);
        Update(3);
        if (c.spaceAlong) session().KeyUp(kSpace);
        ASSERT_EQ(world_Running, 0);
        if (c.spacePaused) session().Press(kSpace);
        Update(3);
        EXPECT_EQ(balloon_Current.get(), b);
        EXPECT_EQ(world_StoryState, StoryState_Steering);
        session().Press(kEscape);
        ASSERT_EQ(world_Running, 1);
        Update(3);
        EXPECT_EQ(balloon_Current.get(), b) << "resuming is no confirm";
        EXPECT_EQ(world_StoryState, StoryState_Steering);
    }
    session().Press(kSpace);
    Update(2);  // closed by the next update's story, the next opened after
    EXPECT_EQ(world_StoryState, StoryState_Items);
    ASSERT_NE(balloon_Current.get(), nullptr);
    EXPECT_EQ(Text(balloon_Current->m_lines[0]->m_text), "The items I carry");
}

// Each group's Layout, alone, and the screen set-up give the item bar,
// the on-screen buttons and the two menus their places for the virtual
// size: bar x int(w / 2), item size int(w / 240 x 36), half int(size / 2),
// bar y int(h - half / 2); buttons (w - 14, h - 8); both menus centred.
TEST_F(ControlsTest, GroupLayoutsMatchTheScreenSetUp) {
    struct Case {
        int deviceW, deviceH, w, h;  // the device and the virtual size
        std::vector<int> values;
    };
    const Case cases[] = {
        // bar x, bar y, size, half, buttons x, y, pause x, y, you-died x, y
        {960, 540, 240, 135, {120, 126, 36, 18, 226, 127, 120, 67, 120, 67}},
        {1920, 1080, 240, 135, {120, 126, 36, 18, 226, 127, 120, 67, 120, 67}},
        {1000, 540, 250, 135, {125, 126, 37, 18, 236, 127, 125, 67, 125, 67}},
        {2000, 1600, 250, 200, {125, 191, 37, 18, 236, 192, 125, 100, 125, 100}},
        {600, 300, 300, 150, {150, 139, 45, 22, 286, 142, 150, 75, 150, 75}},
        {241, 137, 241, 137, {120, 128, 36, 18, 227, 129, 120, 68, 120, 68}},
        {479, 359, 479, 359, {239, 341, 71, 35, 465, 351, 239, 179, 239, 179}},
    };
    auto values = [] {
        return std::vector<int>{controls_ItemBarX, controls_ItemBarY, controls_ItemSize, controls_ItemHalf,
                                controls_ButtonsX, controls_ButtonsY, controls_PauseX,   controls_PauseY,
                                controls_YouDiedX, controls_YouDiedY};
    };
    for (const Case &c : cases) {
        const std::string size = std::to_string(c.deviceW) + " x " + std::to_string(c.deviceH);
        session().ResizeDevice(c.deviceW, c.deviceH);
        Update();
        ASSERT_EQ(screen_Width, c.w) << size;
        ASSERT_EQ(screen_Height, c.h) << size;
        EXPECT_EQ(values(), c.values) << size << ", the set-up";
        controls_ItemBarX = controls_ItemBarY = controls_ItemSize = controls_ItemHalf = -1;
        controls_ButtonsX = controls_ButtonsY = controls_PauseX = controls_PauseY = -1;
        controls_YouDiedX = controls_YouDiedY = -1;
        c_ControlsItems::Layout();
        c_ControlsButtons::Layout();
        c_HudPause::Layout();
        c_HudYouDied::Layout();
        EXPECT_EQ(values(), c.values) << size << ", the groups alone";
    }
}
