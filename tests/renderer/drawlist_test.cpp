// The draw list without GL: colour packing, the matrix and its ring, the
// vertex records of images, batching into operations and the shared
// operation pool, buffer growth, ellipses, indexed primitives and their
// checks, text layout, shadow casters and light packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_array.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// The list's default material, typed: DrawRect takes no bare nullptr.
c_Material *const kDefault = nullptr;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Vertex k of a list, read back from its bytes.
gfx2_Vertex VertexAt(c_DrawList *list, int k) {
    gfx2_Vertex v;
    std::memcpy(&v, list->m_vertexData->data + 28 * k, sizeof v);
    return v;
}
int Vertices(c_DrawList *list) { return list->m_vertexBytes / 28; }

struct OpFields {
    c_Material *material;
    int blend, order, count;
    bool operator==(const OpFields &o) const {
        return material == o.material && blend == o.blend && order == o.order && count == o.count;
    }
};
std::ostream &operator<<(std::ostream &os, const OpFields &op) {
    return os << "{" << op.material << ", blend " << op.blend << ", order " << op.order << ", count " << op.count
              << "}";
}
std::vector<OpFields> Ops(c_DrawList *list) {
    std::vector<OpFields> out;
    for (int i = 0; i < list->m_ops->length; ++i) {
        c_DrawOp *op = list->m_ops->data[i];
        out.push_back({op->m_material, op->m_blend, op->m_order, op->m_count});
    }
    return out;
}

class DrawListTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
        gfx2_FastShader = gc_New<c_Shader>()->m_new(String(u"void shader() { gl_FragColor = vxr_Color; }"));
    }

    static c_DrawList *NewList() { return gc_New<c_DrawList>()->m_new(); }
    static c_Material *NewMaterial() { return gc_New<c_Material>()->m_new(gfx2_FastShader.get()); }
    // A material whose colour texture is w x h.
    static c_Material *TextureMaterial(int w, int h) {
        c_Material *m = NewMaterial();
        c_Texture *t = gc_New<c_Texture>()->m_new(w, h, 4, 0);
        m->SetTexture(String(u"ColorTexture"), t);
        t->Release();
        return m;
    }
    static c_Material *Fast() { return gfx2_FastShader->DefaultMaterial(); }
};

// ---------------------------------------------------------------------------
// Colour

