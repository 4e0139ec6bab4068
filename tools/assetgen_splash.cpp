// The splash screen's images.
//
// How the game draws them at the 240 x 135 virtual screen:
// - splash_bg.png, centred on the screen: a polar night over a calm sea, the
//   horizon at screen row 89, dark at the top where the title opens.
// - splash_title.png, centred at (120, 27) and revealed by a centred band up
//   to 180 wide: "VELMORA" in the generator's own bold block capitals
//   (tools/assets/splash/title.txt), shaded in the ice colours, with icicles,
//   an ink outline and a deep-sea shadow.
// - splash_credits.png, same spot, flashing open and shut in the first two
//   seconds: two lines in the game's own font glyphs.
// - splash_ship.png, drawn by its top centre, its top rising from row 135
//   to 48: the bow of the liner "Velmora" in profile, pitched up as it
//   climbs a swell, in the liner sprite's colours (white hull, navy band,
//   red boot, window glass, red funnel with a navy cap).
// - splash_glitch.png, 480 x 270 (its centre 240 x 135 lies under the
//   screen): bright streaks and blocks with transparent gaps, multiplied by
//   a per-shard tint when the splash breaks.
// - splash_iceberg.png, 32 x 24 drawn centred 12 rows below a text line's
//   top: the player's berg as it shows at level 1 (tier 18), in its upper
//   half, pushing the line in from the left.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_iceberg.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr double kPi = 3.14159265358979323846;

// A small deterministic hash for the placed details (stars, streaks).
std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t c = 0) {
  std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

struct Point {
  double x, y;
};

// Whether (x, y) lies inside the convex polygon, edges included, in either
// winding.
bool InsideConvex(const std::vector<Point>& poly, double x, double y) {
  int sign = 0;
  const std::size_t n = poly.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Point a = poly[i], b = poly[(i + 1) % n];
    const double e = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (std::abs(e) < 1e-9) continue;
    const int s = e > 0 ? 1 : -1;
    if (sign == 0) sign = s;
    if (s != sign) return false;
  }
  return true;
}

// A coverage mask the size of a canvas.
struct Mask {
  int w, h;
  std::vector<bool> on;
  Mask(int width, int height) : w(width), h(height), on(std::size_t(width * height), false) {}
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[std::size_t(y * w + x)]; }
  void Set(int x, int y, bool v) {
    if (x >= 0 && y >= 0 && x < w && y < h) on[std::size_t(y * w + x)] = v;
  }
};

