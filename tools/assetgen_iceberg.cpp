// The player's iceberg: eight face images, the shrink mask they share, and
// the outline with its own mask, all drawn from one model of the berg.
//
// How the game uses them: a face is drawn with its top centre at
// (iso x, iso y - 24 + tier - band), band = how many of the tiers 4, 8, 11,
// 15, 18, 21, 24 the tier has reached, so at tier t the waterline centre
// lies on face row c(t) = 24 - t + band. The outline is drawn centred at
// (iso x, iso y - 8), so its waterline centre is row 28 of its 40 rows and
// does not move with the tier. Both pass the red-mask shader: a texel shows
// while mask red < the tier's alpha 1 - (2t + 1) / 50.
//
// The model: the berg above the water is everything under a crystalline
// top profile (the crown) and above the front half of its waterline
// ellipse. At tier t that ellipse has the half-width of the tier's size
// (TierSizeTable) seen in the iso view, s * sqrt(2), half of that as its
// half-height, and its centre on row c(t). Shrinking the ellipse and moving
// it up the image makes the visible part the crown of the full berg, so
// the face, which sits just under the crown, shows at every tier; on
// screen the berg sinks and narrows around its waterline centre. Every
// tier's region lies inside the one before, on the face image and on the
// screen, which the generator checks.
//
// The mask holds, per texel, the last tier at which the texel shows: red =
// the smallest byte not below the next tier's alpha (0 for texels shown at
// every tier, 255 outside the berg), grey and opaque so that no loader can
// turn it into something else. The outline image holds what lies around
// the berg on the screen at each tier: a one-pixel ink rim above the
// waterline and, under it, the submerged foot of the berg seen through the
// water. The face covers the outline inside the berg.
//
// Shading: the surface is split into flat facets (the nearest of a few
// seed points, a crystal look with straight edges), each with one ice
// colour as lit from the top left; the top-left rim catches a highlight.
// The face features come from the grids in tools/assets/iceberg/faces.txt.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string_view>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_iceberg.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr int kSize = 40;        // faces, mask, outline and outline mask
constexpr int kTiers = 25;       // tier 25 is melted: nothing shows
constexpr double kCentre = 20.0;  // the image's centre column (handle x 0.5)
constexpr int kOutlineWaterline = 28;  // 40 / 2 + 8
constexpr int kFaces = 8;

constexpr std::array<int, kTiers> kTierSize = {12, 12, 12, 12, 11, 11, 10, 10, 9, 9, 9, 8, 8,
                                               8,  7,  6,  6,  6,  5,  5,  4,  3,  3, 3, 2};
constexpr std::array<int, 7> kBandTiers = {4, 8, 11, 15, 18, 21, 24};

int Band(int tier) {
  int b = 0;
  for (int th : kBandTiers) b += tier >= th ? 1 : 0;
  return b;
}

// Face row of the waterline centre at a tier.
int WaterlineRow(int tier) { return 24 - tier + Band(tier); }

double TierAlpha(int tier) { return std::max(0.0, 1.0 - (2.0 * tier + 1.0) / 50.0); }

// Mask red of a texel shown up to and including tier `last` (-1: never).
std::uint8_t MaskRed(int last) {
  if (last < 0) return 255;
  if (last >= kTiers - 1) return 0;
  return static_cast<std::uint8_t>(std::ceil(255.0 * TierAlpha(last + 1) - 1e-9));
}

// The crown: the top edge of the berg as (column offset from the centre,
// row) corners, joined by straight lines; left to right.
struct Corner {
  double dx, row;
};
constexpr Corner kCrown[] = {
    {-17.5, 24.0}, {-16.0, 19.5}, {-14.0, 16.0}, {-12.5, 11.5}, {-11.0, 13.0}, {-9.0, 7.5},
    {-6.5, 4.5},   {-4.0, 2.0},   {-1.5, -0.5},  {0.5, 2.5},    {1.5, 3.5},    {4.0, 1.5},
    {6.5, 4.0},    {9.0, 6.5},    {12.0, 10.0},  {14.5, 14.0},  {16.5, 19.0},  {17.5, 24.0},
};

