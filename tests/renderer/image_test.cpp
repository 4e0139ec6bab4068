// Images against the recording fake GL: handles and texture rectangles,
// strips of frames, sub-images, handle snapping, the image-flags mask,
// render-target images, the material checks and what an image keeps alive.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_app.h"
#include "host/hx_game.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

// A shader whose materials get no parameters at all, so none of them ever
// holds a colour texture.
class NoColorShader : public c_Shader {
public:
    void InitMaterial(c_Material *) override {}
};

struct Rect {
    float a, b, c, d;
    bool operator==(const Rect &o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
};
std::ostream &operator<<(std::ostream &os, const Rect &r) {
    return os << "(" << r.a << ", " << r.b << ", " << r.c << ", " << r.d << ")";
}
Rect Vertices(c_Image2 *i) { return {i->m_x0, i->m_x1, i->m_y0, i->m_y1}; }
Rect Texcoords(c_Image2 *i) { return {i->m_s0, i->m_t0, i->m_s1, i->m_t1}; }

class ImageTest : public FakeRendererTest {
protected:
    TempDir dir;
    HxZentrovaGame *game = nullptr;

    void SetUp() override {
        FakeRendererTest::SetUp();
        // Plain shaders that build nothing: a material made for an image
        // gets "ColorTexture" and loads the one file it is given.
        gfx2_FastShader = gc_New<c_Shader>()->m_new();
        gfx2_DefaultShader = gc_New<c_Shader>()->m_new();
        ImageFlagsMask = 259;
        game = new HxZentrovaGame();
        app_Game = game;
    }
    void TearDown() override {
        app_Game = nullptr;
        delete game;
        ImageFlagsMask = 259;
        FakeRendererTest::TearDown();
    }

    // A w x h PNG in the test's folder; returns its path.
    String Png(const std::string &file, int w, int h) {
        const std::string path = dir.Join(file);
        std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4, 255);
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4), 0);
        return String(path.c_str());
    }
    String Missing() { return String(dir.Join("missing.png").c_str()); }

    // A material of the default shader whose colour texture is w x h.
    static c_Material *MaterialOf(int w, int h) {
        c_Material *m = gc_New<c_Material>()->m_new(nullptr);
        c_Texture *t = gc_New<c_Texture>()->m_new(w, h, 4, 0);
        m->SetTexture(String(u"ColorTexture"), t);
        t->Release();
        return m;
    }
};

// ---------------------------------------------------------------------------
// Handles and texture rectangles