TEST_F(DrawListTest, ColourPackingPremultipliesTruncatesAndClamps) {
    struct Case {
        const char *name;
        void (*apply)(c_DrawList *);
        uint32_t packed;
    } cases[] = {
        {"fresh list", [](c_DrawList *) {}, 0xFFFFFFFFu},
        {"orange", [](c_DrawList *l) { l->SetColor(1, 0.5f, 0); }, 0xFF007FFFu},
        {"then half alpha: 127 = int(127.5), 63 = int(0.5 x 127.5)",
         [](c_DrawList *l) {
             l->SetColor(1, 0.5f, 0);
             l->SetAlpha(0.5f);
         },
         0x7F003F7Fu},
        {"SetColor(r,g,b) keeps the alpha",
         [](c_DrawList *l) {
             l->SetAlpha(0.5f);
             l->SetColor(0, 0, 1);
         },
         0x7F7F0000u},
        {"four components", [](c_DrawList *l) { l->SetColor(0.2f, 0.4f, 0.6f, 0.8f); }, 0xCC7A5128u},
        {"components above 1 and below 0 clamp byte by byte",
         [](c_DrawList *l) { l->SetColor(2, -1, 0.5f, 1); }, 0xFF7F00FFu},
        {"alpha above 1 clamps every byte", [](c_DrawList *l) { l->SetColor(0.5f, 0.1f, 1, 4); }, 0xFFFF66FFu},
        {"negative alpha", [](c_DrawList *l) { l->SetColor(1, 1, 1, -0.5f); }, 0x00000000u},
        {"NaN alpha", [](c_DrawList *l) { l->SetColor(1, 1, 1, kNaN); }, 0x00000000u},
        {"NaN and infinite components", [](c_DrawList *l) { l->SetColor(kNaN, kInf, -kInf, 1); }, 0xFF00FF00u},
    };
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        c.apply(list);
        EXPECT_EQ(list->m_packedColor, c.packed) << c.name;
        // Every vertex carries it, red in byte 24.
        list->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
        const unsigned char *bytes = list->m_vertexData->data;
        const uint32_t word = bytes[24] | bytes[25] << 8 | bytes[26] << 16 | static_cast<uint32_t>(bytes[27]) << 24;
        EXPECT_EQ(word, c.packed) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Matrix

TEST_F(DrawListTest, MatrixRingKeeps64EntriesAndWrapsBothWays) {
    c_DrawList *list = NewList();
    // A pop on a fresh list restores the ring's zeros.
    list->PopMatrix();
    EXPECT_EQ(std::vector<float>({list->m_ix, list->m_iy, list->m_jx, list->m_jy, list->m_tx, list->m_ty}),
              std::vector<float>(6, 0.0f));

    list = NewList();
    for (int i = 1; i <= 65; ++i) {
        list->SetMatrix(1, 0, 0, 1, static_cast<float>(i), static_cast<float>(-i));
        list->PushMatrix();
    }
    list->ResetMatrix();
    // The 65th push overwrote the 1st: the pops give 65, 64, ..., 2, 65.
    std::vector<int> popped;
    for (int i = 0; i < 65; ++i) {
        list->PopMatrix();
        EXPECT_EQ(list->m_ty, -list->m_tx);
        popped.push_back(static_cast<int>(list->m_tx));
    }
    std::vector<int> expected;
    for (int i = 65; i >= 2; --i) expected.push_back(i);
    expected.push_back(65);
    EXPECT_EQ(popped, expected);
}

TEST_F(DrawListTest, TransformsPostMultiply) {
    c_DrawList *list = NewList();
    list->Translate(10, 20);
    list->Scale(2, 3);
    // (1, 1) is scaled first, then moved.
    list->AddShadowCaster(gc_New<c_ShadowCaster>()->m_new(array_Of<float>({1, 1})));
    EXPECT_EQ(list->m_casterVertices->data[0], 12.0f);
    EXPECT_EQ(list->m_casterVertices->data[1], 23.0f);

    list->SetMatrix(1, 2, 3, 4, 5, 6);
    list->Transform(7, 8, 9, 10, 11, 12);
    // ix' = 1*7 + 3*8, iy' = 2*7 + 4*8, jx' = 1*9 + 3*10, jy' = 2*9 + 4*10,
    // tx' = 1*11 + 3*12 + 5, ty' = 2*11 + 4*12 + 6.
    EXPECT_EQ(std::vector<float>({list->m_ix, list->m_iy, list->m_jx, list->m_jy, list->m_tx, list->m_ty}),
              std::vector<float>({31, 46, 39, 58, 52, 76}));
}

// An image of a 32 x 16 frame at (16, 8) of a 64 x 32 texture, centred,
// drawn under each form of DrawImage: the four records, byte for byte.
TEST_F(DrawListTest, ImageVerticesUnderTranslateRotateAndScale) {
    c_Material *material = TextureMaterial(64, 32);
    c_Image2 *image = gc_New<c_Image2>()->m_new(material, 16, 8, 32, 16, 0.5f, 0.5f);
    const float c = static_cast<float>(std::cos(static_cast<double>(90 * 0.0174533f)));
    const float s = static_cast<float>(std::sin(static_cast<double>(90 * 0.0174533f)));
    struct Case {
        const char *name;
        void (*draw)(c_DrawList *, c_Image2 *);
        float ix, iy, jx, jy, tx, ty;  // the matrix the vertices went through
    } cases[] = {
        {"untransformed", [](c_DrawList *l, c_Image2 *i) { l->DrawImage(i); }, 1, 0, 0, 1, 0, 0},
        {"translated", [](c_DrawList *l, c_Image2 *i) { l->DrawImage(i, 100, 50); }, 1, 0, 0, 1, 100, 50},
        {"rotated 90 degrees: x turns toward the top",
         [](c_DrawList *l, c_Image2 *i) { l->DrawImage(i, 100, 50, 90); }, c, -s, s, c, 100, 50},
        {"rotated and scaled", [](c_DrawList *l, c_Image2 *i) { l->DrawImage(i, 100, 50, 90, 2, 3); }, c * 2,
         -s * 2, s * 3, c * 3, 100, 50},
    };
    // The frame corners (x, y, s, t) in drawing order.
    const float corners[4][4] = {{-16, -8, 0.25f, 0.25f}, {16, -8, 0.75f, 0.25f}, {16, 8, 0.75f, 0.75f},
                                 {-16, 8, 0.25f, 0.75f}};
    for (const Case &k : cases) {
        c_DrawList *list = NewList();
        list->SetColor(1, 0, 0, 0.5f);
        k.draw(list, image);
        // The forms with a transform restore the matrix.
        EXPECT_EQ(std::vector<float>({list->m_ix, list->m_iy, list->m_jx, list->m_jy, list->m_tx, list->m_ty}),
                  std::vector<float>({1, 0, 0, 1, 0, 0}))
            << k.name;
        ASSERT_EQ(Vertices(list), 4) << k.name;
        for (int v = 0; v < 4; ++v) {
            const unsigned char *rec = list->m_vertexData->data + 28 * v;
            float f[6];
            std::memcpy(f, rec, sizeof f);
            const float x = corners[v][0], y = corners[v][1];
            EXPECT_NEAR(f[0], k.ix * x + k.jx * y + k.tx, 1e-3) << k.name << " vertex " << v;
            EXPECT_NEAR(f[1], k.iy * x + k.jy * y + k.ty, 1e-3) << k.name << " vertex " << v;
            EXPECT_EQ(f[2], corners[v][2]) << k.name << " vertex " << v;
            EXPECT_EQ(f[3], corners[v][3]) << k.name << " vertex " << v;
            EXPECT_NEAR(f[4], k.ix, 1e-6) << k.name << " tangent " << v;
            EXPECT_NEAR(f[5], k.iy, 1e-6) << k.name << " tangent " << v;
            EXPECT_EQ(std::vector<int>(rec + 24, rec + 28), std::vector<int>({127, 0, 0, 127})) << k.name;
        }
        EXPECT_EQ(Ops(list), std::vector<OpFields>({{material, c_BlendMode_Alpha, 4, 4}})) << k.name;
    }
    // The exact rotation values: a 90-degree turn of (16, -8) is about (-8, -16).
    c_DrawList *list = NewList();
    list->DrawImage(image, 0, 0, 90);
    EXPECT_NEAR(VertexAt(list, 1).x, -8.0f, 1e-3);
    EXPECT_NEAR(VertexAt(list, 1).y, -16.0f, 1e-3);
}

TEST_F(DrawListTest, SourceRectanglesOfAnImage) {
    c_Material *material = TextureMaterial(64, 32);
    c_Image2 *image = gc_New<c_Image2>()->m_new(material, 16, 8, 32, 16, 0.0f, 0.0f);
    c_DrawList *list = NewList();
    list->DrawRect(5, 6, 7, 8, image, 4, 2, 8, 12);  // texels (20, 10) - (28, 22)
    list->DrawRect(1, 2, image, 0, 0, 16, 8);         // w, h from the source
    const gfx2_Vertex expected[] = {
        {5, 6, 20 / 64.0f, 10 / 32.0f, 1, 0, 0xFFFFFFFF},  {12, 6, 28 / 64.0f, 10 / 32.0f, 1, 0, 0xFFFFFFFF},
        {12, 14, 28 / 64.0f, 22 / 32.0f, 1, 0, 0xFFFFFFFF}, {5, 14, 20 / 64.0f, 22 / 32.0f, 1, 0, 0xFFFFFFFF},
        {1, 2, 16 / 64.0f, 8 / 32.0f, 1, 0, 0xFFFFFFFF},    {17, 2, 32 / 64.0f, 8 / 32.0f, 1, 0, 0xFFFFFFFF},
        {17, 10, 32 / 64.0f, 16 / 32.0f, 1, 0, 0xFFFFFFFF}, {1, 10, 16 / 64.0f, 16 / 32.0f, 1, 0, 0xFFFFFFFF},
    };
    ASSERT_EQ(Vertices(list), 8);
    EXPECT_EQ(std::memcmp(list->m_vertexData->data, expected, sizeof expected), 0);
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{material, c_BlendMode_Alpha, 4, 8}}));
}