// The mask grown by one pixel to its four (or eight) neighbours.
Mask Grow(const Mask& m, bool diagonal) {
  Mask out(m.w, m.h);
  for (int y = 0; y < m.h; ++y) {
    for (int x = 0; x < m.w; ++x) {
      bool v = m.At(x, y) || m.At(x - 1, y) || m.At(x + 1, y) || m.At(x, y - 1) || m.At(x, y + 1);
      if (diagonal) v = v || m.At(x - 1, y - 1) || m.At(x + 1, y - 1) || m.At(x - 1, y + 1) || m.At(x + 1, y + 1);
      out.Set(x, y, v);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// The title.

constexpr int kCapHeight = 30;
constexpr int kLetterGap = 3;
constexpr int kTitleWidth = 180;
constexpr int kTitleHeight = 48;

struct Shape {
  bool cut;
  std::vector<Point> poly;
};

struct Letter {
  char c = 0;
  int width = 0;
  std::vector<Shape> shapes;
  std::vector<std::array<int, 2>> icicles;  // column, length
};

std::vector<Letter> ParseTitle(const std::string& name, const std::string& text) {
  std::vector<Letter> letters;
  const std::vector<std::string_view> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto fail = [&](const std::string& what) { throw AssetError(name + ":" + std::to_string(i + 1) + ": " + what); };
    const std::vector<std::string_view> w = SplitWords(lines[i]);
    if (w.empty() || lines[i].front() == ';') continue;
    if (w[0] == "letter") {
      Letter l;
      if (w.size() != 3 || w[1].size() != 1 || !ParseInt(w[2], 1, 60, &l.width)) fail("expected 'letter <c> <width>'");
      l.c = w[1][0];
      letters.push_back(l);
      continue;
    }
    if (letters.empty()) fail("'" + std::string(w[0]) + "' before the first letter");
    Letter& l = letters.back();
    if (w[0] == "poly" || w[0] == "cut") {
      if (w.size() < 7 || (w.size() - 1) % 2 != 0) fail("a polygon needs at least three x y pairs");
      Shape s{w[0] == "cut", {}};
      for (std::size_t k = 1; k < w.size(); k += 2) {
        int x = 0, y = 0;
        if (!ParseInt(w[k], 0, l.width, &x) || !ParseInt(w[k + 1], 0, kCapHeight, &y)) {
          fail("corner outside the letter's " + std::to_string(l.width) + "x" + std::to_string(kCapHeight) + " box");
        }
        s.poly.push_back({double(x), double(y)});
      }
      l.shapes.push_back(s);
    } else if (w[0] == "icicle") {
      int x = 0, len = 0;
      if (w.size() != 3 || !ParseInt(w[1], 0, l.width - 2, &x) || !ParseInt(w[2], 1, 8, &len)) {
        fail("expected 'icicle <column> <length 1 to 8>'");
      }
      l.icicles.push_back({x, len});
    } else {
      fail("unexpected line '" + std::string(lines[i]) + "'");
    }
  }
  return letters;
}

Canvas DrawTitle(const AssetSources& sources) {
  const std::string file = "splash/title.txt";
  const std::vector<Letter> letters = ParseTitle(file, sources.ReadText(file));
  std::string word;
  int width = 0;
  for (const Letter& l : letters) {
    word += l.c;
    width += l.width + (width > 0 ? kLetterGap : 0);
  }
  if (word != "VELMORA") throw AssetError(file + ": the letters spell '" + word + "', not VELMORA");
  // Outline and shadow take three more columns.
  const int left = (kTitleWidth - width - 3) / 2 + 1, top = 6;
  if (left < 1) throw AssetError(file + ": the title is " + std::to_string(width) + " wide, more than fits");

  Canvas c(kTitleWidth, kTitleHeight);
  Mask body(kTitleWidth, kTitleHeight);
  std::vector<int> letterOf(std::size_t(kTitleWidth * kTitleHeight), -1);
  int x0 = left;
  for (std::size_t li = 0; li < letters.size(); ++li) {
    const Letter& l = letters[li];
    for (int y = 0; y < kCapHeight; ++y) {
      for (int x = 0; x < l.width; ++x) {
        bool on = false;
        for (const Shape& s : l.shapes) {
          if (InsideConvex(s.poly, x + 0.5, y + 0.5)) on = !s.cut;
        }
        if (on) {
          body.Set(x0 + x, top + y, true);
          letterOf[std::size_t((top + y) * kTitleWidth + x0 + x)] = int(li);
        }
      }
    }
    // Icicles: two pixels wide at the root, one towards the tip.
    for (const auto& ic : l.icicles) {
      for (int k = 0; k < ic[1]; ++k) {
        const int y = top + kCapHeight + k;
        body.Set(x0 + ic[0], y, true);
        if (k < ic[1] / 2) body.Set(x0 + ic[0] + 1, y, true);
      }
    }
    x0 += l.width + kLetterGap;
  }

  const Mask outline = Grow(body, true);
  Mask shadow(kTitleWidth, kTitleHeight);
  for (int y = 0; y < kTitleHeight; ++y) {
    for (int x = 0; x < kTitleWidth; ++x) shadow.Set(x, y, outline.At(x - 2, y - 2));
  }
  for (int y = 0; y < kTitleHeight; ++y) {
    for (int x = 0; x < kTitleWidth; ++x) {
      if (body.At(x, y)) {
        const int row = y - top;
        Rgba colour = row < 3 ? pal::kIceWhite : row < 11 ? pal::kIceLight : row < 21 ? pal::kIceCyan : pal::kIceShade;
        if (row >= kCapHeight) colour = pal::kIceLight;  // icicles
        // Light from the top left: a bright left edge, a deep lower edge,
        // and a slanted glint across each letter.
        if (!body.At(x - 1, y) && row < 21) colour = pal::kIceWhite;
        if (!body.At(x, y + 1) && row < kCapHeight) colour = pal::kIceDeep;
        const int li = letterOf[std::size_t(y * kTitleWidth + x)];
        if (li >= 0 && row >= 4 && row < 26 && ((x + row) % 29 == 0 || (x + row) % 29 == 1)) {
          colour = row < 15 ? pal::kIceWhite : pal::kIceLight;
        }
        c.Set(x, y, colour);
      } else if (outline.At(x, y)) {
        c.Set(x, y, pal::kInk);
      } else if (shadow.At(x, y)) {
        c.Set(x, y, pal::kSeaDeep);
      }
    }
  }
  return c;
}

// ---------------------------------------------------------------------------
// Text in the game's glyphs.

struct TextStyle {
  const char* font;  // glyph grid
  int advance;       // cell width
  Rgba ink;
};

int TextWidth(const std::string& text, const TextStyle& style) { return int(text.size()) * style.advance - 1; }

// Sets the text with its top-left glyph cell at (x, y), each ink pixel
// ringed with kInk.
void DrawText(Canvas& c, const GlyphGrid& grid, const std::string& text, int x, int y, const TextStyle& style) {
  Mask ink(c.width(), c.height());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int code = static_cast<unsigned char>(text[i]);
    if (code < grid.first || code > grid.last) throw AssetError("no glyph for '" + std::string(1, text[i]) + "'");
    const std::vector<bool>& g = grid.ink[std::size_t(code - grid.first)];
    for (int row = 0; row < grid.height; ++row) {
      for (int col = 0; col < grid.width; ++col) {
        if (g[std::size_t(row * grid.width + col)]) ink.Set(x + int(i) * style.advance + col, y + row, true);
      }
    }
  }
  const Mask ring = Grow(ink, true);
  for (int yy = 0; yy < c.height(); ++yy) {
    for (int xx = 0; xx < c.width(); ++xx) {
      if (ink.At(xx, yy)) {
        c.Set(xx, yy, style.ink);
      } else if (ring.At(xx, yy) && c.Get(xx, yy).a == 0) {
        c.Set(xx, yy, pal::kInk);
      }
    }
  }
}

Canvas DrawCredits(const AssetSources& sources) {
  const GlyphGrid regular = ParseGlyphGrid("fonts/regular.txt", sources.ReadText("fonts/regular.txt"));
  const GlyphGrid tiny = ParseGlyphGrid("fonts/tiny.txt", sources.ReadText("fonts/tiny.txt"));
  const TextStyle big{"regular", 6, pal::kIceWhite};
  const TextStyle small{"tiny", 4, pal::kIceCyan};
  const std::string line1 = "An iceberg's tale", line2 = "runtime - host - renderer - game";
  const int w = 180, h = 26;
  Canvas c(w, h);
  DrawText(c, regular, line1, (w - TextWidth(line1, big)) / 2, 2, big);
  DrawText(c, tiny, line2, (w - TextWidth(line2, small)) / 2, 15, small);
  // Two gold rules frame the small line.
  const int rule = TextWidth(line2, small);
  for (int x = (w - rule) / 2; x < (w + rule) / 2; ++x) {
    if (x % 2 == 0) c.Set(x, 13, pal::kGoldDark);
    if (x % 2 == 0) c.Set(x, 24, pal::kGoldDark);
  }
  return c;
}

// ---------------------------------------------------------------------------
// The background.

constexpr int kBgWidth = 480, kBgHeight = 270;
constexpr int kHorizon = kBgHeight / 2 + 22;  // screen row 89 at 240 x 135

Canvas DrawBackground(const AssetSources&) {
  Canvas c(kBgWidth, kBgHeight);
  // The sky in bands, each step dithered over two rows.
  struct Band {
    int until;
    Rgba colour;
  };
  const Band sky[] = {{kHorizon - 70, pal::kInk}, {kHorizon - 34, pal::kSeaDeep}, {kHorizon - 12, pal::kSeaDark},
                      {kHorizon, pal::kSeaCalm}};
  for (int y = 0; y < kHorizon; ++y) {
    std::size_t b = 0;
    while (y >= sky[b].until) ++b;
    for (int x = 0; x < kBgWidth; ++x) {
      Rgba colour = sky[b].colour;
      if (b > 0 && y - sky[b - 1].until < 2 && (x + y) % 2 == 0) colour = sky[b - 1].colour;
      c.Set(x, y, colour);
    }
  }
  // Stars, thinning towards the horizon; a few bright ones with a cross.
  for (int y = 2; y < kHorizon - 30; y += 3) {
    for (int x = 1; x < kBgWidth - 1; x += 3) {
      const std::uint32_t h = Hash(std::uint32_t(x), std::uint32_t(y));
      const int jx = x + int(h % 3), jy = y + int((h >> 2) % 3);
      if (jy >= kHorizon - 30 || jx >= kBgWidth) continue;
      const int chance = 100 - jy * 70 / kHorizon;
      if (int(h >> 8) % 1000 < chance / 3) {
        c.Set(jx, jy, (h >> 20) % 3 == 0 ? pal::kIceWhite : pal::kIceShade);
      } else if (int(h >> 8) % 1000 < chance / 3 + 3 && jx > 1 && jy > 1 && jx < kBgWidth - 1) {
        c.Set(jx, jy, pal::kIceWhite);
        c.Set(jx - 1, jy, pal::kIceCyan);
        c.Set(jx + 1, jy, pal::kIceCyan);
        c.Set(jx, jy - 1, pal::kIceCyan);
        c.Set(jx, jy + 1, pal::kIceCyan);
      }
    }
  }
  // The moon, left of the title on the screen, with its reflection on the sea.
  const int mx = kBgWidth / 2 - 102, my = kBgHeight / 2 - 44;
  for (int y = -8; y <= 8; ++y) {
    for (int x = -8; x <= 8; ++x) {
      const double d = std::hypot(x + 0.5, y + 0.5);
      if (d <= 7.5) c.Set(mx + x, my + y, std::hypot(x + 3.0, y + 3.0) < 6.5 ? pal::kIceWhite : pal::kIceLight);
      else if (d <= 8.6) c.Set(mx + x, my + y, pal::kSeaDark);
    }
  }
  // Distant bergs on the horizon: flat-topped silhouettes with a lit rim.
  struct Berg {
    int cx, half, height;
  };
  const Berg bergs[] = {{kBgWidth / 2 - 150, 14, 7}, {kBgWidth / 2 - 96, 9, 5}, {kBgWidth / 2 + 78, 18, 9},
                        {kBgWidth / 2 + 122, 8, 4},  {kBgWidth / 2 + 190, 12, 6}};
  for (const Berg& b : bergs) {
    for (int x = -b.half; x <= b.half; ++x) {
      const double t = std::abs(x) / double(b.half);
      const int top = kHorizon - int(std::round(b.height * (t < 0.4 ? 1.0 : 1.0 - (t - 0.4) / 0.6 * 0.9)));
      for (int y = top; y < kHorizon; ++y) {
        Rgba colour = x < 0 ? pal::kIceShade : pal::kIceDeep;
        if (y == top) colour = x < 0 ? pal::kIceLight : pal::kIceShade;
        c.Set(b.cx + x, y, colour);
      }
    }
  }
  // The sea: dark water with rows of calm dashes, closer rows longer.
  for (int y = kHorizon; y < kBgHeight; ++y) {
    const int depth = y - kHorizon;
    for (int x = 0; x < kBgWidth; ++x) c.Set(x, y, depth < 3 ? pal::kSeaDark : pal::kSeaDeep);
    if (depth == 0) {
      for (int x = 0; x < kBgWidth; ++x) c.Set(x, y, pal::kSeaCalm);
      continue;
    }
    if (depth % (2 + depth / 10) != 0) continue;
    const int len = 2 + depth / 5;
    for (int x = 0; x < kBgWidth; x += len * 3) {
      const std::uint32_t h = Hash(std::uint32_t(x), std::uint32_t(y), 7);
      const int start = x + int(h % std::uint32_t(len * 2));
      for (int k = 0; k < len; ++k) {
        if (start + k < kBgWidth) c.Set(start + k, y, depth < 12 ? pal::kSeaDark : pal::kSeaCalm);
      }
    }
  }
  // The moon's path on the water: broken light dashes under it.
  for (int y = kHorizon + 1; y < kBgHeight; y += 2) {
    const int depth = y - kHorizon;
    const int half = 2 + depth / 6;
    const std::uint32_t h = Hash(std::uint32_t(y), 3);
    const int off = int(h % 5) - 2;
    for (int x = -half; x <= half; ++x) {
      if ((x + int(h % 3)) % 4 == 3) continue;
      c.Set(mx + off + x, y, depth < 20 ? pal::kSeaLight : pal::kSeaCalm);
    }
  }
  return c;
}

// ---------------------------------------------------------------------------
// The ship: the liner's bow in profile, pitched up.

constexpr int kShipWidth = 200, kShipHeight = 90;
constexpr double kPitch = 13.0;  // degrees, bow up
constexpr int kSeaRow = 80;      // the swell's surface in the image

// Model: u along the keel from the stem aft, v down from the deck amidships.
double SheerTop(double u) {
  const double t = 1.0 - std::min(u, 70.0) / 70.0;
  return -10.0 * std::pow(t, 1.5);
}

double StemFront(double v) {
  double u = (v + 10.0) * 0.55;
  if (v > 32.0) u += (v - 32.0) * (v - 32.0) / 12.0;  // the forefoot rounds aft
  return u;
}

// The model's colour at (u, v); alpha 0 outside the ship.
Rgba ShipColour(double u, double v) {
  if (u < -1.0) return kTransparent;
  const double top = SheerTop(u);
  // The hull.
  if (v >= top && v <= 52.0 && u >= StemFront(v)) {
    const double below = v - top;
    Rgba colour = pal::kHullWhite;
    if (below < 1.5) colour = pal::kHullShade;            // the sheer strake's edge
    else if (below < 4.0) colour = pal::kHullNavy;        // the sheer stripe
    if (v >= 30.0) colour = pal::kHullNavy;               // the boot's navy band
    if (v >= 34.0) colour = v >= 46.0 ? pal::kHullRedDark : pal::kHullRed;
    // The flare of the bow turns away from the light.
    if (u - StemFront(v) < 3.0 && colour == pal::kHullWhite) colour = pal::kHullShade;
    return colour;
  }
  // The rail along the forecastle and its posts.
  if (u >= 6.0 && u <= 74.0 && v < top && v >= top - 4.0) {
    if (v < top - 3.0) return pal::kHullShade;
    if (int(std::floor(u)) % 6 == 0) return pal::kHullShade;
    return kTransparent;
  }
  // The mast over the forecastle.
  if (u >= 62.0 && u < 63.5 && v >= -36.0 && v < 0.0) return v < -34.0 ? pal::kRed : pal::kHullShade;
  if (u >= 58.0 && u < 68.0 && v >= -29.0 && v < -27.8) return pal::kHullShade;  // its yard
  // The superstructure: three decks stepping back, the bridge on top.
  struct Tier {
    double front, top, bottom;
  };
  const Tier tiers[] = {{74.0, -9.0, 0.0}, {86.0, -18.0, -9.0}, {100.0, -26.0, -18.0}};
  for (int k = 0; k < 3; ++k) {
    const Tier& t = tiers[k];
    if (v >= t.top && v < t.bottom && u >= t.front + (t.bottom - v) * 0.45) {
      if (v >= t.bottom - 1.0) return pal::kHullShade;  // the deck edge below
      if (k == 2 && v >= t.top + 2.0 && v < t.top + 5.0) return pal::kHullNavy;  // bridge glass
      return pal::kHullWhite;
    }
  }
  // The funnel, raked aft, red with a navy cap.
  const double fFront = 150.0 + (-26.0 - v) * 0.4;
  if (v >= -50.0 && v < -26.0 && u >= fFront && u < fFront + 22.0) {
    if (v < -45.0) return pal::kHullNavy;
    return u > fFront + 18.0 ? pal::kHullRedDark : pal::kHullRed;
  }
  return kTransparent;
}

Canvas DrawShip(const AssetSources&) {
  const double r = kPitch * kPi / 180.0, cs = std::cos(r), sn = std::sin(r);
  // The stem's top (0, -10) lands at (12, 3).
  const double px = 12.0 - 10.0 * sn, py = 3.0 + 10.0 * cs;
  auto toModel = [&](double x, double y) {
    const double dx = x - px, dy = y - py;
    return Point{dx * cs + dy * sn, -dx * sn + dy * cs};
  };
  auto toImage = [&](double u, double v) { return Point{px + u * cs - v * sn, py + u * sn + v * cs}; };

  Canvas c(kShipWidth, kShipHeight);
  Mask ship(kShipWidth, kShipHeight);
  std::vector<Rgba> colour(std::size_t(kShipWidth * kShipHeight));
  for (int y = 0; y < kShipHeight; ++y) {
    for (int x = 0; x < kShipWidth; ++x) {
      const Point m = toModel(x + 0.5, y + 0.5);
      const Rgba col = ShipColour(m.x, m.y);
      if (col.a == 0) continue;
      ship.Set(x, y, true);
      colour[std::size_t(y * kShipWidth + x)] = col;
    }
  }
  // Portholes on the hull and windows along the decks: two-pixel glass
  // stamped at their places, so that every window looks the same.
  auto stamp = [&](double u, double v, Rgba glass) {
    const Point p = toImage(u, v);
    const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
    for (int dy = 0; dy < 2; ++dy) {
      for (int dx = 0; dx < 2; ++dx) {
        if (!ship.At(x + dx, y + dy)) return;
      }
    }
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) colour[std::size_t((y + dy) * kShipWidth + x + dx)] = glass;
  };
  for (double u = 34.0; u < 260.0; u += 7.0) {
    stamp(u, 9.0, pal::kWindow);
    if (u > 48.0) stamp(u + 3.5, 18.0, pal::kWindow);
  }
  for (double u = 84.0; u < 260.0; u += 5.0) stamp(u, -6.0, pal::kWindow);
  for (double u = 96.0; u < 260.0; u += 5.0) stamp(u, -15.0, pal::kWindow);
  // An anchor in the hawse under the sheer.
  {
    const Point a = toImage(22.0, 4.0);
    const int ax = int(a.x), ay = int(a.y);
    const int cells[][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {-1, 1}, {1, 1}, {-1, 3}, {1, 3}, {-2, 2}, {2, 2}};
    for (const auto& cell : cells) {
      if (ship.At(ax + cell[0], ay + cell[1])) colour[std::size_t((ay + cell[1]) * kShipWidth + ax + cell[0])] = pal::kInk;
    }
  }

  // The swell: under its surface the ship is under water.
  for (int y = kSeaRow; y < kShipHeight; ++y) {
    for (int x = 0; x < kShipWidth; ++x) ship.Set(x, y, false);
  }
  const Mask ring = Grow(ship, false);
  for (int y = 0; y < kShipHeight; ++y) {
    for (int x = 0; x < kShipWidth; ++x) {
      if (ship.At(x, y)) c.Set(x, y, colour[std::size_t(y * kShipWidth + x)]);
      else if (ring.At(x, y) && y < kSeaRow) c.Set(x, y, pal::kInk);
    }
  }
  // The sea the bow climbs out of: water where the hull goes down, a crest
  // of foam along it and the bow wave thrown forward of the stem.
  int stemX = kShipWidth;
  for (int x = 0; x < kShipWidth; ++x) {
    if (ship.At(x, kSeaRow - 1)) {
      stemX = x;
      break;
    }
  }
  for (int y = kSeaRow; y < kShipHeight; ++y) {
    const int depth = y - kSeaRow;
    for (int x = std::max(0, stemX - 22 + depth * 2); x < kShipWidth; ++x) {
      Rgba col = depth < 2 ? pal::kFoam : (depth < 4 ? pal::kSeaShallow : pal::kSeaCalm);
      if (depth >= 4 && (Hash(std::uint32_t(x / 5), std::uint32_t(y)) % 4 == 0)) col = pal::kSeaLight;
      c.Set(x, y, col);
    }
  }
  // Spray in front of the stem: a few bold blobs of foam.
  const int spray[][3] = {{-8, -3, 2}, {-14, -1, 2}, {-4, -6, 1}, {-19, 2, 1}, {-11, -7, 1}};
  for (const auto& s : spray) {
    for (int dy = -s[2]; dy <= s[2]; ++dy)
      for (int dx = -s[2]; dx <= s[2]; ++dx) {
        const int x = stemX + s[0] + dx, y = kSeaRow + s[1] + dy;
        if (x >= 0 && x < kShipWidth && y >= 0 && std::abs(dx) + std::abs(dy) <= s[2] && c.Get(x, y).a == 0) {
          c.Set(x, y, dy < 0 ? pal::kIceWhite : pal::kFoam);
        }
      }
  }
  return c;
}

