// Textures against the recording fake GL: flags, sizes, uploads, the colour
// cache, context changes, read-back and reference counts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_map.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/renderer_fixture.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

c_DataBuffer *Buffer(const Bytes &bytes) {
    c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new(static_cast<int>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) b->data[i] = bytes[i];
    return b;
}

Bytes Retained(c_Texture *t) {
    if (!t->data) return {};
    return Bytes(t->data->data, t->data->data + t->data->length);
}

// Runs f in a child and expects the run-time error with this message.
class TextureTest : public FakeRendererTest {
};

// ---------------------------------------------------------------------------
// Pure helpers

TEST(TexturePixels, PremultiplicationTable) {
    struct Case {
        Bytes in, out;
    } cases[] = {
        {{255, 128, 0, 128}, {128, 64, 0, 128}},
        {{10, 20, 30, 0}, {0, 0, 0, 0}},
        {{1, 2, 3, 255}, {1, 2, 3, 255}},
        {{255, 255, 255, 1}, {1, 1, 1, 1}},
        {{254, 1, 100, 254}, {253, 0, 99, 254}},  // truncated, not rounded
    };
    for (const Case &c : cases) {
        Bytes p = c.in;
        gfx2_PremultiplyPixels(p.data(), static_cast<int64_t>(p.size()));
        EXPECT_EQ(p, c.out) << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2]) << "," << int(c.in[3]);
    }
    // Only whole pixels: a trailing partial one is left as it is.
    Bytes p = {200, 200, 200, 0, 200, 100};
    gfx2_PremultiplyPixels(p.data(), static_cast<int64_t>(p.size()));
    EXPECT_EQ(p, (Bytes{0, 0, 0, 0, 200, 100}));
}

TEST(TexturePixels, ParametersFromFlags) {
    struct Case {
        int flags;
        int mag, min, wrapS, wrapT;
    } cases[] = {
        {0, GL_NEAREST, GL_NEAREST, 0, 0},
        {TextureFlags::Filter, GL_LINEAR, GL_LINEAR, 0, 0},
        {TextureFlags::Mipmap, GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, 0, 0},
        {TextureFlags::Filter | TextureFlags::Mipmap, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR, 0, 0},
        {TextureFlags::ClampS, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, 0},
        {TextureFlags::ClampT, GL_NEAREST, GL_NEAREST, 0, GL_CLAMP_TO_EDGE},
        {259 | 12 | 16, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
    };
    for (const Case &c : cases) {
        gfx2_TextureParameters p = gfx2_TextureParametersOf(c.flags);
        EXPECT_EQ(p.magFilter, c.mag) << c.flags;
        EXPECT_EQ(p.minFilter, c.min) << c.flags;
        EXPECT_EQ(p.wrapS, c.wrapS) << c.flags;
        EXPECT_EQ(p.wrapT, c.wrapT) << c.flags;
    }
}

TEST(TexturePixels, SizesInSixtyFourBits) {
    EXPECT_EQ(gfx2_TextureBytes(0, 0), 0);
    EXPECT_EQ(gfx2_TextureBytes(0, 100), 0);
    EXPECT_EQ(gfx2_TextureBytes(3, 5), 60);
    EXPECT_EQ(gfx2_TextureBytes(16384, 32767), int64_t{16384} * 32767 * 4);  // just below 2^31
    EXPECT_EQ(gfx2_TextureBytes(16384, 32768), -1);                          // 2^31 bytes
    EXPECT_EQ(gfx2_TextureBytes(65536, 65536), -1);  // wraps to 0 in 32 bits
    EXPECT_EQ(gfx2_TextureBytes(-1, 4), -1);
    EXPECT_EQ(gfx2_TextureBytes(4, -1), -1);
    EXPECT_EQ(gfx2_TextureBytes(-2, -2), -1);
}

TEST(TexturePaths, FixDataPath) {
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"ship.png", "zentrova://data/ship.png"},
        {"gfx/ship.png", "zentrova://data/gfx/ship.png"},
        {"./ship.png", "./ship.png"},
        {".hidden", ".hidden"},
        {"/tmp/ship.png", "/tmp/ship.png"},
        {"zentrova://data/ship.png", "zentrova://data/ship.png"},
        {"C:/games/ship.png", "C:/games/ship.png"},
        {"dir/a:/b.png", "zentrova://data/dir/a:/b.png"},  // its first "/" is not after the ":"
        {"a:b/c:/d", "zentrova://data/a:b/c:/d"},
        {"", "zentrova://data/"},
    };
    for (const Case &c : cases) {
        const String out = gfx2_FixDataPath(String(c.in));
        EXPECT_TRUE(out == String(c.out)) << c.in;
    }
}

