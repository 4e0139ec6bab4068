// The play screen's HUD: the top bar's end tags, the item bar's keys, the
// on-screen buttons, the rows of the pause and you-died overlays, the four
// item icons and the speech balloon.
//
// Icons, symbols and the balloon are colour grids in
// tools/assets/hud/hud.txt; the keys and rows are built here around them,
// with their words set in the game's fonts (tools/assets/fonts/).
//
// How the game draws them (virtual pixels, frames centred on whole pixels):
// - Keys: a strip's base frame at the key's position and a face frame one
//   pixel higher, or the face alone at the position while it is held. A
//   face is a rounded plate one row shorter than its frame; the base is the
//   same plate one row taller in ink, so a raised face shows a two-row lip
//   and a held one none. The empty and disabled looks are drawn alone and
//   carry a one-row lip of their own.
// - Item bar, 36x18 frames around (x, y), face drawn at (x, y - 1): the
//   count is set in the tiny font right-aligned at x + 14, top y - 4, that
//   is on face columns up to 31 from face row 6, white on the face.
// - Pause and you-died rows, 80x13 frames around (cx, y): the price "6000"
//   in the tiny font right-aligned at cx + 26, top two rows under the face
//   top, that is on face columns 50 to 65, rows 2 to 9.
// - Tags, 80x10, drawn at (-40, 0) and (w - 40, 0): the right half is the
//   level plate at the screen's left end (the level in the game font,
//   outlined, centred at x 30), the left half the coins plate at its right
//   end (the coins in the tiny font right-aligned at w - 1, top 1). Both
//   cover the ends of the bars and lines in rows 0 to 8.
#include <algorithm>
#include <string>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

Canvas GridImage(const AssetSources& s, const std::string& name) { return ReadGridImage(s, kHudGrids, name); }

// A solid plate with cut corners.
void Solid(Canvas& c, int x, int y, int w, int h, Rgba colour) { Plate(c, x, y, w, h, colour, colour); }

// Key geometry of a strip: frames of fw x fh; the face spans columns
// [inset, fw - inset) and rows [0, fh - 1).
struct Keys {
  int fw, fh, inset;
  int FaceW() const { return fw - 2 * inset; }
  int FaceH() const { return fh - 1; }
  // The base: the face's plate one row taller, in ink.
  void Base(Canvas& c, int frame) const { Solid(c, frame * fw + inset, 0, FaceW(), fh, pal::kInk); }
  // A face in its rim and fill colours.
  void Face(Canvas& c, int frame, Rgba rim) const {
    Plate(c, frame * fw + inset, 0, FaceW(), FaceH(), rim, pal::kUiDark);
  }
  // The look drawn alone (empty or disabled): the face on a one-row lip.
  void Flat(Canvas& c, int frame) const {
    Solid(c, frame * fw + inset, 1, FaceW(), FaceH(), pal::kInk);
    Face(c, frame, pal::kUiGrey);
  }
};

// hud_items.png: frames 0 to 3 the empty look of healing, big healing,
// invulnerability and revive, 4 to 7 their faces, 8 the base. The icon
// sits centred in the 15x15 square left of the count.
Canvas Items(const AssetSources& s) {
  const Keys keys{36, 18, 1};
  Canvas c(keys.fw * 9, keys.fh);
  const char* icons[] = {"icn_heal.png", "icn_bigheal.png", "icn_invulnerability.png",
                         "icn_revive.png"};
  for (int i = 0; i < 4; ++i) {
    const Canvas icon = GridImage(s, icons[i]);
    const int ix = 2 + (15 - icon.width()) / 2, iy = 1 + (15 - icon.height()) / 2;
    keys.Flat(c, i);
    BlitGreyed(c, icon, i * keys.fw + ix, iy);
    keys.Face(c, i + 4, pal::kUiLight);
    Blit(c, icon, (i + 4) * keys.fw + ix, iy);
  }
  keys.Base(c, 8);
  return c;
}

// hud_buttons.png: pause, resume, confirm (the space bar's sign), base.
Canvas Buttons(const AssetSources& s) {
  const Keys keys{24, 12, 0};
  Canvas c(keys.fw * 4, keys.fh);
  const char* symbols[] = {"pause", "resume", "space"};
  for (int i = 0; i < 3; ++i) {
    const Canvas symbol = GridImage(s, symbols[i]);
    keys.Face(c, i, pal::kUiLight);
    Blit(c, symbol, i * keys.fw + (keys.fw - symbol.width()) / 2,
         (keys.FaceH() - symbol.height()) / 2);
  }
  keys.Base(c, 3);
  return c;
}

// One row of the pause and you-died overlays: a symbol at the left and a
// word in the game font, the word centred on the row unless `word_x` says
// where it starts.
struct RowLook {
  const char* symbol;  // grid name, or nullptr
  const char* word;
  int word_x = -1;
  bool coin = false;  // the coin after the price
};

