// Small single images drawn cell by cell from the colour grids in
// tools/assets/pickups/pickups.txt: the loot crate, the ice cube and the
// ships' level tag. The file's own header describes the format; colours
// are named after the palette (tools/assetgen_palette.h).
#include <map>
#include <string_view>

#include "tools/assetgen.h"
#include "tools/assetgen_draw.h"
#include "tools/assetgen_palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

const std::map<std::string_view, Rgba>& PaletteNames() {
  static const std::map<std::string_view, Rgba> names = {
      {"Ink", pal::kInk},           {"SeaDeep", pal::kSeaDeep},     {"SeaDark", pal::kSeaDark},
      {"SeaCalm", pal::kSeaCalm},   {"SeaLight", pal::kSeaLight},   {"SeaShallow", pal::kSeaShallow},
      {"Foam", pal::kFoam},         {"IceWhite", pal::kIceWhite},   {"IceLight", pal::kIceLight},
      {"IceCyan", pal::kIceCyan},   {"IceShade", pal::kIceShade},   {"IceDeep", pal::kIceDeep},
      {"HullWhite", pal::kHullWhite}, {"HullShade", pal::kHullShade}, {"HullRed", pal::kHullRed},
      {"HullRedDark", pal::kHullRedDark}, {"HullNavy", pal::kHullNavy},
      {"HullNavyDark", pal::kHullNavyDark}, {"HullYellow", pal::kHullYellow},
      {"Deck", pal::kDeck},         {"Window", pal::kWindow},       {"Wood", pal::kWood},
      {"WoodDark", pal::kWoodDark}, {"UiDark", pal::kUiDark},       {"UiGrey", pal::kUiGrey},
      {"UiLight", pal::kUiLight},   {"Gold", pal::kGold},           {"GoldDark", pal::kGoldDark},
      {"Red", pal::kRed},           {"Green", pal::kGreen},
  };
  return names;
}

}  // namespace

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
      if (w.size() != 3 || w[1].size() != 1 || w[1][0] == '.') {
        fail(at, "expected 'key <character> <colour>'");
      }
      const auto colour = PaletteNames().find(w[2]);
      if (colour == PaletteNames().end()) fail(at, "no palette colour '" + std::string(w[2]) + "'");
      if (!keys.emplace(w[1][0], colour->second).second) {
        fail(at, "key '" + std::string(w[1]) + "' given twice");
      }
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

namespace {

AssetMaker Grid(const char* file) {
  return [file](const AssetSources& s) {
    const std::string source = "pickups/pickups.txt";
    return DrawGridImage(source, s.ReadText(source), file);
  };
}

const AssetRegistration kPickupImages[] = {
    {"icecube.png", Grid("icecube.png")},
    {"leveltag.png", Grid("leveltag.png")},
    {"loot.png", Grid("loot.png")},
};

}  // namespace
}  // namespace assetgen