// ---------------------------------------------------------------------------
// Creation

TEST_F(TextureTest, RenderTargetCreationCallsInOrder) {
    FakeGl::SetIntegers(GL_TEXTURE_BINDING_2D, {7});
    FakeGl::SetIntegers(GL_FRAMEBUFFER_BINDING, {3});
    c_Texture *t = gc_New<c_Texture>()->m_new(4, 2, 4, TextureFlags::Filter | TextureFlags::ClampS | 16);
    EXPECT_TRUE(gfx2_Started);
    EXPECT_EQ(t->refs, 1);
    EXPECT_EQ(t->Width(), 4);
    EXPECT_EQ(t->Height(), 2);
    EXPECT_EQ(t->format, 4);
    EXPECT_EQ(t->contextSeq, 1);
    EXPECT_EQ(t->glTexture, 1u);
    EXPECT_EQ(t->glFramebuffer, 1u);
    EXPECT_EQ(t->data.get(), nullptr);
    const std::vector<std::string> expected = {
        "glGenTextures(1) -> 1",
        "glGetIntegerv(GL_TEXTURE_BINDING_2D) -> 7",
        "glBindTexture(GL_TEXTURE_2D, 1)",
        "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)",  // mag linear
        "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",  // min linear
        "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE)", // wrap S clamped; T keeps repeat
        "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, null)",
        "glBindTexture(GL_TEXTURE_2D, 7)",
        "glGenFramebuffers(1) -> 1",
        "glGetIntegerv(GL_FRAMEBUFFER_BINDING) -> 3",
        "glBindFramebuffer(GL_FRAMEBUFFER, 1)",
        "glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 1, 0)",
        "glCheckFramebufferStatus(GL_FRAMEBUFFER) -> GL_FRAMEBUFFER_COMPLETE",
        "glBindFramebuffer(GL_FRAMEBUFFER, 3)",
    };
    EXPECT_EQ(FakeGl::Log(), expected);
}

TEST_F(TextureTest, MipmapFlagsChooseFiltersAndRegenerateAfterUploads) {
    c_Texture *plain = gc_New<c_Texture>()->m_new(1, 1, 4, 0, Buffer({1, 2, 3, 4}));
    EXPECT_EQ(FakeGl::Count("glGenerateMipmap"), 0);
    (void)plain;
    FakeGl::ClearLog();
    c_Texture *t = gc_New<c_Texture>()->m_new(1, 1, 4, TextureFlags::Mipmap, Buffer({1, 2, 3, 4}));
    const std::vector<std::string> &log = FakeGl::Log();
    EXPECT_EQ(FakeGl::Calls("glTexParameteri"),
              (std::vector<std::string>{"glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST)", "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST)"}));
    // The upload with data, then the mipmaps of the same texture.
    auto upload = std::find(log.begin(), log.end(), "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, data)");
    ASSERT_NE(upload, log.end());
    ASSERT_GE(log.end() - upload, 5);
    EXPECT_EQ(upload[3], "glBindTexture(GL_TEXTURE_2D, 2)");
    EXPECT_EQ(upload[4], "glGenerateMipmap(GL_TEXTURE_2D)");
    // Under a later context the mipmaps wait for the rebuild.
    host_GLContextSeq = 2;
    FakeGl::ClearLog();
    t->UpdateMipmaps();
    EXPECT_TRUE(FakeGl::Log().empty());
}

