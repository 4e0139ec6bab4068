#include "host/hx_graphics.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/hx_game.h"
#include "host/hx_gfxcommon.h"
#include "host/hx_gl.h"
#include "runtime/rt_math.h"

gc_ref<HxGraphics> app_GraphicsDevice;

namespace {

// GL pixel format of a pixel depth.
int FormatOfDepth(int depth) {
    switch (depth) {
        case 1: return GL_LUMINANCE;
        case 2: return GL_LUMINANCE_ALPHA;
        case 3: return GL_RGB;
        case 4: return GL_RGBA;
        default: return 0;
    }
}

// The smallest power of two not below n; 1 for sides below 2.
int64_t PowerOfTwoAtLeast(int64_t n) {
    int64_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Whether h rows of w ints, `pitch` apart from element `offset` on, lie in
// an array of `length` elements.
bool RangeFits(int length, int offset, int w, int h, int pitch) {
    if (w <= 0 || h <= 0 || offset < 0) return false;
    const int64_t span = static_cast<int64_t>(h - 1) * pitch;
    const int64_t lo = static_cast<int64_t>(offset) + (span < 0 ? span : 0);
    const int64_t hi = static_cast<int64_t>(offset) + (span > 0 ? span : 0) + w;
    return lo >= 0 && hi <= length;
}

// y of a rectangle's lower edge in GL's bottom-up window coordinates.
int FlipY(int height, int y, int h) { return math_Wrap(static_cast<int64_t>(height) - y - h); }

void ReadWindowSize(int32_t &width, int32_t &height) {
    width = 0;
    height = 0;
    // GLFW aborts on a null window: without one the size stays 0 x 0.
    if (host_GlfwGame && host_GlfwGame->window) {
        int w = 0, h = 0;
        glfwGetWindowSize(host_GlfwGame->window, &w, &h);
        width = w;
        height = h;
    }
}

}  // namespace

uint32_t graphics_PackColour(float r, float g, float b, float alpha) {
    return color_Pack(r, g, b, alpha, 255.0f * alpha);
}

void graphics_Premultiply(unsigned char *pixels, int width, int height, int depth) {
    if (!pixels || width <= 0 || height <= 0) return;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (depth == 4) {
        for (size_t i = 0; i < n; ++i) {
            unsigned char *p = pixels + i * 4;
            const unsigned a = p[3];
            p[0] = static_cast<unsigned char>(p[0] * a / 255);
            p[1] = static_cast<unsigned char>(p[1] * a / 255);
            p[2] = static_cast<unsigned char>(p[2] * a / 255);
        }
    } else if (depth == 2) {
        for (size_t i = 0; i < n; ++i) {
            unsigned char *p = pixels + i * 2;
            p[0] = static_cast<unsigned char>(p[0] * static_cast<unsigned>(p[1]) / 255);
        }
    }
}

// ---------------------------------------------------------------------------
// Surfaces

namespace {

void ReleaseSurface(HxSurface *s) {
    // Names of an earlier context died with it: they are forgotten only.
    if (s->contextSeq == host_GLContextSeq) {
        GLuint name = s->texture;
        glDeleteTextures(1, &name);
        s->contextSeq = -1;
        s->texture = 0;
    }
    std::free(s->pixels);
    s->pixels = nullptr;
}

}  // namespace

HxSurface::~HxSurface() { ReleaseSurface(this); }

int HxSurface::Discard() {
    ReleaseSurface(this);
    return 0;
}

int HxSurface::Width() { return width; }
int HxSurface::Height() { return height; }
bool HxSurface::Loaded() { return true; }
void HxSurface::OnLoadComplete() { Bind(); }

void HxSurface::SetData(unsigned char *data, int w, int h, int d) {
    if (pixels && pixels != data) std::free(pixels);
    pixels = data;
    width = w;
    height = h;
    depth = d;
    format = FormatOfDepth(d);
    graphics_Premultiply(pixels, w, h, d);
}

void HxSurface::Bind() {
    if (host_GLContextSeq == 0) return;
    if (contextSeq == host_GLContextSeq) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    contextSeq = host_GLContextSeq;
    GLuint name = 0;
    glGenTextures(1, &name);
    texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Errors left by earlier calls must not pass for a rejected size.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
    int64_t tw = width, th = height;
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, static_cast<GLenum>(format), GL_UNSIGNED_BYTE, nullptr);
    if (glGetError() != GL_NO_ERROR) {
        tw = PowerOfTwoAtLeast(width);
        th = PowerOfTwoAtLeast(height);
        glTexImage2D(GL_TEXTURE_2D, 0, format, static_cast<GLsizei>(tw), static_cast<GLsizei>(th), 0,
                     static_cast<GLenum>(format), GL_UNSIGNED_BYTE, nullptr);
    }
    uScale = tw > 0 ? static_cast<float>(1.0 / static_cast<double>(tw)) : 0.0f;
    vScale = th > 0 ? static_cast<float>(1.0 / static_cast<double>(th)) : 0.0f;
    if (pixels) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, static_cast<GLenum>(format), GL_UNSIGNED_BYTE, pixels);
    }
}

