// The draw list's output byte for byte. A seeded run of 3000 drawing calls
// of every kind (rectangles, images with handles under pushed matrices,
// ellipses, indexed lines, triangles and polygons, text, colours inside and
// outside 0..1, blend modes) must give the recorded digest of its vertex
// bytes, its operations and the uploads and draw calls of rendering it; and
// every quad path must write exactly the vertices AddVertex writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_light.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "renderer/rd_texture.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"

namespace {

// The digest of the seeded run, recorded from the draw list that built each
// vertex through AddVertex.
constexpr uint64_t kGoldenDigest = 0x111789577f96925full;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// 64-bit FNV-1a.
struct Fnv {
    uint64_t h = 14695981039346656037ull;
    void Bytes(const void *p, size_t n) {
        const unsigned char *b = static_cast<const unsigned char *>(p);
        for (size_t i = 0; i < n; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    void Int(int64_t v) { Bytes(&v, sizeof v); }
};

// What rendering sends to GL, folded into one digest.
Fnv g_glDigest;
void HashUpload(GLenum target, GLintptr offset, GLsizeiptr size, const void *data) {
    g_glDigest.Int(1);
    g_glDigest.Int(target);
    g_glDigest.Int(offset);
    g_glDigest.Int(size);
    g_glDigest.Bytes(data, static_cast<size_t>(size));
}
void HashArrays(GLenum mode, GLint first, GLsizei count) {
    g_glDigest.Int(2);
    g_glDigest.Int(mode);
    g_glDigest.Int(first);
    g_glDigest.Int(count);
}
void HashElements(GLenum mode, GLsizei count, GLenum type, const void *indices) {
    g_glDigest.Int(3);
    g_glDigest.Int(mode);
    g_glDigest.Int(count);
    g_glDigest.Int(type);
    g_glDigest.Int(reinterpret_cast<intptr_t>(indices));
}

// splitmix64: the same sequence on every platform and library.
struct Rng {
    uint64_t s;
    uint64_t Next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Int(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    float Float(float lo, float hi) {
        return lo + (hi - lo) * (static_cast<float>(Next() >> 40) / 16777216.0f);
    }
    // Mostly inside 0..1, sometimes outside it, rarely not finite.
    float Component() {
        switch (Int(16)) {
        case 0: return Float(-1.5f, 0.0f);
        case 1: return Float(1.0f, 3.0f);
        case 2: return Int(2) ? kNaN : (Int(2) ? kInf : -kInf);
        default: return Float(0.0f, 1.0f);
        }
    }
};

class DrawListBytesTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
        gfx2_InitVbos();
        gfx2_FastShader = gc_New<c_Shader>()->m_new(String(u"void shader() { gl_FragColor = vxr_Color; }"));
        materials = {Fast(), TextureMaterial(64, 32), TextureMaterial(16, 16), TextureMaterial(100, 3)};
        c_Image2 *whole = gc_New<c_Image2>()->m_new(materials[1], 0.5f, 0.5f);
        c_Image2 *frame = gc_New<c_Image2>()->m_new(materials[1], 8, 4, 16, 12, 0.0f, 1.0f);
        c_Image2 *inner = gc_New<c_Image2>()->m_new(frame, 2, 2, 5, 7, 0.25f, 0.75f);
        c_Image2 *small = gc_New<c_Image2>()->m_new(materials[2], 1, 1, 14, 14, 0.5f, 0.0f);
        c_Image2 *odd = gc_New<c_Image2>()->m_new(materials[3], 3, 0, 33, 3, 0.0f, 0.0f);
        odd->SetHandle(0.3f, 0.6f);
        small->SnapHandle();
        Array<float> outline(7);  // three pairs and an unused float
        for (int i = 0; i < 7; ++i) outline[i] = static_cast<float>(i * 3 - 8);
        frame->m_shadowCaster = gc_New<c_ShadowCaster>()->m_new(outline);
        images = {whole, frame, inner, small, odd};

        c_IntMap3 *glyphs = gc_New<c_IntMap3>()->m_new();
        auto add = [&](int pageIndex, int ch, int x, int w, int advance, int xoff, int yoff) {
            c_Glyph2 *g = gc_New<c_Glyph2>()->m_new(pageIndex, ch, x, 0, w, 10, advance);
            g->m_xoffset = xoff;
            g->m_yoffset = yoff;
            glyphs->Add(ch, g);
        };
        add(0, 'A', 0, 8, 9, 1, 2);
        add(0, 'B', 8, 6, 7, 0, -1);
        add(1, 'C', 2, 4, 5, 0, 0);
        add(3, 'D', 16, 4, 4, 0, 0);  // page out of range
        Array<c_Image2 *> pages(2);
        pages[0] = whole;
        pages[1] = small;
        font = gc_New<c_Font2>()->m_new(pages, 2, glyphs, -1, 10.0f);
    }

    static c_Material *Fast() { return gfx2_FastShader->DefaultMaterial(); }
    static c_Material *TextureMaterial(int w, int h) {
        c_Material *m = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
        c_Texture *t = gc_New<c_Texture>()->m_new(w, h, 4, 0);
        m->SetTexture(String(u"ColorTexture"), t);
        t->Release();
        return m;
    }

    int MaterialIndex(c_Material *m) const {
        for (size_t i = 0; i < materials.size(); ++i)
            if (materials[i] == m) return static_cast<int>(i);
        return -1;
    }

    // The list's vertex bytes and operations, then what rendering it sends.
    void Checkpoint(c_DrawList *list, Fnv &digest) {
        digest.Int(list->m_vertexBytes);
        digest.Bytes(list->m_vertexData->data, static_cast<size_t>(list->m_vertexBytes));
        digest.Int(list->m_ops->length);
        for (int i = 0; i < list->m_ops->length; ++i) {
            c_DrawOp *op = list->m_ops->data[i];
            digest.Int(MaterialIndex(op->m_material));
            digest.Int(op->m_blend);
            digest.Int(op->m_order);
            digest.Int(op->m_count);
        }
        c_FloatStack *casters = list->m_casterVertices;
        digest.Int(casters->length);
        digest.Bytes(casters->data.get().Data(), sizeof(float) * static_cast<size_t>(casters->length));

        g_glDigest = Fnv();
        gl_EntryPoints.glBufferSubData = HashUpload;
        gl11.glDrawArrays = HashArrays;
        gl11.glDrawElements = HashElements;
        list->Render();
        digest.Int(static_cast<int64_t>(g_glDigest.h));
        list->Reset();
    }

    // One random call.
    void RandomCall(c_DrawList *list, Rng &rng, int &depth) {
        auto material = [&]() -> c_Material * {
            const int k = rng.Int(static_cast<int>(materials.size()) + 1);
            return k == 0 ? nullptr : materials[k - 1];
        };
        auto image = [&]() { return images[rng.Int(static_cast<int>(images.size()))]; };
        switch (rng.Int(20)) {
        case 0: list->SetColor(rng.Component(), rng.Component(), rng.Component()); break;
        case 1: list->SetColor(rng.Component(), rng.Component(), rng.Component(), rng.Component()); break;
        case 2: list->SetAlpha(rng.Component()); break;
        case 3: list->SetBlendMode(rng.Int(8)); break;
        case 4:
            if (depth < 70) {
                list->PushMatrix();
                ++depth;
            }
            switch (rng.Int(6)) {
            case 0: list->Translate(rng.Float(-200, 200), rng.Float(-200, 200)); break;
            case 1: list->Rotate(rng.Float(-720, 720)); break;
            case 2: list->Scale(rng.Float(-3, 3), rng.Float(-3, 3)); break;
            case 3:
                list->TranslateRotateScale(rng.Float(-50, 50), rng.Float(-50, 50), rng.Float(-180, 180),
                                           rng.Float(0.1f, 2), rng.Float(0.1f, 2));
                break;
            case 4:
                list->Transform(rng.Float(-2, 2), rng.Float(-2, 2), rng.Float(-2, 2), rng.Float(-2, 2),
                                rng.Float(-9, 9), rng.Float(-9, 9));
                break;
            default: list->SetMatrix(1, 0, 0, 1, rng.Float(0, 640), rng.Float(0, 480)); break;
            }
            break;
        case 5:
            // Now and then one pop more than the pushes: the ring's old entry.
            if (depth > 0 || rng.Int(8) == 0) {
                list->PopMatrix();
                if (depth > 0) --depth;
            }
            break;
        case 6:
        case 7:
            list->DrawRect(rng.Float(-100, 700), rng.Float(-100, 500), rng.Float(-20, 80), rng.Float(-20, 80),
                           material(), rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1));
            break;
        case 8: list->DrawRect(rng.Float(0, 640), rng.Float(0, 480), rng.Float(1, 64), rng.Float(1, 64), image()); break;
        case 9:
            list->DrawRect(rng.Float(0, 640), rng.Float(0, 480), rng.Float(1, 64), rng.Float(1, 64), image(),
                           rng.Int(20) - 4, rng.Int(20) - 4, rng.Int(40), rng.Int(40));
            break;
        case 10: list->DrawRect(rng.Float(0, 640), rng.Float(0, 480), image(), rng.Int(9), rng.Int(9), rng.Int(30), rng.Int(30)); break;
        case 11:
        case 12:
            switch (rng.Int(4)) {
            case 0: list->DrawImage(image()); break;
            case 1: list->DrawImage(image(), rng.Float(0, 640), rng.Float(0, 480)); break;
            case 2: list->DrawImage(image(), rng.Float(0, 640), rng.Float(0, 480), rng.Float(-360, 360)); break;
            default:
                list->DrawImage(image(), rng.Float(0, 640), rng.Float(0, 480), rng.Float(-360, 360), rng.Float(-2, 2),
                                rng.Float(-2, 2));
                break;
            }
            break;
        case 13: {
            // Mostly small, sometimes large enough for hundreds of vertices.
            const float big = rng.Int(10) == 0 ? 900.0f : 60.0f;
            if (rng.Int(2))
                list->DrawEllipse(rng.Float(0, 640), rng.Float(0, 480), rng.Float(0, big), rng.Float(0, big));
            else
                list->DrawEllipse(rng.Float(0, 640), rng.Float(0, 480), rng.Float(0, big), rng.Float(0, big),
                                  material());
            break;
        }
        case 14:
        case 15: {
            const int pairs = 3 + rng.Int(10);
            Array<float> vertices(2 * pairs), texcoords(2 * pairs);
            Array<int32_t> colors(pairs);
            for (int i = 0; i < 2 * pairs; ++i) {
                vertices[i] = rng.Float(-50, 700);
                texcoords[i] = rng.Float(-1, 2);
            }
            for (int i = 0; i < pairs; ++i) colors[i] = static_cast<int32_t>(rng.Next());
            const int order = 1 + rng.Int(8);
            const int count = 1 + rng.Int(3);
            Array<int32_t> indices(order * count);
            for (int i = 0; i < order * count; ++i) indices[i] = rng.Int(pairs);
            // An index past the arrays now and then: that call draws nothing.
            if (rng.Int(12) == 0) indices[rng.Int(order * count)] = pairs;
            switch (rng.Int(5)) {
            case 0: list->DrawIndexedPrimitives(order, count, vertices, indices, material()); break;
            case 1: list->DrawIndexedPrimitives(order, count, vertices, texcoords, indices, material()); break;
            case 2: list->DrawIndexedPrimitives(order, count, vertices, texcoords, colors, indices, material()); break;
            case 3: list->DrawIndexedLine(vertices, indices); break;
            default: list->DrawIndexedTriangles(count, vertices, texcoords, indices, material()); break;
            }
            break;
        }
        case 16:
        case 17: {
            static const char *const texts[] = {"AB", "BAD", "CAB A", "", "xAy", "ABCDABCD"};
            const String text(texts[rng.Int(6)]);
            if (rng.Int(3)) {
                list->DrawText(text, rng.Float(0, 640), rng.Float(0, 480), rng.Float(0, 1), rng.Float(0, 1));
            } else {
                Array<String> lines(1 + rng.Int(3));
                for (int i = 0; i < lines.Length(); ++i) lines[i] = String(texts[rng.Int(6)]);
                list->DrawTextLines(lines, rng.Float(0, 640), rng.Float(0, 480), rng.Float(0, 1), rng.Float(0, 1));
            }
            break;
        }
        case 18: list->SetDefaultMaterial(rng.Int(3) ? nullptr : materials[2]); break;
        default: list->SetColor(rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1), rng.Float(0, 1)); break;
        }
    }

