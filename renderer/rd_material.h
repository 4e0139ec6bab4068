// Materials: what a draw operation is drawn with.
//
// A material is one shader and the values of that shader's inputs, by
// name: textures, float scalars and float vectors. The set of names is
// fixed by the shader when the material is made: its InitMaterial stores
// the defaults, which creates the names, and from then on the setters change
// only existing names and ignore every other one. A value reaches the GPU
// only under the name of a material uniform that the shader body declares.
//
// Materials and textures carry explicit reference counts on top of the
// collector. A material holds one reference to every texture stored in it
// (a texture stored under two names, two references) and gives them all
// back when its own count ends.
#pragma once

#include <cstdint>

#include "renderer/rd_texture.h"
#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_map.h"
#include "runtime/rt_string.h"

class c_Shader;

class c_Material : public c_RefCounted {
public:
    gc_ref<c_Shader> m_shader;
    // False while the shader's InitMaterial declares the parameters.
    bool m_inited;
    // Name -> texture; each entry holds one reference owned by the material.
    gc_ref<c_StringMap2> m_textures;
    // The texture last stored under "ColorTexture" (no reference of its own).
    gc_ref<c_Texture> m_colorTexture;
    gc_ref<c_StringMap4> m_scalars;
    gc_ref<c_StringMap5> m_vectors;

    c_Material();
    c_Material *m_new() { return this; }
    // Starts the renderer, then lets the shader (null: gfx2_DefaultShader)
    // declare the parameters with their defaults. Count 1.
    c_Material *m_new(c_Shader *shader);

    // A new material of `shader` (null: the default shader) filled from the
    // image at `path` by the shader's LoadMaterial; null when the image is
    // missing or does not decode.
    static c_Material *Load(const String &path, int32_t texFlags, c_Shader *shader);

    // Stores `texture` under an existing name (any name while the shader
    // declares them): retains the new texture, then releases the old one.
    // A null texture changes nothing.
    void SetTexture(const String &name, c_Texture *texture);
    void SetScalar(const String &name, float value);
    // Stores the array itself: later changes to it are seen by the material.
    void SetVector(const String &name, const Array<float> &value);
    c_Texture *GetTexture(const String &name, c_Texture *defaultValue);
    float GetScalar(const String &name, float defaultValue);
    Array<float> GetVector(const String &name, const Array<float> &defaultValue);

    c_Shader *Shader();
    c_Texture *ColorTexture();
    // The colour texture's size; 0 without one.
    int32_t Width();
    int32_t Height();

    // Makes the material current for drawing: binds its shader's program
    // for gfx2_LightCount and, unless the material is gfx2_BoundMaterial
    // already, sets every material uniform of that program. Always true.
    bool Bind();

    // Releases every stored texture once, in ascending name order.
    void Destroy() override;
    void Mark() override;
};