void HxSurface::WritePixels(int x, int y, int w, int h, const int32_t *source, int pitch) {
    if (!source || w <= 0 || h <= 0 || depth != 4) return;
    if (x < 0 || y < 0 || static_cast<int64_t>(x) + w > width || static_cast<int64_t>(y) + h > height) return;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (!pixels) {
        const size_t bytes = rowBytes * static_cast<size_t>(height);
        pixels = static_cast<unsigned char *>(rt_Malloc(bytes));
        std::memset(pixels, 0, bytes);
    }
    for (int r = 0; r < h; ++r) {
        const int32_t *src = source + static_cast<int64_t>(r) * pitch;
        unsigned char *dst = pixels + static_cast<size_t>(y + r) * rowBytes + static_cast<size_t>(x) * 4;
        for (int c = 0; c < w; ++c, dst += 4) {
            const uint32_t s = static_cast<uint32_t>(src[c]);
            const uint32_t a = s >> 24;
            dst[0] = static_cast<unsigned char>(((s >> 16) & 255u) * a / 255u);
            dst[1] = static_cast<unsigned char>(((s >> 8) & 255u) * a / 255u);
            dst[2] = static_cast<unsigned char>((s & 255u) * a / 255u);
            dst[3] = static_cast<unsigned char>(a);
        }
    }
    if (contextSeq != host_GLContextSeq) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (w == width) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                        pixels + static_cast<size_t>(y) * rowBytes);
    } else {
        for (int r = 0; r < h; ++r)
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + r, w, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels + static_cast<size_t>(y + r) * rowBytes + static_cast<size_t>(x) * 4);
    }
}

void HxSurface::WritePixelsRgba(int x, int y, int w, int h, const int32_t *source, int pitch) {
    if (format == GL_RGBA) WritePixels(x, y, w, h, source, pitch);
}

// ---------------------------------------------------------------------------
// The device

HxGraphics::HxGraphics()
    : width(0), height(0), colour(0xffffffffu), r(255), g(255), b(255), alpha(1), ix(1), iy(0), jx(0), jy(1), tx(0),
      ty(0), transformed(false), vertices(), quadIndices(), primitive(0), count(0), batchSurface() {
    for (int q = 0; q < kQuadIndices / 6; ++q) {
        uint16_t *i = quadIndices + q * 6;
        const uint16_t v = static_cast<uint16_t>(q * 4);
        i[0] = v;
        i[1] = static_cast<uint16_t>(v + 1);
        i[2] = static_cast<uint16_t>(v + 2);
        i[3] = v;
        i[4] = static_cast<uint16_t>(v + 2);
        i[5] = static_cast<uint16_t>(v + 3);
    }
}

HxGraphics *HxGraphics::m_new() {
    ReadWindowSize(width, height);
    return this;
}

HxGraphics *HxGraphics::m_new(int w, int h) {
    width = w;
    height = h;
    return this;
}

void HxGraphics::Mark() { gc_Enqueue(batchSurface); }

int HxGraphics::Width() { return width; }
int HxGraphics::Height() { return height; }

int HxGraphics::BeginRender() {
    ReadWindowSize(width, height);
    return 0;
}

int HxGraphics::EndRender() { return 0; }
int HxGraphics::DiscardGraphics() { return 0; }

HxSurface *HxGraphics::LoadSurface(String path) {
    HxSurface *s = gc_New<HxSurface>()->m_new();
    if (!LoadSurfaceData(s, path)) return nullptr;
    s->Bind();
    return s;
}

HxSurface *HxGraphics::CreateSurface(int w, int h) {
    HxSurface *s = gc_New<HxSurface>()->m_new();
    s->width = w;
    s->height = h;
    s->depth = 4;
    s->format = GL_RGBA;
    s->Bind();
    return s;
}

bool HxGraphics::LoadSurfaceData(HxSurface *surface, String path) {
    if (!surface || !host_CurrentGame) return false;
    int w = 0, h = 0, d = 0;
    unsigned char *data = host_CurrentGame->LoadImageData(path, &w, &h, &d);
    if (!data) return false;
    surface->SetData(data, w, h, d);
    return true;
}