    std::vector<c_Material *> materials;
    std::vector<c_Image2 *> images;
    c_Font2 *font = nullptr;
};

TEST_F(DrawListBytesTest, SeededRunMatchesTheRecordedDigest) {
    c_DrawList *list = gc_New<c_DrawList>()->m_new();
    list->SetFont(font);
    Rng rng{20261210};
    Fnv digest;
    int depth = 0;
    for (int i = 1; i <= 3000; ++i) {
        RandomCall(list, rng, depth);
        // Three renders, so that later ones reuse pooled operations.
        if (i % 1000 == 0) Checkpoint(list, digest);
    }
    EXPECT_EQ(digest.h, kGoldenDigest) << std::hex << "digest 0x" << digest.h;
}

// Every quad the list draws from rectangles, images and text is the four
// corners written by AddVertex in the order top-left, top-right,
// bottom-right, bottom-left, whatever the matrix and colour.
TEST_F(DrawListBytesTest, QuadPathsWriteWhatAddVertexWrites) {
    c_DrawList *list = gc_New<c_DrawList>()->m_new();
    c_DrawList *reference = gc_New<c_DrawList>()->m_new();
    list->SetFont(font);
    Rng rng{7};
    auto quad = [&](c_Material *m, float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
        ASSERT_TRUE(reference->BeginPrim(m, 4));
        reference->AddVertex(x0, y0, s0, t0);
        reference->AddVertex(x1, y0, s1, t0);
        reference->AddVertex(x1, y1, s1, t1);
        reference->AddVertex(x0, y1, s0, t1);
    };
    for (int i = 0; i < 200; ++i) {
        const float ix = rng.Float(-2, 2), iy = rng.Float(-2, 2), jx = rng.Float(-2, 2), jy = rng.Float(-2, 2);
        const float tx = rng.Float(-99, 99), ty = rng.Float(-99, 99);
        const float r = rng.Component(), g = rng.Component(), b = rng.Component(), a = rng.Component();
        for (c_DrawList *l : {list, reference}) {
            l->SetMatrix(ix, iy, jx, jy, tx, ty);
            l->SetColor(r, g, b, a);
        }
        const float x = rng.Float(-50, 50), y = rng.Float(-50, 50), w = rng.Float(-9, 30), h = rng.Float(-9, 30);
        c_Material *m = materials[rng.Int(static_cast<int>(materials.size()))];
        list->DrawRect(x, y, w, h, m, 0.125f, 0.25f, 0.5f, 1.0f);
        quad(m, x, y, x + w, y + h, 0.125f, 0.25f, 0.5f, 1.0f);

        c_Image2 *image = images[rng.Int(static_cast<int>(images.size()))];
        list->DrawImage(image);
        quad(image->m_material, image->m_x0, image->m_y0, image->m_x1, image->m_y1, image->m_s0, image->m_t0,
             image->m_s1, image->m_t1);
        list->DrawRect(x, y, w, h, image);
        quad(image->m_material, x, y, x + w, y + h, image->m_s0, image->m_t0, image->m_s1, image->m_t1);

        // Glyph 'A': offset (1, 2), 8 x 10 at (0, 0) of the 64 x 32 page.
        list->DrawText(String(u"A"), x, y, 0, 0);
        quad(images[0]->m_material, x + 1, y + 2, (x + 1) + 8, (y + 2) + 10, 0, 0, 8 / 64.0f, 10 / 32.0f);
    }
    ASSERT_EQ(list->m_vertexBytes, reference->m_vertexBytes);
    ASSERT_EQ(list->m_vertexBytes, 200 * 4 * 4 * 28);
    EXPECT_EQ(std::memcmp(list->m_vertexData->data, reference->m_vertexData->data,
                          static_cast<size_t>(list->m_vertexBytes)),
              0);
    ASSERT_EQ(list->m_ops->length, reference->m_ops->length);
    for (int i = 0; i < list->m_ops->length; ++i) {
        EXPECT_EQ(list->m_ops->data[i]->m_material.get(), reference->m_ops->data[i]->m_material.get()) << i;
        EXPECT_EQ(list->m_ops->data[i]->m_count, reference->m_ops->data[i]->m_count) << i;
    }
}

}  // namespace
