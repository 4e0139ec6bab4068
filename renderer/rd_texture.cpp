#include "renderer/rd_texture.h"

#include <cstdint>

#include "host/hx_game.h"
#include "host/hx_files.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "host/hx_image.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_error.h"
#include "runtime/rt_map.h"

// ---------------------------------------------------------------------------
// Reference counts

void c_RefCounted::Retain() {
    if (refs < 1) object_Error(String(u"Internal error"));
    // Wrapping: a count pushed past the top turns negative and fails later
    // instead of overflowing.
    refs = math_WrapAdd(refs, 1);
}

void c_RefCounted::Release() {
    if (refs < 1) object_Error(String(u"Internal error"));
    if (refs == 1) {
        refs = -1;
        Destroy();
        return;
    }
    refs -= 1;
}

// ---------------------------------------------------------------------------
// Pure helpers

void gfx2_PremultiplyPixels(unsigned char *bytes, int64_t length) {
    if (!bytes) return;
    for (int64_t i = 0; i + 4 <= length; i += 4) {
        unsigned char *p = bytes + i;
        const unsigned a = p[3];
        p[0] = static_cast<unsigned char>(p[0] * a / 255u);
        p[1] = static_cast<unsigned char>(p[1] * a / 255u);
        p[2] = static_cast<unsigned char>(p[2] * a / 255u);
    }
}

gfx2_TextureParameters gfx2_TextureParametersOf(int flags) {
    const bool filter = (flags & TextureFlags::Filter) != 0;
    const bool mipmap = (flags & TextureFlags::Mipmap) != 0;
    gfx2_TextureParameters p;
    p.magFilter = filter ? GL_LINEAR : GL_NEAREST;
    if (mipmap) {
        p.minFilter = filter ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
    } else {
        p.minFilter = filter ? GL_LINEAR : GL_NEAREST;
    }
    p.wrapS = (flags & TextureFlags::ClampS) ? GL_CLAMP_TO_EDGE : 0;
    p.wrapT = (flags & TextureFlags::ClampT) ? GL_CLAMP_TO_EDGE : 0;
    return p;
}

int64_t gfx2_TextureBytes(int w, int h) {
    if (w < 0 || h < 0) return -1;
    const int64_t bytes = static_cast<int64_t>(w) * h * 4;
    return bytes > INT32_MAX ? -1 : bytes;
}

// The app layer's rule, and also every path that starts with a dot.
String gfx2_FixDataPath(String path) { return path.StartsWith(String(u".")) ? path : app_FixDataPath(path); }

// ---------------------------------------------------------------------------
// Creation

namespace {

// The renderer saves one binding at a time in its query scratch array; the
// value is copied out at once, so a save inside another restores correctly.
GLuint SavedBinding(GLenum pname) {
    gl11.glGetIntegerv(pname, gfx2_QueryScratch);
    return static_cast<GLuint>(gfx2_QueryScratch[0]);
}

// The start-up and the checks every way of making a texture begins with.
void CheckAndStore(c_Texture *t, int w, int h, int format, int flags) {
    gfx2_InitRenderer();
    if (format != 4) object_Error(String(u"Invalid texture format: ") + String(format));
    if (gfx2_TextureBytes(w, h) < 0)
        object_Error(String(u"Invalid texture size: ") + String(w) + String(u" x ") + String(h));
    t->width = w;
    t->height = h;
    t->format = 4;
    t->flags = flags;
}

}  // namespace

c_Texture *c_Texture::Init(int w, int h, int format, int flags) {
    CheckAndStore(this, w, h, format, flags);
    CreateGLTexture();
    return this;
}

c_Texture *c_Texture::m_new(int w, int h, int format, int flags) {
    Init(w, h, format, flags);
    if (flags & TextureFlags::Managed) {
        const int bytes = static_cast<int>(gfx2_TextureBytes(w, h));
        c_DataBuffer *pixels = gc_New<c_DataBuffer>()->m_new(bytes);
        for (int i = 0; i < bytes; i += 4) {
            pixels->data[i + 0] = 0xFF;
            pixels->data[i + 1] = 0x00;
            pixels->data[i + 2] = 0xFF;
            pixels->data[i + 3] = 0xFF;
        }
        this->data = pixels;
    }
    return this;
}

c_Texture *c_Texture::m_new(int w, int h, int format, int flags, Object *data) {
    Init(w, h, format, flags);
    LoadData(data);
    this->data = dynamic_cast<c_DataBuffer *>(data);
    return this;
}

c_Texture *c_Texture::Load(String path, int format, int flags) {
    Array<int> size(2);
    c_DataBuffer *pixels = gl_LoadImageData(gfx2_FixDataPath(path), size);
    if (!pixels) return nullptr;
    gfx2_PremultiplyPixels(pixels->data, pixels->length);
    c_Texture *t = gc_New<c_Texture>()->Init(size[0], size[1], format, flags);
    t->LoadData(pixels);
    t->data = pixels;
    return t;
}

c_Texture *c_Texture::Color(int argb) {
    if (c_Texture *cached = gfx2_ColorTextureCache->Get(argb)) return cached;
    c_DataBuffer *pixel = gc_New<c_DataBuffer>()->m_new(4);
    const uint32_t word = static_cast<uint32_t>(argb);
    for (int i = 0; i < 4; ++i) pixel->data[i] = static_cast<unsigned char>(word >> (8 * i));
    c_Texture *t = gc_New<c_Texture>()->m_new(1, 1, 4, TextureFlags::ClampS | TextureFlags::ClampT, pixel);
    gfx2_ColorTextureCache->Set(argb, t);
    return t;
}