constexpr int kRowWordTop = 0;   // cell top: lower case on rows 3 to 7
constexpr int kPriceRight = 66;  // the price's right edge (exclusive)
constexpr int kPriceTop = 2;     // the price's cell top

void DrawRow(Canvas& c, const AssetSources& s, const Font& font, const Keys& keys, int frame,
             const RowLook& look, bool enabled) {
  const int x0 = frame * keys.fw;
  if (enabled) {
    keys.Face(c, frame, pal::kUiLight);
  } else {
    keys.Flat(c, frame);
  }
  const Rgba ink = enabled ? pal::kUiLight : pal::kUiGrey;
  if (look.symbol != nullptr) {
    const Canvas symbol = GridImage(s, look.symbol);
    const int sx = x0 + 12 - symbol.width() / 2, sy = (keys.FaceH() - symbol.height()) / 2;
    if (enabled) {
      Blit(c, symbol, sx, sy);
    } else {
      BlitGreyed(c, symbol, sx, sy);
    }
  }
  const int word_x =
      look.word_x >= 0 ? look.word_x : (keys.fw - font.InkWidth(look.word) + 1) / 2;
  DrawText(c, font, look.word, x0 + word_x, kRowWordTop + 1, ink);
  if (look.coin) {
    const Canvas coin = GridImage(s, "coin");
    const int cy = kPriceTop + 1;
    if (enabled) {
      Blit(c, coin, x0 + kPriceRight + 1, cy);
    } else {
      BlitGreyed(c, coin, x0 + kPriceRight + 1, cy);
    }
  }
}

const Keys kRows{80, 13, 0};

// hud_pausebuttons.png: shop, resume, menu, base.
Canvas PauseButtons(const AssetSources& s) {
  const Font font = LoadFont(s, "fonts/regular.txt");
  Canvas c(kRows.fw * 4, kRows.fh);
  const RowLook rows[] = {{"coin", "shop"}, {"resume", "resume"}, {"menu", "menu"}};
  for (int i = 0; i < 3; ++i) DrawRow(c, s, font, kRows, i, rows[i], true);
  kRows.Base(c, 3);
  return c;
}

// hud_youdiedbuttons.png: revive with an item and buy a revive, disabled;
// the same enabled; menu; base. The buy rows leave the price to the game.
Canvas YouDiedButtons(const AssetSources& s) {
  const Font font = LoadFont(s, "fonts/regular.txt");
  Canvas c(kRows.fw * 6, kRows.fh);
  const RowLook revive{"icn_revive.png", "revive"};
  const RowLook buy{"icn_revive.png", "buy", 22, true};
  DrawRow(c, s, font, kRows, 0, revive, false);
  DrawRow(c, s, font, kRows, 1, buy, false);
  DrawRow(c, s, font, kRows, 2, revive, true);
  DrawRow(c, s, font, kRows, 3, buy, true);
  DrawRow(c, s, font, kRows, 4, {"menu", "menu"}, true);
  kRows.Base(c, 5);
  return c;
}

// hud_tags.png: the coins plate (columns 0 to 39, its inner end at column
// 0) and the level plate (40 to 79, inner end at 79), hanging from the
// screen's top edge over rows 0 to 9.
Canvas Tags(const AssetSources& s) {
  const Font tiny = LoadFont(s, "fonts/tiny.txt");
  Canvas c(80, 10);
  c.Fill(0, 0, 80, 9, pal::kUiDark);
  // Rims: the inner ends and the bottom edge, the bottom corners cut.
  c.Fill(0, 0, 1, 9, pal::kUiGrey);
  c.Fill(79, 0, 1, 9, pal::kUiGrey);
  c.Fill(1, 9, 78, 1, pal::kUiGrey);
  // The coins plate's coin, left of the longest usual coin count.
  Blit(c, GridImage(s, "coin"), 3, 2);
  // The level plate's label, on the level's baseline (row 7).
  DrawText(c, tiny, "LV", 40 + 13, 3, pal::kUiGrey);
  return c;
}

Canvas Balloon(const AssetSources& s) { return GridImage(s, "hud_balloon.png"); }

AssetMaker Icon(const char* file) {
  return [file](const AssetSources& s) { return GridImage(s, file); };
}

const AssetRegistration kHudImages[] = {
    {"hud_balloon.png", Balloon},
    {"hud_buttons.png", Buttons},
    {"hud_items.png", Items},
    {"hud_pausebuttons.png", PauseButtons},
    {"hud_tags.png", Tags},
    {"hud_youdiedbuttons.png", YouDiedButtons},
    {"icn_bigheal.png", Icon("icn_bigheal.png")},
    {"icn_heal.png", Icon("icn_heal.png")},
    {"icn_invulnerability.png", Icon("icn_invulnerability.png")},
    {"icn_revive.png", Icon("icn_revive.png")},
};

}  // namespace
}  // namespace assetgen