TEST_F(TextureTest, ManagedTargetRetainsMagentaWithoutUploadingIt) {
    c_Texture *t = gc_New<c_Texture>()->m_new(2, 1, 4, TextureFlags::RenderTarget | TextureFlags::Managed);
    EXPECT_EQ(Retained(t), (Bytes{255, 0, 255, 255, 255, 0, 255, 255}));
    EXPECT_EQ(FakeGl::Calls("glTexImage2D"),
              (std::vector<std::string>{"glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, null)"}));
}

TEST_F(TextureTest, UploadsOnlyWholeImagesFromDataBuffers) {
    // A buffer one byte short, an object that is no data buffer, and an
    // empty image all upload no data.
    c_Texture *shortOne = gc_New<c_Texture>()->m_new(2, 2, 4, 0, Buffer(Bytes(15, 9)));
    c_Texture *notBuffer = gc_New<c_Texture>()->m_new(1, 1, 4, 0, gc_New<Object>()->m_new());
    c_Texture *empty = gc_New<c_Texture>()->m_new(0, 0, 4, 0, Buffer({}));
    c_Texture *whole = gc_New<c_Texture>()->m_new(1, 2, 4, 0, Buffer({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(FakeGl::Image(shortOne->glTexture).hasData);
    EXPECT_EQ(Retained(shortOne).size(), 15u);
    EXPECT_FALSE(FakeGl::Image(notBuffer->glTexture).hasData);
    EXPECT_EQ(notBuffer->data.get(), nullptr);
    EXPECT_EQ(FakeGl::Image(empty->glTexture).width, 0);
    EXPECT_EQ(FakeGl::Image(whole->glTexture).bytes, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(FakeGl::Calls("glTexImage2D").back(), "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, data)");
}

TEST_F(TextureTest, InvalidFormatsAndSizesAreRunTimeErrors) {
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(1, 1, 3, 0); }, "Invalid texture format: 3");
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(1, 1, -4, 0, nullptr); }, "Invalid texture format: -4");
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(-1, 4, 4, 0); }, "Invalid texture size: -1 x 4");
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(4, -1, 4, TextureFlags::Managed); },
                       "Invalid texture size: 4 x -1");
    // 65536 x 65536 x 4 is 0 in 32 bits: the magenta fill would write
    // nothing and every later read-back would run past the buffer.
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(65536, 65536, 4, TextureFlags::Managed); },
                       "Invalid texture size: 65536 x 65536");
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->Init(40000, 40000, 4, 0); }, "Invalid texture size: 40000 x 40000");
}

TEST_F(TextureTest, IncompleteFramebufferIsARunTimeError) {
    FakeGl::SetFramebufferStatus(GL_FRAMEBUFFER_UNSUPPORTED);
    rt_ExpectRuntimeError([] { gc_New<c_Texture>()->m_new(8, 8, 4, TextureFlags::RenderTarget); },
                       "Incomplete framebuffer");
}

// ---------------------------------------------------------------------------
// Colour textures

