// The four grid fonts of the data folder, drawn from the glyph grids in
// tools/assets/fonts/.
//
// A font image is one row of equal cells, one per character from the first
// character on. Each glyph of the grid is placed at the same offset inside
// its cell; the rest of the cell stays transparent, which gives the spacing
// column, the line gap and, for padded fonts, the one-pixel border that the
// renderer insets its glyph rectangle by. Ink is white and fully opaque.
//
// Glyph grid format (one file per design):
//   ; comment            lines starting with ';' are ignored
//   size <w> <h>         every glyph is exactly w columns by h rows
//   chars <a> <b>        the file defines every code a..b exactly once
//   glyph <c>            starts a glyph; <c> is the character itself when it
//                        is a single character, otherwise its decimal code
//                        ("glyph 32" is the space); h rows of '#' (ink) and
//                        '.' (empty) follow at once
// Blank lines may separate blocks. The space must be empty, every other
// glyph must have ink and no two glyphs of a file may look the same.
#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"

#include <map>
#include <string_view>

namespace assetgen {
namespace {

[[noreturn]] void Fail(const std::string& name, int line, const std::string& what) {
  throw AssetError(name + ":" + std::to_string(line) + ": " + what);
}

std::string Describe(int code) {
  if (code > 32 && code < 127) return "'" + std::string(1, static_cast<char>(code)) + "'";
  return std::to_string(code);
}

}  // namespace

GlyphGrid ParseGlyphGrid(const std::string& name, const std::string& text) {
  const std::vector<std::string_view> lines = SplitLines(text);

  GlyphGrid grid;
  grid.name = name;
  bool have_size = false, have_chars = false;
  std::vector<int> defined_at;  // line of each code's glyph, 0 = not yet

  std::size_t i = 0;
  while (i < lines.size()) {
    const int line_no = static_cast<int>(i) + 1;
    const std::string_view line = lines[i++];
    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty() || line.front() == ';') continue;

    if (words[0] == "size") {
      if (have_size) Fail(name, line_no, "second size line");
      if (words.size() != 3 || !ParseInt(words[1], 1, 64, &grid.width) ||
          !ParseInt(words[2], 1, 64, &grid.height)) {
        Fail(name, line_no, "expected 'size <width> <height>' with sizes 1 to 64");
      }
      have_size = true;
    } else if (words[0] == "chars") {
      if (have_chars) Fail(name, line_no, "second chars line");
      if (words.size() != 3 || !ParseInt(words[1], 0, 255, &grid.first) ||
          !ParseInt(words[2], grid.first, 255, &grid.last)) {
        Fail(name, line_no, "expected 'chars <first> <last>' with 0 <= first <= last <= 255");
      }
      have_chars = true;
      grid.ink.assign(static_cast<std::size_t>(grid.last - grid.first + 1), {});
      defined_at.assign(grid.ink.size(), 0);
    } else if (words[0] == "glyph") {
      if (!have_size || !have_chars) Fail(name, line_no, "glyph before the size and chars lines");
      if (words.size() != 2) {
        Fail(name, line_no, "expected 'glyph <character or decimal code>'");
      }
      int code = 0;
      if (words[1].size() == 1) {
        code = static_cast<unsigned char>(words[1][0]);
      } else if (!ParseInt(words[1], 0, 255, &code)) {
        Fail(name, line_no, "'" + std::string(words[1]) +
                                "' is neither a single character nor a decimal code");
      }
      if (code < grid.first || code > grid.last) {
        Fail(name, line_no, "glyph " + Describe(code) + " outside chars " +
                                std::to_string(grid.first) + ".." + std::to_string(grid.last));
      }
      const std::size_t slot = static_cast<std::size_t>(code - grid.first);
      if (defined_at[slot] != 0) {
        Fail(name, line_no, "glyph " + Describe(code) + " defined twice (first at line " +
                                std::to_string(defined_at[slot]) + ")");
      }
      defined_at[slot] = line_no;

      std::vector<bool> ink(static_cast<std::size_t>(grid.width * grid.height), false);
      for (int row = 0; row < grid.height; ++row, ++i) {
        const int row_line = static_cast<int>(i) + 1;
        if (i >= lines.size()) {
          Fail(name, row_line, "glyph " + Describe(code) + " has " + std::to_string(row) +
                                   " rows, expected " + std::to_string(grid.height));
        }
        const std::string_view r = lines[i];
        // A blank, comment or header line here means the block is short.
        if (SplitWords(r).empty() || r.front() == ';' || SplitWords(r)[0] == "glyph") {
          Fail(name, row_line, "glyph " + Describe(code) + " has " + std::to_string(row) +
                                   " rows, expected " + std::to_string(grid.height));
        }
        const std::size_t bad = r.find_first_not_of("#.");
        if (bad != std::string_view::npos) {
          Fail(name, row_line, "unexpected character '" + std::string(1, r[bad]) +
                                   "' in glyph " + Describe(code) +
                                   " (rows use '#' for ink and '.' for empty)");
        }
        if (static_cast<int>(r.size()) != grid.width) {
          Fail(name, row_line, "glyph " + Describe(code) + " row " + std::to_string(row + 1) +
                                   " has " + std::to_string(r.size()) + " columns, expected " +
                                   std::to_string(grid.width));
        }
        for (int col = 0; col < grid.width; ++col) {
          ink[static_cast<std::size_t>(row * grid.width + col)] = r[static_cast<std::size_t>(col)] == '#';
        }
      }
      grid.ink[slot] = std::move(ink);
    } else {
      Fail(name, line_no, "unexpected line '" + std::string(line) + "'");
    }
  }

