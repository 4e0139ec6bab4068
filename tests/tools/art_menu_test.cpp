// Checks of the main menu's images in the data folder beside this test,
// against the way the game draws them at 240x135: the background centred
// under everything, the tag at the bottom centre with the inventory
// numbers right-aligned at its columns 50, 95, 140, 185 and 230 (tiny
// font, ink on tag rows 4 to 8), the six button frames of 94x26 around the
// buttons' centres, and the thumbnail frame centred at y 28 above the mode
// buttons' top at y 50.
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

// Every pixel is transparent or an opaque palette colour: no blends, no
// stray shades.
void ExpectPaletteOnly(const Image& img, const std::string& name) {
  int bad = 0;
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const unsigned char* p = img.At(x, y);
      if (p[3] == 0) continue;
      if (p[3] != 255 || !art::InPalette(p)) {
        if (++bad <= 3) ADD_FAILURE() << name << " (" << x << ", " << y << ") is no palette colour";
      }
    }
  }
  EXPECT_EQ(bad, 0) << name;
}

TEST(MenuArt, BackgroundCoversEveryWindowShapeOpaquely) {
  const Image bg = Load("menu_bg.png");
  ASSERT_TRUE(bg) << "menu_bg.png";
  // At least the virtual screen; up to the largest screen (479 x 359) it
  // covers, centred, with an even size so that the centre is a whole pixel.
  EXPECT_GE(bg.width, 479);
  EXPECT_GE(bg.height, 359);
  EXPECT_EQ(bg.width % 2, 0);
  EXPECT_EQ(bg.height % 2, 0);
  for (int y = 0; y < bg.height; ++y)
    for (int x = 0; x < bg.width; ++x) ASSERT_EQ(bg.Alpha(x, y), 255) << "(" << x << ", " << y << ")";
  ExpectPaletteOnly(bg, "menu_bg.png");
}

TEST(MenuArt, TagHoldsTheFiveFieldsOfTheInventoryBar) {
  const Image tag = Load("menu_tag.png");
  ASSERT_TRUE(tag) << "menu_tag.png";
  EXPECT_EQ(tag.width, 240);
  EXPECT_LE(tag.height, 14);
  // The text top is 9 rows above the bottom; digits ink the next 5 rows.
  const int top = tag.height - 9 + 1, bottom = top + 4;
  for (int end : {50, 95, 140, 185, 230}) {
    SCOPED_TRACE(end);
    // Three digits (12 columns, the last one spacing) end at end - 2 and
    // sit on a dark opaque well, so white numbers read on it.
    for (int y = top; y <= bottom; ++y) {
      for (int x = end - 12; x <= end - 1; ++x) {
        ASSERT_EQ(tag.Alpha(x, y), 255) << "(" << x << ", " << y << ")";
        EXPECT_LT(tag.Luma(x, y), 60) << "(" << x << ", " << y << ")";
      }
    }
    // The icon right of the number: bright ink within the next 8 columns.
    int bright = 0;
    for (int y = 0; y < tag.height; ++y)
      for (int x = end; x < std::min(end + 9, tag.width); ++x) bright += tag.Luma(x, y) > 100 ? 1 : 0;
    EXPECT_GE(bright, 8);
  }
  ExpectPaletteOnly(tag, "menu_tag.png");
}

TEST(MenuArt, ButtonsAreSixFramesWithPressedLooksLower) {
  const Image strip = Load("menu_buttons.png");
  ASSERT_TRUE(strip) << "menu_buttons.png";
  ASSERT_EQ(strip.width, 6 * 94);
  ASSERT_EQ(strip.height, 26);
  auto frameBytes = [&](int f) {
    std::vector<unsigned char> v;
    for (int y = 0; y < 26; ++y)
      for (int x = 0; x < 94; ++x) v.insert(v.end(), strip.At(f * 94 + x, y), strip.At(f * 94 + x, y) + 4);
    return v;
  };
  auto rowOpaque = [&](int f, int y) {
    int n = 0;
    for (int x = 0; x < 94; ++x) n += strip.Alpha(f * 94 + x, y) ? 1 : 0;
    return n;
  };
  for (int f = 0; f < 6; ++f) {
    SCOPED_TRACE(f);
    // The button fills its frame's width (the whole hit rectangle shows).
    EXPECT_GE(rowOpaque(f, 12), 94);
    const bool pressed = f >= 3;
    // Raised buttons stand on their lip to the bottom row; pressed ones
    // sit two rows lower and leave the top rows clear.
    EXPECT_EQ(rowOpaque(f, 0) > 0, !pressed);
    EXPECT_GT(rowOpaque(f, 25), 0);
  }
  // Each button has its own words, and its pressed look is another image.
  for (int a = 0; a < 6; ++a)
    for (int b = a + 1; b < 6; ++b) EXPECT_NE(frameBytes(a), frameBytes(b)) << a << " and " << b;
  ExpectPaletteOnly(strip, "menu_buttons.png");
}

TEST(MenuArt, FrameHoldsTheThumbnailAboveTheButtons) {
  const Image frame = Load("menu_frame.png");
  ASSERT_TRUE(frame) << "menu_frame.png";
  // About 56 x 40, centred at y 28: clear of the mode buttons' top at 50,
  // and wide enough for the level-20 iceberg face (40 wide).
  EXPECT_GE(frame.width, 44);
  EXPECT_LE(frame.width, 64);
  EXPECT_LE(28 + frame.height / 2, 50);
  EXPECT_GE(frame.height, 32);
  // The level number (game font, 5 x 9 glyphs, left edge 15 left of the
  // centre, top 6 below it) and the face's top at level 20 (19 above the
  // centre) fall inside the frame's opaque window.
  const int cx = frame.width / 2, cy = frame.height / 2;
  for (int y = cy + 6; y < cy + 15; ++y)
    for (int x = cx - 15; x < cx - 15 + 12; ++x) EXPECT_EQ(frame.Alpha(x, y), 255) << "(" << x << ", " << y << ")";
  EXPECT_EQ(frame.Alpha(cx, cy - 19), 255);
  ExpectPaletteOnly(frame, "menu_frame.png");
}

}  // namespace
