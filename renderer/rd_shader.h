// Shader programs.
//
// A shader (c_Shader) is a GLSL fragment body. It is never compiled on its
// own: the body goes into the one program template
// (gfx2_ProgramTemplate, "zentrova://data/vexo2_program.glsl") and is
// linked into one GL program per light count 0-4 (c_GLProgram), or into a
// single program shared by all five slots when the body uses no lighting.
//
// Template: a common part, then "//@vertex" and the vertex stage, then
// "//@fragment" and the fragment stage with "${SHADER}" where the body goes.
// Both stages start with "#define NUM_LIGHTS n" and one "#define NAME 1"
// per name the body uses: VXR_ + the upper-cased name for every gl_
// identifier (gl_FragColor gives VXR_GL_FRAGCOLOR) and the upper-cased name
// for every vxr_ identifier (vxr_Diffuse gives VXR_DIFFUSE). A body that
// uses vxr_Diffuse or vxr_Specular is lit and gets five programs.
//
// What the template of this renderer (data/vexo2_program.glsl) offers a
// body:
//   - inputs: vxr_Texcoord0 (vec2), vxr_Color (vec4, the vertex colour,
//     premultiplied, times GlobalColor), vxr_Position (vec3, view space),
//     vxr_Tangent (vec2, view space), and every standard uniform but
//     ShadowTexture;
//   - the body defines `void shader()`, which main calls;
//   - an unlit body writes gl_FragColor itself;
//   - a lit body sets vxr_Diffuse (vec4, premultiplied), and optionally
//     vxr_Specular (vec4), vxr_Normal (vec3, tangent space, default
//     (0, 0, 1)), vxr_Roughness (float, default 1) and vxr_Ambient (vec4, the
//     material's own ambient colour, default 0); the template writes
//     rgb = diffuse x (AmbientLight + vxr_Ambient) plus the lights, alpha =
//     the diffuse alpha.
// The renderer scans bodies with a tokenizer that knows no GLSL comments,
// so a body must not have the word "uniform", an unpaired double quote or
// an apostrophe in a comment. Material uniforms are declared in the body as
// "uniform <type> <Name>;" with type float, vec4 or sampler2D; the
// standard uniforms and the vertex attributes belong to the template.
//
// The materials (c_Material) are a class of their own that uses this one:
// c_Material::Bind is c_Shader::Bind of its shader; then, unless the
// material is gfx2_BoundMaterial already, gfx2_BoundMaterial = the material
// and gfx2_BoundProgram->SetMaterialUniforms(its textures, scalars,
// vectors); it returns true.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_map.h"
#include "runtime/rt_object.h"
#include "runtime/rt_set.h"
#include "runtime/rt_string.h"

class c_Material;
class c_Texture;

// The standard uniforms, in the order of c_GLProgram's locations.
enum : int32_t {
    gfx2_ModelViewProjectionMatrixUniform = 0,
    gfx2_ModelViewMatrixUniform,
    gfx2_ClipPosScaleUniform,
    gfx2_GlobalColorUniform,
    gfx2_FogColorUniform,
    gfx2_AmbientLightUniform,
    gfx2_LightColorsUniform,
    gfx2_LightVectorsUniform,
    gfx2_ShadowTextureUniform,
    gfx2_StandardUniformCount
};

// The texture unit of "ShadowTexture".
constexpr int32_t gfx2_ShadowTextureUnit = 7;

class c_GLUniform : public Object {
public:
    String m_name;
    int32_t m_location;
    // The array length GL reports.
    int32_t m_size;
    // The GL type enumerant.
    uint32_t m_type;

    c_GLUniform() : m_name(), m_location(0), m_size(0), m_type(0) {}
    c_GLUniform *m_new() { return this; }
    c_GLUniform *m_new(const String &name, int32_t location, int32_t size, uint32_t type);
};

class c_GLProgram : public Object {
public:
    uint32_t m_program;
    // The program's uniforms that the body declared, in GL's order.
    ArrayField<c_GLUniform *> m_matUniforms;
    // Locations of the standard uniforms (StandardUniforms order), -1
    // where the program has none.
    int32_t m_locations[gfx2_StandardUniformCount];

