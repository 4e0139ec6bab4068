// The older graphics layer: images made of frames of a device surface,
// bitmap fonts whose pages are such images, and the one graphics context
// holding the layer's state (fonts, matrix, colour, alpha, blend, scissor),
// which it forwards to the device while a frame renders through the layer.
//
// The layer is set up at game start (its default font "vexo_font.png" is
// loaded as a padded strip of 96 characters from 32) but draws nothing:
// the device's render mode is always 0.
#pragma once

#include <cstdint>

#include "host/hx_graphics.h"
#include "runtime/rt_array.h"
#include "runtime/rt_map.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// Image flags.
inline constexpr int32_t kImageFlagCentre = 1;     // handle at the (padded) centre; not kept
inline constexpr int32_t kImageFlagXPadding = 2;   // one-pixel border left and right of every frame
inline constexpr int32_t kImageFlagYPadding = 4;   // one-pixel border above and below
inline constexpr int32_t kImageFlagFullFrame = 0x10000;  // one frame at (0, 0) as large as the surface

class c_Frame : public Object {
public:
    int32_t x;
    int32_t y;

    c_Frame() : x(0), y(0) {}
    c_Frame *m_new(int x, int y);
    c_Frame *m_new() { return this; }
};

class c_Image : public Object {
public:
    gc_ref<HxSurface> surface;
    int32_t width;
    int32_t height;
    ArrayField<c_Frame *> frames;
    int32_t flags;
    float handleX;
    float handleY;
    gc_ref<c_Image> source;

    c_Image() : surface(), width(0), height(0), frames(), flags(0), handleX(0), handleY(0), source() {}
    c_Image *m_new() { return this; }
    void Mark() override;

    // A strip of frameCount equal frames across the whole surface (one
    // frame when frameCount is below 1; a null surface changes nothing).
    // Run-time error "Image already initialized" on an image that has a
    // surface.
    c_Image *Init(HxSurface *surface, int frameCount, int flags);
    // frameCount frames of w x h, left to right and top to bottom inside the
    // source rectangle (srcx, srcy, srcw, srch), starting at (x, y). Run-time
    // error "Image frame outside surface" for a frame that does not fit.
    c_Image *InitGrid(HxSurface *surface, int x, int y, int w, int h, int frameCount, int flags, c_Image *source,
                      int srcx, int srcy, int srcw, int srch);
    // Padding, centring and the whole-surface flag.
    int ApplyFlags(int flags);
    // Sets the handle and drops the centre flag.
    int SetHandle(float x, float y);
    int Width();
    int Height();
};

class c_Glyph : public Object {
public:
    int32_t page;
    int32_t id;  // the character code
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t advance;
    int32_t xoffset;
    int32_t yoffset;

    c_Glyph() : page(0), id(0), x(0), y(0), width(0), height(0), advance(0), xoffset(0), yoffset(0) {}
    c_Glyph *m_new(int page, int id, int x, int y, int width, int height, int advance);
    c_Glyph *m_new() { return this; }
};

class c_Font : public Object {
public:
    ArrayField<c_Image *> pages;
    int32_t pageCount;
    int32_t firstChar;  // -1 for a font read from text
    float height;
    gc_ref<c_IntMap> glyphs;

    c_Font();
    c_Font *m_new(Array<c_Image *> pages, int pageCount, c_IntMap *glyphs, int firstChar, float height);
    c_Font *m_new() { return this; }
    void Mark() override;

    // A horizontal strip of numChars equal cells, each glyph inset by one
    // pixel on every side when padded. Null when the image does not load or
    // its glyphs would be empty.
    static c_Font *LoadGrid(String path, int firstChar, int numChars, bool padded);
    // Cells of cellW x cellH in rows, the glyph rectangle inset at (glyphX,
    // glyphY) in each. Null when the image does not load or holds no cell.
    static c_Font *LoadCells(String path, int cellW, int cellH, int glyphX, int glyphY, int glyphW, int glyphH,
                             int firstChar, int numChars);
    // A font from the bitmap-font text format (".txt" appended unless the
    // name has it); never null, empty when the file is missing.
    static c_Font *LoadText(String path);
};

class c_GraphicsContext : public Object {
public:
    gc_ref<c_Font> defaultFont;
    gc_ref<c_Font> currentFont;
    int32_t renderReset;  // zeroed by gfx1_BeginRender, read by nothing
    float ix, iy, jx, jy, tx, ty;
    int32_t transformed;
    int32_t matrixDirty;
    float r, g, b;
    float alpha;
    int32_t blend;
    float scissorX, scissorY, scissorWidth, scissorHeight;

    c_GraphicsContext()
        : defaultFont(), currentFont(), renderReset(0), ix(1), iy(0), jx(0), jy(1), tx(0), ty(0), transformed(0),
          matrixDirty(0), r(0), g(0), b(0), alpha(0), blend(0), scissorX(0), scissorY(0), scissorWidth(0),
          scissorHeight(0) {}
    c_GraphicsContext *m_new() { return this; }
    void Mark() override;
};

// Images over a surface loaded from `path` (a bare name is a data file)
// through app_GraphicsDevice; null when it does not load.
c_Image *gfx1_LoadImage(String path, int frameCount, int flags);
c_Image *gfx1_LoadImageGrid(String path, int frameW, int frameH, int frameCount, int flags);
c_Image *gfx1_LoadImageSimple(String path, int flags);

// Null selects the default font, loading it first when there is none yet
// (a failed load is tried again at the next call).
int gfx1_SetFont(c_Font *font);
int gfx1_BeginRender();
int gfx1_EndRender();
int gfx1_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
// Elements 0 to 5; an array shorter than 6 changes nothing.
int gfx1_SetMatrixArray(Array<float> m);
// The state setters store into the context and, while rendering, pass the
// value on to gfx1_RenderDevice.
int gfx1_SetColor(float r, float g, float b);
int gfx1_SetAlpha(float alpha);
int gfx1_SetBlend(int blend);
int gfx1_SetScissor(float x, float y, float w, float h);
int gfx1_SetGraphicsDevice(HxGraphics *device);

// Makes the context (the program's globals initialiser calls it).
void gfx1_InitGlobals();
// Enqueues the layer's globals (for the program's roots function).
void gfx1_MarkGlobals();

extern gc_ref<c_GraphicsContext> gfx1_Context;
extern gc_ref<HxGraphics> gfx1_RenderDevice;
extern int32_t gfx1_DefaultImageFlags;
