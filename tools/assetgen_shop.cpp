// The shop: its two sliding doors and its buttons.
//
// The back arrow and the goods are colour grids in tools/assets/shop/shop.txt,
// the item symbols and the coin the HUD's (tools/assets/hud/hud.txt); the
// doors and the buttons are built here around them, with their words set
// in the game's fonts (tools/assets/fonts/).
//
// How the game draws them (virtual pixels):
// - shop_bg.png, two frames of 240 columns, each with its handle at its
//   left edge and vertical centre: the left door is drawn from cx - 240 to
//   cx, the right door from cx to cx + 240, both around the screen's
//   vertical centre cy, and they slide apart by half the screen width
//   each. Laid side by side the frames are one closed scene whose centre
//   (column 240, row 180) lies on the screen centre; 480 x 360 covers every
//   virtual screen (at most 479 x 359). The buttons cover the scene in two
//   columns of 80 x 32 around (cx -+ 60, cy - 46 / - 7 / + 32); shelves run
//   through the gaps between their rows, the goods on them show between
//   the columns and at the screen edges, and a counter carries the
//   inventory bar at the bottom.
// - shop_buttons.png, 16 frames of 80 x 32 drawn centred at the button's
//   centre: 0 to 3 heal, big heal, shield and revive disabled, 4 to 7 the
//   same enabled, 8 a spare button (never drawn), 9 back, 10 to 13 the
//   items pressed, 14 the spare pressed, 15 back pressed. A face is a
//   rounded plate of 80 x 31 on a one-row ink lip; pressed is the same face
//   one row lower, over the lip. The game sets the price in the tiny font
//   right-aligned at frame column 45 with its cell top at row 21 (one row
//   lower when pressed): columns 25 to 45 of rows 21 to 29 stay plain face,
//   and the coin stands just right of the price.
#include <string>
#include <vector>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr const char* kGrids = "shop/shop.txt";

Canvas GridImage(const AssetSources& s, const std::string& name) { return ReadGridImage(s, kGrids, name); }

// The item icons and the coin, the same pictures as the HUD's.
Canvas HudImage(const AssetSources& s, const std::string& name) { return ReadGridImage(s, kHudGrids, name); }

// ---------------------------------------------------------------------------
// shop_buttons.png

constexpr int kButtonW = 80;
constexpr int kButtonH = 32;
constexpr int kFaceH = kButtonH - 1;
// The price: right edge (inclusive) and cell top, as the game sets it.
constexpr int kPriceRight = 45;
constexpr int kPriceTop = 21;

struct ButtonLook {
  const char* symbol;  // the HUD's icon, or nullptr for the spare
  const char* word;    // the label, or nullptr
  bool price;          // the coin after the price
};

// The item buttons: the symbol in a window at the left, the name over a
// rule, the coin after the price under it.
void DrawItemFace(Canvas& c, const AssetSources& s, const Font& font, int x0, int top, const ButtonLook& look,
                  bool enabled) {
  const Rgba rim = enabled ? pal::kUiLight : pal::kUiGrey;
  const Rgba word = enabled ? pal::kUiLight : pal::kUiGrey;
  Plate(c, x0, top, kButtonW, kFaceH, rim, pal::kUiDark);
  // The symbol's window: 18 x 23, dark blue like the sea at night.
  Plate(c, x0 + 4, top + 4, 18, 23, pal::kInk, pal::kSeaDeep);
  const Canvas symbol = HudImage(s, look.symbol);
  const int sx = x0 + 4 + (18 - symbol.width()) / 2, sy = top + 4 + (23 - symbol.height()) / 2;
  if (enabled) {
    BlitClipped(c, symbol, sx, sy);
  } else {
    BlitGreyed(c, symbol, sx, sy);
  }
  // The name, cell top at row 3: lower case ink on rows 6 to 10.
  DrawText(c, font, look.word, x0 + 26, top + 3 + 1, word);
  // The rule between name and price.
  c.Fill(x0 + 26, top + 16, 49, 1, pal::kUiGrey);
  // The coin, its middle on the digits' middle rows.
  const Canvas coin = HudImage(s, "coin");
  if (enabled) {
    BlitClipped(c, coin, x0 + kPriceRight + 2, top + kPriceTop + 2);
  } else {
    BlitGreyed(c, coin, x0 + kPriceRight + 2, top + kPriceTop + 2);
  }
}

// The back button: the arrow and the word, centred together.
void DrawBackFace(Canvas& c, const AssetSources& s, const Font& font, int x0, int top) {
  Plate(c, x0, top, kButtonW, kFaceH, pal::kUiLight, pal::kUiDark);
  const Canvas arrow = GridImage(s, "back");
  const std::string word = "back";
  const int width = arrow.width() + 4 + font.InkWidth(word);
  const int ax = x0 + (kButtonW - width) / 2;
  BlitClipped(c, arrow, ax, top + (kFaceH - arrow.height()) / 2);
  // The word's cell top so that its lower case (cell rows 3 to 7 of the
  // glyph) sits on the arrow's middle.
  DrawText(c, font, word, ax + arrow.width() + 4, top + (kFaceH - 9) / 2 - 1, pal::kUiLight);
}