TEST_F(ImageTest, LoadedImageCoversItsTextureWithTheHandle) {
    c_Image2 *image = c_Image2::Load(Png("a.png", 32, 16), 0.5f, 0.5f, 3, nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 16);
    EXPECT_EQ(image->m_frameX, 0);
    EXPECT_EQ(image->m_frameY, 0);
    EXPECT_EQ(image->Material()->Shader(), gfx2_DefaultShader.get());
    EXPECT_EQ(image->Material()->refs, 1);  // the image takes no reference
    EXPECT_EQ(image->m_shadowCaster.get(), nullptr);
    EXPECT_EQ(Vertices(image), (Rect{-16, 16, -8, 8}));
    EXPECT_EQ(Texcoords(image), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(image->HandleX(), 0.5f);
    EXPECT_EQ(image->HandleY(), 0.5f);

    EXPECT_EQ(c_Image2::LoadCentered(Png("b.png", 8, 4), 0.0f, 3, nullptr)->HandleX(), 0.5f);
}

TEST_F(ImageTest, HandlePlacesTheFrameAroundTheDrawingPosition) {
    struct Case {
        float hx, hy;
        Rect vertices;
    } cases[] = {
        {0, 0, {0, 32, 0, 16}},          // top-left corner on the position
        {1, 1, {-32, 0, -16, 0}},        // bottom-right corner
        {0.5f, 1, {-16, 16, -16, 0}},    // bottom centre
        {-1, 2, {32, 64, -32, -16}},     // origin outside the frame
    };
    c_Image2 *image = gc_New<c_Image2>()->m_new(MaterialOf(32, 16), 0.0f, 0.0f);
    for (const Case &c : cases) {
        image->SetHandle(c.hx, c.hy);
        EXPECT_EQ(Vertices(image), c.vertices) << c.hx << ", " << c.hy;
        EXPECT_EQ(image->HandleX(), c.hx);
        EXPECT_EQ(image->HandleY(), c.hy);
        EXPECT_EQ(Texcoords(image), (Rect{0, 0, 1, 1}));
    }
}

TEST_F(ImageTest, FrameOfAMaterialAndSubImages) {
    c_Material *m = MaterialOf(64, 32);
    c_Image2 *frame = gc_New<c_Image2>()->m_new(m, 16, 8, 8, 4, 0.0f, 0.0f);
    EXPECT_EQ(frame->Material(), m);
    EXPECT_EQ(Vertices(frame), (Rect{0, 8, 0, 4}));
    EXPECT_EQ(Texcoords(frame), (Rect{16.0f / 64, 8.0f / 32, 24.0f / 64, 12.0f / 32}));
    // A frame reaching beyond the texture is taken as it is.
    c_Image2 *beyond = gc_New<c_Image2>()->m_new(m, 60, 0, 8, 40, 0.0f, 0.0f);
    EXPECT_EQ(Texcoords(beyond), (Rect{60.0f / 64, 0, 68.0f / 64, 40.0f / 32}));

    c_Image2 *sub = gc_New<c_Image2>()->m_new(frame, 4, 1, 2, 2, 0.5f, 0.5f);
    EXPECT_EQ(sub->Material(), m);
    EXPECT_EQ(sub->m_frameX, 20);
    EXPECT_EQ(sub->m_frameY, 9);
    EXPECT_EQ(Vertices(sub), (Rect{-1, 1, -1, 1}));
    EXPECT_EQ(Texcoords(sub), (Rect{20.0f / 64, 9.0f / 32, 22.0f / 64, 11.0f / 32}));
    EXPECT_EQ(m->refs, 1);
}

TEST_F(ImageTest, SnapHandleRoundsTowardZeroAndSaturates) {
    struct Case {
        int w;
        float hx;
        float wantHx;
    } cases[] = {
        {16, 0.5f, 0.5f},
        {15, 0.5f, 7.0f / 15},
        {15, -0.5f, -7.0f / 15},  // toward zero, not down
        {15, 1.0f, 1.0f},
        {15, std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {0, 0.5f, 0.0f},  // no pixel to snap to
    };
    for (const Case &c : cases) {
        c_Image2 *image = gc_New<c_Image2>()->m_new(MaterialOf(64, 64), 0, 0, c.w, 15, c.hx, 0.5f);
        image->SnapHandle();
        const std::string label = std::to_string(c.w) + " @ " + std::to_string(c.hx);
        EXPECT_FLOAT_EQ(image->m_x0, -c.wantHx * c.w) << label;
        EXPECT_FLOAT_EQ(image->m_x1 - image->m_x0, static_cast<float>(c.w)) << label;
        if (c.w != 0) {
            EXPECT_FLOAT_EQ(image->HandleX(), c.wantHx) << label;
        }
        EXPECT_FLOAT_EQ(image->m_y0, -7.0f) << label;
        EXPECT_EQ(Texcoords(image), (Rect{0, 0, c.w / 64.0f, 15.0f / 64})) << label;
    }
    // A handle far outside the frame: the pixel count saturates instead of
    // wrapping to a negative value.
    c_Image2 *far = gc_New<c_Image2>()->m_new(MaterialOf(64, 64), 0, 0, 15, 15, 1e30f, 0.5f);
    far->SnapHandle();
    EXPECT_EQ(far->m_x0, -(static_cast<float>(INT32_MAX) / 15) * 15);
}

// ---------------------------------------------------------------------------
// Strips

TEST_F(ImageTest, StripsCutTheTextureIntoFramesSideBySide) {
    struct Case {
        int textureW, frames;
        bool padded;
        int firstX, step, frameW;
    } cases[] = {
        {96, 6, false, 0, 16, 16},
        {96, 6, true, 1, 16, 14},
        {100, 3, false, 0, 33, 33},  // the last column is never shown
        {96, 9, false, 0, 10, 10},
        // Narrower than the frame count: empty frames, never negative ones.
        {4, 6, false, 0, 0, 0},
        {8, 4, true, 1, 2, 0},
    };
    for (const Case &c : cases) {
        const std::string label = std::to_string(c.textureW) + "/" + std::to_string(c.frames) +
                                  (c.padded ? " padded" : "");
        Array<c_Image2 *> strip = c_Image2::LoadFrames(Png("strip.png", c.textureW, 20), c.frames, c.padded, 0.5f,
                                                       0.5f, 3, nullptr);
        ASSERT_EQ(strip.Length(), c.frames) << label;
        c_Material *m = strip[0]->Material();
        EXPECT_EQ(m->refs, 1) << label;
        for (int i = 0; i < c.frames; ++i) {
            c_Image2 *f = strip[i];
            EXPECT_EQ(f->Material(), m) << label;
            EXPECT_EQ(f->m_frameX, c.firstX + i * c.step) << label << " frame " << i;
            EXPECT_EQ(f->m_frameY, 0) << label;
            EXPECT_EQ(f->Width(), c.frameW) << label;
            EXPECT_EQ(f->Height(), 20) << label;
            EXPECT_EQ(f->m_x0, -0.5f * c.frameW) << label;
            EXPECT_EQ(f->m_s0, static_cast<float>(f->m_frameX) / c.textureW) << label;
            EXPECT_EQ(f->m_s1, static_cast<float>(f->m_frameX + c.frameW) / c.textureW) << label;
            EXPECT_EQ(f->m_t0, 0.0f) << label;
            EXPECT_EQ(f->m_t1, 1.0f) << label;
        }
    }
    Array<c_Image2 *> six = c_Image2::LoadFrames(Png("six.png", 96, 20), 6, false, 0.5f, 0.5f, 3, nullptr);
    EXPECT_EQ(six[1]->m_s0, 16.0f / 96);
    EXPECT_EQ(six[1]->m_s1, 32.0f / 96);
    EXPECT_EQ(c_Image2::LoadFrames9(Png("nine.png", 90, 10), 3, nullptr).Length(), 9);
}

TEST_F(ImageTest, NothingToLoadGivesNullOrTheEmptyStrip) {
    const String strip = Png("strip.png", 96, 20);
    for (int frames : {0, -1, INT32_MIN}) {
        FakeGl::ClearLog();
        EXPECT_TRUE(c_Image2::LoadFrames(strip, frames, false, 0.5f, 0.5f, 3, nullptr).IsEmptyRep()) << frames;
        EXPECT_EQ(FakeGl::Count("glGenTextures"), 0) << frames;
    }
    EXPECT_EQ(c_Image2::Load(Missing(), 0.5f, 0.5f, 3, nullptr), nullptr);
    EXPECT_TRUE(c_Image2::LoadFrames(Missing(), 6, false, 0.5f, 0.5f, 3, nullptr).IsEmptyRep());
}

// ---------------------------------------------------------------------------
// The image-flags mask

TEST_F(ImageTest, FlagsPassTheMaskAtTheMomentOfEachLoad) {
    struct Case {
        int mask, flags, loaded, target;
    } cases[] = {
        {259, 3, 15, 31},
        {0, 3, 12, 28},
        {259, 0, 12, 28},
        {259, 256, 268, 284},  // Managed survives the initial mask
        {1, 259, 13, 29},
        {2, 3, 14, 30},
    };
    const String path = Png("a.png", 4, 4);
    for (const Case &c : cases) {
        c_Image2::SetFlagsMask(c.mask);
        EXPECT_EQ(ImageFlagsMask, c.mask);
        c_Image2 *loaded = c_Image2::Load(path, 0, 0, c.flags, nullptr);
        Array<c_Image2 *> strip = c_Image2::LoadFrames(path, 2, false, 0, 0, c.flags, nullptr);
        c_Image2 *target = gc_New<c_Image2>()->m_new(4, 4, 0.0f, 0.0f, c.flags);
        const std::string label = std::to_string(c.mask) + " & " + std::to_string(c.flags);
        EXPECT_EQ(loaded->Material()->ColorTexture()->Flags(), c.loaded) << label;
        EXPECT_EQ(strip[0]->Material()->ColorTexture()->Flags(), c.loaded) << label;
        EXPECT_EQ(target->Material()->ColorTexture()->Flags(), c.target) << label;
        // A later mask leaves the textures made alone.
        c_Image2::SetFlagsMask(0);
        EXPECT_EQ(loaded->Material()->ColorTexture()->Flags(), c.loaded) << label;
    }
}

// ---------------------------------------------------------------------------
// Render targets

TEST_F(ImageTest, RenderTargetHoldsItsTextureThroughAFastMaterial) {
    c_Image2 *target = gc_New<c_Image2>()->m_new(40, 30, 0.5f, 0.5f, 1);
    EXPECT_EQ(target->Width(), 40);
    EXPECT_EQ(target->Height(), 30);
    EXPECT_EQ(Vertices(target), (Rect{-20, 20, -15, 15}));
    EXPECT_EQ(Texcoords(target), (Rect{0, 0, 1, 1}));
    c_Material *m = target->Material();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Shader(), gfx2_FastShader.get());
    EXPECT_EQ(m->refs, 1);
    c_Texture *t = m->ColorTexture();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Width(), 40);
    EXPECT_EQ(t->Height(), 30);
    EXPECT_EQ(t->refs, 1);  // the material's reference only
    EXPECT_EQ(t->Flags(), 29);
    EXPECT_NE(t->glFramebuffer, 0u);
    EXPECT_EQ(target->RenderTargetTexture(), t);
    // Releasing the material ends the texture.
    m->Release();
    EXPECT_EQ(t->refs, -1);
}

