// Shader programs against a real GL context (Mesa under a private X
// server): the program template of the data folder with a small lit and a
// small unlit body compiles and links for every light count and draws
// texture x vertex colour; a body that does not compile prints the log and
// its numbered source and ends in the run-time error.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_map.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/gl_window.h"

namespace {

const char16_t kLitBody[] =
    u"uniform sampler2D ColorTexture;\n"
    u"uniform vec4 AmbientColor;\n"
    u"uniform float Roughness;\n"
    u"void shader() {\n"
    u"    vxr_Diffuse = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;\n"
    u"    vxr_Specular = vec4(0.25);\n"
    u"    vxr_Ambient = AmbientColor;\n"
    u"    vxr_Roughness = Roughness;\n"
    u"}\n";

const char16_t kUnlitBody[] =
    u"uniform sampler2D ColorTexture;\n"
    u"void shader() {\n"
    u"    gl_FragColor = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;\n"
    u"}\n";

std::string Narrow(const String &s) { return std::string(String::CString(s).c_str()); }

// The program template as laid out in the data folder beside the tests.
String LoadTemplate() {
    std::string path = host_ExecutableFolder() + "/data/vexo2_program.glsl";
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return String();
    String text = String::Load(f);
    std::fclose(f);
    return text;
}

struct Vertex {
    float x, y, u, v, tx, ty;
    uint8_t colour[4];
};
static_assert(sizeof(Vertex) == 28, "the renderer's vertex record");

class ShaderGlTest : public GlWindowTest<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl11_Reset();
        gfx2_ResetPlainGlobals();
        gfx2_Started = true;
        gfx2_ColorTextureCache = gc_New<c_IntMap4>()->m_new();
        gfx2_ProgramTemplate = LoadTemplate();
        ASSERT_NE(gfx2_ProgramTemplate.Find(String(u"//@fragment")), -1) << "no program template in the data folder";
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        test_ClearRendererGlobals();
        gl_EntryPoints.glUseProgram(0);
        RuntimeTest::TearDown();
    }

    static GLint ProgramParam(GLuint program, GLenum pname) {
        GLint value = 0;
        gl_EntryPoints.glGetProgramiv(program, pname, &value);
        return value;
    }

    // Draws a full-target quad of one vertex colour with `material`'s
    // values through the bound program into a 4 x 4 render target, and
    // returns the pixel at its centre.
    static std::vector<uint8_t> DrawQuad(c_StringMap2 *textures, c_StringMap4 *scalars, c_StringMap5 *vectors,
                                         const uint8_t colour[4]) {
        c_Texture *target = gc_New<c_Texture>()->m_new(4, 4, 4, TextureFlags::RenderTarget);
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, target->GLFramebuffer());
        glViewport(0, 0, 4, 4);
        glDisable(GL_BLEND);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);

        gfx2_BoundProgram->SetMaterialUniforms(textures, scalars, vectors);
        Vertex quad[4] = {
            {-1, -1, 0, 0, 1, 0, {}}, {1, -1, 1, 0, 1, 0, {}}, {1, 1, 1, 1, 1, 0, {}}, {-1, 1, 0, 1, 1, 0, {}}};
        for (Vertex &v : quad) std::memcpy(v.colour, colour, 4);
        GLuint buffer = 0;
        gl_EntryPoints.glGenBuffers(1, &buffer);
        gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, buffer);
        gl_EntryPoints.glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
        const GLint sizes[4] = {2, 2, 2, 4};
        for (GLuint a = 0; a < 4; ++a) {
            gl_EntryPoints.glEnableVertexAttribArray(a);
            gl_EntryPoints.glVertexAttribPointer(a, sizes[a], a == 3 ? GL_UNSIGNED_BYTE : GL_FLOAT, a == 3, 28,
                                                 reinterpret_cast<const void *>(static_cast<uintptr_t>(a * 8)));
        }
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        std::vector<uint8_t> pixel(4, 0xEE);
        glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl_EntryPoints.glDeleteBuffers(1, &buffer);
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixel;
    }
};

TEST_F(ShaderGlTest, LitBodyLinksForEveryLightCount) {
    c_Shader *shader = gc_New<c_Shader>()->m_new(String(kLitBody));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int n = 0; n < 5; ++n) {
        c_GLProgram *program = shader->m_programs[n];
        ASSERT_NE(program, nullptr);
        EXPECT_EQ(ProgramParam(program->m_program, GL_LINK_STATUS), GL_TRUE) << n;
        for (int k = 0; k < n; ++k) EXPECT_NE(program->m_program, shader->m_programs[k]->m_program);
        std::vector<std::string> names;
        for (int i = 0; i < program->m_matUniforms.Length(); ++i) names.push_back(Narrow(program->m_matUniforms[i]->m_name));
        std::sort(names.begin(), names.end());
        // Without lights the roughness is never read: the compiler drops it
        // and it is not in the list.
        std::vector<std::string> expected = {"AmbientColor", "ColorTexture"};
        if (n > 0) expected.push_back("Roughness");
        EXPECT_EQ(names, expected) << n;
        EXPECT_NE(program->m_locations[gfx2_ModelViewProjectionMatrixUniform], -1) << n;
        EXPECT_NE(program->m_locations[gfx2_AmbientLightUniform], -1) << n;
        // The light arrays and the shadow map exist only with lights.
        EXPECT_EQ(program->m_locations[gfx2_LightColorsUniform] != -1, n > 0) << n;
        EXPECT_EQ(program->m_locations[gfx2_LightVectorsUniform] != -1, n > 0) << n;
        EXPECT_EQ(program->m_locations[gfx2_ShadowTextureUniform] != -1, n > 0) << n;
    }
    // Binding each light count's program sets its uniforms without GL
    // errors, and the shadow sampler reads unit 7.
    for (int n = 0; n < 5; ++n) {
        gfx2_LightCount = n;
        shader->Bind();
        c_GLProgram *program = gfx2_BoundProgram;
        ASSERT_EQ(program, shader->m_programs[n].get());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << n;
        if (n > 0) {
            GLint unit = -1;
            gl_EntryPoints.glGetUniformiv(program->m_program, program->m_locations[gfx2_ShadowTextureUniform], &unit);
            EXPECT_EQ(unit, 7) << n;
        }
    }
}