int HxGraphics::Clear(float cr, float cg, float cb) {
    count = 0;
    glClearColor(cr / 255.0f, cg / 255.0f, cb / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

void HxGraphics::PackColour() { colour = graphics_PackColour(r, g, b, alpha); }

int HxGraphics::SetAlpha(float a) {
    alpha = a;
    PackColour();
    return 0;
}

int HxGraphics::SetColor(float cr, float cg, float cb) {
    r = cr;
    g = cg;
    b = cb;
    PackColour();
    return 0;
}

int HxGraphics::SetBlend(int blend) {
    Flush();
    if (blend == 1) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    return 0;
}

int HxGraphics::SetScissor(int x, int y, int w, int h) {
    Flush();
    if (x == 0 && y == 0 && w == width && h == height) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, FlipY(height, y, h), w, h);
    }
    return 0;
}

int HxGraphics::SetMatrix(float mix, float miy, float mjx, float mjy, float mtx, float mty) {
    ix = mix;
    iy = miy;
    jx = mjx;
    jy = mjy;
    tx = mtx;
    ty = mty;
    transformed = !(ix == 1 && iy == 0 && jx == 0 && jy == 1 && tx == 0 && ty == 0);
    return 0;
}

void HxGraphics::Transform(float &x, float &y) const {
    if (!transformed) return;
    const float nx = ix * x + jx * y + tx;
    const float ny = iy * x + jy * y + ty;
    x = nx;
    y = ny;
}

HxVertex *HxGraphics::BeginPrims(int prim, int n, HxSurface *surface) {
    if (n < 1 || n > kMaxVertices) return nullptr;
    if (prim != primitive || surface != batchSurface.get() || count + n > kMaxVertices) {
        if (count > 0) FlushPrims();
        primitive = prim;
        batchSurface = surface;
    }
    HxVertex *v = vertices + count;
    count += n;
    return v;
}

void HxGraphics::Flush() {
    if (count > 0) FlushPrims();
}

void HxGraphics::FlushPrims() {
    if (count <= 0) {
        count = 0;
        return;
    }
    HxSurface *surface = batchSurface;
    if (surface) {
        glEnable(GL_TEXTURE_2D);
        surface->Bind();
    }
    // The vertices go to GL as client arrays in window pixels, y down, with
    // no buffer object or program in the way; what was bound comes back.
    GLint arrayBuffer = 0, elementBuffer = 0, program = 0;
    const bool buffers = gl_EntryPoints.glBindBuffer != nullptr;
    const bool programs = gl_EntryPoints.glUseProgram != nullptr;
    if (buffers) {
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
        gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl_EntryPoints.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    if (programs) {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        gl_EntryPoints.glUseProgram(0);
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(HxVertex), &vertices[0].x);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(HxVertex), &vertices[0].colour);
    if (surface) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(HxVertex), &vertices[0].u);
    }

    const gl_Primitive kind = gl_PrimitiveOf(primitive);
    switch (kind.call) {
        case gl_PrimitiveCall::Arrays: glDrawArrays(kind.mode, 0, count); break;
        case gl_PrimitiveCall::Quads: glDrawElements(kind.mode, count / 4 * 6, GL_UNSIGNED_SHORT, quadIndices); break;
        case gl_PrimitiveCall::Fans:
            for (int first = 0; first + primitive <= count; first += primitive)
                glDrawArrays(kind.mode, first, primitive);
            break;
        case gl_PrimitiveCall::None: break;
    }

    if (surface) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    if (programs) gl_EntryPoints.glUseProgram(static_cast<GLuint>(program));
    if (buffers) {
        gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
        gl_EntryPoints.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(elementBuffer));
    }
    if (surface) glDisable(GL_TEXTURE_2D);
    count = 0;
}

int HxGraphics::DrawPoint(float x, float y) {
    HxVertex *v = BeginPrims(1, 1, nullptr);
    Transform(x, y);
    v->x = x + 0.5f;
    v->y = y + 0.5f;
    v->colour = colour;
    return 0;
}

void HxGraphics::PutQuad(HxVertex *v, float x, float y, float w, float h, const float *uv) {
    const float xs[4] = {x, x + w, x + w, x};
    const float ys[4] = {y, y, y + h, y + h};
    for (int k = 0; k < 4; ++k) {
        float px = xs[k], py = ys[k];
        Transform(px, py);
        v[k].x = px;
        v[k].y = py;
        if (uv) {
            // Corners (u0, v0), (u1, v0), (u1, v1), (u0, v1).
            v[k].u = uv[k == 1 || k == 2 ? 2 : 0];
            v[k].v = uv[k >= 2 ? 3 : 1];
        }
        v[k].colour = colour;
    }
}

int HxGraphics::DrawRect(float x, float y, float w, float h) {
    PutQuad(BeginPrims(4, 4, nullptr), x, y, w, h, nullptr);
    return 0;
}

int HxGraphics::DrawLine(float x0, float y0, float x1, float y1) {
    HxVertex *v = BeginPrims(2, 2, nullptr);
    Transform(x0, y0);
    Transform(x1, y1);
    v[0].x = x0 + 0.5f;
    v[0].y = y0 + 0.5f;
    v[0].colour = colour;
    v[1].x = x1 + 0.5f;
    v[1].y = y1 + 0.5f;
    v[1].colour = colour;
    return 0;
}

