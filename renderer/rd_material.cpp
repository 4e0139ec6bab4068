#include "renderer/rd_material.h"

#include "renderer/rd_globals.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"

namespace {

const String &ColorTextureName() {
    static const String s(u"ColorTexture");
    return s;
}

}  // namespace

c_Material::c_Material()
    : m_shader(),
      m_inited(false),
      m_textures(gc_New<c_StringMap2>()->m_new()),
      m_colorTexture(),
      m_scalars(gc_New<c_StringMap4>()->m_new()),
      m_vectors(gc_New<c_StringMap5>()->m_new()) {}

c_Material *c_Material::m_new(c_Shader *shader) {
    gfx2_InitRenderer();
    if (!shader) shader = gfx2_DefaultShader;
    m_shader = shader;
    // The start-up makes the default shader; a material without any shader
    // simply has no parameters.
    if (shader) shader->InitMaterial(this);
    m_inited = true;
    return this;
}

c_Material *c_Material::Load(const String &path, int32_t texFlags, c_Shader *shader) {
    c_Material *material = gc_New<c_Material>()->m_new(shader);
    if (!material->m_shader) return nullptr;
    return material->m_shader->LoadMaterial(material, path, texFlags);
}

void c_Material::SetTexture(const String &name, c_Texture *texture) {
    if (!texture) return;
    c_Node6 *node = m_textures->FindNode(name);
    if (m_inited && !node) return;
    c_Texture *old = node ? node->value.get() : nullptr;
    texture->Retain();
    m_textures->Set(name, texture);
    if (old) old->Release();
    if (name == ColorTextureName()) m_colorTexture = texture;
}

void c_Material::SetScalar(const String &name, float value) {
    if (m_inited && !m_scalars->Contains(name)) return;
    m_scalars->Set(name, value);
}

void c_Material::SetVector(const String &name, const Array<float> &value) {
    if (m_inited && !m_vectors->Contains(name)) return;
    m_vectors->Set(name, value);
}

c_Texture *c_Material::GetTexture(const String &name, c_Texture *defaultValue) {
    c_Node6 *node = m_textures->FindNode(name);
    return node ? node->value.get() : defaultValue;
}

float c_Material::GetScalar(const String &name, float defaultValue) {
    c_Node8 *node = m_scalars->FindNode(name);
    return node ? node->value : defaultValue;
}

Array<float> c_Material::GetVector(const String &name, const Array<float> &defaultValue) {
    c_Node9 *node = m_vectors->FindNode(name);
    return node ? node->value.get() : defaultValue;
}

c_Shader *c_Material::Shader() { return m_shader; }

c_Texture *c_Material::ColorTexture() { return m_colorTexture; }

int32_t c_Material::Width() { return m_colorTexture ? m_colorTexture->Width() : 0; }

int32_t c_Material::Height() { return m_colorTexture ? m_colorTexture->Height() : 0; }

bool c_Material::Bind() {
    m_shader->Bind();
    if (gfx2_BoundMaterial.get() == this) return true;
    gfx2_BoundMaterial = this;
    // Samplers without a texture of their name get the white texture, and
    // vectors shorter than four floats are filled up from (1, 1, 1, 1): GL
    // reads four.
    gfx2_BoundProgram->SetMaterialUniforms(m_textures, m_scalars, m_vectors);
    return true;
}

void c_Material::Destroy() {
    for (c_Node6 *node = m_textures->FirstNode(); node; node = node->NextNode()) node->Value()->Release();
}

void c_Material::Mark() {
    gc_Enqueue(m_shader);
    gc_Enqueue(m_textures);
    gc_Enqueue(m_colorTexture);
    gc_Enqueue(m_scalars);
    gc_Enqueue(m_vectors);
}
