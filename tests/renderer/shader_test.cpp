// Shader programs against the recording fake GL: the body scan and its
// definitions, stage assembly, one or five programs, the rebuild on the
// first bind and after a context change, the standard and material
// uniforms, and the failure messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_map.h"
#include "runtime/rt_set.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"

namespace {

std::string Narrow(const String &s) { return std::string(String::CString(s).c_str()); }

// The set's keys in order.
std::vector<std::string> Keys(c_StringSet *set) {
    std::vector<std::string> out;
    c_KeyEnumerator *it = set->ObjectEnumerator();
    while (it->HasNext()) out.push_back(Narrow(it->NextObject()));
    return out;
}

// A POSIX extended regular expression matching `text` literally.
std::string Literal(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (std::string(".[]{}()*+?^$|\\").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}

// Runs f in a child and expects it to end in a run-time error whose console
// output contains `output` (the banner included).
template <class F>
void ExpectOutputAndExit(F f, const std::string &output) {
    rt_ExpectErrorExit(f, Literal(output));
}
// Expects the run-time error `message`, matched literally up to its line's
// end (the banner before it has no character that Literal escapes).
template <class F>
void ExpectRuntimeError(F f, const std::string &message) {
    rt_ExpectRuntimeError(f, Literal(message + "\n"));
}

// The name a logged glCreateShader / glCreateProgram call returned.
GLuint CreatedName(const std::string &line) {
    return static_cast<GLuint>(std::stoul(line.substr(line.rfind("-> ") + 3)));
}

std::vector<float> Floats(const float *v, int n) { return std::vector<float>(v, v + n); }

const char kTinyTemplate[] = "common\n//@vertex\nvertex\n//@fragment\nfragment\n${SHADER}\n";
const char16_t kUnlitBody[] = u"void shader() { gl_FragColor = vxr_Color; }";
const char16_t kLitBody[] = u"void shader() { vxr_Diffuse = vxr_Color; }";

class ShaderTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
    }

    static c_Shader *NewShader(const String &body) { return gc_New<c_Shader>()->m_new(body); }
    static int Compiles() { return FakeGl::Count("glCompileShader"); }
    // Both stages' sources of every program built so far, in order.
    static std::vector<std::string> Sources() {
        std::vector<std::string> out;
        for (const std::string &line : FakeGl::Calls("glCreateShader"))
            out.push_back(FakeGl::ShaderSource(CreatedName(line)));
        return out;
    }
};

// ---------------------------------------------------------------------------
// The body scan and the definitions

TEST_F(ShaderTest, ScanFindsDefinitionsAndDeclaredUniforms) {
    struct Case {
        const char *name;
        String body;
        std::vector<std::string> definitions;
        std::vector<std::string> uniforms;
    } cases[] = {
        {"no names", u"void shader() { float x = 1.0; }", {}, {}},
        {"gl_ and vxr_ names, upper-cased and sorted",
         u"uniform sampler2D ColorTexture;\n"
         u"void shader() { vxr_Specular = vec4(0.0); gl_FragColor = texture2D(ColorTexture, vxr_Texcoord0); "
         u"vxr_Diffuse = gl_FragCoord; gl_FragColor = vxr_Diffuse; }",
         {"VXR_DIFFUSE", "VXR_GL_FRAGCOLOR", "VXR_GL_FRAGCOORD", "VXR_SPECULAR", "VXR_TEXCOORD0"},
         {"ColorTexture"}},
        {"names inside // comments count", u"// uses gl_Position and vxr_Normal\n", {"VXR_GL_POSITION", "VXR_NORMAL"}, {}},
        {"only the exact prefixes", u"glx_A Gl_B GL_C vxrD VXR_E xgl_F gl_ vxr_", {"VXR_", "VXR_GL_"}, {}},
        {"quoted and apostrophe-commented names do not",
         u"\"gl_InQuotes\" 'vxr_InComment\nx", {}, {}},
        {"every declaration, wherever it is",
         u"uniform float Roughness; void f() {} uniform vec4 AmbientColor ; uniform sampler2D A;",
         {}, {"A", "AmbientColor", "Roughness"}},
        {"the declared type and name are not scanned", u"uniform gl_Type vxr_Name;", {}, {"vxr_Name"}},
    };
    for (const Case &c : cases) {
        c_StringSet *declared = gc_New<c_StringSet>()->m_new();
        c_StringSet *names = gfx2_ScanShaderBody(c.body, declared);
        EXPECT_EQ(Keys(names), c.definitions) << c.name;
        EXPECT_EQ(Keys(declared), c.uniforms) << c.name;
    }
}