TEST_F(TextureTest, ColourCacheReturnsTheSameTextureWithoutGlCalls) {
    c_Texture *black = c_Texture::Color(static_cast<int>(0xFF000000u));
    EXPECT_EQ(black->Flags(), TextureFlags::ClampS | TextureFlags::ClampT);
    EXPECT_EQ(Retained(black), (Bytes{0, 0, 0, 255}));
    EXPECT_EQ(FakeGl::Image(black->glTexture).bytes, (Bytes{0, 0, 0, 255}));
    FakeGl::ClearLog();
    EXPECT_EQ(c_Texture::Color(static_cast<int>(0xFF000000u)), black);
    EXPECT_TRUE(FakeGl::Log().empty());
    EXPECT_EQ(black->refs, 1);  // the cache's reference only

    // Words more than 2^31 apart, which a comparison by subtraction orders
    // both ways, each find their own texture again.
    const uint32_t words[] = {0x7F000000u, 0x80402010u, 0x00000001u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu,
                              0x00FFFFFFu, 0xFF888888u, 0x00000000u};
    std::vector<c_Texture *> made;
    for (uint32_t w : words) made.push_back(c_Texture::Color(static_cast<int>(w)));
    EXPECT_EQ(Retained(made[1]), (Bytes{0x10, 0x20, 0x40, 0x80}));  // red in the low byte
    FakeGl::ClearLog();
    for (size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(c_Texture::Color(static_cast<int>(words[i])), made[i]) << std::hex << words[i];
        for (size_t j = 0; j < i; ++j) EXPECT_NE(made[i], made[j]);
    }
    EXPECT_EQ(c_Texture::Color(static_cast<int>(0xFF000000u)), black);
    EXPECT_TRUE(FakeGl::Log().empty());

    // The named colours come from the same cache and stay in their globals.
    EXPECT_EQ(c_Texture::White(), made[3]);
    EXPECT_EQ(c_Texture::Black(), black);
    EXPECT_EQ(c_Texture::Grey(), made[7]);
    EXPECT_EQ(gfx2_WhiteTexture.get(), made[3]);
    EXPECT_EQ(gfx2_BlackTexture.get(), black);
    EXPECT_EQ(gfx2_GreyTexture.get(), made[7]);
    EXPECT_TRUE(FakeGl::Log().empty());
}

// ---------------------------------------------------------------------------
// A new GL context

TEST_F(TextureTest, NewContextGivesNewNamesAndReuploadsWithoutDeletes) {
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    c_Texture *t = gc_New<c_Texture>()->m_new(2, 1, 4, TextureFlags::Mipmap | 16, Buffer(pixels));
    c_Texture *empty = gc_New<c_Texture>()->m_new(1, 1, 4, 0);
    ASSERT_EQ(t->glTexture, 1u);
    ASSERT_EQ(t->glFramebuffer, 1u);
    // The same context: nothing to do.
    FakeGl::ClearLog();
    EXPECT_EQ(t->GLTexture(), 1u);
    EXPECT_EQ(t->GLFramebuffer(), 1u);
    EXPECT_TRUE(FakeGl::Log().empty());

    host_GLContextSeq = 2;
    const GLuint name = t->GLTexture();
    EXPECT_EQ(name, 3u);
    EXPECT_EQ(t->contextSeq, 2);
    EXPECT_EQ(t->GLFramebuffer(), 2u);
    EXPECT_EQ(FakeGl::Image(name).bytes, pixels);
    EXPECT_EQ(FakeGl::Count("glGenerateMipmap"), 1);
    // Without retained pixels the texture comes back empty.
    EXPECT_EQ(empty->GLTexture(), 4u);
    EXPECT_FALSE(FakeGl::Image(4).hasData);
    EXPECT_EQ(FakeGl::Count("glDeleteTextures") + FakeGl::Count("glDeleteFramebuffers"), 0);

    // An upload under a later context rebuilds first: the retained pixels,
    // then the new ones.
    host_GLContextSeq = 3;
    FakeGl::ClearLog();
    t->LoadData(Buffer({9, 9, 9, 9, 8, 8, 8, 8}));
    EXPECT_EQ(t->glTexture, 5u);
    EXPECT_EQ(FakeGl::Calls("glTexImage2D").size(), 3u);  // empty, retained, new
    EXPECT_EQ(FakeGl::Image(5).bytes, (Bytes{9, 9, 9, 9, 8, 8, 8, 8}));
    EXPECT_EQ(FakeGl::Count("glDeleteTextures") + FakeGl::Count("glDeleteFramebuffers"), 0);

    // Destroyed under a later context, it only forgets its names.
    host_GLContextSeq = 4;
    FakeGl::ClearLog();
    t->Release();
    EXPECT_EQ(t->glTexture, 0u);
    EXPECT_EQ(t->glFramebuffer, 0u);
    EXPECT_TRUE(FakeGl::Log().empty());
}

TEST_F(TextureTest, RebuildAlwaysMakesNewObjects) {
    c_Texture *t = gc_New<c_Texture>()->m_new(1, 1, 4, 0, Buffer({1, 2, 3, 4}));
    t->Rebuild();
    EXPECT_EQ(t->glTexture, 2u);
    EXPECT_EQ(FakeGl::Image(2).bytes, (Bytes{1, 2, 3, 4}));
}

