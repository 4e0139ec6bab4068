// Textures against a real GL context (Mesa under a private X server):
// premultiplied file loads, colour textures, mipmaps and the read-back of
// Managed render targets, each checked with glGetTexImage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_map.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/frame_dump.h"
#include "tests/support/gl_window.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Repeat(const Bytes &pixel, int n) {
    Bytes out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

class TextureGlTest : public GlWindowTest<> {
protected:
    TempDir dir;
    FrameDump readFrames;  // every image read back, as PNGs when the test fails

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl11_Reset();
        gfx2_ResetPlainGlobals();
        gfx2_Started = true;  // the start-up (files, built-in shaders) is not under test
        gfx2_ColorTextureCache = gc_New<c_IntMap4>()->m_new();
    }
    void TearDown() override {
        test_ClearRendererGlobals();
        RuntimeTest::TearDown();
    }
    std::string WritePng(const std::string &file, int w, int h, const Bytes &rgba) {
        const std::string path = dir.Join(file);
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4), 0);
        return path;
    }

    Bytes Retained(c_Texture *t) {
        if (!t->data) return {};
        return readFrames.Keep("retained", Bytes(t->data->data, t->data->data + t->data->length), t->width, t->height);
    }

    // The texture's level-0 image as GL holds it.
    Bytes GlPixels(c_Texture *t) {
        Bytes out(static_cast<size_t>(t->Width()) * t->Height() * 4, 0xEE);
        GLint saved = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved);
        glBindTexture(GL_TEXTURE_2D, t->GLTexture());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(saved));
        return readFrames.Keep("gl", std::move(out), t->Width(), t->Height());
    }
};

TEST_F(TextureGlTest, LoadedPngReadsBackPremultiplied) {
    HxZentrovaGame game;
    // Two rows: GL row 0 is the file's first row.
    const std::string path = WritePng("a.png", 2, 2,
                                      {255, 128, 0, 128, 10, 20, 30, 0,  //
                                       1, 2, 3, 255, 200, 100, 50, 51});
    c_Texture *t = c_Texture::Load(String(path.c_str()), 4, 0);
    ASSERT_NE(t, nullptr);
    const Bytes want = {128, 64, 0, 128, 0, 0, 0, 0, 1, 2, 3, 255, 40, 20, 10, 51};
    EXPECT_EQ(Retained(t), want);
    EXPECT_EQ(GlPixels(t), want);

    const GLuint name = t->glTexture;
    EXPECT_EQ(glIsTexture(name), GL_TRUE);
    t->Release();
    EXPECT_EQ(glIsTexture(name), GL_FALSE);

    c_Texture *colour = c_Texture::Color(static_cast<int>(0x80402010u));
    EXPECT_EQ(GlPixels(colour), (Bytes{0x10, 0x20, 0x40, 0x80}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureGlTest, MipmappedFileLoadHasItsLevels) {
    HxZentrovaGame game;
    const std::string path = WritePng("m.png", 4, 2, Repeat({255, 255, 255, 255}, 8));
    c_Texture *t = c_Texture::Load(String(path.c_str()), 4, 259);
    ASSERT_NE(t, nullptr);
    glBindTexture(GL_TEXTURE_2D, t->GLTexture());
    GLint minFilter = 0, magFilter = 0, width1 = 0, width2 = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width1);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &width2);
    Bytes level2(4, 0);
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, level2.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(width1, 2);
    EXPECT_EQ(width2, 1);
    EXPECT_EQ(level2, (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureGlTest, ManagedRenderTargetReadsBack) {
    c_Texture *t = gc_New<c_Texture>()->m_new(4, 4, 4, TextureFlags::RenderTarget | TextureFlags::Managed);
    const Bytes magenta = {255, 0, 255, 255}, blue = {0, 0, 255, 255}, red = {255, 0, 0, 255};
    EXPECT_EQ(Retained(t), Repeat(magenta, 16));

    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, t->GLFramebuffer());
    glViewport(0, 0, 4, 4);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(1, 2, 2, 1);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    // A frame: only its pixels change.
    t->ReadBack(1, 1, 2, 2);
    Bytes want = Repeat(magenta, 16);
    auto put = [&want](int x, int y, const Bytes &p) { std::copy(p.begin(), p.end(), want.begin() + (y * 4 + x) * 4); };
    put(1, 1, blue);
    put(2, 1, blue);
    put(1, 2, red);
    put(2, 2, red);
    EXPECT_EQ(Retained(t), want);

    // The whole texture.
    t->ReadBack(0, 0, 4, 4);
    want = Repeat(blue, 16);
    put(1, 2, red);
    put(2, 2, red);
    EXPECT_EQ(Retained(t), want);
    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // After a context change the read-back pixels come back with new names.
    const GLuint oldName = t->glTexture;
    host_GLContextSeq += 1;
    EXPECT_NE(t->GLTexture(), oldName);
    EXPECT_EQ(GlPixels(t), want);
    EXPECT_EQ(glIsTexture(oldName), GL_TRUE);  // forgotten, not deleted
}

}  // namespace