TEST_F(ShaderTest, DefinitionsTextAndLighting) {
    c_StringSet *names = gc_New<c_StringSet>()->m_new();
    EXPECT_EQ(Narrow(gfx2_ShaderDefinitions(names)), "");
    names->Insert(String(u"VXR_SPECULAR"));
    names->Insert(String(u"VXR_GL_FRAGCOLOR"));
    names->Insert(String(u"VXR_SPECULAR"));
    String defs = gfx2_ShaderDefinitions(names);
    EXPECT_EQ(Narrow(defs), "#define VXR_GL_FRAGCOLOR 1\n#define VXR_SPECULAR 1\n");
    EXPECT_TRUE(gfx2_UsesLighting(defs));
    EXPECT_TRUE(gfx2_UsesLighting(String(u"#define VXR_DIFFUSE 1\n")));
    EXPECT_FALSE(gfx2_UsesLighting(String(u"#define VXR_GL_FRAGCOLOR 1\n#define VXR_COLOR 1\n")));
    EXPECT_EQ(Narrow(gfx2_LightCountLine(3)), "#define NUM_LIGHTS 3\n");
}

TEST_F(ShaderTest, MalformedDeclarationsStopTheScan) {
    struct Case {
        String body;
        std::string message;
    } cases[] = {
        {u"uniform vec4;", "Expecting identifier"},
        {u"uniform 4 x;", "Expecting identifier"},
        {u"uniform vec4 Colors[2];", "Expecting ';'"},
        {u"uniform lowp vec4 Tint;", "Expecting ';'"},
        {u"uniform vec4 Tint", "Expecting ';'"},
    };
    for (const Case &c : cases) {
        ExpectRuntimeError(
            [&] {
                c_StringSet *declared = gc_New<c_StringSet>()->m_new();
                gfx2_ScanShaderBody(c.body, declared);
            },
            c.message);
    }
}

// ---------------------------------------------------------------------------
// Assembly

TEST_F(ShaderTest, AssemblesBothStagesFromTheTemplate) {
    String vertex, fragment;
    gfx2_AssembleStages(String(u"C\n//@vertex\nV\n//@fragment\nF ${SHADER} and ${SHADER}\n"),
                        String(u"#define VXR_X 1\n"), String(u"BODY"), vertex, fragment);
    EXPECT_EQ(Narrow(vertex), "#define VXR_X 1\nC\n//@vertex\nV\n");
    EXPECT_EQ(Narrow(fragment), "#define VXR_X 1\nC\n//@fragment\nF BODY and BODY\n");

    // Markers in the wrong order: the common part runs up to "//@vertex",
    // the vertex chunk is empty, and the body replaces the placeholder only
    // in the text from "//@fragment" on.
    gfx2_AssembleStages(String(u"C ${SHADER}\n//@fragment\nF\n//@vertex\nV ${SHADER}\n"), String(),
                        String(u"BODY"), vertex, fragment);
    EXPECT_EQ(Narrow(vertex), "C ${SHADER}\n//@fragment\nF\n");
    EXPECT_EQ(Narrow(fragment), "C ${SHADER}\n//@fragment\nF\n//@fragment\nF\n//@vertex\nV BODY\n");
}

TEST_F(ShaderTest, MissingMarkers) {
    struct Case {
        const char *programTemplate;
        std::string message;
    } cases[] = {
        {"", "Can't find //@vertex chunk"},
        {"//@fragment\nF\n", "Can't find //@vertex chunk"},
        {"C\n//@vertex\nV\n", "Can't find //@fragment chunk"},
    };
    for (const Case &c : cases) {
        ExpectRuntimeError(
            [&] {
                String vertex, fragment;
                gfx2_AssembleStages(String(c.programTemplate), String(), String(), vertex, fragment);
            },
            c.message);
    }
    // A shader made without a template stops there.
    ExpectRuntimeError(
        [] {
            gfx2_ProgramTemplate = String();
            NewShader(String(kUnlitBody));
        },
        "Can't find //@vertex chunk");
}

// ---------------------------------------------------------------------------
// Building

