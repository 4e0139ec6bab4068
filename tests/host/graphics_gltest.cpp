// The older graphics device against a real GL context (Mesa under a
// private X server): batching and drawing, the flipped scissor, blending,
// surface uploads by depth, pixel writes and reads, texture re-creation
// after a new context, and the older layer's render set-up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
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
#include "host/hx_gfx1.h"
#include "host/hx_graphics.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/frame_dump.h"
#include "tests/support/gl_window.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kW = 960, kH = 540;
constexpr int kBlack = static_cast<int>(0xFF000000u);
constexpr int kRed = static_cast<int>(0xFFFF0000u);
constexpr int kGreen = static_cast<int>(0xFF00FF00u);
constexpr int kBlue = static_cast<int>(0xFF0000FFu);
constexpr int kYellow = static_cast<int>(0xFFFFFF00u);

class GraphicsTest : public GlWindowTest<kW, kH> {
protected:
    HxZentrovaGame *game = nullptr;
    HxGraphics *device = nullptr;
    GLuint target = 0, framebuffer = 0;
    TempDir dir;
    FrameDump readFrames;  // every window read back, as PNGs when the test fails

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        game = new HxZentrovaGame;
        game->window = window;
        game->width = kW;
        game->height = kH;
        host_GLContextSeq += 1;  // as the window's creation does
        device = gc_New<HxGraphics>()->m_new();
        app_GraphicsDevice = device;
        // Draw into a texture of the window's size: a hidden window's own
        // pixels are not guaranteed to be kept.
        glGenTextures(1, &target);
        glBindTexture(GL_TEXTURE_2D, target);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kW, kH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        gl_EntryPoints.glGenFramebuffers(1, &framebuffer);
        gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl_EntryPoints.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        ASSERT_EQ(gl_EntryPoints.glCheckFramebufferStatus(GL_FRAMEBUFFER),
                  static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        glViewport(0, 0, kW, kH);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_BLEND);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
    }
    void TearDown() override {
        app_GraphicsDevice = nullptr;
        gfx1_RenderDevice = nullptr;
        gfx1_Context = nullptr;
        RuntimeTest::TearDown();
        if (framebuffer) {
            gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
            gl_EntryPoints.glDeleteFramebuffers(1, &framebuffer);
        }
        glDeleteTextures(1, &target);
        if (game) game->window = nullptr;
        delete game;
    }

    // The window as 0xAARRGGBB ints, the top row first.
    Array<int> Window() {
        Array<int> px(static_cast<int64_t>(kW) * kH);
        device->ReadPixels(px, 0, 0, kW, kH, 0, kW);
        std::vector<uint8_t> rgba(static_cast<size_t>(px.Length()) * 4);
        for (int64_t i = 0; i < px.Length(); ++i) {
            const auto v = static_cast<uint32_t>(px[i]);
            const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                                      static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 24)};
            std::copy_n(bytes, 4, &rgba[static_cast<size_t>(i) * 4]);
        }
        readFrames.Keep("window", std::move(rgba), kW, kH);
        return px;
    }
    static int At(const Array<int> &px, int x, int y) { return px[y * kW + x]; }

    // The bound texture's level 0 in the given format.
    static std::vector<unsigned char> TextureBytes(GLuint texture, GLenum format, size_t bytes) {
        std::vector<unsigned char> out(bytes, 0xAB);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
    // 0xAARRGGBB ints for WriteSurfacePixels.
    static Array<int> Ints(std::initializer_list<uint32_t> values) {
        Array<int> a(static_cast<int64_t>(values.size()));
        int i = 0;
        for (uint32_t v : values) a[i++] = static_cast<int>(v);
        return a;
    }
    std::string WritePng(const std::string &name, int w, int h, int channels, const std::vector<unsigned char> &px) {
        const std::string path = dir.Join(name);
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, channels, px.data(), w * channels), 0);
        return path;
    }
};

