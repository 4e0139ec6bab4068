// The shared vertex and index buffers and the blend modes, on the fake GL.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/hx_game.h"
#include "renderer/rd_buffers.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_startup.h"
#include "tests/renderer/support/fake_gl.h"

namespace {

class BuffersTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeGl::Install();
        gfx2_ResetPlainGlobals();
        host_GLContextSeq = 1;
    }
    void TearDown() override {
        FakeGl::Uninstall();
        gfx2_ResetPlainGlobals();
        host_GLContextSeq = 0;
    }
};

TEST_F(BuffersTest, SharedBuffersOncePerContext) {
    gfx2_InitVbos();
    EXPECT_EQ(FakeGl::Calls("glBufferData"),
              (std::vector<std::string>{"glBufferData(GL_ARRAY_BUFFER, 65520, null, GL_STREAM_DRAW)", "glBufferData(GL_ELEMENT_ARRAY_BUFFER, 28080, data, GL_STATIC_DRAW)"}));
    EXPECT_EQ(FakeGl::Calls("glVertexAttribPointer"),
              (std::vector<std::string>{"glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 28, 0)", "glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 28, 8)",
                                        "glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 28, 16)", "glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 28, 24)"}));
    EXPECT_EQ(FakeGl::Count("glEnableVertexAttribArray"), 4);
    // The index data: section j, quad i = 4i+j + (0, 1, 2, 0, 2, 3).
    std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_IndexBuffer);
    ASSERT_EQ(bytes.size(), 28080u);
    auto index = [&](int byteOffset) {
        uint16_t v;
        std::memcpy(&v, bytes.data() + byteOffset, 2);
        return v;
    };
    const int quadAt14052[6] = {6, 7, 8, 6, 8, 9};  // section 2, quad 1: the quad op starting at vertex 6
    for (int k = 0; k < 6; ++k) EXPECT_EQ(index(gfx2_QuadIndexOffset(6) + 2 * k), quadAt14052[k]);
    EXPECT_EQ(gfx2_QuadIndexOffset(6), 14052);
    EXPECT_EQ(index(3 * 7020 + 584 * 12 + 10), 4 * 584 + 3 + 3);  // the last index of all: 2339
    // Same context: nothing; a new one: made again.
    FakeGl::ClearLog();
    gfx2_InitVbos();
    EXPECT_TRUE(FakeGl::Log().empty());
    host_GLContextSeq = 2;
    gfx2_InitVbos();
    EXPECT_EQ(FakeGl::Count("glGenBuffers"), 2);
    EXPECT_EQ(FakeGl::Count("glDeleteBuffers"), 0);  // the old names died with their context
}

TEST_F(BuffersTest, BlendModesSetTheirStateOnce) {
    struct Case {
        int mode;
        std::vector<std::string> calls;
    } cases[] = {
        {c_BlendMode_Opaque, {"glDisable(GL_BLEND)"}},
        {c_BlendMode_Alpha, {"glEnable(GL_BLEND)", "glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA)"}},
        {c_BlendMode_Additive, {"glEnable(GL_BLEND)", "glBlendFunc(GL_ONE, GL_ONE)"}},
        {c_BlendMode_Multiply, {"glEnable(GL_BLEND)", "glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA)"}},
        {c_BlendMode_MultiplyOpaque, {"glEnable(GL_BLEND)", "glBlendFunc(GL_DST_COLOR, GL_ZERO)"}},
        {c_BlendMode_AlphaWrite, {"glEnable(GL_BLEND)", "glBlendFuncSeparate(GL_ZERO, GL_ONE, GL_ONE, GL_ZERO)"}},
        {c_BlendMode_StraightAlpha, {"glEnable(GL_BLEND)", "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)"}},
        {c_BlendMode_AlphaMask, {"glEnable(GL_BLEND)", "glBlendFuncSeparate(GL_ZERO, GL_SRC_ALPHA, GL_ONE, GL_ZERO)", "glBlendEquation(GL_FUNC_ADD)"}},
        {8, {}},
        {-3, {}},
    };
    for (const Case &c : cases) {
        FakeGl::ClearLog();
        gfx2_SetBlendMode(c.mode);
        EXPECT_EQ(FakeGl::Log(), c.calls) << c.mode;
        EXPECT_EQ(gfx2_BlendModeCache, c.mode);
        FakeGl::ClearLog();
        gfx2_SetBlendMode(c.mode);  // the cache holds it: nothing
        EXPECT_TRUE(FakeGl::Log().empty()) << c.mode;
    }
}

}  // namespace