// ---------------------------------------------------------------------------
// Batching and the operation pool

TEST_F(DrawListTest, PrimitivesMergeOnlyWithEqualMaterialBlendAndOrder) {
    c_Material *a = NewMaterial();
    c_Material *b = NewMaterial();
    const Array<float> tri = array_Of<float>({0, 0, 1, 0, 1, 1});
    const Array<int32_t> idx = array_Of<int32_t>({0, 1, 2});
    struct Case {
        const char *name;
        void (*draw)(c_DrawList *, c_Material *, c_Material *, const Array<float> &, const Array<int32_t> &);
        std::vector<OpFields> ops;  // material null: the fast shader's default
    } cases[] = {
        {"same material and blend: one op",
         [](c_DrawList *l, c_Material *a, c_Material *, const Array<float> &, const Array<int32_t> &) {
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
         },
         {{nullptr, c_BlendMode_Alpha, 4, 8}}},
        {"blend change between them",
         [](c_DrawList *l, c_Material *a, c_Material *, const Array<float> &, const Array<int32_t> &) {
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
             l->SetBlendMode(c_BlendMode_Additive);
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
         },
         {{nullptr, c_BlendMode_Alpha, 4, 4}, {nullptr, c_BlendMode_Additive, 4, 4}}},
        {"material change, and back",
         [](c_DrawList *l, c_Material *a, c_Material *b, const Array<float> &, const Array<int32_t> &) {
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
             l->DrawRect(0, 0, 1, 1, b, 0, 0, 1, 1);
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
         },
         {{nullptr, c_BlendMode_Alpha, 4, 4}, {nullptr, c_BlendMode_Alpha, 4, 4}, {nullptr, c_BlendMode_Alpha, 4, 4}}},
        {"order change",
         [](c_DrawList *l, c_Material *a, c_Material *, const Array<float> &v, const Array<int32_t> &i) {
             l->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
             l->DrawIndexedPrimitives(3, 1, v, i, a);
             l->DrawIndexedPrimitives(3, 1, v, i, a);
         },
         {{nullptr, c_BlendMode_Alpha, 4, 4}, {nullptr, c_BlendMode_Alpha, 3, 6}}},
        {"null material is the default material",
         [](c_DrawList *l, c_Material *, c_Material *, const Array<float> &, const Array<int32_t> &) {
             l->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
             l->DrawEllipse(0, 0, 4, 4);
             l->DrawEllipse(0, 0, 4, 4, l->DefaultMaterial());
         },
         {{nullptr, c_BlendMode_Alpha, 4, 4}, {nullptr, c_BlendMode_Alpha, 12, 24}}},
    };
    // The expected materials by case, in op order.
    const std::vector<std::vector<c_Material *>> materials = {{a}, {a, a}, {a, b, a}, {a, a}, {Fast(), Fast()}};
    for (size_t n = 0; n < std::size(cases); ++n) {
        c_DrawList *list = NewList();
        cases[n].draw(list, a, b, tri, idx);
        std::vector<OpFields> expected = cases[n].ops;
        for (size_t i = 0; i < expected.size(); ++i) expected[i].material = materials[n][i];
        EXPECT_EQ(Ops(list), expected) << cases[n].name;
        EXPECT_EQ(list->m_currentOp.get(), list->m_ops->data[list->m_ops->length - 1].get()) << cases[n].name;
    }
}

