// Bitmap fonts: page images and a map from character code to glyph.
//
// A glyph says where its picture lies on its page (relative to the page
// image's frame), where it is drawn relative to the pen and how far the pen
// then advances. Fonts come from three loaders: a horizontal strip of equal
// cells, a grid of cells with an inset glyph rectangle, and a text
// description (lines "common", "page" and "char" of key=value fields). Every
// page image is loaded centred with flags Filter + Mipmap (through
// ImageFlagsMask) and the default shader. Text drawing is the draw list's;
// measuring is here.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_map.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Image2;

class c_Glyph2 : public Object {
public:
    // Index into the font's pages.
    int32_t m_page;
    int32_t m_char;
    // The picture's top-left corner on its page and its size, in pixels.
    int32_t m_x;
    int32_t m_y;
    int32_t m_width;
    int32_t m_height;
    // How far the pen moves after the glyph.
    int32_t m_advance;
    // Where the picture is drawn relative to the pen.
    int32_t m_xoffset;
    int32_t m_yoffset;

    c_Glyph2()
        : m_page(0), m_char(0), m_x(0), m_y(0), m_width(0), m_height(0), m_advance(0), m_xoffset(0), m_yoffset(0) {}
    c_Glyph2 *m_new() { return this; }
    // Offsets 0.
    c_Glyph2 *m_new(int32_t page, int32_t ch, int32_t x, int32_t y, int32_t w, int32_t h, int32_t advance);
};

class c_Font2 : public Object {
public:
    ArrayField<c_Image2 *> m_pages;
    // The number of pages the font declares (1 for grid fonts). A text font's
    // page array always has this many slots; a slot may be null.
    int32_t m_pageCount;
    // The first character of a grid font; -1 for a text font.
    int32_t m_firstChar;
    // The line height in pixels.
    float m_height;
    gc_ref<c_IntMap3> m_glyphs;

    // The shared empty page array and a new empty glyph map.
    c_Font2();
    c_Font2 *m_new() { return this; }
    c_Font2 *m_new(const Array<c_Image2 *> &pages, int32_t pageCount, c_IntMap3 *glyphs, int32_t firstChar,
                   float height);

    // The glyph of a character code, or null.
    c_Glyph2 *GetGlyph(int32_t ch);
    // The sum of the advances of the text's units; a unit without glyph adds
    // 0. No kerning, no line breaks.
    float TextWidth(const String &text);
    float TextHeight();

    // numChars cells side by side across one image, from firstChar; with
    // `padded` each glyph is its cell less a one-pixel border. Null when the
    // image does not load, or when the cells would be empty (numChars below
    // 1, an image narrower than numChars pixels, a border that leaves no
    // pixel inside).
    static c_Font2 *LoadGrid(const String &path, int32_t firstChar, int32_t numChars, bool padded);
    // The game's fonts: 95 unpadded cells from 32.
    static c_Font2 *LoadGrid95(const String &path);
    // Cells of cellW x cellH wrapping into rows, each glyph glyphW x glyphH at
    // (glyphX, glyphY) within its cell. Null when the image does not load or
    // cellW is not between 1 and the image width.
    static c_Font2 *LoadCells(const String &path, int32_t cellW, int32_t cellH, int32_t glyphX, int32_t glyphY,
                              int32_t glyphW, int32_t glyphH, int32_t firstChar, int32_t numChars);
    // A font from its text description; never null. The path gets ".txt"
    // unless it has one after its first character; pages load from the
    // description's folder. A missing file gives an empty font. "file="
    // fields beyond the declared page count are not loaded; a negative count
    // counts as 0.
    static c_Font2 *LoadText(const String &path);

    void Mark() override;
};