enum class Face { Item, Back, Spare };

void DrawButton(Canvas& c, const AssetSources& s, const Font& font, int frame, Face face, const ButtonLook& look,
                bool enabled, bool pressed) {
  const int x0 = frame * kButtonW;
  const int top = pressed ? 1 : 0;
  // The lip under a raised face; a pressed face covers it.
  if (!pressed) {
    c.Fill(x0 + 1, 1, kButtonW - 2, kFaceH, pal::kInk);
    c.Fill(x0, 2, kButtonW, kFaceH - 2, pal::kInk);
  }
  switch (face) {
    case Face::Item:
      DrawItemFace(c, s, font, x0, top, look, enabled);
      break;
    case Face::Back:
      DrawBackFace(c, s, font, x0, top);
      break;
    case Face::Spare:
      Plate(c, x0, top, kButtonW, kFaceH, pal::kUiGrey, pal::kUiDark);
      break;
  }
}

Canvas ShopButtons(const AssetSources& s) {
  const Font font = LoadFont(s, "fonts/regular.txt");
  Canvas c(kButtonW * 16, kButtonH);
  const ButtonLook items[4] = {{"icn_heal.png", "heal", true},
                               {"icn_bigheal.png", "big heal", true},
                               {"icn_invulnerability.png", "shield", true},
                               {"icn_revive.png", "revive", true}};
  for (int i = 0; i < 4; ++i) {
    DrawButton(c, s, font, i, Face::Item, items[i], false, false);
    DrawButton(c, s, font, i + 4, Face::Item, items[i], true, false);
    DrawButton(c, s, font, i + 10, Face::Item, items[i], true, true);
  }
  DrawButton(c, s, font, 8, Face::Spare, {}, true, false);
  DrawButton(c, s, font, 14, Face::Spare, {}, true, true);
  DrawButton(c, s, font, 9, Face::Back, {}, true, false);
  DrawButton(c, s, font, 15, Face::Back, {}, true, true);
  return c;
}

// ---------------------------------------------------------------------------
// shop_bg.png

constexpr int kSceneW = 480;
constexpr int kSceneH = 360;
constexpr int kMidX = kSceneW / 2;  // the seam: the right door's first column
constexpr int kMidY = kSceneH / 2;  // the screen's vertical centre

// Two shelves 39 rows apart, the buttons' row spacing, their tops in the
// gaps between the rows of buttons (rows cy - 30 to cy - 24 and cy + 9 to
// cy + 15).
constexpr int kShelfStep = 39;
constexpr int kShelfTop = 13;  // relative to the centre; the upper one at -26
// The button columns' near and far sides, counted from the seam.
constexpr int kColumnNear = 20;
constexpr int kColumnFar = 100;
// The counter's top, under the last row of buttons.
constexpr int kCounterTop = 50;

// Wall planks: six rows each, the joints staggered between planks.
void Wall(Canvas& c) {
  c.Fill(0, 0, kSceneW, kSceneH, pal::kWood);
  for (int y = 0; y < kSceneH; ++y) {
    const int row = y - kMidY;
    const int plank = (row + 600) / 6, inPlank = (row + 600) % 6;
    if (inPlank == 5) {
      c.Fill(0, y, kSceneW, 1, pal::kWoodDark);
      continue;
    }
    const int offset = (plank % 2) * 23;
    for (int x = offset; x < kSceneW; x += 46) c.Set(x, y, pal::kWoodDark);
  }
}

struct Good {
  const char* name;
  int width;
};

// The goods along one shelf of one door, from the seam outward, standing
// on the shelf whose top row is `top`. `dir` is -1 for the left door.
void Goods(Canvas& c, const AssetSources& s, int top, int dir, int start) {
  static const Good kRow[] = {{"bottle_green", 5}, {"bottle_red", 5}, {"jar", 7},          {"crate", 8},
                              {"bottle_red", 5},   {"buoy", 11},      {"bottle_green", 5}, {"jar", 7},
                              {"crate", 8},        {"bottle_green", 5}};
  constexpr int n = sizeof kRow / sizeof kRow[0];
  int edge = 4;  // distance of the next good's near side from the seam
  for (int i = start; edge < kMidX - 6; ++i) {
    const Good& g = kRow[i % n];
    // Nothing stands behind the column of buttons (80 columns from 20 to
    // 100 away from the seam), where only a sliver of it would peek out.
    if (edge + g.width > kColumnNear - 2 && edge < kColumnFar + 2) {
      edge = kColumnFar + 2;
      continue;
    }
    const Canvas img = GridImage(s, g.name);
    const int x = dir > 0 ? kMidX + edge : kMidX - edge - g.width;
    BlitClipped(c, img, x, top - img.height());
    edge += g.width + 2 + (i % 3 == 2 ? 3 : 0);
  }
}