    static const char *const StandardUniforms[gfx2_StandardUniformCount];

    c_GLProgram() : m_program(0), m_matUniforms() {
        for (int32_t &location : m_locations) location = -1;
    }
    c_GLProgram *m_new() { return this; }
    // Stores both and looks up the standard uniforms' locations.
    c_GLProgram *m_new(uint32_t program, const Array<c_GLUniform *> &uniforms);

    // Makes the program current and sets the standard uniforms from the
    // renderer's globals; binds the shadow texture (or the white texture)
    // to unit 7.
    void Bind();
    // Sets every material uniform of the program from a material's values:
    // floats from `scalars` (1 when absent), vec4s from `vectors` ((1, 1, 1,
    // 1) when absent; a shorter vector is padded from it), samplers from
    // `textures` on units 0, 1, 2, ... (the white texture when absent). Any
    // other type is the run-time error "Unsupported uniform type: ...".
    void SetMaterialUniforms(c_StringMap2 *textures, c_StringMap4 *scalars, c_StringMap5 *vectors);

    void Mark() override;
};

class c_Shader : public Object {
public:
    String m_source;
    // The assembled stages, without the light count line.
    String m_vsource;
    String m_fsource;
    // Names the body declared with "uniform"; only ever added to.
    gc_ref<c_StringSet> m_uniformsDeclared;
    // By light count 0-4; null until built.
    ArrayField<c_GLProgram *> m_programs;
    gc_ref<c_Material> m_defaultMaterial;
    // host_GLContextSeq when the programs were built by a bind; 0 before.
    int32_t m_glContextSeq;

    // Makes the declared-uniform set and the five program slots.
    c_Shader();
    c_Shader *m_new() { return this; }
    // Stores the body and builds it.
    c_Shader *m_new(const String &source);

    void SetSource(const String &source);
    // Scans the body, assembles the stages and builds the programs.
    void Build();
    // Compiles and links one program for the light count.
    c_GLProgram *BuildProgram(int32_t numLights);
    // The program for gfx2_LightCount; rebuilds first under a new context.
    c_GLProgram *GLProgram();
    // Makes the program for gfx2_LightCount current unless it is already;
    // rebuilds first under a new context.
    void Bind();
    // One material of this shader, made on the first request.
    c_Material *DefaultMaterial();

    // What a new material of the shader gets: "ColorTexture" = white.
    virtual void InitMaterial(c_Material *material);
    // Fills a material from an image file: its "ColorTexture"; null when
    // the file does not load.
    virtual c_Material *LoadMaterial(c_Material *material, const String &path, int32_t texFlags);

    void Mark() override;
};

// --- The build's pure steps. ---

// Scans a body: the names of its "uniform" declarations go into
// `declared`; returns the set of definition names (VXR_...). A malformed
// declaration stops with the tokenizer's run-time errors.
c_StringSet *gfx2_ScanShaderBody(const String &source, c_StringSet *declared);
// "#define NAME 1\n" for every name, in ascending order.
String gfx2_ShaderDefinitions(c_StringSet *names);
// True when the definitions name VXR_DIFFUSE or VXR_SPECULAR.
bool gfx2_UsesLighting(const String &definitions);
// The two stage texts (without the light count line) from a template, the
// definitions and a body. The run-time error "Can't find //@vertex chunk"
// or "Can't find //@fragment chunk" when a marker is missing.
void gfx2_AssembleStages(const String &programTemplate, const String &definitions, const String &source,
                         String &vertex, String &fragment);
// "#define NUM_LIGHTS n\n".
String gfx2_LightCountLine(int32_t numLights);

// --- GL steps. ---

// Compiles one stage (type GL_VERTEX_SHADER or GL_FRAGMENT_SHADER); on
// failure prints the log and the numbered source and stops with "Compile
// fragment shader failed".
uint32_t gfx2_CompileShader(uint32_t type, const String &source);
// Links; on failure stops with "Failed to link program:" + the log.
void gfx2_LinkProgram(uint32_t program);
