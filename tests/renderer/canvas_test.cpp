// The canvas against the recording fake GL: viewport and scissor in
// framebuffer pixels (the window's rows flipped), the clear's own scissor,
// the projection with and without the window's flip, switching canvases
// (the previous one is flushed first), the dirty bits, a new GL context,
// the read-back into Managed textures (clipped to the texture), the shader
// environment, the render-target errors and the matrix helpers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_math3d.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"

namespace {

using Lines = std::vector<std::string>;

// The list's default material, typed (a bare nullptr would pick the image
// form of DrawRect).
c_Material *const kDefault = nullptr;

constexpr int kRT = TextureFlags::RenderTarget | TextureFlags::ClampS | TextureFlags::ClampT;

bool StartsWith(const std::string &s, const std::string &prefix) { return s.rfind(prefix, 0) == 0; }

// The log lines that start with any of the prefixes, in order.
Lines Filtered(const std::vector<std::string> &prefixes) {
    Lines out;
    for (const std::string &line : FakeGl::Log())
        for (const std::string &p : prefixes)
            if (StartsWith(line, p)) {
                out.push_back(line);
                break;
            }
    return out;
}

// Framebuffer, viewport, scissor and clear calls.
Lines TargetCalls() {
    return Filtered({"glBindFramebuffer", "glViewport", "glEnable(GL_SCISSOR_TEST)", "glDisable(GL_SCISSOR_TEST)", "glScissor",
                     "glClear(GL_COLOR_BUFFER_BIT)"});
}

std::string Bind(uint32_t framebuffer) { return "glBindFramebuffer(GL_FRAMEBUFFER, " + std::to_string(framebuffer) + ")"; }
std::string Rect(const char *fn, int x, int y, int w, int h) {
    return std::string(fn) + "(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(w) + ", " +
           std::to_string(h) + ")";
}
const std::string kScissorOn = "glEnable(GL_SCISSOR_TEST)";
const std::string kScissorOff = "glDisable(GL_SCISSOR_TEST)";
const std::string kClear = "glClear(GL_COLOR_BUFFER_BIT)";

std::string ReadRow(int x, int y, int w, int h) {
    return "glReadPixels(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(w) + ", " +
           std::to_string(h) + ", GL_RGBA, GL_UNSIGNED_BYTE, data)";
}

// The shared buffers, the flip and the fast shader are all a canvas needs.
class CanvasTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
        gfx2_FlipMatrix[5] = -1.0f;
        gfx2_InitVbos();
        gfx2_FastShader = gc_New<c_Shader>()->m_new(String(u"void shader() { gl_FragColor = vxr_Color; }"));
        app_CachedDeviceWidth = 960;
        app_CachedDeviceHeight = 540;
    }
    void TearDown() override {
        app_CachedDeviceWidth = 0;
        app_CachedDeviceHeight = 0;
        FakeRendererTest::TearDown();
    }

    static c_Texture *Target(int w, int h, int flags = kRT) {
        return gc_New<c_Texture>()->m_new(w, h, 4, flags | TextureFlags::RenderTarget);
    }
    // A frame (x, y, w, h) of a render-target texture, as an image.
    static c_Image2 *Frame(c_Texture *texture, int x, int y, int w, int h) {
        c_Material *material = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
        material->SetTexture(String(u"ColorTexture"), texture);
        return gc_New<c_Image2>()->m_new(material, x, y, w, h, 0.0f, 0.0f);
    }
    static c_Canvas *WindowCanvas() { return gc_New<c_Canvas>()->m_new(); }
    static c_Canvas *CanvasOn(Object *target) { return gc_New<c_Canvas>()->m_new(target); }
    static void DrawSomething(c_Canvas *canvas) { canvas->DrawRect(1, 1, 2, 2, kDefault, 0, 0, 1, 1); }
};

// ---------------------------------------------------------------------------