// ---------------------------------------------------------------------------
// Read-back

TEST_F(TextureTest, ReadBackOfTheWholeTextureOrAFrame) {
    c_Texture *t = gc_New<c_Texture>()->m_new(3, 2, 4, TextureFlags::RenderTarget | TextureFlags::Managed);
    FakeGl::ClearLog();
    FakeGl::SetReadPixel(0x04030201u);
    t->ReadBack(0, 0, 3, 2);
    EXPECT_EQ(FakeGl::Log(), (std::vector<std::string>{"glReadPixels(0, 0, 3, 2, GL_RGBA, GL_UNSIGNED_BYTE, data)"}));
    EXPECT_EQ(Retained(t), (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));

    // A frame of 1 x 2 at (1, 0): one read per row, into its own place.
    FakeGl::ClearLog();
    FakeGl::SetReadPixel(0x0D0C0B0Au);
    t->ReadBack(1, 0, 1, 2);
    EXPECT_EQ(FakeGl::Log(), (std::vector<std::string>{"glReadPixels(1, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, data)",
                                                       "glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, data)"}));
    const Bytes a = {1, 2, 3, 4}, b = {10, 11, 12, 13};
    Bytes want;
    for (const Bytes *p : {&a, &b, &a, &a, &b, &a}) want.insert(want.end(), p->begin(), p->end());
    EXPECT_EQ(Retained(t), want);

    // A frame reaching past the texture is clipped to it.
    FakeGl::ClearLog();
    t->ReadBack(2, 1, 5, 5);
    EXPECT_EQ(FakeGl::Log(), (std::vector<std::string>{"glReadPixels(2, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, data)"}));
    FakeGl::ClearLog();
    t->ReadBack(-5, -5, 2, 2);
    EXPECT_TRUE(FakeGl::Log().empty());
}

TEST_F(TextureTest, ReadBackNeedsRetainedPixelsOfTheFullSize) {
    c_Texture *none = gc_New<c_Texture>()->m_new(2, 2, 4, TextureFlags::RenderTarget);
    c_Texture *small = gc_New<c_Texture>()->m_new(2, 2, 4, TextureFlags::RenderTarget, Buffer(Bytes(8, 0)));
    FakeGl::ClearLog();
    none->ReadBack(0, 0, 2, 2);
    small->ReadBack(0, 0, 2, 2);
    small->ReadBack(0, 0, 1, 1);
    EXPECT_TRUE(FakeGl::Log().empty());
}

// ---------------------------------------------------------------------------
// Reference counts

TEST_F(TextureTest, ReleaseAtOneDeletesAndLaterUseIsAnInternalError) {
    c_Texture *t = gc_New<c_Texture>()->m_new(2, 2, 4, TextureFlags::RenderTarget);
    t->Retain();
    EXPECT_EQ(t->refs, 2);
    FakeGl::ClearLog();
    t->Release();
    EXPECT_EQ(t->refs, 1);
    EXPECT_TRUE(FakeGl::Log().empty());
    t->Release();
    EXPECT_EQ(t->refs, -1);
    EXPECT_EQ(FakeGl::Log(), (std::vector<std::string>{"glDeleteTextures(1, [1])", "glDeleteFramebuffers(1, [1])"}));
    EXPECT_EQ(t->glTexture, 0u);
    EXPECT_EQ(t->glFramebuffer, 0u);
    rt_ExpectRuntimeError([t] { t->Retain(); }, "Internal error");
    rt_ExpectRuntimeError([t] { t->Release(); }, "Internal error");
}

TEST_F(TextureTest, TextureWithoutFramebufferDeletesOnlyItsTexture) {
    c_Texture *t = gc_New<c_Texture>()->m_new(1, 1, 4, 0);
    FakeGl::ClearLog();
    t->Release();
    EXPECT_EQ(FakeGl::Log(), (std::vector<std::string>{"glDeleteTextures(1, [1])"}));
}