TEST_F(DrawListTest, DefaultMaterialNeverNullAndTheEmptyOpNeverExtended) {
    c_DrawList *list = NewList();
    EXPECT_EQ(list->DefaultMaterial(), Fast());
    c_Material *m = NewMaterial();
    list->SetDefaultMaterial(m);
    list->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
    list->SetDefaultMaterial(nullptr);
    EXPECT_EQ(list->DefaultMaterial(), Fast());
    list->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{m, c_BlendMode_Alpha, 4, 4}, {Fast(), c_BlendMode_Alpha, 4, 4}}));

    // Even a list without any material to draw with (no fast shader) opens
    // ops of its own: the shared empty op stays empty.
    gfx2_FastShader = nullptr;
    c_DrawList *bare = NewList();
    EXPECT_EQ(bare->DefaultMaterial(), nullptr);
    EXPECT_EQ(bare->m_currentOp.get(), gfx2_NoOp.get());
    bare->SetBlendMode(c_BlendMode_Opaque);
    bare->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
    bare->DrawRect(0, 0, 1, 1, kDefault, 0, 0, 1, 1);
    EXPECT_EQ(Ops(bare), std::vector<OpFields>({{nullptr, c_BlendMode_Opaque, 4, 8}}));
    EXPECT_NE(bare->m_currentOp.get(), gfx2_NoOp.get());
    EXPECT_EQ(gfx2_NoOp->m_count, 0);
    EXPECT_EQ(gfx2_NoOp->m_order, 0);
    EXPECT_EQ(gfx2_NoOp->m_material.get(), nullptr);
}

// The DrawRect forms a call with these arguments reaches, if any.
template <class List, class... Args>
concept DrawsRectWith = requires(List *list, Args... args) { list->DrawRect(args...); };
// The trap as it is written: a bare nullptr with integer coordinates.
template <class List>
concept DrawsRectWithBareNull = requires(List *list) { list->DrawRect(0, 0, 240, 135, nullptr, 0, 0, 1, 1); };

// A null rectangle's material or image has to say which it is: a bare
// nullptr would pick the image form, which draws nothing for a null image,
// with integer texture coordinates, and the material form with float ones.
TEST_F(DrawListTest, ANullForDrawRectMustBeTyped) {
    static_assert(!DrawsRectWithBareNull<c_DrawList>);
    static_assert(!DrawsRectWithBareNull<c_Canvas>);
    static_assert(!DrawsRectWith<c_DrawList, float, float, float, float, std::nullptr_t, float, float, float, float>);
    static_assert(!DrawsRectWith<c_DrawList, float, float, float, float, std::nullptr_t>);
    static_assert(DrawsRectWith<c_Canvas, int, int, int, int, c_Material *, int, int, int, int>);
    static_assert(DrawsRectWith<c_Canvas, float, float, float, float, c_Image2 *, int, int, int, int>);
    static_assert(DrawsRectWith<c_Canvas, float, float, float, float, c_Image2 *>);
    static_assert(DrawsRectWith<c_Canvas, float, float, c_Image2 *, int, int, int, int>);

    // Typed, each null does what its form says: the default material's
    // quad, or nothing for a missing image.
    c_DrawList *list = NewList();
    list->DrawRect(0, 0, 240, 135, static_cast<c_Image2 *>(nullptr), 0, 0, 1, 1);
    list->DrawRect(0, 0, 240, 135, static_cast<c_Image2 *>(nullptr));
    EXPECT_EQ(Vertices(list), 0);
    list->DrawRect(0, 0, 240, 135, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{Fast(), c_BlendMode_Alpha, 4, 4}}));
    EXPECT_EQ(VertexAt(list, 2).x, 240);
    EXPECT_EQ(VertexAt(list, 2).t, 1);
}

