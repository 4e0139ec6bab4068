#include "renderer/rd_drawlist.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/hx_gfxcommon.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_math.h"

namespace {

// The largest vertex byte count a list can hold: the most whole vertices
// whose bytes still fit the 32-bit write offset.
constexpr int64_t kMaxVertexBytes = INT32_MAX / gfx2_VertexBytes * gfx2_VertexBytes;

// The degrees-to-radians factor of the matrix and ellipse code: pi / 180
// written to six digits, as a float. It is 4 units in the last place above
// the float nearest pi / 180 (0.017453292f); every rotated or elliptic
// vertex is reckoned with this one, so "correcting" it would move them.
constexpr float kDegToRad = 0.0174533f;

float Cos(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }
float Sin(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }


// Stores one vertex's seven fields at `p`, in the order of gfx2_Vertex.
inline void PutVertex(unsigned char *p, float x, float y, float s, float t, float ix, float iy, uint32_t color) {
    std::memcpy(p + 0, &x, 4);
    std::memcpy(p + 4, &y, 4);
    std::memcpy(p + 8, &s, 4);
    std::memcpy(p + 12, &t, 4);
    std::memcpy(p + 16, &ix, 4);
    std::memcpy(p + 20, &iy, 4);
    std::memcpy(p + 24, &color, 4);
}

Array<float> NewColor() {
    Array<float> c(4);
    for (int i = 0; i < 4; ++i) c[i] = 1.0f;
    return c;
}

}  // namespace

uint32_t gfx2_PackColor(float r, float g, float b, float alpha255) {
    return color_Pack(r, g, b, alpha255, alpha255);
}

int32_t gfx2_EllipseSegments(float radiusSum) {
    int32_t n = math_TruncToInt(radiusSum);
    if (n <= 11) return 12;
    if (n > gfx2_MaxPrimitiveOrder) return gfx2_MaxPrimitiveOrder;
    return n / 4 * 4;
}

// ---------------------------------------------------------------------------
// c_DrawOp

void c_DrawOp::Mark() { gc_Enqueue(m_material); }

// ---------------------------------------------------------------------------
// c_DrawList: set-up and state

c_DrawList::c_DrawList()
    : m_font(),
      m_defaultMaterial(),
      m_vertexBytes(0),
      m_ops(gc_New<c_Stack5>()->m_new()),
      m_vertexData(gc_New<c_DataBuffer>()->m_new(kInitialVertexBytes)),
      m_currentOp(gfx2_NoOp.get()),
      m_casters(gc_New<c_Stack6>()->m_new()),
      m_casterVertices(gc_New<c_FloatStack>()->m_new()),
      m_color(NewColor()),
      m_alpha255(255.0f),
      m_packedColor(0xFFFFFFFFu),
      m_blendMode(c_BlendMode_Alpha),
      m_ix(1),
      m_jx(0),
      m_tx(0),
      m_iy(0),
      m_jy(1),
      m_ty(0),
      m_matrixStack(Array<float>(kMatrixStackFloats)),
      m_matrixSp(0) {}

c_DrawList *c_DrawList::m_new() {
    gfx2_InitRenderer();
    m_font = gfx2_DefaultFont.get();
    m_defaultMaterial = FastDefaultMaterial();
    return this;
}

c_Material *c_DrawList::FastDefaultMaterial() {
    c_Shader *fast = gfx2_FastShader;
    return fast ? fast->DefaultMaterial() : nullptr;
}

void c_DrawList::SetFont(c_Font2 *font) { m_font = font ? font : gfx2_DefaultFont.get(); }

c_Font2 *c_DrawList::Font() { return m_font; }

void c_DrawList::SetDefaultMaterial(c_Material *material) {
    // Null would leave primitives without a material to draw with.
    m_defaultMaterial = material ? material : FastDefaultMaterial();
}

c_Material *c_DrawList::DefaultMaterial() { return m_defaultMaterial; }

void c_DrawList::SetBlendMode(int32_t mode) { m_blendMode = mode; }

int32_t c_DrawList::BlendMode() { return m_blendMode; }

void c_DrawList::Repack() { m_packedColor = gfx2_PackColor(m_color[0], m_color[1], m_color[2], m_alpha255); }

void c_DrawList::SetColor(float r, float g, float b) {
    m_color[0] = r;
    m_color[1] = g;
    m_color[2] = b;
    Repack();
}

