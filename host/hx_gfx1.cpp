#include "host/hx_gfx1.h"

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_fontfile.h"
#include "host/hx_game.h"
#include "runtime/rt_error.h"
#include "runtime/rt_math.h"

gc_ref<c_GraphicsContext> gfx1_Context;
gc_ref<HxGraphics> gfx1_RenderDevice;
int32_t gfx1_DefaultImageFlags = 0;

namespace {


String LoadLayerText(const String &path) {
    return host_CurrentGame ? host_CurrentGame->LoadString(app_FixDataPath(path)) : String();
}

c_IntMap *NewGlyphMap() { return gc_New<c_IntMap>()->m_new(); }
}  // namespace

// ---------------------------------------------------------------------------
// Images

c_Frame *c_Frame::m_new(int fx, int fy) {
    x = fx;
    y = fy;
    return this;
}

void c_Image::Mark() {
    gc_Enqueue(surface);
    gc_Enqueue(frames);
    gc_Enqueue(source);
}

c_Image *c_Image::Init(HxSurface *s, int frameCount, int f) {
    if (surface) object_RuntimeError("Image already initialized");
    if (!s) return this;
    // A strip has at least one frame: no frame count divides by zero.
    if (frameCount < 1) frameCount = 1;
    surface = s;
    width = s->Width() / frameCount;
    height = s->Height();
    Array<c_Frame *> strip(static_cast<int64_t>(frameCount));
    for (int i = 0; i < frameCount; ++i) strip[i] = gc_New<c_Frame>()->m_new(math_WrapMul(i, width), 0);
    frames = strip;
    ApplyFlags(f);
    return this;
}

c_Image *c_Image::InitGrid(HxSurface *s, int x, int y, int w, int h, int frameCount, int f, c_Image *src, int srcx,
                           int srcy, int srcw, int srch) {
    if (surface) object_RuntimeError("Image already initialized");
    surface = s;
    source = src;
    width = w;
    height = h;
    if (frameCount < 0) frameCount = 0;
    Array<c_Frame *> grid(static_cast<int64_t>(frameCount));
    int64_t cx = x, cy = y;
    for (int i = 0; i < frameCount; ++i) {
        if (cx + w > srcw) {
            cy += h;
            cx = 0;
            if (w > srcw) object_RuntimeError("Image frame outside surface");
        }
        if (cy + h > srch) object_RuntimeError("Image frame outside surface");
        grid[i] = gc_New<c_Frame>()->m_new(math_WrapAdd(srcx, cx), math_WrapAdd(srcy, cy));
        cx += w;
    }
    frames = grid;
    ApplyFlags(f);
    return this;
}

int c_Image::ApplyFlags(int f) {
    flags = f;
    const Array<c_Frame *> &all = frames.get();
    if (f & kImageFlagXPadding) {
        for (int i = 0; i < all.Length(); ++i) all[i]->x = math_WrapAdd(all[i]->x, 1);
        width = math_WrapAdd(width, -2);
    }
    if (f & kImageFlagYPadding) {
        for (int i = 0; i < all.Length(); ++i) all[i]->y = math_WrapAdd(all[i]->y, 1);
        height = math_WrapAdd(height, -2);
    }
    if (f & kImageFlagCentre) {
        flags = f & ~kImageFlagCentre;
        handleX = static_cast<float>(width) * 0.5f;
        handleY = static_cast<float>(height) * 0.5f;
    }
    if (all.Length() == 1 && all[0]->x == 0 && all[0]->y == 0 && surface && width == surface->Width() &&
        height == surface->Height())
        flags |= kImageFlagFullFrame;
    return 0;
}

int c_Image::SetHandle(float x, float y) {
    handleX = x;
    handleY = y;
    flags &= ~kImageFlagCentre;
    return 0;
}

int c_Image::Width() { return width; }
int c_Image::Height() { return height; }

namespace {

HxSurface *LoadLayerSurface(const String &path) {
    if (!app_GraphicsDevice) return nullptr;
    return app_GraphicsDevice->LoadSurface(app_FixDataPath(path));
}

}  // namespace

c_Image *gfx1_LoadImage(String path, int frameCount, int flags) {
    HxSurface *s = LoadLayerSurface(path);
    if (!s) return nullptr;
    return gc_New<c_Image>()->m_new()->Init(s, frameCount, flags);
}

