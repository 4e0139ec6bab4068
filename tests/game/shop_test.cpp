// The shop in a game session: the doors' slide and the bar's drop while it
// enters and leaves, the buy buttons enabled by the coins, purchases, and
// the back button that saves and returns to the paused game. The shop is
// opened over a paused campaign the way the pause menu's shop row does it:
// a request for shop, entering.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_shop.h"
#include "renderer/rd_canvas.h"
#include "tests/game/support/session.h"

namespace {

// The buttons' centres at 240 x 135 in window pixels (scale 4): items in
// two columns at x 60 and 180, rows at y 21, 60 and 99; back at (180, 99).
struct Point {
    double x, y;
};
constexpr Point kButtonAt[6] = {{240, 84}, {720, 84}, {240, 240}, {720, 240}, {240, 396}, {720, 396}};
constexpr int kBack = 5;

std::string State(int coins, int healings = 0, int revives = 0) {
    return "{\"cntbighealing\":0,\"cnthealing\":" + std::to_string(healings) +
           ",\"cntinvulnerability\":0,\"cntrevive\":" + std::to_string(revives) + ",\"coins\":" + std::to_string(coins) +
           ",\"lvlcampaign\":1,\"lvlopenworld\":1}";
}

c_StateMachine *Machine() { return game_StateMachine; }

void Request(int32_t state, int32_t phase) {
    Machine()->m_nextState = state;
    Machine()->m_nextPhase = phase;
}

class ShopTest : public SessionTest {
protected:
    // A paused campaign with the given coins, the shop requested: after
    // this the next update enters the shop.
    void PauseWithCoins(int coins) {
        Session &s = session();
        s.WriteState(State(coins));
        s.Start();
        s.Step(2);
        c_Game::StartWorld(GameMode_Campaign);
        Request(ScreenState_Play, ScreenPhase_Active);
        s.Update();
        world_Running = 0;
        s.Update();
        ASSERT_TRUE(Machine()->Is(ScreenState_Play, ScreenPhase_Active));
        Request(ScreenState_Shop, ScreenPhase_Entering);
    }
    // The same, then the whole slide in: the shop is active.
    void OpenShop(int coins) {
        PauseWithCoins(coins);
        session().Update();
        session().Update(2000);
        session().Update();
        ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Active));
    }
    c_ShopButton *Button(int i) { return shop_Buttons[i]; }
};

// Entering, the doors come together from half a screen apart while the bar
// waits below the edge; it rises in the last fifth. Leaving runs the same
// curve the other way. Values: int(E(1.3 s - 0.3) x 120) and int(14 E(5 s))
// on the curve (0.6, 0, 1, 1), s = 1 - t entering and t leaving.
TEST_F(ShopTest, DoorsSlideAndTheBarDropsOnTheEasing) {
    PauseWithCoins(0);
    Session &s = session();
    struct Sample {
        int atMs;
        int offset, drop;
    };
    const Sample entering[] = {{0, 120, 14},   {400, 62, 14}, {600, 42, 14}, {800, 25, 14}, {1000, 13, 14},
                               {1200, 5, 14},  {1540, 0, 14}, {1700, 0, 7},  {1800, 0, 3},  {1900, 0, 0}};
    int now = 0;
    s.Update();  // the shop begins: time in phase 0
    for (const Sample &p : entering) {
        if (p.atMs > now) s.Update(p.atMs - now);
        now = p.atMs;
        SCOPED_TRACE("entering at " + std::to_string(p.atMs) + " ms");
        ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Entering));
        EXPECT_EQ(shop_SlideOffset, p.offset);
        EXPECT_EQ(shop_BarDrop, p.drop);
    }
    s.Update(100);  // 2000 ms: closed, active from the next update on
    EXPECT_EQ(shop_SlideOffset, 0);
    EXPECT_EQ(shop_BarDrop, 0);
    EXPECT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Entering));
    s.Update();
    EXPECT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Active));

    Request(ScreenState_Shop, ScreenPhase_Leaving);
    s.Update();
    const Sample leaving[] = {{0, 0, 0},      {200, 0, 3},    {1000, 13, 14}, {1600, 62, 14},
                              {1900, 102, 14}, {1999, 119, 14}};
    now = 0;
    for (const Sample &p : leaving) {
        if (p.atMs > now) s.Update(p.atMs - now);
        now = p.atMs;
        SCOPED_TRACE("leaving at " + std::to_string(p.atMs) + " ms");
        ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Leaving));
        EXPECT_EQ(shop_SlideOffset, p.offset);
        EXPECT_EQ(shop_BarDrop, p.drop);
    }
    s.Update(1);  // 2000 ms: the doors a whole screen out, the bar down
    EXPECT_EQ(shop_SlideOffset, 240);
    EXPECT_EQ(shop_BarDrop, 14);
    s.Update();
    EXPECT_TRUE(Machine()->Is(ScreenState_Play, ScreenPhase_Active));
}

