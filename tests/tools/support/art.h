// Reading the generated pictures of the data folder beside a test program,
// shared by the art tests: an RGBA picture with pixel access, strip frames,
// and the game's palette.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tools/assetgen_palette.h"

namespace art {

// The folder of the running test program, and the data folder beside it.
std::filesystem::path ExeDir();
std::filesystem::path DataDir();

// One pixel as (r, g, b, a).
using Pixel = std::tuple<int, int, int, int>;

// An RGBA picture, 4 bytes a pixel, rows top down; empty when it failed to load.
struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> px;

  const unsigned char* At(int x, int y) const {
    return px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
  }
  int Alpha(int x, int y) const { return At(x, y)[3]; }
  // Inside the picture and not fully clear.
  bool Opaque(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && At(x, y)[3] != 0;
  }
  Pixel Get(int x, int y) const {
    const unsigned char* p = At(x, y);
    return {p[0], p[1], p[2], p[3]};
  }
  // The colour as 0xRRGGBB.
  int Rgb(int x, int y) const { return At(x, y)[0] << 16 | At(x, y)[1] << 8 | At(x, y)[2]; }
  // Perceived brightness, 0 to 255.
  int Luma(int x, int y) const {
    const unsigned char* p = At(x, y);
    return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
  }
  explicit operator bool() const { return !px.empty(); }
};

// The picture at `path`, or at `file` in the data folder; empty on failure
// (stbi_failure_reason() then tells why).
Image LoadPath(const std::filesystem::path& path);
Image Load(const std::string& file);

// Frame i of a strip of n equal frames side by side.
Image Frame(const Image& strip, int n, int i);

// Every colour of the game's palette (assetgen::palette::kNamedColours).
const std::vector<assetgen::Rgba>& Palette();
// The palette's colours as opaque pixels.
const std::set<Pixel>& OpaquePalette();
// Whether the RGB of an RGBA pixel is a palette colour (alpha not looked at).
bool InPalette(const unsigned char* p);

}  // namespace art