TEST_F(GraphicsTest, BeginRenderFollowsTheWindowSize) {
    EXPECT_EQ(device->Width(), kW);
    EXPECT_EQ(device->Height(), kH);
    glfwSetWindowSize(window, 640, 360);
    int w = 0, h = 0;
    for (int i = 0; i < 200 && w != 640; ++i) {
        glfwPollEvents();
        glfwGetWindowSize(window, &w, &h);
        if (w != 640) usleep(5000);
    }
    ASSERT_EQ(w, 640) << "the X server did not resize the window";
    for (int frame = 0; frame < 2; ++frame) {
        EXPECT_EQ(device->BeginRender(), 0);
        EXPECT_EQ(device->Width(), 640);
        EXPECT_EQ(device->Height(), 360);
        EXPECT_EQ(device->EndRender(), 0);
    }
    glfwSetWindowSize(window, kW, kH);
}

TEST_F(GraphicsTest, BatchesHoldOneKindAndSurfaceUpTo1024Vertices) {
    struct Batch {
        int primitive, count;
        HxSurface *surface;
    };
    auto batch = [&] { return Batch{device->primitive, device->count, device->batchSurface.get()}; };
    auto expect = [&](const char *what, Batch want) {
        SCOPED_TRACE(what);
        Batch got = batch();
        EXPECT_EQ(got.primitive, want.primitive);
        EXPECT_EQ(got.count, want.count);
        EXPECT_EQ(got.surface, want.surface);
    };
    for (int i = 0; i < 255; ++i) device->DrawRect(static_cast<float>(i), 0, 1, 1);
    expect("255 quads", {4, 1020, nullptr});
    device->DrawRect(0, 0, 1, 1);
    expect("the 256th still fits", {4, 1024, nullptr});
    device->DrawRect(0, 0, 1, 1);
    expect("the 257th starts a new batch", {4, 4, nullptr});
    device->DrawPoint(1, 1);
    expect("a point after quads", {1, 1, nullptr});
    device->DrawLine(0, 0, 5, 5);
    expect("a line after a point", {2, 2, nullptr});

    HxSurface *s1 = device->CreateSurface(4, 4);
    HxSurface *s2 = device->CreateSurface(4, 4);
    device->DrawSurface(s1, 0, 0);
    device->DrawSurfaceRect(s1, 8, 0, 1, 1, 2, 2);
    expect("two quads of one surface", {4, 8, s1});
    device->DrawSurface(s2, 0, 0);
    expect("another surface", {4, 4, s2});

    device->DrawPoly(Array<float>(6));
    expect("three pairs", {3, 3, nullptr});
    device->DrawPoly(Array<float>(10));
    device->DrawPoly(Array<float>(10));
    expect("two fans of five", {5, 10, nullptr});
    device->DrawPoly(Array<float>());
    device->DrawPoly(Array<float>(2 * 1025));
    device->DrawTexturedPoly(Array<float>(4 * 1025), s1, 0, 0);
    expect("nothing or too much is ignored", {5, 10, nullptr});
    device->DrawPoly(Array<float>(2 * 1024));
    expect("1024 vertices", {1024, 1024, nullptr});
    device->DrawTexturedPoly(Array<float>(12), s1, 0, 0);
    expect("a textured triangle", {3, 3, s1});

    device->Clear(0, 0, 0);
    expect("cleared unflushed", {3, 0, s1});
}

