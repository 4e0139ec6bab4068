// Checks of the HUD's images in the data folder beside this test against
// the way the play screen draws them at 240x135: strips cut into equal
// frames centred on whole pixels, a key's base frame at its position and
// its face one pixel higher (or the face alone while held), the counts and
// prices set over the faces by the game, the tags at (-40, 0) and
// (w - 40, 0), and the balloon stretched as a nine-slice with a tail.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/support/art.h"
#include "tools/assetgen_palette.h"

namespace fs = std::filesystem;

namespace {

using art::Frame;
using art::Image;
using art::Load;

using Colour = art::Pixel;

int Luma(Colour c) { return (299 * std::get<0>(c) + 587 * std::get<1>(c) + 114 * std::get<2>(c)) / 1000; }

const char* const kStrips[] = {"hud_items.png", "hud_buttons.png", "hud_pausebuttons.png",
                               "hud_youdiedbuttons.png"};
const char* const kIcons[] = {"icn_heal.png", "icn_bigheal.png", "icn_invulnerability.png",
                              "icn_revive.png"};

TEST(HudArt, SizesFramesAndPalette) {
  struct Case {
    const char* file;
    int frames, frame_w, frame_h;
  };
  // Frame sizes follow the hit areas: items 36 wide from y 117 to the
  // screen's bottom, buttons [ax - 12, ax + 12) x [ay - 6, ...), rows
  // [cx - 40, cx + 40) x 13 rows.
  const Case cases[] = {
      {"hud_items.png", 9, 36, 18},         {"hud_buttons.png", 4, 24, 12},
      {"hud_pausebuttons.png", 4, 80, 13},  {"hud_youdiedbuttons.png", 6, 80, 13},
      {"hud_tags.png", 1, 80, 10},          {"hud_balloon.png", 1, 32, 32},
  };
  namespace pal = assetgen::palette;
  const std::set<Colour>& palette = art::OpaquePalette();
  auto check_pixels = [&](const Image& img) {
    for (int y = 0; y < img.height; ++y) {
      for (int x = 0; x < img.width; ++x) {
        const Colour c = img.Get(x, y);
        if (std::get<3>(c) == 0) continue;
        ASSERT_TRUE(palette.count(c)) << "(" << x << ", " << y << ") is no opaque palette colour";
      }
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Image img = Load(c.file);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.width, c.frames * c.frame_w);
    EXPECT_EQ(img.height, c.frame_h);
    check_pixels(img);
    // Every frame shows something, and no two frames look the same.
    std::set<std::vector<unsigned char>> seen;
    for (int i = 0; i < c.frames; ++i) {
      const Image f = Frame(img, c.frames, i);
      int opaque = 0;
      for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) opaque += f.Opaque(x, y) ? 1 : 0;
      }
      EXPECT_GT(opaque, 0) << "frame " << i;
      EXPECT_TRUE(seen.insert(f.px).second) << "frame " << i << " repeats another";
    }
  }
  for (const char* file : kIcons) {
    SCOPED_TRACE(file);
    const Image img = Load(file);
    ASSERT_TRUE(img);
    EXPECT_GE(std::min(img.width, img.height), 8);
    EXPECT_LE(std::max(img.width, img.height), 12);
    check_pixels(img);
    // A closed ink rim keeps a floating icon apart from the ice and the sea:
    // every opaque pixel on the icon's outside edge is ink.
    for (int y = 0; y < img.height; ++y) {
      for (int x = 0; x < img.width; ++x) {
        if (!img.Opaque(x, y)) continue;
        const bool edge = x == 0 || y == 0 || x == img.width - 1 || y == img.height - 1 ||
                          !img.Opaque(x - 1, y) || !img.Opaque(x + 1, y) ||
                          !img.Opaque(x, y - 1) || !img.Opaque(x, y + 1);
        if (edge) {
          EXPECT_EQ(img.Get(x, y), Colour(pal::kInk.r, pal::kInk.g, pal::kInk.b, 255))
              << "(" << x << ", " << y << ")";
        }
      }
    }
  }
}

// Opaque pixels as a set of (x, y).
std::set<std::pair<int, int>> Silhouette(const Image& f, int dy = 0) {
  std::set<std::pair<int, int>> s;
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      if (f.Opaque(x, y)) s.insert({x, y + dy});
    }
  }
  return s;
}