void c_DrawList::SetColor(float r, float g, float b, float a) {
    m_color[0] = r;
    m_color[1] = g;
    m_color[2] = b;
    m_color[3] = a;
    m_alpha255 = a * 255.0f;
    Repack();
}

void c_DrawList::SetAlpha(float a) {
    m_color[3] = a;
    m_alpha255 = a * 255.0f;
    Repack();
}

bool c_DrawList::IsEmpty() { return m_vertexBytes == 0; }

void c_DrawList::Flush() {
    if (m_vertexBytes > 0) Render();
    Reset();
}

void c_DrawList::Reset() {
    m_vertexBytes = 0;
    c_Stack5 *ops = m_ops;
    c_Stack5 *pool = gfx2_OpPool;
    for (int32_t i = 0; i < ops->length; ++i) {
        c_DrawOp *op = ops->data[i];
        op->m_material = nullptr;
        if (pool) pool->Push(op);
    }
    ops->Clear();
    m_currentOp = gfx2_NoOp.get();
    m_casters->Clear();
    m_casterVertices->Clear();
}

// ---------------------------------------------------------------------------
// Matrix

void c_DrawList::SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    m_ix = ix;
    m_iy = iy;
    m_jx = jx;
    m_jy = jy;
    m_tx = tx;
    m_ty = ty;
}

void c_DrawList::ResetMatrix() { SetMatrix(1, 0, 0, 1, 0, 0); }

void c_DrawList::Transform(float ix, float iy, float jx, float jy, float tx, float ty) {
    const float ix2 = m_ix * ix + m_jx * iy;
    const float iy2 = m_iy * ix + m_jy * iy;
    const float jx2 = m_ix * jx + m_jx * jy;
    const float jy2 = m_iy * jx + m_jy * jy;
    const float tx2 = m_ix * tx + m_jx * ty + m_tx;
    const float ty2 = m_iy * tx + m_jy * ty + m_ty;
    SetMatrix(ix2, iy2, jx2, jy2, tx2, ty2);
}

void c_DrawList::Translate(float tx, float ty) { Transform(1, 0, 0, 1, tx, ty); }

void c_DrawList::Scale(float sx, float sy) { Transform(sx, 0, 0, sy, 0, 0); }

void c_DrawList::Rotate(float rz) {
    const float a = rz * kDegToRad;
    const float c = Cos(a);
    const float s = Sin(a);
    Transform(c, -s, s, c, 0, 0);
}

void c_DrawList::TranslateRotate(float tx, float ty, float rz) {
    Translate(tx, ty);
    Rotate(rz);
}

void c_DrawList::TranslateRotateScale(float tx, float ty, float rz, float sx, float sy) {
    Translate(tx, ty);
    Rotate(rz);
    Scale(sx, sy);
}

void c_DrawList::PushMatrix() {
    const Array<float> &stack = m_matrixStack;
    const int32_t sp = m_matrixSp;
    stack[sp + 0] = m_ix;
    stack[sp + 1] = m_iy;
    stack[sp + 2] = m_jx;
    stack[sp + 3] = m_jy;
    stack[sp + 4] = m_tx;
    stack[sp + 5] = m_ty;
    m_matrixSp = sp + 6 >= kMatrixStackFloats ? 0 : sp + 6;
}

void c_DrawList::PopMatrix() {
    const Array<float> &stack = m_matrixStack;
    const int32_t sp = m_matrixSp - 6 < 0 ? kMatrixStackFloats - 6 : m_matrixSp - 6;
    m_matrixSp = sp;
    SetMatrix(stack[sp + 0], stack[sp + 1], stack[sp + 2], stack[sp + 3], stack[sp + 4], stack[sp + 5]);
}

// ---------------------------------------------------------------------------
// Vertices and operations

void c_DrawList::AddVertex(float x, float y, float s, float t) {
    PutVertex(m_vertexData->data + m_vertexBytes, m_ix * x + m_jx * y + m_tx, m_iy * x + m_jy * y + m_ty, s, t, m_ix,
              m_iy, m_packedColor);
    m_vertexBytes += gfx2_VertexBytes;
}

bool c_DrawList::BeginPrim(c_Material *material, int32_t order) { return BeginPrims(material, order, 1); }

