// Checks of the generated ship strips and sea images in the data folder
// beside this test, against what the game's drawing needs of them.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/support/art.h"
#include "tools/assetgen_palette.h"

namespace fs = std::filesystem;
namespace palette = assetgen::palette;

namespace {

using art::ExeDir;
using art::Image;
using art::Load;

// ---------------------------------------------------------------------------
// Ships

struct ShipCase {
  const char* hull;
  const char* outline;
  int frame_width, frame_height;
  int steps;  // sinking steps of the kind
};

// Frame sizes follow the health bars drawn over them: 24 wide 12 above the
// centre for the small ships, 64 wide 24 above for the liner.
const ShipCase kShips[] = {
    {"ship01.png", "ship01outline.png", 24, 20, 9},
    {"ship02.png", "ship02outline.png", 64, 40, 17},
    {"ship03.png", "ship03outline.png", 24, 20, 9},
};

void PrintTo(const ShipCase& c, std::ostream* os) { *os << c.hull; }

class ShipStrip : public testing::TestWithParam<ShipCase> {
 protected:
  void SetUp() override {
    const ShipCase& c = GetParam();
    hull_ = Load(c.hull);
    outline_ = Load(c.outline);
    ASSERT_TRUE(hull_) << c.hull << ": " << stbi_failure_reason();
    ASSERT_TRUE(outline_) << c.outline << ": " << stbi_failure_reason();
    w_ = c.frame_width;
    h_ = c.frame_height;
  }

  // Lowest opaque row of a frame column of the hull, or -1.
  int Bottom(int frame, int x) const {
    for (int y = h_ - 1; y >= 0; --y) {
      if (hull_.Alpha(frame * w_ + x, y) > 0) return y;
    }
    return -1;
  }

  Image hull_, outline_;
  int w_ = 0, h_ = 0;
};

TEST_P(ShipStrip, IsNineEvenFramesWithAnOutlineOfTheSameLayout) {
  const ShipCase& c = GetParam();
  EXPECT_EQ(c.frame_width % 2, 0);
  EXPECT_EQ(c.frame_height % 2, 0);
  EXPECT_EQ(hull_.width, 9 * c.frame_width);
  EXPECT_EQ(hull_.height, c.frame_height);
  EXPECT_EQ(outline_.width, hull_.width);
  EXPECT_EQ(outline_.height, hull_.height);
  for (int k = 0; k < 9; ++k) {
    int hull_px = 0, outline_px = 0;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        hull_px += hull_.Alpha(k * w_ + x, y) > 0;
        outline_px += outline_.Alpha(k * w_ + x, y) > 0;
      }
    }
    EXPECT_GT(hull_px, w_ * h_ / 20) << "frame " << k;
    EXPECT_GT(outline_px, 8) << "frame " << k;
  }
}

TEST_P(ShipStrip, AlphaHoldsTheDissolveStepsAndTheHullSinksIntoTheWater) {
  const ShipCase& c = GetParam();
  std::set<int> allowed{0};
  for (int j = 1; j <= c.steps; ++j) allowed.insert(int(std::lround(255.0 * j / c.steps)));
  std::set<int> seen;
  for (int y = 0; y < hull_.height; ++y) {
    for (int x = 0; x < hull_.width; ++x) {
      const int a = hull_.Alpha(x, y);
      ASSERT_TRUE(allowed.count(a)) << "alpha " << a << " at (" << x << ", " << y << ")";
      seen.insert(a);
    }
  }
  EXPECT_EQ(seen.size(), allowed.size()) << "not every dissolve step is used";

  // The game keeps a texel while alpha > 1 - ship alpha, with ship alpha
  // 1 - (2s + 1) / (2 steps) after s steps, and draws the hull s pixels
  // lower. No kept texel may then lie below the column's afloat waterline,
  // and each step takes some texels away.
  for (int k = 0; k < 9; ++k) {
    int before = INT_MAX;
    for (int s = 1; s < c.steps; ++s) {
      const double threshold = (2.0 * s + 1) / (2.0 * c.steps);
      int kept = 0;
      for (int x = 0; x < w_; ++x) {
        const int bottom = Bottom(k, x);
        for (int y = 0; y < h_; ++y) {
          if (hull_.Alpha(k * w_ + x, y) / 255.0 <= threshold) continue;
          ++kept;
          EXPECT_LE(y + s, bottom) << "frame " << k << " step " << s << " column " << x;
        }
      }
      EXPECT_LT(kept, before) << "frame " << k << " step " << s;
      before = kept;
    }
  }
}