TEST(HudArt, KeyFacesRestOnTheirBase) {
  struct Case {
    const char* file;
    int frames, base;
    std::vector<int> faces;  // drawn raised over the base, or alone when held
    std::vector<int> flat;   // drawn alone: the empty and disabled looks
  };
  const Case cases[] = {
      {"hud_items.png", 9, 8, {4, 5, 6, 7}, {0, 1, 2, 3}},
      {"hud_buttons.png", 4, 3, {0, 1, 2}, {}},
      {"hud_pausebuttons.png", 4, 3, {0, 1, 2}, {}},
      {"hud_youdiedbuttons.png", 6, 5, {2, 3, 4}, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Image strip = Load(c.file);
    ASSERT_TRUE(strip);
    const auto base = Silhouette(Frame(strip, c.frames, c.base));
    for (int i : c.faces) {
      SCOPED_TRACE("face frame " + std::to_string(i));
      const Image face = Frame(strip, c.frames, i);
      // The base is the face's footprint and the same one row lower: raised,
      // the face leaves a lip of two rows of the base under it and nothing
      // of it at the sides or the top.
      auto both = Silhouette(face);
      for (const auto& p : Silhouette(face, 1)) both.insert(p);
      EXPECT_EQ(base, both);
      // The face has a solid body: its middle column runs from the top row
      // down to the second to last row.
      for (int y = 0; y < face.height - 1; ++y) EXPECT_TRUE(face.Opaque(face.width / 2, y)) << y;
      EXPECT_FALSE(face.Opaque(face.width / 2, face.height - 1));
    }
    for (int i : c.flat) {
      // Drawn alone at the key's position, it takes the resting key's place.
      EXPECT_EQ(Silhouette(Frame(strip, c.frames, i)), base) << "flat frame " << i;
    }
  }
}

// The box where the game sets its own text over a frame: one dark colour,
// so that white (and, on a disabled row, the grey 0.35) text reads on it.
TEST(HudArt, RoomForTheGameText) {
  struct Case {
    const char* file;
    int frames;
    std::vector<int> which;
    int x0, y0, x1, y1;  // [x0, x1) x [y0, y1) in frame pixels
    const char* what;
  };
  const Case cases[] = {
      // Centre (18, 9); face at (x, y - 1), so its top is y - 10; the count
      // right-aligned at x + 14 from top y - 4: columns up to 32, the tiny
      // font's 8-row cells from row 6; three digits.
      {"hud_items.png", 9, {4, 5, 6, 7}, 20, 6, 32, 14, "the count"},
      // Centre (40, 6); face top y - 7 (raised) or frame top y - 6 (the
      // disabled look); "6000" right-aligned at cx + 26 from y - 5 or y - 4:
      // columns 50 to 65 from row 2.
      {"hud_youdiedbuttons.png", 6, {1, 3}, 50, 2, 66, 10, "the price"},
      // At (w - 40, 0): the coins right-aligned at w - 1 from row 1, up to
      // seven digits, columns 11 to 38 of the left half.
      {"hud_tags.png", 1, {0}, 11, 1, 39, 9, "the coins"},
      // At (-40, 0): the level in the game font, outlined, centred at 30:
      // two digits with their outline on screen columns 23 to 36.
      {"hud_tags.png", 1, {0}, 63, 0, 77, 9, "the level"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ", " + c.what);
    const Image strip = Load(c.file);
    ASSERT_TRUE(strip);
    for (int i : c.which) {
      const Image f = Frame(strip, c.frames, i);
      const Colour fill = f.Get(c.x0, c.y0);
      EXPECT_EQ(std::get<3>(fill), 255) << "frame " << i;
      EXPECT_LT(Luma(fill), 80) << "frame " << i;
      EXPECT_GT(std::abs(Luma(fill) - 89), 30) << "frame " << i << ": the grey price would vanish";
      for (int y = c.y0; y < c.y1; ++y) {
        for (int x = c.x0; x < c.x1; ++x) {
          ASSERT_EQ(f.Get(x, y), fill) << "frame " << i << " (" << x << ", " << y << ")";
        }
      }
    }
  }
}

TEST(HudArt, TagsCoverTheBarEnds) {
  const Image tags = Load("hud_tags.png");
  ASSERT_TRUE(tags);
  // The bars and the two lines fill rows 0 to 8 from x 40 to w - 40 and the
  // lines run under the tags: the left tag shows columns 40 to 79 on screen
  // columns 0 to 39, the right one columns 0 to 39 from w - 40.
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < tags.width; ++x) ASSERT_TRUE(tags.Opaque(x, y)) << "(" << x << ", " << y << ")";
  }
}

