// The main menu's images: the background, the inventory bar's tag, the
// three buttons with their pressed looks, and the thumbnail frame.
//
// The symbols and the item icons are colour grids in
// tools/assets/menu/menu.txt, the coin the HUD's (tools/assets/hud/hud.txt);
// the words on the buttons are set in the game's own font
// (tools/assets/fonts/regular.txt).
//
// How the game draws them at 240x135 (virtual pixels, handles on whole
// pixels):
// - "menu_bg.png", 480x360, centred on the screen: the 240x135 view is its
//   rectangle from (120, 113). The view's horizon is between rows 47 and
//   48; the sky above holds the two thumbnail frames (centres (60, 28) and
//   (180, 28)) with a large iceberg between them, the sea below the three
//   buttons (centres (60, 63), (180, 63), (120, 97)) and the bar.
// - "menu_tag.png", 240x12, handle at its bottom centre, drawn at (cx, h):
//   the numbers are set in the tiny font right-aligned at cx - 70, - 25,
//   + 20, + 65 and + 110 with their top at h - 9, that is ending at tag
//   columns 50, 95, 140, 185 and 230, on rows 4 to 8; each field is a dark
//   well with its icon right of the number.
// - "menu_buttons.png", 6 frames of 94x26 around the button's centre:
//   campaign, open world, exit, then the same pressed. A raised button is
//   a plate on rows 0 to 23 over a two-row lip; pressed, the plate sits two
//   rows lower on no lip, with a gold rim.
// - "menu_frame.png", 56x40 around (x, 28): a window onto the sea with its
//   waterline at frame row 25, where the game puts the thumbnail iceberg
//   (face top at frame row 1 at level 20, 14 at level 1) and the level
//   number (game font, left edge at frame column 13, top at row 26).
#include <algorithm>
#include <cmath>
#include <string>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr const char* kGrids = "menu/menu.txt";

Canvas GridPiece(const AssetSources& s, const std::string& name) { return ReadGridImage(s, kGrids, name); }

