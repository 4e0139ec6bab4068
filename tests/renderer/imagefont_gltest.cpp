// Images and fonts against a real GL context (Mesa under a private X
// server): each frame of a strip, drawn into a render-target image through
// its texture rectangle, shows exactly its own pixels; the renderer's
// start-up loads the default font from the data folder beside the test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/frame_dump.h"
#include "tests/support/gl_window.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The record of the shared vertex buffer: position, texcoord, tangent,
// colour bytes.
struct Vertex {
    float x, y, s, t, tx, ty;
    uint8_t rgba[4];
};
static_assert(sizeof(Vertex) == 28);

class ImageFontGlTest : public GlWindowTest<> {
protected:
    TempDir dir;
    FrameDump readFrames;  // every image read back, as PNGs when the test fails
    HxZentrovaGame *game = nullptr;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl11_Reset();
        game = new HxZentrovaGame();
        app_Game = game;
        gfx2_InitGlobals();
        ImageFlagsMask = 259;
    }
    void TearDown() override {
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        test_ClearRendererGlobals();
        app_Game = nullptr;
        delete game;
        RuntimeTest::TearDown();
    }

    // Draws an image with its handle at (0, 0) into a target of the same
    // size, 1:1, opaque, with the image's own material.
    Bytes DrawInto(c_Image2 *target, c_Image2 *image) {
        const int w = target->Width(), h = target->Height();
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, target->RenderTargetTexture()->GLFramebuffer());
        gl11.glViewport(0, 0, w, h);
        gl11.glClearColor(1, 0, 1, 1);
        gl11.glClear(GL_COLOR_BUFFER_BIT);
        float *m = gfx2_ModelViewProjection;
        std::memset(m, 0, 16 * sizeof(float));
        m[0] = 2.0f / static_cast<float>(w);
        m[5] = 2.0f / static_cast<float>(h);
        m[10] = 1;
        m[12] = -1;
        m[13] = -1;
        m[15] = 1;
        const Vertex quad[4] = {
            {image->m_x0, image->m_y0, image->m_s0, image->m_t0, 0, 0, {255, 255, 255, 255}},
            {image->m_x1, image->m_y0, image->m_s1, image->m_t0, 0, 0, {255, 255, 255, 255}},
            {image->m_x1, image->m_y1, image->m_s1, image->m_t1, 0, 0, {255, 255, 255, 255}},
            {image->m_x0, image->m_y1, image->m_s0, image->m_t1, 0, 0, {255, 255, 255, 255}},
        };
        gl_EntryPoints.glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
        gfx2_BoundMaterial = nullptr;
        gfx2_BoundProgram = nullptr;
        EXPECT_TRUE(image->Material()->Bind());
        gfx2_SetBlendMode(c_BlendMode_Opaque);
        gl11.glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr);
        Bytes out(static_cast<size_t>(w) * h * 4, 0xEE);
        gl11.glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl11.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return readFrames.Keep("drawn", std::move(out), w, h);
    }
};

TEST_F(ImageFontGlTest, EachStripFrameShowsItsOwnPixels) {
    gfx2_InitRenderer();
    // Three 4 x 2 frames, padded by a column on each side: every pixel of the
    // 18 x 2 strip has its own opaque colour.
    const int W = 18, H = 2, frames = 3;
    Bytes strip(static_cast<size_t>(W) * H * 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t *p = &strip[(static_cast<size_t>(y) * W + x) * 4];
            p[0] = static_cast<uint8_t>(10 * x);
            p[1] = static_cast<uint8_t>(100 + 50 * y);
            p[2] = static_cast<uint8_t>(255 - 10 * x);
            p[3] = 255;
        }
    const std::string path = dir.Join("strip.png");
    ASSERT_NE(stbi_write_png(path.c_str(), W, H, 4, strip.data(), W * 4), 0);

    // Flags 0 through the mask: nearest sampling, so texels arrive exactly.
    Array<c_Image2 *> images =
        c_Image2::LoadFrames(String(path.c_str()), frames, true, 0.0f, 0.0f, 0, gfx2_FastShader);
    ASSERT_EQ(images.Length(), frames);
    c_Image2 *target = gc_New<c_Image2>()->m_new(4, 2, 0.0f, 0.0f, 0);
    for (int i = 0; i < frames; ++i) {
        ASSERT_EQ(images[i]->Width(), 4);
        const Bytes drawn = DrawInto(target, images[i]);
        // GL row 0 is the image's first row.
        Bytes want;
        for (int y = 0; y < H; ++y) {
            const uint8_t *row = &strip[(static_cast<size_t>(y) * W + 1 + 6 * i) * 4];
            want.insert(want.end(), row, row + 4 * 4);
        }
        EXPECT_EQ(drawn, want) << "frame " << i;
    }
}

TEST_F(ImageFontGlTest, StartUpLoadsTheDefaultFontFromTheDataFolder) {
    gfx2_InitRenderer();
    c_Font2 *font = gfx2_DefaultFont;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->m_firstChar, 32);
    EXPECT_EQ(font->m_pageCount, 1);
    int glyphs = 0;
    for (int ch = 0; ch < 256; ++ch)
        if (font->GetGlyph(ch)) ++glyphs;
    EXPECT_EQ(glyphs, 96);
    EXPECT_NE(font->GetGlyph(32), nullptr);
    EXPECT_NE(font->GetGlyph(127), nullptr);

    // 96 padded cells across the strip: each glyph is its cell less the
    // border, and the font is as high as a glyph.
    c_Image2 *page = font->m_pages[0];
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Material()->Shader(), gfx2_DefaultShader.get());
    const int cw = page->Width() / 96;
    ASSERT_GE(cw, 3);
    c_Glyph2 *a = font->GetGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->m_x, 33 * cw + 1);
    EXPECT_EQ(a->m_y, 1);
    EXPECT_EQ(a->m_width, cw - 2);
    EXPECT_EQ(a->m_height, page->Height() - 2);
    EXPECT_EQ(a->m_advance, cw - 2);
    EXPECT_EQ(font->TextHeight(), static_cast<float>(page->Height() - 2));
    EXPECT_EQ(font->TextWidth(String(u"AAA")), 3.0f * static_cast<float>(cw - 2));

    // The page is a real texture: the border around "A" is clear, and the
    // glyph has ink.
    c_Texture *t = page->Material()->ColorTexture();
    Bytes pixels(static_cast<size_t>(t->Width()) * t->Height() * 4, 0xEE);
    gl11.glBindTexture(GL_TEXTURE_2D, t->GLTexture());
    gl11.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl11.glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    gl11.glBindTexture(GL_TEXTURE_2D, 0);
    pixels = readFrames.Keep("page", std::move(pixels), t->Width(), t->Height());
    auto alpha = [&](int x, int y) { return pixels[(static_cast<size_t>(y) * t->Width() + x) * 4 + 3]; };
    int ink = 0, border = 0;
    for (int y = 0; y < t->Height(); ++y)
        for (int x = 33 * cw; x < 34 * cw; ++x) {
            const bool inside = x >= a->m_x && x < a->m_x + a->m_width && y >= a->m_y && y < a->m_y + a->m_height;
            (inside ? ink : border) += alpha(x, y) != 0;
        }
    EXPECT_GT(ink, 0);
    EXPECT_EQ(border, 0);
}

}  // namespace