// ---------------------------------------------------------------------------
// Loading files

class TextureFileTest : public TextureTest {
protected:
    TempDir dir;
    HxZentrovaGame *game = nullptr;

    void SetUp() override {
        TextureTest::SetUp();
        game = new HxZentrovaGame();
    }
    void TearDown() override {
        delete game;
        TextureTest::TearDown();
    }
    std::string WritePng(const std::string &file, int w, int h, const Bytes &rgba) {
        const std::string path = dir.Join(file);
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4), 0);
        return path;
    }
};

TEST_F(TextureFileTest, LoadPremultipliesRetainsAndMipmaps) {
    const std::string path = WritePng("a.png", 2, 1, {255, 128, 0, 128, 9, 9, 9, 0});
    c_Texture *t = c_Texture::Load(String(path.c_str()), 4, 259);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->refs, 1);
    EXPECT_EQ(t->Width(), 2);
    EXPECT_EQ(t->Height(), 1);
    EXPECT_EQ(t->Flags(), 259);
    const Bytes want = {128, 64, 0, 128, 0, 0, 0, 0};
    EXPECT_EQ(Retained(t), want);
    EXPECT_EQ(FakeGl::Image(t->glTexture).bytes, want);
    // The mipmaps follow the upload.
    const std::vector<std::string> &log = FakeGl::Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"glBindTexture(GL_TEXTURE_2D, " + std::to_string(t->glTexture) + ")",
                                        "glGenerateMipmap(GL_TEXTURE_2D)", "glBindTexture(GL_TEXTURE_2D, 0)"}));
    EXPECT_EQ(FakeGl::Count("glGenerateMipmap"), 1);
}

TEST_F(TextureFileTest, MissingOrUndecodableFilesGiveNull) {
    EXPECT_EQ(c_Texture::Load(String(dir.Join("missing.png").c_str()), 4, 0), nullptr);
    const std::string bad = dir.Write("bad.png", "not an image");
    EXPECT_EQ(c_Texture::Load(String(bad.c_str()), 4, 0), nullptr);
    EXPECT_EQ(FakeGl::Count("glGenTextures"), 0);
}

// ---------------------------------------------------------------------------
// The fake GL's own simulation, which the other renderer tests rely on.