// ---------------------------------------------------------------------------
// The glitch: bold streaks and blocks of bright colour with clear gaps.

Canvas DrawGlitch(const AssetSources&) {
  constexpr int w = 480, h = 270;
  const Rgba colours[] = {pal::kIceWhite, pal::kFoam,  pal::kIceCyan, pal::kSeaShallow, pal::kGold,
                          pal::kHullYellow, pal::kGreen, pal::kRed,    pal::kIceLight,   pal::kSeaLight};
  Canvas c(w, h);
  int y = 0, band = 0;
  while (y < h) {
    const std::uint32_t hb = Hash(std::uint32_t(band), 11);
    const int height = 2 + int(hb % 7);  // 2 to 8 rows
    int x = -int((hb >> 4) % 40);
    int seg = 0;
    while (x < w) {
      const std::uint32_t hs = Hash(std::uint32_t(band), std::uint32_t(seg), 23);
      const int len = 6 + int(hs % 70);
      const bool gap = (hs >> 8) % 5 < 2;
      const Rgba col = colours[(hs >> 12) % std::size(colours)];
      if (!gap) {
        // A streak, sometimes with a brighter core row, sometimes broken
        // into blocks.
        const bool blocks = (hs >> 16) % 4 == 0;
        for (int yy = y; yy < std::min(h, y + height); ++yy) {
          for (int xx = std::max(0, x); xx < std::min(w, x + len); ++xx) {
            if (blocks && ((xx - x) / 4 + (yy - y) / 2) % 3 == 2) continue;
            Rgba p = col;
            if ((hs >> 20) % 3 == 0 && yy == y + height / 2) p = pal::kIceWhite;
            c.Set(xx, yy, p);
          }
        }
      }
      x += len;
      ++seg;
    }
    y += height;
    ++band;
  }
  // Vertical tears: a few columns cleared right through.
  for (int k = 0; k < 14; ++k) {
    const std::uint32_t ht = Hash(std::uint32_t(k), 41);
    const int x0 = int(ht % w), tw = 1 + int((ht >> 10) % 3), y0 = int((ht >> 14) % h), th = 20 + int((ht >> 22) % 90);
    for (int yy = y0; yy < std::min(h, y0 + th); ++yy)
      for (int xx = x0; xx < std::min(w, x0 + tw); ++xx) c.Set(xx, yy, kTransparent);
  }
  return c;
}

