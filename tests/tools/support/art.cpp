#include "tests/tools/support/art.h"

#include <stb/stb_image.h>
#include <unistd.h>

#include <climits>

namespace art {

namespace fs = std::filesystem;

fs::path ExeDir() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return fs::path(buf).parent_path();
}

fs::path DataDir() { return ExeDir() / "data"; }

Image LoadPath(const fs::path& path) {
  Image img;
  int channels = 0;
  unsigned char* p = stbi_load(path.c_str(), &img.width, &img.height, &channels, 4);
  if (!p) return img;
  img.px.assign(p, p + static_cast<std::size_t>(img.width) * img.height * 4);
  stbi_image_free(p);
  return img;
}

Image Load(const std::string& file) { return LoadPath(DataDir() / file); }

Image Frame(const Image& strip, int n, int i) {
  Image f;
  f.width = strip.width / n;
  f.height = strip.height;
  for (int y = 0; y < f.height; ++y) {
    const unsigned char* row = strip.At(i * f.width, y);
    f.px.insert(f.px.end(), row, row + f.width * 4);
  }
  return f;
}

const std::vector<assetgen::Rgba>& Palette() {
  static const std::vector<assetgen::Rgba> all = [] {
    std::vector<assetgen::Rgba> v;
    for (const assetgen::palette::NamedColour& c : assetgen::palette::kNamedColours) v.push_back(c.colour);
    return v;
  }();
  return all;
}

const std::set<Pixel>& OpaquePalette() {
  static const std::set<Pixel> all = [] {
    std::set<Pixel> s;
    for (const assetgen::Rgba& c : Palette()) s.insert({c.r, c.g, c.b, 255});
    return s;
  }();
  return all;
}

bool InPalette(const unsigned char* p) { return OpaquePalette().count({p[0], p[1], p[2], 255}) != 0; }

}  // namespace art