bool c_DrawList::BeginPrims(c_Material *material, int32_t order, int32_t count) {
    // A primitive larger than the shared buffer could never be drawn.
    if (order < 1 || order > gfx2_MaxPrimitiveOrder || count < 1) return false;
    if (!material) material = m_defaultMaterial;

    const int64_t vertices = static_cast<int64_t>(order) * count;
    const int64_t need = static_cast<int64_t>(m_vertexBytes) + vertices * gfx2_VertexBytes;
    if (need > kMaxVertexBytes) return false;
    c_DataBuffer *buffer = m_vertexData;
    if (need > buffer->length) {
        int64_t size = static_cast<int64_t>(buffer->length) + buffer->length / 2;
        if (size < need) size = need;
        if (size > INT32_MAX) size = INT32_MAX;
        c_DataBuffer *grown = gc_New<c_DataBuffer>()->m_new(static_cast<int>(size));
        std::memcpy(grown->data, buffer->data, static_cast<size_t>(m_vertexBytes));
        buffer->Discard();
        m_vertexData = grown;
    }

    c_DrawOp *op = m_currentOp;
    if (op && op != gfx2_NoOp.get() && op->m_material.get() == material && op->m_blend == m_blendMode &&
        op->m_order == order) {
        op->m_count += static_cast<int32_t>(vertices);
        return true;
    }
    c_Stack5 *pool = gfx2_OpPool;
    op = pool && pool->length > 0 ? pool->Pop() : gc_New<c_DrawOp>()->m_new();
    op->m_material = material;
    op->m_blend = m_blendMode;
    op->m_order = order;
    op->m_count = static_cast<int32_t>(vertices);
    m_ops->Push(op);
    m_currentOp = op;
    return true;
}

// ---------------------------------------------------------------------------
// Primitives

void c_DrawList::DrawQuad(c_Material *material, float x0, float y0, float x1, float y1, float s0, float t0, float s1,
                          float t1) {
    if (!BeginPrim(material, 4)) return;
    // The matrix, colour and write position read once for the four corners;
    // each corner is transformed exactly as AddVertex does it.
    const float ix = m_ix, jx = m_jx, tx = m_tx, iy = m_iy, jy = m_jy, ty = m_ty;
    const uint32_t color = m_packedColor;
    unsigned char *p = m_vertexData->data + m_vertexBytes;
    PutVertex(p, ix * x0 + jx * y0 + tx, iy * x0 + jy * y0 + ty, s0, t0, ix, iy, color);
    PutVertex(p + 28, ix * x1 + jx * y0 + tx, iy * x1 + jy * y0 + ty, s1, t0, ix, iy, color);
    PutVertex(p + 56, ix * x1 + jx * y1 + tx, iy * x1 + jy * y1 + ty, s1, t1, ix, iy, color);
    PutVertex(p + 84, ix * x0 + jx * y1 + tx, iy * x0 + jy * y1 + ty, s0, t1, ix, iy, color);
    m_vertexBytes += 4 * gfx2_VertexBytes;
}

void c_DrawList::DrawRect(float x, float y, float w, float h, c_Material *material, float s0, float t0, float s1,
                          float t1) {
    DrawQuad(material, x, y, x + w, y + h, s0, t0, s1, t1);
}

void c_DrawList::DrawRect(float x, float y, float w, float h, c_Image2 *image) {
    if (!image) return;
    DrawQuad(image->m_material, x, y, x + w, y + h, image->m_s0, image->m_t0, image->m_s1, image->m_t1);
}

void c_DrawList::DrawRect(float x, float y, float w, float h, c_Image2 *image, int32_t sx, int32_t sy, int32_t sw,
                          int32_t sh) {
    if (!image) return;
    c_Material *material = image->m_material;
    // A material without a colour texture has size 0: the coordinates are
    // then infinite or undefined, which draws nothing useful but harms nothing.
    const float W = static_cast<float>(material ? material->Width() : 0);
    const float H = static_cast<float>(material ? material->Height() : 0);
    const int64_t left = static_cast<int64_t>(image->m_frameX) + sx;
    const int64_t top = static_cast<int64_t>(image->m_frameY) + sy;
    const float s0 = static_cast<float>(left) / W;
    const float t0 = static_cast<float>(top) / H;
    const float s1 = static_cast<float>(left + sw) / W;
    const float t1 = static_cast<float>(top + sh) / H;
    DrawRect(x, y, w, h, material, s0, t0, s1, t1);
}

