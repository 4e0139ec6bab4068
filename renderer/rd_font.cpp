#include "renderer/rd_font.h"


#include "host/hx_app.h"
#include "host/hx_fontfile.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

// Every page of every font: centred, Filter + Mipmap, the default shader.
c_Image2 *LoadPage(const String &path) { return c_Image2::Load(path, 0.5f, 0.5f, 3, nullptr); }

c_IntMap3 *NewGlyphMap() { return gc_New<c_IntMap3>()->m_new(); }

// A font of one page.
c_Font2 *SinglePageFont(c_Image2 *page, c_IntMap3 *glyphs, int32_t firstChar, float height) {
    Array<c_Image2 *> pages(1);
    pages[0] = page;
    return gc_New<c_Font2>()->m_new(pages, 1, glyphs, firstChar, height);
}
}  // namespace

// ---------------------------------------------------------------------------
// Glyphs and fonts

c_Glyph2 *c_Glyph2::m_new(int32_t page, int32_t ch, int32_t x, int32_t y, int32_t w, int32_t h, int32_t advance) {
    m_page = page;
    m_char = ch;
    m_x = x;
    m_y = y;
    m_width = w;
    m_height = h;
    m_advance = advance;
    return this;
}

c_Font2::c_Font2() : m_pages(), m_pageCount(0), m_firstChar(0), m_height(0), m_glyphs(NewGlyphMap()) {}

c_Font2 *c_Font2::m_new(const Array<c_Image2 *> &pages, int32_t pageCount, c_IntMap3 *glyphs, int32_t firstChar,
                        float height) {
    m_pages = pages;
    m_pageCount = pageCount;
    m_glyphs = glyphs;
    m_firstChar = firstChar;
    m_height = height;
    return this;
}

c_Glyph2 *c_Font2::GetGlyph(int32_t ch) { return m_glyphs->Get(ch); }

float c_Font2::TextWidth(const String &text) {
    float width = 0.0f;
    for (int i = 0; i < text.Length(); ++i) {
        if (c_Glyph2 *glyph = m_glyphs->Get(text[i])) width += static_cast<float>(glyph->m_advance);
    }
    return width;
}

float c_Font2::TextHeight() { return m_height; }

void c_Font2::Mark() {
    gc_Enqueue(m_pages);
    gc_Enqueue(m_glyphs);
}

// ---------------------------------------------------------------------------
// Loaders

c_Font2 *c_Font2::LoadGrid(const String &path, int32_t firstChar, int32_t numChars, bool padded) {
    if (numChars < 1) return nullptr;
    c_Image2 *page = LoadPage(path);
    if (!page) return nullptr;
    const int32_t p = padded ? 1 : 0;
    const int32_t cw = page->Width() / numChars;
    const int32_t ch = page->Height();
    const int32_t gw = cw - 2 * p;
    const int32_t gh = ch - 2 * p;
    // Cells too small to hold a glyph (an image narrower than numChars
    // pixels, or a border with nothing inside) make no font.
    if (cw < 1 || gw < 1 || gh < 1) return nullptr;
    const int32_t n = page->Width() / cw;
    c_IntMap3 *glyphs = NewGlyphMap();
    for (int32_t i = 0; i < numChars; ++i) {
        const int32_t code = math_WrapAdd(firstChar, i);
        const int32_t x = (i % n) * cw + p;
        const int32_t y = math_WrapAdd(math_WrapMul(i / n, ch), p);
        glyphs->Add(code, gc_New<c_Glyph2>()->m_new(0, code, x, y, gw, gh, gw));
    }
    return SinglePageFont(page, glyphs, firstChar, static_cast<float>(gh));
}

c_Font2 *c_Font2::LoadGrid95(const String &path) { return LoadGrid(path, 32, 95, false); }

c_Font2 *c_Font2::LoadCells(const String &path, int32_t cellW, int32_t cellH, int32_t glyphX, int32_t glyphY,
                            int32_t glyphW, int32_t glyphH, int32_t firstChar, int32_t numChars) {
    if (cellW < 1) return nullptr;
    c_Image2 *page = LoadPage(path);
    if (!page) return nullptr;
    const int32_t n = page->Width() / cellW;
    // A cell wider than the image leaves no cell in a row.
    if (n < 1) return nullptr;
    c_IntMap3 *glyphs = NewGlyphMap();
    for (int32_t i = 0; i < numChars; ++i) {
        const int32_t code = math_WrapAdd(firstChar, i);
        const int32_t x = math_WrapAdd(glyphX, math_WrapMul(i % n, cellW));
        const int32_t y = math_WrapAdd(glyphY, math_WrapMul(i / n, cellH));
        glyphs->Add(code, gc_New<c_Glyph2>()->m_new(0, code, x, y, glyphW, glyphH, glyphW));
    }
    return SinglePageFont(page, glyphs, firstChar, static_cast<float>(glyphH));
}

c_Font2 *c_Font2::LoadText(const String &path) {
    const FontFile file = host_ParseFontText(path, app_LoadString(host_FontTextFile(path)));
    Array<c_Image2 *> pages(static_cast<int64_t>(file.pageFiles.size()));
    for (size_t i = 0; i < file.pageFiles.size(); ++i)
        if (!file.pageFiles[i].Empty()) pages[static_cast<int>(i)] = LoadPage(file.folder + file.pageFiles[i]);
    c_IntMap3 *glyphs = NewGlyphMap();
    for (const FontFileGlyph &g : file.glyphs) {
        c_Glyph2 *glyph = gc_New<c_Glyph2>()->m_new(g.page, g.id, g.x, g.y, g.width, g.height, g.advance);
        glyph->m_xoffset = g.xoffset;
        glyph->m_yoffset = g.yoffset;
        // The first definition of a character wins.
        glyphs->Add(g.id, glyph);
    }
    return gc_New<c_Font2>()->m_new(pages, file.pageCount, glyphs, -1, static_cast<float>(file.lineHeight));
}