double CrownRow(double dx) {
  const std::size_t n = std::size(kCrown);
  if (dx <= kCrown[0].dx || dx >= kCrown[n - 1].dx) return 1e9;
  for (std::size_t i = 1; i < n; ++i) {
    if (dx <= kCrown[i].dx) {
      const Corner a = kCrown[i - 1], b = kCrown[i];
      return a.row + (b.row - a.row) * (dx - a.dx) / (b.dx - a.dx);
    }
  }
  return 1e9;
}

// Whether face texel (x, y) belongs to the berg at a tier.
bool InFaceRegion(int x, int y, int tier) {
  if (tier >= kTiers) return false;
  const double dx = x + 0.5 - kCentre, yc = y + 0.5;
  const double a = kTierSize[static_cast<std::size_t>(tier)] * std::sqrt(2.0);
  if (std::abs(dx) >= a) return false;
  const double bottom = WaterlineRow(tier) + 0.5 * a * std::sqrt(1.0 - (dx / a) * (dx / a));
  return yc >= CrownRow(dx) && yc <= bottom;
}

// The same region on the screen, relative to the waterline centre
// (sx = column offset, sy = rows below the waterline centre).
bool OnScreen(int sx, int sy, int tier) {
  const int x = sx + 20, y = sy + WaterlineRow(tier);
  if (x < 0 || y < 0 || x >= kSize || y >= kSize) return false;
  return InFaceRegion(x, y, tier);
}

// The submerged foot around the front of the waterline at a tier.
bool InFoot(int sx, int sy, int tier) {
  if (tier >= kTiers || sy < 0) return false;
  const double a = kTierSize[static_cast<std::size_t>(tier)] * std::sqrt(2.0) + 1.5;
  const double h = 0.5 * (a - 1.5) + 2.0;
  const double dx = sx + 0.5, dy = sy + 0.5;
  return (dx / a) * (dx / a) + (dy / h) * (dy / h) <= 1.0;
}

bool InOutlineRegion(int ox, int oy, int tier) {
  const int sx = ox - 20, sy = oy - kOutlineWaterline;
  if (OnScreen(sx, sy, tier) || InFoot(sx, sy, tier)) return true;
  // The rim: a four-neighbour of the berg.
  return OnScreen(sx - 1, sy, tier) || OnScreen(sx + 1, sy, tier) || OnScreen(sx, sy - 1, tier) ||
         OnScreen(sx, sy + 1, tier);
}

// Last tier at which a texel is inside a region (-1: never); throws when
// the regions are not nested, since the mask could not express them.
template <typename Inside>
std::array<int, kSize * kSize> LastTiers(const char* what, Inside inside) {
  std::array<int, kSize * kSize> last{};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int l = -1;
      while (l + 1 < kTiers && inside(x, y, l + 1)) ++l;
      for (int t = l + 1; t < kTiers; ++t) {
        if (inside(x, y, t)) {
          throw AssetError(std::string(what) + " texel (" + std::to_string(x) + ", " +
                           std::to_string(y) + ") returns at tier " + std::to_string(t) +
                           " after leaving at tier " + std::to_string(l + 1));
        }
      }
      last[static_cast<std::size_t>(y * kSize + x)] = l;
    }
  }
  return last;
}

const std::array<int, kSize * kSize>& FaceTiers() {
  static const std::array<int, kSize * kSize> tiers = LastTiers("face", InFaceRegion);
  return tiers;
}

const std::array<int, kSize * kSize>& OutlineTiers() {
  static const std::array<int, kSize * kSize> tiers = LastTiers("outline", InOutlineRegion);
  return tiers;
}

Canvas DrawMask(const std::array<int, kSize * kSize>& tiers) {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const std::uint8_t v = MaskRed(tiers[static_cast<std::size_t>(y * kSize + x)]);
      c.Set(x, y, Rgba{v, v, v, 255});
    }
  }
  return c;
}

