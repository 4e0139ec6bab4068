// The older graphics layer without a GL context: image frames and flags,
// the three font loaders and the default font, the context's state, and
// the device's colour packing, oval segments, pixel writes and
// premultiplication.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_gfx1.h"
#include "host/hx_graphics.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

// A host whose text and image files live in memory; it records the paths
// asked for. Images come back as blocks of the listed size, every byte 200.
struct MemoryHost : HxZentrovaGame {
    struct Size {
        int w, h, d;
    };
    std::map<std::string, std::string> texts;
    std::map<std::string, Size> images;
    std::vector<std::string> textsAsked;
    std::vector<std::string> imagesAsked;

    String LoadString(String path) override {
        const std::string p = host_ToUtf8(path);
        textsAsked.push_back(p);
        auto it = texts.find(p);
        return it == texts.end() ? String() : host_FromUtf8(it->second);
    }
    unsigned char *LoadImageData(String path, int *w, int *h, int *d) override {
        const std::string p = host_ToUtf8(path);
        imagesAsked.push_back(p);
        auto it = images.find(p);
        if (it == images.end()) return nullptr;
        const size_t n = static_cast<size_t>(it->second.w) * it->second.h * it->second.d;
        auto *block = static_cast<unsigned char *>(std::malloc(n ? n : 1));
        std::memset(block, 200, n);
        *w = it->second.w;
        *h = it->second.h;
        *d = it->second.d;
        return block;
    }
};

// The real host, counting image loads.
struct CountingHost : HxZentrovaGame {
    int imageLoads = 0;
    unsigned char *LoadImageData(String path, int *w, int *h, int *d) override {
        ++imageLoads;
        return HxZentrovaGame::LoadImageData(path, w, h, d);
    }
};

std::string Data(const std::string &name) { return "zentrova://data/" + name; }

class Gfx1Test : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        gfx1_InitGlobals();
        app_GraphicsDevice = gc_New<HxGraphics>()->m_new();
    }
    void TearDown() override {
        app_GraphicsDevice = nullptr;
        gfx1_Context = nullptr;
        gfx1_RenderDevice = nullptr;
        RuntimeTest::TearDown();
    }
    static HxSurface *Surface(int w, int h) {
        HxSurface *s = gc_New<HxSurface>()->m_new();
        s->width = w;
        s->height = h;
        return s;
    }
};

struct FrameXY {
    int x, y;
    bool operator==(const FrameXY &o) const { return x == o.x && y == o.y; }
};
std::ostream &operator<<(std::ostream &os, const FrameXY &f) { return os << "(" << f.x << "," << f.y << ")"; }

std::vector<FrameXY> Frames(c_Image *img) {
    std::vector<FrameXY> v;
    for (int i = 0; i < img->frames.Length(); ++i) v.push_back({img->frames[i]->x, img->frames[i]->y});
    return v;
}

std::map<int, c_Glyph *> Glyphs(c_Font *f) {
    std::map<int, c_Glyph *> m;
    for (c_Node *n = c_Node::Leftmost(f->glyphs->root); n; n = c_Node::Successor(n)) m[n->key] = n->value;
    return m;
}

// Runs a statement that must end in a run-time error with the message.
#define EXPECT_RUNTIME_ERROR(statement, message)         \
    EXPECT_EXIT(                                         \
        {                                                \
            std::freopen("/dev/null", "r", stdin);       \
            std::fflush(stdout);                         \
            dup2(STDERR_FILENO, STDOUT_FILENO);          \
            statement;                                   \
        },                                               \
        ::testing::ExitedWithCode(255), message)

// ---------------------------------------------------------------------------
// Images

