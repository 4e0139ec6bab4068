// The older graphics device: immediate-mode drawing on fixed-function
// OpenGL, and its surfaces.
//
// HxGraphics batches points, lines, triangles, quads and polygons of
// 20-byte vertices that share one primitive kind and one surface, with one
// current colour and matrix, and draws a batch with OpenGL 1.1 calls when
// the kind or surface changes, when the batch would pass 1024 vertices, and
// before state changes. BeginRender always answers render mode 0: the app
// draws by its own means and this device only keeps the window size.
//
// HxSurface is a decoded pixel block, premultiplied by alpha, with one GL
// texture. The texture is made under the current GL context counter and
// made again from the kept pixels after a new window (and context) exists.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// One vertex of the batch, in the layout the draw calls read.
struct HxVertex {
    float x;  // transformed position in window pixels
    float y;
    float u;  // texture coordinate, written only for textured primitives
    float v;
    uint32_t colour;  // bytes R, G, B, A (premultiplied)
};
static_assert(sizeof(HxVertex) == 20, "a batch vertex is 20 bytes");

class HxSurface : public Object {
public:
    // width x height x depth bytes from the C allocator, rows top to bottom.
    unsigned char *pixels;
    int32_t width;
    int32_t height;
    int32_t depth;   // bytes per pixel, 1 to 4
    int32_t format;  // GL pixel format by depth, 0 for another depth
    // host_GLContextSeq when the texture was made, -1 without one.
    int32_t contextSeq;
    uint32_t texture;
    float uScale;  // 1 / texture width
    float vScale;  // 1 / texture height

    HxSurface()
        : pixels(nullptr), width(0), height(0), depth(0), format(0), contextSeq(-1), texture(0), uScale(0),
          vScale(0) {}
    ~HxSurface() override;
    HxSurface *m_new() { return this; }

    // Deletes a texture of the current context and frees the pixels. 0.
    virtual int Discard();
    virtual int Width();
    virtual int Height();
    virtual bool Loaded();
    virtual void OnLoadComplete();

    // Takes over a pixel block from the C allocator (freeing the one held
    // before) and premultiplies it by alpha.
    void SetData(unsigned char *pixels, int width, int height, int depth);
    // Binds the texture, making it first when it belongs to no or an
    // earlier GL context. Nothing before the first window exists.
    void Bind();
    // Stores w x h source ints (0xAARRGGBB, rows `pitch` ints apart) as
    // premultiplied RGBA at (x, y) and uploads the rectangle. Needs 4 bytes
    // per pixel; a rectangle not inside the surface changes nothing.
    void WritePixels(int x, int y, int w, int h, const int32_t *source, int pitch);
    // The same, only on GL_RGBA surfaces.
    void WritePixelsRgba(int x, int y, int w, int h, const int32_t *source, int pitch);
};

class HxGraphics : public Object {
public:
    static constexpr int kMaxVertices = 1024;
    static constexpr int kQuadIndices = 1536;

    int32_t width;
    int32_t height;
    uint32_t colour;  // packed premultiplied, red in the low byte
    float r, g, b;    // 0 to 255
    float alpha;      // 0 to 1
    float ix, iy, jx, jy, tx, ty;
    bool transformed;
    HxVertex vertices[kMaxVertices];
    uint16_t quadIndices[kQuadIndices];
    int32_t primitive;  // vertices per primitive: 1 points, 2 lines, 3, 4, n polygons
    int32_t count;
    gc_ref<HxSurface> batchSurface;

    HxGraphics();
    // Size from the host's window when one exists, else 0 x 0.
    HxGraphics *m_new();
    HxGraphics *m_new(int width, int height);

    // The batch's surface lives until its batch is drawn.
    void Mark() override;

    virtual int Width();
    virtual int Height();
    // Refreshes the size from the window; render mode 0.
    virtual int BeginRender();
    virtual int EndRender();
    virtual int DiscardGraphics();
    // Null when the image does not decode.
    virtual HxSurface *LoadSurface(String path);
    virtual HxSurface *CreateSurface(int width, int height);
    virtual bool LoadSurfaceData(HxSurface *surface, String path);
    virtual int Clear(float r, float g, float b);
    virtual int SetAlpha(float alpha);
    virtual int SetColor(float r, float g, float b);
    // 1 additive, anything else premultiplied alpha.
    virtual int SetBlend(int blend);
    virtual int SetScissor(int x, int y, int w, int h);
    virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
    virtual int DrawPoint(float x, float y);
    virtual int DrawRect(float x, float y, float w, float h);
    virtual int DrawLine(float x0, float y0, float x1, float y1);
    virtual int DrawOval(float x, float y, float w, float h);
    virtual int DrawPoly(Array<float> vertices);
    virtual int DrawTexturedPoly(Array<float> vertices, HxSurface *surface, int srcx, int srcy);
    virtual int DrawSurface(HxSurface *surface, float x, float y);
    virtual int DrawSurfaceRect(HxSurface *surface, float x, float y, int srcx, int srcy, int srcw, int srch);
    // Window pixels as 0xAARRGGBB, the top row first, row r at
    // offset + r * pitch. A range that does not fit the array reads nothing.
    virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
    // HxSurface::WritePixels on GL_RGBA surfaces, from element `offset`.
    // A range that does not fit the array writes nothing.
    virtual int WriteSurfacePixels(HxSurface *surface, Array<int> pixels, int x, int y, int w, int h, int offset,
                                   int pitch);

    // Room for n vertices of kind `primitive` with `surface`, drawing the
    // batch first when it cannot take them. Null for n below 1 or above 1024.
    HxVertex *BeginPrims(int primitive, int n, HxSurface *surface);
    // Draws the batch and empties it (kind and surface stay).
    void FlushPrims();
    // Draws a non-empty batch.
    void Flush();

    // Segments of an oval with radii rx, ry under the current matrix.
    int OvalSegments(float rx, float ry) const;

private:
    void Transform(float &x, float &y) const;
    // A quad's four corners from (x, y) clockwise; uv = u0, v0, u1, v1 of a
    // textured quad, or null.
    void PutQuad(HxVertex *v, float x, float y, float w, float h, const float *uv);
    void PackColour();
};

// Colour packing of the device: trunc(255 alpha) in the high byte, then the
// premultiplied blue, green and red; each byte clamped to 0..255.
uint32_t graphics_PackColour(float r, float g, float b, float alpha);

// Premultiplies a pixel block in place: depth 4 (RGBA) and depth 2
// (luminance, alpha); other depths are left alone.
void graphics_Premultiply(unsigned char *pixels, int width, int height, int depth);

// The device, for the whole run. The program's roots function enqueues it.
extern gc_ref<HxGraphics> app_GraphicsDevice;
