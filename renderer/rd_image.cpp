#include "renderer/rd_image.h"

#include "renderer/rd_globals.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_error.h"
#include "runtime/rt_math.h"

namespace {

constexpr int32_t kLoadFlags = TextureFlags::ClampS | TextureFlags::ClampT;
constexpr int32_t kTargetFlags = kLoadFlags | TextureFlags::RenderTarget;



[[noreturn]] void NoColorTexture() { object_Error(String(u"Material has no ColorTexture")); }

c_Texture *ColorTextureOf(c_Material *material) { return material ? material->ColorTexture() : nullptr; }

}  // namespace

// ---------------------------------------------------------------------------
// Initialisers

c_Image2 *c_Image2::InitFrame(c_Material *material, int32_t x, int32_t y, int32_t w, int32_t h, float xh,
                              float yh) {
    if (!ColorTextureOf(material)) NoColorTexture();
    m_material = material;
    m_frameX = x;
    m_frameY = y;
    m_width = w;
    m_height = h;
    SetHandle(xh, yh);
    return this;
}

c_Image2 *c_Image2::m_new(c_Material *material, float xh, float yh) {
    c_Texture *texture = ColorTextureOf(material);
    if (!texture) NoColorTexture();
    return InitFrame(material, 0, 0, texture->width, texture->height, xh, yh);
}

c_Image2 *c_Image2::m_new(c_Material *material, int32_t x, int32_t y, int32_t w, int32_t h, float xh, float yh) {
    return InitFrame(material, x, y, w, h, xh, yh);
}

c_Image2 *c_Image2::m_new(c_Image2 *image, int32_t x, int32_t y, int32_t w, int32_t h, float xh, float yh) {
    // A bare image has nothing to share; its frame would address no texture.
    if (!image || !image->m_material) NoColorTexture();
    m_material = image->m_material.get();
    m_frameX = math_WrapAdd(image->m_frameX, x);
    m_frameY = math_WrapAdd(image->m_frameY, y);
    m_width = w;
    m_height = h;
    SetHandle(xh, yh);
    return this;
}

c_Image2 *c_Image2::m_new(int32_t w, int32_t h, float xh, float yh, int32_t flags) {
    c_Texture *texture = gc_New<c_Texture>()->m_new(w, h, 4, (flags & ImageFlagsMask) | kTargetFlags);
    // Read after the texture: making it has run the start-up.
    c_Material *material = gc_New<c_Material>()->m_new(gfx2_FastShader);
    m_material = material;
    material->SetTexture(String(u"ColorTexture"), texture);
    // The material holds the only reference now.
    texture->Release();
    m_width = w;
    m_height = h;
    SetHandle(xh, yh);
    return this;
}

// ---------------------------------------------------------------------------
// Loaders

c_Image2 *c_Image2::Load(const String &path, float xh, float yh, int32_t flags, c_Shader *shader) {
    c_Material *material = c_Material::Load(path, (flags & ImageFlagsMask) | kLoadFlags, shader);
    if (!material) return nullptr;
    return gc_New<c_Image2>()->m_new(material, xh, yh);
}

c_Image2 *c_Image2::LoadCentered(const String &path, float yh, int32_t flags, c_Shader *shader) {
    return Load(path, 0.5f, yh, flags, shader);
}

Array<c_Image2 *> c_Image2::LoadFrames(const String &path, int32_t numFrames, bool padded, float xh, float yh,
                                       int32_t flags, c_Shader *shader) {
    // No frames to cut: nothing is loaded (and nothing divided by zero).
    if (numFrames < 1) return Array<c_Image2 *>();
    c_Material *material = c_Material::Load(path, (flags & ImageFlagsMask) | kLoadFlags, shader);
    if (!material) return Array<c_Image2 *>();
    c_Texture *texture = material->ColorTexture();
    const int32_t p = padded ? 1 : 0;
    const int32_t step = texture ? texture->width / numFrames : 0;
    const int32_t height = texture ? texture->height : 0;
    // A strip narrower than two pixels a frame has nothing inside the
    // padding; its frames are empty rather than of negative width.
    int32_t frameWidth = step - 2 * p;
    if (frameWidth < 0) frameWidth = 0;
    Array<c_Image2 *> frames(static_cast<int64_t>(numFrames));
    for (int32_t i = 0; i < numFrames; ++i) {
        // step * i stays within the texture's width.
        frames[i] = gc_New<c_Image2>()->InitFrame(material, p + i * step, 0, frameWidth, height, xh, yh);
    }
    return frames;
}

Array<c_Image2 *> c_Image2::LoadFrames9(const String &path, int32_t flags, c_Shader *shader) {
    return LoadFrames(path, 9, false, 0.5f, 0.5f, flags, shader);
}

// ---------------------------------------------------------------------------
// Handle and accessors

void c_Image2::SetHandle(float hx, float hy) {
    const float w = static_cast<float>(m_width);
    const float h = static_cast<float>(m_height);
    m_x0 = -hx * w;
    m_x1 = (1.0f - hx) * w;
    m_y0 = -hy * h;
    m_y1 = (1.0f - hy) * h;
    // Without a texture size to divide by, the texture rectangle stays as
    // it was (every way of giving an image a material checks for one).
    c_Texture *texture = ColorTextureOf(m_material);
    if (!texture) return;
    if (texture->width != 0) {
        const float tw = static_cast<float>(texture->width);
        m_s0 = static_cast<float>(m_frameX) / tw;
        m_s1 = static_cast<float>(math_WrapAdd(m_frameX, m_width)) / tw;
    }
    if (texture->height != 0) {
        const float th = static_cast<float>(texture->height);
        m_t0 = static_cast<float>(m_frameY) / th;
        m_t1 = static_cast<float>(math_WrapAdd(m_frameY, m_height)) / th;
    }
}

void c_Image2::SnapHandle() {
    // A side of 0 pixels has no pixel to snap to: its handle becomes 0.
    float hx = 0.0f, hy = 0.0f;
    if (m_width != 0) {
        const float w = static_cast<float>(m_width);
        hx = static_cast<float>(math_TruncToInt(HandleX() * w)) / w;
    }
    if (m_height != 0) {
        const float h = static_cast<float>(m_height);
        hy = static_cast<float>(math_TruncToInt(HandleY() * h)) / h;
    }
    SetHandle(hx, hy);
}

float c_Image2::HandleX() { return -m_x0 / (m_x1 - m_x0); }
float c_Image2::HandleY() { return -m_y0 / (m_y1 - m_y0); }
int32_t c_Image2::Width() { return m_width; }
int32_t c_Image2::Height() { return m_height; }
c_Material *c_Image2::Material() { return m_material; }
void c_Image2::SetFlagsMask(int32_t mask) { ImageFlagsMask = mask; }

c_Texture *c_Image2::RenderTargetTexture() {
    c_Texture *texture = ColorTextureOf(m_material);
    if (!texture || !(texture->flags & TextureFlags::RenderTarget))
        object_Error(String(u"Texture is not a render target texture"));
    return texture;
}

void c_Image2::Mark() {
    gc_Enqueue(m_material);
    gc_Enqueue(m_shadowCaster);
}