// A small integer hash, for the fixed scatter of stars and wave dashes.
std::uint32_t Hash(int x, int y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

// ---------------------------------------------------------------------------
// The background.

constexpr int kBgWidth = 480;
constexpr int kBgHeight = 360;
// Image pixel of the view's (0, 0).
constexpr int kViewX = 120;
constexpr int kViewY = 113;
// First sea row of the view.
constexpr int kHorizon = 48;

struct Band {
  int from;  // first view row
  Rgba colour;
};

// Sky and sea from the top down; the last row before each band change is
// a checker of the two colours.
const Band kBands[] = {
    {-200, pal::kInk},        {-30, pal::kHullNavyDark}, {6, pal::kHullNavy},  {24, pal::kSeaDark},
    {36, pal::kSeaCalm},      {44, pal::kSeaLight},      {kHorizon, pal::kSeaDeep}, {72, pal::kSeaDark},
    {100, pal::kSeaCalm},
};

Rgba BandColour(int vx, int vy) {
  const int n = static_cast<int>(std::size(kBands));
  int i = 0;
  while (i + 1 < n && vy >= kBands[i + 1].from) ++i;
  // The checker row above a change, but not at the horizon, which stays a
  // hard line.
  if (i + 1 < n && vy == kBands[i + 1].from - 1 && kBands[i + 1].from != kHorizon && ((vx + vy) & 1)) {
    return kBands[i + 1].colour;
  }
  return kBands[i].colour;
}

// The lighter colour of a wave dash on the sea's band.
Rgba WaveColour(Rgba band) {
  if (band == pal::kSeaDeep) return pal::kSeaCalm;
  if (band == pal::kSeaDark) return pal::kSeaLight;
  return pal::kSeaShallow;
}

// An iceberg standing on the horizon: its top edge through the points
// (view x, view y) from the left foot to the right foot; left of the line
// from the peak to `ridgeFootX` lit, right of it in shade.
struct Berg {
  std::vector<std::pair<int, int>> outline;
  int ridgeFootX;
};

int TopAt(const Berg& b, int vx) {
  for (std::size_t i = 0; i + 1 < b.outline.size(); ++i) {
    const auto [x0, y0] = b.outline[i];
    const auto [x1, y1] = b.outline[i + 1];
    if (vx >= x0 && vx <= x1) {
      if (x1 == x0) return std::min(y0, y1);
      return y0 + static_cast<int>(std::lround(static_cast<double>(y1 - y0) * (vx - x0) / (x1 - x0)));
    }
  }
  return kHorizon;  // not over the berg
}

void DrawBerg(Canvas& c, const Berg& b) {
  const int left = b.outline.front().first, right = b.outline.back().first;
  auto peak = std::min_element(b.outline.begin(), b.outline.end(),
                               [](const auto& p, const auto& q) { return p.second < q.second; });
  const int px = peak->first, py = peak->second;
  const int height = kHorizon - py;
  for (int vx = left; vx <= right; ++vx) {
    const int top = TopAt(b, vx);
    for (int vy = top; vy < kHorizon; ++vy) {
      // Where the ridge runs on this row.
      const int ridge = px + (b.ridgeFootX - px) * (vy - py) / std::max(1, height);
      const bool lit = vx < ridge;
      const bool low = vy >= kHorizon - std::max(2, height / 4);
      Rgba colour;
      if (vy == top) {
        colour = lit ? pal::kIceWhite : pal::kIceLight;
      } else if (lit) {
        colour = low ? pal::kIceCyan : pal::kIceLight;
      } else {
        colour = low ? pal::kIceShade : pal::kIceCyan;
      }
      c.Set(vx + kViewX, vy + kViewY, colour);
    }
  }
  // The foot under the water: a darker band narrowing for three rows.
  for (int k = 0; k < 3; ++k) {
    const int vy = kHorizon + k;
    for (int vx = left + 2 + 2 * k; vx <= right - 2 - 2 * k; ++vx) {
      c.Set(vx + kViewX, vy + kViewY, k == 2 && ((vx + vy) & 1) ? pal::kSeaDark : pal::kIceDeep);
    }
  }
}

void DrawMoon(Canvas& c, int cx, int cy) {
  constexpr int r = 5;
  for (int dy = -r; dy <= r; ++dy) {
    for (int dx = -r; dx <= r; ++dx) {
      const int d2 = dx * dx + dy * dy;
      if (d2 > r * r + 1) continue;
      // Lit from the top left; the rim opposite and two seas in a paler ice.
      const bool rim = (dx + dy) >= 5;
      const bool sea = (dx == 1 && dy == -1) || (dx == 2 && dy == -1) || (dx == -2 && dy == 2);
      c.Set(cx + dx + kViewX, cy + dy + kViewY, rim || sea ? pal::kIceLight : pal::kFoam);
    }
  }
}

Canvas MakeBackground(const AssetSources&) {
  Canvas c(kBgWidth, kBgHeight);
  for (int y = 0; y < kBgHeight; ++y) {
    for (int x = 0; x < kBgWidth; ++x) c.Set(x, y, BandColour(x - kViewX, y - kViewY));
  }

  // Stars in the upper sky: a sparse fixed scatter, a few of them brighter
  // with four arms.
  for (int y = 0; y < kBgHeight; ++y) {
    const int vy = y - kViewY;
    if (vy >= 30) break;
    for (int x = 2; x < kBgWidth - 2; ++x) {
      const std::uint32_t h = Hash(x, y);
      if (h % 211 != 0) continue;
      const bool bright = (h >> 9) % 5 == 0 && vy < 20 && y > 1;
      c.Set(x, y, bright ? pal::kIceWhite : pal::kIceLight);
      if (bright) {
        c.Set(x - 1, y, pal::kIceShade);
        c.Set(x + 1, y, pal::kIceShade);
        c.Set(x, y - 1, pal::kIceShade);
        c.Set(x, y + 1, pal::kIceShade);
      }
    }
  }

  // Wave dashes on the sea, longer and further apart toward the viewer.
  for (int y = 0; y < kBgHeight; ++y) {
    const int vy = y - kViewY;
    if (vy < kHorizon + 3 || (vy - kHorizon) % 4 != 1) continue;
    const int depth = std::max(0, vy - kHorizon);
    const int length = 2 + depth / 14;
    const int period = 13 + depth / 5;
    const int phase = static_cast<int>(Hash(0, y) % static_cast<std::uint32_t>(period));
    for (int x = 0; x < kBgWidth; ++x) {
      const int k = x + phase;
      if (k % period >= length) continue;
      // Every dash has its own small shift, so the rows do not line up.
      const int shift = static_cast<int>(Hash(k / period, y) % 3);
      const int xx = x + shift;
      if (xx >= kBgWidth) continue;
      c.Set(xx, y, WaveColour(BandColour(xx - kViewX, vy)));
    }
  }

  DrawMoon(c, 18, 15);

  // The large iceberg between the frames, and small ones along the
  // horizon, some beyond the 240x135 view for wider windows.
  const Berg big{{{91, 48}, {95, 42}, {99, 40}, {103, 33}, {107, 31}, {111, 23}, {115, 19}, {118, 14},
                  {121, 12}, {124, 15}, {127, 21}, {131, 23}, {135, 30}, {139, 33}, {143, 40}, {147, 44},
                  {150, 48}},
                 128};
  DrawBerg(c, big);
  const Berg smalls[] = {
      {{{2, 48}, {6, 43}, {10, 41}, {13, 38}, {17, 39}, {21, 43}, {25, 48}}, 15},
      {{{210, 48}, {214, 44}, {218, 42}, {222, 40}, {226, 43}, {230, 45}, {234, 48}}, 223},
      {{{-96, 48}, {-90, 41}, {-84, 38}, {-80, 40}, {-74, 44}, {-70, 48}}, -82},
      {{{262, 48}, {266, 45}, {272, 43}, {276, 45}, {280, 48}}, 273},
      {{{318, 48}, {323, 42}, {327, 36}, {331, 38}, {336, 43}, {341, 48}}, 329},
  };
  for (const Berg& b : smalls) DrawBerg(c, b);
  return c;
}

// ---------------------------------------------------------------------------
// The inventory bar's tag.

constexpr int kTagWidth = 240;
constexpr int kTagHeight = 12;
// Where the numbers end (right-aligned), in tag columns.
constexpr int kFieldEnds[5] = {50, 95, 140, 185, 230};

Canvas MakeTag(const AssetSources& s) {
  Canvas c(kTagWidth, kTagHeight);
  // The plate: an ink rim, a grey highlight row and the dark face, its top
  // corners cut; it runs off the bottom of the screen.
  c.Fill(1, 0, kTagWidth - 2, 1, pal::kInk);
  c.Fill(0, 1, kTagWidth, kTagHeight - 1, pal::kInk);
  c.Fill(1, 1, kTagWidth - 2, 1, pal::kUiGrey);
  c.Fill(1, 2, kTagWidth - 2, kTagHeight - 2, pal::kUiDark);

  // The item icons at the bar's size, and the HUD's coin.
  const Canvas icons[5] = {GridPiece(s, "bar_heal"), GridPiece(s, "bar_bigheal"),
                           GridPiece(s, "bar_invulnerability"), GridPiece(s, "bar_revive"),
                           ReadGridImage(s, kHudGrids, "coin")};
  for (int i = 0; i < 5; ++i) {
    const int end = kFieldEnds[i];
    // Room for three digits (five for the coins) left of the end, and the
    // icon right of it.
    const int left = end - (i == 4 ? 22 : 15);
    const int right = end + 9;
    c.Fill(left + 1, 2, right - left - 2, 1, pal::kInk);
    c.Fill(left, 3, right - left, kTagHeight - 5, pal::kInk);
    c.Fill(left + 1, kTagHeight - 2, right - left - 2, 1, pal::kInk);
    const Canvas& icon = icons[i];
    Blit(c, icon, end + 1 + (7 - icon.width()) / 2, 3 + (7 - icon.height()) / 2);
  }
  return c;
}

// ---------------------------------------------------------------------------
// The buttons.

constexpr int kButtonWidth = 94;
constexpr int kButtonHeight = 26;
constexpr int kLip = 2;

void DrawButton(Canvas& c, const Font& font, const Canvas& symbol, const std::string& label, int frame,
                bool pressed) {
  const int x0 = frame * kButtonWidth;
  const int top = pressed ? kLip : 0;
  const int faceH = kButtonHeight - kLip;
  const Rgba rimLight = pressed ? pal::kGold : pal::kUiLight;
  const Rgba rimShade = pressed ? pal::kGoldDark : pal::kUiGrey;
  // Ink outline with cut corners; while raised the lip continues it below.
  const int inkH = pressed ? faceH : kButtonHeight;
  c.Fill(x0 + 1, top, kButtonWidth - 2, inkH, pal::kInk);
  c.Fill(x0, top + 1, kButtonWidth, inkH - 2, pal::kInk);
  // The rim: lit on the top and left, shaded on the bottom and right.
  c.Fill(x0 + 1, top + 1, kButtonWidth - 2, faceH - 2, rimShade);
  c.Fill(x0 + 1, top + 1, kButtonWidth - 3, faceH - 3, rimLight);
  c.Fill(x0 + 2, top + 2, kButtonWidth - 4, faceH - 4, pal::kUiDark);
  // A lighter band over the upper half of the face.
  c.Fill(x0 + 2, top + 2, kButtonWidth - 4, 1, pal::kUiGrey);

  const int gap = 4;
  const int width = symbol.width() + gap + font.InkWidth(label);
  const int sx = x0 + (kButtonWidth - width) / 2;
  const int textTop = top + 7;
  Blit(c, symbol, sx, textTop + (font.grid.height - symbol.height()) / 2);
  const int tx = sx + symbol.width() + gap;
  DrawText(c, font, label, tx, textTop + 1, pal::kInk);
  DrawText(c, font, label, tx, textTop, pressed ? pal::kGold : pal::kIceWhite);
}

Canvas MakeButtons(const AssetSources& s) {
  const Font font = LoadFont(s, "fonts/regular.txt");
  struct Button {
    const char* symbol;
    const char* label;
  };
  const Button buttons[3] = {{"sym_campaign", "Campaign"}, {"sym_openworld", "Open world"}, {"sym_exit", "Exit"}};
  Canvas c(kButtonWidth * 6, kButtonHeight);
  for (int i = 0; i < 3; ++i) {
    const Canvas symbol = GridPiece(s, buttons[i].symbol);
    DrawButton(c, font, symbol, buttons[i].label, i, false);
    DrawButton(c, font, symbol, buttons[i].label, i + 3, true);
  }
  return c;
}

// ---------------------------------------------------------------------------
// The thumbnail frame.

constexpr int kFrameWidth = 56;
constexpr int kFrameHeight = 40;
constexpr int kFrameWaterline = 25;

Canvas MakeFrame(const AssetSources&) {
  Canvas c(kFrameWidth, kFrameHeight);
  const int w = kFrameWidth, h = kFrameHeight;
  // Outline with cut corners, a two-pixel rim lit on the top and left, an
  // inner ink line, and the window.
  c.Fill(1, 0, w - 2, h, pal::kInk);
  c.Fill(0, 1, w, h - 2, pal::kInk);
  c.Fill(1, 1, w - 2, h - 2, pal::kUiGrey);
  c.Fill(1, 1, w - 3, h - 3, pal::kUiLight);
  c.Fill(2, 2, w - 4, h - 4, pal::kUiGrey);
  c.Fill(3, 3, w - 6, h - 6, pal::kInk);
  // The window: night sky over the sea, the waterline where the thumbnail
  // iceberg floats.
  for (int y = 4; y < h - 4; ++y) {
    for (int x = 4; x < w - 4; ++x) {
      Rgba colour;
      if (y < 12) {
        colour = y == 11 && ((x + y) & 1) ? pal::kSeaDark : pal::kHullNavy;
      } else if (y < kFrameWaterline - 2) {
        colour = pal::kSeaDark;
      } else if (y < kFrameWaterline) {
        colour = pal::kSeaCalm;
      } else {
        colour = pal::kSeaDeep;
      }
      c.Set(x, y, colour);
    }
  }
  // Wave dashes under the waterline.
  for (int y = kFrameWaterline + 2; y < h - 4; y += 3) {
    for (int x = 4; x < w - 4; ++x) {
      if ((x + 5 * y) % 11 < 3) c.Set(x, y, pal::kSeaCalm);
    }
  }
  // Two stars.
  c.Set(9, 6, pal::kIceLight);
  c.Set(45, 8, pal::kIceLight);
  // Gold rivets in the rim's corners.
  for (const auto& [x, y] : {std::pair{1, 1}, {w - 3, 1}, {1, h - 3}, {w - 3, h - 3}}) {
    c.Fill(x, y, 2, 2, pal::kGold);
    c.Set(x + 1, y + 1, pal::kGoldDark);
  }
  return c;
}

const AssetRegistration kMenuImages[] = {
    {"menu_bg.png", MakeBackground},
    {"menu_tag.png", MakeTag},
    {"menu_buttons.png", MakeButtons},
    {"menu_frame.png", MakeFrame},
};

}  // namespace
}  // namespace assetgen
