// The renderer's start-up against a real GL context (Mesa under a private
// X server), on the data folder laid out beside the tests: every shipped
// GLSL body compiles and links with the program template for each light
// count it is built for, the start-up builds the five built-in shaders, and
// an image loaded without a shader (a default bump material, no lights)
// draws exactly its texture colour.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_builtin.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_set.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/frame_dump.h"
#include "tests/support/gl_window.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A text file of the data folder beside the test.
String DataText(const std::string &name) {
    FILE *f = std::fopen((host_ExecutableFolder() + "/data/" + name).c_str(), "rb");
    if (!f) return String();
    String text = String::Load(f);
    std::fclose(f);
    return text;
}

// Compiles one stage; "" when it compiled, else the info log.
std::string CompileError(GLenum type, const String &source, GLuint *shader) {
    *shader = gl_EntryPoints.glCreateShader(type);
    gl_ShaderSource(*shader, source);
    gl_EntryPoints.glCompileShader(*shader);
    GLint ok = 0;
    gl_EntryPoints.glGetShaderiv(*shader, GL_COMPILE_STATUS, &ok);
    return ok ? std::string() : "compile: " + host_ToUtf8(gl_GetShaderInfoLog(*shader));
}

// Compiles and links both stages for one light count; "" when both worked.
std::string BuildError(const String &vertex, const String &fragment, int lights) {
    const String head = gfx2_LightCountLine(lights);
    GLuint vs = 0, fs = 0;
    std::string error = CompileError(GL_VERTEX_SHADER, head + vertex, &vs);
    if (error.empty()) error = CompileError(GL_FRAGMENT_SHADER, head + fragment, &fs);
    if (error.empty()) {
        GLuint program = gl_EntryPoints.glCreateProgram();
        gl_EntryPoints.glAttachShader(program, vs);
        gl_EntryPoints.glAttachShader(program, fs);
        const char *attributes[4] = {"Position", "Texcoord0", "Tangent", "Color"};
        for (GLuint a = 0; a < 4; ++a) gl_BindAttribLocation(program, a, String(attributes[a]));
        gl_EntryPoints.glLinkProgram(program);
        GLint ok = 0;
        gl_EntryPoints.glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) error = "link: " + host_ToUtf8(gl_GetProgramInfoLog(program));
        gl_EntryPoints.glDeleteProgram(program);
    }
    if (vs) gl_EntryPoints.glDeleteShader(vs);
    if (fs) gl_EntryPoints.glDeleteShader(fs);
    return error;
}

GLint LinkStatus(c_GLProgram *program) {
    GLint ok = 0;
    gl_EntryPoints.glGetProgramiv(program->m_program, GL_LINK_STATUS, &ok);
    return ok;
}

static_assert(sizeof(gfx2_Vertex) == gfx2_VertexBytes, "the renderer's vertex record");

class StartupGlTest : public GlWindowTest<> {
protected:
    HxZentrovaGame *game = nullptr;
    FrameDump readFrames;  // every frame read back, as PNGs when the test fails

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl11_Reset();
        gfx2_InitGlobals();
        game = new HxZentrovaGame();
        app_Game = game;
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        gl_EntryPoints.glUseProgram(0);
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        test_ClearRendererGlobals();
        app_Game = nullptr;
        delete game;
        RuntimeTest::TearDown();
    }
};

TEST_F(StartupGlTest, ShippedBodiesCompileAndLinkForEveryLightCount) {
    const String programTemplate = DataText("vexo2_program.glsl");
    ASSERT_NE(programTemplate.Find(String(u"${SHADER}")), -1) << "no program template in the data folder";
    const struct {
        const char *file;
        bool lit;
    } bodies[] = {
        {"vexo2_fastshader.glsl", false},   {"vexo2_bumpshader.glsl", true},
        {"vexo2_matteshader.glsl", true},   {"vexo2_shadowshader.glsl", false},
        {"vexo2_lightmapshader.glsl", false},
    };
    for (const auto &b : bodies) {
        const String body = DataText(b.file);
        ASSERT_FALSE(body.Empty()) << b.file;
        c_StringSet *declared = gc_New<c_StringSet>()->m_new();
        const String definitions = gfx2_ShaderDefinitions(gfx2_ScanShaderBody(body, declared));
        EXPECT_EQ(gfx2_UsesLighting(definitions), b.lit) << b.file;
        // Every sampler a body declares is a texture its class gives a
        // default; "ColorTexture" is in every body.
        EXPECT_TRUE(declared->Contains(String(u"ColorTexture"))) << b.file;
        String vertex, fragment;
        gfx2_AssembleStages(programTemplate, definitions, body, vertex, fragment);
        for (int lights = 0; lights <= (b.lit ? 4 : 0); ++lights)
            EXPECT_EQ(BuildError(vertex, fragment, lights), "") << b.file << " with " << lights << " lights";
    }
}