// Facet seeds: the surface texel takes the colour of the nearest seed
// (rows count a little less than columns, for tall facets).
struct Facet {
  double x, y;
  Rgba colour;
};
const Facet kFacets[] = {
    // The crown.
    {16.5, 2.0, pal::kIceWhite},  {23.5, 2.5, pal::kIceLight},
    // The front, where the face is, and the flanks beside it.
    {20.0, 9.0, pal::kIceLight},   {11.0, 9.0, pal::kIceWhite},  {28.5, 8.0, pal::kIceCyan},
    // The shoulders.
    {7.0, 16.0, pal::kIceWhite},   {14.0, 17.0, pal::kIceLight}, {25.0, 17.0, pal::kIceCyan},
    {32.5, 16.0, pal::kIceShade},
    // The foot, darker towards the water and to the right.
    {5.0, 24.0, pal::kIceLight},   {12.0, 26.0, pal::kIceCyan},  {20.0, 25.0, pal::kIceCyan},
    {27.0, 27.0, pal::kIceShade},  {34.0, 24.0, pal::kIceDeep},  {18.0, 32.0, pal::kIceShade},
};

Rgba FacetColour(int x, int y) {
  const double px = x + 0.5, py = y + 0.5;
  double best = 1e30;
  Rgba colour = pal::kIceLight;
  for (const Facet& f : kFacets) {
    const double dx = px - f.x, dy = (py - f.y) * 0.8;
    const double d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      colour = f.colour;
    }
  }
  return colour;
}

// The berg without a face: every texel of the full-size region.
Canvas DrawBody() {
  Canvas c(kSize, kSize);
  const auto& tiers = FaceTiers();
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < kSize && y < kSize &&
           tiers[static_cast<std::size_t>(y * kSize + x)] >= 0;
  };
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (!inside(x, y)) continue;
      Rgba colour = FacetColour(x, y);
      // Sunlit rim along the top-left edges of the crown.
      const bool rim = !inside(x, y - 1) || (x + 0.5 < kCentre && !inside(x - 1, y));
      if (rim && y + 0.5 < CrownRow(x + 0.5 - kCentre) + 2.5) colour = pal::kIceWhite;
      c.Set(x, y, colour);
    }
  }
  return c;
}

// ---------------------------------------------------------------------------
// Face grids (tools/assets/iceberg/faces.txt):
//   ; comment
//   key <c> <colour>    cell character c stands for a palette colour, as
//                       in the colour grids (AddGridKey); before the faces
//   origin <x> <y>      face texel of every grid's top-left cell
//   size <w> <h>        every grid is w columns by h rows
//   face <n>            faces 0 to 7, each exactly once; h rows follow
// Cells: '.' keeps the berg, any other is a key.

struct FaceGrids {
  int origin_x = -1, origin_y = -1, width = 0, height = 0;
  std::map<char, Rgba> keys;
  std::array<std::string, kFaces> cells;  // row-major, width * height
};