void c_DrawList::DrawRect(float x, float y, c_Image2 *image, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    DrawRect(x, y, static_cast<float>(sw), static_cast<float>(sh), image, sx, sy, sw, sh);
}

void c_DrawList::DrawImage(c_Image2 *image) {
    if (!image) return;
    DrawQuad(image->m_material, image->m_x0, image->m_y0, image->m_x1, image->m_y1, image->m_s0, image->m_t0,
             image->m_s1, image->m_t1);
    if (image->m_shadowCaster) AddShadowCaster(image->m_shadowCaster);
}

void c_DrawList::DrawImage(c_Image2 *image, float tx, float ty) {
    PushMatrix();
    Translate(tx, ty);
    DrawImage(image);
    PopMatrix();
}

void c_DrawList::DrawImage(c_Image2 *image, float tx, float ty, float rz) {
    PushMatrix();
    TranslateRotate(tx, ty, rz);
    DrawImage(image);
    PopMatrix();
}

void c_DrawList::DrawImage(c_Image2 *image, float tx, float ty, float rz, float sx, float sy) {
    PushMatrix();
    TranslateRotateScale(tx, ty, rz, sx, sy);
    DrawImage(image);
    PopMatrix();
}

void c_DrawList::DrawEllipse(float x, float y, float w, float h) { DrawEllipse(x, y, w, h, nullptr); }

void c_DrawList::DrawEllipse(float x, float y, float w, float h, c_Material *material) {
    const float rx = w * 0.5f;
    const float ry = h * 0.5f;
    const float cx = x + rx;
    const float cy = y + ry;
    // The lengths of the two transformed radius vectors.
    const float ax = m_ix * rx, ay = m_iy * rx;
    const float bx = m_jx * ry, by = m_jy * ry;
    const float la = static_cast<float>(std::sqrt(static_cast<double>(ax * ax + ay * ay)));
    const float lb = static_cast<float>(std::sqrt(static_cast<double>(bx * bx + by * by)));
    const int32_t n = gfx2_EllipseSegments(la + lb);
    if (!BeginPrim(material, n)) return;
    const float ix = m_ix, jx = m_jx, tx = m_tx, iy = m_iy, jy = m_jy, ty = m_ty;
    const uint32_t color = m_packedColor;
    unsigned char *p = m_vertexData->data + m_vertexBytes;
    for (int32_t i = 0; i < n; ++i, p += gfx2_VertexBytes) {
        const float a = static_cast<float>(i) * 360.0f / static_cast<float>(n) * kDegToRad;
        const float x = Cos(a) * rx + cx, y = Sin(a) * ry + cy;
        PutVertex(p, ix * x + jx * y + tx, iy * x + jy * y + ty, 0, 0, ix, iy, color);
    }
    m_vertexBytes += n * gfx2_VertexBytes;
}

void c_DrawList::DrawIndexed(int32_t order, int32_t count, const Array<float> &vertices, const Array<float> *texcoords,
                             const Array<int32_t> *colors, const Array<int32_t> &indices, c_Material *material) {
    if (order < 1 || order > gfx2_MaxPrimitiveOrder || count < 1) return;
    const int64_t n = static_cast<int64_t>(order) * count;
    if (n > indices.Length()) return;
    // Every index must name a pair of every array it reads, or nothing is
    // drawn.
    const int32_t pairs = vertices.Length() / 2;
    const int32_t texPairs = texcoords ? texcoords->Length() / 2 : INT32_MAX;
    const int32_t colorCount = colors ? colors->Length() : INT32_MAX;
    for (int64_t k = 0; k < n; ++k) {
        const int32_t index = indices[static_cast<int>(k)];
        if (index < 0 || index >= pairs || index >= texPairs || index >= colorCount) return;
    }
    if (!BeginPrims(material, order, count)) return;

    const uint32_t packed = m_packedColor;
    for (int64_t k = 0; k < n; ++k) {
        const int32_t index = indices[static_cast<int>(k)];
        const float s = texcoords ? (*texcoords)[2 * index] : 0.0f;
        const float t = texcoords ? (*texcoords)[2 * index + 1] : 0.0f;
        if (colors) m_packedColor = static_cast<uint32_t>((*colors)[index]);
        AddVertex(vertices[2 * index], vertices[2 * index + 1], s, t);
    }
    m_packedColor = packed;
}