// Points 0 to 15 of the balloon mesh take u, v in (1, 5, 13, 17) / 32, the
// tail points 16 to 21 (18 | 24, 1 | 5 | 8) / 32.
TEST(HudArt, BalloonSlices) {
  const Image b = Load("hud_balloon.png");
  ASSERT_TRUE(b);
  auto in_body = [](int x, int y) { return x >= 1 && x < 17 && y >= 1 && y < 17; };
  auto in_tail = [](int x, int y) { return x >= 18 && x < 24 && y >= 1 && y < 8; };
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      if (!in_body(x, y) && !in_tail(x, y)) {
        ASSERT_FALSE(b.Opaque(x, y)) << "(" << x << ", " << y << ") outside the slices";
      }
    }
  }
  // The stretched middles repeat one column (rows) and one row (columns).
  for (int y = 1; y < 17; ++y) {
    for (int x = 5; x < 13; ++x) ASSERT_EQ(b.Get(x, y), b.Get(5, y)) << "(" << x << ", " << y << ")";
  }
  for (int x = 1; x < 17; ++x) {
    for (int y = 5; y < 13; ++y) ASSERT_EQ(b.Get(x, y), b.Get(x, 5)) << "(" << x << ", " << y << ")";
  }
  for (int x = 18; x < 24; ++x) {
    for (int y = 1; y < 5; ++y) ASSERT_EQ(b.Get(x, y), b.Get(x, 1)) << "(" << x << ", " << y << ")";
  }
  // Dark inside under the text colour (0.8, 0.8, 1.0), a light rim on
  // every side.
  const Colour fill = b.Get(8, 8);
  ASSERT_EQ(std::get<3>(fill), 255);
  EXPECT_LT(Luma(fill), 70);
  EXPECT_GT(Luma({204, 204, 255, 255}) - Luma(fill), 120);
  for (auto [x, y] : {std::pair{8, 1}, {8, 16}, {1, 8}, {16, 8}}) {
    EXPECT_EQ(std::get<3>(b.Get(x, y)), 255) << x << ", " << y;
    EXPECT_GT(Luma(b.Get(x, y)), Luma(fill) + 100) << x << ", " << y;
  }
  // The tail's top row lies over the body's bottom rim: its inside is the
  // body's fill, which opens the rim where the tail leaves. Its sides are
  // rim, and the tip narrows to a point.
  EXPECT_EQ(b.Get(18, 1), b.Get(8, 16));
  EXPECT_EQ(b.Get(23, 1), b.Get(8, 16));
  for (int x = 19; x < 23; ++x) EXPECT_EQ(b.Get(x, 1), fill) << x;
  int previous = 6;
  for (int y = 5; y < 8; ++y) {
    int opaque = 0;
    for (int x = 18; x < 24; ++x) opaque += b.Opaque(x, y) ? 1 : 0;
    EXPECT_LE(opaque, previous) << "tail row " << y;
    previous = opaque;
  }
  EXPECT_GT(previous, 0);
  EXPECT_LE(previous, 2);
}

