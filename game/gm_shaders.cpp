#include "game/gm_shaders.h"

#include "game/gm_assets.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"

namespace {

// The sharpness of both masks: a hard step at the threshold.
constexpr float kSharpness = 1e30f;

// The body of a data file; a missing file is reported and builds as "".
String Body(const char *name) { return game_LoadText(String(name)); }

}  // namespace

c_RedMaskShader *c_RedMaskShader::m_new() {
    c_Shader::m_new(Body("redmaskshader.glsl"));
    return this;
}

void c_RedMaskShader::InitMaterial(c_Material *material) {
    material->SetTexture(String(u"ColorTexture"), c_Texture::White());
    material->SetTexture(String(u"Mask"), c_Texture::White());
    material->SetScalar(String(u"Sharpness"), kSharpness);
}

c_AlphaMaskShader *c_AlphaMaskShader::m_new() {
    c_Shader::m_new(Body("alphamaskshader.glsl"));
    return this;
}

void c_AlphaMaskShader::InitMaterial(c_Material *material) {
    material->SetTexture(String(u"ColorTexture"), c_Texture::White());
    material->SetScalar(String(u"Sharpness"), kSharpness);
}

c_GradientShader *c_GradientShader::m_new() {
    c_Shader::m_new(Body("gradientfill.glsl"));
    return this;
}

void c_GradientShader::InitMaterial(c_Material *material) {
    material->SetTexture(String(u"ColorTexture"), c_Texture::White());
    material->SetTexture(String(u"GradientTexture"), c_Texture::White());
}

void game_SetMaskTexture(c_Material *material, c_Texture *texture) {
    if (material) material->SetTexture(String(u"Mask"), texture);
}

void game_SetMaskFromMaterial(c_Material *material, c_Material *other) {
    if (other) game_SetMaskTexture(material, other->ColorTexture());
}

void game_SetMaskFromImage(c_Material *material, c_Image2 *image) {
    if (image) game_SetMaskFromMaterial(material, image->Material());
}