  if (!have_size || !have_chars) Fail(name, static_cast<int>(lines.size()), "missing size or chars line");

  std::string missing;
  for (std::size_t slot = 0; slot < grid.ink.size(); ++slot) {
    if (defined_at[slot] == 0) {
      missing += (missing.empty() ? "" : ", ") + Describe(grid.first + static_cast<int>(slot));
    }
  }
  if (!missing.empty()) throw AssetError(name + ": missing glyphs " + missing);

  // Design checks: the space is empty, everything else visible and unique.
  std::map<std::vector<bool>, std::size_t> seen;
  for (std::size_t slot = 0; slot < grid.ink.size(); ++slot) {
    const int code = grid.first + static_cast<int>(slot);
    bool any = false;
    for (bool b : grid.ink[slot]) any = any || b;
    if (code == ' ' && any) Fail(name, defined_at[slot], "the space glyph must be empty");
    if (code != ' ' && !any) Fail(name, defined_at[slot], "glyph " + Describe(code) + " has no ink");
    const auto [it, inserted] = seen.emplace(grid.ink[slot], slot);
    if (!inserted) {
      Fail(name, defined_at[slot], "glyph " + Describe(code) + " looks the same as glyph " +
                                       Describe(grid.first + static_cast<int>(it->second)) +
                                       " (line " + std::to_string(defined_at[it->second]) + ")");
    }
  }
  return grid;
}

namespace {

// Where a font image takes its glyphs from and how it lays them out.
struct FontLayout {
  const char* source;  // glyph grid under the asset folder
  int first;           // first character
  int count;           // number of cells
  int cell_width;
  int cell_height;
  int ink_x;  // glyph grid position inside its cell
  int ink_y;
  bool padded;  // one transparent pixel around the glyph area of each cell
};

Canvas DrawFont(const FontLayout& layout, const AssetSources& sources) {
  const GlyphGrid grid = ParseGlyphGrid(layout.source, sources.ReadText(layout.source));

  const int border = layout.padded ? 1 : 0;
  if (layout.ink_x < border || layout.ink_y < border ||
      layout.ink_x + grid.width > layout.cell_width - border ||
      layout.ink_y + grid.height > layout.cell_height - border) {
    throw AssetError(std::string(layout.source) + ": " + std::to_string(grid.width) + "x" +
                     std::to_string(grid.height) + " glyphs do not fit the " +
                     std::to_string(layout.cell_width) + "x" +
                     std::to_string(layout.cell_height) + " cells");
  }
  const int last = layout.first + layout.count - 1;
  if (layout.first < grid.first || last > grid.last) {
    throw AssetError(std::string(layout.source) + ": needs characters " +
                     std::to_string(layout.first) + ".." + std::to_string(last) +
                     ", the grid defines " + std::to_string(grid.first) + ".." +
                     std::to_string(grid.last));
  }

  Canvas canvas(layout.cell_width * layout.count, layout.cell_height);
  for (int i = 0; i < layout.count; ++i) {
    const std::vector<bool>& ink = grid.ink[static_cast<std::size_t>(layout.first + i - grid.first)];
    for (int row = 0; row < grid.height; ++row) {
      for (int col = 0; col < grid.width; ++col) {
        if (ink[static_cast<std::size_t>(row * grid.width + col)]) {
          canvas.Set(i * layout.cell_width + layout.ink_x + col, layout.ink_y + row, kWhite);
        }
      }
    }
  }
  return canvas;
}

// The game's text font: 5x9 glyphs in 6x10 cells, a blank top row above the
// capitals and a blank column on the right.
constexpr FontLayout kGameFont{"fonts/regular.txt", 32, 95, 6, 10, 0, 1, false};
// The game's small font: 3x7 glyphs in 4x8 cells, laid out the same way.
constexpr FontLayout kTinyFont{"fonts/tiny.txt", 32, 95, 4, 8, 0, 1, false};
// The default fonts share the game font's design and metrics: each 8x12 cell
// holds a 6x10 glyph area inside a one-pixel border, and character 127 is
// a solid block.
constexpr FontLayout kDefaultFont{"fonts/regular.txt", 32, 96, 8, 12, 1, 2, true};

const AssetRegistration kFontImages[] = {
    {"font.png", [](const AssetSources& s) { return DrawFont(kGameFont, s); }},
    {"fonttiny.png", [](const AssetSources& s) { return DrawFont(kTinyFont, s); }},
    {"vexo2_font.png", [](const AssetSources& s) { return DrawFont(kDefaultFont, s); }},
    {"vexo_font.png", [](const AssetSources& s) { return DrawFont(kDefaultFont, s); }},
};

}  // namespace
}  // namespace assetgen
