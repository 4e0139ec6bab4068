// Checks of the iceberg's images and the small pick-up images in the data
// folder beside this test, against the way the game draws them: faces with
// their top centre at (iso x, iso y - 24 + tier - band), the outline centred
// at (iso x, iso y - 8), both showing a texel while its mask red is below
// the tier's alpha 1 - (2 tier + 1) / 50.
#include <gtest/gtest.h>
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

namespace {

using art::DataDir;
using art::ExeDir;
using art::Image;
using art::Load;

constexpr int kTiers = 25;
const int kTierSize[kTiers] = {12, 12, 12, 12, 11, 11, 10, 10, 9, 9, 9, 8, 8,
                               8,  7,  6,  6,  6,  5,  5,  4,  3,  3, 3, 2};

int Band(int tier) {
  int b = 0;
  for (int th : {4, 8, 11, 15, 18, 21, 24}) b += tier >= th ? 1 : 0;
  return b;
}

double TierAlpha(int tier) { return std::max(0.0, 1.0 - (2.0 * tier + 1.0) / 50.0); }

// The red-mask rule with an infinite sharpness, on 8-bit texels.
bool Shows(const Image& mask, int x, int y, int tier) {
  return TierAlpha(tier) - mask.At(x, y)[0] / 255.0 > 0.0;
}

const char* const kFaceFiles[] = {"iceberg_t0.png", "iceberg_t1.png", "iceberg_t2.png",
                                  "iceberg_t3.png", "iceberg_t4.png", "iceberg_t5.png",
                                  "iceberg_t6.png", "iceberg_t7.png"};

TEST(IcebergArt, SizesAndGrid) {
  struct Case {
    const char* file;
    int max_w, max_h;
  };
  // Faces, mask and outline: one size; the crate and the cube are drawn
  // centred on unsnapped positions, so even; the tag has its handle at 0, 0.
  const Case cases[] = {
      {"iceberg_m.png", 48, 48},        {"icebergoutline_t.png", 48, 48},
      {"icebergoutline_m.png", 48, 48}, {"loot.png", 8, 8},
      {"icecube.png", 8, 8},            {"leveltag.png", 10, 8},
  };
  const Image face = Load("iceberg_t0.png");
  ASSERT_TRUE(face);
  EXPECT_EQ(face.width % 2, 0);
  EXPECT_EQ(face.height % 2, 0);
  EXPECT_GE(face.height, 34) << "the berg's front reaches about 8 rows below the waterline row 24";
  for (const char* f : kFaceFiles) {
    const Image img = Load(f);
    ASSERT_TRUE(img) << f;
    EXPECT_EQ(img.width, face.width) << f;
    EXPECT_EQ(img.height, face.height) << f;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Image img = Load(c.file);
    ASSERT_TRUE(img);
    EXPECT_LE(img.width, c.max_w);
    EXPECT_LE(img.height, c.max_h);
    if (std::string(c.file) != "leveltag.png") {
      EXPECT_EQ(img.width % 2, 0);
      EXPECT_EQ(img.height % 2, 0);
    }
    if (std::string(c.file).rfind("iceberg", 0) == 0) {
      EXPECT_EQ(img.width, face.width);
      EXPECT_EQ(img.height, face.height);
    }
  }
}

TEST(IcebergArt, MasksHoldOnlyTierSteps) {
  // A texel last shown at tier t < 24 holds the smallest byte not below the
  // alpha of tier t + 1; 0 shows at every tier, 255 never.
  std::set<int> allowed = {0, 255};
  for (int t = 1; t < kTiers; ++t) allowed.insert(static_cast<int>(std::ceil(255.0 * TierAlpha(t) - 1e-9)));
  ASSERT_EQ(allowed.size(), 26u);
  for (const char* file : {"iceberg_m.png", "icebergoutline_m.png"}) {
    SCOPED_TRACE(file);
    const Image m = Load(file);
    ASSERT_TRUE(m);
    std::set<int> used;
    for (int y = 0; y < m.height; ++y) {
      for (int x = 0; x < m.width; ++x) {
        const unsigned char* p = m.At(x, y);
        ASSERT_EQ(p[3], 255) << "(" << x << ", " << y << ") must be opaque";
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "(" << x << ", " << y << ")";
        ASSERT_TRUE(allowed.count(p[0])) << "(" << x << ", " << y << ") red " << int(p[0]);
        used.insert(p[0]);
      }
    }
    // Every tier takes its own step, the core shows at every tier.
    EXPECT_EQ(used, allowed);
  }
}

TEST(IcebergArt, FacesFillTheMaskAndDifferOnlyInTheFace) {
  const Image m = Load("iceberg_m.png");
  ASSERT_TRUE(m);
  std::vector<Image> faces;
  for (const char* f : kFaceFiles) faces.push_back(Load(f));
  // Ice and face colours only.
  namespace pal = assetgen::palette;
  const assetgen::Rgba colours[] = {pal::kInk,     pal::kIceWhite, pal::kIceLight, pal::kIceCyan,
                                    pal::kIceShade, pal::kIceDeep,  pal::kRed,      pal::kSeaLight,
                                    pal::kGold};
  for (std::size_t i = 0; i < faces.size(); ++i) {
    SCOPED_TRACE(kFaceFiles[i]);
    const Image& f = faces[i];
    ASSERT_TRUE(f);
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        const unsigned char* p = f.At(x, y);
        const bool berg = m.At(x, y)[0] != 255;
        // Opaque exactly where the mask can show it: no holes, nothing the
        // mask would never show.
        ASSERT_EQ(p[3], berg ? 255 : 0) << "(" << x << ", " << y << ")";
        if (!berg) continue;
        const assetgen::Rgba c{p[0], p[1], p[2], 255};
        ASSERT_NE(std::find(std::begin(colours), std::end(colours), c), std::end(colours))
            << "(" << x << ", " << y << ") is no palette colour";
      }
    }
    // The features differ from face to face, and all of them show down to
    // tier 18, the smallest living berg.
    for (std::size_t j = 0; j < i; ++j) {
      int differ = 0;
      for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
          if (!std::equal(f.At(x, y), f.At(x, y) + 4, faces[j].At(x, y))) {
            ++differ;
            EXPECT_TRUE(Shows(m, x, y, 18))
                << kFaceFiles[j] << " differs at (" << x << ", " << y << "), hidden at tier 18";
          }
        }
      }
      EXPECT_GT(differ, 0) << "same as " << kFaceFiles[j];
    }
  }
}