// ---------------------------------------------------------------------------
// The pushing iceberg.

constexpr int kBergTier = 18;  // the berg at level 1

Canvas DrawSplashIceberg(const AssetSources& sources) {
  const Canvas face = DrawIcebergFaceAtTier(0, kBergTier, sources);
  constexpr int w = 32, h = 24;
  // The berg's extent on the face image.
  int x0 = face.width(), x1 = -1, y0 = face.height(), y1 = -1;
  for (int y = 0; y < face.height(); ++y)
    for (int x = 0; x < face.width(); ++x)
      if (face.Get(x, y).a > 0) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) throw AssetError("the iceberg shows nothing at tier 18");
  const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
  if (bw + 2 > w || bh + 2 > h * 2 / 3 + 1) throw AssetError("the iceberg at tier 18 (" + std::to_string(bw) + "x" + std::to_string(bh) + ") does not fit the upper half");
  // Centred across, its top one row under the image's top.
  const int ox = (w - bw) / 2 - x0, oy = 1 - y0;
  Canvas c(w, h);
  Mask berg(w, h);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (face.Get(x, y).a > 0) {
        c.Set(x + ox, y + oy, face.Get(x, y));
        berg.Set(x + ox, y + oy, true);
      }
  const Mask ring = Grow(berg, false);
  const int water = y1 + oy;  // the berg's lowest row sits in the water
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (ring.At(x, y) && !berg.At(x, y)) c.Set(x, y, y < water ? pal::kInk : pal::kSeaLight);
  // A line of foam where it pushes through the water.
  for (int x = 0; x < w; ++x) {
    if (berg.At(x, water) || berg.At(x - 2, water) || berg.At(x + 2, water)) {
      if (c.Get(x, water + 1).a == 0 || !berg.At(x, water + 1)) c.Set(x, water + 1, pal::kFoam);
    }
  }
  return c;
}

const AssetRegistration kSplashImages[] = {
    {"splash_bg.png", DrawBackground},
    {"splash_credits.png", DrawCredits},
    {"splash_glitch.png", DrawGlitch},
    {"splash_iceberg.png", DrawSplashIceberg},
    {"splash_ship.png", DrawShip},
    {"splash_title.png", DrawTitle},
};

}  // namespace
}  // namespace assetgen