// Whether the text's ink from a grid font image (one row of cells from the
// space on) sits somewhere in the frame in one colour, with no pixel of
// that colour elsewhere in the text's box.
bool HasWord(const Image& f, const Image& font, int cell_w, const std::string& word) {
  std::vector<std::pair<int, int>> ink;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const int cell = word[i] - 32;
    for (int y = 0; y < font.height; ++y) {
      for (int x = 0; x < cell_w; ++x) {
        if (font.Opaque(cell * cell_w + x, y)) ink.push_back({static_cast<int>(i) * cell_w + x, y});
      }
    }
  }
  int w = 0, h = 0, top = font.height;
  for (auto [x, y] : ink) {
    w = std::max(w, x + 1);
    h = std::max(h, y + 1);
    top = std::min(top, y);
  }
  for (int oy = -top; oy + h <= f.height; ++oy) {
    for (int ox = 0; ox + w <= f.width; ++ox) {
      const Colour c = f.Get(ox + ink[0].first, oy + ink[0].second);
      if (std::get<3>(c) == 0) continue;
      std::set<std::pair<int, int>> at;
      bool same = true;
      for (auto [x, y] : ink) {
        same = same && f.Get(ox + x, oy + y) == c;
        at.insert({x, y});
      }
      for (int y = top; same && y < h; ++y) {
        for (int x = 0; same && x < w; ++x) {
          if (!at.count({x, y}) && f.Get(ox + x, oy + y) == c) same = false;
        }
      }
      if (same) return true;
    }
  }
  return false;
}

TEST(HudArt, WordsInTheGameFontsAndIconsAsOnTheItemBar) {
  const Image regular = Load("font.png"), tiny = Load("fonttiny.png");
  ASSERT_TRUE(regular);
  ASSERT_TRUE(tiny);
  struct Word {
    const char* file;
    int frames, frame;
    const char* word;
    bool in_tiny;
  };
  const Word words[] = {
      {"hud_pausebuttons.png", 4, 0, "shop", false},    {"hud_pausebuttons.png", 4, 1, "resume", false},
      {"hud_pausebuttons.png", 4, 2, "menu", false},    {"hud_youdiedbuttons.png", 6, 0, "revive", false},
      {"hud_youdiedbuttons.png", 6, 1, "buy", false},   {"hud_youdiedbuttons.png", 6, 2, "revive", false},
      {"hud_youdiedbuttons.png", 6, 3, "buy", false},   {"hud_youdiedbuttons.png", 6, 4, "menu", false},
      {"hud_tags.png", 1, 0, "LV", true},
  };
  for (const Word& w : words) {
    const Image strip = Load(w.file);
    ASSERT_TRUE(strip) << w.file;
    EXPECT_TRUE(HasWord(Frame(strip, w.frames, w.frame), w.in_tiny ? tiny : regular,
                        w.in_tiny ? 4 : 6, w.word))
        << w.file << " frame " << w.frame << " lacks \"" << w.word << "\"";
  }

  // Each icon is the face of its item key as it is; the empty key shows
  // the same icon in grey within its ink rim.
  const Image items = Load("hud_items.png");
  const Image youdied = Load("hud_youdiedbuttons.png");
  ASSERT_TRUE(items);
  ASSERT_TRUE(youdied);
  namespace pal = assetgen::palette;
  const Colour ink{pal::kInk.r, pal::kInk.g, pal::kInk.b, 255};
  const Colour grey{pal::kUiGrey.r, pal::kUiGrey.g, pal::kUiGrey.b, 255};
  auto find = [&](const Image& f, const Image& icon, bool greyed) {
    for (int oy = 0; oy + icon.height <= f.height; ++oy) {
      for (int ox = 0; ox + icon.width <= f.width; ++ox) {
        bool match = true;
        for (int y = 0; match && y < icon.height; ++y) {
          for (int x = 0; match && x < icon.width; ++x) {
            if (!icon.Opaque(x, y)) continue;
            const Colour want = greyed && icon.Get(x, y) != ink ? grey : icon.Get(x, y);
            match = f.Get(ox + x, oy + y) == want;
          }
        }
        if (match) return true;
      }
    }
    return false;
  };
  for (int i = 0; i < 4; ++i) {
    const Image icon = Load(kIcons[i]);
    ASSERT_TRUE(icon) << kIcons[i];
    EXPECT_TRUE(find(Frame(items, 9, i + 4), icon, false)) << kIcons[i] << " on its key";
    EXPECT_TRUE(find(Frame(items, 9, i), icon, true)) << kIcons[i] << " greyed on the empty key";
  }
  const Image revive = Load("icn_revive.png");
  EXPECT_TRUE(find(Frame(youdied, 6, 2), revive, false));
  EXPECT_TRUE(find(Frame(youdied, 6, 3), revive, false));
  EXPECT_TRUE(find(Frame(youdied, 6, 0), revive, true));
}

}  // namespace