TEST_F(CanvasTest, ViewportScissorAndClearInFramebufferPixels) {
    struct Case {
        const char *name;
        std::function<c_Canvas *()> make;
        Lines expected;  // framebuffer, viewport, scissor and clear calls of one Clear
    };
    const Case cases[] = {
        {"whole window: no scissor anywhere", [] { return WindowCanvas(); },
         {Bind(0), Rect("glViewport", 0, 0, 960, 540), kScissorOff, kClear}},
        {"top-left quarter of the window: rows flipped, the clear scissors itself",
         [] {
             c_Canvas *c = WindowCanvas();
             c->SetViewport(0, 0, 480, 270);
             return c;
         },
         {Bind(0), Rect("glViewport", 0, 270, 480, 270), kScissorOff, kScissorOn, Rect("glScissor", 0, 270, 480, 270),
          kClear, kScissorOff}},
        {"scissor inside the window: flipped with its own y and h",
         [] {
             c_Canvas *c = WindowCanvas();
             c->SetScissor(10, 20, 30, 40);
             return c;
         },
         {Bind(0), Rect("glViewport", 0, 0, 960, 540), kScissorOn, Rect("glScissor", 10, 480, 30, 40), kClear}},
        {"scissor clipped to a texture viewport, then moved by it",
         [] {
             c_Canvas *c = CanvasOn(Target(300, 200));
             c->SetViewport(20, 30, 200, 100);
             c->SetScissor(-10, 5, 100, 1000);
             return c;
         },
         {Bind(1), Rect("glViewport", 20, 30, 200, 100), kScissorOn, Rect("glScissor", 20, 35, 100, 95), kClear}},
        {"negative scissor size: empty",
         [] {
             c_Canvas *c = CanvasOn(Target(64, 64));
             c->SetScissor(5, 70, -3, 10);
             return c;
         },
         {Bind(1), Rect("glViewport", 0, 0, 64, 64), kScissorOn, Rect("glScissor", 5, 64, 0, 0), kClear}},
        {"image frame of a larger texture: viewport at the frame, clear only the frame",
         [] { return CanvasOn(Frame(Target(32, 32), 8, 4, 16, 8)); },
         {Bind(1), Rect("glViewport", 8, 4, 16, 8), kScissorOff, kScissorOn, Rect("glScissor", 8, 4, 16, 8), kClear,
          kScissorOff}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c_Canvas *canvas = c.make();
        FakeGl::ClearLog();
        canvas->Clear(0, 0, 0, 1);
        // Bind(1) stands for the target texture's framebuffer.
        Lines expected = c.expected;
        if (c_Texture *t = canvas->m_targetTexture) expected[0] = Bind(t->glFramebuffer);
        EXPECT_EQ(TargetCalls(), expected);
        EXPECT_EQ(gfx2_CurrentCanvas.get(), canvas);
    }
}

TEST_F(CanvasTest, ProjectionFlipsOnlyTheWindow) {
    struct Case {
        const char *name;
        bool window;
        float clipY;
        // Where (0, 0) and (w, h) of the drawing land in clip space.
        float topLeft[2], bottomRight[2];
    } cases[] = {
        {"window: y = 0 is the top row", true, -1.0f, {-1, 1}, {1, -1}},
        {"texture: y = 0 is GL row 0", false, 1.0f, {-1, -1}, {1, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c_Canvas *canvas = c.window ? WindowCanvas() : CanvasOn(Target(64, 32));
        const float w = static_cast<float>(canvas->m_width), h = static_cast<float>(canvas->m_height);
        gfx2_BlendModeCache = c_BlendMode_Multiply;
        gfx2_BoundProgram = gc_New<c_GLProgram>()->m_new();
        canvas->Validate();
        EXPECT_EQ(gfx2_ClipPosScale[1], c.clipY);
        EXPECT_EQ(gfx2_BlendModeCache, -1);
        EXPECT_EQ(gfx2_BoundProgram.get(), nullptr);
        const float corners[2][4] = {{0, 0, 0, 1}, {w, h, 0, 1}};
        const float *expected[2] = {c.topLeft, c.bottomRight};
        for (int k = 0; k < 2; ++k) {
            float out[4];
            gfx2_Mat4Transform(gfx2_ModelViewProjection, corners[k], out);
            EXPECT_FLOAT_EQ(out[0], expected[k][0]) << "corner " << k;
            EXPECT_FLOAT_EQ(out[1], expected[k][1]) << "corner " << k;
        }
    }
}

TEST_F(CanvasTest, SwitchingFlushesThePreviousCanvasFirst) {
    c_Texture *ta = Target(8, 8), *tb = Target(16, 16);
    c_Canvas *a = CanvasOn(ta), *b = CanvasOn(tb);
    FakeGl::ClearLog();

    a->Clear(0, 0, 0, 1);
    DrawSomething(a);
    DrawSomething(a);
    b->Clear(0, 0, 0, 1);  // flushes a's two quads into a's framebuffer
    DrawSomething(b);
    a->Clear(1, 1, 1, 1);  // flushes b; a re-applies everything

    const Lines expected = {
        Bind(ta->glFramebuffer), Rect("glViewport", 0, 0, 8, 8), kScissorOff, kClear,
        "glBufferSubData(GL_ARRAY_BUFFER, 0, 224, data)", "glDrawElements(GL_TRIANGLES, 12, GL_UNSIGNED_SHORT, 0)",
        Bind(tb->glFramebuffer), Rect("glViewport", 0, 0, 16, 16), kScissorOff, kClear,
        "glBufferSubData(GL_ARRAY_BUFFER, 0, 112, data)", "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, 0)",
        Bind(ta->glFramebuffer), Rect("glViewport", 0, 0, 8, 8), kScissorOff, kClear,
    };
    EXPECT_EQ(Filtered({"glBindFramebuffer", "glViewport", "glEnable(GL_SCISSOR_TEST)", "glDisable(GL_SCISSOR_TEST)", "glScissor",
                        "glClear(GL_COLOR_BUFFER_BIT)", "glBufferSubData", "glDraw"}),
              expected);
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(gfx2_CurrentCanvas.get(), a);
}

TEST_F(CanvasTest, DirtyBitsApplyOnlyWhatChanged) {
    struct Case {
        const char *name;
        std::function<void(c_Canvas *, c_Texture *)> change;
        Lines calls;          // of the following Validate
        bool shaderApplied;   // the bound program and blend cache were reset
    };
    const std::string vp = Rect("glViewport", 0, 0, 32, 16);
    const Case cases[] = {
        {"nothing changed: no GL call", [](c_Canvas *, c_Texture *) {}, {}, false},
        {"viewport", [](c_Canvas *c, c_Texture *) { c->SetViewport(0, 0, 32, 16); }, {vp, kScissorOff}, false},
        {"scissor", [](c_Canvas *c, c_Texture *) { c->SetScissor(0, 0, 32, 16); }, {vp, kScissorOff}, false},
        {"projection: the shader environment only",
         [](c_Canvas *c, c_Texture *) { c->SetProjection2d(0, 32, 0, 16, -1, 1); }, {}, true},
        {"render target: everything, line width and colour mask included",
         [](c_Canvas *c, c_Texture *t) { c->SetRenderTarget(t); },
         {Bind(1), vp, kScissorOff, "glLineWidth(1)", "glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE)"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c_Texture *texture = Target(32, 16);
        c_Canvas *canvas = CanvasOn(texture);
        canvas->Validate();
        ASSERT_EQ(canvas->m_dirty, 0);
        c_GLProgram *sentinel = gc_New<c_GLProgram>()->m_new();
        gfx2_BoundProgram = sentinel;
        gfx2_BlendModeCache = c_BlendMode_Multiply;
        c.change(canvas, texture);
        FakeGl::ClearLog();
        canvas->Validate();
        Lines calls = c.calls;
        for (std::string &line : calls)
            if (line == Bind(1)) line = Bind(texture->glFramebuffer);
        EXPECT_EQ(Filtered({"gl"}), calls);
        EXPECT_EQ(gfx2_BoundProgram.get() == nullptr, c.shaderApplied);
        EXPECT_EQ(gfx2_BlendModeCache == -1, c.shaderApplied);
        EXPECT_EQ(canvas->m_dirty, 0);
    }
}

TEST_F(CanvasTest, NewContextRemakesBuffersAndRereadsTheWindowSize) {
    c_Canvas *window = WindowCanvas();
    c_Texture *texture = Target(4, 4, kRT | TextureFlags::Managed);
    c_Canvas *offscreen = CanvasOn(texture);
    offscreen->Validate();
    window->Validate();
    const uint32_t oldFramebuffer = texture->glFramebuffer;

    // The host made a new window of another size.
    host_GLContextSeq = 2;
    app_CachedDeviceWidth = 800;
    app_CachedDeviceHeight = 600;
    FakeGl::ClearLog();
    window->Validate();
    EXPECT_EQ(FakeGl::Count("glGenBuffers"), 2) << "the shared vertex and index buffers";
    EXPECT_EQ(window->m_width, 800);
    EXPECT_EQ(window->m_targetHeight, 600);
    // The viewport set at construction stays; its rows are flipped against
    // the new height, and it no longer covers the window.
    EXPECT_EQ(TargetCalls(), (Lines{Bind(0), Rect("glViewport", 0, 60, 960, 540), kScissorOff}));
    EXPECT_TRUE(window->m_clearNeedsScissor);

    FakeGl::ClearLog();
    offscreen->Validate();
    EXPECT_EQ(FakeGl::Count("glGenBuffers"), 0) << "already made under this context";
    EXPECT_NE(texture->glFramebuffer, oldFramebuffer);
    EXPECT_EQ(texture->contextSeq, 2);
    // The retained pixels went up again with the new texture.
    EXPECT_EQ(Filtered({"glTexImage2D"}).back(), "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, data)");
    EXPECT_EQ(TargetCalls().front(), Bind(texture->glFramebuffer));
}

TEST_F(CanvasTest, ManagedReadBackStaysInsideTheRetainedPixels) {
    enum Retained { kFull, kShort, kNone };
    struct Case {
        const char *name;
        int texW, texH, flags;
        int frame[4];  // x, y, w, h; w = 0: the whole texture as target
        Retained retained;
        Lines reads;
        bool mipmaps;
    } cases[] = {
        {"whole texture: one read", 4, 2, kRT | TextureFlags::Managed, {0, 0, 0, 0}, kFull, {ReadRow(0, 0, 4, 2)},
         false},
        {"image frame: its rows only", 8, 4, kRT | TextureFlags::Managed, {2, 1, 3, 2}, kFull,
         {ReadRow(2, 1, 3, 1), ReadRow(2, 2, 3, 1)}, false},
        {"frame reaching past the texture: clipped", 8, 4, kRT | TextureFlags::Managed, {6, 3, 4, 3}, kFull,
         {ReadRow(6, 3, 2, 1)}, false},
        {"frame wholly outside the texture: nothing", 8, 4, kRT | TextureFlags::Managed, {9, 0, 2, 2}, kFull, {},
         false},
        {"retained pixels shorter than the texture: nothing", 4, 2, kRT | TextureFlags::Managed, {0, 0, 0, 0},
         kShort, {}, false},
        {"no retained pixels: nothing", 4, 2, kRT | TextureFlags::Managed, {0, 0, 0, 0}, kNone, {}, false},
        {"managed and mipmapped: read, then mipmaps", 4, 4,
         kRT | TextureFlags::Managed | TextureFlags::Mipmap, {0, 0, 0, 0}, kFull, {ReadRow(0, 0, 4, 4)}, true},
        {"not managed: mipmaps only", 4, 4, kRT | TextureFlags::Mipmap, {0, 0, 0, 0}, kFull, {}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c_Texture *texture = Target(c.texW, c.texH, c.flags);
        if (c.retained == kShort) texture->data = gc_New<c_DataBuffer>()->m_new(c.texW * c.texH * 4 - 4);
        if (c.retained == kNone) texture->data = nullptr;
        Object *target = texture;
        if (c.frame[2] > 0) target = Frame(texture, c.frame[0], c.frame[1], c.frame[2], c.frame[3]);
        c_Canvas *canvas = CanvasOn(target);
        canvas->Validate();  // the previous case's canvas is flushed now
        DrawSomething(canvas);
        FakeGl::SetReadPixel(0x44332211u);
        FakeGl::ClearLog();
        canvas->Flush();
        EXPECT_TRUE(canvas->IsEmpty());
        EXPECT_EQ(Filtered({"glReadPixels"}), c.reads);
        EXPECT_EQ(FakeGl::Count("glGenerateMipmap"), c.mipmaps ? 1 : 0);
        if (c.flags & TextureFlags::Managed) {
            // The read used the whole texture's viewport without a scissor,
            // and the canvas's own viewport comes back at the next validation.
            const Lines calls = Filtered({"glDisable(GL_SCISSOR_TEST)", "glViewport", "glReadPixels"});
            const std::string full = Rect("glViewport", 0, 0, c.texW, c.texH);
            EXPECT_NE(std::find(calls.begin(), calls.end(), full), calls.end());
            EXPECT_TRUE(canvas->m_dirty & CanvasDirtyBits::ViewportScissor);
        }
    }
}

TEST_F(CanvasTest, ReadBackLandsAtTheFrameOfTheRetainedPixels) {
    c_Texture *texture = Target(8, 4, kRT | TextureFlags::Managed);
    c_Canvas *canvas = CanvasOn(Frame(texture, 2, 1, 3, 2));
    FakeGl::SetReadPixel(0x44332211u);
    canvas->Flush();
    const unsigned char *px = texture->data->data;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inFrame = x >= 2 && x < 5 && y >= 1 && y < 3;
            const unsigned char *p = px + (y * 8 + x) * 4;
            const std::vector<int> got = {p[0], p[1], p[2], p[3]};
            const std::vector<int> want = inFrame ? std::vector<int>{0x11, 0x22, 0x33, 0x44}
                                                  : std::vector<int>{0xFF, 0x00, 0xFF, 0xFF};  // magenta
            EXPECT_EQ(got, want) << "pixel " << x << ", " << y;
        }
}

TEST_F(CanvasTest, ShaderEnvironmentPacksLightsAndShadowTexture) {
    c_Texture *texture = Target(16, 16);
    c_Canvas *canvas = CanvasOn(texture);
    // Slot 0 stays off; slot 2 is on: packed as the first light, its
    // position through the view matrix.
    c_LightData *light = canvas->m_lights[2];
    light->m_type = 1;
    math3d_Vec4Init(10, 20, 30, 1, light->m_vector);
    math3d_Vec4Init(0.5f, 0.25f, 1, 1, light->m_color);
    light->m_range = 7;
    canvas->m_view[12] = 5;  // translate x by 5
    math3d_Vec4Init(0.1f, 0.2f, 0.3f, 1, canvas->m_ambientLight);
    c_Image2 *shadow = Frame(Target(4, 4), 0, 0, 4, 4);
    canvas->m_shadowMap = shadow;
    canvas->Validate();

    EXPECT_EQ(gfx2_LightCount, 1);
    auto first4 = [](const float *v) { return std::vector<float>(v, v + 4); };
    EXPECT_EQ(first4(gfx2_LightColors), (std::vector<float>{0.5f, 0.25f, 1, 1}));
    EXPECT_EQ(first4(gfx2_LightVectors), (std::vector<float>{15, 20, 30, 7}));
    EXPECT_EQ(light->m_transformedVector[0], 15.0f);
    EXPECT_EQ(first4(gfx2_AmbientLight), (std::vector<float>{0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(gfx2_ShadowTexture.get(), shadow->m_material->ColorTexture());
    // The model-view carries the view: the MVP moves x = 0 by 5 pixels.
    EXPECT_EQ(gfx2_ModelView[12], 5.0f);

    // All lights off and no shadow map again.
    light->m_type = 0;
    canvas->m_shadowMap = nullptr;
    canvas->SetProjection2d(0, 16, 0, 16, -1, 1);
    canvas->Validate();
    EXPECT_EQ(gfx2_LightCount, 0);
    EXPECT_EQ(gfx2_ShadowTexture.get(), nullptr);
}

TEST_F(CanvasTest, RenderTargetErrors) {
    const std::string notTarget = "Texture is not a render target texture";
    rt_ExpectRuntimeError([] { CanvasOn(gc_New<c_Texture>()->m_new(4, 4, 4, 12)); }, notTarget);
    rt_ExpectRuntimeError(
        [] {
            c_Material *material = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
            CanvasOn(gc_New<c_Image2>()->m_new(material, 0.0f, 0.0f));  // its colour texture is white
        },
        notTarget);
    rt_ExpectRuntimeError([] { CanvasOn(gc_New<c_Image2>()); }, notTarget);  // no material at all
    rt_ExpectRuntimeError([] { WindowCanvas()->SetRenderTarget(gc_New<c_LightData>()); },
                       "RenderTarget object must an Image, a Texture or Null");
}

TEST_F(CanvasTest, SetRenderTargetTakesTheTargetsSizes) {
    c_Canvas *canvas = WindowCanvas();
    EXPECT_EQ((std::vector<int>{canvas->m_width, canvas->m_height, canvas->m_targetWidth, canvas->m_targetHeight}),
              (std::vector<int>{960, 540, 960, 540}));
    c_Texture *texture = Target(64, 32);
    canvas->SetRenderTarget(Frame(texture, 8, 8, 16, 4));
    EXPECT_EQ((std::vector<int>{canvas->m_width, canvas->m_height, canvas->m_targetWidth, canvas->m_targetHeight}),
              (std::vector<int>{16, 4, 64, 32}));
    EXPECT_EQ(canvas->m_targetTexture.get(), texture);
    canvas->SetRenderTarget(texture);
    EXPECT_EQ(canvas->m_targetImage.get(), nullptr);
    EXPECT_EQ((std::vector<int>{canvas->m_width, canvas->m_height}), (std::vector<int>{64, 32}));
    // Pending drawing goes to the old target before the switch.
    DrawSomething(canvas);
    canvas->SetRenderTarget(nullptr);
    EXPECT_TRUE(canvas->IsEmpty());
    EXPECT_EQ(canvas->m_targetTexture.get(), nullptr);
    EXPECT_EQ(canvas->m_width, 960);
    // Viewport and projection are not touched.
    EXPECT_EQ(canvas->m_viewport[2], 960);
}

class CanvasMathTest : public RuntimeTest {};

TEST_F(CanvasMathTest, MatrixHelpers) {
    Array<float> a = math3d_Mat4New();
    Array<float> b = math3d_Mat4New();
    math3d_Mat4Init(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, a);
    math3d_Mat4InitDiagonal(2, 3, 4, 1, b);
    b[12] = 10;  // translate x
    // dst may be an input: a = a x b.
    math3d_Mat4Multiply(a, b, a);
    const float expected[16] = {2, 4, 6, 8, 15, 18, 21, 24, 36, 40, 44, 48, 23, 34, 45, 56};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], expected[i]) << i;

    Array<float> v(4);
    math3d_Vec4Init(1, 1, 1, 1, v);
    math3d_Mat4Transform(b, v, v);
    EXPECT_EQ((std::vector<float>{v[0], v[1], v[2], v[3]}), (std::vector<float>{12, 3, 4, 1}));

    Array<float> o = math3d_Mat4New();
    math3d_Mat4Ortho(0, 100, 50, 0, -1, 1, o);
    EXPECT_FLOAT_EQ(o[0], 0.02f);
    EXPECT_FLOAT_EQ(o[5], -0.04f);
    EXPECT_FLOAT_EQ(o[10], 1.0f);  // positive, unlike glOrtho
    EXPECT_FLOAT_EQ(o[12], -1.0f);
    EXPECT_FLOAT_EQ(o[13], 1.0f);

    // Offsets past the end change nothing.
    Array<float> dst(8);
    math3d_Vec4CopyAt(v, dst, 0, 4);
    EXPECT_EQ(dst[4], 12.0f);
    math3d_Vec4CopyAt(v, dst, 0, 5);
    math3d_Vec4CopyAt(v, dst, 1, 0);
    EXPECT_EQ(dst[0], 0.0f);
}

}  // namespace
