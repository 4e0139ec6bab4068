// Rendering a draw list through the shared buffers against the recording
// fake GL: the chunk plan (uploads and draw calls), the quad index
// sections, pieces of operations larger than the buffer, the blend cache,
// and the flushes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"

namespace {

// The list's default material, typed: a bare nullptr with integer texture
// coordinates would pick the image form of DrawRect.
c_Material *const kDefault = nullptr;

using Lines = std::vector<std::string>;

// The uploads and draw calls of the log, in order.
Lines Plan() {
    Lines out;
    for (const std::string &line : FakeGl::Log())
        if (line.rfind("glBufferSubData", 0) == 0 || line.rfind("glDraw", 0) == 0) out.push_back(line);
    return out;
}
// The blend state calls of the log, in order.
Lines BlendCalls() {
    Lines out;
    for (const std::string &line : FakeGl::Log())
        if (line.rfind("glEnable(GL_BLEND", 0) == 0 || line.rfind("glDisable(GL_BLEND", 0) == 0 ||
            line.rfind("glBlend", 0) == 0)
            out.push_back(line);
    return out;
}

// The size of the last upload of the log, 0 without one.
int LastUploadBytes() {
    const std::string upload = "glBufferSubData(GL_ARRAY_BUFFER, 0, ";
    int bytes = 0;
    for (const std::string &line : Plan())
        if (line.rfind(upload, 0) == 0) bytes = std::stoi(line.substr(upload.size()));
    return bytes;
}

std::string Upload(int bytes) { return "glBufferSubData(GL_ARRAY_BUFFER, 0, " + std::to_string(bytes) + ", data)"; }
std::string Quads(int indices, int offset) {
    return "glDrawElements(GL_TRIANGLES, " + std::to_string(indices) + ", GL_UNSIGNED_SHORT, " + std::to_string(offset) + ")";
}
std::string Arrays(GLenum mode, int first, int count) {
    const char *name = mode == GL_POINTS      ? "GL_POINTS"
                       : mode == GL_LINES     ? "GL_LINES"
                       : mode == GL_TRIANGLES ? "GL_TRIANGLES"
                                              : "GL_TRIANGLE_FAN";
    return "glDrawArrays(" + std::string(name) + ", " + std::to_string(first) + ", " + std::to_string(count) + ")";
}

class RenderTest : public FakeRendererTest {
protected:
    void SetUp() override {
        FakeRendererTest::SetUp();
        gfx2_ProgramTemplate = String(kTinyTemplate);
        gfx2_InitVbos();
        gfx2_FastShader = gc_New<c_Shader>()->m_new(String(u"void shader() { gl_FragColor = vxr_Color; }"));
    }

    static c_DrawList *NewList() { return gc_New<c_DrawList>()->m_new(); }

