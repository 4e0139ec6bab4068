// The sea's images. The game renders the sea as grey levels into a target
// of the screen's size (cleared to 0.5, the calm sea) and colours it through
// the water ramp; these images supply the grey levels.
//
// - "wavelf.png": the swell, 128x128, drawn twice over the screen with
//   different drifting offsets. Grey 0.5 + 0.5 v with alpha 0.5, v a sum of
//   sines in -1..1, so each layer moves the calm grey by up to +-0.25 and
//   the two together by up to +-0.375.
// - "wavehf.png": the ripples, 128x128, opaque, drawn at alpha 0.15 on top.
// Both repeat: every sine has a whole number of periods across the tile,
// so the tile wraps seamlessly; the grey is quantised to a few levels (the
// texture is filtered, so the levels blend softly on screen).
// - "waveradial.png": a wake ring, drawn scaled by radius / 244 under the
//   isometric matrix. A soft white half ring of radius 244 on the +x side
//   (-90 to +90 degrees), with a sharp outer rim and a long soft inside; the
//   game draws it twice, turned apart for slow objects, so the two halves
//   meet cleanly at the cut. The rim is some 50 texels wide so that it stays
//   whole when drawn small without mipmaps.
// - "watergradient.png": the colour of each grey level, 32x1, read by the
//   gradient shader without filtering: grey 0 the deep sea, 0.5 the calm sea
//   (the band 0.41..0.59, so that 127/255 and 128/255 both read calm), 1 the
//   foam, in the palette's sea colours.
#include <algorithm>
#include <cmath>

#include "tools/assetgen.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

using namespace palette;

constexpr double kPi = 3.14159265358979323846;
constexpr int kTile = 128;

// One term: amplitude, whole periods across the tile in x and in y, phase.
struct Wave {
  double amplitude;
  int px, py;
  double phase;
};

// Swells: long crests, stretched sideways as a sea seen at a slant.
constexpr Wave kSwell[] = {
    {1.00, 1, 2, 0.3}, {0.85, -1, 2, 1.9}, {0.60, 2, 3, 4.2},
    {0.50, 0, 1, 2.6}, {0.35, 3, -2, 5.0}, {0.30, 1, 4, 0.8},
};

// Ripples: short and busy.
constexpr Wave kRipples[] = {
    {1.00, 5, 9, 0.4}, {0.90, -6, 8, 2.2}, {0.70, 9, 5, 4.9},
    {0.60, 3, -11, 1.3}, {0.50, -10, 13, 3.7}, {0.40, 12, 4, 5.6},
};

// The normalised sum in -1..1 at every texel.
template <std::size_t N>
std::vector<double> Field(const Wave (&waves)[N]) {
  std::vector<double> v(kTile * kTile);
  double peak = 0;
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x) {
      double sum = 0;
      for (const Wave& w : waves) {
        sum += w.amplitude * std::sin(2 * kPi * (w.px * x + w.py * y) / kTile + w.phase);
      }
      v[std::size_t(y * kTile + x)] = sum;
      peak = std::max(peak, std::abs(sum));
    }
  }
  for (double& s : v) s /= peak;
  return v;
}

// Grey 0.5 + 0.5 v quantised to levels + 1 steps from 0 to 1.
std::uint8_t Grey(double v, int levels) {
  const double q = std::round((0.5 + 0.5 * v) * levels) / levels;
  return static_cast<std::uint8_t>(std::lround(q * 255));
}

template <std::size_t N>
Canvas DrawTile(const Wave (&waves)[N], int levels, std::uint8_t alpha) {
  const std::vector<double> v = Field(waves);
  Canvas c(kTile, kTile);
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x) {
      const std::uint8_t g = Grey(v[std::size_t(y * kTile + x)], levels);
      c.Set(x, y, Rgba{g, g, g, alpha});
    }
  }
  return c;
}

double SmoothStep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

Canvas DrawRadial() {
  constexpr int kSize = 512;
  constexpr double kRadius = 244, kInner = 194, kOuter = 254;
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = kSize / 2; x < kSize; ++x) {
      const double dx = x + 0.5 - kSize / 2, dy = y + 0.5 - kSize / 2;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double a = r < kRadius ? SmoothStep(kInner, kRadius, r) : 1 - SmoothStep(kRadius, kOuter, r);
      const auto alpha = static_cast<std::uint8_t>(std::lround(255 * a));
      if (alpha > 0) c.Set(x, y, WithAlpha(kWhite, alpha));
    }
  }
  return c;
}

Canvas DrawGradient() {
  // Texels per colour, from grey 0 up.
  const struct {
    Rgba colour;
    int texels;
  } kBands[] = {{kSeaDeep, 7}, {kSeaDark, 6}, {kSeaCalm, 6},
                {kSeaLight, 4}, {kSeaShallow, 4}, {kFoam, 5}};
  Canvas c(32, 1);
  int x = 0;
  for (const auto& band : kBands) {
    for (int i = 0; i < band.texels; ++i) c.Set(x++, 0, band.colour);
  }
  if (x != c.width()) throw AssetError("water ramp bands do not fill the ramp");
  return c;
}

const AssetRegistration kWaterImages[] = {
    {"wavelf.png", [](const AssetSources&) { return DrawTile(kSwell, 8, 128); }},
    {"wavehf.png", [](const AssetSources&) { return DrawTile(kRipples, 4, 255); }},
    {"waveradial.png", [](const AssetSources&) { return DrawRadial(); }},
    {"watergradient.png", [](const AssetSources&) { return DrawGradient(); }},
};

}  // namespace
}  // namespace assetgen