TEST_F(DrawListTest, OpsComeBackThroughThePoolWithNoNewAllocations) {
    c_Material *a = NewMaterial();
    c_Material *b = NewMaterial();
    c_DrawList *list = NewList();
    c_DrawList *other = NewList();
    auto frame = [&] {
        list->DrawRect(0, 0, 1, 1, a, 0, 0, 1, 1);
        list->DrawRect(0, 0, 1, 1, b, 0, 0, 1, 1);
        list->SetBlendMode(list->BlendMode() == c_BlendMode_Alpha ? c_BlendMode_Multiply : c_BlendMode_Alpha);
        list->DrawRect(0, 0, 1, 1, b, 0, 0, 1, 1);
        other->DrawEllipse(0, 0, 10, 10, a);
        list->Flush();
        other->Reset();
    };
    frame();
    std::vector<c_DrawOp *> pooled;
    for (int i = 0; i < gfx2_OpPool->length; ++i) {
        pooled.push_back(gfx2_OpPool->data[i]);
        // A returned op keeps no material.
        EXPECT_EQ(gfx2_OpPool->data[i]->m_material.get(), nullptr);
    }
    ASSERT_EQ(pooled.size(), 4u);
    EXPECT_EQ(list->m_ops->length, 0);
    EXPECT_EQ(list->m_currentOp.get(), gfx2_NoOp.get());
    EXPECT_TRUE(list->IsEmpty());

    const int32_t newBytes = gc_NewBytes;
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(gc_NewBytes, newBytes) << "later frames allocate nothing";
    std::vector<c_DrawOp *> again;
    for (int i = 0; i < gfx2_OpPool->length; ++i) again.push_back(gfx2_OpPool->data[i]);
    std::sort(pooled.begin(), pooled.end());
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again, pooled);

    // An op from the pool carries nothing over.
    list->SetBlendMode(c_BlendMode_StraightAlpha);
    list->DrawIndexedLine(array_Of<float>({0, 0, 5, 5}), array_Of<int32_t>({0, 1}));
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{Fast(), c_BlendMode_StraightAlpha, 2, 2}}));
}

TEST_F(DrawListTest, VertexBufferGrowsByHalvesOrStraightToTheNeed) {
    struct Case {
        const char *name;
        int quads;      // drawn one by one
        int bulkQuads;  // then in one call
        int size;
    } cases[] = {
        {"36 quads fit the first 4096 bytes", 36, 0, 4096},
        {"the 37th grows it to 6144", 37, 0, 6144},
        {"the 55th to 9216", 55, 0, 9216},
        {"one call needing more than half again: straight to the need", 0, 100, 11200},
        {"from 6144 to a need above 9216", 37, 60, 10864},
    };
    const Array<float> quad = array_Of<float>({0, 0, 1, 0, 1, 1, 0, 1});
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        for (int i = 0; i < c.quads; ++i) list->DrawRect(static_cast<float>(i), 0, 1, 1, kDefault, 0, 0, 1, 1);
        Array<int32_t> idx(4 * static_cast<int64_t>(c.bulkQuads));
        for (int i = 0; i < idx.Length(); ++i) idx[i] = i % 4;
        if (c.bulkQuads) list->DrawIndexedPrimitives(4, c.bulkQuads, quad, idx, nullptr);
        EXPECT_EQ(list->m_vertexData->length, c.size) << c.name;
        EXPECT_EQ(Vertices(list), 4 * (c.quads + c.bulkQuads)) << c.name;
        // The vertices written before a growth are still there.
        for (int i = 0; i < c.quads; ++i) ASSERT_EQ(VertexAt(list, 4 * i).x, static_cast<float>(i)) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Ellipses

TEST_F(DrawListTest, EllipseSegmentsFollowTheTransformedRadii) {
    struct Case {
        const char *name;
        float w, h, scale;
        int n;
    } cases[] = {
        {"small: at least 12", 10, 10, 1, 12},
        {"100 is a multiple of 4", 100, 100, 1, 100},
        {"102 rounds down to 100", 102, 102, 1, 100},
        {"uneven radii add up", 30, 70, 1, 48},
        {"the matrix scales the radii", 50, 50, 2, 100},
        {"negative sizes count by length", -50, -50, 1, 48},
        {"capped at 2340", 1e6f, 1e6f, 1, 2340},
        {"beyond the int range: capped", 3e9f, 3e9f, 1, 2340},
        {"NaN: the minimum", kNaN, 10, 1, 12},
    };
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        list->Scale(c.scale, c.scale);
        list->DrawEllipse(10, 20, c.w, c.h);
        EXPECT_EQ(Vertices(list), c.n) << c.name;
        ASSERT_EQ(list->m_ops->length, 1) << c.name;
        EXPECT_EQ(list->m_ops->data[0]->m_order, c.n) << c.name;
        EXPECT_EQ(list->m_ops->data[0]->m_count, c.n) << c.name;
    }
    EXPECT_EQ(gfx2_EllipseSegments(-kInf), 12);
    EXPECT_EQ(gfx2_EllipseSegments(kInf), 2340);

    // The rim starts at angle 0 and goes toward +y (down on the window).
    c_DrawList *list = NewList();
    list->DrawEllipse(10, 20, 40, 20);  // radii 20 + 10: 28 vertices
    ASSERT_EQ(Vertices(list), 28);
    EXPECT_EQ(VertexAt(list, 0).x, 50.0f);
    EXPECT_EQ(VertexAt(list, 0).y, 30.0f);
    EXPECT_NEAR(VertexAt(list, 7).x, 30.0f, 1e-3);  // 90 degrees
    EXPECT_NEAR(VertexAt(list, 7).y, 40.0f, 1e-3);
    EXPECT_NEAR(VertexAt(list, 14).x, 10.0f, 1e-3);
    EXPECT_NEAR(VertexAt(list, 14).y, 30.0f, 1e-3);
    EXPECT_EQ(VertexAt(list, 14).s, 0.0f);
}