void c_DrawList::DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices,
                                       const Array<int32_t> &indices, c_Material *material) {
    DrawIndexed(order, count, vertices, nullptr, nullptr, indices, material);
}

void c_DrawList::DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices,
                                       const Array<float> &texcoords, const Array<int32_t> &indices,
                                       c_Material *material) {
    DrawIndexed(order, count, vertices, &texcoords, nullptr, indices, material);
}

void c_DrawList::DrawIndexedPrimitives(int32_t order, int32_t count, const Array<float> &vertices,
                                       const Array<float> &texcoords, const Array<int32_t> &colors,
                                       const Array<int32_t> &indices, c_Material *material) {
    DrawIndexed(order, count, vertices, &texcoords, &colors, indices, material);
}

void c_DrawList::DrawIndexedLine(const Array<float> &vertices, const Array<int32_t> &indices) {
    DrawIndexed(2, 1, vertices, nullptr, nullptr, indices, nullptr);
}

void c_DrawList::DrawIndexedTriangles(int32_t count, const Array<float> &vertices, const Array<float> &texcoords,
                                      const Array<int32_t> &indices, c_Material *material) {
    DrawIndexed(3, count, vertices, &texcoords, nullptr, indices, material);
}

// ---------------------------------------------------------------------------
// Text

void c_DrawList::DrawTextAt(const String &text, float x0, float y0) {
    c_Font2 *font = m_font;
    const Array<c_Image2 *> &pages = font->m_pages;
    for (int32_t i = 0; i < text.Length(); ++i) {
        c_Glyph2 *glyph = font->GetGlyph(text[i]);
        if (!glyph) continue;
        // A glyph whose page is missing is not drawn, but the pen still
        // moves as TextWidth counts it.
        const int32_t page = glyph->m_page;
        c_Image2 *image = page >= 0 && page < pages.Length() ? pages[page].get() : nullptr;
        if (image)
            DrawRect(x0 + static_cast<float>(glyph->m_xoffset), y0 + static_cast<float>(glyph->m_yoffset),
                     static_cast<float>(glyph->m_width), static_cast<float>(glyph->m_height), image, glyph->m_x,
                     glyph->m_y, glyph->m_width, glyph->m_height);
        x0 += static_cast<float>(glyph->m_advance);
    }
}

void c_DrawList::DrawText(const String &text, float x, float y, float xalign, float yalign) {
    c_Font2 *font = m_font;
    if (!font) return;
    const float x0 = x - font->TextWidth(text) * xalign;
    const float y0 = y - font->m_height * yalign;
    DrawTextAt(text, x0, y0);
}

void c_DrawList::DrawTextLines(const Array<String> &lines, float x, float y, float xalign, float yalign) {
    c_Font2 *font = m_font;
    if (!font) return;
    float y0 = y - static_cast<float>(lines.Length()) * font->m_height * yalign;
    for (int32_t i = 0; i < lines.Length(); ++i) {
        const String &line = lines[i];
        DrawTextAt(line, x - font->TextWidth(line) * xalign, y0);
        y0 += font->m_height;
    }
}

// ---------------------------------------------------------------------------
// Shadow casters

void c_DrawList::AddShadowCaster(c_ShadowCaster *caster) {
    if (!caster) return;
    m_casters->Push(caster);
    const Array<float> &v = caster->m_vertices;
    if (v.Length() < 2) return;
    c_FloatStack *out = m_casterVertices;
    for (int32_t i = 0; i + 1 < v.Length(); i += 2) {
        const float x = v[i], y = v[i + 1];
        out->Push(m_ix * x + m_jx * y + m_tx);
        out->Push(m_iy * x + m_jy * y + m_ty);
    }
}

void c_DrawList::AddShadowCaster(c_ShadowCaster *caster, float tx, float ty) {
    PushMatrix();
    Translate(tx, ty);
    AddShadowCaster(caster);
    PopMatrix();
}

void c_DrawList::AddShadowCaster(c_ShadowCaster *caster, float tx, float ty, float rz) {
    PushMatrix();
    TranslateRotate(tx, ty, rz);
    AddShadowCaster(caster);
    PopMatrix();
}

