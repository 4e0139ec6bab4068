// The game's three shaders: the red mask of the iceberg's faces and
// outline, the alpha mask of the ship sprites, and the gradient that
// colours the grey-level sea. Each loads its body from the data folder and
// gives every new material of it its parameters (the only ones the game can
// change afterwards):
//
//   class              body                    ColorTexture  Mask   GradientTexture  Sharpness
//   c_RedMaskShader    "redmaskshader.glsl"    white         white  -                1e30
//   c_AlphaMaskShader  "alphamaskshader.glsl"  white         -      -                1e30
//   c_GradientShader   "gradientfill.glsl"     white         -      white            -
//
// What the bodies compute (texel = ColorTexture at the fragment, as loaded:
// premultiplied; the vertex alpha is the drawing alpha, the iceberg's tier
// alpha or the ship's sinking alpha; every output is premultiplied):
//   red mask:   texel x clamp((vertex alpha - Mask.red) x Sharpness, 0, 1)
//               a pixel shows while the mask's red lies below the alpha, so
//               a lower alpha shows a smaller core of the image;
//   alpha mask: (texel.rgb / texel.a, 1) x clamp((texel.a - (1 - vertex
//               alpha)) x Sharpness, 0, 1): the hull opaque in its straight
//               colour where its alpha (the dissolve order) exceeds 1 -
//               the vertex alpha; afloat (alpha 1) every texel above 0;
//   gradient:   GradientTexture at (ColorTexture.red, 0.5) x vertex colour:
//               the ramp's colour at the target's grey level (0 deep, 0.5
//               calm, 1 foam).
// With Sharpness 1e30 both masks are hard steps.
#pragma once

#include "renderer/rd_shader.h"

class c_Image2;
class c_Material;
class c_Texture;

// The masks' common base; never made itself.
class c_MaskShader : public c_Shader {
public:
    c_MaskShader *m_new() { return this; }
};

class c_RedMaskShader : public c_MaskShader {
public:
    // The body of "redmaskshader.glsl", built.
    c_RedMaskShader *m_new();
    void InitMaterial(c_Material *material) override;
};

class c_AlphaMaskShader : public c_MaskShader {
public:
    // The body of "alphamaskshader.glsl", built.
    c_AlphaMaskShader *m_new();
    void InitMaterial(c_Material *material) override;
};

class c_GradientShader : public c_Shader {
public:
    // The body of "gradientfill.glsl", built.
    c_GradientShader *m_new();
    void InitMaterial(c_Material *material) override;
};

// The material's "Mask" texture (ignored by a material without one).
void game_SetMaskTexture(c_Material *material, c_Texture *texture);
// The same from another material's or an image's colour texture.
void game_SetMaskFromMaterial(c_Material *material, c_Material *other);
void game_SetMaskFromImage(c_Material *material, c_Image2 *image);
