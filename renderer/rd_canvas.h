// The canvas: a draw list bound to a place to draw into.
//
// A canvas draws into the window, a render-target texture, or a
// render-target image (a frame of such a texture). Besides the draw list it
// holds the GL state its drawing needs: viewport and scissor, projection,
// view and model matrices, ambient light, fog, four lights, a shadow map,
// line width and colour mask. Setters record what changed as dirty bits;
// Validate puts them into GL and makes the canvas the one current canvas
// (gfx2_CurrentCanvas). Making another canvas current first flushes the
// previous one, so drawing reaches GL in the order the canvases were used.
//
// Coordinates: the window's canvas draws with y pointing down (its
// projection is flipped by gfx2_FlipMatrix, and gfx2_ClipPosScale.y is -1);
// a texture canvas has no flip, so y = 0 of its drawing is GL row 0, the
// first row of the texture's pixels (gfx2_ClipPosScale.y is +1).
//
// Flushing a canvas whose target texture is Managed reads the drawing back
// into the texture's retained pixels (only the image's frame for an image
// target), so the pixels survive a new GL context. The read-back is
// clipped to the texture and skipped when the retained buffer is missing or
// shorter than the texture.
#pragma once

#include <cstdint>

#include "renderer/rd_drawlist.h"
#include "renderer/rd_light.h"
#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"

class c_Image2;
class c_Texture;

// What a canvas has to put into GL again at its next validation.
namespace CanvasDirtyBits {
constexpr int32_t Framebuffer = 1;      // the target texture's framebuffer, or the window's
constexpr int32_t ViewportScissor = 2;  // viewport and scissor
constexpr int32_t Shader = 4;           // matrices, ambient, fog, lights, shadow texture
constexpr int32_t LineWidth = 8;
constexpr int32_t ColorMask = 16;
constexpr int32_t All = -1;
}  // namespace CanvasDirtyBits

class c_Canvas : public c_DrawList {
public:
    // CanvasDirtyBits; all at creation.
    int32_t m_dirty;
    // The four light slots.
    ArrayField<c_LightData *> m_lights;
    // host_GLContextSeq the canvas last validated under; 0 at creation.
    int32_t m_contextSeq;
    // Null for the window.
    gc_ref<c_Texture> m_targetTexture;
    // The drawing area: the image's, the texture's or the window's size.
    int32_t m_width;
    int32_t m_height;
    // The whole texture (or the window).
    int32_t m_targetWidth;
    int32_t m_targetHeight;
    gc_ref<c_Image2> m_targetImage;
    // (x, y, w, h) in pixels of the drawing area, y = 0 the top row of the
    // window or row 0 of a texture.
    ArrayField<int32_t> m_viewport;
    // The viewport in framebuffer pixels, as passed to glViewport.
    int32_t m_computedViewport[4];
    // (x, y, w, h) relative to the viewport.
    ArrayField<int32_t> m_scissor;
    // In framebuffer pixels.
    int32_t m_computedScissor[4];
    // No scissor test is active, but the viewport does not cover the whole
    // target: Clear scissors itself to the viewport.
    bool m_clearNeedsScissor;
    // 4x4, column-major (element 4c + r is row r of column c).
    ArrayField<float> m_projection;
    ArrayField<float> m_view;
    ArrayField<float> m_model;
    ArrayField<float> m_ambientLight;
    ArrayField<float> m_fogColor;
    gc_ref<c_Image2> m_shadowMap;
    float m_lineWidth;
    // Red, green, blue, alpha.
    ArrayField<bool> m_colorMask;

    // The fields' first values: viewport (0, 0, 640, 480), scissor (0, 0,
    // 10000, 10000), identity matrices, ambient (0, 0, 0, 1), no fog, line
    // width 1, every colour channel written, everything dirty.
    c_Canvas();
    // A canvas on the window: the window's cached size, viewport over all
    // of it, projection (0, width, 0, height, -1, 1).
    c_Canvas *m_new();
    // The same on a render target: a c_Image2 or c_Texture with the
    // RenderTarget flag, or null for the window.
    c_Canvas *m_new(Object *target);
    // Everything dirty; four new lights (all off).
    c_Canvas *Init();

    // When the list holds vertices: Validate, render them, reset the list.
    // Every setter below does this first.
    void FlushPrims();
    // Validate, render what is pending, reset the list.
    void ValidateAndFlush();
    // Null (the window), a c_Image2 or a c_Texture; the texture must be a
    // render target ("Texture is not a render target texture"), anything
    // else is "RenderTarget object must an Image, a Texture or Null". Sizes
    // follow the target; viewport, scissor and projection stay.
    void SetRenderTarget(Object *target);
    void SetViewport(int32_t x, int32_t y, int32_t w, int32_t h);
    // Relative to the viewport, clipped to it at validation.
    void SetScissor(int32_t x, int32_t y, int32_t w, int32_t h);
    // y = t maps to -1 and y = b to +1 before the window's flip.
    void SetProjection2d(float l, float r, float t, float b, float zn, float zf);
    // Clears the colour buffer within the viewport (and scissor).
    void Clear(float r, float g, float b, float a);
    // Makes the canvas current (flushing the previous current canvas) and
    // puts its dirty state into GL.
    void Validate();
    // Renders what is pending; for a target texture then regenerates its
    // mipmaps, reading the drawing back first when it is Managed.
    void Flush() override;

    void Mark() override;

private:
    // The viewport and scissor in framebuffer pixels, glViewport and the
    // scissor test.
    void ApplyViewportScissor();
    // Projection, matrices, ambient, fog, lights and shadow texture into
    // the renderer's globals.
    void ApplyShaderEnvironment();
    // The window's size from the app layer's cached device size.
    void TakeWindowSize();
    // Copies the drawing back into the Managed target texture's pixels.
    void ReadBack();
};
