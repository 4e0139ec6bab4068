// Materials and the built-in shader classes against the recording fake GL:
// parameter defaults, reference counts of stored textures, binding (once
// per change, white for a sampler without a texture, short vectors filled
// up), the bump shader's file-name probing, and the start-up with the
// renderer's roots.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_game.h"
#include "renderer/rd_builtin.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<float> Floats(const Array<float> &a) {
    std::vector<float> out;
    for (int i = 0; i < a.Length(); ++i) out.push_back(a[i]);
    return out;
}

// A bump body with one sampler more than the bump defaults give.
const char16_t kBumpBody[] =
    u"uniform sampler2D ColorTexture; uniform sampler2D SpecularTexture; uniform sampler2D NormalTexture;\n"
    u"uniform sampler2D DetailTexture; uniform vec4 AmbientColor; uniform float Roughness;\n"
    u"void shader() { vxr_Diffuse = vxr_Color; }";

// The start-up is tested on its own below.
class MaterialTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
    }

    static c_Shader *Base() { return gc_New<c_Shader>()->m_new(String(u"void shader() {}")); }
    static c_Shader *Bump() { return gc_New<c_BumpShader>()->m_new(String(kBumpBody)); }
    static c_Shader *Matte() { return gc_New<c_MatteShader>()->m_new(String(u"void shader() {}")); }
    static c_Material *NewMaterial(c_Shader *shader) { return gc_New<c_Material>()->m_new(shader); }
    static c_Texture *NewTexture(int w, int h) { return gc_New<c_Texture>()->m_new(w, h, 4, 0); }
};

// ---------------------------------------------------------------------------
// Parameters

TEST_F(MaterialTest, DefaultsOfEachShaderClass) {
    using Vec = std::vector<float>;
    c_Texture *white = c_Texture::White(), *black = c_Texture::Black(), *grey = c_Texture::Grey();
    gfx2_DefaultShader = Bump();
    struct Case {
        const char *name;
        c_Shader *shader;
        c_Texture *specular, *normal;  // null: not a parameter
        Vec ambient;                   // empty: not a parameter
        float roughness;               // -1: not a parameter
    } cases[] = {
        {"base", Base(), nullptr, nullptr, {}, -1},
        {"matte", Matte(), nullptr, nullptr, {0, 0, 0, 1}, 1.0f},
        {"bump", Bump(), black, grey, {1, 1, 1, 1}, 1.0f},
        {"null shader: the default shader's", nullptr, black, grey, {1, 1, 1, 1}, 1.0f},
    };
    const Array<float> absent = array_Of<float>({-1});
    for (const Case &c : cases) {
        const int whiteRefs = white->refs;
        c_Material *m = NewMaterial(c.shader);
        EXPECT_EQ(m->refs, 1) << c.name;
        EXPECT_EQ(m->Shader(), c.shader ? c.shader : gfx2_DefaultShader.get()) << c.name;
        EXPECT_EQ(m->GetTexture(String(u"ColorTexture"), nullptr), white) << c.name;
        EXPECT_EQ(m->ColorTexture(), white) << c.name;
        EXPECT_EQ(m->Width(), 1) << c.name;
        EXPECT_EQ(white->refs, whiteRefs + 1) << c.name << ": the material holds one reference";
        EXPECT_EQ(m->GetTexture(String(u"SpecularTexture"), nullptr), c.specular) << c.name;
        EXPECT_EQ(m->GetTexture(String(u"NormalTexture"), nullptr), c.normal) << c.name;
        EXPECT_EQ(Floats(m->GetVector(String(u"AmbientColor"), absent)), c.ambient.empty() ? Vec{-1} : c.ambient)
            << c.name;
        EXPECT_EQ(m->GetScalar(String(u"Roughness"), -1), c.roughness) << c.name;

        // Names the shader did not declare stay out of the material.
        c_Texture *t = NewTexture(2, 2);
        m->SetTexture(String(u"DetailTexture"), t);
        m->SetScalar(String(u"Weight"), 3);
        m->SetVector(String(u"Tint"), array_Of<float>({1, 2, 3, 4}));
        EXPECT_EQ(m->GetTexture(String(u"DetailTexture"), nullptr), nullptr) << c.name;
        EXPECT_EQ(t->refs, 1) << c.name;
        EXPECT_EQ(m->GetScalar(String(u"Weight"), 0.5f), 0.5f) << c.name;
        EXPECT_EQ(m->GetVector(String(u"Tint"), absent).Length(), 1) << c.name;
        m->SetScalar(String(u"Roughness"), 0.25f);
        EXPECT_EQ(m->GetScalar(String(u"Roughness"), 0.5f), c.roughness < 0 ? 0.5f : 0.25f) << c.name;
    }
}

