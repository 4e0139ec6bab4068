// The game's one palette: every generated image takes its colours from
// here, so that the sea, the ice, the ships and the screens belong to the
// same game. Few colours, each with a job; shades step in clear jumps so
// that they stay crisp at 4x.
#pragma once

#include <string_view>

#include "tools/assetgen.h"

namespace assetgen::palette {

// Outlines and the darkest shadows.
inline constexpr Rgba kInk{18, 22, 34, 255};

// The sea, from the depth to the foam.
inline constexpr Rgba kSeaDeep{14, 36, 70, 255};
inline constexpr Rgba kSeaDark{22, 58, 104, 255};
inline constexpr Rgba kSeaCalm{34, 92, 146, 255};
inline constexpr Rgba kSeaLight{70, 140, 192, 255};
inline constexpr Rgba kSeaShallow{120, 186, 220, 255};
inline constexpr Rgba kFoam{222, 242, 250, 255};

// Ice, from its sunlit top to its underwater rim.
inline constexpr Rgba kIceWhite{246, 252, 255, 255};
inline constexpr Rgba kIceLight{206, 236, 248, 255};
inline constexpr Rgba kIceCyan{140, 212, 236, 255};
inline constexpr Rgba kIceShade{92, 164, 206, 255};
inline constexpr Rgba kIceDeep{52, 114, 166, 255};

// Hulls and decks.
inline constexpr Rgba kHullWhite{236, 232, 222, 255};
inline constexpr Rgba kHullShade{176, 172, 168, 255};
inline constexpr Rgba kHullRed{194, 52, 46, 255};
inline constexpr Rgba kHullRedDark{132, 32, 34, 255};
inline constexpr Rgba kHullNavy{38, 50, 90, 255};
inline constexpr Rgba kHullNavyDark{24, 30, 58, 255};
inline constexpr Rgba kHullYellow{236, 184, 58, 255};
inline constexpr Rgba kDeck{168, 116, 66, 255};
inline constexpr Rgba kWindow{60, 84, 110, 255};

// Crates.
inline constexpr Rgba kWood{156, 100, 54, 255};
inline constexpr Rgba kWoodDark{98, 60, 32, 255};

// The interface: greys and golds.
inline constexpr Rgba kUiDark{40, 44, 58, 255};
inline constexpr Rgba kUiGrey{118, 126, 140, 255};
inline constexpr Rgba kUiLight{202, 206, 214, 255};
inline constexpr Rgba kGold{238, 192, 70, 255};
inline constexpr Rgba kGoldDark{172, 122, 40, 255};
inline constexpr Rgba kRed{214, 64, 56, 255};
inline constexpr Rgba kGreen{96, 196, 88, 255};

// Every colour above by the name that the colour grids of tools/assets/
// give it, the constant's name without the leading k: the one list of the
// palette, in which the keys of the grids and of the iceberg's faces are
// looked up, and from which the art tests take the palette.
struct NamedColour {
  std::string_view name;
  Rgba colour;
};

inline constexpr NamedColour kNamedColours[] = {
    {"Ink", kInk},
    {"SeaDeep", kSeaDeep},
    {"SeaDark", kSeaDark},
    {"SeaCalm", kSeaCalm},
    {"SeaLight", kSeaLight},
    {"SeaShallow", kSeaShallow},
    {"Foam", kFoam},
    {"IceWhite", kIceWhite},
    {"IceLight", kIceLight},
    {"IceCyan", kIceCyan},
    {"IceShade", kIceShade},
    {"IceDeep", kIceDeep},
    {"HullWhite", kHullWhite},
    {"HullShade", kHullShade},
    {"HullRed", kHullRed},
    {"HullRedDark", kHullRedDark},
    {"HullNavy", kHullNavy},
    {"HullNavyDark", kHullNavyDark},
    {"HullYellow", kHullYellow},
    {"Deck", kDeck},
    {"Window", kWindow},
    {"Wood", kWood},
    {"WoodDark", kWoodDark},
    {"UiDark", kUiDark},
    {"UiGrey", kUiGrey},
    {"UiLight", kUiLight},
    {"Gold", kGold},
    {"GoldDark", kGoldDark},
    {"Red", kRed},
    {"Green", kGreen},
};

// The colour of that name in kNamedColours, or nullptr.
constexpr const Rgba* FindColour(std::string_view name) {
  for (const NamedColour& c : kNamedColours) {
    if (c.name == name) return &c.colour;
  }
  return nullptr;
}

// A palette colour with another alpha.
constexpr Rgba WithAlpha(Rgba c, std::uint8_t a) { return Rgba{c.r, c.g, c.b, a}; }

}  // namespace assetgen::palette
