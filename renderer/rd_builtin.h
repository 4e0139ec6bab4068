// The renderer's built-in shader classes.
//
// Every shader gives the materials made for it their parameters and
// defaults (InitMaterial) and knows how to fill a material from an image
// path (LoadMaterial). The base versions (rd_shader.cpp) give a material
// "ColorTexture" = white and load the one image named by the path. The two
// classes here change that:
//
//   class          ColorTexture  SpecularTexture  NormalTexture  AmbientColor   Roughness
//   c_MatteShader  white         -                -              (0, 0, 0, 1)   1.0
//   c_BumpShader   white         black            grey           (1, 1, 1, 1)   1.0
//
// The bump shader loads a colour, a specular and a normal texture from one
// path by file-name suffixes (gfx2_BumpTextureCandidates).
//
// The start-up builds five shaders from the data folder: the fast, shadow
// and lightmap shaders are plain c_Shader objects, "vexo2_bumpshader.glsl"
// is a c_BumpShader (also the default shader: materials made with a null
// shader, so every image loaded without one, are bump materials) and
// "vexo2_matteshader.glsl" a c_MatteShader.
#pragma once

#include <cstdint>

#include "renderer/rd_shader.h"
#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

class c_BumpShader : public c_Shader {
public:
    c_BumpShader *m_new() { return this; }
    c_BumpShader *m_new(const String &source) {
        c_Shader::m_new(source);
        return this;
    }

    void InitMaterial(c_Material *material) override;
    // The colour, specular and normal textures by the suffix rules; null
    // when none of them loads. A normal or specular texture makes the
    // material's "AmbientColor" (0, 0, 0, 1) and "Roughness" 0.5.
    c_Material *LoadMaterial(c_Material *material, const String &path, int32_t texFlags) override;
};

class c_MatteShader : public c_Shader {
public:
    c_MatteShader *m_new() { return this; }
    c_MatteShader *m_new(const String &source) {
        c_Shader::m_new(source);
        return this;
    }

    void InitMaterial(c_Material *material) override;
};

// The file names the bump shader tries for one texture of `path`, in order:
// group 0 the colour texture, 1 the specular, 2 the normal texture (any
// other group: none). The extension is the path's own, "png" when it has
// none.
Array<String> gfx2_BumpTextureCandidates(const String &path, int group);