c_Texture *c_Texture::White() {
    if (!gfx2_WhiteTexture) gfx2_WhiteTexture = Color(static_cast<int>(0xFFFFFFFFu));
    return gfx2_WhiteTexture;
}

c_Texture *c_Texture::Black() {
    if (!gfx2_BlackTexture) gfx2_BlackTexture = Color(static_cast<int>(0xFF000000u));
    return gfx2_BlackTexture;
}

c_Texture *c_Texture::Grey() {
    if (!gfx2_GreyTexture) gfx2_GreyTexture = Color(static_cast<int>(0xFF888888u));
    return gfx2_GreyTexture;
}

// ---------------------------------------------------------------------------
// GL objects

int c_Texture::Flags() { return flags; }
int c_Texture::Width() { return width; }
int c_Texture::Height() { return height; }

uint32_t c_Texture::GLTexture() {
    Validate();
    return glTexture;
}

uint32_t c_Texture::GLFramebuffer() {
    Validate();
    return glFramebuffer;
}

void c_Texture::Validate() {
    if (contextSeq == host_GLContextSeq) return;
    CreateGLTexture();
    if (data) LoadData(data);
}

void c_Texture::Rebuild() {
    CreateGLTexture();
    if (data) LoadData(data);
}

void c_Texture::CreateGLTexture() {
    contextSeq = host_GLContextSeq;
    GLuint name = 0;
    gl11.glGenTextures(1, &name);
    glTexture = name;
    const GLuint savedTexture = SavedBinding(GL_TEXTURE_BINDING_2D);
    gl11.glBindTexture(GL_TEXTURE_2D, glTexture);
    const gfx2_TextureParameters p = gfx2_TextureParametersOf(flags);
    gl11.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, p.magFilter);
    gl11.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, p.minFilter);
    if (p.wrapS) gl11.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, p.wrapS);
    if (p.wrapT) gl11.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, p.wrapT);
    gl11.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl11.glBindTexture(GL_TEXTURE_2D, savedTexture);

    if (!(flags & TextureFlags::RenderTarget)) return;
    GLuint fb = 0;
    gl_EntryPoints.glGenFramebuffers(1, &fb);
    glFramebuffer = fb;
    const GLuint savedFramebuffer = SavedBinding(GL_FRAMEBUFFER_BINDING);
    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, glFramebuffer);
    gl_EntryPoints.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, glTexture, 0);
    if (gl_EntryPoints.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        object_Error(String(u"Incomplete framebuffer"));
    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, savedFramebuffer);
}

void c_Texture::LoadData(Object *source) {
    if (contextSeq != host_GLContextSeq) Rebuild();
    // Only a data buffer holding the whole image is handed to GL: a shorter
    // one would make GL read past its end.
    const void *pixels = nullptr;
    if (c_DataBuffer *buffer = dynamic_cast<c_DataBuffer *>(source)) {
        if (buffer->data && buffer->length >= gfx2_TextureBytes(width, height)) pixels = buffer->data;
    }
    const GLuint saved = SavedBinding(GL_TEXTURE_BINDING_2D);
    gl11.glBindTexture(GL_TEXTURE_2D, glTexture);
    gl11.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    gl11.glBindTexture(GL_TEXTURE_2D, saved);
    UpdateMipmaps();
}

void c_Texture::UpdateMipmaps() {
    if (!(flags & TextureFlags::Mipmap) || contextSeq != host_GLContextSeq) return;
    const GLuint saved = SavedBinding(GL_TEXTURE_BINDING_2D);
    gl11.glBindTexture(GL_TEXTURE_2D, glTexture);
    gl_EntryPoints.glGenerateMipmap(GL_TEXTURE_2D);
    gl11.glBindTexture(GL_TEXTURE_2D, saved);
}

void c_Texture::ReadBack(int x, int y, int w, int h) {
    const int64_t bytes = gfx2_TextureBytes(width, height);
    if (!data || !data->data || data->length < bytes) return;
    if (w == width && h == height) {
        gl11.glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, data->data);
        return;
    }
    // Clipped to the texture, so that no row lands outside the pixels.
    int64_t x0 = x, y0 = y, x1 = static_cast<int64_t>(x) + w, y1 = static_cast<int64_t>(y) + h;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > width) x1 = width;
    if (y1 > height) y1 = height;
    if (x0 >= x1 || y0 >= y1) return;
    for (int64_t r = y0; r < y1; ++r) {
        unsigned char *row = data->data + (static_cast<int64_t>(width) * r + x0) * 4;
        gl11.glReadPixels(static_cast<GLint>(x0), static_cast<GLint>(r), static_cast<GLsizei>(x1 - x0), 1, GL_RGBA,
                          GL_UNSIGNED_BYTE, row);
    }
}

void c_Texture::Destroy() {
    if (contextSeq == host_GLContextSeq) {
        if (glTexture != 0) {
            GLuint name = glTexture;
            gl11.glDeleteTextures(1, &name);
        }
        if (glFramebuffer != 0) {
            GLuint name = glFramebuffer;
            gl_EntryPoints.glDeleteFramebuffers(1, &name);
        }
    }
    glTexture = 0;
    glFramebuffer = 0;
}

void c_Texture::Mark() { gc_Enqueue(data); }
