// The real velmora from start to end under a private X server, driven as a
// player would: through the splash to the menu, into the campaign, the
// pause menu, the shop (one healing bought with seeded coins), back to the
// paused game, to the menu and out by its exit button. The program ends
// with 0, having printed nothing, and leaves exactly the progress the
// purchase makes.
//
// Each step waits for what the screen shows, read back from the window and
// compared with the data folder's own images where the game draws them
// (the virtual screen is 240 x 135 at scale 4); a click that lands while a
// screen is still coming in changes nothing, so such clicks are repeated
// until the screen answers. Buttons and keys are held for 150 ms: the game
// reads their down state once per update.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/x_app.h"

namespace {

using namespace test_x;
using namespace std::chrono_literals;

constexpr int kScale = 4;

// One frame of a strip in the data folder, RGBA.
struct Frame {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    const uint8_t *At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
};

Frame LoadFrame(const std::string &file, int frames, int frame) {
    Frame f;
    int w = 0, h = 0, channels = 0;
    unsigned char *p = stbi_load((Folder() + "/data/" + file).c_str(), &w, &h, &channels, 4);
    EXPECT_NE(p, nullptr) << file;
    if (!p) return f;
    f.w = w / frames;
    f.h = h;
    f.px.resize(static_cast<size_t>(f.w) * h * 4);
    for (int y = 0; y < h; ++y)
        std::copy_n(p + (static_cast<size_t>(y) * w + static_cast<size_t>(frame) * f.w) * 4, f.w * 4,
                    &f.px[static_cast<size_t>(y) * f.w * 4]);
    stbi_image_free(p);
    return f;
}

class FlowTest : public XAppTest {
protected:
    TempDir dir;
    Window win = 0;

    // The window as it is now.
    XImage *Grab() { return XGetImage(dpy, win, 0, 0, 960, 540, AllPlanes, ZPixmap); }

    // Whether `frame`, drawn centred on a whole pixel at virtual (cx, cy),
    // shows: nine in ten of its opaque texels (every other one) have their
    // colour in the window, leaving room for numbers drawn over it.
    bool Shows(const Frame &frame, int cx, int cy) {
        XImage *image = Grab();
        if (!image) return false;
        int opaque = 0, same = 0;
        const int left = cx - frame.w / 2, top = cy - frame.h / 2;
        for (int y = 0; y < frame.h; y += 2)
            for (int x = 0; x < frame.w; x += 2) {
                const uint8_t *t = frame.At(x, y);
                if (t[3] != 255) continue;
                ++opaque;
                const unsigned long p = XGetPixel(image, (left + x) * kScale + 1, (top + y) * kScale + 1);
                same += ((p >> 16) & 255) == t[0] && ((p >> 8) & 255) == t[1] && (p & 255) == t[2];
            }
        XDestroyImage(image);
        return opaque > 0 && same * 10 >= opaque * 9;
    }

    // The window's pixels in a band of virtual rows.
    std::vector<unsigned long> Band(int top, int bottom) {
        std::vector<unsigned long> band;
        XImage *image = Grab();
        if (!image) return band;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 240; ++x) band.push_back(XGetPixel(image, x * kScale + 1, y * kScale + 1));
        XDestroyImage(image);
        return band;
    }

    // A left click held at virtual (x, y).
    void Click(int x, int y) {
        // The game pauses its updates while its window has no focus; every
        // step gives it the focus first.
        Focus(win);
        Shell("xdotool mousemove --window " + std::to_string(win) + " " + std::to_string(x * kScale + 2) + " " +
              std::to_string(y * kScale + 2));
        Shell("xdotool mousedown 1");
        std::this_thread::sleep_for(kKeyHold);
        Shell("xdotool mouseup 1");
    }

    // Clicks at (x, y) until `answered` holds, giving each click `patience`
    // to be answered.
    template <class F>
    ::testing::AssertionResult ClickUntil(const std::string &what, int x, int y, F answered,
                                          std::chrono::milliseconds patience = 1500ms) {
        return test_WaitUntil(
            what,
            [&] {
                Click(x, y);
                return bool(test_WaitUntil(what, answered, patience));
            },
            test_WaitDeadline * 2, 0ms);
    }
};