TEST_F(StartupGlTest, StartUpBuildsTheFiveBuiltInShaders) {
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    gfx2_InitRenderer();
    EXPECT_TRUE(gfx2_Started);
    EXPECT_EQ(gfx2_WindowFramebuffer, static_cast<uint32_t>(framebuffer));
    EXPECT_EQ(gl_EntryPoints.glIsBuffer(gfx2_VertexBuffer), GL_TRUE);
    EXPECT_EQ(gl_EntryPoints.glIsBuffer(gfx2_IndexBuffer), GL_TRUE);
    EXPECT_EQ(gfx2_FlipMatrix[5], -1.0f);
    EXPECT_NE(gfx2_ProgramTemplate.Find(String(u"//@fragment")), -1);
    EXPECT_NE(dynamic_cast<c_BumpShader *>(gfx2_BumpShader.get()), nullptr);
    EXPECT_NE(dynamic_cast<c_MatteShader *>(gfx2_MatteShader.get()), nullptr);
    EXPECT_EQ(gfx2_DefaultShader.get(), gfx2_BumpShader.get());

    const struct {
        const char *name;
        c_Shader *shader;
        bool lit;
    } shaders[] = {
        {"fast", gfx2_FastShader, false},     {"bump", gfx2_BumpShader, true},
        {"matte", gfx2_MatteShader, true},    {"shadow", gfx2_ShadowShader, false},
        {"lightmap", gfx2_LightmapShader, false},
    };
    for (const auto &s : shaders) {
        ASSERT_NE(s.shader, nullptr) << s.name;
        for (int n = 0; n < 5; ++n) {
            c_GLProgram *program = s.shader->m_programs[n];
            ASSERT_NE(program, nullptr) << s.name << " " << n;
            EXPECT_EQ(LinkStatus(program), GL_TRUE) << s.name << " " << n;
            // Lit: five distinct programs; unlit: one in every slot.
            for (int k = 0; k < n; ++k)
                EXPECT_EQ(program == s.shader->m_programs[k].get(), !s.lit) << s.name << " " << k << " " << n;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Later calls do nothing.
    c_Shader *bump = gfx2_BumpShader;
    gfx2_InitRenderer();
    EXPECT_EQ(gfx2_BumpShader.get(), bump);
}

TEST_F(StartupGlTest, ImageWithoutShaderDrawsItsTextureColour) {
    TempDir dir;
    const std::string path = dir.Join("probe.png");
    // Four texels, one half transparent; the file's first row is GL row 0.
    const Bytes file = {255, 0, 0, 255, 0, 255, 0, 255,  //
                        40, 80, 160, 255, 200, 100, 50, 128};
    ASSERT_NE(stbi_write_png(path.c_str(), 2, 2, 4, file.data(), 8), 0);
    const Bytes texels = {255, 0, 0, 255, 0, 255, 0, 255, 40, 80, 160, 255, 100, 50, 25, 128};  // premultiplied

    // An image loaded without naming a shader is a default bump material.
    c_Material *material = c_Material::Load(String(path.c_str()), 0, nullptr);
    ASSERT_NE(material, nullptr);
    ASSERT_EQ(material->Shader(), gfx2_BumpShader.get());
    EXPECT_EQ(gfx2_LightCount, 0);

    const int size = 16;
    c_Texture *target = gc_New<c_Texture>()->m_new(size, size, 4, TextureFlags::RenderTarget);
    // Pixel (x, y) -> clip space, no flip.
    std::memset(gfx2_ModelViewProjection, 0, sizeof gfx2_ModelViewProjection);
    gfx2_ModelViewProjection[0] = 2.0f / size;
    gfx2_ModelViewProjection[5] = 2.0f / size;
    gfx2_ModelViewProjection[10] = -1.0f;
    gfx2_ModelViewProjection[12] = -1.0f;
    gfx2_ModelViewProjection[13] = -1.0f;
    gfx2_ModelViewProjection[15] = 1.0f;
    const float s = static_cast<float>(size);
    const gfx2_Vertex quad[4] = {{0, 0, 0, 0, 1, 0, 0xffffffffu},
                                 {s, 0, 1, 0, 1, 0, 0xffffffffu},
                                 {s, s, 1, 1, 1, 0, 0xffffffffu},
                                 {0, s, 0, 1, 1, 0, 0xffffffffu}};

    for (int mode : {c_BlendMode_Opaque, c_BlendMode_Alpha}) {
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, target->GLFramebuffer());
        glViewport(0, 0, size, size);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        // Through the shared buffers, as the draw list does.
        gl_EntryPoints.glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
        ASSERT_TRUE(material->Bind());
        gfx2_SetBlendMode(mode);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void *>(static_cast<intptr_t>(gfx2_QuadIndexOffset(0))));
        Bytes pixels(static_cast<size_t>(size) * size * 4, 0xEE);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        pixels = readFrames.Keep("mode" + std::to_string(mode), std::move(pixels), size, size);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "mode " << mode;
        // Every pixel shows its texel exactly: texture x white x (no light
        // + the material's ambient (1, 1, 1, 1)).
        int wrong = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const uint8_t *got = &pixels[(static_cast<size_t>(y) * size + x) * 4];
                const uint8_t *want = &texels[((y / (size / 2)) * 2 + x / (size / 2)) * 4];
                if (std::memcmp(got, want, 4) != 0 && wrong++ < 4)
                    ADD_FAILURE() << "mode " << mode << " pixel " << x << "," << y << ": " << int(got[0]) << " "
                                  << int(got[1]) << " " << int(got[2]) << " " << int(got[3]);
            }
        }
        EXPECT_EQ(wrong, 0) << "mode " << mode;
    }
}

}  // namespace
