// Checks of the shop's images in the data folder beside this test against
// the way the shop draws them: two door frames of 240 columns with their
// handle at the left edge and vertical centre, side by side at cx - 240 and
// cx around cy; sixteen 80 x 32 button frames drawn centred, the pressed
// ones the same face one row lower, with the price set by the game in the
// tiny font right-aligned at frame column 45 from row 21 (22 when pressed).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/support/art.h"
#include "tools/assetgen_palette.h"

namespace fs = std::filesystem;

namespace {

using art::Image;
using art::Load;

using Colour = art::Pixel;

Colour C(assetgen::Rgba c) { return {c.r, c.g, c.b, c.a}; }

// A colour with a clear hue: the greyed look of a disabled item has none.
bool Coloured(Colour c) {
  const auto [r, g, b, a] = c;
  const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  return a != 0 && hi - lo > 40;
}

constexpr int kW = 80, kH = 32;

TEST(ShopArt, SizesOpacityAndPalette) {
  const Image bg = Load("shop_bg.png"), buttons = Load("shop_buttons.png");
  ASSERT_TRUE(bg) << "shop_bg.png";
  ASSERT_TRUE(buttons) << "shop_buttons.png";
  // Two doors of 240 columns: the halves of a 480-wide scene, tall enough
  // for the 240 x 135 screen and, at most, a 359-row one.
  EXPECT_EQ(bg.width, 480);
  EXPECT_GE(bg.height, 135);
  EXPECT_EQ(buttons.width, 16 * kW);
  EXPECT_EQ(buttons.height, kH);

  const std::set<Colour>& palette = art::OpaquePalette();
  // The closed doors hide the play screen: every pixel opaque.
  int holes = 0, foreign = 0;
  for (int y = 0; y < bg.height; ++y)
    for (int x = 0; x < bg.width; ++x) {
      holes += bg.Alpha(x, y) != 255;
      foreign += !palette.count(bg.Get(x, y));
    }
  EXPECT_EQ(holes, 0);
  EXPECT_EQ(foreign, 0);
  foreign = 0;
  for (int y = 0; y < buttons.height; ++y)
    for (int x = 0; x < buttons.width; ++x)
      if (buttons.Alpha(x, y) != 0) foreign += !palette.count(buttons.Get(x, y));
  EXPECT_EQ(foreign, 0);
}

TEST(ShopArt, PressedFramesAreTheFaceOneRowLower) {
  const Image b = Load("shop_buttons.png");
  ASSERT_TRUE(b);
  // Items 4..7 -> 10..13, the spare 8 -> 14, back 9 -> 15.
  for (auto [up, down] : {std::pair{4, 10}, {5, 11}, {6, 12}, {7, 13}, {8, 14}, {9, 15}}) {
    SCOPED_TRACE("frame " + std::to_string(up) + " and " + std::to_string(down));
    int differ = 0, topRow = 0, faceCells = 0;
    for (int x = 0; x < kW; ++x) {
      topRow += b.Alpha(down * kW + x, 0) != 0;
      for (int y = 0; y + 1 < kH; ++y) {
        // The raised frame's last row is its lip, which the pressed face
        // covers; the lip also shows under the face's two cut lower corners.
        const Colour raised = b.Get(up * kW + x, y), pressed = b.Get(down * kW + x, y + 1);
        const bool lipCorner = y == kH - 2 && (x == 0 || x == kW - 1);
        differ += !lipCorner && raised != pressed;
        faceCells += std::get<3>(raised) != 0;
      }
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(topRow, 0) << "a pressed frame's first row stays empty";
    EXPECT_GT(faceCells, kW * (kH - 1) - 8) << "the face fills its frame but the cut corners";
    // The raised frame stands on a lip of ink.
    EXPECT_EQ(b.Get(up * kW + kW / 2, kH - 1), C(assetgen::palette::kInk));
  }
}

TEST(ShopArt, PriceFieldStaysPlainAndTheCoinFollowsIt) {
  const Image b = Load("shop_buttons.png");
  ASSERT_TRUE(b);
  // The longest price, "4999", right-aligned at 45 in 4-column cells: its
  // ink in columns 29 to 43 of rows 22 to 28 below the cell top. The field
  // and a column of margin around it are one colour, the face's fill.
  struct Case {
    int frame;
    int top;  // the price's cell top in the frame
    bool enabled;
  };
  const Case cases[] = {{0, 21, false}, {1, 21, false}, {2, 21, false}, {3, 21, false}, {4, 21, true},
                        {5, 21, true},  {6, 21, true},  {7, 21, true},  {10, 22, true}, {11, 22, true},
                        {12, 22, true}, {13, 22, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("frame " + std::to_string(c.frame));
    const int x0 = c.frame * kW;
    const Colour fill = b.Get(x0 + 36, c.top + 4);
    EXPECT_EQ(fill, C(assetgen::palette::kUiDark));
    int spots = 0;
    for (int y = c.top; y <= c.top + 8; ++y)
      for (int x = 28; x <= 45; ++x) spots += b.Get(x0 + x, y) != fill;
    EXPECT_EQ(spots, 0) << "the price field is plain";
    // The coin stands right of the price, on its rows: gold when the
    // button is enabled, greyed when not.
    int gold = 0, coinInk = 0;
    for (int y = c.top + 1; y <= c.top + 8; ++y)
      for (int x = 46; x <= 53; ++x) {
        const Colour px = b.Get(x0 + x, y);
        coinInk += px != fill;
        gold += px == C(assetgen::palette::kGold);
      }
    EXPECT_GT(coinInk, 10);
    EXPECT_EQ(gold > 0, c.enabled);
  }
}

TEST(ShopArt, DisabledItemsAreGreyedCopiesOfTheEnabledOnes) {
  const Image b = Load("shop_buttons.png");
  ASSERT_TRUE(b);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("item " + std::to_string(i));
    int colouredOn = 0, colouredOff = 0, shapeDiffers = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const Colour off = b.Get(i * kW + x, y), on = b.Get((i + 4) * kW + x, y);
        colouredOff += Coloured(off);
        colouredOn += Coloured(on);
        shapeDiffers += (std::get<3>(off) != 0) != (std::get<3>(on) != 0);
      }
    EXPECT_GT(colouredOn, 10) << "the enabled item shows its symbol's colours";
    // Only the symbol's window keeps its sea blue in the disabled look.
    const Colour window = C(assetgen::palette::kSeaDeep);
    int colouredOffOutsideWindow = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const Colour off = b.Get(i * kW + x, y);
        colouredOffOutsideWindow += Coloured(off) && off != window;
      }
    EXPECT_EQ(colouredOffOutsideWindow, 0) << "the disabled item is grey";
    EXPECT_EQ(shapeDiffers, 0) << "both looks have the same outline";
  }
  // The four items look different from one another.
  std::set<std::vector<Colour>> looks;
  for (int i = 4; i < 8; ++i) {
    std::vector<Colour> px;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) px.push_back(b.Get(i * kW + x, y));
    looks.insert(px);
  }
  EXPECT_EQ(looks.size(), 4u);
}