TEST_F(MaterialTest, VectorsAreStoredNotCopied) {
    c_Material *m = NewMaterial(Matte());
    Array<float> ambient = array_Of<float>({0.5f, 0.5f, 0.5f, 1});
    m->SetVector(String(u"AmbientColor"), ambient);
    ambient[0] = 0.25f;
    EXPECT_EQ(Floats(m->GetVector(String(u"AmbientColor"), Array<float>())), (std::vector<float>{0.25f, 0.5f, 0.5f, 1}));
}

// ---------------------------------------------------------------------------
// Reference counts

TEST_F(MaterialTest, StoredTexturesAreCounted) {
    const String colour(u"ColorTexture");
    c_Texture *white = c_Texture::White();
    c_Material *m = NewMaterial(Base());
    EXPECT_EQ(white->refs, 2);

    c_Texture *a = NewTexture(2, 3);
    m->SetTexture(colour, a);
    EXPECT_EQ(a->refs, 2);
    EXPECT_EQ(white->refs, 1);
    EXPECT_EQ(m->ColorTexture(), a);
    EXPECT_EQ(m->Width(), 2);
    EXPECT_EQ(m->Height(), 3);
    a->Release();  // the creator's reference: the material holds the only one
    EXPECT_EQ(a->refs, 1);

    // Storing the stored texture again, or a null one, changes nothing.
    m->SetTexture(colour, a);
    m->SetTexture(colour, nullptr);
    EXPECT_EQ(a->refs, 1);
    EXPECT_EQ(m->ColorTexture(), a);

    // Replacing it destroys the old texture once its count ends.
    const GLuint aName = a->glTexture;
    c_Texture *b = NewTexture(4, 5);
    FakeGl::ClearLog();
    m->SetTexture(colour, b);
    b->Release();
    EXPECT_EQ(a->refs, -1);
    EXPECT_EQ(FakeGl::Calls("glDeleteTextures"), std::vector<std::string>{"glDeleteTextures(1, [" + std::to_string(aName) + "])"});
    EXPECT_EQ(b->refs, 1);
    EXPECT_EQ(m->Width(), 4);
    EXPECT_EQ(m->Height(), 5);
}

TEST_F(MaterialTest, ReleasingTheMaterialReleasesEveryStoredTexture) {
    c_Texture *white = c_Texture::White(), *black = c_Texture::Black(), *grey = c_Texture::Grey();
    c_Material *m = NewMaterial(Bump());
    // One texture under two names holds two references.
    c_Texture *shared = NewTexture(1, 1);
    m->SetTexture(String(u"SpecularTexture"), shared);
    m->SetTexture(String(u"NormalTexture"), shared);
    shared->Release();
    EXPECT_EQ(shared->refs, 2);
    EXPECT_EQ(black->refs, 1);
    EXPECT_EQ(grey->refs, 1);

    m->Release();
    EXPECT_EQ(m->refs, -1);
    EXPECT_EQ(shared->refs, -1);
    EXPECT_EQ(white->refs, 1);
    rt_ExpectRuntimeError([m] { m->Release(); }, "Internal error");
    // A destroyed texture cannot be stored again.
    rt_ExpectRuntimeError([shared] { NewMaterial(Base())->SetTexture(String(u"ColorTexture"), shared); },
                       "Internal error");
}

TEST_F(MaterialTest, LoadOfAMissingFileGivesNull) {
    HxZentrovaGame game;
    EXPECT_EQ(c_Material::Load(String(u"/nonexistent/velmora/ship.png"), 0, Base()), nullptr);
    EXPECT_EQ(c_Material::Load(String(u"/nonexistent/velmora/ship.png"), 0, Bump()), nullptr);
}

// ---------------------------------------------------------------------------
// Binding