FaceGrids ParseFaces(const std::string& name, const std::string& text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  auto fail = [&](std::size_t i, const std::string& what) -> void {
    throw AssetError(name + ":" + std::to_string(i + 1) + ": " + what);
  };

  FaceGrids g;
  std::array<bool, kFaces> seen{};
  for (std::size_t i = 0; i < lines.size();) {
    const std::size_t at = i;
    const std::vector<std::string_view> w = SplitWords(lines[i++]);
    if (w.empty() || lines[at].front() == ';') continue;
    if (w[0] == "key") {
      const std::string error = AddGridKey(w, &g.keys);
      if (!error.empty()) fail(at, error);
      continue;
    }
    if (w[0] == "origin" && w.size() == 3 && ParseInt(w[1], 0, kSize - 1, &g.origin_x) &&
        ParseInt(w[2], 0, kSize - 1, &g.origin_y)) {
      continue;
    }
    if (w[0] == "size" && w.size() == 3 && ParseInt(w[1], 1, kSize, &g.width) &&
        ParseInt(w[2], 1, kSize, &g.height)) {
      continue;
    }
    int n = -1;
    if (w[0] == "face" && w.size() == 2 && ParseInt(w[1], 0, kFaces - 1, &n)) {
      if (g.width == 0 || g.origin_x < 0) fail(at, "face before the origin and size lines");
      if (seen[static_cast<std::size_t>(n)]) fail(at, "face " + std::to_string(n) + " defined twice");
      seen[static_cast<std::size_t>(n)] = true;
      std::string& cells = g.cells[static_cast<std::size_t>(n)];
      for (int row = 0; row < g.height; ++row, ++i) {
        if (i >= lines.size() || lines[i].empty() || lines[i].front() == ';') {
          fail(i, "face " + std::to_string(n) + " has " + std::to_string(row) + " rows, expected " +
                      std::to_string(g.height));
        }
        const std::string_view r = lines[i];
        if (static_cast<int>(r.size()) != g.width) {
          fail(i, "face " + std::to_string(n) + " row has " + std::to_string(r.size()) +
                      " cells, expected " + std::to_string(g.width));
        }
        for (char c : r) {
          if (c != '.' && g.keys.count(c) == 0) {
            fail(i, "unexpected cell '" + std::string(1, c) + "'");
          }
        }
        cells += r;
      }
      continue;
    }
    fail(at, "unexpected line '" + std::string(lines[at]) + "'");
  }
  for (int n = 0; n < kFaces; ++n) {
    if (!seen[static_cast<std::size_t>(n)]) {
      throw AssetError(name + ": face " + std::to_string(n) + " missing");
    }
  }
  return g;
}

Canvas DrawFace(int n, const AssetSources& sources) {
  const std::string file = "iceberg/faces.txt";
  const FaceGrids grids = ParseFaces(file, sources.ReadText(file));
  Canvas c = DrawBody();
  const std::string& cells = grids.cells[static_cast<std::size_t>(n)];
  for (int row = 0; row < grids.height; ++row) {
    for (int col = 0; col < grids.width; ++col) {
      const auto key = grids.keys.find(cells[static_cast<std::size_t>(row * grids.width + col)]);
      if (key == grids.keys.end()) continue;
      const int x = grids.origin_x + col, y = grids.origin_y + row;
      // Features must stay on the berg as it shows at its smallest living
      // size (tier 18, level 1).
      if (x >= kSize || y >= kSize || FaceTiers()[static_cast<std::size_t>(y * kSize + x)] < 18) {
        throw AssetError(file + ": face " + std::to_string(n) + " cell (" + std::to_string(col) +
                         ", " + std::to_string(row) + ") falls outside the berg at tier 18");
      }
      c.Set(x, y, key->second);
    }
  }
  return c;
}

Canvas DrawOutline() {
  Canvas c(kSize, kSize);
  const auto& tiers = OutlineTiers();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (tiers[static_cast<std::size_t>(y * kSize + x)] < 0) continue;
      c.Set(x, y, y < kOutlineWaterline ? pal::kInk : pal::kSeaLight);
    }
  }
  return c;
}

AssetMaker Face(int n) {
  return [n](const AssetSources& s) { return DrawFace(n, s); };
}

const AssetRegistration kIcebergImages[] = {
    {"iceberg_m.png", [](const AssetSources&) { return DrawMask(FaceTiers()); }},
    {"iceberg_t0.png", Face(0)},
    {"iceberg_t1.png", Face(1)},
    {"iceberg_t2.png", Face(2)},
    {"iceberg_t3.png", Face(3)},
    {"iceberg_t4.png", Face(4)},
    {"iceberg_t5.png", Face(5)},
    {"iceberg_t6.png", Face(6)},
    {"iceberg_t7.png", Face(7)},
    {"icebergoutline_t.png", [](const AssetSources&) { return DrawOutline(); }},
    {"icebergoutline_m.png", [](const AssetSources&) { return DrawMask(OutlineTiers()); }},
};

}  // namespace
}  // namespace assetgen

namespace assetgen {

Canvas DrawIcebergFaceAtTier(int n, int tier, const AssetSources& sources) {
  Canvas c = DrawFace(n, sources);
  const auto& tiers = FaceTiers();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (tiers[static_cast<std::size_t>(y * kSize + x)] < tier) c.Set(x, y, kTransparent);
    }
  }
  return c;
}

}  // namespace assetgen