// The offset is half the screen's width at the start: a wider screen's
// doors start further out.
TEST_F(ShopTest, SlideFollowsTheScreenWidth) {
    Session &s = session();
    s.Start();
    s.ResizeDevice(1000, 540);  // 250 x 135
    s.Step(1);
    ASSERT_EQ(screen_Width, 250);
    EXPECT_EQ(game_ShopSlideOffset(1), 125);
    EXPECT_EQ(game_ShopSlideOffset(0), 0);
    EXPECT_EQ(game_ShopBarDrop(1), 14);
    EXPECT_EQ(shop_CentreX, 125);
}

TEST_F(ShopTest, ItemButtonsAreEnabledExactlyWhenTheCoinsReachThePrice) {
    OpenShop(0);
    Session &s = session();
    // Prices 200, 999, 1999, 4999; the spare and back buttons stay enabled.
    struct Case {
        int coins;
        int enabled[4];
    };
    const Case cases[] = {{-50, {0, 0, 0, 0}},   {0, {0, 0, 0, 0}},     {199, {0, 0, 0, 0}},
                          {200, {1, 0, 0, 0}},   {998, {1, 0, 0, 0}},   {999, {1, 1, 0, 0}},
                          {1998, {1, 1, 0, 0}},  {1999, {1, 1, 1, 0}},  {4998, {1, 1, 1, 0}},
                          {4999, {1, 1, 1, 1}},  {INT_MAX, {1, 1, 1, 1}}, {100, {0, 0, 0, 0}}};
    for (const Case &c : cases) {
        progress_Coins = c.coins;
        s.Update();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Button(i)->m_enabled, c.enabled[i]) << c.coins << " coins, item " << i;
        EXPECT_EQ(Button(4)->m_enabled, 1);
        EXPECT_EQ(Button(kBack)->m_enabled, 1);
    }
}

// The doors carry the buttons in while they slide: from the first drawn
// frame the items show whether the coins reach their prices, and no button
// is drawn pressed. Leaving, the back button that was clicked is drawn
// released, even while the mouse stays down on it.
TEST_F(ShopTest, ButtonsLookRightWhileTheShopEntersAndLeaves) {
    struct Case {
        int coins;
        int enabled[4];
    };
    const Case cases[] = {{0, {0, 0, 0, 0}}, {999, {1, 1, 0, 0}}, {5000, {1, 1, 1, 1}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.coins) + " coins");
        NewSession();
        Session &s = session();
        PauseWithCoins(c.coins);
        // The shop begins, then 1000 and 1999 ms into the slide.
        for (int ms : {33, 1000, 999}) {
            s.Update(ms);
            ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Entering));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(Button(i)->m_enabled, c.enabled[i]) << "entering, item " << i;
            for (int i = 0; i < 6; ++i) EXPECT_EQ(Button(i)->m_pressed, 0) << "entering, button " << i;
        }
        s.Update(1);
        s.Update();
        ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Active));
        s.MoveMouse(kButtonAt[kBack].x, kButtonAt[kBack].y);
        s.MouseDown();
        s.Update();
        EXPECT_EQ(Button(kBack)->m_pressed, 1) << "the click itself shows";
        for (int ms : {33, 1000}) {
            s.Update(ms);
            ASSERT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Leaving));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(Button(i)->m_enabled, c.enabled[i]) << "leaving, item " << i;
            for (int i = 0; i < 6; ++i) EXPECT_EQ(Button(i)->m_pressed, 0) << "leaving, button " << i;
        }
        s.MouseUp();
    }
}

TEST_F(ShopTest, ABuyAddsOneItemAndTakesThePriceOnce) {
    OpenShop(5000);
    Session &s = session();
    s.RemoveState();
    // One click, held for several updates, buys one healing.
    s.MoveMouse(kButtonAt[0].x, kButtonAt[0].y);
    s.MouseDown();
    s.Update();
    EXPECT_EQ(progress_Healings, 1);
    EXPECT_EQ(progress_Coins, 4800);
    EXPECT_EQ(Button(0)->m_pressed, 1);
    s.Step(5);
    s.MouseUp();
    s.Update();
    EXPECT_EQ(progress_Healings, 1);
    EXPECT_EQ(progress_Coins, 4800);
    EXPECT_EQ(Button(0)->m_pressed, 0);
    // Each item adds to its own count.
    struct Case {
        int button;
        int32_t *count;
        int coinsAfter;
    };
    const Case cases[] = {{1, &progress_BigHealings, 3801}, {2, &progress_Invulnerabilities, 1802}};
    for (const Case &c : cases) {
        s.Click(kButtonAt[c.button].x, kButtonAt[c.button].y);
        EXPECT_EQ(*c.count, 1) << "button " << c.button;
        EXPECT_EQ(progress_Coins, c.coinsAfter) << "button " << c.button;
    }
    EXPECT_EQ(progress_Healings, 1);
    EXPECT_EQ(progress_Revives, 0);
    // Purchases are kept in the globals; nothing is written until back.
    EXPECT_FALSE(s.StateExists());
}

