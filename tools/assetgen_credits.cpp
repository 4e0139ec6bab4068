// The two logos of the credits roll: the game's own marks.
//
// - credits_qm.png: the iceberg's badge, a round window on the night sea
//   with the berg and its smile in it, beside the word "ICEBERG" and the
//   line "SINKS ONE LINER".
// - credits_zv.png: the liner in profile, bow to the right, on a strip of
//   sea, beside the word "VELMORA" and the line "CRUISE LINE".
//
// How the game draws them: centred (handle on a whole pixel) at the screen
// centre in the 48 rows below a credits line, on black; each is at most
// 240 x 40. The shapes are filled here from a few straight edges, then get
// a one-pixel ink rim (every clear pixel beside a filled one); the words
// are the game's own glyphs (tools/assets/fonts/), the big one at twice the
// size, light over a darker lower half. Widths are even so that the
// centred handle lands on a whole pixel.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/assetgen.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr int kHeight = 40;

// Text in a glyph grid's design: `scale` canvas pixels per glyph cell,
// one empty column between glyphs. Ink rows at or below `split` (glyph
// rows) take the second colour.
struct Lettering {
  GlyphGrid grid;

  int Width(const std::string& text, int scale) const {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * (grid.width + 1) - 1) * scale;
  }

  void Draw(Canvas& c, const std::string& text, int x, int y, int scale, Rgba top, Rgba bottom,
            int split) const {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const int code = static_cast<unsigned char>(text[i]);
      if (code < grid.first || code > grid.last) throw AssetError("no glyph for '" + text.substr(i, 1) + "'");
      const std::vector<bool>& ink = grid.ink[static_cast<std::size_t>(code - grid.first)];
      const int gx = x + static_cast<int>(i) * (grid.width + 1) * scale;
      for (int row = 0; row < grid.height; ++row) {
        for (int col = 0; col < grid.width; ++col) {
          if (!ink[static_cast<std::size_t>(row * grid.width + col)]) continue;
          c.Fill(gx + col * scale, y + row * scale, scale, scale, row >= split ? bottom : top);
        }
      }
    }
  }
};

Lettering LoadLettering(const AssetSources& s, const char* file) {
  return Lettering{ParseGlyphGrid(file, s.ReadText(file))};
}

// Ink around everything filled: each clear pixel with a filled neighbour
// to its left, right, top or bottom.
void InkRim(Canvas& c) {
  const Canvas before = c;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      if (before.Get(x, y).a != 0) continue;
      const bool beside = (x > 0 && before.Get(x - 1, y).a != 0) ||
                          (x + 1 < c.width() && before.Get(x + 1, y).a != 0) ||
                          (y > 0 && before.Get(x, y - 1).a != 0) ||
                          (y + 1 < c.height() && before.Get(x, y + 1).a != 0);
      if (beside) c.Set(x, y, pal::kInk);
    }
  }
}

// x of the straight edge from (x0, y0) to (x1, y1) at row y (y0 != y1).
double EdgeX(double x0, double y0, double x1, double y1, double y) {
  return x0 + (x1 - x0) * (y - y0) / (y1 - y0);
}

// The words of a logo: the big word at twice the glyph size with the small
// line under it, as one block vertically centred, from column x.
void DrawWords(Canvas& c, const AssetSources& s, int x, const std::string& word, Rgba light, Rgba dark,
               const std::string& line, Rgba lineColour) {
  const Lettering big = LoadLettering(s, "fonts/regular.txt");
  const Lettering small = LoadLettering(s, "fonts/tiny.txt");
  // Capitals fill glyph rows 1 to 7 of the big design and 1 to 5 of the
  // small one: 14 + 3 + 5 rows of ink.
  const int top = (kHeight - (14 + 3 + 5)) / 2;
  const int bigY = top - 2;
  big.Draw(c, word, x, bigY, 2, light, dark, 5);
  const int lineX = x + (big.Width(word, 2) - small.Width(line, 1)) / 2;
  small.Draw(c, line, lineX, top + 14 + 3 - 1, 1, lineColour, lineColour, 99);
}

// The iceberg's badge, 40 x 40: a disc of night sky over the sea, an ice
// rim, the berg standing on the waterline with its face.
void DrawBadge(Canvas& c, int ox) {
  const double cx = ox + 20.0, cy = 20.0;
  const int waterline = 27;
  for (int y = 1; y < kHeight - 1; ++y) {
    for (int x = ox + 1; x < ox + 39; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d > 18.5) continue;
      Rgba colour = y < waterline ? pal::kHullNavy : pal::kSeaCalm;
      if (y == waterline + 3 && (x / 3) % 2 == 0) colour = pal::kSeaLight;
      if (y > waterline + 5) colour = pal::kSeaDark;
      if (d > 16.5) colour = pal::kIceShade;
      c.Set(x, y, colour);
    }
  }
  // A few stars.
  for (const auto& [sx, sy] : {std::pair{9, 9}, std::pair{29, 7}, std::pair{31, 17}, std::pair{7, 19}}) {
    c.Set(ox + sx, sy, pal::kIceLight);
  }

  // The berg: below a crown of straight edges down to the waterline,
  // faceted by three edges falling from its peaks; lit from the left.
  struct P {
    double x, y;
  };
  const std::vector<P> crown = {{6, 27}, {10, 17}, {13, 14}, {17, 6},  {20, 12},
                                {22, 13}, {26, 9},  {29, 16}, {33, 27}};
  const P facets[3][2] = {{{17, 6}, {14, 27}}, {{22, 13}, {22, 27}}, {{26, 9}, {28, 27}}};
  const Rgba shades[4] = {pal::kIceWhite, pal::kIceLight, pal::kIceCyan, pal::kIceShade};
  for (int y = 6; y <= waterline; ++y) {
    for (int x = 6; x <= 33; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      bool inside = false;
      for (std::size_t i = 0; i + 1 < crown.size(); ++i) {
        const P a = crown[i], b = crown[i + 1];
        if (px < a.x || px >= b.x) continue;
        inside = py >= a.y + (b.y - a.y) * (px - a.x) / (b.x - a.x);
      }
      if (!inside) continue;
      int facet = 0;
      for (const auto& f : facets) facet += px > EdgeX(f[0].x, f[0].y, f[1].x, f[1].y, py) ? 1 : 0;
      Rgba colour = shades[facet];
      if (y >= waterline - 1) colour = pal::kIceDeep;
      c.Set(ox + x, y, colour);
    }
  }
  // Foam where the berg meets the sea.
  for (int x = 5; x <= 34; ++x) c.Set(ox + x, waterline, pal::kFoam);
  // The face: two eyes and a smile, as the player's berg wears it.
  for (int y = 16; y <= 17; ++y) {
    c.Set(ox + 16, y, pal::kInk);
    c.Set(ox + 22, y, pal::kInk);
  }
  c.Set(ox + 16, 20, pal::kInk);
  c.Set(ox + 22, 20, pal::kInk);
  for (int x = 17; x <= 21; ++x) c.Set(ox + x, 21, pal::kInk);
}