TEST_F(Gfx1Test, StripFramesFollowTheFlags) {
    struct Case {
        int sw, sh, frames, flags;
        int width, height;
        std::vector<FrameXY> at;
        float hx, hy;
        int keptFlags;
    } cases[] = {
        {64, 16, 4, 0, 16, 16, {{0, 0}, {16, 0}, {32, 0}, {48, 0}}, 0, 0, 0},
        {64, 16, 4, 1 | 2, 14, 16, {{1, 0}, {17, 0}, {33, 0}, {49, 0}}, 7, 8, 2},
        {64, 16, 4, 4, 16, 14, {{0, 1}, {16, 1}, {32, 1}, {48, 1}}, 0, 0, 4},
        {64, 16, 1, 0, 64, 16, {{0, 0}}, 0, 0, 0x10000},
        {64, 16, 1, 1, 64, 16, {{0, 0}}, 32, 8, 0x10000},
        {64, 16, 1, 2, 62, 16, {{1, 0}}, 0, 0, 2},
        {15, 9, 1, 1 | 2 | 4, 13, 7, {{1, 1}}, 6.5f, 3.5f, 6},
        {65, 16, 2, 0, 32, 16, {{0, 0}, {32, 0}}, 0, 0, 0},  // the odd column is left over
        // A frame count below 1 gives one frame rather than a division by 0.
        {64, 16, 0, 0, 64, 16, {{0, 0}}, 0, 0, 0x10000},
        {64, 16, -3, 0, 64, 16, {{0, 0}}, 0, 0, 0x10000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " frames " << c.frames << " flags " << c.flags);
        HxSurface *s = Surface(c.sw, c.sh);
        c_Image *img = gc_New<c_Image>()->m_new();
        EXPECT_EQ(img->Init(s, c.frames, c.flags), img);
        EXPECT_EQ(img->surface.get(), s);
        EXPECT_EQ(img->Width(), c.width);
        EXPECT_EQ(img->Height(), c.height);
        EXPECT_EQ(Frames(img), c.at);
        EXPECT_EQ(img->handleX, c.hx);
        EXPECT_EQ(img->handleY, c.hy);
        EXPECT_EQ(img->flags, c.keptFlags);
    }
}

TEST_F(Gfx1Test, SetHandleReplacesTheCentredHandle) {
    c_Image *img = gc_New<c_Image>()->m_new()->Init(Surface(64, 16), 4, 1 | 2);
    EXPECT_EQ(img->handleX, 7);
    img->flags |= 1;
    img->SetHandle(3, 4);
    EXPECT_EQ(img->handleX, 3);
    EXPECT_EQ(img->handleY, 4);
    EXPECT_EQ(img->flags, 2);
}

TEST_F(Gfx1Test, GridFramesRunLeftToRightThenDown) {
    struct Case {
        const char *name;
        int x, y, w, h, frames, srcx, srcy, srcw, srch;
        std::vector<FrameXY> at;
    } cases[] = {
        {"four of 40x40 in 100x100", 0, 0, 40, 40, 4, 0, 0, 100, 100, {{0, 0}, {40, 0}, {0, 40}, {40, 40}}},
        {"exact fit", 0, 0, 50, 50, 4, 0, 0, 100, 100, {{0, 0}, {50, 0}, {0, 50}, {50, 50}}},
        // The start cursor is relative to the source rectangle; rows restart
        // at its left edge.
        {"offset source", 30, 0, 40, 20, 3, 10, 5, 100, 40, {{40, 5}, {10, 25}, {50, 25}}},
        {"no frames", 0, 0, 40, 40, 0, 0, 0, 10, 10, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HxSurface *s = Surface(200, 200);
        c_Image *src = gc_New<c_Image>()->m_new();
        c_Image *img = gc_New<c_Image>()->m_new();
        img->InitGrid(s, c.x, c.y, c.w, c.h, c.frames, 0, src, c.srcx, c.srcy, c.srcw, c.srch);
        EXPECT_EQ(Frames(img), c.at);
        EXPECT_EQ(img->Width(), c.w);
        EXPECT_EQ(img->Height(), c.h);
        EXPECT_EQ(img->source.get(), src);
        EXPECT_EQ(img->flags, 0);
    }
}

TEST_F(Gfx1Test, GridFrameOutsideTheSourceIsARunTimeError) {
    HxSurface *s = Surface(100, 100);
    // The fifth 40x40 frame would start a row at y = 80.
    EXPECT_RUNTIME_ERROR(gc_New<c_Image>()->m_new()->InitGrid(s, 0, 0, 40, 40, 5, 0, nullptr, 0, 0, 100, 100),
                         "Image frame outside surface");
    // A frame wider or taller than the source rectangle.
    EXPECT_RUNTIME_ERROR(gc_New<c_Image>()->m_new()->InitGrid(s, 0, 0, 120, 10, 1, 0, nullptr, 0, 0, 100, 100),
                         "Image frame outside surface");
    EXPECT_RUNTIME_ERROR(gc_New<c_Image>()->m_new()->InitGrid(s, 0, 0, 10, 120, 1, 0, nullptr, 0, 0, 100, 100),
                         "Image frame outside surface");
}

TEST_F(Gfx1Test, AnImageIsInitialisedOnce) {
    HxSurface *s = Surface(64, 16);
    EXPECT_RUNTIME_ERROR(gc_New<c_Image>()->m_new()->Init(s, 1, 0)->Init(s, 1, 0), "Image already initialized");
    EXPECT_RUNTIME_ERROR(
        gc_New<c_Image>()->m_new()->Init(s, 1, 0)->InitGrid(s, 0, 0, 8, 8, 1, 0, nullptr, 0, 0, 64, 16),
        "Image already initialized");
}

TEST_F(Gfx1Test, LoadersReadDataFilesThroughTheDevice) {
    MemoryHost host;
    host.images[Data("strip.png")] = {64, 16, 4};
    host.images[Data("grid.png")] = {100, 100, 4};
    host.images["/abs/whole.png"] = {30, 20, 3};

    c_Image *strip = gfx1_LoadImage(String(u"strip.png"), 4, 2);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(Frames(strip), (std::vector<FrameXY>{{1, 0}, {17, 0}, {33, 0}, {49, 0}}));
    EXPECT_EQ(strip->surface->Width(), 64);

    c_Image *grid = gfx1_LoadImageGrid(String(u"grid.png"), 40, 40, 4, 0);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(Frames(grid), (std::vector<FrameXY>{{0, 0}, {40, 0}, {0, 40}, {40, 40}}));
    EXPECT_EQ(grid->source.get(), nullptr);

    c_Image *whole = gfx1_LoadImageSimple(String(u"/abs/whole.png"), 0);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->flags, 0x10000);
    EXPECT_EQ(whole->surface->depth, 3);

    EXPECT_EQ(gfx1_LoadImage(String(u"missing.png"), 1, 0), nullptr);
    EXPECT_EQ(host.imagesAsked,
              (std::vector<std::string>{Data("strip.png"), Data("grid.png"), "/abs/whole.png", Data("missing.png")}));

    // Without a device nothing loads.
    app_GraphicsDevice = nullptr;
    EXPECT_EQ(gfx1_LoadImageSimple(String(u"strip.png"), 0), nullptr);
}