void Shelves(Canvas& c, const AssetSources& s) {
  for (int k = 0; k < 2; ++k) {
    const int y = kMidY + kShelfTop - kShelfStep * k;
    // Brackets under the shelf, then the board: lit top, front, ink edge.
    for (int x = 30; x < kSceneW; x += 60) {
      c.Fill(x, y + 3, 2, 3, pal::kWoodDark);
      c.Fill(x, y + 3, 1, 2, pal::kInk);
    }
    c.Fill(0, y, kSceneW, 1, pal::kDeck);
    c.Fill(0, y + 1, kSceneW, 2, pal::kWoodDark);
    c.Fill(0, y + 3, kSceneW, 1, pal::kInk);
    Goods(c, s, y, -1, k * 3);
    Goods(c, s, y, 1, k * 3 + 5);
  }
}

// The ceiling beam just above the screen's top at 135 rows, and the dark
// loft above it, for taller screens.
void Ceiling(Canvas& c) {
  const int y = kMidY - 74;
  c.Fill(0, 0, kSceneW, y, pal::kWoodDark);
  c.Fill(0, y, kSceneW, 1, pal::kInk);
  c.Fill(0, y + 1, kSceneW, 1, pal::kDeck);
  c.Fill(0, y + 2, kSceneW, 3, pal::kWood);
  c.Fill(0, y + 5, kSceneW, 1, pal::kInk);
  for (int x = 0; x < kSceneW; x += 40) c.Fill(x, 0, 2, y, pal::kInk);
}

// The counter: a lit top edge and a panelled front to the bottom.
void Counter(Canvas& c) {
  const int y = kMidY + kCounterTop;
  c.Fill(0, y - 1, kSceneW, 1, pal::kInk);
  c.Fill(0, y, kSceneW, 2, pal::kDeck);
  c.Fill(0, y + 2, kSceneW, 1, pal::kInk);
  c.Fill(0, y + 3, kSceneW, kSceneH - y - 3, pal::kWoodDark);
  for (int x = 8; x < kSceneW; x += 20) {
    c.Fill(x, y + 6, 1, kSceneH - y - 6, pal::kInk);
    c.Fill(x + 1, y + 6, 1, kSceneH - y - 6, pal::kWood);
  }
}

// Lanterns hanging on the wall at the screen's edges (at 240 wide) and
// every 120 columns beyond.
void Lanterns(Canvas& c, const AssetSources& s) {
  const Canvas lantern = GridImage(s, "lantern");
  const int y = kMidY - 62;
  for (int dx = 110; dx < kMidX; dx += 120) {
    for (int side : {-1, 1}) {
      const int x = kMidX + side * dx - lantern.width() / 2 - (side < 0 ? 1 : 0);
      c.Fill(x + 3, y - 6, 1, 6, pal::kInk);
      BlitClipped(c, lantern, x, y);
    }
  }
}

// The sign over the seam, cut in two with the doors, on two short chains.
void Sign(Canvas& c, const Font& font) {
  const int w = 34, h = 13, x = kMidX - w / 2, y = kMidY - 62;
  c.Fill(x + 4, y - 4, 1, 4, pal::kInk);
  c.Fill(x + w - 5, y - 4, 1, 4, pal::kInk);
  Plate(c, x, y, w, h, pal::kInk, pal::kWoodDark);
  c.Fill(x + 1, y + 1, w - 2, 1, pal::kWood);
  const std::string word = "SHOP";
  DrawText(c, font, word, kMidX - (font.InkWidth(word) + 1) / 2, y + 2, pal::kGold);
}

// Where the doors meet: each door's edge a dark stile with a gold pull.
void Seam(Canvas& c) {
  for (int y = 0; y < kSceneH; ++y) {
    c.Set(kMidX - 2, y, pal::kWoodDark);
    c.Set(kMidX - 1, y, pal::kInk);
    c.Set(kMidX, y, pal::kInk);
    c.Set(kMidX + 1, y, pal::kWoodDark);
  }
  for (int side : {-1, 1}) {
    const int x = side < 0 ? kMidX - 6 : kMidX + 4;
    const int y = kMidY - 16;
    c.Fill(x, y, 2, 10, pal::kInk);
    c.Fill(x, y + 1, 1, 8, pal::kGold);
    c.Fill(x + 1, y + 1, 1, 8, pal::kGoldDark);
  }
  // The doors' outer edges, shown only on the widest screens.
  c.Fill(0, 0, 1, kSceneH, pal::kInk);
  c.Fill(kSceneW - 1, 0, 1, kSceneH, pal::kInk);
}

Canvas ShopBackground(const AssetSources& s) {
  const Font font = LoadFont(s, "fonts/regular.txt");
  Canvas c(kSceneW, kSceneH);
  Wall(c);
  Ceiling(c);
  Shelves(c, s);
  Counter(c);
  Lanterns(c, s);
  Seam(c);
  Sign(c, font);
  return c;
}

const AssetRegistration kShopImages[] = {
    {"shop_bg.png", ShopBackground},
    {"shop_buttons.png", ShopButtons},
};

}  // namespace
}  // namespace assetgen