TEST_F(GraphicsTest, BatchesDrawInWindowPixelsWithYDown) {
    device->Clear(0, 0, 0);
    device->SetBlend(0);
    device->SetAlpha(1);
    device->SetColor(255, 0, 0);
    device->DrawRect(10, 20, 30, 5);
    device->SetColor(0, 255, 0);
    device->DrawPoint(100, 3);
    device->SetColor(0, 0, 255);
    device->SetMatrix(1, 0, 0, 1, 200, 0);
    device->DrawRect(0, 0, 4, 4);
    device->SetMatrix(1, 0, 0, 1, 0, 0);
    device->SetColor(255, 255, 0);
    Array<float> pentagon(10);
    const float pts[10] = {300, 300, 340, 300, 350, 320, 320, 340, 290, 320};
    for (int i = 0; i < 10; ++i) pentagon[i] = pts[i];
    device->DrawPoly(pentagon);

    const Array<int> px = Window();  // flushes first
    EXPECT_EQ(device->count, 0);
    struct Probe {
        int x, y, argb;
    } probes[] = {
        {10, 20, kRed},    {39, 24, kRed},     {15, 22, kRed},   {9, 20, kBlack}, {40, 24, kBlack},
        {15, 25, kBlack},  {15, 19, kBlack},   {100, 3, kGreen}, {101, 3, kBlack}, {100, 4, kBlack},
        {201, 1, kBlue},   {203, 3, kBlue},    {199, 1, kBlack}, {204, 1, kBlack}, {320, 320, kYellow},
        {320, 298, kBlack}, {360, 320, kBlack},
    };
    for (const Probe &p : probes) EXPECT_EQ(At(px, p.x, p.y), p.argb) << "pixel " << p.x << "," << p.y;

    // A rectangle read into part of an array: rows `pitch` apart from offset.
    Array<int> part(10);
    for (int i = 0; i < 10; ++i) part[i] = -1;
    device->ReadPixels(part, 9, 19, 2, 2, 3, 4);
    EXPECT_EQ((std::vector<int>(part.Data(), part.Data() + 10)),
              (std::vector<int>{-1, -1, -1, kBlack, kBlack, -1, -1, kBlack, kRed, -1}));
    // A range past the array's end reads nothing.
    device->ReadPixels(part, 0, 0, 4, 3, 0, 4);
    EXPECT_EQ(part[0], -1);
}