TEST_F(ImageTest, MissingMaterialsAndTargetsAreRunTimeErrors) {
    const std::string noColor = "Material has no ColorTexture";
    const std::string noTarget = "Texture is not a render target texture";
    rt_ExpectRuntimeError([] { gc_New<c_Image2>()->m_new(static_cast<c_Material *>(nullptr), 0.5f, 0.5f); }, noColor);
    rt_ExpectRuntimeError([] { gc_New<c_Image2>()->m_new(static_cast<c_Material *>(nullptr), 0, 0, 4, 4, 0.f, 0.f); },
                       noColor);
    rt_ExpectRuntimeError(
        [] {
            c_Material *m = gc_New<c_Material>()->m_new(gc_New<NoColorShader>());
            gc_New<c_Image2>()->m_new(m, 0.5f, 0.5f);
        },
        noColor);
    // A sub-image of a bare image has no material to share.
    rt_ExpectRuntimeError([] { gc_New<c_Image2>()->m_new(gc_New<c_Image2>(), 0, 0, 4, 4, 0.f, 0.f); }, noColor);
    // Loading with a shader whose materials never get a colour texture.
    const String path = Png("a.png", 8, 8);
    rt_ExpectRuntimeError([&] { c_Image2::Load(path, 0.5f, 0.5f, 3, gc_New<NoColorShader>()); }, noColor);
    rt_ExpectRuntimeError([&] { c_Image2::LoadFrames(path, 2, false, 0.5f, 0.5f, 3, gc_New<NoColorShader>()); }, noColor);

    rt_ExpectRuntimeError([] { gc_New<c_Image2>()->RenderTargetTexture(); }, noTarget);
    rt_ExpectRuntimeError([&] { c_Image2::Load(path, 0, 0, 16, nullptr)->RenderTargetTexture(); }, noTarget);
    rt_ExpectRuntimeError(
        [] {
            c_Image2 *bare = gc_New<c_Image2>();
            bare->m_material = gc_New<c_Material>()->m_new(gc_New<NoColorShader>());
            bare->RenderTargetTexture();
        },
        noTarget);
}