c_Image *gfx1_LoadImageGrid(String path, int frameW, int frameH, int frameCount, int flags) {
    HxSurface *s = LoadLayerSurface(path);
    if (!s) return nullptr;
    return gc_New<c_Image>()->m_new()->InitGrid(s, 0, 0, frameW, frameH, frameCount, flags, nullptr, 0, 0,
                                                s->Width(), s->Height());
}

c_Image *gfx1_LoadImageSimple(String path, int flags) {
    HxSurface *s = LoadLayerSurface(path);
    if (!s) return nullptr;
    return gc_New<c_Image>()->m_new()->Init(s, 1, flags);
}

// ---------------------------------------------------------------------------
// Fonts

c_Glyph *c_Glyph::m_new(int gpage, int gid, int gx, int gy, int gwidth, int gheight, int gadvance) {
    page = gpage;
    id = gid;
    x = gx;
    y = gy;
    width = gwidth;
    height = gheight;
    advance = gadvance;
    return this;
}

c_Font::c_Font() : pages(), pageCount(0), firstChar(0), height(0), glyphs(NewGlyphMap()) {}

c_Font *c_Font::m_new(Array<c_Image *> fpages, int fpageCount, c_IntMap *fglyphs, int ffirstChar, float fheight) {
    pages = fpages;
    pageCount = fpageCount;
    glyphs = fglyphs;
    firstChar = ffirstChar;
    height = fheight;
    return this;
}

void c_Font::Mark() {
    gc_Enqueue(pages);
    gc_Enqueue(glyphs);
}

c_Font *c_Font::LoadGrid(String path, int firstChar, int numChars, bool padded) {
    c_Image *page = gfx1_LoadImageSimple(path, gfx1_DefaultImageFlags);
    if (!page || numChars < 1) return nullptr;
    const int p = padded ? 1 : 0;
    const int cw = page->Width() / numChars;
    const int ch = page->Height();
    const int gw = cw - 2 * p, gh = ch - 2 * p;
    // Cells too small to hold a glyph (an image narrower than numChars
    // pixels, say) make no font.
    if (cw < 1 || gw < 1 || gh < 1) return nullptr;
    const int n = page->Width() / cw;
    Array<c_Image *> pages(1);
    pages[0] = page;
    c_IntMap *glyphs = NewGlyphMap();
    for (int i = 0; i < numChars; ++i) {
        const int x = (i % n) * cw + p;
        const int y = math_WrapAdd(math_WrapMul(i / n, ch), p);
        const int code = math_WrapAdd(firstChar, i);
        glyphs->Add(code, gc_New<c_Glyph>()->m_new(0, code, x, y, gw, gh, gw));
    }
    return gc_New<c_Font>()->m_new(pages, 1, glyphs, firstChar, static_cast<float>(gh));
}

c_Font *c_Font::LoadCells(String path, int cellW, int cellH, int glyphX, int glyphY, int glyphW, int glyphH,
                          int firstChar, int numChars) {
    c_Image *page = gfx1_LoadImageSimple(path, gfx1_DefaultImageFlags);
    if (!page || cellW < 1) return nullptr;
    const int n = page->Width() / cellW;
    // A cell wider than the image leaves no cell per row.
    if (n < 1) return nullptr;
    Array<c_Image *> pages(1);
    pages[0] = page;
    c_IntMap *glyphs = NewGlyphMap();
    for (int i = 0; i < numChars; ++i) {
        const int x = math_WrapAdd(glyphX, math_WrapMul(i % n, cellW));
        const int y = math_WrapAdd(glyphY, math_WrapMul(i / n, cellH));
        const int code = math_WrapAdd(firstChar, i);
        glyphs->Add(code, gc_New<c_Glyph>()->m_new(0, code, x, y, glyphW, glyphH, glyphW));
    }
    return gc_New<c_Font>()->m_new(pages, 1, glyphs, firstChar, static_cast<float>(glyphH));
}