TEST_F(GraphicsTest, TexturedQuadsSampleTheSurface) {
    HxSurface *s = device->CreateSurface(4, 4);
    EXPECT_FLOAT_EQ(s->uScale, 0.25f);
    // Quadrants: red, green above; blue, yellow below.
    Array<int> px(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) px[y * 4 + x] = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow);
    device->WriteSurfacePixels(s, px, 0, 0, 4, 4, 0, 4);

    device->Clear(0, 0, 0);
    device->SetColor(255, 255, 255);
    device->SetAlpha(1);
    device->DrawSurface(s, 300, 100);
    device->DrawSurfaceRect(s, 400, 100, 2, 2, 2, 2);
    Array<float> quad(16);
    const float v[16] = {500, 100, 0, 0, 502, 100, 2, 0, 502, 102, 2, 2, 500, 102, 0, 2};
    for (int i = 0; i < 16; ++i) quad[i] = v[i];
    device->DrawTexturedPoly(quad, s, 2, 0);

    const Array<int> out = Window();
    struct Probe {
        int x, y, argb;
    } probes[] = {
        {300, 100, kRed},    {303, 100, kGreen}, {300, 103, kBlue}, {303, 103, kYellow}, {304, 100, kBlack},
        {400, 100, kYellow}, {401, 101, kYellow}, {402, 100, kBlack}, {500, 100, kGreen}, {501, 101, kGreen},
    };
    for (const Probe &p : probes) EXPECT_EQ(At(out, p.x, p.y), p.argb) << "pixel " << p.x << "," << p.y;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GraphicsTest, StateChangesFlushAndSetGl) {
    struct Case {
        const char *name;
        void (*set)(HxGraphics *);
        bool scissor = false;
        int box[4] = {};
        GLint src = 0, dst = 0;
    } cases[] = {
        {"scissor flipped", [](HxGraphics *d) { d->SetScissor(10, 20, 100, 50); }, true, {10, 470, 100, 50}},
        {"scissor at the bottom", [](HxGraphics *d) { d->SetScissor(0, 500, 960, 40); }, true, {0, 0, 960, 40}},
        {"whole window", [](HxGraphics *d) { d->SetScissor(0, 0, kW, kH); }, false},
        {"additive", [](HxGraphics *d) { d->SetBlend(1); }, false, {}, GL_ONE, GL_ONE},
        {"premultiplied", [](HxGraphics *d) { d->SetBlend(0); }, false, {}, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
        {"any other blend", [](HxGraphics *d) { d->SetBlend(7); }, false, {}, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        glDisable(GL_SCISSOR_TEST);
        glBlendFunc(GL_ZERO, GL_ZERO);
        device->DrawRect(0, 0, 1, 1);
        c.set(device);
        EXPECT_EQ(device->count, 0);
        EXPECT_EQ(glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE, c.scissor);
        if (c.scissor) {
            GLint box[4] = {};
            glGetIntegerv(GL_SCISSOR_BOX, box);
            EXPECT_EQ(std::vector<GLint>(box, box + 4), std::vector<GLint>(c.box, c.box + 4));
        }
        if (c.src) {
            GLint src = 0, dst = 0;
            glGetIntegerv(GL_BLEND_SRC_RGB, &src);
            glGetIntegerv(GL_BLEND_DST_RGB, &dst);
            EXPECT_EQ(src, c.src);
            EXPECT_EQ(dst, c.dst);
        }
    }
}

TEST_F(GraphicsTest, SurfacesUploadPremultipliedByDepth) {
    struct Case {
        int channels;
        std::vector<unsigned char> png;  // 3 x 2 pixels
        std::vector<unsigned char> texture;
        GLenum format;
    } cases[] = {
        {1, {0, 50, 100, 150, 200, 250}, {0, 50, 100, 150, 200, 250}, GL_LUMINANCE},
        {2, {200, 128, 255, 0, 255, 255, 10, 51, 0, 9, 90, 200},
         {100, 128, 0, 0, 255, 255, 2, 51, 0, 9, 70, 200}, GL_LUMINANCE_ALPHA},
        {3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}, GL_RGB},
        {4, {255, 128, 10, 128, 9, 9, 9, 255, 200, 100, 50, 0, 1, 2, 3, 4, 255, 255, 255, 1, 60, 70, 80, 90},
         {128, 64, 5, 128, 9, 9, 9, 255, 0, 0, 0, 0, 0, 0, 0, 4, 1, 1, 1, 1, 21, 24, 28, 90}, GL_RGBA},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.channels);
        const std::string path = WritePng("depth" + std::to_string(c.channels) + ".png", 3, 2, c.channels, c.png);
        HxSurface *s = device->LoadSurface(String(path.c_str()));
        std::remove(path.c_str());
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->depth, c.channels);
        EXPECT_EQ(s->format, static_cast<int>(c.format));
        EXPECT_EQ(s->contextSeq, host_GLContextSeq);
        EXPECT_FLOAT_EQ(s->uScale, 1.0f / 3.0f);
        EXPECT_FLOAT_EQ(s->vScale, 0.5f);
        EXPECT_EQ(std::vector<unsigned char>(s->pixels, s->pixels + c.texture.size()), c.texture);
        EXPECT_EQ(TextureBytes(s->texture, c.format, c.texture.size()), c.texture);
    }
    EXPECT_EQ(device->LoadSurface(String("/nonexistent/velmora.png")), nullptr);
}

TEST_F(GraphicsTest, WrittenPixelsReachTheTexture) {
    HxSurface *s = device->CreateSurface(3, 2);
    ASSERT_EQ(s->contextSeq, host_GLContextSeq);
    ASSERT_NE(s->texture, 0u);
    // The whole width at once, then one pixel inside a row.
    device->WriteSurfacePixels(s, Ints({0xFF010203, 0x80FFFFFF, 0x00FFFFFF, 0xFF0A0B0C, 0x40808080, 0xFFFFFFFF}), 0, 0,
                               3, 2, 0, 3);
    EXPECT_EQ(TextureBytes(s->texture, GL_RGBA, 24), std::vector<unsigned char>(s->pixels, s->pixels + 24));
    device->WriteSurfacePixels(s, Ints({0x80FF0000}), 1, 0, 1, 1, 0, 1);
    const std::vector<unsigned char> tex = TextureBytes(s->texture, GL_RGBA, 24);
    EXPECT_EQ(std::vector<unsigned char>(tex.begin() + 4, tex.begin() + 8),
              (std::vector<unsigned char>{128, 0, 0, 128}));
    EXPECT_EQ(tex, std::vector<unsigned char>(s->pixels, s->pixels + 24));
    EXPECT_EQ(std::vector<unsigned char>(tex.begin() + 16, tex.begin() + 20),
              (std::vector<unsigned char>{0x20, 0x20, 0x20, 0x40}));
}

