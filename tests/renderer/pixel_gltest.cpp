// What the renderer draws, pixel by pixel, against a real GL context (Mesa
// under a private X server). Pixels come back through the canvas's own
// paths: the retained pixels of a Managed render target after its flush,
// or glReadPixels of the window's framebuffer after the window canvas's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "host/hx_gl11.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_math3d.h"
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

struct Px {
    int r, g, b, a;
    bool operator==(const Px &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream &operator<<(std::ostream &os, const Px &p) {
    return os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}
bool Near(const Px &p, const Px &q, int tolerance) {
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance && std::abs(p.b - q.b) <= tolerance &&
           std::abs(p.a - q.a) <= tolerance;
}

// Pixel (x, y) of RGBA rows of width w, row 0 first.
Px At(const Bytes &rows, int w, int x, int y) {
    const uint8_t *p = &rows[(static_cast<size_t>(y) * w + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

const Px kBlack{0, 0, 0, 255};
const Px kRed{255, 0, 0, 255};
const Px kGreen{0, 255, 0, 255};
const Px kBlue{0, 0, 255, 255};
const Px kMagenta{255, 0, 255, 255};

// The list's default material, typed (a bare nullptr would pick the image
// form of DrawRect).
c_Material *const kDefault = nullptr;

constexpr int kTargetFlags = TextureFlags::RenderTarget | TextureFlags::ClampS | TextureFlags::ClampT;

class PixelGlTest : public GlWindowTest<64, 48> {
protected:
    HxZentrovaGame *game = nullptr;
    TempDir dir;
    FrameDump readFrames;  // every frame read back, as PNGs when the test fails

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl11_Reset();
        game = new HxZentrovaGame();
        app_InitGlobals();
        TakeWindowSize();
        gfx2_InitGlobals();
        ImageFlagsMask = 259;
        gfx2_InitRenderer();
    }
    void TearDown() override {
        if (window) gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        test_ClearRendererGlobals();
        app_Game = nullptr;
        delete game;
        RuntimeTest::TearDown();
    }

    static void TakeWindowSize() {
        glfwGetFramebufferSize(window, &app_CachedDeviceWidth, &app_CachedDeviceHeight);
    }

    // A Managed render target: its canvas reads every flush back into it.
    static c_Texture *ManagedTarget(int w, int h) {
        return gc_New<c_Texture>()->m_new(w, h, 4, kTargetFlags | TextureFlags::Managed);
    }
    Bytes Retained(c_Texture *texture) {
        const c_DataBuffer *data = texture->data;
        return readFrames.Keep("retained", Bytes(data->data, data->data + data->length), texture->width,
                               texture->height);
    }
    // The window's framebuffer, top row first. The window canvas, flushed
    // last, left it bound.
    Bytes ReadWindow() {
        const int w = app_CachedDeviceWidth, h = app_CachedDeviceHeight;
        Bytes bottomUp(static_cast<size_t>(w) * h * 4);
        gl11.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        Bytes topDown(bottomUp.size());
        const size_t row = static_cast<size_t>(w) * 4;
        for (int y = 0; y < h; ++y)
            std::copy_n(&bottomUp[static_cast<size_t>(h - 1 - y) * row], row, &topDown[static_cast<size_t>(y) * row]);
        return readFrames.Keep("window", std::move(topDown), w, h);
    }

    // A texture holding `pixels` (w x h, RGBA), nearest sampling, clamped.
    static c_Texture *TextureOf(int w, int h, const Bytes &pixels) {
        c_DataBuffer *data = gc_New<c_DataBuffer>()->m_new(w * h * 4);
        std::copy(pixels.begin(), pixels.end(), data->data);
        return gc_New<c_Texture>()->m_new(w, h, 4, TextureFlags::ClampS | TextureFlags::ClampT, data);
    }
    // An image over the whole of a texture, in a fast-shader material that
    // holds the only reference to the texture.
    static c_Image2 *ImageOf(c_Texture *texture) {
        c_Material *material = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
        material->SetTexture(String(u"ColorTexture"), texture);
        texture->Release();
        return gc_New<c_Image2>()->m_new(material, 0.0f, 0.0f);
    }
    // w x h opaque pixels, each its own colour.
    static Bytes Pattern(int w, int h) {
        Bytes p(static_cast<size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t *q = &p[(static_cast<size_t>(y) * w + x) * 4];
                q[0] = static_cast<uint8_t>(20 * x + 7);
                q[1] = static_cast<uint8_t>(60 * y + 11);
                q[2] = static_cast<uint8_t>(250 - 9 * (x + y));
                q[3] = 255;
            }
        return p;
    }
};

// ---------------------------------------------------------------------------

TEST_F(PixelGlTest, OpaqueRectangleIsExact) {
    const int W = 16, H = 12;
    c_Texture *target = ManagedTarget(W, H);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    canvas->Clear(0, 0, 0, 1);
    canvas->SetBlendMode(c_BlendMode_Opaque);
    canvas->SetColor(1, 0.2f, 0.6f);
    canvas->DrawRect(2, 3, 5, 4, kDefault, 0, 0, 1, 1);
    canvas->Flush();

    const Bytes px = Retained(target);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 3 && y < 7;
            EXPECT_EQ(At(px, W, x, y), inside ? (Px{255, 51, 153, 255}) : kBlack) << "pixel " << x << ", " << y;
        }
}

TEST_F(PixelGlTest, EachBlendModeOverAKnownDestination) {
    // Eight 4 x 4 cells, one per mode, and a ninth left as the destination.
    const int W = 36, H = 4;
    c_Texture *target = ManagedTarget(W, H);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    canvas->Clear(0.8f, 0.4f, 0.2f, 0.6f);
    canvas->SetColor(0.2f, 0.6f, 1.0f, 0.5f);
    for (int mode = c_BlendMode_Opaque; mode <= c_BlendMode_AlphaMask; ++mode) {
        canvas->SetBlendMode(mode);
        canvas->DrawRect(static_cast<float>(4 * mode), 0, 4, 4, kDefault, 0, 0, 1, 1);
    }
    canvas->Flush();
    const Bytes px = Retained(target);

    // The source is the packed colour: premultiplied, each byte truncated.
    const uint32_t packed = canvas->m_packedColor;
    const double s[4] = {(packed & 255) / 255.0, (packed >> 8 & 255) / 255.0, (packed >> 16 & 255) / 255.0,
                         (packed >> 24) / 255.0};
    const Px dstPx = At(px, W, 34, 2);
    const double d[4] = {dstPx.r / 255.0, dstPx.g / 255.0, dstPx.b / 255.0, dstPx.a / 255.0};
    EXPECT_TRUE(Near(dstPx, Px{204, 102, 51, 153}, 1)) << dstPx;
    const double sa = s[3];

    using Blend = std::function<double(int channel)>;
    const struct {
        const char *name;
        Blend rgb, alpha;
    } modes[8] = {
        {"Opaque", [&](int c) { return s[c]; }, [&](int) { return sa; }},
        {"Alpha", [&](int c) { return s[c] + d[c] * (1 - sa); }, [&](int) { return sa + d[3] * (1 - sa); }},
        {"Additive", [&](int c) { return s[c] + d[c]; }, [&](int) { return sa + d[3]; }},
        {"Multiply", [&](int c) { return s[c] * d[c] + d[c] * (1 - sa); },
         [&](int) { return sa * d[3] + d[3] * (1 - sa); }},
        {"MultiplyOpaque", [&](int c) { return s[c] * d[c]; }, [&](int) { return sa * d[3]; }},
        {"AlphaWrite", [&](int c) { return d[c]; }, [&](int) { return sa; }},
        {"StraightAlpha", [&](int c) { return s[c] * sa + d[c] * (1 - sa); },
         [&](int) { return sa * sa + d[3] * (1 - sa); }},
        {"AlphaMask", [&](int c) { return d[c] * sa; }, [&](int) { return sa; }},
    };
    auto toByte = [](double v) { return static_cast<int>(std::lround(std::min(1.0, std::max(0.0, v)) * 255)); };
    for (int mode = c_BlendMode_Opaque; mode <= c_BlendMode_AlphaMask; ++mode) {
        SCOPED_TRACE(modes[mode].name);
        const Px want{toByte(modes[mode].rgb(0)), toByte(modes[mode].rgb(1)), toByte(modes[mode].rgb(2)),
                      toByte(modes[mode].alpha(3))};
        for (int y = 0; y < H; ++y)
            for (int x = 4 * mode; x < 4 * mode + 4; ++x) {
                const Px got = At(px, W, x, y);
                EXPECT_TRUE(Near(got, want, 1)) << "pixel " << x << ", " << y << ": " << got << " want " << want;
            }
    }
}

TEST_F(PixelGlTest, NearestTextureScaledFourTimesIsExact) {
    const Bytes source = Pattern(4, 4);
    c_Image2 *image = ImageOf(TextureOf(4, 4, source));
    const int W = 16;
    c_Texture *target = ManagedTarget(W, W);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    canvas->SetBlendMode(c_BlendMode_Opaque);
    canvas->DrawImage(image, 0, 0, 0, 4, 4);
    canvas->Flush();

    const Bytes px = Retained(target);
    for (int y = 0; y < W; ++y)
        for (int x = 0; x < W; ++x)
            EXPECT_EQ(At(px, W, x, y), At(source, 4, x / 4, y / 4)) << "pixel " << x << ", " << y;
}

TEST_F(PixelGlTest, WindowCanvasTopRowIsYZero) {
    const int W = app_CachedDeviceWidth, H = app_CachedDeviceHeight;
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new();
    canvas->Clear(0, 0, 1, 1);
    canvas->SetBlendMode(c_BlendMode_Opaque);
    canvas->SetColor(1, 0, 0);
    canvas->DrawRect(0, 0, static_cast<float>(W), 1, kDefault, 0, 0, 1, 1);
    canvas->SetColor(0, 1, 0);
    canvas->DrawRect(0, static_cast<float>(H - 1), 3, 1, kDefault, 0, 0, 1, 1);
    canvas->Flush();

    const Bytes px = ReadWindow();
    for (int x = 0; x < W; ++x) EXPECT_EQ(At(px, W, x, 0), kRed) << "top row, x " << x;
    EXPECT_EQ(At(px, W, 0, H - 1), kGreen);
    EXPECT_EQ(At(px, W, 2, H - 1), kGreen);
    EXPECT_EQ(At(px, W, 3, H - 1), kBlue);
    EXPECT_EQ(At(px, W, 0, 1), kBlue);
}

TEST_F(PixelGlTest, RenderTargetDrawnIntoTheWindowIsUpright) {
    // An 8 x 6 target with a red top row and a green left column.
    c_Image2 *layer = gc_New<c_Image2>()->m_new(8, 6, 0.0f, 0.0f, 0);
    c_Canvas *offscreen = gc_New<c_Canvas>()->m_new(layer);
    offscreen->Clear(0, 0, 1, 1);
    offscreen->SetBlendMode(c_BlendMode_Opaque);
    offscreen->SetColor(1, 0, 0);
    offscreen->DrawRect(0, 0, 8, 1, kDefault, 0, 0, 1, 1);
    offscreen->SetColor(0, 1, 0);
    offscreen->DrawRect(0, 1, 1, 5, kDefault, 0, 0, 1, 1);
    offscreen->Flush();

    c_Canvas *screen = gc_New<c_Canvas>()->m_new();
    screen->Clear(0, 0, 0, 1);
    screen->SetBlendMode(c_BlendMode_Opaque);
    screen->DrawImage(layer, 10, 5);
    screen->Flush();

    const Bytes px = ReadWindow();
    const int W = app_CachedDeviceWidth;
    for (int y = 0; y < 12; ++y)
        for (int x = 8; x < 20; ++x) {
            Px want = kBlack;
            if (x >= 10 && x < 18 && y >= 5 && y < 11) want = y == 5 ? kRed : x == 10 ? kGreen : kBlue;
            EXPECT_EQ(At(px, W, x, y), want) << "window pixel " << x << ", " << y;
        }
}

TEST_F(PixelGlTest, StripFrameShowsOnlyItsFrame) {
    const int SW = 12, SH = 2;
    const Bytes strip = Pattern(SW, SH);
    const std::string path = dir.Join("strip.png");
    ASSERT_NE(stbi_write_png(path.c_str(), SW, SH, 4, strip.data(), SW * 4), 0);
    // Three 4 x 2 frames; flags 0 through the mask: nearest sampling.
    Array<c_Image2 *> frames = c_Image2::LoadFrames(String(path.c_str()), 3, false, 0.0f, 0.0f, 0, gfx2_FastShader);
    ASSERT_EQ(frames.Length(), 3);

    const int W = 16, H = 8;
    c_Texture *target = ManagedTarget(W, H);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    canvas->Clear(1, 0, 1, 1);
    canvas->SetBlendMode(c_BlendMode_Opaque);
    canvas->DrawImage(frames[1], 4, 2, 0, 2, 2);  // frame 1 at twice its size
    canvas->Flush();

    const Bytes px = Retained(target);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 2 && y < 6;
            const Px want = inside ? At(strip, SW, 4 + (x - 4) / 2, (y - 2) / 2) : kMagenta;
            EXPECT_EQ(At(px, W, x, y), want) << "pixel " << x << ", " << y;
        }
}

TEST_F(PixelGlTest, DefaultFontTextHasInkWhereExpected) {
    // The start-up loaded it from the data folder; every new canvas uses it.
    c_Font2 *font = gfx2_DefaultFont;
    ASSERT_NE(font, nullptr);
    c_Glyph2 *glyph = font->GetGlyph('H');
    ASSERT_NE(glyph, nullptr);
    c_Texture *page = font->m_pages[0]->m_material->ColorTexture();
    const Bytes texels = Retained(page);
    const int PW = page->width;

    const int W = 24, H = 16, gx = 2, gy = 3;
    c_Texture *target = ManagedTarget(W, H);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    ASSERT_EQ(canvas->Font(), font);
    canvas->Clear(0, 0, 0, 1);
    canvas->DrawText(String(u"H"), gx, gy, 0, 0);
    canvas->Flush();

    const Bytes px = Retained(target);
    int ink = 0, blank = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Px got = At(px, W, x, y);
            const int u = x - gx, v = y - gy;
            if (u < 0 || u >= glyph->m_width || v < 0 || v >= glyph->m_height) {
                EXPECT_EQ(got, kBlack) << "outside the glyph at " << x << ", " << y;
                continue;
            }
            // Premultiplied texel over opaque black: its colour, alpha 255.
            Px texel = At(texels, PW, glyph->m_x + u, glyph->m_y + v);
            (texel.a > 0 ? ink : blank) += 1;
            texel.a = 255;
            EXPECT_TRUE(Near(got, texel, 2)) << "glyph pixel " << u << ", " << v << ": " << got << " want " << texel;
        }
    EXPECT_GT(ink, 8) << "an H has ink";
    EXPECT_GT(blank, 8) << "and space between its strokes";
}

TEST_F(PixelGlTest, PointLightBrightensABumpMaterial) {
    const int W = 16;
    c_Texture *target = ManagedTarget(W, W);
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    c_Material *bump = gc_New<c_Material>()->m_new(gfx2_BumpShader.get());
    auto drawCentre = [&]() {
        canvas->Clear(0, 0, 0, 1);
        canvas->SetBlendMode(c_BlendMode_Opaque);
        canvas->SetColor(0.4f, 0.4f, 0.4f);
        canvas->DrawRect(0, 0, W, W, bump, 0, 0, 1, 1);
        canvas->Flush();
        return At(Retained(target), W, W / 2, W / 2);
    };
    const Px unlit = drawCentre();
    EXPECT_TRUE(Near(unlit, Px{102, 102, 102, 255}, 1)) << unlit;

    // A white light 20 pixels above the middle of the canvas.
    c_LightData *light = canvas->m_lights[0];
    light->m_type = 1;
    math3d_Vec4Init(W / 2.0f, W / 2.0f, 20, 1, light->m_vector);
    light->m_range = 100;
    canvas->SetProjection2d(0, W, 0, W, -1, 1);  // the shader environment again
    const Px lit = drawCentre();
    EXPECT_EQ(gfx2_LightCount, 1);
    EXPECT_GT(lit.r, unlit.r + 40) << lit;
    EXPECT_EQ(lit.r, lit.g);
    EXPECT_EQ(lit.a, 255);

    light->m_type = 0;
    canvas->SetProjection2d(0, W, 0, W, -1, 1);
    EXPECT_EQ(drawCentre(), unlit);
    EXPECT_EQ(gfx2_LightCount, 0);
}

TEST_F(PixelGlTest, NewWindowGivesTheSamePixels) {
    // A Managed layer drawn once; after the new context only its retained
    // pixels can bring it back.
    c_Image2 *layer = gc_New<c_Image2>()->m_new(8, 8, 0.0f, 0.0f, TextureFlags::Managed);
    c_Canvas *offscreen = gc_New<c_Canvas>()->m_new(layer);
    offscreen->Clear(0, 0.5f, 1, 1);
    offscreen->SetBlendMode(c_BlendMode_Opaque);
    offscreen->SetColor(1, 0, 0);
    offscreen->DrawEllipse(1, 1, 6, 6);
    offscreen->Flush();

    c_Image2 *sprite = ImageOf(TextureOf(4, 4, Pattern(4, 4)));
    c_Canvas *screen = gc_New<c_Canvas>()->m_new();
    auto frame = [&]() {
        screen->Clear(0.1f, 0.2f, 0.3f, 1);
        screen->SetColor(1, 1, 1, 1);
        screen->SetBlendMode(c_BlendMode_Opaque);
        screen->DrawImage(layer, 4, 4);
        screen->DrawImage(sprite, 20, 4, 0, 3, 3);
        screen->SetBlendMode(c_BlendMode_Alpha);
        screen->SetColor(1, 1, 0, 0.75f);
        screen->DrawRect(2, 30, 40, 10, kDefault, 0, 0, 1, 1);
        screen->Flush();
        return ReadWindow();
    };
    const Bytes before = frame();
    const int W = app_CachedDeviceWidth;
    EXPECT_EQ(At(before, W, 8, 8), kRed) << "the layer's ellipse";
    EXPECT_TRUE(Near(At(before, W, 4, 4), Px{0, 128, 255, 255}, 1)) << "the layer's corner";

    // The host replaces the window and its context.
    ReplaceWindow();
    ASSERT_NE(window, nullptr);
    TakeWindowSize();

    const Bytes after = frame();
    ASSERT_EQ(after.size(), before.size());
    int differing = 0;
    for (size_t i = 0; i < before.size(); i += 4)
        if (!std::equal(&before[i], &before[i] + 4, &after[i])) ++differing;
    EXPECT_EQ(differing, 0) << "pixels that differ after the new context";
}

}  // namespace