TEST_F(ShopTest, AReviveWithExactlyItsPriceLeavesNothingAndDisablesAll) {
    OpenShop(4999);
    Session &s = session();
    s.Click(kButtonAt[3].x, kButtonAt[3].y);
    EXPECT_EQ(progress_Revives, 1);
    EXPECT_EQ(progress_Coins, 0);
    s.Update();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Button(i)->m_enabled, 0) << "item " << i;
    // A disabled button is neither pressed nor clicked.
    s.MoveMouse(kButtonAt[0].x, kButtonAt[0].y);
    s.MouseDown();
    s.Update();
    EXPECT_EQ(Button(0)->m_pressed, 0);
    EXPECT_EQ(Button(0)->m_clicked, 0);
    s.MouseUp();
    s.Update();
    EXPECT_EQ(progress_Healings, 0);
    EXPECT_EQ(progress_Coins, 0);
}

TEST_F(ShopTest, CountsAndCoinsSaturate) {
    OpenShop(0);
    Session &s = session();
    progress_Coins = INT_MAX;
    progress_Healings = INT_MAX;
    s.Update();
    s.Click(kButtonAt[0].x, kButtonAt[0].y);
    EXPECT_EQ(progress_Healings, INT_MAX);
    EXPECT_EQ(progress_Coins, INT_MAX - 200);
}

TEST_F(ShopTest, APressOutsideDraggedOntoAButtonBuysNothing) {
    OpenShop(5000);
    Session &s = session();
    s.MoveMouse(480, 240);  // between the columns
    s.MouseDown();
    s.Update();
    s.MoveMouse(kButtonAt[0].x, kButtonAt[0].y);
    s.Update();
    s.MouseUp();
    s.Update();
    EXPECT_EQ(progress_Healings, 0);
    EXPECT_EQ(progress_Coins, 5000);
}

TEST_F(ShopTest, BackSavesOnceAndReturnsToThePausedGame) {
    OpenShop(5000);
    Session &s = session();
    s.Click(kButtonAt[0].x, kButtonAt[0].y);
    s.RemoveState();
    s.Click(kButtonAt[kBack].x, kButtonAt[kBack].y);
    EXPECT_EQ(s.ReadState(), State(4800, 1));
    s.Update();
    EXPECT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Leaving));
    // The slide out writes nothing more and takes 2000 ms.
    s.RemoveState();
    s.Update(1900);
    EXPECT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Leaving));
    s.Update(100);
    s.Update();
    EXPECT_TRUE(Machine()->Is(ScreenState_Play, ScreenPhase_Active));
    EXPECT_EQ(world_Running, 0) << "the game is still paused";
    EXPECT_FALSE(s.StateExists());
    // Clicks on the shop's places do nothing in play.
    s.Click(kButtonAt[0].x, kButtonAt[0].y);
    EXPECT_EQ(progress_Healings, 1);
    EXPECT_EQ(progress_Coins, 4800);
}

// The spare button is never drawn and buys nothing.
TEST_F(ShopTest, TheSpareButtonDoesNothing) {
    OpenShop(5000);
    Session &s = session();
    s.RemoveState();
    s.Click(kButtonAt[4].x, kButtonAt[4].y);
    s.Update();
    EXPECT_TRUE(Machine()->Is(ScreenState_Shop, ScreenPhase_Active));
    EXPECT_EQ(progress_Coins, 5000);
    EXPECT_FALSE(s.StateExists());
}

// A resize makes a new window canvas in the big font; the shop sets the
// prices in the tiny one all the same (the paused play screen, which ends
// in the tiny font, is not drawn under the open shop).
TEST_F(ShopTest, PricesAreSetInTheTinyFontAfterAResize) {
    OpenShop(5000);
    Session &s = session();
    s.ResizeDevice(1000, 540);
    s.Update();
    ASSERT_EQ(game_MainCanvas->Font(), game_Font.get());
    s.Render();
    EXPECT_EQ(game_MainCanvas->Font(), game_TinyFont.get());
    EXPECT_NE(game_TinyFont.get(), nullptr);
    // The layout follows the new size: the back button under the right
    // column at (cx + 60, cy + 32).
    EXPECT_EQ(Button(kBack)->m_x, 185);
    EXPECT_EQ(Button(kBack)->m_y, 99);
}

}  // namespace
