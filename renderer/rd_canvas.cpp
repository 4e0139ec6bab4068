#include "renderer/rd_canvas.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <cstring>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_math3d.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_error.h"

namespace {

Array<bool> AllTrue4() {
    Array<bool> v(4);
    for (int i = 0; i < 4; ++i) v[i] = true;
    return v;
}

// Rectangle arithmetic is done in 64 bits and stored back saturated, so
// that extreme viewports or scissors cannot overflow.
int32_t Saturate(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// One axis of the scissor clipped to a viewport extent of `size`.
void ClipAxis(int64_t &pos, int64_t &len, int64_t size) {
    if (pos < 0) pos = 0;
    if (pos > size) pos = size;
    if (len < 0) len = 0;
    if (pos + len > size) len = size - pos;
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

c_Canvas::c_Canvas()
    : m_dirty(CanvasDirtyBits::All),
      m_lights(Array<c_LightData *>(4)),
      m_contextSeq(0),
      m_targetTexture(),
      m_width(0),
      m_height(0),
      m_targetWidth(0),
      m_targetHeight(0),
      m_targetImage(),
      m_viewport(array_Of<int32_t>({0, 0, 640, 480})),
      m_computedViewport{0, 0, 0, 0},
      m_scissor(array_Of<int32_t>({0, 0, 10000, 10000})),
      m_computedScissor{0, 0, 0, 0},
      m_clearNeedsScissor(false),
      m_projection(math3d_Mat4New()),
      m_view(math3d_Mat4New()),
      m_model(math3d_Mat4New()),
      m_ambientLight(array_Of<float>({0, 0, 0, 1})),
      m_fogColor(array_Of<float>({0, 0, 0, 0})),
      m_shadowMap(),
      m_lineWidth(1.0f),
      m_colorMask(AllTrue4()) {}

c_Canvas *c_Canvas::m_new() { return m_new(nullptr); }

c_Canvas *c_Canvas::m_new(Object *target) {
    // The draw list's set-up: the start-up, the default font and the fast
    // shader's default material.
    c_DrawList::m_new();
    Init();
    SetRenderTarget(target);
    SetViewport(0, 0, m_width, m_height);
    SetProjection2d(0, static_cast<float>(m_width), 0, static_cast<float>(m_height), -1, 1);
    return this;
}

c_Canvas *c_Canvas::Init() {
    m_dirty = CanvasDirtyBits::All;
    const Array<c_LightData *> &lights = m_lights;
    for (int i = 0; i < lights.Length(); ++i) lights[i] = gc_New<c_LightData>()->m_new();
    return this;
}

void c_Canvas::TakeWindowSize() {
    m_width = m_targetWidth = app_CachedDeviceWidth;
    m_height = m_targetHeight = app_CachedDeviceHeight;
}

// ---------------------------------------------------------------------------
// Setters

void c_Canvas::FlushPrims() {
    if (m_vertexBytes <= 0) return;
    Validate();
    if (m_vertexBytes > 0) Render();
    Reset();
}

void c_Canvas::ValidateAndFlush() {
    Validate();
    if (m_vertexBytes > 0) Render();
    Reset();
}

void c_Canvas::SetRenderTarget(Object *target) {
    FlushPrims();
    if (!target) {
        m_targetImage = nullptr;
        m_targetTexture = nullptr;
        TakeWindowSize();
    } else if (c_Image2 *image = dynamic_cast<c_Image2 *>(target)) {
        m_targetImage = image;
        c_Texture *texture = image->RenderTargetTexture();
        m_targetTexture = texture;
        m_width = image->m_width;
        m_height = image->m_height;
        m_targetWidth = texture->width;
        m_targetHeight = texture->height;
    } else if (c_Texture *texture = dynamic_cast<c_Texture *>(target)) {
        m_targetImage = nullptr;
        m_targetTexture = texture;
        if (!(texture->flags & TextureFlags::RenderTarget))
            object_Error(String(u"Texture is not a render target texture"));
        m_width = m_targetWidth = texture->width;
        m_height = m_targetHeight = texture->height;
    } else {
        object_Error(String(u"RenderTarget object must an Image, a Texture or Null"));
    }
    m_dirty = CanvasDirtyBits::All;
}

void c_Canvas::SetViewport(int32_t x, int32_t y, int32_t w, int32_t h) {
    FlushPrims();
    const Array<int32_t> &v = m_viewport;
    v[0] = x;
    v[1] = y;
    v[2] = w;
    v[3] = h;
    m_dirty |= CanvasDirtyBits::ViewportScissor;
}

void c_Canvas::SetScissor(int32_t x, int32_t y, int32_t w, int32_t h) {
    FlushPrims();
    const Array<int32_t> &s = m_scissor;
    s[0] = x;
    s[1] = y;
    s[2] = w;
    s[3] = h;
    m_dirty |= CanvasDirtyBits::ViewportScissor;
}

void c_Canvas::SetProjection2d(float l, float r, float t, float b, float zn, float zf) {
    FlushPrims();
    const Array<float> &m = m_projection;
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = 2 / (r - l);
    m[5] = 2 / (b - t);
    m[10] = 2 / (zf - zn);
    m[12] = -(r + l) / (r - l);
    m[13] = -(b + t) / (b - t);
    m[14] = -(zf + zn) / (zf - zn);
    m[15] = 1;
    m_dirty |= CanvasDirtyBits::Shader;
}

void c_Canvas::Clear(float r, float g, float b, float a) {
    FlushPrims();
    Validate();
    const bool scissored = m_clearNeedsScissor;
    if (scissored) {
        gl11.glEnable(GL_SCISSOR_TEST);
        gl11.glScissor(m_computedViewport[0], m_computedViewport[1], m_computedViewport[2], m_computedViewport[3]);
    }
    gl11.glClearColor(r, g, b, a);
    gl11.glClear(GL_COLOR_BUFFER_BIT);
    if (scissored) gl11.glDisable(GL_SCISSOR_TEST);
}

// ---------------------------------------------------------------------------
// Validation

void c_Canvas::Validate() {
    const bool current = gfx2_CurrentCanvas.get() == this;
    if (m_contextSeq != host_GLContextSeq) {
        // A new GL context: the shared buffers may have to be made again
        // and all of this canvas's state goes into GL once more.
        m_contextSeq = host_GLContextSeq;
        gfx2_InitVbos();
        if (!m_targetTexture) TakeWindowSize();
        m_dirty = CanvasDirtyBits::All;
    } else if (current && m_dirty == 0) {
        return;
    }
    if (!current) {
        // The previous canvas finishes its drawing (a Managed target reads
        // it back) before this one's state replaces it.
        if (c_Canvas *previous = gfx2_CurrentCanvas) previous->Flush();
        gfx2_CurrentCanvas = this;
        m_dirty = CanvasDirtyBits::All;
    }

    if (m_dirty & CanvasDirtyBits::Framebuffer) {
        if (c_Texture *texture = m_targetTexture) {
            if (texture->contextSeq != host_GLContextSeq) texture->Rebuild();
            gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, texture->glFramebuffer);
        } else {
            gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, gfx2_WindowFramebuffer);
        }
    }
    if (m_dirty & CanvasDirtyBits::ViewportScissor) ApplyViewportScissor();
    if (m_dirty & CanvasDirtyBits::Shader) ApplyShaderEnvironment();
    if (m_dirty & CanvasDirtyBits::LineWidth) gl11.glLineWidth(m_lineWidth);
    if (m_dirty & CanvasDirtyBits::ColorMask) {
        const Array<bool> &mask = m_colorMask;
        gl11.glColorMask(mask[0] ? GL_TRUE : GL_FALSE, mask[1] ? GL_TRUE : GL_FALSE, mask[2] ? GL_TRUE : GL_FALSE,
                         mask[3] ? GL_TRUE : GL_FALSE);
    }
    m_dirty = 0;
}

void c_Canvas::ApplyViewportScissor() {
    if (!m_targetTexture) TakeWindowSize();
    const Array<int32_t> &viewport = m_viewport;
    const Array<int32_t> &scissor = m_scissor;

    int64_t vx = viewport[0], vy = viewport[1], vw = viewport[2], vh = viewport[3];
    if (c_Image2 *image = m_targetImage) {
        vx += image->m_frameX;
        vy += image->m_frameY;
    }
    int64_t sx = scissor[0], sy = scissor[1], sw = scissor[2], sh = scissor[3];
    ClipAxis(sx, sw, viewport[2]);
    ClipAxis(sy, sh, viewport[3]);
    sx += vx;
    sy += vy;
    if (!m_targetTexture) {
        // GL counts the window's rows from the bottom.
        const int64_t th = m_targetHeight;
        vy = th - vy - vh;
        sy = th - sy - sh;
    }
    m_computedViewport[0] = Saturate(vx);
    m_computedViewport[1] = Saturate(vy);
    m_computedViewport[2] = Saturate(vw);
    m_computedViewport[3] = Saturate(vh);
    m_computedScissor[0] = Saturate(sx);
    m_computedScissor[1] = Saturate(sy);
    m_computedScissor[2] = Saturate(sw);
    m_computedScissor[3] = Saturate(sh);

    const int32_t *v = m_computedViewport;
    const int32_t *s = m_computedScissor;
    gl11.glViewport(v[0], v[1], v[2], v[3]);
    if (s[0] == v[0] && s[1] == v[1] && s[2] == v[2] && s[3] == v[3]) {
        gl11.glDisable(GL_SCISSOR_TEST);
        m_clearNeedsScissor = !(v[0] == 0 && v[1] == 0 && v[2] == m_targetWidth && v[3] == m_targetHeight);
    } else {
        gl11.glEnable(GL_SCISSOR_TEST);
        gl11.glScissor(s[0], s[1], s[2], s[3]);
        m_clearNeedsScissor = false;
    }
}

void c_Canvas::ApplyShaderEnvironment() {
    // The next draw binds its program again, with these values.
    gfx2_BoundProgram = nullptr;

    const float *projection = m_projection.get().Data();
    if (m_targetTexture) {
        gfx2_ClipPosScale[1] = 1.0f;
        std::memcpy(gfx2_ProjectionScratch, projection, sizeof gfx2_ProjectionScratch);
    } else {
        gfx2_ClipPosScale[1] = -1.0f;
        gfx2_Mat4Multiply(gfx2_FlipMatrix, projection, gfx2_ProjectionScratch);
    }
    const float *view = m_view.get().Data();
    gfx2_Mat4Multiply(view, m_model.get().Data(), gfx2_ModelView);
    gfx2_Mat4Multiply(gfx2_ProjectionScratch, gfx2_ModelView, gfx2_ModelViewProjection);

    std::memcpy(gfx2_AmbientLight, m_ambientLight.get().Data(), sizeof gfx2_AmbientLight);
    std::memcpy(gfx2_FogColor, m_fogColor.get().Data(), sizeof gfx2_FogColor);

    gfx2_PackLights(m_lights, view);

    c_Image2 *shadowMap = m_shadowMap;
    c_Material *shadowMaterial = shadowMap ? shadowMap->m_material.get() : nullptr;
    gfx2_ShadowTexture = shadowMaterial ? shadowMaterial->ColorTexture() : nullptr;

    gfx2_BlendModeCache = -1;
}

// ---------------------------------------------------------------------------
// Flush and read-back

void c_Canvas::Flush() {
    if (m_vertexBytes > 0) {
        Validate();
        if (m_vertexBytes > 0) Render();
        Reset();
    }
    c_Texture *texture = m_targetTexture;
    if (!texture) return;
    if (!(texture->flags & TextureFlags::Managed)) {
        texture->UpdateMipmaps();
        return;
    }
    Validate();
    gl11.glDisable(GL_SCISSOR_TEST);
    gl11.glViewport(0, 0, m_targetWidth, m_targetHeight);
    ReadBack();
    m_dirty |= CanvasDirtyBits::ViewportScissor;
    texture->UpdateMipmaps();
}

void c_Canvas::ReadBack() {
    c_Texture *texture = m_targetTexture;
    int32_t x = 0, y = 0;
    if (c_Image2 *image = m_targetImage) {
        x = image->m_frameX;
        y = image->m_frameY;
    }
    // The whole texture in one read when the drawing area covers it, else
    // the frame row by row; clipped to the texture, and nothing when the
    // retained pixels are missing or shorter than the texture.
    texture->ReadBack(x, y, m_width, m_height);
}

// ---------------------------------------------------------------------------

void c_Canvas::Mark() {
    c_DrawList::Mark();
    gc_Enqueue(m_lights);
    gc_Enqueue(m_targetTexture);
    gc_Enqueue(m_targetImage);
    gc_Enqueue(m_viewport);
    gc_Enqueue(m_scissor);
    gc_Enqueue(m_projection);
    gc_Enqueue(m_view);
    gc_Enqueue(m_model);
    gc_Enqueue(m_ambientLight);
    gc_Enqueue(m_fogColor);
    gc_Enqueue(m_shadowMap);
    gc_Enqueue(m_colorMask);
}