TEST_F(GraphicsTest, ANewContextRemakesTexturesFromTheKeptPixels) {
    const std::vector<unsigned char> rgba = {10, 20, 30, 255, 40, 50, 60, 255};
    const std::string path = WritePng("remake.png", 2, 1, 4, rgba);
    HxSurface *s = device->LoadSurface(String(path.c_str()));
    std::remove(path.c_str());
    ASSERT_NE(s, nullptr);
    const GLuint first = s->texture;
    HxSurface *old = device->CreateSurface(2, 2);
    const GLuint oldName = old->texture;

    host_GLContextSeq += 1;  // a new window and context
    s->Bind();
    EXPECT_EQ(s->contextSeq, host_GLContextSeq);
    EXPECT_NE(s->texture, first);
    EXPECT_TRUE(glIsTexture(first)) << "a name of an earlier context is forgotten, not deleted";
    EXPECT_EQ(TextureBytes(s->texture, GL_RGBA, 8), rgba);

    // Discarding deletes only a texture of the current context.
    const GLuint second = s->texture;
    EXPECT_EQ(s->Discard(), 0);
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_EQ(s->contextSeq, -1);
    EXPECT_EQ(s->pixels, nullptr);
    old->Discard();
    EXPECT_TRUE(glIsTexture(oldName));
    glDeleteTextures(1, &first);
    glDeleteTextures(1, &oldName);
}

TEST_F(GraphicsTest, LayerBeginRenderSetsTheDeviceUp) {
    struct Case {
        int cachedW, cachedH;
        bool scissor = false;
        int box[4] = {};
    } cases[] = {
        {kW, kH, false, {}},
        {800, 500, true, {0, 40, 800, 500}},
    };
    gfx1_InitGlobals();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cachedW);
        app_CachedDeviceWidth = c.cachedW;
        app_CachedDeviceHeight = c.cachedH;
        device->SetColor(1, 2, 3);
        device->SetAlpha(0.25f);
        glEnable(GL_SCISSOR_TEST);
        glBlendFunc(GL_ONE, GL_ONE);
        gfx1_SetMatrix(2, 0, 0, 2, 0, 0);
        gfx1_Context->matrixDirty = 0;

        gfx1_BeginRender();
        EXPECT_EQ(gfx1_RenderDevice.get(), device);
        EXPECT_EQ(device->colour, 0xFFFFFFFFu);
        EXPECT_EQ(glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE, c.scissor);
        if (c.scissor) {
            GLint box[4] = {};
            glGetIntegerv(GL_SCISSOR_BOX, box);
            EXPECT_EQ(std::vector<GLint>(box, box + 4), std::vector<GLint>(c.box, c.box + 4));
        }
        GLint dst = 0;
        glGetIntegerv(GL_BLEND_DST_RGB, &dst);
        EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
        c_GraphicsContext *ctx = gfx1_Context;
        EXPECT_EQ(ctx->ix, 1);
        EXPECT_EQ(ctx->transformed, 0);
        EXPECT_EQ(ctx->matrixDirty, 1);
        EXPECT_EQ(ctx->scissorWidth, static_cast<float>(c.cachedW));

        // While rendering the setters reach the device.
        gfx1_SetColor(255, 128, 0);
        gfx1_SetAlpha(0.5f);
        EXPECT_EQ(device->colour, 0x7F00407Fu);
        gfx1_SetScissor(10.7f, 20.2f, 100.9f, 50.5f);
        GLint box[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, box);
        EXPECT_EQ(std::vector<GLint>(box, box + 4), (std::vector<GLint>{10, 470, 100, 50}));
        gfx1_SetBlend(1);
        glGetIntegerv(GL_BLEND_DST_RGB, &dst);
        EXPECT_EQ(dst, GL_ONE);

        gfx1_EndRender();
        EXPECT_EQ(gfx1_RenderDevice.get(), nullptr);
    }
}

}  // namespace
