// Bitmap fonts against the recording fake GL: grid and cell fonts (and the
// sizes that make no font), text measuring, the text format with its page
// slots and file names, and what a font keeps alive.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_game.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

// Records the text and image files asked for; can answer every text load
// with a fixed text.
class RecordingGame : public HxZentrovaGame {
public:
    std::vector<std::string> texts;
    std::vector<std::string> images;
    bool canned = false;
    std::string cannedText;
    bool noImages = false;

    String LoadString(String path) override {
        texts.push_back(host_ToUtf8(path));
        if (canned) return String(cannedText.c_str());
        return HxZentrovaGame::LoadString(path);
    }
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override {
        images.push_back(host_ToUtf8(path));
        if (noImages) return nullptr;
        return HxZentrovaGame::LoadImageData(path, width, height, depth);
    }
};

struct GlyphFields {
    int page, ch, x, y, w, h, advance, xoffset, yoffset;
    bool operator==(const GlyphFields &o) const {
        return page == o.page && ch == o.ch && x == o.x && y == o.y && w == o.w && h == o.h &&
               advance == o.advance && xoffset == o.xoffset && yoffset == o.yoffset;
    }
};
std::ostream &operator<<(std::ostream &os, const GlyphFields &g) {
    return os << "page " << g.page << " char " << g.ch << " at (" << g.x << ", " << g.y << ") " << g.w << " x "
              << g.h << " advance " << g.advance << " offsets (" << g.xoffset << ", " << g.yoffset << ")";
}
GlyphFields Fields(c_Glyph2 *g) {
    return {g->m_page, g->m_char, g->m_x, g->m_y, g->m_width, g->m_height, g->m_advance, g->m_xoffset, g->m_yoffset};
}

class FontTest : public FakeRendererTest {
protected:
    TempDir dir;
    RecordingGame *game = nullptr;

    void SetUp() override {
        FakeRendererTest::SetUp();
        // A plain default shader: every page loads exactly the file named.
        gfx2_DefaultShader = gc_New<c_Shader>()->m_new();
        ImageFlagsMask = 259;
        game = new RecordingGame();
        app_Game = game;
    }
    void TearDown() override {
        app_Game = nullptr;
        delete game;
        FakeRendererTest::TearDown();
    }

    std::string Path(const std::string &file) { return dir.Join(file); }
    String Png(const std::string &file, int w, int h) {
        std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4, 255);
        EXPECT_NE(stbi_write_png(Path(file).c_str(), w, h, 4, rgba.data(), w * 4), 0);
        return String(Path(file).c_str());
    }
    String Text(const std::string &file, const std::string &content) {
        return String(dir.Write(file, content).c_str());
    }
};

// ---------------------------------------------------------------------------
// Grid and cell fonts

TEST_F(FontTest, GridFontsCutOneStripIntoCells) {
    const String strip = Png("strip.png", 960, 12);
    struct Case {
        const char *name;
        c_Font2 *font;
        GlyphFields a;
        int last;
        float height;
    } cases[] = {
        {"96 padded", c_Font2::LoadGrid(strip, 32, 96, true), {0, 65, 331, 1, 8, 10, 8, 0, 0}, 127, 10},
        {"95 unpadded", c_Font2::LoadGrid(strip, 32, 95, false), {0, 65, 330, 0, 10, 12, 10, 0, 0}, 126, 12},
        {"LoadGrid95", c_Font2::LoadGrid95(strip), {0, 65, 330, 0, 10, 12, 10, 0, 0}, 126, 12},
    };
    for (const Case &c : cases) {
        ASSERT_NE(c.font, nullptr) << c.name;
        EXPECT_EQ(c.font->m_pageCount, 1) << c.name;
        EXPECT_EQ(c.font->m_firstChar, 32) << c.name;
        EXPECT_EQ(c.font->TextHeight(), c.height) << c.name;
        ASSERT_EQ(c.font->m_pages.Length(), 1) << c.name;
        c_Image2 *page = c.font->m_pages[0];
        EXPECT_EQ(page->Width(), 960) << c.name;
        EXPECT_EQ(page->HandleX(), 0.5f) << c.name;
        EXPECT_EQ(page->Material()->ColorTexture()->Flags(), 15) << c.name;
        ASSERT_NE(c.font->GetGlyph('A'), nullptr) << c.name;
        EXPECT_EQ(Fields(c.font->GetGlyph('A')), c.a) << c.name;
        EXPECT_EQ(c.font->GetGlyph(31), nullptr) << c.name;
        EXPECT_NE(c.font->GetGlyph(32), nullptr) << c.name;
        EXPECT_NE(c.font->GetGlyph(c.last), nullptr) << c.name;
        EXPECT_EQ(c.font->GetGlyph(c.last + 1), nullptr) << c.name;
    }
    // The pages go through the image-flags mask.
    ImageFlagsMask = 0;
    EXPECT_EQ(c_Font2::LoadGrid95(strip)->m_pages[0]->Material()->ColorTexture()->Flags(), 12);
}

