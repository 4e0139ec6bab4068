// Checks of the credits' two logos in the data folder beside this test,
// against the way the roll shows them: centred on a whole pixel in the
// 48 rows below a line, on black, at most 240 x 40, in the game's palette
// with a clean ink rim, and bright enough to read on black.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/support/art.h"
#include "tools/assetgen_palette.h"

namespace fs = std::filesystem;

namespace {

using art::Image;
using art::Load;

using Colour = std::tuple<int, int, int>;

const char* const kLogos[] = {"credits_qm.png", "credits_zv.png"};

// Fits the band, centres on a whole pixel, and is a mark rather than a
// sliver: wide and tall enough to fill a good part of it.
TEST(CreditsArt, SizesFitTheLogoBand) {
  for (const char* file : kLogos) {
    SCOPED_TRACE(file);
    const Image img = Load(file);
    ASSERT_TRUE(img);
    EXPECT_LE(img.width, 240);
    EXPECT_LE(img.height, 40);
    EXPECT_GE(img.width, 80);
    EXPECT_GE(img.height, 32);
    EXPECT_EQ(img.width % 2, 0);
    EXPECT_EQ(img.height % 2, 0);
  }
}

// Every pixel is clear or a fully opaque palette colour; every opaque
// pixel on the shape's edge (beside a clear one or the image border) is
// ink; a handful of colours, and most of the shape reads on black.
TEST(CreditsArt, PaletteInkRimAndContrast) {
  const auto ink = assetgen::palette::kInk;
  for (const char* file : kLogos) {
    SCOPED_TRACE(file);
    const Image img = Load(file);
    ASSERT_TRUE(img);
    std::set<Colour> used;
    int opaque = 0, bright = 0, badEdge = 0;
    for (int y = 0; y < img.height; ++y) {
      for (int x = 0; x < img.width; ++x) {
        const unsigned char* p = img.At(x, y);
        if (p[3] == 0) continue;
        ASSERT_EQ(p[3], 255) << "at " << x << ", " << y;
        const Colour c{p[0], p[1], p[2]};
        ASSERT_TRUE(art::InPalette(p)) << "colour (" << int(p[0]) << ", " << int(p[1]) << ", " << int(p[2])
                                       << ") at " << x << ", " << y;
        used.insert(c);
        ++opaque;
        if (p[0] * 3 + p[1] * 6 + p[2] > 1000) ++bright;
        const bool edge = !img.Opaque(x - 1, y) || !img.Opaque(x + 1, y) || !img.Opaque(x, y - 1) ||
                          !img.Opaque(x, y + 1);
        if (edge && c != Colour{ink.r, ink.g, ink.b}) ++badEdge;
      }
    }
    EXPECT_EQ(badEdge, 0) << "edge pixels that are not ink";
    EXPECT_GE(used.size(), 6u);
    EXPECT_LE(used.size(), 16u);
    EXPECT_GT(opaque, img.width * img.height / 4);
    EXPECT_GT(bright, opaque / 4) << "too dark to read on black";
  }
}

// The mark sits to the left, its word to the right, with a clear column
// between them, and the picture is centred in its rows (the roll centres
// it in the band, so an off-centre picture would look off).
TEST(CreditsArt, MarkAndWordAreApartAndCentred) {
  for (const char* file : kLogos) {
    SCOPED_TRACE(file);
    const Image img = Load(file);
    ASSERT_TRUE(img);
    std::vector<bool> column(img.width, false);
    int top = img.height, bottom = -1;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        if (img.Opaque(x, y)) {
          column[x] = true;
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    int gaps = 0;
    for (int x = 1; x < img.width; ++x) gaps += column[x - 1] && !column[x] ? 1 : 0;
    EXPECT_GE(gaps, 1) << "no clear column between the mark and its word";
    EXPECT_TRUE(column[0] || column[1]) << "the mark starts at the left edge";
    EXPECT_TRUE(column[img.width - 1] || column[img.width - 2]) << "the word ends at the right edge";
    EXPECT_LE(std::abs(top - (img.height - 1 - bottom)), 2) << "rows " << top << " to " << bottom;
  }
}

}  // namespace