// ---------------------------------------------------------------------------
// Fonts

TEST_F(Gfx1Test, DefaultFontLoadsOnceAndIsRetriedAfterAFailure) {
    CountingHost host;
    TempDir dir;
    host.appFolder = host_FromUtf8(dir.Path());  // a folder without data/vexo_font.png

    EXPECT_EQ(gfx1_SetFont(nullptr), 0);
    EXPECT_EQ(host.imageLoads, 1);
    EXPECT_EQ(gfx1_Context->defaultFont.get(), nullptr);
    EXPECT_EQ(gfx1_Context->currentFont.get(), nullptr);

    host.appFolder = String();  // the executable's folder, with the data folder
    gfx1_SetFont(nullptr);
    EXPECT_EQ(host.imageLoads, 2);
    c_Font *font = gfx1_Context->defaultFont;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(gfx1_Context->currentFont.get(), font);
    EXPECT_EQ(font->pageCount, 1);
    EXPECT_EQ(font->firstChar, 32);
    EXPECT_EQ(font->height, 10);  // 12-pixel cells less the border
    ASSERT_EQ(font->pages.Length(), 1);
    EXPECT_EQ(font->pages[0]->Width(), 768);
    std::map<int, c_Glyph *> glyphs = Glyphs(font);
    ASSERT_EQ(glyphs.size(), 96u);
    EXPECT_EQ(glyphs.begin()->first, 32);
    EXPECT_EQ(glyphs.rbegin()->first, 127);
    c_Glyph *a = glyphs[65];  // cell 33 of 8 x 12, inset by one pixel
    EXPECT_EQ(a->id, 65);
    EXPECT_EQ(a->x, 33 * 8 + 1);
    EXPECT_EQ(a->y, 1);
    EXPECT_EQ(a->width, 6);
    EXPECT_EQ(a->height, 10);
    EXPECT_EQ(a->advance, 6);

    // Selecting another font and then the default again loads nothing.
    c_Font *other = gc_New<c_Font>()->m_new();
    gfx1_SetFont(other);
    EXPECT_EQ(gfx1_Context->currentFont.get(), other);
    gfx1_SetFont(nullptr);
    EXPECT_EQ(gfx1_Context->currentFont.get(), font);
    EXPECT_EQ(host.imageLoads, 2);
}