TEST_F(FontTest, CellFontsWrapIntoRows) {
    c_Font2 *font = c_Font2::LoadCells(Png("cells.png", 40, 30), 10, 10, 1, 2, 7, 6, 65, 10);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->TextHeight(), 6.0f);
    EXPECT_EQ(font->m_firstChar, 65);
    EXPECT_EQ(Fields(font->GetGlyph(65)), (GlyphFields{0, 65, 1, 2, 7, 6, 7, 0, 0}));
    EXPECT_EQ(Fields(font->GetGlyph(68)), (GlyphFields{0, 68, 31, 2, 7, 6, 7, 0, 0}));
    EXPECT_EQ(Fields(font->GetGlyph(69)), (GlyphFields{0, 69, 1, 12, 7, 6, 7, 0, 0}));
    EXPECT_EQ(Fields(font->GetGlyph(74)), (GlyphFields{0, 74, 11, 22, 7, 6, 7, 0, 0}));
    EXPECT_EQ(font->GetGlyph(75), nullptr);
}

TEST_F(FontTest, SizesThatLeaveNoCellMakeNoFont) {
    const String strip = Png("strip.png", 960, 12);
    const String narrow = Png("narrow.png", 191, 12);
    const String flat = Png("flat.png", 960, 2);
    const String cells = Png("cells.png", 40, 30);
    const String missing(Path("missing.png").c_str());
    struct Case {
        const char *name;
        c_Font2 *font;
    } cases[] = {
        {"no characters", c_Font2::LoadGrid(strip, 32, 0, false)},
        {"negative count", c_Font2::LoadGrid(strip, 32, -5, false)},
        {"narrower than the count", c_Font2::LoadGrid(strip, 32, 961, false)},
        {"padding eats the cell width", c_Font2::LoadGrid(narrow, 32, 96, true)},
        {"padding eats the cell height", c_Font2::LoadGrid(flat, 32, 96, true)},
        {"missing grid image", c_Font2::LoadGrid(missing, 32, 96, true)},
        {"cell width 0", c_Font2::LoadCells(cells, 0, 10, 0, 0, 8, 8, 32, 4)},
        {"negative cell width", c_Font2::LoadCells(cells, -1, 10, 0, 0, 8, 8, 32, 4)},
        {"cell wider than the image", c_Font2::LoadCells(cells, 41, 10, 0, 0, 8, 8, 32, 4)},
        {"missing cell image", c_Font2::LoadCells(missing, 10, 10, 0, 0, 8, 8, 32, 4)},
    };
    for (const Case &c : cases) EXPECT_EQ(c.font, nullptr) << c.name;
    // One pixel per cell is still a font.
    EXPECT_NE(c_Font2::LoadGrid(narrow, 32, 191, false), nullptr);
}

TEST_F(FontTest, TextWidthSumsTheAdvancesOfTheUnits) {
    c_IntMap3 *glyphs = gc_New<c_IntMap3>()->m_new();
    glyphs->Add('A', gc_New<c_Glyph2>()->m_new(0, 'A', 0, 0, 8, 10, 8));
    glyphs->Add('B', gc_New<c_Glyph2>()->m_new(0, 'B', 8, 0, 9, 10, 9));
    glyphs->Add('\n', gc_New<c_Glyph2>()->m_new(0, '\n', 0, 0, 0, 0, 3));
    glyphs->Add(0xFFFF, gc_New<c_Glyph2>()->m_new(0, 0xFFFF, 0, 0, 0, 0, 100));
    c_Font2 *font = gc_New<c_Font2>()->m_new(Array<c_Image2 *>(), 0, glyphs, -1, 11.0f);
    struct Case {
        String text;
        float width;
    } cases[] = {
        {String(u"AB"), 17},
        {String(u"A?B"), 17},  // no glyph: 0
        {String(), 0},
        {String(u"A\nB"), 20},  // a line feed is a unit like any other
        {String(u"\uFFFFA"), 108},
    };
    for (const Case &c : cases) EXPECT_EQ(font->TextWidth(c.text), c.width) << host_ToUtf8(c.text);
    EXPECT_EQ(font->TextHeight(), 11.0f);
    EXPECT_EQ(font->GetGlyph('?'), nullptr);
    EXPECT_EQ(font->GetGlyph('B')->m_xoffset, 0);

    c_Font2 *empty = gc_New<c_Font2>()->m_new();
    EXPECT_TRUE(empty->m_pages->IsEmptyRep());
    EXPECT_EQ(empty->TextWidth(String(u"AB")), 0.0f);
}