TEST_F(ShaderTest, UnlitBodyBuildsOneProgramForAllSlots) {
    c_Shader *shader = NewShader(String(kUnlitBody));
    EXPECT_EQ(Compiles(), 2);
    EXPECT_EQ(FakeGl::Count("glCreateProgram"), 1);
    for (int n = 1; n < 5; ++n) EXPECT_EQ(shader->m_programs[n].get(), shader->m_programs[0].get());

    const std::string defs = "#define VXR_COLOR 1\n#define VXR_GL_FRAGCOLOR 1\n";
    EXPECT_EQ(Narrow(shader->m_vsource), defs + "common\n//@vertex\nvertex\n");
    EXPECT_EQ(Narrow(shader->m_fsource),
              defs + "common\n//@fragment\nfragment\nvoid shader() { gl_FragColor = vxr_Color; }\n");
    std::vector<std::string> sources = Sources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0], "#define NUM_LIGHTS 0\n" + Narrow(shader->m_vsource));
    EXPECT_EQ(sources[1], "#define NUM_LIGHTS 0\n" + Narrow(shader->m_fsource));
    EXPECT_EQ(shader->m_glContextSeq, 0);
}

TEST_F(ShaderTest, NoNamesMeansTheLightLineThenTheTemplate) {
    NewShader(String(u"void shader() {}"));
    std::vector<std::string> sources = Sources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0], "#define NUM_LIGHTS 0\ncommon\n//@vertex\nvertex\n");
    EXPECT_EQ(sources[1], "#define NUM_LIGHTS 0\ncommon\n//@fragment\nfragment\nvoid shader() {}\n");
}

TEST_F(ShaderTest, LitBodyBuildsFivePrograms) {
    c_Shader *shader = NewShader(String(kLitBody));
    EXPECT_EQ(Compiles(), 10);
    std::vector<c_GLProgram *> programs;
    for (int n = 0; n < 5; ++n) programs.push_back(shader->m_programs[n]);
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b) EXPECT_NE(programs[a]->m_program, programs[b]->m_program);

    std::vector<std::string> sources = Sources();
    ASSERT_EQ(sources.size(), 10u);
    for (int n = 0; n < 5; ++n) {
        std::string head = "#define NUM_LIGHTS " + std::to_string(n) + "\n#define VXR_COLOR 1\n#define VXR_DIFFUSE 1\n";
        EXPECT_EQ(sources[2 * n].substr(0, head.size()), head);
        EXPECT_EQ(sources[2 * n + 1].substr(0, head.size()), head);
        EXPECT_NE(sources[2 * n].find("//@vertex"), std::string::npos);
        EXPECT_NE(sources[2 * n + 1].find("vxr_Diffuse = vxr_Color;"), std::string::npos);
    }
}