TEST_F(Gfx1Test, GridAndCellFonts) {
    MemoryHost host;
    host.images[Data("wide.png")] = {960, 12, 4};
    host.images[Data("vexo_font.png")] = {95, 12, 4};  // narrower than 96 cells
    host.images[Data("cells.png")] = {32, 32, 4};
    host.images[Data("thin.png")] = {192, 12, 4};

    struct Glyph {
        int code, x, y, w, h, advance;
    };
    struct Case {
        const char *name;
        c_Font *(*load)();
        bool loads = false;
        int count = 0;
        Glyph probe = {};
        float height = 0;
    } cases[] = {
        {"padded 960 wide", [] { return c_Font::LoadGrid(String(u"wide.png"), 32, 96, true); }, true, 96,
         {65, 331, 1, 8, 10, 8}, 10},
        {"unpadded 960 wide", [] { return c_Font::LoadGrid(String(u"wide.png"), 32, 95, false); }, true, 95,
         {65, 330, 0, 10, 12, 10}, 12},
        {"cells wrap to rows", [] { return c_Font::LoadCells(String(u"cells.png"), 16, 16, 1, 2, 14, 12, 48, 5); },
         true, 5, {52, 1, 34, 14, 12, 14}, 12},
        // Empty cells and cells of no glyph make no font.
        {"narrower than its cells", [] { return c_Font::LoadGrid(String(u"vexo_font.png"), 32, 96, true); }},
        {"padded cells of 2 pixels", [] { return c_Font::LoadGrid(String(u"thin.png"), 32, 96, true); }},
        {"no characters", [] { return c_Font::LoadGrid(String(u"wide.png"), 32, 0, false); }},
        {"cell width 0", [] { return c_Font::LoadCells(String(u"cells.png"), 0, 16, 0, 0, 8, 8, 32, 4); }},
        {"cell wider than the image",
         [] { return c_Font::LoadCells(String(u"cells.png"), 33, 16, 0, 0, 8, 8, 32, 4); }},
        {"missing image", [] { return c_Font::LoadGrid(String(u"none.png"), 32, 96, true); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c_Font *f = c.load();
        if (!c.loads) {
            EXPECT_EQ(f, nullptr);
            continue;
        }
        ASSERT_NE(f, nullptr);
        std::map<int, c_Glyph *> glyphs = Glyphs(f);
        EXPECT_EQ(static_cast<int>(glyphs.size()), c.count);
        ASSERT_TRUE(glyphs.count(c.probe.code));
        const c_Glyph *g = glyphs[c.probe.code];
        EXPECT_EQ(g->page, 0);
        EXPECT_EQ(g->x, c.probe.x);
        EXPECT_EQ(g->y, c.probe.y);
        EXPECT_EQ(g->width, c.probe.w);
        EXPECT_EQ(g->height, c.probe.h);
        EXPECT_EQ(g->advance, c.probe.advance);
        EXPECT_EQ(g->xoffset, 0);
        EXPECT_EQ(f->height, c.height);
        EXPECT_EQ(f->pageCount, 1);
        EXPECT_EQ(f->pages.Length(), 1);
    }

    // A default font that cannot be made leaves no font, and is tried again.
    gfx1_SetFont(nullptr);
    EXPECT_EQ(gfx1_Context->currentFont.get(), nullptr);
    gfx1_SetFont(nullptr);
    int asked = 0;
    for (const std::string &p : host.imagesAsked) asked += p == Data("vexo_font.png");
    EXPECT_EQ(asked, 3);
}

TEST_F(Gfx1Test, TextFontFileNames) {
    struct Case {
        const char *path, *file;
    } cases[] = {
        {"fonts/arial", "fonts/arial.txt"},
        {"arial.TXT", "arial.TXT"},
        {".txt", ".txt.txt"},
        {"a.txt.bak", "a.txt.bak"},
        {"zentrova://data/f/x", "zentrova://data/f/x.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        MemoryHost host;
        c_Font *f = c_Font::LoadText(String(c.path));
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(host.textsAsked.size(), 1u);
        const std::string want = std::string(c.file).rfind("zentrova:", 0) == 0 ? c.file : Data(c.file);
        EXPECT_EQ(host.textsAsked[0], want);
        // A missing file gives an empty font.
        EXPECT_EQ(f->pages.Length(), 0);
        EXPECT_EQ(f->pageCount, 0);
        EXPECT_EQ(f->firstChar, -1);
        EXPECT_EQ(f->height, 0);
        EXPECT_TRUE(Glyphs(f).empty());
    }
}

TEST_F(Gfx1Test, TextFontRecords) {
    const std::vector<std::string> lines = {
        "info face=\"Arial\" size=12",
        "common lineHeight=14 base=11 scaleW=64 pages=2",
        "page id=0 file=\"one.png\"",
        "  page id=1 file=two.png  ",
        "page id=2 file=three.png",  // beyond pages=2: no slot, not loaded
        "chars count=4",
        "char id=65 x=3 y=4 width=5 height=6 xoffset=-1 yoffset=2 xadvance=7 page=1",
        "char id=65 x=9 y=9 width=9 height=9 xoffset=9 yoffset=9 xadvance=9 page=0",  // first one wins
        "char id= 66 x=1",   // the empty value reads 0; "66" matches no key
        "char id=67  x=8 y=+5 width=12abc height=== xadvance=3=4",
        "kerning first=65 second=66 amount=-1",
        "padding=1,1,1,1",
        "",
        "char id=68 page=7",  // a page outside the array is kept as read
    };
    for (const char *eol : {"\n", "\r\n"}) {
        SCOPED_TRACE(eol[0] == '\r' ? "CR LF" : "LF");
        MemoryHost host;
        std::string text;
        for (const std::string &l : lines) text += l + eol;
        host.texts[Data("fonts/arial.txt")] = text;
        host.images[Data("fonts/one.png")] = {16, 16, 4};
        host.images[Data("fonts/two.png")] = {8, 8, 4};

        c_Font *f = c_Font::LoadText(String(u"fonts/arial"));
        EXPECT_EQ(host.imagesAsked, (std::vector<std::string>{Data("fonts/one.png"), Data("fonts/two.png")}));
        EXPECT_EQ(f->height, 14);
        EXPECT_EQ(f->pageCount, 2);
        EXPECT_EQ(f->firstChar, -1);
        ASSERT_EQ(f->pages.Length(), 2);
        ASSERT_NE(f->pages[0].get(), nullptr);
        ASSERT_NE(f->pages[1].get(), nullptr);
        EXPECT_EQ(f->pages[0]->Width(), 16);
        EXPECT_EQ(f->pages[1]->Width(), 8);

        std::map<int, c_Glyph *> g = Glyphs(f);
        EXPECT_EQ(g.size(), 4u);
        ASSERT_TRUE(g.count(65) && g.count(0) && g.count(67) && g.count(68));
        const c_Glyph *a = g[65];
        EXPECT_EQ((std::vector<int>{a->page, a->id, a->x, a->y, a->width, a->height, a->advance, a->xoffset,
                                    a->yoffset}),
                  (std::vector<int>{1, 65, 3, 4, 5, 6, 7, -1, 2}));
        EXPECT_EQ(g[0]->x, 1);
        const c_Glyph *c = g[67];
        EXPECT_EQ((std::vector<int>{c->x, c->y, c->width, c->height, c->advance}),
                  (std::vector<int>{8, 5, 12, 0, 3}));
        EXPECT_EQ(g[68]->page, 7);
    }
}

TEST_F(Gfx1Test, TextFontPageCounts) {
    struct Case {
        const char *name, *text;
        int pageCount, slots;
        std::vector<bool> loaded;
    } cases[] = {
        // Pages before any common line have no slot.
        {"page before common", "page id=0 file=a.png\ncommon pages=1\npage id=1 file=a.png\n", 1, 1, {false}},
        {"pages=0", "common lineHeight=3 pages=0\npage file=a.png\n", 0, 0, {}},
        {"negative pages", "common pages=-4\npage file=a.png\n", 0, 0, {}},
        {"missing page image", "common pages=2\npage file=none.png\npage file=a.png\n", 2, 2, {false, true}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MemoryHost host;
        host.texts[Data("f.txt")] = c.text;
        host.images[Data("a.png")] = {4, 4, 4};
        c_Font *f = c_Font::LoadText(String(u"f"));
        EXPECT_EQ(f->pageCount, c.pageCount);
        ASSERT_EQ(f->pages.Length(), c.slots);
        for (int i = 0; i < c.slots; ++i) EXPECT_EQ(f->pages[i].get() != nullptr, c.loaded[i]) << "slot " << i;
    }
}

bool Unreachable(const gc_object *o) {
    for (gc_object *u = gc_UnreachableList.next; u != &gc_UnreachableList; u = u->next)
        if (u == o) return true;
    return false;
}

void EnqueueLayerRoots() {
    gc_Enqueue(app_GraphicsDevice);
    gfx1_MarkGlobals();
}

TEST_F(Gfx1Test, TheCollectorKeepsWhatTheLayerHolds) {
    MemoryHost host;
    host.images[Data("vexo_font.png")] = {768, 12, 4};
    gfx1_SetFont(nullptr);
    c_Font *font = gfx1_Context->currentFont;
    ASSERT_NE(font, nullptr);
    c_Image *page = font->pages[0];
    c_Image *grid = gc_New<c_Image>()->m_new();
    grid->InitGrid(Surface(8, 8), 0, 0, 4, 4, 2, 0, page, 0, 0, 8, 8);
    gfx1_SetFont(gc_New<c_Font>()->m_new(Array<c_Image *>(1), 1, gc_New<c_IntMap>()->m_new(), 0, 0));
    gfx1_Context->currentFont->pages[0] = grid;
    // The batch's surface is held only by the device until the batch draws.
    HxSurface *batched = Surface(4, 4);
    app_GraphicsDevice->DrawSurface(batched, 0, 0);
    HxSurface *dropped = Surface(4, 4);

    gc_SetRoots(EnqueueLayerRoots);
    gc_MarkGlobals();
    // Two cycles: the first still sees what the stores' barriers shaded.
    gc_CollectAll();
    gc_CollectAll();
    EXPECT_TRUE(Unreachable(dropped));
    std::vector<const gc_object *> kept = {font, font->glyphs.get(), page, page->surface.get(),
                                           page->frames->GetRep(), grid, grid->surface.get(),
                                           grid->frames->GetRep(), grid->frames[1].get(), batched};
    for (c_Node *n = c_Node::Leftmost(font->glyphs->root); n; n = c_Node::Successor(n)) {
        kept.push_back(n);
        kept.push_back(n->value.get());
    }
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_FALSE(Unreachable(kept[i])) << "object " << i;
}

// ---------------------------------------------------------------------------
// The context

TEST_F(Gfx1Test, MatrixSettersStoreInTheContext) {
    struct Case {
        float m[6];
        int transformed;
    } cases[] = {
        {{1, 0, 0, 1, 0, 0}, 0},
        {{2, 0, 0, 1, 0, 0}, 1},
        {{1, 0, 0, 1, 0, 0.5f}, 1},
        {{0, 1, -1, 0, 0, 0}, 1},
    };
    c_GraphicsContext *ctx = gfx1_Context;
    for (const Case &c : cases) {
        ctx->matrixDirty = 0;
        gfx1_SetMatrix(c.m[0], c.m[1], c.m[2], c.m[3], c.m[4], c.m[5]);
        EXPECT_EQ(ctx->transformed, c.transformed);
        EXPECT_EQ(ctx->matrixDirty, 1);
        EXPECT_EQ((std::vector<float>{ctx->ix, ctx->iy, ctx->jx, ctx->jy, ctx->tx, ctx->ty}),
                  std::vector<float>(c.m, c.m + 6));
        Array<float> a(6);
        for (int i = 0; i < 6; ++i) a[i] = c.m[i] * 3;
        gfx1_SetMatrixArray(a);
        EXPECT_EQ(ctx->ix, c.m[0] * 3);
    }
    // Too short an array changes nothing.
    gfx1_SetMatrixArray(Array<float>(5));
    EXPECT_EQ(ctx->jx, -3);
}

TEST_F(Gfx1Test, StateSettersOutsideRenderingOnlyStore) {
    HxGraphics *device = app_GraphicsDevice;
    const uint32_t colour = device->colour;
    gfx1_SetColor(10, 20, 30);
    gfx1_SetAlpha(0.5f);
    gfx1_SetBlend(1);
    gfx1_SetScissor(1.5f, 2.5f, 3.5f, 4.5f);
    c_GraphicsContext *ctx = gfx1_Context;
    EXPECT_EQ((std::vector<float>{ctx->r, ctx->g, ctx->b, ctx->alpha}), (std::vector<float>{10, 20, 30, 0.5f}));
    EXPECT_EQ(ctx->blend, 1);
    EXPECT_EQ((std::vector<float>{ctx->scissorX, ctx->scissorY, ctx->scissorWidth, ctx->scissorHeight}),
              (std::vector<float>{1.5f, 2.5f, 3.5f, 4.5f}));
    EXPECT_EQ(device->colour, colour);

    HxGraphics *other = gc_New<HxGraphics>()->m_new(4, 4);
    gfx1_SetGraphicsDevice(other);
    EXPECT_EQ(app_GraphicsDevice.get(), other);
}

// ---------------------------------------------------------------------------
// The device without GL

TEST_F(Gfx1Test, ColourPacking) {
    struct Case {
        float r, g, b, alpha;
        unsigned char bytes[4];  // R, G, B, A
    } cases[] = {
        {255, 255, 255, 1, {255, 255, 255, 255}},
        {255, 128, 0, 1, {255, 128, 0, 255}},
        {255, 128, 0, 0.5f, {127, 64, 0, 127}},
        {0, 0, 0, 0, {0, 0, 0, 0}},
        // Out-of-range values are held to a byte instead of spilling over.
        {300, -5, NAN, 2, {255, 0, 0, 255}},
        {100, 100, 100, -1, {0, 0, 0, 0}},
    };
    HxGraphics *d = app_GraphicsDevice;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << " " << c.g << " " << c.b << " " << c.alpha);
        d->SetColor(c.r, c.g, c.b);
        d->SetAlpha(c.alpha);
        unsigned char bytes[4];
        std::memcpy(bytes, &d->colour, 4);
        EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 4), std::vector<unsigned char>(c.bytes, c.bytes + 4));
    }
}