// What shows of an image on the screen at a tier, as screen offsets from
// (iso x, iso y) of the image's top-left.
struct Shown {
  std::set<std::pair<int, int>> pixels;  // (x, y) on the screen
};

Shown Place(const Image& img, const Image& mask, int tier, int left, int top) {
  Shown s;
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      if (img.Opaque(x, y) && Shows(mask, x, y, tier)) s.pixels.insert({left + x, top + y});
    }
  }
  return s;
}

TEST(IcebergArt, TiersShrinkAroundTheWaterlineWithAClosedRim) {
  const Image face = Load("iceberg_t0.png"), m = Load("iceberg_m.png");
  const Image outline = Load("icebergoutline_t.png"), om = Load("icebergoutline_m.png");
  ASSERT_TRUE(face && m && outline && om);
  for (int y = 0; y < outline.height; ++y) {
    for (int x = 0; x < outline.width; ++x) {
      ASSERT_EQ(outline.Opaque(x, y), om.At(x, y)[0] != 255) << "outline (" << x << ", " << y << ")";
    }
  }

  std::size_t previous_count = SIZE_MAX;
  Shown previous;
  for (int tier = 0; tier <= kTiers; ++tier) {
    SCOPED_TRACE("tier " + std::to_string(tier));
    const Shown f = Place(face, m, tier, -face.width / 2, -24 + tier - Band(tier));
    const Shown o = Place(outline, om, tier, -outline.width / 2, -8 - outline.height / 2);
    if (tier == kTiers) {
      EXPECT_TRUE(f.pixels.empty() && o.pixels.empty()) << "a melted berg shows nothing";
      break;
    }
    ASSERT_FALSE(f.pixels.empty());
    EXPECT_LT(f.pixels.size(), previous_count) << "each tier is smaller than the one before";
    previous_count = f.pixels.size();
    // On the screen too, each tier lies inside the one before: the berg
    // sinks and narrows around its waterline centre.
    for (const auto& p : f.pixels) EXPECT_TRUE(tier == 0 || previous.pixels.count(p));
    previous = f;

    int top = INT_MAX, bottom = INT_MIN, left = INT_MAX, right = INT_MIN;
    for (const auto& [x, y] : f.pixels) {
      top = std::min(top, y), bottom = std::max(bottom, y);
      left = std::min(left, x), right = std::max(right, x);
    }
    if (tier == 0) {
      EXPECT_EQ(top, -24) << "the tip is on the face's row 0";
    }
    // The front reaches the waterline ellipse of the tier's size.
    const double half_width = kTierSize[tier] * std::sqrt(2.0);
    EXPECT_GE(bottom, 0);
    EXPECT_LE(bottom, static_cast<int>(std::ceil(half_width / 2)));
    EXPECT_LE(right - left + 1, static_cast<int>(std::ceil(2 * half_width)));
    EXPECT_GE(right - left + 1, static_cast<int>(2 * half_width) - 2);
    EXPECT_LT(top, 0) << "something stands above the water";

    // The outline closes round the berg: every screen pixel beside the berg
    // above the waterline is outline, and outline never floats loose.
    for (const auto& [x, y] : f.pixels) {
      for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
        if (!f.pixels.count({nx, ny}) && ny < 0) {
          EXPECT_TRUE(o.pixels.count({nx, ny})) << "rim gap at (" << nx << ", " << ny << ")";
        }
      }
    }
    for (const auto& [x, y] : o.pixels) {
      if (y >= 0 || f.pixels.count({x, y})) continue;
      const bool touches = f.pixels.count({x - 1, y}) || f.pixels.count({x + 1, y}) ||
                           f.pixels.count({x, y - 1}) || f.pixels.count({x, y + 1});
      EXPECT_TRUE(touches) << "outline pixel (" << x << ", " << y << ") off the rim";
    }
  }
}