TEST_F(ShaderGlTest, UnlitBodyLinksOneProgram) {
    c_Shader *shader = gc_New<c_Shader>()->m_new(String(kUnlitBody));
    c_GLProgram *program = shader->m_programs[0];
    EXPECT_EQ(ProgramParam(program->m_program, GL_LINK_STATUS), GL_TRUE);
    for (int n = 1; n < 5; ++n) EXPECT_EQ(shader->m_programs[n].get(), program);
    ASSERT_EQ(program->m_matUniforms.Length(), 1);
    EXPECT_EQ(Narrow(program->m_matUniforms[0]->m_name), "ColorTexture");
    EXPECT_EQ(program->m_matUniforms[0]->m_type, static_cast<uint32_t>(GL_SAMPLER_2D));
    EXPECT_EQ(program->m_locations[gfx2_LightColorsUniform], -1);
}

// With no lights a lit body draws diffuse x (ambient light + the material's
// ambient colour) and keeps the diffuse alpha: the defaults of a bump
// material (ambient colour 1, ambient light 0) give texture x vertex colour.
// The unlit body computes the same product itself.
TEST_F(ShaderGlTest, DrawsTextureTimesVertexColour) {
    c_Texture *texture = c_Texture::Color(static_cast<int>(0xFF204080u));  // r 0x80, g 0x40, b 0x20
    c_StringMap2 *textures = gc_New<c_StringMap2>()->m_new();
    textures->Set(String(u"ColorTexture"), texture);
    c_StringMap4 *scalars = gc_New<c_StringMap4>()->m_new();
    scalars->Set(String(u"Roughness"), 1.0f);
    c_StringMap5 *vectors = gc_New<c_StringMap5>()->m_new();
    Array<float> one(4);
    for (int i = 0; i < 4; ++i) one[i] = 1.0f;
    vectors->Set(String(u"AmbientColor"), one);

    const uint8_t opaque[4] = {255, 128, 64, 255};
    const std::vector<uint8_t> expected = {128, 32, 8, 255};
    for (const String &body : {String(kLitBody), String(kUnlitBody)}) {
        c_Shader *shader = gc_New<c_Shader>()->m_new(body);
        // Light count 1 with a black light adds nothing.
        for (int n : {0, 1}) {
            gfx2_LightCount = n;
            shader->Bind();
            std::vector<uint8_t> pixel = DrawQuad(textures, scalars, vectors, opaque);
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(pixel[c], expected[c], 1) << "lights " << n << " channel " << c;
        }
    }

    // Half-transparent premultiplied colour: alpha stays 0.5 (it is not
    // added to by the ambient terms).
    c_Texture *white = c_Texture::White();
    textures->Set(String(u"ColorTexture"), white);
    gfx2_LightCount = 0;
    gc_New<c_Shader>()->m_new(String(kLitBody))->Bind();
    const uint8_t half[4] = {128, 64, 0, 128};
    std::vector<uint8_t> pixel = DrawQuad(textures, scalars, vectors, half);
    EXPECT_NEAR(pixel[0], 128, 1);
    EXPECT_NEAR(pixel[1], 64, 1);
    EXPECT_NEAR(pixel[2], 0, 1);
    EXPECT_NEAR(pixel[3], 128, 1);

    // The matte defaults (ambient colour 0, ambient light 0) draw black.
    Array<float> black(4);
    black[3] = 1.0f;
    vectors->Set(String(u"AmbientColor"), black);
    pixel = DrawQuad(textures, scalars, vectors, half);
    EXPECT_EQ(pixel, (std::vector<uint8_t>{0, 0, 0, 128}));
}

TEST_F(ShaderGlTest, BrokenBodyPrintsLogAndStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!std::freopen("/dev/null", "r", stdin)) _exit(1);
            dup2(2, 1);
            gc_New<c_Shader>()->m_new(String(u"void shader() {\n    this is not glsl;\n}\n"));
            _exit(0);
        },
        ::testing::ExitedWithCode(255),
        "Failed to compile fragment shader:.*\n"
        "1:\t#define NUM_LIGHTS 0\n"
        "2:\t#ifdef GL_ES\n"
        ".*\tvoid shader\\(\\) \\{\n"
        "[0-9]+:\t    this is not glsl;\n"
        ".*Zentrova Runtime Error : Compile fragment shader failed\n");
}

}  // namespace
