// Images: a rectangular frame of a material's colour texture and a handle.
//
// An image owns no pixels. It refers to a material (without taking a
// reference of its own) and reads the size of that material's colour texture
// (the texture stored under "ColorTexture") to turn its frame into texture
// coordinates. The handle is the point of the frame that lands on the
// drawing position; the vertex rectangle (x0, x1, y0, y1) is the frame
// relative to that point, in pixels. Sprites, the frames of sprite strips,
// font pages and off-screen render targets are all images.
//
// Every load by path filters the caller's texture flags through the global
// ImageFlagsMask (one of the renderer's globals, rd_globals.h) at the
// moment of the load: (flags & mask) | ClampS | ClampT, and render targets
// (flags & mask) | ClampS | ClampT | RenderTarget.
#pragma once

#include <cstdint>

#include "renderer/rd_globals.h"
#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Material;
class c_Shader;
class c_ShadowCaster;
class c_Texture;

class c_Image2 : public Object {
public:
    // Frame size in pixels.
    int32_t m_width;
    int32_t m_height;
    // The material whose colour texture holds the frame (no reference taken).
    gc_ref<c_Material> m_material;
    // The vertex rectangle: the frame's edges relative to the drawing
    // position, derived from the handle.
    float m_x0;
    float m_x1;
    float m_y0;
    float m_y1;
    // The frame's top-left corner in the colour texture, in pixels, and the
    // texture coordinates of its edges.
    int32_t m_frameX;
    float m_s0;
    int32_t m_frameY;
    float m_t0;
    float m_s1;
    float m_t1;
    // Added to a draw list's shadow casters whenever the image is drawn;
    // null unless set by its user.
    gc_ref<c_ShadowCaster> m_shadowCaster;

    c_Image2()
        : m_width(0), m_height(0), m_material(), m_x0(-1), m_x1(1), m_y0(-1), m_y1(1), m_frameX(0), m_s0(0),
          m_frameY(0), m_t0(0), m_s1(1), m_t1(1), m_shadowCaster() {}

    c_Image2 *m_new() { return this; }
    // The whole colour texture of a material. The run-time error "Material
    // has no ColorTexture" when the material (or its colour texture) is
    // missing.
    c_Image2 *m_new(c_Material *material, float xh, float yh);
    // A w x h frame at (x, y) of a material's colour texture (same check);
    // the frame is not compared with the texture's size.
    c_Image2 *m_new(c_Material *material, int32_t x, int32_t y, int32_t w, int32_t h, float xh, float yh);
    // A w x h frame at (x, y) within another image's frame, sharing its
    // material. A source without a material is the run-time error "Material
    // has no ColorTexture".
    c_Image2 *m_new(c_Image2 *image, int32_t x, int32_t y, int32_t w, int32_t h, float xh, float yh);
    // A w x h render target: a new texture (flags through the mask, plus
    // ClampS, ClampT and RenderTarget) as the only colour texture of a new
    // material of the fast shader. Runs the renderer's start-up.
    c_Image2 *m_new(int32_t w, int32_t h, float xh, float yh, int32_t flags);

    // A new image over a newly loaded material (null shader: the default
    // shader); null when the file does not load.
    static c_Image2 *Load(const String &path, float xh, float yh, int32_t flags, c_Shader *shader);
    // Load with the handle centred horizontally.
    static c_Image2 *LoadCentered(const String &path, float yh, int32_t flags, c_Shader *shader);
    // numFrames images side by side across the width of one newly loaded
    // material, each the full texture height; with `padded` every frame is
    // inset by one pixel on the left and right. The empty array when the file
    // does not load or numFrames is below 1.
    static Array<c_Image2 *> LoadFrames(const String &path, int32_t numFrames, bool padded, float xh, float yh,
                                        int32_t flags, c_Shader *shader);
    // A strip of 9 unpadded, centred frames (the ships' view directions).
    static Array<c_Image2 *> LoadFrames9(const String &path, int32_t flags, c_Shader *shader);

    // Sets the handle as fractions of the frame size ((0, 0) the top-left
    // corner, (1, 1) the bottom-right one) and recomputes the texture
    // coordinates.
    void SetHandle(float hx, float hy);
    // Moves the handle onto a whole pixel, rounding toward zero.
    void SnapHandle();
    float HandleX();
    float HandleY();
    int32_t Width();
    int32_t Height();
    c_Material *Material();
    static void SetFlagsMask(int32_t mask);

    // The colour texture of an image used as a canvas target. The run-time
    // error "Texture is not a render target texture" when the image has no
    // material, no colour texture, or one without the RenderTarget flag.
    c_Texture *RenderTargetTexture();

    void Mark() override;

private:
    // The shared part of the two initialisers that start from a material.
    c_Image2 *InitFrame(c_Material *material, int32_t x, int32_t y, int32_t w, int32_t h, float xh, float yh);
};
