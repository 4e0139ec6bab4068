// The three ship strips and their outline strips.
//
// Each ship is one small model of flat-shaded blocks, rendered at the nine
// headings the game shows and snapped to pixels, so that all frames of a
// ship agree. Frame k shows the bow pointing (k x 22.5) degrees clockwise
// from screen-up: the world heading (k - 6) x 22.5 degrees seen through the
// game's isometric view, screen = (x - y, (x + y) / 2) with heights going
// straight up. The game mirrors frames for the left-facing headings, so the
// models, their lighting and their patterns are symmetric about the keel.
//
// Model units: f forward along the keel, s across it, z up, all in screen
// pixels (a length along the keel spans that many pixels when the ship
// points right). The origin is the waterline centre and lands on the centre
// of the frame, which is the handle the game draws the frame at.
//
// Per frame:
// - hull image: the model's colours with a one-pixel ink outline around the
//   silhouette. Alpha is the dissolve order of a sinking ship: the game
//   keeps a texel while alpha > 1 - ship alpha and draws the hull one pixel
//   lower per sinking step, so a texel d rows above the bottom of its column
//   gets alpha (d + 1) / steps (capped at 1): after s steps exactly the rows
//   that moved below the waterline are gone, and the ship goes down into
//   the water instead of sliding over it.
// - outline image: a one-pixel ink ring around the hull's waterline. Afloat
//   the hull covers it; while the hull sinks the ring stays where the ship
//   floated. Its texels stay until the ship is removed.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "tools/assetgen.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

using namespace palette;

constexpr int kFrames = 9;
constexpr double kPi = 3.14159265358979323846;

// Colours of one material: faces looking up, walls facing the viewer, walls
// seen at a slant.
struct Tone {
  Rgba top, front, slant;
};

// Walls of a window band alternate between the glass colour and the wall
// colour, one pixel each, mirrored about the frame's centre column.
enum class Pattern { kPlain, kWindows };

struct Vec3 {
  double f, s, z;
};

struct Face {
  std::vector<Vec3> points;  // a flat convex polygon
  Tone tone;
  Pattern pattern = Pattern::kPlain;
  Rgba glass{};
};

struct ShipModel {
  const char* name;
  int frame_width, frame_height;
  int steps;                             // sinking steps: the dissolve levels
  std::vector<std::array<double, 2>> waterline;  // (f, s), convex
  std::vector<Face> faces;
};

// A block: the convex footprint (f, s) extruded from z0 to z1, walls and,
// unless open, a roof.
void AddBlock(ShipModel& m, const std::vector<std::array<double, 2>>& footprint, double z0,
              double z1, Tone tone, bool roof = true, Pattern pattern = Pattern::kPlain,
              Rgba glass = {}) {
  const std::size_t n = footprint.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto& a = footprint[i];
    const auto& b = footprint[(i + 1) % n];
    m.faces.push_back(Face{{{a[0], a[1], z0}, {b[0], b[1], z0}, {b[0], b[1], z1}, {a[0], a[1], z1}},
                           tone, pattern, glass});
  }
  if (roof) {
    Face top{{}, tone, Pattern::kPlain, {}};
    for (const auto& p : footprint) top.points.push_back({p[0], p[1], z1});
    m.faces.push_back(top);
  }
}

// A box aligned with the keel.
void AddBox(ShipModel& m, double f0, double f1, double half_beam, double z0, double z1, Tone tone,
            bool roof = true, Pattern pattern = Pattern::kPlain, Rgba glass = {}) {
  AddBlock(m, {{f0, -half_beam}, {f1, -half_beam}, {f1, half_beam}, {f0, half_beam}}, z0, z1, tone,
           roof, pattern, glass);
}

// A hull footprint: a pointed bow of the given length, straight sides and a
// stern with its corners cut.
std::vector<std::array<double, 2>> HullShape(double length, double beam, double bow, double cut) {
  const double a = length / 2, b = beam / 2;
  return {{a, 0},          {a - bow, b},  {-a + cut, b}, {-a, b - cut},
          {-a, -b + cut},  {-a + cut, -b}, {a - bow, -b}};
}

const Tone kWhiteTone{kHullWhite, kHullWhite, kHullShade};
const Tone kNavyTone{kHullNavy, kHullNavy, kHullNavyDark};
const Tone kRedTone{kHullRed, kHullRed, kHullRedDark};
const Tone kDeckTone{kDeck, kDeck, kDeck};
const Tone kYellowTone{kHullYellow, kHullYellow, kGoldDark};
const Tone kInkTone{kInk, kInk, kInk};

