#include "renderer/rd_shader.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "renderer/rd_tokenizer.h"
#include "runtime/rt_error.h"
#include "runtime/rt_stack.h"

const char *const c_GLProgram::StandardUniforms[gfx2_StandardUniformCount] = {
    "ModelViewProjectionMatrix", "ModelViewMatrix", "ClipPosScale", "GlobalColor",  "FogColor",
    "AmbientLight",              "LightColors",     "LightVectors", "ShadowTexture",
};

namespace {

constexpr int32_t kMaxLights = 4;

// The program slot and light-array count for gfx2_LightCount. The canvas
// keeps it within 0-4; anything else must not index past the slots or the
// light arrays.
int32_t LightSlot() {
    int32_t n = gfx2_LightCount;
    if (n < 0) return 0;
    if (n > kMaxLights) return kMaxLights;
    return n;
}

// A texture's name under the current context, rebuilding it first when it
// was made under an older one.
GLuint TextureName(c_Texture *texture) { return texture->GLTexture(); }

const String &UniformKeyword() {
    static const String s(u"uniform");
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Pure steps

c_StringSet *gfx2_ScanShaderBody(const String &source, c_StringSet *declared) {
    c_StringSet *names = gc_New<c_StringSet>()->m_new();
    c_GlslParser *parser = gc_New<c_GlslParser>()->m_new(source);
    const String gl(u"gl_");
    const String vxr(u"vxr_");
    const String vxrPrefix(u"VXR_");
    const String semicolon(u";");
    while (!parser->Token().Empty()) {
        if (parser->Token() == UniformKeyword()) {
            parser->Bump();
            parser->ParseIdent();  // the type
            String name = parser->ParseIdent();
            parser->Expect(semicolon);
            declared->Insert(name);
        } else if (parser->m_tokenType == parser_TokenIdent) {
            String ident = parser->ParseToken();
            if (ident.StartsWith(gl)) {
                names->Insert(vxrPrefix + ident.ToUpper());
            } else if (ident.StartsWith(vxr)) {
                names->Insert(ident.ToUpper());
            }
        } else {
            parser->Bump();
        }
    }
    return names;
}

String gfx2_ShaderDefinitions(c_StringSet *names) {
    String out;
    const String define(u"#define ");
    const String one(u" 1\n");
    c_KeyEnumerator *it = names->ObjectEnumerator();
    while (it->HasNext()) out = out + define + it->NextObject() + one;
    return out;
}

bool gfx2_UsesLighting(const String &definitions) {
    return definitions.Find(String(u"VXR_DIFFUSE")) != -1 || definitions.Find(String(u"VXR_SPECULAR")) != -1;
}

void gfx2_AssembleStages(const String &programTemplate, const String &definitions, const String &source,
                         String &vertex, String &fragment) {
    int v = programTemplate.Find(String(u"//@vertex"));
    if (v == -1) object_Error(String(u"Can't find //@vertex chunk"));
    int f = programTemplate.Find(String(u"//@fragment"));
    if (f == -1) object_Error(String(u"Can't find //@fragment chunk"));
    String common = programTemplate.Slice(0, v);
    vertex = definitions + common + programTemplate.Slice(v, f);
    fragment = definitions + common + programTemplate.Slice(f).Replace(String(u"${SHADER}"), source);
}

String gfx2_LightCountLine(int32_t numLights) {
    return String(u"#define NUM_LIGHTS ") + String(numLights) + String(u"\n");
}

// ---------------------------------------------------------------------------
// Compiling and linking

uint32_t gfx2_CompileShader(uint32_t type, const String &source) {
    GLuint shader = gl_EntryPoints.glCreateShader(type);
    gl_ShaderSource(shader, source);
    gl_EntryPoints.glCompileShader(shader);
    gfx2_StatusScratch[0] = 0;
    gl_EntryPoints.glGetShaderiv(shader, GL_COMPILE_STATUS, gfx2_StatusScratch);
    if (gfx2_StatusScratch[0] != 0) return shader;

    // The same words for either stage.
    lang_Print(String(u"Failed to compile fragment shader:") + gl_GetShaderInfoLog(shader));
    Array<String> lines = source.Split(String(u"\n"));
    const String separator(u":\t");
    for (int i = 0; i < lines.Length(); ++i) lang_Print(String(i + 1) + separator + lines[i]);
    object_Error(String(u"Compile fragment shader failed"));
}

void gfx2_LinkProgram(uint32_t program) {
    gl_EntryPoints.glLinkProgram(program);
    gfx2_StatusScratch[0] = 0;
    gl_EntryPoints.glGetProgramiv(program, GL_LINK_STATUS, gfx2_StatusScratch);
    if (gfx2_StatusScratch[0] == 0) object_Error(String(u"Failed to link program:") + gl_GetProgramInfoLog(program));
}

// ---------------------------------------------------------------------------
// c_GLUniform, c_GLProgram

c_GLUniform *c_GLUniform::m_new(const String &name, int32_t location, int32_t size, uint32_t type) {
    m_name = name;
    m_location = location;
    m_size = size;
    m_type = type;
    return this;
}

c_GLProgram *c_GLProgram::m_new(uint32_t program, const Array<c_GLUniform *> &uniforms) {
    m_program = program;
    m_matUniforms = uniforms;
    for (int i = 0; i < gfx2_StandardUniformCount; ++i)
        m_locations[i] = gl_GetUniformLocation(program, String(StandardUniforms[i]));
    return this;
}

void c_GLProgram::Bind() {
    gl_EntryPoints.glUseProgram(m_program);
    if (m_locations[gfx2_ModelViewProjectionMatrixUniform] != -1)
        gl_EntryPoints.glUniformMatrix4fv(m_locations[gfx2_ModelViewProjectionMatrixUniform], 1, GL_FALSE,
                                          gfx2_ModelViewProjection);
    if (m_locations[gfx2_ModelViewMatrixUniform] != -1)
        gl_EntryPoints.glUniformMatrix4fv(m_locations[gfx2_ModelViewMatrixUniform], 1, GL_FALSE, gfx2_ModelView);
    if (m_locations[gfx2_ClipPosScaleUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_ClipPosScaleUniform], 1, gfx2_ClipPosScale);
    if (m_locations[gfx2_GlobalColorUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_GlobalColorUniform], 1, gfx2_GlobalColor);
    if (m_locations[gfx2_FogColorUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_FogColorUniform], 1, gfx2_FogColor);
    if (m_locations[gfx2_AmbientLightUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_AmbientLightUniform], 1, gfx2_AmbientLight);
    int32_t lights = LightSlot();
    if (m_locations[gfx2_LightColorsUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_LightColorsUniform], lights, gfx2_LightColors);
    if (m_locations[gfx2_LightVectorsUniform] != -1)
        gl_EntryPoints.glUniform4fv(m_locations[gfx2_LightVectorsUniform], lights, gfx2_LightVectors);

    // Unit 7 always holds a texture: the shadow map when there is one and
    // the program samples it, else white. The sampler is pointed at unit 7
    // whenever the program has it; left unset it would sample unit 0.
    gl_EntryPoints.glActiveTexture(GL_TEXTURE0 + gfx2_ShadowTextureUnit);
    int32_t shadowLoc = m_locations[gfx2_ShadowTextureUniform];
    c_Texture *shadow = (shadowLoc != -1 && gfx2_ShadowTexture) ? gfx2_ShadowTexture.get() : c_Texture::White();
    gl11.glBindTexture(GL_TEXTURE_2D, TextureName(shadow));
    if (shadowLoc != -1) gl_EntryPoints.glUniform1i(shadowLoc, gfx2_ShadowTextureUnit);
    gl_EntryPoints.glActiveTexture(GL_TEXTURE0);
}

void c_GLProgram::SetMaterialUniforms(c_StringMap2 *textures, c_StringMap4 *scalars, c_StringMap5 *vectors) {
    int32_t unit = 0;
    for (int i = 0; i < m_matUniforms.Length(); ++i) {
        c_GLUniform *u = m_matUniforms[i];
        switch (u->m_type) {
        case GL_FLOAT: {
            c_Node8 *node = scalars ? scalars->FindNode(u->m_name) : nullptr;
            gl_EntryPoints.glUniform1f(u->m_location, node ? node->value : 1.0f);
            break;
        }
        case GL_FLOAT_VEC4: {
            // Missing components come from (1, 1, 1, 1): GL reads four.
            float v[4] = {1.0f, 1.0f, 1.0f, 1.0f};
            c_Node9 *node = vectors ? vectors->FindNode(u->m_name) : nullptr;
            if (node) {
                const Array<float> &stored = node->value.get();
                int n = stored.Length() < 4 ? stored.Length() : 4;
                for (int k = 0; k < n; ++k) v[k] = stored[k];
            }
            gl_EntryPoints.glUniform4fv(u->m_location, 1, v);
            break;
        }
        case GL_SAMPLER_2D: {
            // A sampler the material has no texture for samples white.
            c_Texture *texture = textures ? textures->Get(u->m_name) : nullptr;
            if (!texture) texture = c_Texture::White();
            gl_EntryPoints.glActiveTexture(GL_TEXTURE0 + unit);
            gl11.glBindTexture(GL_TEXTURE_2D, TextureName(texture));
            gl_EntryPoints.glUniform1i(u->m_location, unit);
            ++unit;
            break;
        }
        default:
            object_Error(String(u"Unsupported uniform type: name=") + u->m_name + String(u", location=") +
                         String(u->m_location) + String(u", size=") + String(u->m_size) + String(u", type=") +
                         String(static_cast<int>(u->m_type)));
        }
    }
    if (unit > 0) gl_EntryPoints.glActiveTexture(GL_TEXTURE0);
}

void c_GLProgram::Mark() { gc_Enqueue(m_matUniforms); }

// ---------------------------------------------------------------------------
// c_Shader

c_Shader::c_Shader()
    : m_source(),
      m_vsource(),
      m_fsource(),
      m_uniformsDeclared(gc_New<c_StringSet>()->m_new()),
      m_programs(Array<c_GLProgram *>(5)),
      m_defaultMaterial(),
      m_glContextSeq(0) {}

c_Shader *c_Shader::m_new(const String &source) {
    m_source = source;
    Build();
    return this;
}

void c_Shader::SetSource(const String &source) {
    m_source = source;
    Build();
}

void c_Shader::Build() {
    gfx2_InitRenderer();
    c_StringSet *names = gfx2_ScanShaderBody(m_source, m_uniformsDeclared);
    String definitions = gfx2_ShaderDefinitions(names);
    gfx2_AssembleStages(gfx2_ProgramTemplate, definitions, m_source, m_vsource, m_fsource);

    m_programs[0] = BuildProgram(0);
    if (!gfx2_UsesLighting(definitions)) {
        for (int n = 1; n <= kMaxLights; ++n) m_programs[n] = m_programs[0].get();
        return;
    }
    for (int n = 1; n <= kMaxLights; ++n) m_programs[n] = BuildProgram(n);
}

c_GLProgram *c_Shader::BuildProgram(int32_t numLights) {
    String head = gfx2_LightCountLine(numLights);
    GLuint vs = gfx2_CompileShader(GL_VERTEX_SHADER, head + m_vsource);
    GLuint fs = gfx2_CompileShader(GL_FRAGMENT_SHADER, head + m_fsource);

    GLuint program = gl_EntryPoints.glCreateProgram();
    gl_EntryPoints.glAttachShader(program, vs);
    gl_EntryPoints.glAttachShader(program, fs);
    gl_EntryPoints.glDeleteShader(vs);
    gl_EntryPoints.glDeleteShader(fs);

    gl_BindAttribLocation(program, 0, String(u"Position"));
    gl_BindAttribLocation(program, 1, String(u"Texcoord0"));
    gl_BindAttribLocation(program, 2, String(u"Tangent"));
    gl_BindAttribLocation(program, 3, String(u"Color"));
    gfx2_LinkProgram(program);

    gfx2_StatusScratch[0] = 0;
    gl_EntryPoints.glGetProgramiv(program, GL_ACTIVE_UNIFORMS, gfx2_StatusScratch);
    int32_t count = gfx2_StatusScratch[0];
    c_Stack2 *uniforms = gc_New<c_Stack2>()->m_new();
    for (int32_t i = 0; i < count; ++i) {
        GLchar buffer[1024];
        buffer[0] = 0;
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        gl_EntryPoints.glGetActiveUniform(program, static_cast<GLuint>(i), 1024, &length, &size, &type, buffer);
        buffer[1023] = 0;
        String name(buffer);
        if (!m_uniformsDeclared->Contains(name)) continue;
        GLint location = gl_GetUniformLocation(program, name);
        if (location == -1) continue;
        uniforms->Push(gc_New<c_GLUniform>()->m_new(name, location, size, type));
    }
    return gc_New<c_GLProgram>()->m_new(program, uniforms->ToArray());
}

c_GLProgram *c_Shader::GLProgram() {
    if (m_glContextSeq != host_GLContextSeq) {
        m_glContextSeq = host_GLContextSeq;
        gfx2_BoundProgram = nullptr;
        Build();
    }
    return m_programs[LightSlot()];
}

void c_Shader::Bind() {
    if (m_glContextSeq != host_GLContextSeq) {
        m_glContextSeq = host_GLContextSeq;
        gfx2_BoundProgram = nullptr;
        Build();
    }
    c_GLProgram *program = m_programs[LightSlot()];
    if (program == gfx2_BoundProgram.get()) return;
    gfx2_BoundProgram = program;
    gfx2_BoundMaterial = nullptr;
    program->Bind();
}

c_Material *c_Shader::DefaultMaterial() {
    if (!m_defaultMaterial) m_defaultMaterial = gc_New<c_Material>()->m_new(this);
    return m_defaultMaterial;
}

void c_Shader::InitMaterial(c_Material *material) { material->SetTexture(String(u"ColorTexture"), c_Texture::White()); }

c_Material *c_Shader::LoadMaterial(c_Material *material, const String &path, int32_t texFlags) {
    c_Texture *texture = c_Texture::Load(path, 4, texFlags);
    if (!texture) return nullptr;
    material->SetTexture(String(u"ColorTexture"), texture);
    // The material holds the only reference now.
    texture->Release();
    return material;
}

void c_Shader::Mark() {
    gc_Enqueue(m_uniformsDeclared);
    gc_Enqueue(m_programs);
    gc_Enqueue(m_defaultMaterial);
}