void c_DrawList::AddShadowCaster(c_ShadowCaster *caster, float tx, float ty, float rz, float sx, float sy) {
    PushMatrix();
    TranslateRotateScale(tx, ty, rz, sx, sy);
    AddShadowCaster(caster);
    PopMatrix();
}

// ---------------------------------------------------------------------------
// Rendering

int32_t c_DrawList::Render() {
    constexpr int32_t L = gfx2_VertexBufferBytes;
    constexpr int32_t V = gfx2_VertexBytes;
    c_Stack5 *ops = m_ops;
    const int32_t numOps = ops->length;
    const int32_t total = m_vertexBytes;
    int32_t offset = 0;
    int32_t i = 0;
    while (offset < total && i < numOps) {
        const unsigned char *data = m_vertexData->data;
        const int32_t remaining = total - offset;
        // The chunk: ops i .. end - 1, `bytes` bytes from offset.
        int32_t end = i;
        int64_t bytes = 0;
        if (remaining <= L) {
            end = numOps;
            bytes = remaining;
        } else {
            while (end < numOps && bytes + static_cast<int64_t>(ops->data[end]->m_count) * V <= L) {
                bytes += static_cast<int64_t>(ops->data[end]->m_count) * V;
                ++end;
            }
        }
        if (end > i) {
            gl_EntryPoints.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), data + offset);
            int32_t first = 0;
            for (int32_t k = i; k < end; ++k) {
                c_DrawOp *op = ops->data[k];
                RenderOp(op, first, op->m_count);
                first += op->m_count;
            }
            offset += static_cast<int32_t>(bytes);
            i = end;
            continue;
        }

        // One operation larger than the buffer: drawn in pieces of whole
        // primitives, each uploaded to the start of the buffer.
        c_DrawOp *op = ops->data[i];
        const int32_t order = op->m_order;
        int64_t n = op->m_count;
        if (order < 1 || order > gfx2_MaxPrimitiveOrder) {
            // No piece could hold one of its primitives.
            offset += static_cast<int32_t>(n * V > remaining ? remaining : n * V);
            ++i;
            continue;
        }
        while (n > 0 && offset < total) {
            int64_t k = n > gfx2_VertexBufferVertices ? order * (gfx2_VertexBufferVertices / order) : n;
            if (k * V > total - offset) k = (total - offset) / V;
            if (k < 1) break;
            gl_EntryPoints.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(k * V), m_vertexData->data + offset);
            RenderOp(op, 0, static_cast<int32_t>(k));
            offset += static_cast<int32_t>(k * V);
            n -= k;
        }
        ++i;
    }
    return static_cast<int32_t>(gl11.glGetError());
}

void c_DrawList::RenderPending() {
    if (m_vertexBytes > 0) Render();
}

void c_DrawList::RenderOp(c_DrawOp *op, int32_t first, int32_t count) {
    c_Material *material = op->m_material;
    if (material && material->Bind()) RenderOpGL(op, first, count);
}

void c_DrawList::RenderOpGL(c_DrawOp *op, int32_t first, int32_t count) {
    gfx2_SetBlendMode(op->m_blend);
    const int32_t order = op->m_order;
    const gl_Primitive primitive = gl_PrimitiveOf(order);
    switch (primitive.call) {
    case gl_PrimitiveCall::Arrays:
        gl11.glDrawArrays(primitive.mode, first, count);
        break;
    case gl_PrimitiveCall::Quads:
        gl11.glDrawElements(primitive.mode, count / 4 * 6, GL_UNSIGNED_SHORT,
                            reinterpret_cast<const void *>(static_cast<intptr_t>(gfx2_QuadIndexOffset(first))));
        break;
    case gl_PrimitiveCall::Fans:
        // Each primitive is a fan of its own.
        for (int32_t k = 0; k < count; k += order) gl11.glDrawArrays(primitive.mode, first + k, order);
        break;
    case gl_PrimitiveCall::None:
        break;
    }
}

// ---------------------------------------------------------------------------

void c_DrawList::Mark() {
    gc_Enqueue(m_font);
    gc_Enqueue(m_defaultMaterial);
    gc_Enqueue(m_ops);
    gc_Enqueue(m_vertexData);
    gc_Enqueue(m_currentOp);
    gc_Enqueue(m_casters);
    gc_Enqueue(m_casterVertices);
    gc_Enqueue(m_color);
    gc_Enqueue(m_matrixStack);
}
