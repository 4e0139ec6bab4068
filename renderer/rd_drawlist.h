// The draw list: the renderer's drawing interface.
//
// A draw list keeps a current 2x3 matrix with a ring of 64 saved matrices,
// a current colour (kept premultiplied and packed), a blend mode, a font and
// a default material. Every drawing call turns its primitive into
// transformed 28-byte vertices (gfx2_Vertex) appended to one growing byte
// buffer, and groups them into draw operations (c_DrawOp): runs of
// primitives that share material, blend mode and vertices per primitive.
// Nothing reaches GL until the list is rendered: Render uploads the vertices
// into the shared vertex buffer in chunks of at most 65520 bytes and issues
// one draw call per operation (one per primitive for fans).
//
// Operations are recycled through one pool shared by every list
// (gfx2_OpPool); a list with no open operation points at the shared empty
// gfx2_NoOp, which nothing ever extends.
//
// Checks this list makes where a bad call would corrupt its data or hang
// the renderer: a primitive of fewer than one vertex, of more vertices than
// the shared buffer holds (2340), or a run of fewer than one primitive draws
// nothing; index arrays are checked against their vertex arrays before
// anything is written; colour components outside 0 to 1 are clamped byte by
// byte; text skips glyphs whose page is missing but still advances.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/hx_databuffer.h"
#include "renderer/rd_light.h"
#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_stack.h"
#include "runtime/rt_string.h"

class c_Material;
class c_Font2;
class c_Image2;

// One vertex of the shared vertex buffer.
struct gfx2_Vertex {
    float x;         // position after the current matrix
    float y;
    float s;         // texture coordinates
    float t;
    float tangentX;  // ix and iy of the matrix in force
    float tangentY;
    uint32_t color;  // premultiplied; byte 24 red, 25 green, 26 blue, 27 alpha
};
static_assert(sizeof(gfx2_Vertex) == 28, "a vertex is 28 bytes");

// The most vertices one primitive may have: the shared buffer's size.
constexpr int32_t gfx2_MaxPrimitiveOrder = 2340;

// A run of primitives drawn with one material and blend mode.
class c_DrawOp : public Object {
public:
    // Held without a reference count.
    gc_ref<c_Material> m_material;
    int32_t m_blend;
    // Vertices per primitive: 1 points, 2 lines, 3 triangles, 4 quads, n >= 5
    // one fan of n vertices.
    int32_t m_order;
    // Vertices in the run, a multiple of the order.
    int32_t m_count;

    c_DrawOp() : m_material(), m_blend(0), m_order(0), m_count(0) {}
    c_DrawOp *m_new() { return this; }

    void Mark() override;
};

class c_DrawList : public Object {
public:
    gc_ref<c_Font2> m_font;
    gc_ref<c_Material> m_defaultMaterial;
    // Bytes of vertices written: the write offset, a multiple of 28.
    int32_t m_vertexBytes;
    // The list's operations in drawing order.
    gc_ref<c_Stack5> m_ops;
    // The vertices; only ever grows.
    gc_ref<c_DataBuffer> m_vertexData;
    // The last operation, or gfx2_NoOp when the list is empty.
    gc_ref<c_DrawOp> m_currentOp;
    // Shadow casters added since the last reset, and their transformed
    // x, y pairs.
    gc_ref<c_Stack6> m_casters;
    gc_ref<c_FloatStack> m_casterVertices;
    // r, g, b, a as set (straight, not premultiplied).
    ArrayField<float> m_color;
    float m_alpha255;
    uint32_t m_packedColor;
    int32_t m_blendMode;
    // A point (x, y) maps to (ix x + jx y + tx, iy x + jy y + ty).
    float m_ix, m_jx, m_tx, m_iy, m_jy, m_ty;
    // 64 entries of (ix, iy, jx, jy, tx, ty).
    ArrayField<float> m_matrixStack;
    // In floats: 0, 6, ... 378.
    int32_t m_matrixSp;

    static constexpr int32_t kMatrixStackFloats = 384;
    static constexpr int32_t kInitialVertexBytes = 4096;

    // The fields' first values: white, blend Alpha, the identity, an empty
    // 4096-byte vertex buffer, gfx2_NoOp as the current operation.
    c_DrawList();
    // Starts the renderer; font = gfx2_DefaultFont; default material = the
    // fast shader's default material.
    c_DrawList *m_new();

    // --- State ---
    // Null means gfx2_DefaultFont.
    void SetFont(c_Font2 *font);
    c_Font2 *Font();
    // Null means the fast shader's default material.
    void SetDefaultMaterial(c_Material *material);
    c_Material *DefaultMaterial();
    // Applies to primitives begun afterwards.
    void SetBlendMode(int32_t mode);
    int32_t BlendMode();
    void SetColor(float r, float g, float b);
    void SetColor(float r, float g, float b, float a);
    void SetAlpha(float a);
    bool IsEmpty();
    // Renders the pending vertices, then Reset. A canvas overrides it.
    virtual void Flush();
    // Empties the list: its operations go back to the pool, the casters are
    // dropped. Colour, blend mode, matrix, font and material stay.
    void Reset();