// The scene at the 240 x 135 screen as the shop draws it closed: the left
// door's columns cx - 240 .. cx and the right door's cx .. cx + 240 around
// cy = 67, that is strip columns 120 to 359 and rows h / 2 - 67 on.
TEST(ShopArt, DoorsMeetAtTheSeamAndShowGoodsBetweenTheButtons) {
  const Image bg = Load("shop_bg.png");
  ASSERT_TRUE(bg);
  const int top = bg.height / 2 - 67;
  // Where the doors meet, each door has its own dark edge, so that each
  // half reads as a door of its own while they slide.
  EXPECT_EQ(bg.Get(239, bg.height / 2), C(assetgen::palette::kInk));
  EXPECT_EQ(bg.Get(240, bg.height / 2), C(assetgen::palette::kInk));
  // The gap between the button columns (screen x 100 to 139) shows more
  // than the wall: goods on the shelves, in colours the wall has none of.
  int coloured = 0;
  for (int y = 0; y < 135; ++y)
    for (int x = 100 + 120; x < 140 + 120; ++x) {
      const Colour px = bg.Get(x, top + y);
      coloured += px == C(assetgen::palette::kGreen) || px == C(assetgen::palette::kRed) ||
                  px == C(assetgen::palette::kIceCyan) || px == C(assetgen::palette::kGold);
    }
  EXPECT_GT(coloured, 40);
}

}  // namespace