TEST_F(MaterialTest, BindSetsTheUniformsOncePerChange) {
    FakeGl::SetUniforms(0, {
                               {"ColorTexture", GL_SAMPLER_2D, 1},
                               {"SpecularTexture", GL_SAMPLER_2D, 1},
                               {"NormalTexture", GL_SAMPLER_2D, 1},
                               {"DetailTexture", GL_SAMPLER_2D, 1},
                               {"AmbientColor", GL_FLOAT_VEC4, 1},
                               {"Roughness", GL_FLOAT, 1},
                           });
    c_Shader *shader = Bump();
    c_Material *m = NewMaterial(shader);
    c_Texture *colour = NewTexture(2, 2);
    m->SetTexture(String(u"ColorTexture"), colour);
    m->SetVector(String(u"AmbientColor"), array_Of<float>({0.25f, 0.5f}));
    m->SetScalar(String(u"Roughness"), 0.75f);

    EXPECT_TRUE(m->Bind());
    EXPECT_EQ(gfx2_BoundMaterial.get(), m);
    const GLuint p = gfx2_BoundProgram->m_program;
    EXPECT_EQ(FakeGl::Integer(GL_CURRENT_PROGRAM), static_cast<GLint>(p));
    // Samplers on units 0-3 in list order; DetailTexture has no texture in
    // the material and samples white.
    for (int unit = 0; unit < 4; ++unit) EXPECT_EQ(FakeGl::Uniform(p, unit), std::vector<float>{float(unit)});
    std::vector<std::string> bound;
    for (const std::string &line : FakeGl::Calls("glBindTexture")) bound.push_back(line);
    auto name = [](c_Texture *t) { return "glBindTexture(GL_TEXTURE_2D, " + std::to_string(t->glTexture) + ")"; };
    ASSERT_GE(bound.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(bound.end() - 4, bound.end()),
              (std::vector<std::string>{name(colour), name(c_Texture::Black()), name(c_Texture::Grey()),
                                        name(c_Texture::White())}));
    // A two-element vector is filled up from (1, 1, 1, 1).
    EXPECT_EQ(FakeGl::Uniform(p, 4), (std::vector<float>{0.25f, 0.5f, 1, 1}));
    EXPECT_EQ(FakeGl::Uniform(p, 5), std::vector<float>{0.75f});

    // The same material again: nothing reaches GL.
    FakeGl::ClearLog();
    EXPECT_TRUE(m->Bind());
    EXPECT_TRUE(FakeGl::Log().empty()) << FakeGl::Text();

    // Another material of the same program: its uniforms, not the program.
    c_Material *other = NewMaterial(shader);
    FakeGl::ClearLog();
    other->Bind();
    EXPECT_EQ(FakeGl::Count("glUseProgram"), 0);
    EXPECT_EQ(FakeGl::Count("glUniform1i"), 4);
    EXPECT_EQ(FakeGl::Uniform(p, 4), (std::vector<float>{1, 1, 1, 1}));
    FakeGl::ClearLog();
    m->Bind();
    EXPECT_EQ(FakeGl::Count("glUniform1i"), 4);

    // A material of another shader changes the program; coming back sets
    // both again.
    NewMaterial(Base())->Bind();
    EXPECT_NE(gfx2_BoundProgram->m_program, p);
    FakeGl::ClearLog();
    m->Bind();
    EXPECT_EQ(FakeGl::Calls("glUseProgram"), std::vector<std::string>{"glUseProgram(" + std::to_string(p) + ")"});
    EXPECT_EQ(FakeGl::Count("glUniform1i"), 4);
    EXPECT_EQ(gfx2_BoundMaterial.get(), m);
}

// ---------------------------------------------------------------------------
// The bump shader's file names

// Records every path the image loader is asked for.
class RecordingGame : public HxZentrovaGame {
public:
    std::vector<std::string> asked;
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override {
        asked.push_back(host_ToUtf8(path));
        return HxZentrovaGame::LoadImageData(path, width, height, depth);
    }
};

class BumpLoadTest : public MaterialTest {
protected:
    TempDir dir;
    void SetUp() override {
        MaterialTest::SetUp();
        gfx2_DefaultShader = Bump();
    }
    // A 1-pixel-high image whose width tells the files apart.
    void WritePng(const std::string &file, int width) {
        std::filesystem::create_directories(std::filesystem::path(dir.Join(file)).parent_path());
        std::vector<uint8_t> rgba(static_cast<size_t>(width) * 4, 255);
        ASSERT_NE(stbi_write_png(dir.Join(file).c_str(), width, 1, 4, rgba.data(), width * 4), 0);
    }
};