// The small yacht: a white motor yacht with a navy boot line, a cabin with a
// band of tinted glass, a navy flybridge and a short mast.
ShipModel Yacht() {
  ShipModel m{"yacht", 24, 20, 9, HullShape(19, 7, 6, 1.5), {}};
  const Tone deck{kHullShade, kHullShade, kHullShade};
  AddBlock(m, m.waterline, 0, 1, kNavyTone, false);
  AddBlock(m, m.waterline, 1, 2.5, kWhiteTone, false);
  AddBlock(m, m.waterline, 2.5, 2.5, deck);
  AddBox(m, -6, 3, 2.75, 2.5, 3.5, kWhiteTone, false);
  AddBox(m, -6, 3, 2.75, 3.5, 4.5, kNavyTone, false);
  AddBox(m, -6, 3, 2.75, 4.5, 4.5, kWhiteTone);
  AddBox(m, -4, 1, 2, 4.5, 5.5, kNavyTone);
  AddBox(m, -2.5, -1.5, 0.5, 5.5, 7.5, kNavyTone);
  return m;
}

// The icebreaker: a red hull with a dark ice belt and a long raked bow, a
// raised forecastle, a white bridge with a dark band of glass and a yellow
// funnel.
ShipModel Icebreaker() {
  ShipModel m{"icebreaker", 24, 20, 9, HullShape(19, 7.5, 7, 1), {}};
  AddBlock(m, m.waterline, 0, 1, kNavyTone, false);
  AddBlock(m, m.waterline, 1, 2.5, kRedTone, false);
  AddBlock(m, m.waterline, 2.5, 2.5, Tone{kHullRedDark, kHullRedDark, kHullRedDark});
  AddBlock(m, {{9.5, 0}, {2.5, 3.75}, {0, 3.75}, {0, -3.75}, {2.5, -3.75}}, 2.5, 3.5, kRedTone);
  AddBox(m, -3, 2, 2.5, 2.5, 4.5, kWhiteTone, false);
  AddBox(m, -3, 2, 2.5, 4.5, 5.5, kInkTone, false);
  AddBox(m, -3, 2, 2.5, 5.5, 6, kWhiteTone);
  AddBox(m, -6, -3.5, 1.25, 2.5, 5, kYellowTone, false);
  AddBox(m, -6, -3.5, 1.25, 5, 6, kInkTone);
  return m;
}

// The cruise liner "Velmora": a long white hull over a red boot line with a
// navy sheer stripe, three decks of windows stepping in towards the top, a
// wooden fore and aft deck and two red funnels with navy caps.
ShipModel Liner() {
  ShipModel m{"liner", 64, 40, 17, HullShape(52, 12, 12, 3), {}};
  AddBlock(m, m.waterline, 0, 1, kRedTone, false);
  AddBlock(m, m.waterline, 1, 2, kNavyTone, false);
  AddBlock(m, m.waterline, 2, 3, kWhiteTone, false, Pattern::kWindows, kWindow);
  AddBlock(m, m.waterline, 3, 4, kWhiteTone, false);
  AddBlock(m, m.waterline, 4, 4, kDeckTone);
  // The promenade deck runs flush with the hull sides.
  AddBox(m, -21, 14, 6, 4, 5, kWhiteTone, false, Pattern::kWindows, kWindow);
  AddBox(m, -21, 14, 6, 5, 6, kWhiteTone);
  AddBox(m, -17, 11, 5, 6, 7, kWhiteTone, false, Pattern::kWindows, kWindow);
  AddBox(m, -17, 11, 5, 7, 8, kWhiteTone);
  AddBox(m, -9, 9, 3.5, 8, 9, kWhiteTone, false, Pattern::kWindows, kHullNavy);
  AddBox(m, -9, 9, 3.5, 9, 10, kWhiteTone);
  for (const double f : {-6.0, 1.5}) {
    AddBox(m, f - 2, f + 2, 1.75, 10, 13, kRedTone, false);
    AddBox(m, f - 2, f + 2, 1.75, 13, 14, kNavyTone);
  }
  return m;
}