// ---------------------------------------------------------------------------
// The text format

TEST_F(FontTest, TextFormatRecordsAndFields) {
    Png("p0.png", 16, 8);
    Png("p1.png", 32, 8);
    const String path = Text("font.txt",
                             "info face=\"Test\" size=12\r\n"
                             "common lineHeight=14 base=11 scaleW=64 pages=2\r\n"
                             "page id=0 file=\"p0.png\"\r\n"
                             "page id=1 file=p1.png\r\n"
                             "chars count=4\r\n"
                             "char id=65 x=3 y=4 width=5 height=6 xoffset=-1 yoffset=2 xadvance=7 page=0\r\n"
                             "char id= 66 x=1\r\n"
                             "char id=65 x=99\r\n"
                             "  char id=67  x=5 page=1 xadvance=3=4 y=12abc width=+2\r\n"
                             "padding 1\r\n"
                             "Char id=68\r\n"
                             "kerning first=65 second=66 amount=-1\r\n"
                             "\r\n");
    c_Font2 *font = c_Font2::LoadText(path);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->TextHeight(), 14.0f);
    EXPECT_EQ(font->m_pageCount, 2);
    EXPECT_EQ(font->m_firstChar, -1);
    ASSERT_EQ(font->m_pages.Length(), 2);
    ASSERT_NE(font->m_pages[0].get(), nullptr);
    ASSERT_NE(font->m_pages[1].get(), nullptr);
    EXPECT_EQ(font->m_pages[0]->Width(), 16);
    EXPECT_EQ(font->m_pages[1]->Width(), 32);
    EXPECT_EQ(game->images, (std::vector<std::string>{Path("p0.png"), Path("p1.png")}));

    EXPECT_EQ(Fields(font->GetGlyph(65)), (GlyphFields{0, 65, 3, 4, 5, 6, 7, -1, 2}));  // the first definition
    // "id= 66": the field "id=" has an empty value (0); "66" matches nothing.
    ASSERT_NE(font->GetGlyph(0), nullptr);
    EXPECT_EQ(font->GetGlyph(0)->m_x, 1);
    EXPECT_EQ(font->GetGlyph(66), nullptr);
    // Values end at the next "=", and are read like atoi.
    EXPECT_EQ(Fields(font->GetGlyph(67)), (GlyphFields{1, 67, 5, 12, 2, 0, 3, 0, 0}));
    EXPECT_EQ(font->GetGlyph(68), nullptr);  // record names are case-sensitive
}

