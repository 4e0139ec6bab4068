// Checks of the generated splash images in the data folder beside this
// test, against what the splash's drawing needs of them.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <climits>
#include <filesystem>
#include <set>
#include <string>

#include "tests/tools/support/art.h"
#include "tools/assetgen_palette.h"

namespace fs = std::filesystem;
namespace pal = assetgen::palette;

namespace {

using art::Image;
using art::Load;

int Key(assetgen::Rgba c) { return c.r << 16 | c.g << 8 | c.b; }

const std::set<int>& Palette() {
  static const std::set<int> all = [] {
    std::set<int> s;
    for (const assetgen::Rgba& c : art::Palette()) s.insert(Key(c));
    return s;
  }();
  return all;
}

struct Census {
  int opaque = 0, clear = 0, partial = 0;
  std::set<int> colours;
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
};

Census Count(const Image& img) {
  Census c;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const int a = img.Alpha(x, y);
      if (a == 0) {
        ++c.clear;
        continue;
      }
      if (a != 255) ++c.partial;
      ++c.opaque;
      c.colours.insert(img.Rgb(x, y));
      c.top = std::min(c.top, y);
      c.bottom = std::max(c.bottom, y);
      c.left = std::min(c.left, x);
      c.right = std::max(c.right, x);
    }
  return c;
}

struct SizeCase {
  const char* file;
  int minW, maxW, minH, maxH;
};

// Sizes from the splash layout at 240 x 135.
const SizeCase kSizes[] = {
    {"splash_bg.png", 240, 480, 135, 360},     {"splash_ship.png", 180, 220, 80, 100},
    {"splash_title.png", 150, 180, 40, 56},    {"splash_credits.png", 100, 180, 10, 40},
    {"splash_glitch.png", 480, 480, 270, 270}, {"splash_iceberg.png", 28, 36, 20, 28},
};

TEST(ArtSplash, SizesHardEdgesAndThePalette) {
  for (const SizeCase& s : kSizes) {
    SCOPED_TRACE(s.file);
    const Image img = Load(s.file);
    ASSERT_TRUE(img) << stbi_failure_reason();
    EXPECT_GE(img.width, s.minW);
    EXPECT_LE(img.width, s.maxW);
    EXPECT_GE(img.height, s.minH);
    EXPECT_LE(img.height, s.maxH);
    const Census c = Count(img);
    EXPECT_EQ(c.partial, 0) << "pixel art: opaque or clear";
    for (int rgb : c.colours) EXPECT_TRUE(Palette().count(rgb)) << std::hex << rgb;
  }
}

TEST(ArtSplash, BackgroundCoversTheScreenDarkAboveTheHorizon) {
  const Image bg = Load("splash_bg.png");
  ASSERT_TRUE(bg);
  EXPECT_EQ(Count(bg).clear, 0);
  // Where the title opens (screen rows 2 to 52) the sky stays dark, so the
  // ice lettering stands out; the centre 240 x 135 is the screen.
  const int x0 = bg.width / 2 - 120, y0 = bg.height / 2 - 67;
  int light = 0, all = 0;
  for (int y = y0 + 2; y < y0 + 52; ++y)
    for (int x = x0 + 30; x < x0 + 210; ++x) {
      const unsigned char* p = bg.At(x, y);
      light += p[0] + p[1] + p[2] > 3 * 150;
      ++all;
    }
  EXPECT_LT(light * 50, all);
}

TEST(ArtSplash, ShipIsTheLinersBowReachingTheTop) {
  const Image ship = Load("splash_ship.png");
  ASSERT_TRUE(ship);
  const Census c = Count(ship);
  EXPECT_LE(c.top, 3) << "the handle is the top centre: the bow reaches the top";
  for (assetgen::Rgba liner : {pal::kHullWhite, pal::kHullRed, pal::kHullNavy, pal::kWindow, pal::kInk})
    EXPECT_TRUE(c.colours.count(Key(liner))) << Key(liner);
  // The hull fills the lower part across, with clear sky above the bow's
  // sheer on the left.
  EXPECT_GT(c.opaque, ship.width * ship.height / 3);
  EXPECT_EQ(ship.Alpha(ship.width - 1, 0) + ship.Alpha(0, ship.height / 4), 0);
}