TEST_P(ShipStrip, OutlineIsADarkWaterlineRingHiddenUnderTheFloatingHull) {
  for (int k = 0; k < 9; ++k) {
    SCOPED_TRACE("frame " + std::to_string(k));
    int x0 = w_, x1 = -1, y0 = h_, y1 = -1;
    int columns = 0, at_waterline = 0;
    for (int x = 0; x < w_; ++x) {
      int lowest = -1;
      for (int y = 0; y < h_; ++y) {
        const unsigned char* p = outline_.At(k * w_ + x, y);
        if (p[3] == 0) continue;
        EXPECT_EQ(p[3], 255);
        EXPECT_LT(p[0] + p[1] + p[2], 3 * 60) << "(" << x << ", " << y << ") not dark";
        EXPECT_GT(hull_.Alpha(k * w_ + x, y), 0) << "(" << x << ", " << y << ") shows afloat";
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
        lowest = y;
      }
      const int bottom = Bottom(k, x);
      if (bottom >= 0) {
        ++columns;
        at_waterline += lowest == bottom;
      }
    }
    ASSERT_GE(x1, 0);
    // The ring runs along the hull's lowest pixels, where the sea meets it.
    EXPECT_GE(at_waterline * 10, columns * 8) << at_waterline << " of " << columns << " columns";
    // Bow up, side-on and bow down, the waterline's extent is centred on the
    // frame's centre, the handle of the drawing (the hulls reach as far fore
    // as aft of their middle; seen at a slant the square stern reaches
    // further sideways than the pointed bow).
    if (k % 4 == 0) {
      EXPECT_NEAR((x0 + x1 + 1) / 2.0, w_ / 2.0, 1.0);
      EXPECT_NEAR((y0 + y1 + 1) / 2.0, h_ / 2.0, 1.0);
    }
  }
}

TEST_P(ShipStrip, BowUpAndBowDownFramesAreSymmetric) {
  // The game mirrors frames for left-facing headings; frames 0 and 8 point
  // straight up and down, so a symmetric ship must look the same mirrored.
  for (const int k : {0, 8}) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_ / 2; ++x) {
        const unsigned char* l = hull_.At(k * w_ + x, y);
        const unsigned char* r = hull_.At(k * w_ + w_ - 1 - x, y);
        EXPECT_TRUE(std::equal(l, l + 4, r)) << "frame " << k << " (" << x << ", " << y << ")";
      }
    }
  }
  // Turning from up through right to down, the ship is widest side-on.
  auto span = [&](int k) {
    int lo = w_, hi = -1;
    for (int x = 0; x < w_; ++x) {
      if (Bottom(k, x) >= 0) lo = std::min(lo, x), hi = std::max(hi, x);
    }
    return hi - lo + 1;
  };
  for (int k = 0; k < 4; ++k) {
    EXPECT_LE(span(k), span(k + 1)) << "frame " << k;
    EXPECT_GE(span(k + 4), span(k + 5)) << "frame " << k + 4;
  }
  EXPECT_GT(span(4), 2 * span(0));
}

INSTANTIATE_TEST_SUITE_P(Ships, ShipStrip, testing::ValuesIn(kShips),
                         [](const testing::TestParamInfo<ShipCase>& info) {
                           std::string name = info.param.hull;
                           return name.substr(0, name.find('.'));
                         });

// ---------------------------------------------------------------------------
// Sea

struct TileCase {
  const char* file;
  bool translucent;  // the swell layers overlap; the ripples are opaque
};

void PrintTo(const TileCase& c, std::ostream* os) { *os << c.file; }

class WaveTile : public testing::TestWithParam<TileCase> {};

TEST_P(WaveTile, IsAGreyTileThatWrapsWithoutSeams) {
  const TileCase& c = GetParam();
  const Image img = Load(c.file);
  ASSERT_TRUE(img) << c.file << ": " << stbi_failure_reason();
  ASSERT_EQ(img.width, 128);
  ASSERT_EQ(img.height, 128);
  std::set<int> greys, alphas;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const unsigned char* p = img.At(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "(" << x << ", " << y << ") not grey";
      greys.insert(p[0]);
      alphas.insert(p[3]);
    }
  }
  EXPECT_GE(greys.size(), 3u);
  EXPECT_LE(greys.size(), 9u) << "a few crisp levels";
  EXPECT_LT(*greys.begin(), 100);
  EXPECT_GT(*greys.rbegin(), 155);
  if (c.translucent) {
    for (const int a : alphas) EXPECT_TRUE(a > 0 && a < 255) << "alpha " << a;
  } else {
    EXPECT_EQ(alphas, std::set<int>{255});
  }

  // Across the tile's edge (the last column to the first, the last row to
  // the first) the grey steps no further than between any two neighbours
  // inside: the waves run on across the repeat.
  int inside = 0, across = 0;
  for (int i = 0; i < 128; ++i) {
    for (int j = 0; j + 1 < 128; ++j) {
      inside = std::max(inside, std::abs(img.At(j, i)[0] - img.At(j + 1, i)[0]));
      inside = std::max(inside, std::abs(img.At(i, j)[0] - img.At(i, j + 1)[0]));
    }
    across = std::max(across, std::abs(img.At(127, i)[0] - img.At(0, i)[0]));
    across = std::max(across, std::abs(img.At(i, 127)[0] - img.At(i, 0)[0]));
  }
  EXPECT_GT(inside, 0);
  EXPECT_LE(across, inside);
}