    // n quads, each at its own x so that every vertex differs.
    static void DrawQuads(c_DrawList *list, int n) {
        for (int i = 0; i < n; ++i) list->DrawRect(static_cast<float>(list->m_vertexBytes), 0, 1, 1, kDefault, 0, 0, 1, 1);
    }
    // `count` primitives of `order` vertices in one call.
    static void DrawPrims(c_DrawList *list, int order, int count) {
        Array<float> v(2 * 4);
        for (int i = 0; i < 8; ++i) v[i] = static_cast<float>(list->m_vertexBytes + i);
        Array<int32_t> idx(static_cast<int64_t>(order) * count);
        for (int i = 0; i < idx.Length(); ++i) idx[i] = i % 4;
        list->DrawIndexedPrimitives(order, count, v, idx, nullptr);
    }
};

TEST_F(RenderTest, ChunkPlan) {
    struct Case {
        const char *name;
        std::function<void(c_DrawList *)> draw;
        Lines plan;
    } cases[] = {
        {"no vertices: no upload", [](c_DrawList *) {}, {}},
        {"2000 + 1000 quad vertices: the first op alone, then the second, both from vertex 0",
         [](c_DrawList *l) {
             DrawQuads(l, 500);
             l->SetBlendMode(c_BlendMode_Additive);
             DrawQuads(l, 250);
         },
         {Upload(56000), Quads(3000, 0), Upload(28000), Quads(1500, 0)}},
        {"three ops of 1000: the first two share a chunk",
         [](c_DrawList *l) {
             DrawQuads(l, 250);
             l->SetBlendMode(c_BlendMode_Additive);
             DrawQuads(l, 250);
             l->SetBlendMode(c_BlendMode_Alpha);
             DrawQuads(l, 250);
         },
         {Upload(56000), Quads(1500, 0), Quads(1500, 3000), Upload(28000), Quads(1500, 0)}},
        {"exactly 2340 vertices: one chunk", [](c_DrawList *l) { DrawQuads(l, 585); },
         {Upload(65520), Quads(3510, 0)}},
        {"one quad op of 3000 vertices: pieces of 2340 and 660", [](c_DrawList *l) { DrawQuads(l, 750); },
         {Upload(65520), Quads(3510, 0), Upload(18480), Quads(990, 0)}},
        {"one triangle op of 4002 vertices: 780 triangles, then the rest", [](c_DrawList *l) { DrawPrims(l, 3, 1334); },
         {Upload(65520), Arrays(GL_TRIANGLES, 0, 2340), Upload(46536), Arrays(GL_TRIANGLES, 0, 1662)}},
        {"a small op, then an oversized one in pieces",
         [](c_DrawList *l) {
             DrawPrims(l, 3, 1);
             DrawQuads(l, 750);
         },
         {Upload(84), Arrays(GL_TRIANGLES, 0, 3), Upload(65520), Quads(3510, 0), Upload(18480), Quads(990, 0)}},
        {"a quad op at chunk vertex 6: section 2 from quad 1",
         [](c_DrawList *l) {
             DrawPrims(l, 3, 2);
             DrawQuads(l, 1);
         },
         {Upload(280), Arrays(GL_TRIANGLES, 0, 6), Quads(6, 14052)}},
        {"fans: one call per primitive",
         [](c_DrawList *l) {
             l->DrawEllipse(0, 0, 5, 5);
             l->DrawEllipse(9, 9, 5, 5);
         },
         {Upload(672), Arrays(GL_TRIANGLE_FAN, 0, 12), Arrays(GL_TRIANGLE_FAN, 12, 12)}},
        {"an oversized fan op: one whole fan per piece", [](c_DrawList *l) { DrawPrims(l, 2340, 2); },
         {Upload(65520), Arrays(GL_TRIANGLE_FAN, 0, 2340), Upload(65520), Arrays(GL_TRIANGLE_FAN, 0, 2340)}},
        {"lines and points",
         [](c_DrawList *l) {
             DrawPrims(l, 2, 2);
             DrawPrims(l, 1, 3);
         },
         {Upload(196), Arrays(GL_LINES, 0, 4), Arrays(GL_POINTS, 4, 3)}},
    };
    for (const Case &c : cases) {
        c_DrawList *list = NewList();
        c.draw(list);
        FakeGl::ClearLog();
        EXPECT_EQ(list->Render(), 0) << c.name;  // no upload overran the buffer
        EXPECT_EQ(Plan(), c.plan) << c.name;
        EXPECT_EQ(FakeGl::Count("glGetError"), 1) << c.name;
        // The last upload is the end of the list's vertices.
        if (!c.plan.empty()) {
            const int last = LastUploadBytes();
            const std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_VertexBuffer);
            ASSERT_GE(bytes.size(), static_cast<size_t>(last)) << c.name;
            EXPECT_EQ(std::memcmp(bytes.data(), list->m_vertexData->data + list->m_vertexBytes - last, last), 0)
                << c.name;
        }
        list->Reset();
    }
}