TEST(ArtSplash, TitleIsIceLetteringFillingTheRevealBand) {
  const Image title = Load("splash_title.png");
  ASSERT_TRUE(title);
  const Census c = Count(title);
  EXPECT_GE(c.right - c.left + 1, 160);
  const std::set<int> allowed = {Key(pal::kIceWhite), Key(pal::kIceLight), Key(pal::kIceCyan), Key(pal::kIceShade),
                                 Key(pal::kIceDeep),  Key(pal::kInk),      Key(pal::kSeaDeep)};
  EXPECT_EQ(c.colours, allowed);
  // Seven letters: seven runs of columns with ice in the cap's middle row.
  const int row = c.top + 16;
  int runs = 0;
  bool in = false;
  for (int x = 0; x < title.width; ++x) {
    const bool ice = title.Alpha(x, row) && title.Rgb(x, row) != Key(pal::kInk) && title.Rgb(x, row) != Key(pal::kSeaDeep);
    runs += ice && !in;
    in = ice;
  }
  EXPECT_GE(runs, 7);  // M and the counters of O and R split some letters
}

TEST(ArtSplash, GlitchIsBoldBrightStreaksWithGaps) {
  const Image g = Load("splash_glitch.png");
  ASSERT_TRUE(g);
  const Census c = Count(g);
  const int all = g.width * g.height;
  EXPECT_GT(c.clear * 5, all);        // gaps: more than a fifth clear
  EXPECT_GT(c.opaque * 5, all * 2);   // and more than two fifths colour
  EXPECT_GE(c.colours.size(), 6u);
  int bright = 0, runs = 0, lonely = 0;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      if (!g.Alpha(x, y)) continue;
      const unsigned char* p = g.At(x, y);
      bright += std::max({p[0], p[1], p[2]}) >= 180;
      const bool left = x > 0 && g.Alpha(x - 1, y) && g.Rgb(x - 1, y) == g.Rgb(x, y);
      const bool right = x + 1 < g.width && g.Alpha(x + 1, y) && g.Rgb(x + 1, y) == g.Rgb(x, y);
      runs += left || right;
      lonely += !left && !right;
    }
  EXPECT_GT(bright * 10, c.opaque * 9);  // a tint keeping one channel still shows
  EXPECT_GT(runs * 10, c.opaque * 9);    // streaks, not single-pixel noise
  EXPECT_LT(lonely * 50, c.opaque);
}

TEST(ArtSplash, IcebergSitsInTheUpperPartWithTheBergsFace) {
  const Image berg = Load("splash_iceberg.png");
  ASSERT_TRUE(berg);
  const Census c = Count(berg);
  EXPECT_LE(c.bottom, 16) << "the lower rows stay clear under the text line";
  EXPECT_GE(c.bottom - c.top, 10);
  EXPECT_NEAR((c.left + c.right + 1) / 2.0, berg.width / 2.0, 1.0);
  for (assetgen::Rgba ice : {pal::kIceWhite, pal::kIceLight, pal::kInk}) EXPECT_TRUE(c.colours.count(Key(ice)));
}

TEST(ArtSplash, CreditsTextInTheGameFontsFitsTheBand) {
  const Image credits = Load("splash_credits.png");
  ASSERT_TRUE(credits);
  const Census c = Count(credits);
  EXPECT_LE(c.right - c.left + 1, 180);
  EXPECT_TRUE(c.colours.count(Key(pal::kIceWhite)));
  EXPECT_TRUE(c.colours.count(Key(pal::kInk)));
}

}  // namespace