TEST(PickupArt, CentredOpaqueAndOnTheGrid) {
  for (const char* file : {"loot.png", "icecube.png"}) {
    SCOPED_TRACE(file);
    const Image img = Load(file);
    ASSERT_TRUE(img);
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
    for (int y = 0; y < img.height; ++y) {
      for (int x = 0; x < img.width; ++x) {
        const int a = img.At(x, y)[3];
        ASSERT_TRUE(a == 0 || a == 255) << "(" << x << ", " << y << ")";
        if (a == 0) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    ASSERT_LE(left, right);
    EXPECT_EQ(left, img.width - 1 - right) << "centred across";
    EXPECT_EQ(top, img.height - 1 - bottom) << "centred down";
  }
}

TEST(PickupArt, LevelTagCarriesEveryLevelInTheTinyFont) {
  // The game sets the level centred at (5, -1) of the tag, top-aligned, in
  // fonttiny.png (4x8 cells from the space on, advance 4).
  const Image tag = Load("leveltag.png"), font = Load("fonttiny.png");
  ASSERT_TRUE(tag && font);
  const int cw = font.width / 95;
  for (int level = 1; level <= 20; ++level) {
    const std::string text = std::to_string(level);
    const int x0 = 5 - cw * static_cast<int>(text.size()) / 2;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const int cell = text[i] - 32;
      for (int y = 0; y < font.height; ++y) {
        for (int x = 0; x < cw; ++x) {
          if (!font.Opaque(cell * cw + x, y)) continue;
          const int tx = x0 + cw * static_cast<int>(i) + x, ty = y - 1;
          ASSERT_TRUE(tx >= 0 && ty >= 0 && tx < tag.width && ty < tag.height)
              << "level " << level << " ink at (" << tx << ", " << ty << ") off the tag";
          const unsigned char* p = tag.At(tx, ty);
          // Light grey under the white digits, so the level colour tints it.
          EXPECT_EQ(p[3], 255) << "level " << level << " at (" << tx << ", " << ty << ")";
          EXPECT_GT(p[0] + p[1] + p[2], 3 * 160) << "level " << level;
          EXPECT_LT(std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}), 24);
        }
      }
    }
  }
}

TEST(IcebergArt, GeneratorReproducesTheseImagesByteForByte) {
  const fs::path generator = ExeDir() / "velmora_assetgen";
  const fs::path assets = fs::path(__FILE__).parent_path() / "../../tools/assets";
  if (!fs::exists(generator) || !fs::is_directory(assets)) {
    GTEST_SKIP() << "generator or asset sources not found";
  }
  TempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  const std::string cmd = "'" + generator.string() + "' '" + assets.string() + "' '" +
                          (fs::path(dir.Path()) / "out").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::vector<std::string> files(std::begin(kFaceFiles), std::end(kFaceFiles));
  for (const char* f : {"iceberg_m.png", "icebergoutline_t.png", "icebergoutline_m.png",
                        "leveltag.png", "loot.png", "icecube.png"}) {
    files.push_back(f);
  }
  for (const std::string& f : files) {
    const std::string fresh = test_ReadFile(fs::path(dir.Path()) / "out" / f);
    EXPECT_FALSE(fresh.empty()) << f;
    EXPECT_TRUE(fresh == test_ReadFile(DataDir() / f)) << f << " differs";
  }
}

}  // namespace