TEST_F(FlowTest, CampaignShopMenuAndExit) {
    const Frame campaign = LoadFrame("menu_buttons.png", 6, 0);
    const Frame pauseShop = LoadFrame("hud_pausebuttons.png", 4, 0);
    const Frame heal = LoadFrame("shop_buttons.png", 16, 4);
    const Frame back = LoadFrame("shop_buttons.png", 16, 9);
    ASSERT_GT(campaign.w, 0);
    ASSERT_GT(pauseShop.w, 0) << "the pause rows come with the play UI (HUD art)";
    ASSERT_GT(heal.w, 0);

    dir.Write(".zentrovastate", R"({"coins":5000})");
    Child game;
    game.Start(Folder() + "/velmora", {}, dir.Path());
    win = FindWindow("Velmora");
    ASSERT_NE(win, 0u);
    ASSERT_TRUE(test_WaitUntil("the focus", [&] {
        Focus(win);
        return FocusedWindow() == win;
    }));

    // The splash takes a click once it has shattered; the menu follows.
    // (120, 130) lies on the menu's inventory bar, where a click does
    // nothing.
    auto menuShows = [&] { return Shows(campaign, 60, 63); };
    ASSERT_TRUE(ClickUntil("the menu", 120, 130, menuShows));
    // The menu shows through the splash's last falling shards before it
    // takes clicks, so a click is repeated until play shows: the top bar's
    // full health bar (green (0, 0.8, 0) on rows 3 to 7), which only the
    // play screen draws.
    auto playShows = [&] {
        std::vector<unsigned long> band = Band(5, 6);
        int green = 0;
        for (int x = 45; x < 195 && x < static_cast<int>(band.size()); ++x) green += band[x] == 0x00CC00;
        return green >= 140;
    };
    ASSERT_TRUE(ClickUntil("the campaign to start", 60, 63, playShows, 3000ms));

    // Escape pauses once play is active (the wipe runs for 2000 ms first).
    auto paused = [&] { return Shows(pauseShop, 120, 44 - 1); };
    ASSERT_TRUE(test_WaitUntil(
        "the pause menu",
        [&] {
            Focus(win);
            PressKey("Escape");
            return bool(test_WaitUntil("the pause menu", paused, 1500ms));
        },
        test_WaitDeadline * 2, 0ms));

    // The pause row "shop" (rows of 13 at cy - 29, cy - 6, cy + 17). The
    // shop is at rest once its buttons show in place and the inventory bar
    // has stopped rising (the bar settles last, and may rest a moment on
    // its way up, so it must hold still for well over that moment).
    auto shopAtRest = [&] {
        if (!Shows(heal, 60, 21) || !Shows(back, 180, 99)) return false;
        const std::vector<unsigned long> before = Band(122, 135);
        std::this_thread::sleep_for(600ms);
        return Band(122, 135) == before && Shows(heal, 60, 21);
    };
    ASSERT_TRUE(ClickUntil("the shop", 120, 44, shopAtRest, 4000ms));
    // One healing: the bar's numbers change once the purchase is made.
    const std::vector<unsigned long> bar = Band(122, 135);
    ASSERT_TRUE(ClickUntil("the purchase", 60, 21, [&] { return Band(122, 135) != bar; }));
    // Back: the shop saves and leaves for the paused game.
    ASSERT_TRUE(ClickUntil("the shop to save", 180, 99, [&] {
        return dir.Read(".zentrovastate").find("\"coins\":4800") != std::string::npos;
    })) << dir.Read(".zentrovastate");
    ASSERT_TRUE(test_WaitUntil("the paused game", paused));
    // The pause row "menu", then the menu's exit button.
    ASSERT_TRUE(ClickUntil("the menu again", 120, 90, menuShows, 4000ms));
    int status = -1;
    ASSERT_TRUE(ClickUntil("the program's end", 120, 97, [&] {
        if (waitpid(game.pid, &status, WNOHANG) != game.pid) return false;
        game.pid = -1;
        return true;
    }));
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(game.out), "");
    EXPECT_EQ(ReadFile(game.err), "");
    EXPECT_EQ(dir.Read(".zentrovastate"),
              R"({"cntbighealing":0,"cnthealing":1,"cntinvulnerability":0,"cntrevive":0,"coins":4800,"lvlcampaign":1,"lvlopenworld":1})");
}

}  // namespace
