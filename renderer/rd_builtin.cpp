#include "renderer/rd_builtin.h"

#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_math.h"

namespace {


// The suffixes of the three groups, each tried in this order.
const char *const kSuffixes[3][4] = {
    {"", "_d", "_diff", "_diffuse"},
    {"_s", "_spec", "_specular", "_SPECULAR"},
    {"_n", "_norm", "_normal", "_NORMALS"},
};

// The first candidate of the group that loads, or null.
c_Texture *LoadFirst(const String &path, int group, int32_t texFlags) {
    Array<String> names = gfx2_BumpTextureCandidates(path, group);
    for (int i = 0; i < names.Length(); ++i) {
        if (c_Texture *texture = c_Texture::Load(names[i], 4, texFlags)) return texture;
    }
    return nullptr;
}

}  // namespace

Array<String> gfx2_BumpTextureCandidates(const String &path, int group) {
    if (group < 0 || group > 2) return Array<String>();
    String ext = filepath_ExtractExt(path);
    String base = path;
    if (ext.Empty()) {
        ext = String(u"png");
    } else {
        base = filepath_StripExt(path);
    }
    const String dot(u".");
    Array<String> names(4);
    for (int i = 0; i < 4; ++i) {
        names[i] = base + String(kSuffixes[group][i]) + dot + ext;
    }
    return names;
}

void c_BumpShader::InitMaterial(c_Material *material) {
    material->SetTexture(String(u"ColorTexture"), c_Texture::White());
    material->SetTexture(String(u"SpecularTexture"), c_Texture::Black());
    material->SetTexture(String(u"NormalTexture"), c_Texture::Grey());
    material->SetVector(String(u"AmbientColor"), array_Of<float>({1, 1, 1, 1}));
    material->SetScalar(String(u"Roughness"), 1.0f);
}

c_Material *c_BumpShader::LoadMaterial(c_Material *material, const String &path, int32_t texFlags) {
    c_Texture *colour = LoadFirst(path, 0, texFlags);
    c_Texture *specular = LoadFirst(path, 1, texFlags);
    c_Texture *normal = LoadFirst(path, 2, texFlags);
    if (!colour && !specular && !normal) return nullptr;

    // A texture that did not load is null, which keeps the default.
    material->SetTexture(String(u"ColorTexture"), colour);
    material->SetTexture(String(u"SpecularTexture"), specular);
    material->SetTexture(String(u"NormalTexture"), normal);
    if (normal || specular) {
        material->SetVector(String(u"AmbientColor"), array_Of<float>({0, 0, 0, 1}));
        material->SetScalar(String(u"Roughness"), 0.5f);
    }
    // The material holds the only references now.
    if (colour) colour->Release();
    if (specular) specular->Release();
    if (normal) normal->Release();
    return material;
}

void c_MatteShader::InitMaterial(c_Material *material) {
    material->SetTexture(String(u"ColorTexture"), c_Texture::White());
    material->SetVector(String(u"AmbientColor"), array_Of<float>({0, 0, 0, 1}));
    material->SetScalar(String(u"Roughness"), 1.0f);
}