TEST_F(RenderTest, AnOpOfMoreVerticesPerPrimitiveThanTheBufferIsSkipped) {
    // Such an op cannot be made through the list; one that got in anyway
    // must not stop the rendering.
    c_DrawList *list = NewList();
    DrawQuads(list, 600);
    list->SetBlendMode(c_BlendMode_Additive);
    DrawQuads(list, 1);
    list->m_ops->data[0]->m_order = 2400;
    list->m_ops->data[0]->m_count = 2400;
    FakeGl::ClearLog();
    EXPECT_EQ(list->Render(), 0);
    EXPECT_EQ(Plan(), Lines({Upload(112), Quads(6, 0)}));
    const std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_VertexBuffer);
    EXPECT_EQ(std::memcmp(bytes.data(), list->m_vertexData->data + 2400 * 28, 112), 0);
}

TEST_F(RenderTest, BlendStateIsSetOnlyWhenItChanges) {
    c_Material *other = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
    c_DrawList *list = NewList();
    DrawQuads(list, 1);
    list->DrawRect(0, 0, 1, 1, other, 0, 0, 1, 1);  // a second op, same mode
    list->SetBlendMode(c_BlendMode_Opaque);
    DrawQuads(list, 1);
    list->SetBlendMode(c_BlendMode_AlphaMask);
    DrawQuads(list, 1);
    list->SetBlendMode(9);  // outside the table: recorded, no state
    DrawQuads(list, 1);
    ASSERT_EQ(list->m_ops->length, 5);

    FakeGl::ClearLog();
    list->Render();
    const Lines first = {"glEnable(GL_BLEND)", "glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA)", "glDisable(GL_BLEND)", "glEnable(GL_BLEND)",
                         "glBlendFuncSeparate(GL_ZERO, GL_SRC_ALPHA, GL_ONE, GL_ZERO)", "glBlendEquation(GL_FUNC_ADD)"};
    EXPECT_EQ(BlendCalls(), first);
    EXPECT_EQ(gfx2_BlendModeCache, 9);

    // Mode 9 is still in force: the next frame starts with a change.
    FakeGl::ClearLog();
    list->Render();
    EXPECT_EQ(BlendCalls(), first);
    gfx2_SetBlendMode(c_BlendMode_Alpha);
    FakeGl::ClearLog();
    list->Render();
    EXPECT_EQ(BlendCalls(), Lines(first.begin() + 2, first.end()));
    // A reset cache (a canvas re-applying its state) sets the mode again.
    gfx2_BlendModeCache = -1;
    FakeGl::ClearLog();
    list->Render();
    EXPECT_EQ(BlendCalls(), first);
}

TEST_F(RenderTest, EachOpBindsItsMaterialBeforeItsDrawCall) {
    c_Material *other = gc_New<c_Material>()->m_new(gfx2_FastShader.get());
    c_DrawList *list = NewList();
    DrawQuads(list, 1);
    list->DrawRect(0, 0, 1, 1, other, 0, 0, 1, 1);
    FakeGl::ClearLog();
    list->Render();
    EXPECT_EQ(gfx2_BoundMaterial.get(), other);
    // The program is made current before the first draw call.
    const Lines &log = FakeGl::Log();
    size_t use = 0, draw = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (!use && log[i].rfind("glUseProgram", 0) == 0) use = i + 1;
        if (!draw && log[i].rfind("glDraw", 0) == 0) draw = i + 1;
    }
    EXPECT_NE(use, 0u);
    EXPECT_LT(use, draw);
}

TEST_F(RenderTest, FlushRendersPendingVerticesAndEmptiesTheList) {
    c_DrawList *list = NewList();
    FakeGl::ClearLog();
    list->RenderPending();
    list->Flush();
    EXPECT_TRUE(FakeGl::Log().empty()) << "an empty list makes no GL call";

    DrawQuads(list, 2);
    FakeGl::ClearLog();
    list->RenderPending();
    EXPECT_EQ(Plan(), Lines({Upload(224), Quads(12, 0)}));
    EXPECT_FALSE(list->IsEmpty());

    FakeGl::ClearLog();
    list->Flush();
    EXPECT_EQ(Plan(), Lines({Upload(224), Quads(12, 0)}));
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(list->m_ops->length, 0);
    EXPECT_EQ(gfx2_OpPool->length, 1);
    FakeGl::ClearLog();
    list->Flush();
    EXPECT_TRUE(Plan().empty());
}

}  // namespace
