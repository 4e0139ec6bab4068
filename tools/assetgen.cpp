// velmora_assetgen <assets-source-dir> <output-data-dir>
//
// Writes every registered image as a PNG into the data folder. Output is a
// pure function of the sources: same sources, same bytes. A file whose
// content would not change is left untouched; new content goes to a
// temporary file first and is renamed over the old one.
#include "tools/assetgen.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <system_error>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace assetgen {

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    throw AssetError("canvas size " + std::to_string(width) + "x" + std::to_string(height) +
                     " out of range");
  }
  bytes_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
}

std::size_t Canvas::Offset(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw AssetError("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                     ") outside a " + std::to_string(width_) + "x" + std::to_string(height_) +
                     " canvas");
  }
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)) * 4;
}

Rgba Canvas::Get(int x, int y) const {
  const std::uint8_t* p = &bytes_[Offset(x, y)];
  return {p[0], p[1], p[2], p[3]};
}

void Canvas::Set(int x, int y, Rgba c) {
  std::uint8_t* p = &bytes_[Offset(x, y)];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

void Canvas::Fill(int x, int y, int w, int h, Rgba c) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  for (int yy = y0; yy < y1; ++yy) {
    for (int xx = x0; xx < x1; ++xx) Set(xx, yy, c);
  }
}

std::string AssetSources::ReadText(const std::string& relative) const {
  const std::filesystem::path path = dir_ / relative;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw AssetError("cannot open source " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw AssetError("cannot read source " + path.string());
  return text.str();
}

std::vector<AssetEntry>& AssetRegistry() {
  static std::vector<AssetEntry> entries;
  return entries;
}

AssetRegistration::AssetRegistration(std::string file, AssetMaker make) {
  AssetRegistry().push_back({std::move(file), std::move(make)});
}

namespace {

std::vector<std::uint8_t> EncodePng(const Canvas& canvas) {
  std::vector<std::uint8_t> png;
  auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
  };
  if (!stbi_write_png_to_func(append, &png, canvas.width(), canvas.height(), 4,
                              canvas.bytes().data(), canvas.width() * 4)) {
    throw AssetError("PNG encoding failed");
  }
  return png;
}

bool SameContent(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
  return !in.bad() && old == bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw AssetError("cannot create " + temp.string());
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw AssetError("cannot write " + temp.string());
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw AssetError("cannot replace " + path.string() + ": " + ec.message());
  }
}

int Run(const std::filesystem::path& source_dir, const std::filesystem::path& out_dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(source_dir, ec)) {
    throw AssetError("asset source folder " + source_dir.string() + " not found");
  }
  std::filesystem::create_directories(out_dir, ec);
  if (ec || !std::filesystem::is_directory(out_dir)) {
    throw AssetError("cannot create output folder " + out_dir.string() +
                     (ec ? ": " + ec.message() : std::string()));
  }

  std::vector<AssetEntry> entries = AssetRegistry();
  std::stable_sort(entries.begin(), entries.end(),
                   [](const AssetEntry& a, const AssetEntry& b) { return a.file < b.file; });
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (entries[i].file == entries[i - 1].file) {
      throw AssetError("image " + entries[i].file + " is registered twice");
    }
  }

  const AssetSources sources(source_dir);
  for (const AssetEntry& entry : entries) {
    try {
      const Canvas canvas = entry.make(sources);
      const std::vector<std::uint8_t> png = EncodePng(canvas);
      const std::filesystem::path target = out_dir / entry.file;
      if (!SameContent(target, png)) WriteFileAtomically(target, png);
    } catch (const std::exception& e) {
      throw AssetError(entry.file + ": " + e.what());
    }
  }
  return 0;
}

}  // namespace
}  // namespace assetgen

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: velmora_assetgen <assets-source-dir> <output-data-dir>\n";
    return 2;
  }
  try {
    return assetgen::Run(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "velmora_assetgen: " << e.what() << "\n";
    return 1;
  }
}