    // --- Matrix (post-multiplying: the given transform applies first) ---
    void SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
    void ResetMatrix();
    void Transform(float ix, float iy, float jx, float jy, float tx, float ty);
    void Translate(float tx, float ty);
    void Scale(float sx, float sy);
    // Degrees; with y down a positive angle turns x toward the top.
    void Rotate(float rz);
    void TranslateRotate(float tx, float ty, float rz);
    void TranslateRotateScale(float tx, float ty, float rz, float sx, float sy);
    // The ring of 64: a 65th push overwrites the oldest entry; a pop past
    // the pushes restores whatever the ring holds there.
    void PushMatrix();
    void PopMatrix();

    // --- Primitives (a null material means the default material) ---
    void DrawRect(float x, float y, float w, float h, c_Material *material, float s0, float t0, float s1, float t1);
    void DrawRect(float x, float y, float w, float h, c_Image2 *image);
    // The source rectangle (sx, sy, sw, sh) of the image in pixels from its
    // frame position.
    void DrawRect(float x, float y, float w, float h, c_Image2 *image, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    void DrawRect(float x, float y, c_Image2 *image, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    // A bare nullptr does not compile: with integer texture coordinates it
    // would pick an image form, which draws nothing for a null image, where
    // the default material was meant. Write the null's type.
    template <class... Rest>
    void DrawRect(float x, float y, float w, float h, std::nullptr_t, Rest...) = delete;
    void DrawImage(c_Image2 *image);
    void DrawImage(c_Image2 *image, float tx, float ty);
    void DrawImage(c_Image2 *image, float tx, float ty, float rz);
    void DrawImage(c_Image2 *image, float tx, float ty, float rz, float sx, float sy);
    // One fan of 12 to 2340 vertices (a multiple of 4 from 12 on), from the
    // transformed radii.
    void DrawEllipse(float x, float y, float w, float h);
    void DrawEllipse(float x, float y, float w, float h, c_Material *material);
    // `count` primitives of `order` vertices; vertex k of the run is the
    // x, y pair of `vertices` at indices[k] (s = t = 0, or the pair of
    // `texcoords` at the same index; the packed colour from `colors` at the
    // same index). Nothing is drawn when the order or count is below 1, the
    // order above 2340, or an index does not fit its arrays.
    void DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices, const Array<int32_t> &indices,
                               c_Material *material);
    void DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices, const Array<float> &texcoords,
                               const Array<int32_t> &indices, c_Material *material);
    void DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices, const Array<float> &texcoords,
                               const Array<int32_t> &colors, const Array<int32_t> &indices, c_Material *material);
    void DrawIndexedLine(const Array<float> &vertices, const Array<int32_t> &indices);
    void DrawIndexedTriangles(int32_t count, const Array<float> &vertices, const Array<float> &texcoords,
                              const Array<int32_t> &indices, c_Material *material);
    // Bitmap text at (x, y) aligned by fractions of its width and the font
    // height.
    void DrawText(const String &text, float x, float y, float xalign, float yalign);
    void DrawTextLines(const Array<String> &lines, float x, float y, float xalign, float yalign);

    // --- Shadow casters ---
    void AddShadowCaster(c_ShadowCaster *caster);
    void AddShadowCaster(c_ShadowCaster *caster, float tx, float ty);
    void AddShadowCaster(c_ShadowCaster *caster, float tx, float ty, float rz);
    void AddShadowCaster(c_ShadowCaster *caster, float tx, float ty, float rz, float sx, float sy);

    // --- Building blocks ---
    // Writes one vertex at the write offset: (x, y) through the matrix, s, t,
    // the tangent (ix, iy) and the packed colour. Room must have been made
    // by BeginPrim or BeginPrims.
    void AddVertex(float x, float y, float s, float t);
    // Makes room for one primitive (or `count`) of `order` vertices and opens
    // or extends the current operation. False, with nothing changed, when
    // the order is below 1 or above 2340, the count below 1, or the vertices
    // would not fit a buffer; the caller then writes nothing.
    bool BeginPrim(c_Material *material, int32_t order);
    bool BeginPrims(c_Material *material, int32_t order, int32_t count);

    // --- Rendering through the shared buffers ---
    // Draws all queued operations in chunks; returns glGetError().
    int32_t Render();
    // Render only when the list holds vertices.
    void RenderPending();
    // Binds the operation's material; when that succeeds, RenderOpGL.
    void RenderOp(c_DrawOp *op, int32_t first, int32_t count);
    // Sets the blend mode and draws `count` vertices from vertex `first`.
    void RenderOpGL(c_DrawOp *op, int32_t first, int32_t count);

    void Mark() override;

private:
    void Repack();
    void DrawQuad(c_Material *material, float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1);
    void DrawIndexed(int32_t order, int32_t count, const Array<float> &vertices, const Array<float> *texcoords,
                     const Array<int32_t> *colors, const Array<int32_t> &indices, c_Material *material);
    void DrawTextAt(const String &text, float x0, float y0);
    c_Material *FastDefaultMaterial();
};

// The packed premultiplied colour: alpha255 << 24 | b x alpha255 << 16 |
// g x alpha255 << 8 | r x alpha255, each byte truncated toward zero and
// clamped to 0-255 (NaN gives 0).
uint32_t gfx2_PackColor(float r, float g, float b, float alpha255);

// The vertex count of an ellipse fan for a transformed radius sum `n`
// (saturated to an integer, NaN 0): 12 up to 11, a multiple of 4 up to
// 2340, then 2340.
int32_t gfx2_EllipseSegments(float radiusSum);