TEST_F(Gfx1Test, BeginRenderWithoutAWindow) {
    HxZentrovaGame game;  // no window
    HxGraphics *d = gc_New<HxGraphics>()->m_new(300, 200);
    EXPECT_EQ(d->BeginRender(), 0);
    EXPECT_EQ(d->Width(), 0);
    EXPECT_EQ(d->Height(), 0);
    EXPECT_EQ(gc_New<HxGraphics>()->m_new()->Width(), 0);
}

TEST_F(Gfx1Test, QuadIndexTable) {
    const HxGraphics *d = app_GraphicsDevice;
    for (int q : {0, 1, 255}) {
        const uint16_t *i = d->quadIndices + q * 6;
        const uint16_t v = static_cast<uint16_t>(4 * q);
        EXPECT_EQ((std::vector<int>(i, i + 6)), (std::vector<int>{v, v + 1, v + 2, v, v + 2, v + 3}));
    }
}

TEST_F(Gfx1Test, OvalSegmentCounts) {
    struct Case {
        float m[6];
        float w, h;
        int n;
    } cases[] = {
        {{1, 0, 0, 1, 0, 0}, 10, 10, 12},
        {{1, 0, 0, 1, 0, 0}, 100, 60, 80},
        {{1, 0, 0, 1, 0, 0}, 30, 22, 24},  // 26 rounded down to a multiple of 4
        {{1, 0, 0, 1, 0, 0}, -100, -60, 80},
        {{1, 0, 0, 1, 0, 0}, 2046, 2, 1024},  // 1024 itself
        {{1, 0, 0, 1, 0, 0}, 3000, 3000, 1024},
        {{2, 0, 0, 2, 5, 5}, 100, 60, 160},  // lengths of the transformed radii
        {{0, 1, -1, 0, 0, 0}, 100, 60, 80},  // a rotation keeps them
        {{3, 4, 0, 1, 0, 0}, 20, 20, 60},    // |(3, 4)| x 10 + |(0, 1)| x 10
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " m0 " << c.m[0]);
        HxGraphics *d = gc_New<HxGraphics>()->m_new(960, 540);
        d->SetMatrix(c.m[0], c.m[1], c.m[2], c.m[3], c.m[4], c.m[5]);
        d->DrawOval(10, 20, c.w, c.h);
        EXPECT_EQ(d->primitive, c.n);
        EXPECT_EQ(d->count, c.n);
    }
    // Vertex k at angle k x 2pi / n from the centre, y up; then transformed.
    HxGraphics *d = gc_New<HxGraphics>()->m_new(960, 540);
    d->SetMatrix(1, 0, 0, 1, 100, 0);
    d->DrawOval(0, 0, 100, 60);
    EXPECT_FLOAT_EQ(d->vertices[0].x, 200);
    EXPECT_FLOAT_EQ(d->vertices[0].y, 30);
    EXPECT_NEAR(d->vertices[20].x, 150, 1e-4);
    EXPECT_NEAR(d->vertices[20].y, 0, 1e-4);
    EXPECT_EQ(d->vertices[20].colour, d->colour);
}