c_Font *c_Font::LoadText(String path) {
    const FontFile file = host_ParseFontText(path, LoadLayerText(host_FontTextFile(path)));
    Array<c_Image *> pages(static_cast<int64_t>(file.pageFiles.size()));
    for (size_t i = 0; i < file.pageFiles.size(); ++i)
        if (!file.pageFiles[i].Empty())
            pages[static_cast<int>(i)] = gfx1_LoadImageSimple(file.folder + file.pageFiles[i], gfx1_DefaultImageFlags);
    c_IntMap *glyphs = NewGlyphMap();
    for (const FontFileGlyph &g : file.glyphs) {
        c_Glyph *glyph = gc_New<c_Glyph>()->m_new(g.page, g.id, g.x, g.y, g.width, g.height, g.advance);
        glyph->xoffset = g.xoffset;
        glyph->yoffset = g.yoffset;
        // The first definition of a character wins.
        glyphs->Add(g.id, glyph);
    }
    return gc_New<c_Font>()->m_new(pages, file.pageCount, glyphs, -1, static_cast<float>(file.lineHeight));
}

// ---------------------------------------------------------------------------
// Context

void c_GraphicsContext::Mark() {
    gc_Enqueue(defaultFont);
    gc_Enqueue(currentFont);
}

void gfx1_InitGlobals() { gfx1_Context = gc_New<c_GraphicsContext>()->m_new(); }

void gfx1_MarkGlobals() {
    gc_Enqueue(gfx1_Context);
    gc_Enqueue(gfx1_RenderDevice);
}

namespace {

c_GraphicsContext *Context() {
    if (!gfx1_Context) gfx1_InitGlobals();
    return gfx1_Context;
}

}  // namespace

int gfx1_SetFont(c_Font *font) {
    c_GraphicsContext *ctx = Context();
    if (!font) {
        if (!ctx->defaultFont) ctx->defaultFont = c_Font::LoadGrid(String(u"vexo_font.png"), 32, 96, true);
        font = ctx->defaultFont;
    }
    ctx->currentFont = font;
    return 0;
}

int gfx1_BeginRender() {
    c_GraphicsContext *ctx = Context();
    gfx1_RenderDevice = app_GraphicsDevice.get();
    ctx->renderReset = 0;
    ctx->ix = 1;
    ctx->iy = 0;
    ctx->jx = 0;
    ctx->jy = 1;
    ctx->tx = 0;
    ctx->ty = 0;
    ctx->transformed = 0;
    ctx->matrixDirty = 1;
    gfx1_SetColor(255, 255, 255);
    gfx1_SetAlpha(1);
    gfx1_SetBlend(0);
    gfx1_SetScissor(0, 0, static_cast<float>(app_CachedDeviceWidth), static_cast<float>(app_CachedDeviceHeight));
    return 0;
}

int gfx1_EndRender() {
    gfx1_RenderDevice = nullptr;
    return 0;
}

int gfx1_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    c_GraphicsContext *ctx = Context();
    ctx->ix = ix;
    ctx->iy = iy;
    ctx->jx = jx;
    ctx->jy = jy;
    ctx->tx = tx;
    ctx->ty = ty;
    ctx->transformed = (ix != 1 || iy != 0 || jx != 0 || jy != 1 || tx != 0 || ty != 0) ? 1 : 0;
    ctx->matrixDirty = 1;
    return 0;
}

int gfx1_SetMatrixArray(Array<float> m) {
    if (m.Length() < 6) return 0;
    return gfx1_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// Outside rendering there is no device to tell: the context alone changes.
int gfx1_SetColor(float r, float g, float b) {
    c_GraphicsContext *ctx = Context();
    ctx->r = r;
    ctx->g = g;
    ctx->b = b;
    if (gfx1_RenderDevice) gfx1_RenderDevice->SetColor(r, g, b);
    return 0;
}

int gfx1_SetAlpha(float alpha) {
    Context()->alpha = alpha;
    if (gfx1_RenderDevice) gfx1_RenderDevice->SetAlpha(alpha);
    return 0;
}

int gfx1_SetBlend(int blend) {
    Context()->blend = blend;
    if (gfx1_RenderDevice) gfx1_RenderDevice->SetBlend(blend);
    return 0;
}

int gfx1_SetScissor(float x, float y, float w, float h) {
    c_GraphicsContext *ctx = Context();
    ctx->scissorX = x;
    ctx->scissorY = y;
    ctx->scissorWidth = w;
    ctx->scissorHeight = h;
    if (gfx1_RenderDevice) gfx1_RenderDevice->SetScissor(math_TruncToInt(x), math_TruncToInt(y), math_TruncToInt(w), math_TruncToInt(h));
    return 0;
}

int gfx1_SetGraphicsDevice(HxGraphics *device) {
    app_GraphicsDevice = device;
    return 0;
}