TEST_F(TextureTest, FakeGlShadersUniformsAndErrors) {
    gl_EntryPointTable &e = gl_EntryPoints;
    GLuint vs = e.glCreateShader(GL_VERTEX_SHADER);
    GLuint fs = e.glCreateShader(GL_FRAGMENT_SHADER);
    const char *text = "void main() {}";
    e.glShaderSource(vs, 1, &text, nullptr);
    EXPECT_EQ(FakeGl::ShaderSource(vs), text);
    FakeGl::ScriptCompile(false, "0:1: bad");
    e.glCompileShader(vs);
    e.glCompileShader(fs);
    GLint status = -1, length = -1;
    e.glGetShaderiv(vs, GL_COMPILE_STATUS, &status);
    e.glGetShaderiv(vs, GL_INFO_LOG_LENGTH, &length);
    EXPECT_EQ(status, GL_FALSE);
    EXPECT_EQ(length, 9);
    char log[16];
    GLsizei written = 0;
    e.glGetShaderInfoLog(vs, 4, &written, log);
    EXPECT_STREQ(log, "0:1");
    e.glGetShaderiv(fs, GL_COMPILE_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE);

    FakeGl::SetUniforms(0, {{"ColorTexture", GL_SAMPLER_2D, 1}, {"Lights[0]", GL_FLOAT_VEC4, 4, 10}});
    GLuint program = e.glCreateProgram();
    EXPECT_EQ(program, 3u);  // shaders and programs share one counter
    EXPECT_EQ(e.glGetUniformLocation(program, "ColorTexture"), -1);  // not linked yet
    EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    e.glAttachShader(program, vs);
    e.glAttachShader(program, fs);
    e.glLinkProgram(program);
    GLint count = 0;
    e.glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(e.glGetUniformLocation(program, "ColorTexture"), 0);
    EXPECT_EQ(e.glGetUniformLocation(program, "Lights"), 10);
    EXPECT_EQ(e.glGetUniformLocation(program, "Lights[3]"), 13);
    EXPECT_EQ(e.glGetUniformLocation(program, "Lights[4]"), -1);
    EXPECT_EQ(e.glGetUniformLocation(program, "Missing"), -1);
    GLint size = 0;
    GLenum type = 0;
    char name[32];
    e.glGetActiveUniform(program, 1, sizeof name, &written, &size, &type, name);
    EXPECT_STREQ(name, "Lights[0]");
    EXPECT_EQ(size, 4);
    EXPECT_EQ(type, static_cast<GLenum>(GL_FLOAT_VEC4));

    e.glUseProgram(program);
    EXPECT_EQ(FakeGl::Integer(GL_CURRENT_PROGRAM), static_cast<GLint>(program));
    const float v[4] = {1, 0.5f, 0, 1};
    e.glUniform4fv(10, 1, v);
    EXPECT_EQ(FakeGl::Log().back(), "glUniform4fv(10, 1, [1, 0.5, 0, 1])");
    EXPECT_EQ(FakeGl::Uniform(program, 10), (std::vector<float>{1, 0.5f, 0, 1}));
    e.glUniform1i(0, 7);
    EXPECT_EQ(FakeGl::Uniform(program, 0), (std::vector<float>{7}));

    FakeGl::ErrorAfter("glTexImage2D", GL_OUT_OF_MEMORY);
    EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    gl11.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_OUT_OF_MEMORY));
    EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Functions without their own fake still record their calls.
    gl11.glClearColor(0.25f, 0, 0, 1);
    e.glBlendFuncSeparate(0, 1, 1, 0);
    EXPECT_EQ(FakeGl::Calls("glClearColor"), (std::vector<std::string>{"glClearColor(0.25, 0, 0, 1)"}));
    EXPECT_EQ(FakeGl::Log().back(), "glBlendFuncSeparate(GL_ZERO, GL_ONE, GL_ONE, GL_ZERO)");
}

TEST_F(TextureTest, FakeGlBuffersAndOffsets) {
    gl_EntryPointTable &e = gl_EntryPoints;
    GLuint names[2];
    e.glGenBuffers(2, names);
    EXPECT_EQ(FakeGl::Log().back(), "glGenBuffers(2) -> 1, 2");
    e.glBindBuffer(GL_ARRAY_BUFFER, names[0]);
    e.glBufferData(GL_ARRAY_BUFFER, 8, nullptr, GL_STREAM_DRAW);
    const uint8_t bytes[3] = {5, 6, 7};
    e.glBufferSubData(GL_ARRAY_BUFFER, 4, 3, bytes);
    EXPECT_EQ(FakeGl::BufferBytes(names[0]), (Bytes{0, 0, 0, 0, 5, 6, 7, 0}));
    e.glBufferSubData(GL_ARRAY_BUFFER, 6, 3, bytes);  // past the end
    EXPECT_EQ(gl11.glGetError(), static_cast<GLenum>(GL_INVALID_VALUE));
    EXPECT_EQ(FakeGl::Integer(GL_ARRAY_BUFFER_BINDING), 1);
    e.glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 28, reinterpret_cast<const void *>(24));
    EXPECT_EQ(FakeGl::Log().back(), "glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 28, 24)");
    gl11.glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, reinterpret_cast<const void *>(14052));
    EXPECT_EQ(FakeGl::Log().back(), "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, 14052)");
    e.glDeleteBuffers(1, names);
    EXPECT_EQ(FakeGl::Integer(GL_ARRAY_BUFFER_BINDING), 0);
    gl11.glViewport(1, 2, 3, 4);
    GLint viewport[4] = {};
    gl11.glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(FakeGl::Log().back(), "glGetIntegerv(GL_VIEWPORT) -> 1, 2, 3, 4");
    EXPECT_EQ(viewport[3], 4);
}

}  // namespace
