// The asset generator: builds every image of the data folder from the
// readable sources under tools/assets/.
//
// Each image is one generator function that paints an RGBA canvas. A source
// file registers its images with AssetRegistration objects at namespace
// scope; the driver (assetgen.cpp) writes them in file-name order, so adding
// an image means adding one function and one registration line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace assetgen {

// Any failure while making an image: bad or missing source, bad layout,
// write error. The driver prints the message and exits non-zero.
class AssetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One pixel, straight (not premultiplied) alpha.
struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

inline constexpr Rgba kTransparent{0, 0, 0, 0};
inline constexpr Rgba kWhite{255, 255, 255, 255};

// An RGBA8 image in rows from the top, starting fully transparent.
class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  // Out-of-range coordinates are a generator bug and throw AssetError.
  Rgba Get(int x, int y) const;
  void Set(int x, int y, Rgba c);
  // Fills the rectangle clipped to the canvas.
  void Fill(int x, int y, int w, int h, Rgba c);

 private:
  std::size_t Offset(int x, int y) const;

  int width_;
  int height_;
  std::vector<std::uint8_t> bytes_;
};

// Access to the asset source folder given on the command line.
class AssetSources {
 public:
  explicit AssetSources(std::filesystem::path dir) : dir_(std::move(dir)) {}

  const std::filesystem::path& dir() const { return dir_; }
  // Whole file as bytes; a missing or unreadable file throws AssetError.
  std::string ReadText(const std::string& relative) const;

 private:
  std::filesystem::path dir_;
};

using AssetMaker = std::function<Canvas(const AssetSources&)>;

struct AssetEntry {
  std::string file;  // name in the data folder, e.g. "font.png"
  AssetMaker make;
};

// Every registered image, in registration order.
std::vector<AssetEntry>& AssetRegistry();

struct AssetRegistration {
  AssetRegistration(std::string file, AssetMaker make);
};

// A glyph grid of tools/assets/fonts/ (format: assetgen_fonts.cpp), read so
// that images can set text in the game's own glyphs.
struct GlyphGrid {
  std::string name;  // source file, for messages
  int width = 0;
  int height = 0;
  int first = 0;
  int last = -1;
  // ink[code - first][row * width + col]
  std::vector<std::vector<bool>> ink;
};

// Parses and checks a glyph grid; `name` is used in messages.
GlyphGrid ParseGlyphGrid(const std::string& name, const std::string& text);

}  // namespace assetgen