// A frame under construction: colour, coverage and nearness per pixel.
struct Raster {
  int w, h;
  std::vector<Rgba> colour;
  std::vector<double> depth;
  std::vector<bool> covered;
  Raster(int width, int height)
      : w(width), h(height), colour(std::size_t(w * h)), depth(std::size_t(w * h), -1e9),
        covered(std::size_t(w * h), false) {}
  std::size_t At(int x, int y) const { return std::size_t(y * w + x); }
};

struct Projected {
  double x, y, near;
};

// Heading in degrees; the frame centre is the model origin.
Projected Project(const Vec3& p, double heading, int w, int h) {
  const double r = heading * kPi / 180;
  const double c = std::cos(r), s = std::sin(r);
  const double wx = p.f * c - p.s * s, wy = p.f * s + p.s * c;
  const double k = 1 / std::sqrt(2.0);
  return {w / 2.0 + (wx - wy) * k, h / 2.0 + (wx + wy) * k / 2 - p.z, wx + wy + p.z * k};
}

// Whether the pixel centre (x, y) lies inside the convex polygon, edges
// included.
bool Inside(const std::vector<Projected>& poly, double x, double y, double area_sign) {
  const std::size_t n = poly.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Projected& a = poly[i];
    const Projected& b = poly[(i + 1) % n];
    const double e = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (e * area_sign < -1e-9) return false;
  }
  return true;
}

// Distance of the pixel from the frame's centre column, in columns: equal
// for a column and its mirror image.
int MirrorColumn(int x, int w) { return x < w / 2 ? w / 2 - 1 - x : x - w / 2; }

void DrawFace(Raster& r, const Face& face, double heading) {
  std::vector<Projected> poly;
  for (const Vec3& p : face.points) poly.push_back(Project(p, heading, r.w, r.h));
  double area = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Projected& a = poly[i];
    const Projected& b = poly[(i + 1) % poly.size()];
    area += a.x * b.y - b.x * a.y;
  }
  if (std::abs(area) < 1e-6) return;  // seen edge-on
  const double sign = area > 0 ? 1 : -1;

  // The face's normal in world axes, turned towards the viewer, picks the
  // tone: the light comes from the viewer's side and from above.
  const double rad = heading * kPi / 180;
  auto world = [&](const Vec3& p) {
    return std::array<double, 3>{p.f * std::cos(rad) - p.s * std::sin(rad),
                                 p.f * std::sin(rad) + p.s * std::cos(rad), p.z};
  };
  const auto p0 = world(face.points[0]), p1 = world(face.points[1]), p2 = world(face.points[2]);
  std::array<double, 3> u{p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
  std::array<double, 3> v{p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
  std::array<double, 3> n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                          u[0] * v[1] - u[1] * v[0]};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (double& c : n) c /= len;
  if (n[0] + n[1] + n[2] / std::sqrt(2.0) < 0) {
    for (double& c : n) c = -c;
  }
  Rgba base;
  if (n[2] > 0.5) {
    base = face.tone.top;
  } else {
    base = (n[0] + n[1]) / std::sqrt(2.0) > 0.6 ? face.tone.front : face.tone.slant;
  }

  // A window band seen nearly level shows single windows; at a slant the
  // windows would break into noise, so it shows as one strip of glass.
  const bool level = std::abs(poly[1].y - poly[0].y) <= 0.25 * std::abs(poly[1].x - poly[0].x);

  // Nearness across the face: a plane through three projected corners.
  const Projected& a = poly[0];
  const Projected& b = poly[1];
  const Projected& c = poly[2];
  const double det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (std::abs(det) < 1e-9) return;
  auto near_at = [&](double x, double y) {
    const double l1 = ((x - a.x) * (c.y - a.y) - (c.x - a.x) * (y - a.y)) / det;
    const double l2 = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / det;
    return a.near + l1 * (b.near - a.near) + l2 * (c.near - a.near);
  };

  double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
  for (const Projected& p : poly) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  for (int y = std::max(0, int(std::floor(y0))); y <= std::min(r.h - 1, int(std::ceil(y1))); ++y) {
    for (int x = std::max(0, int(std::floor(x0))); x <= std::min(r.w - 1, int(std::ceil(x1)));
         ++x) {
      const double cx = x + 0.5, cy = y + 0.5;
      if (!Inside(poly, cx, cy, sign)) continue;
      const double d = near_at(cx, cy);
      const std::size_t i = r.At(x, y);
      if (d <= r.depth[i] + 1e-7) continue;
      r.depth[i] = d;
      r.covered[i] = true;
      const bool glass = face.pattern == Pattern::kWindows && (!level || MirrorColumn(x, r.w) % 2 == 0);
      r.colour[i] = glass ? face.glass : base;
    }
  }
}

