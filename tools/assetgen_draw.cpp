#include "tools/assetgen_draw.h"

#include <charconv>

#include "tools/assetgen_palette.h"

namespace assetgen {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool ParseInt(std::string_view text, int lo, int hi, int* out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) {
    return false;
  }
  *out = value;
  return true;
}

std::string AddGridKey(const std::vector<std::string_view>& w, std::map<char, Rgba>* keys) {
  if (w.size() != 3 || w[1].size() != 1 || w[1][0] == '.') return "expected 'key <character> <colour>'";
  const Rgba* colour = palette::FindColour(w[2]);
  if (colour == nullptr) return "no palette colour '" + std::string(w[2]) + "'";
  if (!keys->emplace(w[1][0], *colour).second) return "key '" + std::string(w[1]) + "' given twice";
  return {};
}

Canvas DrawGridImage(const std::string& source, const std::string& text, const std::string& file) {
  const std::vector<std::string_view> lines = SplitLines(text);
  auto fail = [&](std::size_t i, const std::string& what) {
    throw AssetError(source + ":" + std::to_string(i + 1) + ": " + what);
  };

  std::map<char, Rgba> keys;
  for (std::size_t i = 0; i < lines.size();) {
    const std::size_t at = i++;
    const std::vector<std::string_view> w = SplitWords(lines[at]);
    if (w.empty() || lines[at].front() == ';') continue;
    if (w[0] == "key") {
      const std::string error = AddGridKey(w, &keys);
      if (!error.empty()) fail(at, error);
      continue;
    }
    int width = 0, height = 0;
    if (w[0] != "image" || w.size() != 4 || !ParseInt(w[2], 1, 256, &width) || !ParseInt(w[3], 1, 256, &height)) {
      fail(at, "unexpected line '" + std::string(lines[at]) + "'");
    }
    if (i + static_cast<std::size_t>(height) > lines.size()) fail(at, "image rows missing");
    if (w[1] != file) {
      i += static_cast<std::size_t>(height);
      continue;
    }
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y, ++i) {
      const std::string_view row = lines[i];
      if (static_cast<int>(row.size()) != width) {
        fail(i, file + " row has " + std::to_string(row.size()) + " cells, expected " +
                    std::to_string(width));
      }
      for (int x = 0; x < width; ++x) {
        const char c = row[static_cast<std::size_t>(x)];
        if (c == '.') continue;
        const auto key = keys.find(c);
        if (key == keys.end()) fail(i, "cell '" + std::string(1, c) + "' has no key");
        canvas.Set(x, y, key->second);
      }
    }
    return canvas;
  }
  throw AssetError(source + ": no image " + file);
}

Canvas ReadGridImage(const AssetSources& s, const std::string& source, const std::string& name) {
  return DrawGridImage(source, s.ReadText(source), name);
}

void Blit(Canvas& dst, const Canvas& src, int x, int y) {
  for (int yy = 0; yy < src.height(); ++yy) {
    for (int xx = 0; xx < src.width(); ++xx) {
      const Rgba c = src.Get(xx, yy);
      if (c.a != 0) dst.Set(x + xx, y + yy, c);
    }
  }
}

void BlitClipped(Canvas& dst, const Canvas& src, int x, int y) {
  for (int yy = 0; yy < src.height(); ++yy) {
    for (int xx = 0; xx < src.width(); ++xx) {
      const Rgba c = src.Get(xx, yy);
      const int tx = x + xx, ty = y + yy;
      if (c.a != 0 && tx >= 0 && ty >= 0 && tx < dst.width() && ty < dst.height()) dst.Set(tx, ty, c);
    }
  }
}

void BlitGreyed(Canvas& dst, const Canvas& src, int x, int y) {
  for (int yy = 0; yy < src.height(); ++yy) {
    for (int xx = 0; xx < src.width(); ++xx) {
      const Rgba c = src.Get(xx, yy);
      if (c.a != 0) dst.Set(x + xx, y + yy, c == palette::kInk ? palette::kInk : palette::kUiGrey);
    }
  }
}

void Plate(Canvas& c, int x, int y, int w, int h, Rgba rim, Rgba fill) {
  c.Fill(x + 1, y, w - 2, h, rim);
  c.Fill(x, y + 1, w, h - 2, rim);
  c.Fill(x + 1, y + 1, w - 2, h - 2, fill);
}

Font LoadFont(const AssetSources& s, const char* file) { return Font{ParseGlyphGrid(file, s.ReadText(file))}; }

void DrawText(Canvas& c, const Font& font, const std::string& text, int x, int y, Rgba colour) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int code = static_cast<unsigned char>(text[i]);
    if (code < font.grid.first || code > font.grid.last) {
      throw AssetError(font.grid.name + " has no glyph for '" + std::string(1, text[i]) + "'");
    }
    const std::vector<bool>& ink = font.grid.ink[static_cast<std::size_t>(code - font.grid.first)];
    for (int row = 0; row < font.grid.height; ++row) {
      for (int col = 0; col < font.grid.width; ++col) {
        if (ink[static_cast<std::size_t>(row * font.grid.width + col)]) {
          c.Set(x + static_cast<int>(i) * font.advance() + col, y + row, colour);
        }
      }
    }
  }
}

}  // namespace assetgen
