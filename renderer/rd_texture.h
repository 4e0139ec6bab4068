// Textures: reference-counted GL textures of 8-bit RGBA pixels, and the
// reference-count base they share with materials.
//
// A texture makes its GL objects when it is created and records the GL
// context counter (host_GLContextSeq) under which it made them. After the
// host has created a new context, the next use through Validate,
// GLTexture, GLFramebuffer, LoadData or Rebuild makes new names and uploads
// the retained pixels again; the old names belonged to the old context and
// are forgotten, never deleted.
#pragma once

#include <cstdint>

#include "host/hx_databuffer.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// An explicit reference count on top of the collector. The count starts at
// 1; the release that drops it from 1 sets it to -1 and runs Destroy. Any
// Retain or Release at a count below 1 is the run-time error
// "Internal error".
class c_RefCounted : public Object {
public:
    int32_t refs;

    c_RefCounted() : refs(1) {}
    c_RefCounted *m_new() { return this; }

    void Retain();
    void Release();
    // Runs exactly once, from the Release that ends the count.
    virtual void Destroy() = 0;
};

namespace TextureFlags {
constexpr int32_t Filter = 1;        // linear magnification and minification
constexpr int32_t Mipmap = 2;        // mipmapped minification, regenerated after uploads
constexpr int32_t ClampS = 4;        // wrap S clamps to the edge
constexpr int32_t ClampT = 8;        // wrap T clamps to the edge
constexpr int32_t RenderTarget = 16; // a framebuffer with the texture as colour attachment 0
constexpr int32_t Managed = 256;     // keeps a pixel copy that canvases read their drawing back into
}  // namespace TextureFlags

class c_Texture : public c_RefCounted {
public:
    int32_t flags;
    int32_t width;
    int32_t height;
    int32_t format;
    // host_GLContextSeq when the GL objects were last made; 0 before.
    int32_t contextSeq;
    uint32_t glTexture;
    uint32_t glFramebuffer;
    // width x height x 4 bytes, the first row GL row 0, or null.
    gc_ref<c_DataBuffer> data;

    c_Texture()
        : flags(0), width(0), height(0), format(0), contextSeq(0), glTexture(0), glFramebuffer(0), data() {}

    // An empty texture. With Managed it retains a w x h buffer of opaque
    // magenta (0xFFFF00FF), which is not uploaded.
    c_Texture *m_new(int w, int h, int format, int flags);
    // A texture holding `data`, which it retains whatever the flags. Anything
    // but a data buffer of at least w x h x 4 bytes uploads no pixels.
    c_Texture *m_new(int w, int h, int format, int flags, Object *data);
    // The checks and fields, then the GL objects.
    c_Texture *Init(int w, int h, int format, int flags);

    // The image file at gfx2_FixDataPath(path), premultiplied and retained;
    // null when it is missing or does not decode.
    static c_Texture *Load(String path, int format, int flags);
    // The cached 1 x 1 texture of a colour word (red in the low byte),
    // flags ClampS + ClampT; made on first request and never released.
    static c_Texture *Color(int argb);
    static c_Texture *White();
    static c_Texture *Black();
    static c_Texture *Grey();

    int Flags();
    int Width();
    int Height();
    // Validate, then the name.
    uint32_t GLTexture();
    uint32_t GLFramebuffer();
    // Rebuilds when the GL context has changed since the objects were made.
    void Validate();
    // Makes new GL objects and uploads the retained pixels, if any.
    void Rebuild();
    // Uploads a whole image (see the constructor taking data), then the
    // mipmaps.
    void LoadData(Object *data);
    // With Mipmap, under the texture's own context: regenerates the mipmaps.
    void UpdateMipmaps();
    // New GL names for the texture (and its framebuffer for RenderTarget);
    // the old names are forgotten.
    void CreateGLTexture();
    // Copies the rectangle (x, y, w, h) of the framebuffer bound now into
    // the retained pixels at the same place: one read when the rectangle
    // has the texture's size, else row by row, clipped to the texture.
    // Nothing without retained pixels of the texture's full size. The
    // caller binds the framebuffer and regenerates the mipmaps.
    void ReadBack(int x, int y, int w, int h);

    void Destroy() override;
    void Mark() override;
};

// Premultiplies whole RGBA pixels in place: each colour byte becomes
// c x a / 255, truncated; a trailing partial pixel is left alone.
void gfx2_PremultiplyPixels(unsigned char *bytes, int64_t length);

// The sampling parameters a texture's flags choose. Wrap values of 0 leave
// GL's default (repeat) in place.
struct gfx2_TextureParameters {
    int32_t magFilter;
    int32_t minFilter;
    int32_t wrapS;
    int32_t wrapT;
};
gfx2_TextureParameters gfx2_TextureParametersOf(int flags);

// w x h x 4, or -1 for a size no texture can have (a negative side, or more
// bytes than a data buffer can hold).
int64_t gfx2_TextureBytes(int w, int h);

// The path unchanged when it starts with "." or "/", or when its first "/"
// directly follows the ":" of its first ":/" (a scheme or drive prefix);
// otherwise "zentrova://data/" + the path.
String gfx2_FixDataPath(String path);