bool Covered(const std::vector<bool>& mask, int w, int h, int x, int y) {
  return x >= 0 && y >= 0 && x < w && y < h && mask[std::size_t(y * w + x)];
}

// The mask grown by one pixel towards its four neighbours.
std::vector<bool> Grow(const std::vector<bool>& mask, int w, int h) {
  std::vector<bool> out(mask.size(), false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      out[std::size_t(y * w + x)] = Covered(mask, w, h, x, y) || Covered(mask, w, h, x - 1, y) ||
                                    Covered(mask, w, h, x + 1, y) || Covered(mask, w, h, x, y - 1) ||
                                    Covered(mask, w, h, x, y + 1);
    }
  }
  return out;
}

double FrameHeading(int k) { return (k - 6) * 22.5; }

std::uint8_t DissolveAlpha(int level, int steps) {
  return static_cast<std::uint8_t>(std::lround(255.0 * level / steps));
}

// Draws one frame of the hull (outline = false) or of its waterline ring
// into the strip at column offset ox.
void DrawFrame(Canvas& strip, const ShipModel& m, int k, bool outline) {
  const int w = m.frame_width, h = m.frame_height, ox = k * w;
  const double heading = FrameHeading(k);
  Raster r(w, h);
  for (const Face& face : m.faces) DrawFace(r, face, heading);
  const std::vector<bool> silhouette = Grow(r.covered, w, h);
  // Nothing may touch the frame's edge: the outline needs its pixel.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (r.covered[r.At(x, y)] && (x == 0 || y == 0 || x == w - 1 || y == h - 1)) {
        throw AssetError(std::string(m.name) + " frame " + std::to_string(k) +
                         " does not fit its " + std::to_string(w) + "x" + std::to_string(h) +
                         " frame");
      }
    }
  }

  if (outline) {
    std::vector<Projected> poly;
    double area = 0;
    for (const auto& p : m.waterline) poly.push_back(Project({p[0], p[1], 0}, heading, w, h));
    for (std::size_t i = 0; i < poly.size(); ++i) {
      area += poly[i].x * poly[(i + 1) % poly.size()].y - poly[(i + 1) % poly.size()].x * poly[i].y;
    }
    std::vector<bool> water(r.covered.size(), false);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        water[r.At(x, y)] = r.covered[r.At(x, y)] && Inside(poly, x + 0.5, y + 0.5, area > 0 ? 1 : -1);
      }
    }
    const std::vector<bool> ring = Grow(water, w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (ring[r.At(x, y)] && !water[r.At(x, y)]) strip.Set(ox + x, y, kInk);
      }
    }
    return;
  }

  for (int x = 0; x < w; ++x) {
    int bottom = -1;
    for (int y = 0; y < h; ++y) {
      if (silhouette[r.At(x, y)]) bottom = y;
    }
    for (int y = 0; y <= bottom; ++y) {
      if (!silhouette[r.At(x, y)]) continue;
      const Rgba c = r.covered[r.At(x, y)] ? r.colour[r.At(x, y)] : kInk;
      const int level = std::min(bottom - y + 1, m.steps);
      strip.Set(ox + x, y, WithAlpha(c, DissolveAlpha(level, m.steps)));
    }
  }
}

Canvas DrawStrip(const ShipModel& m, bool outline) {
  Canvas strip(m.frame_width * kFrames, m.frame_height);
  for (int k = 0; k < kFrames; ++k) DrawFrame(strip, m, k, outline);
  return strip;
}

const AssetRegistration kShipImages[] = {
    {"ship01.png", [](const AssetSources&) { return DrawStrip(Yacht(), false); }},
    {"ship01outline.png", [](const AssetSources&) { return DrawStrip(Yacht(), true); }},
    {"ship02.png", [](const AssetSources&) { return DrawStrip(Liner(), false); }},
    {"ship02outline.png", [](const AssetSources&) { return DrawStrip(Liner(), true); }},
    {"ship03.png", [](const AssetSources&) { return DrawStrip(Icebreaker(), false); }},
    {"ship03outline.png", [](const AssetSources&) { return DrawStrip(Icebreaker(), true); }},
};

}  // namespace
}  // namespace assetgen
