#include "renderer/rd_font.h"

#include "host/hx_app.h"
#include "renderer/rd_image.h"

namespace {

// Sums and products of int32 values wrapped to 32 bits, without signed
// overflow.
int32_t WrapAdd(int64_t a, int64_t b) { return gc_Wrap(a + b); }
int32_t WrapMul(int64_t a, int64_t b) { return gc_Wrap(a * b); }

// Every page of every font: centred, Filter + Mipmap, the default shader.
c_Image2 *LoadPage(const String &path) { return c_Image2::Load(path, 0.5f, 0.5f, 3, nullptr); }

c_IntMap3 *NewGlyphMap() { return gc_New<c_IntMap3>()->m_new(); }

// A font of one page.
c_Font2 *SinglePageFont(c_Image2 *page, c_IntMap3 *glyphs, int32_t firstChar, float height) {
    Array<c_Image2 *> pages(1);
    pages[0] = page;
    return gc_New<c_Font2>()->m_new(pages, 1, glyphs, firstChar, height);
}

// A field's value: after its first "=" up to the next "=" or the end,
// trimmed.
String FieldValue(const String &field) {
    const int eq = field.Find(String(u"="));
    if (eq < 0) return String();
    const int next = field.Find(String(u"="), eq + 1);
    return field.Slice(eq + 1, next < 0 ? field.Length() : next).Trim();
}

// Read like atoi from the value's first 63 units.
int32_t FieldInt(const String &field) { return FieldValue(field).ToInt(); }

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
        const int32_t code = WrapAdd(firstChar, i);
        const int32_t x = (i % n) * cw + p;
        const int32_t y = WrapAdd(WrapMul(i / n, ch), p);
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
        const int32_t code = WrapAdd(firstChar, i);
        const int32_t x = WrapAdd(glyphX, WrapMul(i % n, cellW));
        const int32_t y = WrapAdd(glyphY, WrapMul(i / n, cellH));
        glyphs->Add(code, gc_New<c_Glyph2>()->m_new(0, code, x, y, glyphW, glyphH, glyphW));
    }
    return SinglePageFont(page, glyphs, firstChar, static_cast<float>(glyphH));
}

c_Font2 *c_Font2::LoadText(const String &path) {
    int slash = -1;
    for (int i = 0; i < path.Length(); ++i)
        if (path[i] == '/') slash = i;
    const String folder = slash >= 0 ? path.Slice(0, slash + 1) : String();
    const String file = path.ToLower().Find(String(u".txt"), 1) >= 1 ? path : path + String(u".txt");
    const String text = app_LoadString(file);

    Array<String> lines = text.Split(String(u"\r\n"));
    if (lines.Length() < 2) lines = text.Split(String(u"\n"));

    Array<c_Image2 *> pages;
    int32_t pageCount = 0;
    int32_t pageIndex = 0;
    int32_t lineHeight = 0;
    c_IntMap3 *glyphs = NewGlyphMap();
    const String space(u" ");
    for (int li = 0; li < lines.Length(); ++li) {
        const String line = lines[li].Trim();
        if (line.StartsWith(String(u"info")) || line.Empty() || line.StartsWith(String(u"padding"))) continue;
        if (line.StartsWith(String(u"common"))) {
            const Array<String> fields = line.Split(space);
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (f.StartsWith(String(u"lineHeight="))) lineHeight = FieldInt(f);
                if (f.StartsWith(String(u"pages="))) {
                    // A negative count is taken as none.
                    pageCount = FieldInt(f);
                    if (pageCount < 0) pageCount = 0;
                    pages = Array<c_Image2 *>(static_cast<int64_t>(pageCount));
                }
            }
        } else if (line.StartsWith(String(u"page"))) {
            const Array<String> fields = line.Split(space);
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (!f.StartsWith(String(u"file="))) continue;
                String name = FieldValue(f);
                if (name.StartsWith(String(u"\""))) name = name.Slice(1, name.Length() - 1).Trim();
                // Pages beyond the declared count have no slot and are not
                // loaded; they still use up their number.
                const int32_t slot = pageIndex;
                if (pageIndex < INT32_MAX) ++pageIndex;
                if (slot < pages.Length()) pages[slot] = LoadPage(folder + name);
            }
        } else if (line.StartsWith(String(u"chars"))) {
            continue;
        } else if (line.StartsWith(String(u"char"))) {
            c_Glyph2 *glyph = gc_New<c_Glyph2>()->m_new();
            const Array<String> fields = line.Split(space);
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (f.StartsWith(String(u"id="))) glyph->m_char = FieldInt(f);
                if (f.StartsWith(String(u"x="))) glyph->m_x = FieldInt(f);
                if (f.StartsWith(String(u"y="))) glyph->m_y = FieldInt(f);
                if (f.StartsWith(String(u"width="))) glyph->m_width = FieldInt(f);
                if (f.StartsWith(String(u"height="))) glyph->m_height = FieldInt(f);
                if (f.StartsWith(String(u"xoffset="))) glyph->m_xoffset = FieldInt(f);
                if (f.StartsWith(String(u"yoffset="))) glyph->m_yoffset = FieldInt(f);
                if (f.StartsWith(String(u"xadvance="))) glyph->m_advance = FieldInt(f);
                if (f.StartsWith(String(u"page="))) glyph->m_page = FieldInt(f);
            }
            // The first definition of a character wins.
            glyphs->Add(glyph->m_char, glyph);
        }
    }
    return gc_New<c_Font2>()->m_new(pages, pageCount, glyphs, -1, static_cast<float>(lineHeight));
}