INSTANTIATE_TEST_SUITE_P(Sea, WaveTile,
                         testing::Values(TileCase{"wavelf.png", true}, TileCase{"wavehf.png", false}),
                         [](const testing::TestParamInfo<TileCase>& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(WaveRadial, IsASoftWhiteHalfRingOfRadius244OnThePlusXSide) {
  const Image img = Load("waveradial.png");
  ASSERT_TRUE(img) << stbi_failure_reason();
  ASSERT_EQ(img.width, 512);
  ASSERT_EQ(img.height, 512);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) {
      const unsigned char* p = img.At(x, y);
      if (p[3] == 0) continue;
      ASSERT_GE(x, 256) << "(" << x << ", " << y << ") on the -x side";
      ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "(" << x << ", " << y << ")";
    }
  }
  // Along rays from -90 to +90 degrees: the brightest texel lies at radius
  // 244, the ring fades softly on both sides and nothing shows near the
  // centre or past the rim.
  for (int deg = -88; deg <= 88; deg += 8) {
    SCOPED_TRACE("angle " + std::to_string(deg));
    const double a = deg * 3.14159265358979323846 / 180;
    int peak_r = 0, peak = -1, soft = 0;
    for (int r = 0; r < 256; ++r) {
      const int x = int(256 + r * std::cos(a)), y = int(256 + r * std::sin(a));
      if (x < 0 || y < 0 || x >= 512 || y >= 512) break;
      const int alpha = img.Alpha(x, y);
      if (alpha > peak) {
        peak = alpha;
        peak_r = r;
      }
      soft += alpha > 0 && alpha < 255;
      if (r < 150) {
        EXPECT_EQ(alpha, 0) << "radius " << r;
      }
    }
    EXPECT_GE(peak, 250);
    EXPECT_NEAR(peak_r, 244, 2);
    EXPECT_GE(soft, 20);
  }
}

TEST(WaterGradient, RampsFromDeepThroughCalmAtHalfToFoam) {
  const Image img = Load("watergradient.png");
  ASSERT_TRUE(img) << stbi_failure_reason();
  ASSERT_EQ(img.height, 1);
  ASSERT_GE(img.width, 16);
  auto colour_at = [&](int grey) {  // the texel an unfiltered lookup of grey / 255 reads
    const unsigned char* p = img.At(std::min(grey * img.width / 255, img.width - 1), 0);
    return assetgen::Rgba{p[0], p[1], p[2], p[3]};
  };
  // The cleared target is 0.5, stored as 127 or 128: both read calm.
  EXPECT_EQ(colour_at(127), palette::kSeaCalm);
  EXPECT_EQ(colour_at(128), palette::kSeaCalm);
  EXPECT_EQ(colour_at(0), palette::kSeaDeep);
  EXPECT_EQ(colour_at(255), palette::kFoam);
  int last = -1;
  for (int x = 0; x < img.width; ++x) {
    const unsigned char* p = img.At(x, 0);
    EXPECT_EQ(p[3], 255);
    const int luma = 2 * p[0] + 5 * p[1] + p[2];
    EXPECT_GE(luma, last) << "texel " << x << " darker than the one before";
    last = luma;
  }
}

// ---------------------------------------------------------------------------
// The generator makes the same bytes again.

TEST(ArtGenerator, ReproducesTheShipAndSeaImagesByteForByte) {
  const fs::path generator = ExeDir() / "velmora_assetgen";
  const fs::path assets = fs::path(__FILE__).parent_path() / "../../tools/assets";
  if (!fs::exists(generator) || !fs::is_directory(assets)) {
    GTEST_SKIP() << "generator or asset sources not found";
  }
  TempDir dir;
  const std::string cmd = "'" + generator.string() + "' '" + assets.string() + "' '" +
                          dir.Join("out") + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  for (const char* file :
       {"ship01.png", "ship02.png", "ship03.png", "ship01outline.png", "ship02outline.png",
        "ship03outline.png", "wavelf.png", "wavehf.png", "waveradial.png", "watergradient.png"}) {
    const std::string fresh = test_ReadFile(dir.Join(std::string("out/") + file));
    EXPECT_FALSE(fresh.empty()) << file;
    EXPECT_TRUE(fresh == test_ReadFile(ExeDir() / "data" / file)) << file << " differs";
  }
}

}  // namespace