// ---------------------------------------------------------------------------
// Indexed primitives

TEST_F(DrawListTest, IndexedPrimitivesReadPairsByIndex) {
    c_Material *m = NewMaterial();
    const Array<float> v = array_Of<float>({0, 0, 10, 0, 10, 10, 0, 10});
    const Array<float> tc = array_Of<float>({0, 0, 1, 0, 1, 1, 0, 1});
    const Array<int32_t> colors = array_Of<int32_t>({0x11, 0x22, 0x33, static_cast<int32_t>(0xFF000044u)});
    const Array<int32_t> idx = array_Of<int32_t>({0, 1, 2, 0, 2, 3, 99});  // one more than read

    c_DrawList *list = NewList();
    list->Translate(5, 0);
    list->SetColor(0, 0, 1);
    list->DrawIndexedPrimitives(3, 2, v, tc, colors, idx, m);
    const gfx2_Vertex expected[] = {
        {5, 0, 0, 0, 1, 0, 0x11},   {15, 0, 1, 0, 1, 0, 0x22}, {15, 10, 1, 1, 1, 0, 0x33},
        {5, 0, 0, 0, 1, 0, 0x11},   {15, 10, 1, 1, 1, 0, 0x33}, {5, 10, 0, 1, 1, 0, 0xFF000044},
    };
    ASSERT_EQ(Vertices(list), 6);
    EXPECT_EQ(std::memcmp(list->m_vertexData->data, expected, sizeof expected), 0);
    // The list's own colour is back.
    EXPECT_EQ(list->m_packedColor, 0xFFFF0000u);
    list->DrawIndexedTriangles(1, v, tc, idx, m);
    list->DrawIndexedPrimitives(3, 1, v, idx, m);
    EXPECT_EQ(VertexAt(list, 6).color, 0xFFFF0000u);
    EXPECT_EQ(VertexAt(list, 8).s, 1.0f);
    EXPECT_EQ(VertexAt(list, 11).s, 0.0f);  // untextured: s = t = 0
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{m, c_BlendMode_Alpha, 3, 12}}));

    // Lines use the default material; a fan can be the buffer's size.
    list->DrawIndexedLine(v, array_Of<int32_t>({3, 1}));
    EXPECT_EQ(VertexAt(list, 12).x, 5.0f);
    EXPECT_EQ(VertexAt(list, 13).y, 0.0f);
    Array<int32_t> big(2340);
    list->DrawIndexedPrimitives(2340, 1, v, big, nullptr);
    EXPECT_EQ(Ops(list), std::vector<OpFields>({{m, c_BlendMode_Alpha, 3, 12}, {Fast(), c_BlendMode_Alpha, 2, 2}, {Fast(), c_BlendMode_Alpha, 2340, 2340}}));
}

TEST_F(DrawListTest, IndexedPrimitivesThatDoNotFitDrawNothing) {
    const Array<float> v = array_Of<float>({0, 0, 10, 0, 10, 10, 0});  // 3 whole pairs
    const Array<float> tc = array_Of<float>({0, 0, 1, 0});              // 2 pairs
    const Array<int32_t> colors = array_Of<int32_t>({1});               // 1 colour
    Array<int32_t> many(3000);
    struct Case {
        const char *name;
        int order, count;
        Array<int32_t> indices;
        int arrays;  // 1 vertices, 2 + texcoords, 3 + colours
    } cases[] = {
        {"order 0", 0, 1, array_Of<int32_t>({0}), 1},
        {"negative order", -3, -1, array_Of<int32_t>({0, 1, 2}), 1},
        {"count 0", 3, 0, array_Of<int32_t>({0, 1, 2}), 1},
        {"negative count", 1, -5, array_Of<int32_t>({0}), 1},
        {"order above the buffer", 2341, 1, many, 1},
        {"order x count wraps to 0 in 32 bits", 4, 0x40000000, many, 1},
        {"too few indices", 3, 2, array_Of<int32_t>({0, 1, 2, 0, 1}), 1},
        {"index past the vertices (odd float unused)", 3, 1, array_Of<int32_t>({0, 1, 3}), 1},
        {"negative index", 2, 1, array_Of<int32_t>({0, -1}), 1},
        {"index past the texcoords", 3, 1, array_Of<int32_t>({0, 1, 2}), 2},
        {"index past the colours", 2, 1, array_Of<int32_t>({0, 1}), 3},
    };
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        if (c.arrays == 1) list->DrawIndexedPrimitives(c.order, c.count, v, c.indices, nullptr);
        if (c.arrays == 2) list->DrawIndexedPrimitives(c.order, c.count, v, tc, c.indices, nullptr);
        if (c.arrays == 3) list->DrawIndexedPrimitives(c.order, c.count, v, tc, colors, c.indices, nullptr);
        EXPECT_TRUE(list->IsEmpty()) << c.name;
        EXPECT_EQ(list->m_ops->length, 0) << c.name;
        EXPECT_EQ(list->m_vertexData->length, 4096) << c.name;
    }
    c_DrawList *list = NewList();
    EXPECT_FALSE(list->BeginPrims(nullptr, 2341, 1));
    EXPECT_FALSE(list->BeginPrims(nullptr, 4, 0x7FFFFFFF));
    EXPECT_FALSE(list->BeginPrim(nullptr, 0));
    EXPECT_EQ(list->m_ops->length, 0);
}