int HxGraphics::OvalSegments(float rx, float ry) const {
    float length;
    if (transformed) {
        const float ax = ix * rx, ay = iy * rx, bx = jx * ry, by = jy * ry;
        length = std::sqrt(ax * ax + ay * ay) + std::sqrt(bx * bx + by * by);
    } else {
        length = std::fabs(rx) + std::fabs(ry);
    }
    if (!(length >= 12.0f)) return 12;  // NaN too
    if (length >= 1025.0f) return kMaxVertices;
    const int n = static_cast<int>(length);
    return n > kMaxVertices ? kMaxVertices : n & ~3;
}

int HxGraphics::DrawOval(float x, float y, float w, float h) {
    const float rx = w / 2.0f, ry = h / 2.0f;
    const float cx = x + rx, cy = y + ry;
    const int n = OvalSegments(rx, ry);
    HxVertex *v = BeginPrims(n, n, nullptr);
    for (int k = 0; k < n; ++k) {
        const float a = static_cast<float>(k) * 6.2831855f / static_cast<float>(n);
        float px = cx + std::cos(a) * rx;
        float py = cy - std::sin(a) * ry;
        Transform(px, py);
        v[k].x = px;
        v[k].y = py;
        v[k].colour = colour;
    }
    return 0;
}

int HxGraphics::DrawPoly(Array<float> verts) {
    const int n = verts.Length() / 2;
    HxVertex *v = BeginPrims(n, n, nullptr);
    if (!v) return 0;
    for (int k = 0; k < n; ++k) {
        float px = verts[k * 2], py = verts[k * 2 + 1];
        Transform(px, py);
        v[k].x = px;
        v[k].y = py;
        v[k].colour = colour;
    }
    return 0;
}

int HxGraphics::DrawTexturedPoly(Array<float> verts, HxSurface *surface, int srcx, int srcy) {
    if (!surface) return 0;
    const int n = verts.Length() / 4;
    HxVertex *v = BeginPrims(n, n, surface);
    if (!v) return 0;
    for (int k = 0; k < n; ++k) {
        float px = verts[k * 4], py = verts[k * 4 + 1];
        Transform(px, py);
        v[k].x = px;
        v[k].y = py;
        v[k].u = (verts[k * 4 + 2] + static_cast<float>(srcx)) * surface->uScale;
        v[k].v = (verts[k * 4 + 3] + static_cast<float>(srcy)) * surface->vScale;
        v[k].colour = colour;
    }
    return 0;
}


int HxGraphics::DrawSurface(HxSurface *surface, float x, float y) {
    if (!surface) return 0;
    HxVertex *v = BeginPrims(4, 4, surface);
    const float w = static_cast<float>(surface->width), h = static_cast<float>(surface->height);
    const float uv[4] = {0.0f, 0.0f, w * surface->uScale, h * surface->vScale};
    PutQuad(v, x, y, w, h, uv);
    return 0;
}

int HxGraphics::DrawSurfaceRect(HxSurface *surface, float x, float y, int srcx, int srcy, int srcw, int srch) {
    if (!surface) return 0;
    HxVertex *v = BeginPrims(4, 4, surface);
    const float uv[4] = {static_cast<float>(srcx) * surface->uScale, static_cast<float>(srcy) * surface->vScale,
                         static_cast<float>(static_cast<int64_t>(srcx) + srcw) * surface->uScale,
                         static_cast<float>(static_cast<int64_t>(srcy) + srch) * surface->vScale};
    PutQuad(v, x, y, static_cast<float>(srcw), static_cast<float>(srch), uv);
    return 0;
}

int HxGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    Flush();
    if (!RangeFits(pixels.Length(), offset, w, h, pitch)) return 0;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    unsigned char *block = static_cast<unsigned char *>(rt_Malloc(rowBytes * static_cast<size_t>(h)));
    glReadPixels(x, FlipY(height, y, h), w, h, GL_BGRA, GL_UNSIGNED_BYTE, block);
    // GL's rows run bottom-up: the window's top row lands first.
    for (int row = 0; row < h; ++row)
        std::memcpy(pixels.Data() + offset + static_cast<int64_t>(row) * pitch,
                    block + static_cast<size_t>(h - 1 - row) * rowBytes, rowBytes);
    std::free(block);
    return 0;
}

int HxGraphics::WriteSurfacePixels(HxSurface *surface, Array<int> pixels, int x, int y, int w, int h, int offset,
                                   int pitch) {
    if (!surface || !RangeFits(pixels.Length(), offset, w, h, pitch)) return 0;
    surface->WritePixelsRgba(x, y, w, h, pixels.Data() + offset, pitch);
    return 0;
}