TEST_F(BumpLoadTest, ProbesTheSuffixesInOrder) {
    const std::vector<std::string> spec = {"_s", "_spec", "_specular", "_SPECULAR"};
    const std::vector<std::string> norm = {"_n", "_norm", "_normal", "_NORMALS"};
    auto names = [](const std::string &base, const std::vector<std::string> &suffixes, const std::string &ext) {
        std::vector<std::string> out;
        for (const std::string &s : suffixes) out.push_back(base + s + "." + ext);
        return out;
    };
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> out;
        for (auto &p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    struct Case {
        const char *name;
        std::vector<std::string> files;  // written with widths 1, 2, ...
        std::string path;
        std::vector<std::string> asked;
        int colour, specular, normal;  // the width of the loaded texture, 0: the default
    } cases[] = {
        {"a plain image: all three groups are searched",
         {"ship.png"},
         "ship.png",
         join({{"ship.png"}, names("ship", spec, "png"), names("ship", norm, "png")}),
         1, 0, 0},
        {"colour and normal",
         {"hero.png", "hero_n.png"},
         "hero.png",
         join({{"hero.png"}, names("hero", spec, "png"), {"hero_n.png"}}),
         1, 0, 2},
        {"only a _d colour",
         {"hero_d.png"},
         "hero.png",
         join({{"hero.png", "hero_d.png"}, names("hero", spec, "png"), names("hero", norm, "png")}),
         1, 0, 0},
        {"no extension: png; the last specular and normal names",
         {"hero_diffuse.png", "hero_SPECULAR.png", "hero_NORMALS.png"},
         "hero",
         join({{"hero.png", "hero_d.png", "hero_diff.png", "hero_diffuse.png"}, names("hero", spec, "png"),
               names("hero", norm, "png")}),
         1, 2, 3},
        {"a dot in a folder name is no extension",
         {"levels.old/hero.png"},
         "levels.old/hero",
         join({{"levels.old/hero.png"}, names("levels.old/hero", spec, "png"), names("levels.old/hero", norm, "png")}),
         1, 0, 0},
        {"the path's own extension; the first of a group wins",
         {"tile_s.tga", "tile_spec.tga"},
         "tile.tga",
         join({names("tile", {"", "_d", "_diff", "_diffuse"}, "tga"), {"tile_s.tga"}, names("tile", norm, "tga")}),
         0, 1, 0},
    };
    for (const Case &c : cases) {
        dir.Clear();
        for (size_t i = 0; i < c.files.size(); ++i) WritePng(c.files[i], static_cast<int>(i) + 1);
        RecordingGame game;
        c_Material *m = c_Material::Load(String(dir.Join(c.path).c_str()), 0, nullptr);
        ASSERT_NE(m, nullptr) << c.name;
        std::vector<std::string> want;
        for (const std::string &f : c.asked) want.push_back(dir.Join(f));
        EXPECT_EQ(game.asked, want) << c.name;
        struct Slot {
            const char16_t *param;
            int width;
            c_Texture *fallback;
        } slots[] = {{u"ColorTexture", c.colour, c_Texture::White()},
                     {u"SpecularTexture", c.specular, c_Texture::Black()},
                     {u"NormalTexture", c.normal, c_Texture::Grey()}};
        for (const Slot &s : slots) {
            c_Texture *t = m->GetTexture(String(s.param, std::char_traits<char16_t>::length(s.param)), nullptr);
            ASSERT_NE(t, nullptr) << c.name;
            if (s.width == 0) {
                EXPECT_EQ(t, s.fallback) << c.name;
            } else {
                EXPECT_EQ(t->Width(), s.width) << c.name;
                EXPECT_EQ(t->refs, 1) << c.name << ": the material holds the only reference";
            }
        }
        const bool lit = c.specular || c.normal;
        EXPECT_EQ(Floats(m->GetVector(String(u"AmbientColor"), Array<float>())),
                  lit ? (std::vector<float>{0, 0, 0, 1}) : (std::vector<float>{1, 1, 1, 1}))
            << c.name;
        EXPECT_EQ(m->GetScalar(String(u"Roughness"), -1), lit ? 0.5f : 1.0f) << c.name;
    }
}

TEST_F(BumpLoadTest, NothingLoadsGivesNull) {
    RecordingGame game;
    EXPECT_EQ(c_Material::Load(String(dir.Join("ghost.jpg").c_str()), 0, nullptr), nullptr);
    ASSERT_EQ(game.asked.size(), 12u);
    EXPECT_EQ(game.asked.front(), dir.Join("ghost.jpg"));
    EXPECT_EQ(game.asked.back(), dir.Join("ghost_NORMALS.jpg"));
}

// ---------------------------------------------------------------------------
// The start-up and the renderer's roots, on the shipped data folder

gc_ref<c_Material> g_rootMaterial;
void MarkRoots() {
    gfx2_MarkGlobals();
    gc_Enqueue(g_rootMaterial);
}

bool Unreachable(gc_object *o) {
    for (gc_object *p = gc_UnreachableList.next; p != &gc_UnreachableList; p = p->next)
        if (p == o) return true;
    return false;
}

TEST_F(MaterialTest, StartUpBuildsTheBuiltInShadersOnce) {
    HxZentrovaGame game;
    app_Game = &game;
    gfx2_InitGlobals();  // not started, no template
    FakeGl::SetIntegers(GL_FRAMEBUFFER_BINDING, {5});
    FakeGl::ClearLog();
    gfx2_InitRenderer();
    EXPECT_TRUE(gfx2_Started);
    EXPECT_EQ(gfx2_BuffersGeneration, 1);
    EXPECT_EQ(gfx2_WindowFramebuffer, 5u);
    EXPECT_NE(gfx2_ProgramTemplate.Find(String(u"${SHADER}")), -1);
    EXPECT_EQ(gfx2_FlipMatrix[5], -1.0f);
    EXPECT_EQ(gfx2_FlipMatrix[0], 1.0f);
    ASSERT_NE(gfx2_FastShader.get(), nullptr);
    EXPECT_NE(dynamic_cast<c_BumpShader *>(gfx2_BumpShader.get()), nullptr);
    EXPECT_NE(dynamic_cast<c_MatteShader *>(gfx2_MatteShader.get()), nullptr);
    ASSERT_NE(gfx2_ShadowShader.get(), nullptr);
    ASSERT_NE(gfx2_LightmapShader.get(), nullptr);
    EXPECT_EQ(gfx2_DefaultShader.get(), gfx2_BumpShader.get());
    // Lit bodies: five programs; unlit: one. 2 x (1 + 5 + 5 + 1 + 1) compiles.
    EXPECT_EQ(FakeGl::Count("glCompileShader"), 26);
    FakeGl::ClearLog();
    gfx2_InitRenderer();
    EXPECT_TRUE(FakeGl::Log().empty());

    // Everything the renderer's globals hold survives a full collection.
    c_Material *bound = NewMaterial(nullptr);
    bound->Bind();
    gfx2_ShadowTexture = NewTexture(1, 1);
    g_rootMaterial = NewMaterial(gfx2_MatteShader);
    Object *garbage = gc_New<Object>()->m_new();
    gc_SetRoots(MarkRoots);
    gc_MarkGlobals();
    gc_CollectAll();
    for (gc_object *o : std::initializer_list<gc_object *>{
             gfx2_FastShader, gfx2_BumpShader, gfx2_MatteShader, gfx2_ShadowShader, gfx2_LightmapShader,
             gfx2_ColorTextureCache, gfx2_WhiteTexture, gfx2_BlackTexture, gfx2_GreyTexture, gfx2_BoundProgram,
             bound, gfx2_ShadowTexture, g_rootMaterial->m_textures, g_rootMaterial->m_vectors})
        EXPECT_FALSE(Unreachable(o));
    EXPECT_TRUE(Unreachable(garbage));
    g_rootMaterial = nullptr;
    app_Game = nullptr;

    // The globals' set-up forgets them all.
    gfx2_InitGlobals();
    EXPECT_FALSE(gfx2_Started);
    EXPECT_EQ(gfx2_BumpShader.get(), nullptr);
    EXPECT_EQ(gfx2_BoundMaterial.get(), nullptr);
    EXPECT_EQ(gfx2_WhiteTexture.get(), nullptr);
    EXPECT_EQ(gfx2_FlipMatrix[5], 1.0f);
    ASSERT_NE(gfx2_ColorTextureCache.get(), nullptr);
    EXPECT_EQ(gfx2_ColorTextureCache->Get(-1), nullptr);
}

}  // namespace