// ---------------------------------------------------------------------------
// Text

class DrawTextTest : public DrawListTest {
protected:
    void SetUp() override {
        DrawListTest::SetUp();
        page = gc_New<c_Image2>()->m_new(TextureMaterial(64, 16), 0.5f, 0.5f);
        c_IntMap3 *glyphs = gc_New<c_IntMap3>()->m_new();
        auto add = [&](int pageIndex, int ch, int x, int w, int advance, int xoff, int yoff) {
            c_Glyph2 *g = gc_New<c_Glyph2>()->m_new(pageIndex, ch, x, 0, w, 10, advance);
            g->m_xoffset = xoff;
            g->m_yoffset = yoff;
            glyphs->Add(ch, g);
        };
        add(0, 'A', 0, 8, 9, 1, 2);
        add(0, 'B', 8, 6, 7, 0, 0);
        add(5, 'C', 16, 4, 4, 0, 0);  // page out of range
        add(1, 'D', 16, 4, 3, 0, 0);  // page slot empty
        add(-1, 'E', 16, 4, 2, 0, 0);
        Array<c_Image2 *> pages(2);
        pages[0] = page;
        font = gc_New<c_Font2>()->m_new(pages, 2, glyphs, -1, 10.0f);
    }
    c_Image2 *page = nullptr;
    c_Font2 *font = nullptr;

    // The top-left corner of each quad drawn.
    static std::vector<std::pair<float, float>> Corners(c_DrawList *list) {
        std::vector<std::pair<float, float>> out;
        for (int q = 0; q < Vertices(list) / 4; ++q) out.push_back({VertexAt(list, 4 * q).x, VertexAt(list, 4 * q).y});
        return out;
    }
};

TEST_F(DrawTextTest, TextLayoutWithAlignment) {
    using Corners_ = std::vector<std::pair<float, float>>;
    struct Case {
        const char *name;
        const char16_t *text;
        float x, y, xalign, yalign;
        Corners_ corners;
    } cases[] = {
        {"left-top: offsets from the pen", u"AB", 100, 50, 0, 0, {{101, 52}, {109, 50}}},
        {"centred and bottom-aligned on the width 16", u"AB", 100, 50, 0.5f, 1, {{93, 42}, {101, 40}}},
        {"right-aligned", u"BA", 100, 50, 1, 0.5f, {{84, 45}, {92, 47}}},
        {"a unit without glyph neither draws nor advances", u"AxB", 0, 0, 0, 0, {{1, 2}, {9, 0}}},
        {"glyphs without a page are skipped but advance, as TextWidth counts them", u"ACDEB", 0, 0, 1, 0,
         {{-24, 2}, {-7, 0}}},
        {"empty text", u"", 0, 0, 0.5f, 0.5f, {}},
    };
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        list->SetFont(font);
        const String text(c.text, static_cast<int64_t>(std::char_traits<char16_t>::length(c.text)));
        list->DrawText(text, c.x, c.y, c.xalign, c.yalign);
        EXPECT_EQ(Corners(list), c.corners) << c.name;
        if (!c.corners.empty()) {
            EXPECT_EQ(Ops(list), std::vector<OpFields>({{page->m_material, c_BlendMode_Alpha, 4, 8}})) << c.name;
        }
    }
    // Each glyph shows its own rectangle of the page.
    c_DrawList *list = NewList();
    list->SetFont(font);
    list->DrawText(String(u"B"), 0, 0, 0, 0);
    EXPECT_EQ(VertexAt(list, 0).s, 8 / 64.0f);
    EXPECT_EQ(VertexAt(list, 2).s, 14 / 64.0f);
    EXPECT_EQ(VertexAt(list, 2).t, 10 / 16.0f);
    EXPECT_EQ(VertexAt(list, 2).x, 6.0f);
    EXPECT_EQ(VertexAt(list, 2).y, 10.0f);
}