Canvas DrawQM(const AssetSources& s) {
  Canvas c(130, kHeight);
  DrawWords(c, s, 46, "ICEBERG", pal::kIceWhite, pal::kIceCyan, "SINKS ONE LINER", pal::kIceShade);
  InkRim(c);
  // The badge brings its own ink ring.
  DrawBadge(c, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < 40; ++x) {
      const double d = std::hypot(x + 0.5 - 20.0, y + 0.5 - 20.0);
      if (d > 18.4 && d <= 19.6 && c.Get(x, y).a == 0) c.Set(x, y, pal::kInk);
    }
  }
  return c;
}

// The liner in profile, 100 x 40, bow to the right: a black hull with its
// red boot-top, a white upper hull with a row of portholes, two decks of
// windows, the bridge, two raked red funnels with navy caps, a mast, on a
// strip of sea with a bow wave.
void DrawLiner(Canvas& c) {
  const int waterline = 31;
  // Hull: deck line at row 18, stern at the left, raked bow at the right.
  for (int y = 18; y <= waterline; ++y) {
    const int left = static_cast<int>(std::lround(EdgeX(3, 18, 8, waterline, y)));
    const int right = static_cast<int>(std::lround(EdgeX(96, 18, 86, waterline, y)));
    for (int x = left; x <= right; ++x) {
      Rgba colour = pal::kHullWhite;
      if (y >= 25) colour = pal::kHullNavy;
      if (y >= 29) colour = pal::kHullRed;
      if (y == 21 && x > left + 2 && x < right - 4 && x % 3 == 0) colour = pal::kWindow;
      if (y == 24) colour = pal::kHullShade;
      c.Set(x, y, colour);
    }
  }
  // Decks: each a white band with a window row, set back from the one below.
  struct Deck {
    int top, bottom, left, right;
  };
  const Deck decks[] = {{13, 17, 14, 80}, {9, 12, 22, 72}, {6, 8, 62, 72}};
  for (const Deck& d : decks) {
    c.Fill(d.left, d.top, d.right - d.left + 1, d.bottom - d.top + 1, pal::kHullWhite);
    const int row = d.top + (d.bottom - d.top) / 2;
    for (int x = d.left + 2; x <= d.right - 2; ++x) {
      if (x % 2 == 0) c.Set(x, row, pal::kWindow);
    }
    c.Fill(d.left, d.bottom, d.right - d.left + 1, 1, pal::kHullShade);
  }
  // The bridge's wide front window.
  c.Fill(66, 7, 6, 1, pal::kWindow);
  // Funnels, raked aft: red with a navy cap.
  for (const int base : {34, 48}) {
    for (int y = 1; y <= 8; ++y) {
      const int shift = (8 - y) / 3;
      for (int x = base - shift; x < base - shift + 7; ++x) {
        c.Set(x, y, y <= 2 ? pal::kHullNavy : pal::kHullRed);
      }
    }
  }
  // The foremast.
  for (int y = 4; y <= 12; ++y) c.Set(82, y, pal::kUiGrey);

  // The sea: a strip with a wave line, foam at the bow and along the hull.
  for (int y = waterline + 1; y <= 37; ++y) {
    for (int x = 1; x <= 98; ++x) {
      Rgba colour = pal::kSeaCalm;
      if (y == waterline + 1) colour = (x / 2) % 3 == 0 ? pal::kSeaLight : pal::kSeaCalm;
      if (y >= 36) colour = pal::kSeaDark;
      if (y == waterline + 1 && x >= 6 && x <= 90) colour = pal::kFoam;
      c.Set(x, y, colour);
    }
  }
  for (int y = 27; y <= waterline; ++y) {
    const int right = static_cast<int>(std::lround(EdgeX(96, 18, 86, waterline, y)));
    const int spray = waterline - y;
    for (int x = right + 1; x <= right + 1 + spray / 2 && x <= 98; ++x) c.Set(x, y, pal::kFoam);
  }
}

Canvas DrawZV(const AssetSources& s) {
  Canvas c(188, kHeight);
  DrawLiner(c);
  DrawWords(c, s, 104, "VELMORA", pal::kHullWhite, pal::kGold, "CRUISE LINE", pal::kGold);
  InkRim(c);
  return c;
}

const AssetRegistration kCreditsImages[] = {
    {"credits_qm.png", DrawQM},
    {"credits_zv.png", DrawZV},
};

}  // namespace
}  // namespace assetgen