TEST_F(ImageTest, BareImageKeepsItsDefaultsAndSetsHandlesSafely) {
    c_Image2 *image = gc_New<c_Image2>()->m_new();
    EXPECT_EQ(image->Width(), 0);
    EXPECT_EQ(image->Material(), nullptr);
    EXPECT_EQ(Vertices(image), (Rect{-1, 1, -1, 1}));
    EXPECT_EQ(Texcoords(image), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(image->HandleX(), 0.5f);
    // Without a texture to divide by, the texture rectangle stays as it is.
    image->SetHandle(0.25f, 0.25f);
    image->SnapHandle();
    EXPECT_EQ(Texcoords(image), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(Vertices(image), (Rect{0, 0, 0, 0}));
}

// ---------------------------------------------------------------------------
// What an image keeps alive

gc_ref<c_Image2> g_root;
void MarkRoot() { gc_Enqueue(g_root); }

bool Unreachable(gc_object *o) {
    for (gc_object *p = gc_UnreachableList.next; p != &gc_UnreachableList; p = p->next)
        if (p == o) return true;
    return false;
}

TEST_F(ImageTest, ImageKeepsItsMaterialAndShadowCasterAlive) {
    c_Image2 *image = gc_New<c_Image2>()->m_new(MaterialOf(8, 8), 0.5f, 0.5f);
    c_ShadowCaster *caster = gc_New<c_ShadowCaster>()->m_new();
    image->m_shadowCaster = caster;
    c_Material *m = image->Material();
    c_Image2 *dropped = gc_New<c_Image2>()->m_new(MaterialOf(8, 8), 0.5f, 0.5f);
    g_root = image;
    gc_SetRoots(MarkRoot);
    gc_MarkGlobals();
    gc_CollectAll();
    EXPECT_FALSE(Unreachable(image));
    EXPECT_FALSE(Unreachable(m));
    EXPECT_FALSE(Unreachable(m->ColorTexture()));
    EXPECT_FALSE(Unreachable(caster));
    EXPECT_TRUE(Unreachable(dropped));
    g_root = nullptr;
}

}  // namespace