TEST_F(DrawTextTest, TextLinesStackDownFromTheAlignedTop) {
    c_DrawList *list = NewList();
    list->SetFont(font);
    Array<String> lines(3);
    lines[0] = String(u"A");
    lines[1] = String(u"BB");
    lines[2] = String(u"");
    // Three lines at yalign 0.5 start 1.5 line heights up; each line is
    // aligned on its own width.
    list->DrawTextLines(lines, 0, 100, 1, 0.5f);
    EXPECT_EQ(Corners(list), (std::vector<std::pair<float, float>>{{-8, 87}, {-14, 95}, {-7, 95}}));

    // A null font means the default font; with none the text is skipped.
    list->SetFont(nullptr);
    EXPECT_EQ(list->Font(), nullptr);
    list->DrawText(String(u"AB"), 0, 0, 0, 0);
    list->DrawTextLines(lines, 0, 0, 0, 0);
    EXPECT_EQ(Vertices(list), 12);
    gfx2_DefaultFont = font;
    list->SetFont(nullptr);
    EXPECT_EQ(list->Font(), font);
}

// ---------------------------------------------------------------------------
// Shadow casters and lights

TEST_F(DrawListTest, ShadowCastersCollectTransformedPairsUntilReset) {
    c_DrawList *list = NewList();
    c_ShadowCaster *five = gc_New<c_ShadowCaster>()->m_new(array_Of<float>({1, 2, 3, 4, 5}));
    c_ShadowCaster *one = gc_New<c_ShadowCaster>()->m_new(array_Of<float>({7}));
    c_ShadowCaster *none = gc_New<c_ShadowCaster>()->m_new();
    list->Scale(2, 2);
    list->AddShadowCaster(five, 10, 20);  // pairs (1, 2), (3, 4); the odd 5 unused
    list->AddShadowCaster(one, 10, 20, 90);
    list->AddShadowCaster(none, 1, 1, 0, 3, 3);
    list->AddShadowCaster(nullptr);
    // The translation forms leave the matrix as it was.
    EXPECT_EQ(std::vector<float>({list->m_ix, list->m_iy, list->m_jx, list->m_jy, list->m_tx, list->m_ty}),
              std::vector<float>({2, 0, 0, 2, 0, 0}));
    ASSERT_EQ(list->m_casters->length, 3);
    EXPECT_EQ(list->m_casters->data[0].get(), five);
    EXPECT_EQ(list->m_casters->data[1].get(), one);
    EXPECT_EQ(list->m_casters->data[2].get(), none);
    const c_FloatStack *pts = list->m_casterVertices;
    EXPECT_EQ(std::vector<float>(pts->data->Data(), pts->data->Data() + pts->length),
              std::vector<float>({22, 44, 26, 48}));

    // Drawing an image adds its caster.
    c_Image2 *image = gc_New<c_Image2>()->m_new(TextureMaterial(4, 4), 0.0f, 0.0f);
    image->m_shadowCaster = gc_New<c_ShadowCaster>()->m_new(array_Of<float>({0, 0, 1, 0}));
    list->DrawImage(image, 5, 5);
    EXPECT_EQ(list->m_casters->length, 4);
    EXPECT_EQ(list->m_casterVertices->length, 8);
    EXPECT_EQ(list->m_casterVertices->data[6], 12.0f);

    list->Reset();
    EXPECT_EQ(list->m_casters->length, 0);
    EXPECT_EQ(list->m_casterVertices->length, 0);
    EXPECT_EQ(list->m_casters->data[0].get(), nullptr);  // no reference kept
}

TEST_F(DrawListTest, LightsPackInSlotOrderSkippingThoseOff) {
    Array<c_LightData *> lights(4);
    for (int i = 0; i < 4; ++i) lights[i] = gc_New<c_LightData>()->m_new();
    c_LightData *l = lights[1];
    EXPECT_EQ(l->m_type, 0);
    EXPECT_EQ(std::vector<float>(l->m_vector->Data(), l->m_vector->Data() + 4), std::vector<float>({0, 0, -10, 1}));
    EXPECT_EQ(std::vector<float>(l->m_color->Data(), l->m_color->Data() + 4), std::vector<float>({1, 1, 1, 1}));
    EXPECT_EQ(l->m_range, 10.0f);

    // A view that moves by (100, 200, 0).
    float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 100, 200, 0, 1};
    gfx2_LightCount = 3;
    gfx2_PackLights(lights, view);
    EXPECT_EQ(gfx2_LightCount, 0);

    lights[1]->m_type = 1;
    lights[1]->m_color[0] = 0.5f;
    lights[1]->m_range = 7;
    lights[3]->m_type = -2;
    lights[3]->m_vector[0] = 1;
    gfx2_PackLights(lights, view);
    EXPECT_EQ(gfx2_LightCount, 2);
    EXPECT_EQ(std::vector<float>(gfx2_LightColors, gfx2_LightColors + 8), std::vector<float>({0.5f, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(std::vector<float>(gfx2_LightVectors, gfx2_LightVectors + 8),
              std::vector<float>({100, 200, -10, 7, 101, 200, -10, 10}));
    EXPECT_EQ(std::vector<float>(lights[3]->m_transformedVector->Data(), lights[3]->m_transformedVector->Data() + 4),
              std::vector<float>({101, 200, -10, 1}));
}

}  // namespace
