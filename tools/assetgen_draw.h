// Helpers shared by the image sources of the asset generator: reading the
// line-based source files under tools/assets/ and drawing their colour
// grids, and the small drawing steps (copying pieces, plates, text in the
// game's glyphs) that several images are built from.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/assetgen.h"

namespace assetgen {

// ---------------------------------------------------------------------------
// Reading sources.

// The lines of a text, dropping a carriage return before each line feed.
std::vector<std::string_view> SplitLines(std::string_view text);

// The words of a line, separated by spaces and tabs.
std::vector<std::string_view> SplitWords(std::string_view line);

// A whole word as a decimal number in [lo, hi]; false leaves `out` alone.
bool ParseInt(std::string_view text, int lo, int hi, int* out);

// A line "key <character> <colour>" of a colour grid, split into its words
// `w`: the character stands for the palette colour of that name (see
// palette::kNamedColours); '.' is never a key. Adds the key to `keys` and
// returns an empty string, or returns what is wrong with the line.
std::string AddGridKey(const std::vector<std::string_view>& w, std::map<char, Rgba>* keys);

// The image called `name` from a colour-grid source (format: the header of
// tools/assets/pickups/pickups.txt); `source` is used in messages.
Canvas DrawGridImage(const std::string& source, const std::string& text, const std::string& name);

// The same, read from the source file `source` under tools/assets/.
Canvas ReadGridImage(const AssetSources& s, const std::string& source, const std::string& name);

// The HUD's colour grids, which hold the one picture of each item icon and
// of the coin: the shop's buttons and the menu's bar take theirs from here,
// so that an item and the coins look the same wherever they show.
inline constexpr const char* kHudGrids = "hud/hud.txt";

// ---------------------------------------------------------------------------
// Drawing.

// Copies the opaque pixels of `src` with its top-left corner at (x, y).
void Blit(Canvas& dst, const Canvas& src, int x, int y);

// The same, clipped to the canvas.
void BlitClipped(Canvas& dst, const Canvas& src, int x, int y);

// The same as Blit with every colour but ink turned to one grey: the look
// of an item that is not there or that the coins do not reach.
void BlitGreyed(Canvas& dst, const Canvas& src, int x, int y);

// A plate with its corner pixels cut: a one-pixel rim around a fill.
void Plate(Canvas& c, int x, int y, int w, int h, Rgba rim, Rgba fill);

// A font of tools/assets/fonts/ set as the game sets it: one cell per
// character, the glyph's width plus a spacing column apart.
struct Font {
  GlyphGrid grid;
  int advance() const { return grid.width + 1; }
  // Ink columns of a text: the cells less the last spacing column.
  int InkWidth(const std::string& text) const { return static_cast<int>(text.size()) * advance() - 1; }
};

Font LoadFont(const AssetSources& s, const char* file);

// Sets the text with the top-left of its first glyph at (x, y).
void DrawText(Canvas& c, const Font& font, const std::string& text, int x, int y, Rgba colour);

}  // namespace assetgen