TEST_F(ShaderTest, ProgramCallsInOrder) {
    NewShader(String(kUnlitBody));
    // Shaders and programs share one name counter in the fake: 1, 2, then 3.
    std::vector<std::string> expected = {
        "glAttachShader(3, 1)",
        "glAttachShader(3, 2)",
        "glDeleteShader(1)",
        "glDeleteShader(2)",
        "glBindAttribLocation(3, 0, \"Position\")",
        "glBindAttribLocation(3, 1, \"Texcoord0\")",
        "glBindAttribLocation(3, 2, \"Tangent\")",
        "glBindAttribLocation(3, 3, \"Color\")",
        "glLinkProgram(3)",
    };
    std::vector<std::string> seen;
    for (const std::string &line : FakeGl::Log()) {
        for (const char *f : {"glAttachShader", "glDeleteShader", "glBindAttribLocation", "glLinkProgram"})
            if (line.rfind(f, 0) == 0) seen.push_back(line);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(FakeGl::Count("glDeleteProgram"), 0);
}

TEST_F(ShaderTest, MaterialUniformsAreTheDeclaredActiveOnes) {
    FakeGl::SetUniforms(0, {
                               {"ModelViewMatrix", GL_FLOAT_MAT4, 1},
                               {"Tint", GL_FLOAT_VEC4, 1},
                               {"Undeclared", GL_FLOAT, 1},
                               {"ColorTexture", GL_SAMPLER_2D, 1, 9},
                           });
    c_Shader *shader = NewShader(String(
        u"uniform sampler2D ColorTexture; uniform vec4 Tint; uniform float Dropped;\n"
        u"void shader() { gl_FragColor = texture2D(ColorTexture, vxr_Texcoord0) * Tint; }"));
    c_GLProgram *program = shader->m_programs[0];
    ASSERT_EQ(program->m_matUniforms.Length(), 2);
    c_GLUniform *tint = program->m_matUniforms[0];
    c_GLUniform *color = program->m_matUniforms[1];
    EXPECT_EQ(Narrow(tint->m_name), "Tint");
    EXPECT_EQ(tint->m_location, 1);
    EXPECT_EQ(tint->m_size, 1);
    EXPECT_EQ(tint->m_type, static_cast<uint32_t>(GL_FLOAT_VEC4));
    EXPECT_EQ(Narrow(color->m_name), "ColorTexture");
    EXPECT_EQ(color->m_location, 9);
    EXPECT_EQ(color->m_type, static_cast<uint32_t>(GL_SAMPLER_2D));
    // The standard uniforms by name: the program has only ModelViewMatrix.
    for (int i = 0; i < gfx2_StandardUniformCount; ++i)
        EXPECT_EQ(program->m_locations[i], i == gfx2_ModelViewMatrixUniform ? 0 : -1) << i;
    // The declared set survives rebuilds and only grows.
    shader->SetSource(String(u"uniform float Other; void shader() {}"));
    EXPECT_EQ(Keys(shader->m_uniformsDeclared),
              (std::vector<std::string>{"ColorTexture", "Dropped", "Other", "Tint"}));
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(ShaderTest, CompileFailurePrintsLogAndNumberedSource) {
    // The vertex stage compiles, the fragment stage does not.
    const std::string output =
        "Failed to compile fragment shader:0:3: error: bad\n"
        "1:\t#define NUM_LIGHTS 0\n"
        "2:\tcommon\n"
        "3:\t//@fragment\n"
        "4:\tfragment\n"
        "5:\tvoid shader() {}\n"
        "6:\t\n"
        "Zentrova Runtime Error : Compile fragment shader failed\n";
    ExpectOutputAndExit(
        [] {
            FakeGl::ScriptCompile(true, "");
            FakeGl::ScriptCompile(false, "0:3: error: bad");
            NewShader(String(u"void shader() {}"));
        },
        output);
    // A failing vertex stage reports with the same words.
    ExpectOutputAndExit(
        [] {
            FakeGl::ScriptCompile(false, "vertex log");
            NewShader(String(u"void shader() {}"));
        },
        "Failed to compile fragment shader:vertex log\n1:\t#define NUM_LIGHTS 0\n2:\tcommon\n3:\t//@vertex\n"
        "4:\tvertex\n5:\t\nZentrova Runtime Error : Compile fragment shader failed\n");
}

TEST_F(ShaderTest, LinkFailure) {
    ExpectRuntimeError(
        [] {
            FakeGl::ScriptLink(false, "0: link went wrong");
            NewShader(String(kUnlitBody));
        },
        "Failed to link program:0: link went wrong");
    // A lit body fails on whichever program does not link.
    ExpectRuntimeError(
        [] {
            for (int i = 0; i < 3; ++i) FakeGl::ScriptLink(true, "");
            FakeGl::ScriptLink(false, "light count 3");
            NewShader(String(kLitBody));
        },
        "Failed to link program:light count 3");
}

// ---------------------------------------------------------------------------
// Binding

TEST_F(ShaderTest, FirstBindBuildsAgainThenBindsOnlyOnChange) {
    c_Shader *shader = NewShader(String(kUnlitBody));
    c_GLProgram *built = shader->m_programs[0];
    ASSERT_EQ(Compiles(), 2);

    shader->Bind();
    EXPECT_EQ(Compiles(), 4);
    EXPECT_EQ(shader->m_glContextSeq, 1);
    c_GLProgram *bound = shader->m_programs[0];
    EXPECT_NE(bound, built);
    EXPECT_EQ(gfx2_BoundProgram.get(), bound);
    EXPECT_EQ(FakeGl::Calls("glUseProgram"), std::vector<std::string>{"glUseProgram(" + std::to_string(bound->m_program) + ")"});

    // Bound already: nothing reaches GL.
    size_t calls = FakeGl::Log().size();
    shader->Bind();
    EXPECT_EQ(shader->GLProgram(), bound);
    EXPECT_EQ(FakeGl::Log().size(), calls);

    // Someone else cleared the bound program (a canvas validation).
    gfx2_BoundProgram = nullptr;
    shader->Bind();
    EXPECT_EQ(FakeGl::Count("glUseProgram"), 2);
    EXPECT_EQ(Compiles(), 4);

    // A new context: the next use builds again and forgets the old names.
    host_GLContextSeq = 2;
    c_GLProgram *fresh = shader->GLProgram();
    EXPECT_EQ(Compiles(), 6);
    EXPECT_NE(fresh, bound);
    EXPECT_EQ(gfx2_BoundProgram.get(), nullptr);
    EXPECT_EQ(FakeGl::Count("glDeleteProgram"), 0);
    shader->Bind();
    EXPECT_EQ(Compiles(), 6);
    EXPECT_EQ(gfx2_BoundProgram.get(), fresh);
}

TEST_F(ShaderTest, LightCountSelectsTheProgram) {
    c_Shader *shader = NewShader(String(kLitBody));
    shader->Bind();
    for (int n : {2, 4, 0, 3}) {
        gfx2_LightCount = n;
        shader->Bind();
        EXPECT_EQ(gfx2_BoundProgram.get(), shader->m_programs[n].get()) << n;
        EXPECT_EQ(shader->GLProgram(), shader->m_programs[n].get()) << n;
    }
    // Out of range never indexes past the slots.
    gfx2_LightCount = 9;
    EXPECT_EQ(shader->GLProgram(), shader->m_programs[4].get());
    gfx2_LightCount = -1;
    EXPECT_EQ(shader->GLProgram(), shader->m_programs[0].get());
}

TEST_F(ShaderTest, ProgramBindSetsStandardUniforms) {
    FakeGl::SetUniforms(0, {
                               {"ModelViewProjectionMatrix", GL_FLOAT_MAT4, 1},
                               {"ModelViewMatrix", GL_FLOAT_MAT4, 1},
                               {"ClipPosScale", GL_FLOAT_VEC4, 1},
                               {"GlobalColor", GL_FLOAT_VEC4, 1},
                               {"FogColor", GL_FLOAT_VEC4, 1},
                               {"AmbientLight", GL_FLOAT_VEC4, 1},
                               {"LightColors[0]", GL_FLOAT_VEC4, 4, 10},
                               {"LightVectors[0]", GL_FLOAT_VEC4, 4, 20},
                               {"ShadowTexture", GL_SAMPLER_2D, 1, 30},
                           });
    for (int i = 0; i < 16; ++i) {
        gfx2_ModelViewProjection[i] = static_cast<float>(i);
        gfx2_ModelView[i] = static_cast<float>(100 + i);
        gfx2_LightColors[i] = static_cast<float>(200 + i);
        gfx2_LightVectors[i] = static_cast<float>(300 + i);
    }
    gfx2_ClipPosScale[1] = -1.0f;
    gfx2_FogColor[3] = 0.5f;
    gfx2_AmbientLight[0] = 0.25f;
    gfx2_LightCount = 3;
    c_Shader *shader = NewShader(String(kLitBody));
    shader->Bind();
    c_GLProgram *program = gfx2_BoundProgram;
    ASSERT_EQ(program, shader->m_programs[3].get());
    GLuint p = program->m_program;
    EXPECT_EQ(FakeGl::Uniform(p, 0), Floats(gfx2_ModelViewProjection, 16));
    EXPECT_EQ(FakeGl::Uniform(p, 1), Floats(gfx2_ModelView, 16));
    EXPECT_EQ(FakeGl::Uniform(p, 2), (std::vector<float>{1, -1, 1, 1}));
    EXPECT_EQ(FakeGl::Uniform(p, 3), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(FakeGl::Uniform(p, 4), (std::vector<float>{0, 0, 0, 0.5f}));
    EXPECT_EQ(FakeGl::Uniform(p, 5), (std::vector<float>{0.25f, 0, 0, 1}));
    // Three lights: a count of 3, twelve floats each.
    EXPECT_EQ(FakeGl::Uniform(p, 10), Floats(gfx2_LightColors, 12));
    EXPECT_EQ(FakeGl::Uniform(p, 20), Floats(gfx2_LightVectors, 12));
    EXPECT_EQ(FakeGl::Calls("glUniformMatrix4fv")[0].substr(0, 34), "glUniformMatrix4fv(0, 1, GL_FALSE,");
}

TEST_F(ShaderTest, ShadowTextureUnitIsAlwaysSet) {
    FakeGl::SetUniforms(0, {{"ShadowTexture", GL_SAMPLER_2D, 1, 4}});
    c_Shader *shader = NewShader(String(kUnlitBody));
    c_GLProgram *program = shader->m_programs[0];
    c_Texture *white = c_Texture::White();

    // No shadow map: white on unit 7, and the sampler still points there.
    FakeGl::ClearLog();
    program->Bind();
    std::vector<std::string> units;
    for (const std::string &line : FakeGl::Log())
        if (line.rfind("glActiveTexture", 0) == 0 || line.rfind("glBindTexture", 0) == 0 ||
            line.rfind("glUniform1i", 0) == 0)
            units.push_back(line);
    EXPECT_EQ(units, (std::vector<std::string>{"glActiveTexture(GL_TEXTURE7)",
                                               "glBindTexture(GL_TEXTURE_2D, " + std::to_string(white->glTexture) + ")",
                                               "glUniform1i(4, 7)", "glActiveTexture(GL_TEXTURE0)"}));
    EXPECT_EQ(FakeGl::Uniform(program->m_program, 4), std::vector<float>{7});

    // A shadow map is bound instead; under a new context it is rebuilt
    // before it is bound.
    c_Texture *shadow = gc_New<c_Texture>()->m_new(4, 4, 4, 0);
    gfx2_ShadowTexture = shadow;
    host_GLContextSeq = 2;
    program->Bind();
    EXPECT_EQ(shadow->contextSeq, 2);
    EXPECT_EQ(FakeGl::Calls("glBindTexture").back(), "glBindTexture(GL_TEXTURE_2D, " + std::to_string(shadow->glTexture) + ")");
}

TEST_F(ShaderTest, ProgramWithoutShadowSamplerGetsWhiteOnUnit7) {
    c_Shader *shader = NewShader(String(kUnlitBody));
    gfx2_ShadowTexture = gc_New<c_Texture>()->m_new(4, 4, 4, 0);
    FakeGl::ClearLog();
    shader->m_programs[0]->Bind();
    EXPECT_EQ(FakeGl::Count("glUniform1i"), 0);
    EXPECT_EQ(FakeGl::Calls("glBindTexture").back(),
              "glBindTexture(GL_TEXTURE_2D, " + std::to_string(c_Texture::White()->glTexture) + ")");
    EXPECT_EQ(FakeGl::Calls("glActiveTexture").back(), "glActiveTexture(GL_TEXTURE0)");
}

TEST_F(ShaderTest, MaterialUniformValues) {
    FakeGl::SetUniforms(0, {
                               {"ColorTexture", GL_SAMPLER_2D, 1},
                               {"Weight", GL_FLOAT, 1},
                               {"Roughness", GL_FLOAT, 1},
                               {"Tint", GL_FLOAT_VEC4, 1},
                               {"Short", GL_FLOAT_VEC4, 1},
                               {"Empty", GL_FLOAT_VEC4, 1},
                               {"Absent", GL_FLOAT_VEC4, 1},
                               {"NormalTexture", GL_SAMPLER_2D, 1},
                           });
    c_Shader *shader = NewShader(String(
        u"uniform sampler2D ColorTexture; uniform float Weight; uniform float Roughness; uniform vec4 Tint;\n"
        u"uniform vec4 Short; uniform vec4 Empty; uniform vec4 Absent; uniform sampler2D NormalTexture;\n"
        u"void shader() {}"));
    shader->Bind();
    GLuint p = gfx2_BoundProgram->m_program;

    c_Texture *colour = gc_New<c_Texture>()->m_new(2, 2, 4, 0);
    c_StringMap2 *textures = gc_New<c_StringMap2>()->m_new();
    textures->Set(String(u"ColorTexture"), colour);
    c_StringMap4 *scalars = gc_New<c_StringMap4>()->m_new();
    scalars->Set(String(u"Weight"), 0.0f);
    c_StringMap5 *vectors = gc_New<c_StringMap5>()->m_new();
    Array<float> tint(4), shortVector(2);
    for (int i = 0; i < 4; ++i) tint[i] = 0.125f * static_cast<float>(i + 1);
    shortVector[0] = 0.5f;
    shortVector[1] = 0.75f;
    vectors->Set(String(u"Tint"), tint);
    vectors->Set(String(u"Short"), shortVector);
    vectors->Set(String(u"Empty"), Array<float>());

    FakeGl::ClearLog();
    gfx2_BoundProgram->SetMaterialUniforms(textures, scalars, vectors);
    // A stored 0 is a value; an absent scalar is 1.
    EXPECT_EQ(FakeGl::Uniform(p, 1), std::vector<float>{0});
    EXPECT_EQ(FakeGl::Uniform(p, 2), std::vector<float>{1});
    EXPECT_EQ(FakeGl::Uniform(p, 3), (std::vector<float>{0.125f, 0.25f, 0.375f, 0.5f}));
    // Short and empty vectors are filled up from (1, 1, 1, 1).
    EXPECT_EQ(FakeGl::Uniform(p, 4), (std::vector<float>{0.5f, 0.75f, 1, 1}));
    EXPECT_EQ(FakeGl::Uniform(p, 5), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(FakeGl::Uniform(p, 6), (std::vector<float>{1, 1, 1, 1}));
    // Samplers take units 0 and 1 in list order; a texture the material
    // lacks is white. Unit 0 is active again at the end.
    EXPECT_EQ(FakeGl::Uniform(p, 0), std::vector<float>{0});
    EXPECT_EQ(FakeGl::Uniform(p, 7), std::vector<float>{1});
    std::vector<std::string> binds;
    for (const std::string &line : FakeGl::Log())
        if (line.rfind("glActiveTexture", 0) == 0 || line.rfind("glBindTexture", 0) == 0) binds.push_back(line);
    EXPECT_EQ(binds, (std::vector<std::string>{
                         "glActiveTexture(GL_TEXTURE0)",
                         "glBindTexture(GL_TEXTURE_2D, " + std::to_string(colour->glTexture) + ")",
                         "glActiveTexture(GL_TEXTURE1)",
                         "glBindTexture(GL_TEXTURE_2D, " + std::to_string(c_Texture::White()->glTexture) + ")",
                         "glActiveTexture(GL_TEXTURE0)",
                     }));
}

TEST_F(ShaderTest, MaterialUniformsWithoutSamplersLeaveTheTextureUnit) {
    FakeGl::SetUniforms(0, {{"Weight", GL_FLOAT, 1}});
    c_Shader *shader = NewShader(String(u"uniform float Weight; void shader() {}"));
    shader->Bind();
    FakeGl::ClearLog();
    gfx2_BoundProgram->SetMaterialUniforms(nullptr, nullptr, nullptr);
    EXPECT_EQ(FakeGl::Log(), std::vector<std::string>{"glUniform1f(0, 1)"});
}

TEST_F(ShaderTest, UnsupportedUniformType) {
    ExpectRuntimeError(
        [] {
            FakeGl::SetUniforms(0, {{"Weight", GL_FLOAT, 1}, {"Pad", GL_FLOAT, 1}, {"Offset", GL_FLOAT_VEC2, 1}});
            c_Shader *shader = NewShader(String(u"uniform float Weight; uniform vec2 Offset; void shader() {}"));
            shader->Bind();
            gfx2_BoundProgram->SetMaterialUniforms(nullptr, nullptr, nullptr);
        },
        "Unsupported uniform type: name=Offset, location=2, size=1, type=35664");
}

// ---------------------------------------------------------------------------
// Collection

gc_ref<c_Shader> g_rootShader;
void MarkRootShader() { gc_Enqueue(g_rootShader); }

bool Unreachable(gc_object *o) {
    for (gc_object *p = gc_UnreachableList.next; p != &gc_UnreachableList; p = p->next)
        if (p == o) return true;
    return false;
}

TEST_F(ShaderTest, ShaderKeepsItsProgramsAndUniformsAlive) {
    FakeGl::SetUniforms(0, {{"Tint", GL_FLOAT_VEC4, 1}});
    c_Shader *shader = NewShader(String(u"uniform vec4 Tint; void shader() { vxr_Diffuse = Tint; }"));
    g_rootShader = shader;
    gc_SetRoots(MarkRootShader);
    c_GLProgram *lit = shader->m_programs[4];
    c_GLUniform *tint = lit->m_matUniforms[0];
    Object *garbage = gc_New<Object>()->m_new();
    gc_MarkGlobals();
    gc_CollectAll();
    EXPECT_FALSE(Unreachable(shader));
    EXPECT_FALSE(Unreachable(shader->m_uniformsDeclared.get()));
    EXPECT_FALSE(Unreachable(lit));
    EXPECT_FALSE(Unreachable(tint));
    EXPECT_TRUE(Unreachable(garbage));
    g_rootShader = nullptr;
}

}  // namespace