TEST_F(FontTest, TextFormatLineEndings) {
    struct Case {
        const char *name;
        std::string text;
        float height;
        int advance;
    } cases[] = {
        {"line feeds", "common lineHeight=9\nchar id=70 xadvance=4\n", 9, 4},
        {"carriage returns around a line", "common lineHeight=9\n\rchar id=70 xadvance=4\r", 9, 4},
        {"carriage return and line feed", "common lineHeight=9\r\nchar id=70 xadvance=4\r\n", 9, 4},
        // Split at the one CR LF: the second piece, line feed and all, is a
        // single "common" record, and its char line is lost.
        {"mixed", "info\r\ncommon lineHeight=9\nchar id=70 xadvance=4", 9, 0},
    };
    for (const Case &c : cases) {
        c_Font2 *font = c_Font2::LoadText(Text("le.txt", c.text));
        EXPECT_EQ(font->TextHeight(), c.height) << c.name;
        c_Glyph2 *g = font->GetGlyph(70);
        if (!c.advance) {
            EXPECT_EQ(g, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(g, nullptr) << c.name;
        EXPECT_EQ(g->m_advance, c.advance) << c.name;
    }
}

TEST_F(FontTest, TextFormatPagesStayInsideTheirSlots) {
    Png("a.png", 2, 2);
    Png("b.png", 4, 4);
    struct Case {
        const char *name;
        std::string text;
        int pageCount;
        std::vector<int> widths;  // per slot, 0: null
        std::vector<std::string> loaded;
    } cases[] = {
        {"page before any count", "page file=a.png\ncommon pages=1\n", 1, {0}, {}},
        {"more files than pages", "common pages=1\npage file=a.png\npage file=b.png\n", 1, {2}, {"a.png"}},
        {"negative count", "common pages=-3\npage file=a.png\n", 0, {}, {}},
        // A later count starts new slots: the earlier page is not kept, so
        // it is not loaded either.
        {"later count keeps the index", "common pages=1\npage file=a.png\ncommon pages=2\npage file=b.png\n", 2,
         {0, 4}, {"b.png"}},
        {"two files on a line", "common pages=2\npage file=a.png file=b.png\n", 2, {2, 4}, {"a.png", "b.png"}},
        {"missing page", "common pages=2\npage file=none.png\npage file=\"\tb.png\"\n", 2, {0, 4},
         {"none.png", "b.png"}},
    };
    for (const Case &c : cases) {
        game->images.clear();
        c_Font2 *font = c_Font2::LoadText(Text("pages.txt", c.text));
        EXPECT_EQ(font->m_pageCount, c.pageCount) << c.name;
        ASSERT_EQ(font->m_pages.Length(), static_cast<int>(c.widths.size())) << c.name;
        for (size_t i = 0; i < c.widths.size(); ++i) {
            c_Image2 *page = font->m_pages[static_cast<int>(i)];
            EXPECT_EQ(page ? page->Width() : 0, c.widths[i]) << c.name << " slot " << i;
        }
        std::vector<std::string> loaded;
        for (const std::string &f : c.loaded) loaded.push_back(Path(f));
        EXPECT_EQ(game->images, loaded) << c.name;
    }
}

TEST_F(FontTest, TextFormatFileAndPageNames) {
    struct Case {
        const char *path;
        const char *text;   // the file the loader reads
        const char *page;   // where its page is looked for
    } cases[] = {
        {"fonts/arial", "zentrova://data/fonts/arial.txt", "zentrova://data/fonts/pg.png"},
        {"arial.TXT", "zentrova://data/arial.TXT", "zentrova://data/pg.png"},
        {".txt", "zentrova://data/.txt.txt", "zentrova://data/pg.png"},
        {"a/b.txt/c", "zentrova://data/a/b.txt/c", "zentrova://data/a/b.txt/pg.png"},
        {"/abs/f", "/abs/f.txt", "/abs/pg.png"},
    };
    game->canned = true;
    game->cannedText = "common pages=1\npage id=0 file=\"pg.png\"\n";
    for (const Case &c : cases) {
        game->texts.clear();
        game->images.clear();
        c_Font2::LoadText(String(c.path));
        EXPECT_EQ(game->texts, (std::vector<std::string>{c.text})) << c.path;
        EXPECT_EQ(game->images, (std::vector<std::string>{c.page})) << c.path;
    }
}

TEST_F(FontTest, MissingTextFileGivesAnEmptyFont) {
    c_Font2 *font = c_Font2::LoadText(String(Path("nothing").c_str()));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(game->texts, (std::vector<std::string>{Path("nothing.txt")}));
    EXPECT_EQ(font->m_pages.Length(), 0);
    EXPECT_EQ(font->m_pageCount, 0);
    EXPECT_EQ(font->TextHeight(), 0.0f);
    EXPECT_EQ(font->m_firstChar, -1);
    EXPECT_EQ(font->m_glyphs->root.get(), nullptr);
}

TEST_F(FontTest, StartUpStopsWithoutItsDefaultFont) {
    game->noImages = true;
    EXPECT_EXIT(
        {
            if (!std::freopen("/dev/null", "r", stdin)) _exit(1);
            dup2(2, 1);  // the banner goes to stdout
            gfx2_LoadDefaultFont();
            _exit(0);
        },
        ::testing::ExitedWithCode(255), "Zentrova Runtime Error : Can't load default font");
}

// ---------------------------------------------------------------------------
// What a font keeps alive

gc_ref<c_Font2> g_root;
void MarkRoot() { gc_Enqueue(g_root); }

bool Unreachable(gc_object *o) {
    for (gc_object *p = gc_UnreachableList.next; p != &gc_UnreachableList; p = p->next)
        if (p == o) return true;
    return false;
}

TEST_F(FontTest, FontKeepsItsPagesAndGlyphsAlive) {
    c_Font2 *font = c_Font2::LoadGrid(Png("strip.png", 40, 8), 32, 4, false);
    c_Font2 *dropped = c_Font2::LoadGrid(Png("other.png", 40, 8), 32, 4, false);
    ASSERT_NE(font, nullptr);
    g_root = font;
    gc_SetRoots(MarkRoot);
    gc_MarkGlobals();
    gc_CollectAll();
    for (gc_object *o : std::initializer_list<gc_object *>{font, font->m_pages.get().GetRep(), font->m_pages[0],
                                                           font->m_pages[0]->Material(), font->m_glyphs,
                                                           font->GetGlyph(32), font->GetGlyph(35)})
        EXPECT_FALSE(Unreachable(o));
    EXPECT_TRUE(Unreachable(dropped));
    g_root = nullptr;
}

}  // namespace