TEST_F(Gfx1Test, PremultiplicationByDepth) {
    struct Case {
        int depth;
        std::vector<unsigned char> in, out;  // 2 x 1 pixels
        int format;
    } cases[] = {
        {1, {10, 250}, {10, 250}, 0x1909},                                          // GL_LUMINANCE
        {2, {200, 128, 255, 0}, {100, 128, 0, 0}, 0x190A},                          // GL_LUMINANCE_ALPHA
        {3, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, 0x1907},                        // GL_RGB
        {4, {255, 128, 10, 128, 9, 9, 9, 255}, {128, 64, 5, 128, 9, 9, 9, 255}, 0x1908},  // GL_RGBA
        {5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.depth);
        auto *block = static_cast<unsigned char *>(std::malloc(c.in.size()));
        std::memcpy(block, c.in.data(), c.in.size());
        HxSurface *s = gc_New<HxSurface>()->m_new();
        s->SetData(block, 2, 1, c.depth);
        EXPECT_EQ(std::vector<unsigned char>(s->pixels, s->pixels + c.out.size()), c.out);
        EXPECT_EQ(s->format, c.format);
        EXPECT_EQ(s->depth, c.depth);
    }
}

TEST_F(Gfx1Test, WritingPixelsStoresPremultipliedRgba) {
    HxGraphics *d = app_GraphicsDevice;
    HxSurface *s = d->CreateSurface(3, 2);
    EXPECT_EQ(s->depth, 4);
    EXPECT_EQ(s->contextSeq, -1);  // no GL context yet: no texture
    Array<int> px(4);
    px[0] = 0x11111111;
    px[1] = static_cast<int>(0x80FF0000u);  // alpha 128, red 255
    px[2] = static_cast<int>(0xFF102030u);
    px[3] = 0x7F000000;
    d->WriteSurfacePixels(s, px, 1, 0, 1, 1, 1, 1);
    ASSERT_NE(s->pixels, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(s->pixels + 4, s->pixels + 8), (std::vector<unsigned char>{128, 0, 0, 128}));

    // A 2 x 1 rectangle from element 2 at (1, 1).
    d->WriteSurfacePixels(s, px, 1, 1, 2, 1, 2, 0);
    EXPECT_EQ(std::vector<unsigned char>(s->pixels + 16, s->pixels + 24),
              (std::vector<unsigned char>{0x10, 0x20, 0x30, 0xFF, 0, 0, 0, 0x7F}));

    // Ranges that do not fit the array or the surface write nothing.
    std::vector<unsigned char> before(s->pixels, s->pixels + 24);
    struct Bad {
        int x, y, w, h, offset, pitch;
    } bad[] = {
        {0, 0, 2, 2, 0, 3},   // the second row ends past the array
        {0, 0, 1, 1, 4, 0},   // offset at the end
        {0, 0, 1, 1, -1, 0},  // negative offset
        {2, 0, 2, 1, 0, 0},   // past the right edge
        {0, 1, 1, 2, 0, 1},   // past the bottom
        {-1, 0, 1, 1, 0, 0},
        {0, 0, 0, 1, 0, 0},
    };
    for (const Bad &b : bad) d->WriteSurfacePixels(s, px, b.x, b.y, b.w, b.h, b.offset, b.pitch);
    EXPECT_EQ(std::vector<unsigned char>(s->pixels, s->pixels + 24), before);

    // Surfaces other than RGBA stay unchanged.
    auto *rgb = static_cast<unsigned char *>(std::malloc(6));
    std::memset(rgb, 7, 6);
    HxSurface *s3 = gc_New<HxSurface>()->m_new();
    s3->SetData(rgb, 2, 1, 3);
    EXPECT_EQ(d->WriteSurfacePixels(s3, px, 0, 0, 1, 1, 0, 1), 0);
    EXPECT_EQ(std::vector<unsigned char>(s3->pixels, s3->pixels + 6), std::vector<unsigned char>(6, 7));
}

}  // namespace
