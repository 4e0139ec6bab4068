// Checks of the generated fonts in the data folder beside this test, and of
// the generator's refusal of broken glyph grids.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/support/art.h"

namespace fs = std::filesystem;

namespace {

using art::DataDir;
using art::ExeDir;
using art::Image;
using art::LoadPath;

struct FontCase {
  const char* file;
  int cells;
  bool padded;
  int max_cell_width;
  int max_cell_height;
};

// The game draws font.png at 4x with 36 characters in a balloon line across
// a 240-pixel screen, and lines 12 pixels apart; the credits put tiny lines
// 8 pixels apart.
const FontCase kFonts[] = {
    {"vexo2_font.png", 96, true, 16, 16},
    {"vexo_font.png", 96, true, 16, 16},
    {"font.png", 95, false, 6, 12},
    {"fonttiny.png", 95, false, 5, 8},
};

void PrintTo(const FontCase& f, std::ostream* os) { *os << f.file; }

class FontImage : public testing::TestWithParam<FontCase> {};

TEST_P(FontImage, IsAWhiteGlyphStripWithDistinctVisibleGlyphs) {
  const FontCase& f = GetParam();
  const Image img = LoadPath(DataDir() / f.file);
  ASSERT_TRUE(img) << f.file << ": " << stbi_failure_reason();

  ASSERT_EQ(img.width % f.cells, 0) << "width " << img.width;
  const int cw = img.width / f.cells, ch = img.height;
  EXPECT_LE(cw, f.max_cell_width);
  EXPECT_LE(ch, f.max_cell_height);
  const int p = f.padded ? 1 : 0;
  ASSERT_GE(cw, 2 * p + 1);
  ASSERT_GE(ch, 2 * p + 1);

  // The renderer's view of each cell: the glyph rectangle inset by p.
  std::map<std::vector<bool>, int> seen;
  for (int i = 0; i < f.cells; ++i) {
    const int code = 32 + i;
    std::vector<bool> glyph;
    int ink = 0;
    for (int y = 0; y < ch; ++y) {
      for (int x = 0; x < cw; ++x) {
        const unsigned char* px = img.At(i * cw + x, y);
        const bool opaque_white = px[0] == 255 && px[1] == 255 && px[2] == 255 && px[3] == 255;
        ASSERT_TRUE(px[3] == 0 || opaque_white)
            << "char " << code << " pixel (" << x << ", " << y << ")";
        const bool border = x < p || y < p || x >= cw - p || y >= ch - p;
        if (border) {
          ASSERT_EQ(px[3], 0) << "char " << code << " border pixel (" << x << ", " << y << ")";
          continue;
        }
        glyph.push_back(px[3] != 0);
        ink += px[3] != 0;
      }
    }
    if (code == ' ') {
      EXPECT_EQ(ink, 0) << "space has ink";
    } else {
      EXPECT_GT(ink, 0) << "char " << code << " has no ink";
    }
    const auto [it, inserted] = seen.emplace(glyph, code);
    EXPECT_TRUE(inserted) << "char " << code << " looks like char " << it->second;
  }
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontImage, testing::ValuesIn(kFonts),
                         [](const testing::TestParamInfo<FontCase>& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

// Runs the generator on a copy of the asset sources, edited per case.
class Generator : public testing::Test {
 protected:
  void SetUp() override {
    generator_ = ExeDir() / "velmora_assetgen";
    // The sources sit in tools/assets of the tree this test was built from.
    const fs::path assets = fs::path(__FILE__).parent_path() / "../../tools/assets";
    if (!fs::exists(generator_) || !fs::is_directory(assets)) {
      GTEST_SKIP() << "generator or asset sources not found";
    }
    ASSERT_FALSE(dir_.Path().empty());
    temp_ = dir_.Path();
    sources_ = temp_ / "assets";
    fs::copy(assets, sources_, fs::copy_options::recursive);
  }

  // Exit status of the generator (-1 when it did not exit normally); its
  // output goes to *output.
  int Run(const fs::path& src, const fs::path& out, std::string* output) {
    const std::string cmd = "'" + generator_.string() + "' '" + src.string() + "' '" +
                            out.string() + "' 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    char buf[512];
    output->clear();
    while (std::fgets(buf, sizeof buf, pipe)) *output += buf;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Edit(const std::string& file, const std::function<void(std::string&)>& edit) {
    const fs::path path = sources_ / file;
    std::string text = test_ReadFile(path);
    edit(text);
    ASSERT_TRUE(test_WriteFile(path, text)) << path;
  }

  TempDir dir_;
  fs::path generator_, temp_, sources_;
};

TEST_F(Generator, ReproducesTheDataFolderByteForByte) {
  std::string output;
  ASSERT_EQ(Run(sources_, temp_ / "out", &output), 0) << output;
  for (const FontCase& f : kFonts) {
    const std::string fresh = test_ReadFile(temp_ / "out" / f.file);
    EXPECT_FALSE(fresh.empty()) << f.file;
    EXPECT_TRUE(fresh == test_ReadFile(DataDir() / f.file)) << f.file << " differs";
  }
}

// Replaces the block of one glyph ("glyph A" and its rows) in the grid text.
std::string WithGlyph(std::string text, const std::string& header, const std::string& block) {
  const std::size_t at = text.find("\n" + header + "\n");
  if (at == std::string::npos) return "header not found: " + header;
  const std::size_t end = text.find("\n\n", at + 1);
  return text.replace(at + 1, end - at - 1, block);
}

TEST_F(Generator, RefusesBrokenGlyphGrids) {
  // 'A' in the 5x9 regular design, and variants that break one rule each.
  const std::string a =
      "glyph A\n.###.\n#...#\n#...#\n#####\n#...#\n#...#\n#...#\n.....\n.....";
  struct Case {
    const char* what;
    std::string block;  // replaces glyph A's block
    const char* message;
  };
  const Case cases[] = {
      {"row too wide", "glyph A\n.###..\n#...#\n#...#\n#####\n#...#\n#...#\n#...#\n.....\n.....",
       "columns"},
      {"unknown character", "glyph A\n.#x#.\n#...#\n#...#\n#####\n#...#\n#...#\n#...#\n.....\n.....",
       "unexpected character 'x'"},
      {"too few rows", "glyph A\n.###.\n#...#\n#...#\n#####\n#...#\n#...#\n#...#\n.....", "rows"},
      {"too many rows", a + "\n.....", "unexpected line"},
      {"glyph missing", "", "missing glyphs 'A'"},
      {"glyph twice", a + "\n\n" + a, "defined twice"},
      {"no ink", "glyph A\n.....\n.....\n.....\n.....\n.....\n.....\n.....\n.....\n.....",
       "no ink"},
      {"same as another glyph",
       "glyph A\n####.\n#...#\n#...#\n####.\n#...#\n#...#\n####.\n.....\n.....", "looks the same"},
      {"code out of range", a + "\n\nglyph 200\n#....\n.....\n.....\n.....\n.....\n.....\n.....\n.....\n.....",
       "outside chars"},
  };
  const std::string original = test_ReadFile(sources_ / "fonts/regular.txt");
  ASSERT_NE(original.find("\n" + a + "\n"), std::string::npos) << "glyph A changed; update this test";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Edit("fonts/regular.txt", [&](std::string& text) { text = WithGlyph(original, "glyph A", c.block); });
    std::string output;
    EXPECT_EQ(Run(sources_, temp_ / "out", &output), 1);
    EXPECT_NE(output.find("fonts/regular.txt"), std::string::npos) << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
  }
}

TEST_F(Generator, FailsOnMissingSourcesAndUnwritableOutput) {
  std::string output;
  EXPECT_EQ(Run(temp_ / "nowhere", temp_ / "out", &output), 1);
  EXPECT_NE(output.find("nowhere"), std::string::npos) << output;

  fs::remove(sources_ / "fonts/tiny.txt");
  EXPECT_EQ(Run(sources_, temp_ / "out", &output), 1);
  EXPECT_NE(output.find("fonts/tiny.txt"), std::string::npos) << output;

  ASSERT_TRUE(test_WriteFile(temp_ / "file", "x"));
  fs::copy(fs::path(__FILE__).parent_path() / "../../tools/assets", temp_ / "fresh",
           fs::copy_options::recursive);
  EXPECT_EQ(Run(temp_ / "fresh", temp_ / "file", &output), 1);
  EXPECT_NE(output.find("output folder"), std::string::npos) << output;
}

}  // namespace
