// GL entry points, the wrappers and loading an image file into a texture,
// against a real context (Mesa under a private X server).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "host/hx_gl.h"

#include <GLFW/glfw3.h>

#include "host/hx_game.h"
#include "host/platform/hx_platform.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/gl_window.h"
#include "tests/support/temp_dir.h"

namespace {

GLFWwindow *MakeWindow() {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    return glfwCreateWindow(64, 64, "test_gl", nullptr, nullptr);
}

const char *kVertexShader =
    "attribute vec4 Position;\n"
    "attribute vec2 Extra;\n"
    "uniform vec4 Tint;\n"
    "uniform float Weights[3];\n"
    "varying vec4 colour;\n"
    "void main() {\n"
    "    colour = Tint * (Weights[0] + Weights[1] + Weights[2]) + vec4(Extra, 0.0, 0.0);\n"
    "    gl_Position = Position;\n"
    "}\n";
const char *kFragmentShader =
    "varying vec4 colour;\n"
    "void main() { gl_FragColor = colour; }\n";

class GlTest : public GlWindowTest<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
        gl_InitGlobals();
    }

    static GLuint Compile(GLenum type, const char *source) {
        GLuint shader = gl_EntryPoints.glCreateShader(type);
        gl_ShaderSource(shader, String(source));
        gl_EntryPoints.glCompileShader(shader);
        return shader;
    }
    static int ShaderParam(GLuint shader, GLenum parameter) {
        Array<int> v(1);
        gl_GetShaderiv(shader, parameter, v);
        return v[0];
    }
    static int ProgramParam(GLuint program, GLenum parameter) {
        Array<int> v(1);
        gl_GetProgramiv(program, parameter, v);
        return v[0];
    }
    static int Integer(GLenum parameter) {
        GLint v = -1;
        glGetIntegerv(parameter, &v);
        return v;
    }

    // The test program, linked with attribute Extra at location 3.
    GLuint vs = 0, fs = 0, program = 0;
    void BuildProgram() {
        vs = Compile(GL_VERTEX_SHADER, kVertexShader);
        fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
        ASSERT_EQ(ShaderParam(vs, GL_COMPILE_STATUS), GL_TRUE) << U8(gl_GetShaderInfoLog(vs));
        ASSERT_EQ(ShaderParam(fs, GL_COMPILE_STATUS), GL_TRUE) << U8(gl_GetShaderInfoLog(fs));
        program = gl_EntryPoints.glCreateProgram();
        gl_EntryPoints.glAttachShader(program, vs);
        gl_EntryPoints.glAttachShader(program, fs);
        gl_BindAttribLocation(program, 3, String(u"Extra"));
        gl_EntryPoints.glLinkProgram(program);
        ASSERT_EQ(ProgramParam(program, GL_LINK_STATUS), GL_TRUE) << U8(gl_GetProgramInfoLog(program));
    }

    static std::string U8(const String &s) {
        std::string out;
        for (int i = 0; i < s.Length(); ++i) out += static_cast<char>(s[i] & 0xFF);
        return out;
    }
};

c_DataBuffer *Bytes(std::vector<unsigned char> bytes) {
    c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new(static_cast<int>(bytes.size()));
    if (!bytes.empty()) std::memcpy(b->data, bytes.data(), bytes.size());
    return b;
}

std::vector<unsigned char> Contents(const c_DataBuffer *b) { return {b->data, b->data + b->length}; }

// ---------------------------------------------------------------------------
// The table.

TEST_F(GlTest, TableIsFilledInOrderAndRefilledForANewWindow) {
    auto values = gl_EntryPointValues();
    for (int i = 0; i < gl_EntryPointCount; ++i) {
        EXPECT_NE(values[i], nullptr) << gl_EntryPointNames[i];
        EXPECT_EQ(values[i], platform_GLProcAddress(gl_EntryPointNames[i])) << gl_EntryPointNames[i];
    }
    // Positions 1, 14, 50 and 97 of the list.
    EXPECT_STREQ(gl_EntryPointNames[0], "glActiveTexture");
    EXPECT_STREQ(gl_EntryPointNames[13], "glClearDepthf");
    EXPECT_STREQ(gl_EntryPointNames[49], "glGetUniformLocation");
    EXPECT_STREQ(gl_EntryPointNames[96], "glVertexAttribPointer");
    EXPECT_EQ(reinterpret_cast<void *>(gl_EntryPoints.glBindBuffer), values[3]);
    EXPECT_EQ(reinterpret_cast<void *>(gl_EntryPoints.glVertexAttribPointer), values[96]);

    // A second window: the table is overwritten in full from its context.
    gl_EntryPoints = {};
    for (void *p : gl_EntryPointValues()) ASSERT_EQ(p, nullptr);
    GLFWwindow *second = MakeWindow();
    ASSERT_NE(second, nullptr);
    glfwMakeContextCurrent(second);
    gl_LoadEntryPoints();
    for (void *p : gl_EntryPointValues()) EXPECT_NE(p, nullptr);
    EXPECT_TRUE(gl_CheckRequiredEntryPoints());
    glfwDestroyWindow(second);
    glfwMakeContextCurrent(window);
    gl_LoadEntryPoints();
}

TEST_F(GlTest, MissingRequiredEntryAndVersionAreReported) {
    const gl_EntryPointTable saved = gl_EntryPoints;
    const char *missing = nullptr;
    EXPECT_TRUE(gl_CheckRequiredEntryPoints(&missing));
    EXPECT_EQ(missing, nullptr);

    gl_EntryPoints.glClearDepthf = nullptr;  // fetched, never called
    EXPECT_TRUE(gl_CheckRequiredEntryPoints());
    gl_EntryPoints.glUseProgram = nullptr;
    gl_EntryPoints.glBindBuffer = nullptr;
    EXPECT_FALSE(gl_CheckRequiredEntryPoints(&missing));
    EXPECT_STREQ(missing, "glBindBuffer");  // the first in table order
    EXPECT_FALSE(gl_CheckRequiredEntryPoints());
    gl_EntryPoints = saved;

    std::string version = U8(gl_GetString(GL_VERSION));
    ASSERT_FALSE(version.empty());
    const int major = std::atoi(version.c_str());
    EXPECT_TRUE(gl_HasVersion(2, 0)) << version;
    EXPECT_TRUE(gl_HasVersion(1, 5));
    EXPECT_TRUE(gl_HasVersion(major, 0));
    EXPECT_FALSE(gl_HasVersion(major + 1, 0));
    EXPECT_FALSE(gl_HasVersion(major, 1000));
}

// ---------------------------------------------------------------------------
// Strings in and out.

TEST_F(GlTest, InfoLogsAndSourcesAreStrings) {
    GLuint fresh = gl_EntryPoints.glCreateShader(GL_VERTEX_SHADER);
    GLuint freshProgram = gl_EntryPoints.glCreateProgram();
    EXPECT_TRUE(gl_GetShaderInfoLog(fresh).Empty());
    EXPECT_TRUE(gl_GetShaderSource(fresh).Empty());
    EXPECT_TRUE(gl_GetProgramInfoLog(freshProgram).Empty());
    EXPECT_TRUE(gl_GetShaderInfoLog(0xFFFFu).Empty());  // no such shader: GL writes nothing

    GLuint bad = Compile(GL_FRAGMENT_SHADER, "void main() { gl_FragColor = nonsense; }\n");
    EXPECT_EQ(ShaderParam(bad, GL_COMPILE_STATUS), GL_FALSE);
    String log = gl_GetShaderInfoLog(bad);
    EXPECT_FALSE(log.Empty());
    EXPECT_EQ(log.Length(), ShaderParam(bad, GL_INFO_LOG_LENGTH) - 1) << "the text without its NUL";

    // Units go to GL as their low byte; bytes come back widened as signed
    // values, so 0xE9 (from 0xE9 or 0x1E9) returns as 0xFFE9.
    const char16_t sent[] = {'/', '/', ' ', 0xE9, 0x1E9, '\n', 'v', 'o', 'i', 'd', ' ', 'm', 'a', 'i', 'n', '(', ')', '{', '}', '\n'};
    char16_t expected[sizeof sent / sizeof sent[0]];
    std::memcpy(expected, sent, sizeof sent);
    expected[3] = expected[4] = 0xFFE9;
    const int n = static_cast<int>(sizeof sent / sizeof sent[0]);
    gl_ShaderSource(fresh, String(sent, n));
    String back = gl_GetShaderSource(fresh);
    EXPECT_TRUE(back == String(expected, n)) << U8(back);
    EXPECT_EQ(back[3], 0xFFE9);

    EXPECT_FALSE(gl_GetString(GL_RENDERER).Empty());
    EXPECT_TRUE(gl_GetString(0x1234).Empty());  // an invalid name answers null

    gl_EntryPoints.glDeleteShader(fresh);
    gl_EntryPoints.glDeleteShader(bad);
    gl_EntryPoints.glDeleteProgram(freshProgram);
}

TEST_F(GlTest, ProgramLocationsAndActiveVariables) {
    BuildProgram();
    EXPECT_GE(gl_GetUniformLocation(program, String(u"Tint")), 0);
    EXPECT_EQ(gl_GetUniformLocation(program, String(u"Unused")), -1);
    EXPECT_EQ(gl_GetUniformLocation(program, String()), -1);
    EXPECT_EQ(gl_GetAttribLocation(program, String(u"Extra")), 3);
    EXPECT_EQ(gl_GetAttribLocation(program, String(u"Missing")), -1);

    // Find the uniforms by name; sizes and types come with them.
    const int uniforms = ProgramParam(program, GL_ACTIVE_UNIFORMS);
    ASSERT_EQ(uniforms, 2);
    int weights = -1;
    for (int i = 0; i < uniforms; ++i) {
        Array<int> size(1), type(1);
        Array<String> name(1);
        gl_GetActiveUniform(program, i, size, type, name);
        if (name[0] == String(u"Tint")) {
            EXPECT_EQ(size[0], 1);
            EXPECT_EQ(type[0], GL_FLOAT_VEC4);
        } else {
            EXPECT_TRUE(name[0].StartsWith(String(u"Weights"))) << U8(name[0]);
            EXPECT_EQ(size[0], 3);
            EXPECT_EQ(type[0], GL_FLOAT);
            weights = i;
        }
    }
    ASSERT_GE(weights, 0);
    // Without a name array the size and type are still filled.
    Array<int> size(2), type(1);
    size[1] = -7;
    gl_GetActiveUniform(program, weights, size, type, Array<String>());
    EXPECT_EQ(size[0], 3);
    EXPECT_EQ(size[1], -7);
    EXPECT_EQ(type[0], GL_FLOAT);
    // An index past the end leaves zeros and the empty name.
    Array<String> name(1);
    name[0] = String(u"stale");
    gl_GetActiveUniform(program, 99, size, type, name);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(type[0], 0);
    EXPECT_TRUE(name[0].Empty());

    bool sawExtra = false;
    for (int i = 0; i < ProgramParam(program, GL_ACTIVE_ATTRIBUTES); ++i) {
        Array<int> asize(1), atype(1);
        Array<String> aname(1);
        gl_GetActiveAttrib(program, i, asize, atype, aname);
        if (aname[0] == String(u"Extra")) {
            sawExtra = true;
            EXPECT_EQ(atype[0], GL_FLOAT_VEC2);
            EXPECT_EQ(asize[0], 1);
        }
    }
    EXPECT_TRUE(sawExtra);
}

TEST_F(GlTest, AttachedShadersCopyNoMoreThanAskedFoundOrHeld) {
    const GLuint program = gl_EntryPoints.glCreateProgram();
    GLuint attached[3];
    for (GLuint &s : attached) {
        s = gl_EntryPoints.glCreateShader(GL_VERTEX_SHADER);
        gl_EntryPoints.glAttachShader(program, s);
    }
    auto isAttached = [&](int name) {
        for (GLuint s : attached)
            if (name == static_cast<int>(s)) return true;
        return false;
    };
    struct Case {
        int mostWanted, arrayLength, copied;
    } cases[] = {
        {5, 4, 3},  // only three are attached
        {5, 2, 2},  // the array holds two
        {2, 4, 2},  // two wanted
        {0, 4, 0},
        {-4, 4, 0},
        {5, 0, 0},
    };
    for (const Case &c : cases) {
        Array<int> count(1), shaders(c.arrayLength);
        for (int i = 0; i < c.arrayLength; ++i) shaders[i] = -1;
        gl_GetAttachedShaders(program, c.mostWanted, count, shaders);
        EXPECT_EQ(count[0], 3);
        for (int i = 0; i < c.arrayLength; ++i) {
            if (i < c.copied)
                EXPECT_TRUE(isAttached(shaders[i])) << "wanted " << c.mostWanted << ", slot " << i;
            else
                EXPECT_EQ(shaders[i], -1) << "wanted " << c.mostWanted << ", slot " << i;
        }
    }
    Array<int> shaders(3);
    gl_GetAttachedShaders(program, 3, Array<int>(), shaders);  // no count array
    EXPECT_NE(shaders[0], shaders[1]);
    EXPECT_NE(shaders[1], shaders[2]);

    for (GLuint s : attached) gl_EntryPoints.glDeleteShader(s);
    gl_EntryPoints.glDeleteProgram(program);
}

// A driver that misreports: lengths and counts set by the test, text
// written without a terminating NUL.
struct FakeDriver {
    static inline GLint reportedLength = 0;
    static inline GLsizei reportedCount = 0;
    static inline int fetches = 0;

    static void APIENTRY GetShaderiv(GLuint, GLenum, GLint *v) { *v = reportedLength; }
    static void APIENTRY GetShaderInfoLog(GLuint, GLsizei size, GLsizei *written, GLchar *log) {
        ++fetches;
        std::memset(log, 'x', static_cast<size_t>(size));
        *written = size;
    }
    static void APIENTRY GetActiveUniform(GLuint, GLuint, GLsizei size, GLsizei *written, GLint *n, GLenum *type,
                                          GLchar *name) {
        std::memset(name, 'n', static_cast<size_t>(size));
        *written = size;
        *n = 1;
        *type = GL_FLOAT;
    }
    static void APIENTRY GetAttachedShaders(GLuint, GLsizei room, GLsizei *count, GLuint *names) {
        for (GLsizei i = 0; i < room; ++i) names[i] = 100 + i;
        *count = reportedCount;
    }
};

TEST_F(GlTest, WrappersBoundWhatTheDriverReports) {
    const gl_EntryPointTable saved = gl_EntryPoints;
    gl_EntryPoints.glGetShaderiv = FakeDriver::GetShaderiv;
    gl_EntryPoints.glGetShaderInfoLog = FakeDriver::GetShaderInfoLog;
    gl_EntryPoints.glGetActiveUniform = FakeDriver::GetActiveUniform;
    gl_EntryPoints.glGetAttachedShaders = FakeDriver::GetAttachedShaders;

    // Lengths that cannot be a log give "" without asking for the text; a
    // log that fills its block unterminated is cut at the block's end.
    for (GLint length : {-5, 0, INT32_MAX}) {
        FakeDriver::reportedLength = length;
        FakeDriver::fetches = 0;
        EXPECT_TRUE(gl_GetShaderInfoLog(1).Empty()) << length;
        EXPECT_EQ(FakeDriver::fetches, 0) << length;
    }
    FakeDriver::reportedLength = 5;
    EXPECT_TRUE(gl_GetShaderInfoLog(1) == String(u"xxxxx"));

    Array<String> name(1);
    gl_GetActiveUniform(1, 0, Array<int>(), Array<int>(), name);
    EXPECT_EQ(name[0].Length(), 1023);

    // More names reported than the 32 fetched: no more than 32 are copied.
    FakeDriver::reportedCount = 40;
    Array<int> count(1), shaders(50);
    for (int i = 0; i < 50; ++i) shaders[i] = -1;
    gl_GetAttachedShaders(1, 50, count, shaders);
    EXPECT_EQ(count[0], 40);
    EXPECT_EQ(shaders[31], 131);
    EXPECT_EQ(shaders[32], -1);

    gl_EntryPoints = saved;
}

// ---------------------------------------------------------------------------
// Arrays.

TEST_F(GlTest, UniformAndAttribArraysMustHoldWhatGlReads) {
    BuildProgram();
    gl_EntryPoints.glUseProgram(program);
    const GLint tint = gl_GetUniformLocation(program, String(u"Tint"));
    const GLint weights = gl_GetUniformLocation(program, String(u"Weights"));
    ASSERT_GE(weights, 0);

    gl_Uniform4fv(tint, 1, array_Of<float>({0.25f, 0.5f, 0.75f, 1.0f}));
    gl_Uniform4fv(tint, 1, array_Of<float>({9, 9, 9}));  // one short: not set
    Array<float> got(4);
    gl_GetUniformfv(program, tint, got);
    EXPECT_EQ(got[0], 0.25f);
    EXPECT_EQ(got[3], 1.0f);

    gl_Uniform1fv(weights, 3, array_Of<float>({1, 2, 3}));
    gl_Uniform1fv(weights, 3, array_Of<float>({7, 7}));  // two of three: not set
    Array<float> one(1);
    gl_GetUniformfv(program, gl_GetUniformLocation(program, String(u"Weights[2]")), one);
    EXPECT_EQ(one[0], 3.0f);

    gl_VertexAttrib4fv(3, array_Of<float>({1, 2, 3, 4}));
    gl_VertexAttrib4fv(3, array_Of<float>({5, 5, 5}));
    Array<float> attrib(4), shortAttrib(3);
    for (int i = 0; i < 3; ++i) shortAttrib[i] = -1;
    gl_GetVertexAttribfv(3, GL_CURRENT_VERTEX_ATTRIB, attrib);
    gl_GetVertexAttribfv(3, GL_CURRENT_VERTEX_ATTRIB, shortAttrib);  // would write four
    EXPECT_EQ(attrib[0], 1.0f);
    EXPECT_EQ(attrib[3], 4.0f);
    EXPECT_EQ(shortAttrib[0], -1.0f);

    // Getters with no storage write nothing (the shared empty array stays empty).
    gl_GetIntegerv(GL_VIEWPORT, Array<int>());
    gl_GetFloatv(GL_COLOR_CLEAR_VALUE, Array<float>());
    gl_GetUniformfv(program, tint, Array<float>());
    EXPECT_EQ(Array<int>().Length(), 0);
    EXPECT_EQ(Array<float>().Length(), 0);

    gl_ClearDepthf(0.25f);
    gl_DepthRangef(0.125f, 0.5f);
    Array<float> clear(1), range(2);
    gl_GetFloatv(GL_DEPTH_CLEAR_VALUE, clear);
    gl_GetFloatv(GL_DEPTH_RANGE, range);
    EXPECT_EQ(clear[0], 0.25f);
    EXPECT_EQ(range[0], 0.125f);
    EXPECT_EQ(range[1], 0.5f);
    Array<bool> mask(1);
    gl_GetBooleanv(GL_DEPTH_WRITEMASK, mask);
    EXPECT_TRUE(mask[0]);
    gl_DepthRangef(0.0f, 1.0f);
    gl_EntryPoints.glUseProgram(0);
}

// ---------------------------------------------------------------------------
// Saved bindings.

TEST_F(GlTest, PushesShareOneSavedBinding) {
    ASSERT_EQ(gl_QueryInts.Length(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(gl_QueryInts[i], 0);
    gl_MarkGlobals();
    EXPECT_FALSE(gc_IsWhite(gl_QueryInts->GetRep()));

    const GLuint a = gl_CreateTexture(), b = gl_CreateTexture();
    GLuint fbs[3];
    for (GLuint &f : fbs) f = gl_CreateFramebuffer();
    const GLuint fb = fbs[2];
    ASSERT_NE(fb, a);
    ASSERT_NE(fb, b);

    // A push and its pop restore the binding.
    glBindTexture(GL_TEXTURE_2D, a);
    gl_PushTexture2d(b);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<int>(b));
    EXPECT_EQ(gl_QueryInts[0], static_cast<int>(a));
    gl_PopTexture2d();
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<int>(a));

    // Pushes do not nest: the framebuffer push overwrites the saved texture,
    // and the texture pop binds the framebuffer's name as a texture.
    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, fb);
    gl_PushTexture2d(b);
    gl_PushFramebuffer(0);
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
    gl_PopTexture2d();
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<int>(fb));
    gl_PopFramebuffer();
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), static_cast<int>(fb));

    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (GLuint f : fbs) gl_DeleteFramebuffer(f);
    gl_DeleteTexture(a);
    gl_DeleteTexture(b);
    gl_DeleteTexture(fb);
    EXPECT_EQ(glIsTexture(a), GL_FALSE);
    EXPECT_EQ(gl_EntryPoints.glIsFramebuffer(fb), GL_FALSE);
}

// ---------------------------------------------------------------------------
// Data buffers.

TEST_F(GlTest, BufferDataRoundTripsWithOffsets) {
    auto getSubData = reinterpret_cast<PFNGLGETBUFFERSUBDATAPROC>(platform_GLProcAddress("glGetBufferSubData"));
    ASSERT_NE(getSubData, nullptr);
    const GLuint name = gl_CreateBuffer();
    gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, name);
    auto readBack = [&] {
        std::vector<unsigned char> bytes(16, 0xAA);
        getSubData(GL_ARRAY_BUFFER, 0, 16, bytes.data());
        return bytes;
    };
    Array<int> size(1);

    gl_BufferData(GL_ARRAY_BUFFER, 32, nullptr, GL_STATIC_DRAW);  // no data: storage only
    gl_GetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, size);
    EXPECT_EQ(size[0], 32);

    c_DataBuffer *zeros = Bytes(std::vector<unsigned char>(16, 0));
    gl_BufferData(GL_ARRAY_BUFFER, 16, zeros, GL_STATIC_DRAW);
    c_DataBuffer *src = Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    gl_BufferSubData(GL_ARRAY_BUFFER, 4, 3, src, 6);  // bytes 6, 7, 8 to 4..6
    gl_BufferSubData(GL_ARRAY_BUFFER, 12, 4, src, 6);  // 6..9: the last four bytes, exactly
    gl_BufferSubData(GL_ARRAY_BUFFER, 0, 0, src, 10);  // nothing from the very end
    EXPECT_EQ(readBack(), (std::vector<unsigned char>{0, 0, 0, 0, 6, 7, 8, 0, 0, 0, 0, 0, 6, 7, 8, 9}));

    // Requests the buffer cannot serve leave the GL buffer as it was.
    struct Case {
        const char *what;
        int size;
        c_DataBuffer *data;
        int offset;
    } refused[] = {
        {"past the end", 5, src, 6},
        {"offset beyond", 1, src, 11},
        {"negative offset", 2, src, -1},
        {"no buffer", 2, nullptr, 0},
        {"empty buffer", 2, gc_New<c_DataBuffer>()->m_new(), 0},
    };
    const std::vector<unsigned char> before = readBack();
    for (const Case &c : refused) {
        gl_BufferSubData(GL_ARRAY_BUFFER, 4, c.size, c.data, c.offset);
        EXPECT_EQ(readBack(), before) << c.what;
    }
    gl_BufferData(GL_ARRAY_BUFFER, 11, src, GL_STATIC_DRAW);  // one more than it holds
    gl_GetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, size);
    EXPECT_EQ(size[0], 16);
    gl_BufferData(GL_ARRAY_BUFFER, 10, src, GL_STATIC_DRAW);
    gl_GetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, size);
    EXPECT_EQ(size[0], 10);

    gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl_DeleteBuffer(name);
    EXPECT_EQ(gl_EntryPoints.glIsBuffer(name), GL_FALSE);
}

TEST_F(GlTest, TexturePixelsGoInAndOutAtBufferOffsets) {
    const GLuint tex = gl_CreateTexture();
    glBindTexture(GL_TEXTURE_2D, tex);
    // 2 x 2 RGBA pixels, then pixel (1, 1) replaced from offset 4 of another buffer.
    c_DataBuffer *pixels = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    gl_TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    c_DataBuffer *patch = Bytes({0, 0, 0, 0, 90, 91, 92, 93});
    gl_TexSubImage2D(GL_TEXTURE_2D, 0, 1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, patch, 4);
    gl_TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, patch, 9);  // outside: nothing
    gl_TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, nullptr, 0);
    const std::vector<unsigned char> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 90, 91, 92, 93};
    std::vector<unsigned char> got(16);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
    EXPECT_EQ(got, expected);

    // Read the texture back through a framebuffer, 4 bytes into the buffer.
    const GLuint fb = gl_CreateFramebuffer();
    gl_PushFramebuffer(fb);
    gl_EntryPoints.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    ASSERT_EQ(gl_EntryPoints.glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    c_DataBuffer *out = Bytes(std::vector<unsigned char>(20, 0xEE));
    gl_ReadPixels(0, 0, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, out, 4);
    gl_ReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out, -4);  // outside: nothing
    std::vector<unsigned char> read = Contents(out);
    EXPECT_EQ(std::vector<unsigned char>(read.begin(), read.begin() + 4), std::vector<unsigned char>(4, 0xEE));
    EXPECT_EQ(std::vector<unsigned char>(read.begin() + 4, read.end()), expected);

    // A texture made without data is allocated to its size.
    gl_TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 3, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 4);

    gl_PopFramebuffer();
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
    gl_DeleteFramebuffer(fb);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl_DeleteTexture(tex);
}

// Pixel transfers refuse a buffer too short, from the offset on, for the
// rectangle as GL lays out its rows (padded to the pixel-store alignment);
// one that holds it exactly serves.
TEST_F(GlTest, PixelTransfersRefuseBuffersShorterThanTheirRectangle) {
    const GLuint tex = gl_CreateTexture();
    glBindTexture(GL_TEXTURE_2D, tex);
    std::vector<unsigned char> start(4 * 4 * 4);
    for (size_t i = 0; i < start.size(); ++i) start[i] = static_cast<unsigned char>(i + 1);
    auto texels = [] {
        std::vector<unsigned char> got(4 * 4 * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
        return got;
    };
    auto level = [](GLenum parameter) {
        GLint v = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &v);
        return v;
    };
    const struct Case {
        const char *what;
        int width, height;
        GLenum format;
        int alignment, length, offset;
        bool served;
    } cases[] = {
        {"2 x 2 RGBA in 16 bytes", 2, 2, GL_RGBA, 4, 16, 0, true},
        {"2 x 2 RGBA, 12 bytes after the offset", 2, 2, GL_RGBA, 4, 16, 4, false},
        {"2 x 2 RGBA, 16 bytes after the offset", 2, 2, GL_RGBA, 4, 20, 4, true},
        {"1 x 2 RGB, rows padded to 4 bytes", 1, 2, GL_RGB, 4, 6, 0, false},
        {"1 x 2 RGB, padded rows in 7 bytes", 1, 2, GL_RGB, 4, 7, 0, true},
        {"1 x 2 RGB, rows packed tight", 1, 2, GL_RGB, 1, 6, 0, true},
        {"3 x 1 RGB, the last row unpadded", 3, 1, GL_RGB, 4, 9, 0, true},
    };
    auto buffer = [](const Case &c, unsigned char fill) {
        return Bytes(std::vector<unsigned char>(static_cast<size_t>(c.length), fill));
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        glPixelStorei(GL_UNPACK_ALIGNMENT, c.alignment);
        glPixelStorei(GL_PACK_ALIGNMENT, c.alignment);

        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, start.data());
        gl_TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, c.width, c.height, c.format, GL_UNSIGNED_BYTE, buffer(c, 0xC0),
                         c.offset);
        EXPECT_EQ(texels() != start, c.served) << "gl_TexSubImage2D";

        // Reading back into a buffer: nothing of it is written when refused.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, start.data());
        const GLuint fb = gl_CreateFramebuffer();
        gl_PushFramebuffer(fb);
        gl_EntryPoints.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
        c_DataBuffer *out = buffer(c, 0xEE);
        gl_ReadPixels(0, 0, c.width, c.height, c.format, GL_UNSIGNED_BYTE, out, c.offset);
        EXPECT_EQ(Contents(out) != std::vector<unsigned char>(static_cast<size_t>(c.length), 0xEE), c.served)
            << "gl_ReadPixels";
        gl_PopFramebuffer();
        gl_DeleteFramebuffer(fb);

        // A new image takes no offset: only the cases from the block's start.
        if (c.offset == 0) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, start.data());
            gl_TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, c.width, c.height, 0, c.format, GL_UNSIGNED_BYTE, buffer(c, 0xC0));
            EXPECT_EQ(level(GL_TEXTURE_WIDTH) == c.width && level(GL_TEXTURE_HEIGHT) == c.height, c.served)
                << "gl_TexImage2D";
        }
    }
    // A whole 4 x 4 image from 16 bytes: far too short for either upload.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, start.data());
    c_DataBuffer *sixteen = Bytes(std::vector<unsigned char>(16, 0xC0));
    gl_TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, sixteen, 0);
    EXPECT_EQ(texels(), start);
    gl_TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, sixteen);
    EXPECT_EQ(level(GL_TEXTURE_WIDTH), 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl_DeleteTexture(tex);
}

// ---------------------------------------------------------------------------
// Image files.

TEST_F(GlTest, TexImage2DFromFileLoadsRgbaIntoTheBoundTexture) {
    HxZentrovaGame game;
    TempDir dir;
    const std::string path = dir.Join("rgb.png");
    // 3 x 2 RGB pixels: alpha becomes 255.
    const unsigned char rgb[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180};
    ASSERT_NE(stbi_write_png(path.c_str(), 3, 2, 3, rgb, 3 * 3), 0);

    const GLuint tex = gl_CreateTexture();
    glBindTexture(GL_TEXTURE_2D, tex);
    gl_TexImage2DFromFile(GL_TEXTURE_2D, 0, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, String(path.c_str()));
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    std::vector<unsigned char> got(3 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
    std::vector<unsigned char> expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 255});
    EXPECT_EQ(got, expected);

    // A missing file does nothing: a fresh texture stays without an image.
    const GLuint other = gl_CreateTexture();
    glBindTexture(GL_TEXTURE_2D, other);
    gl_TexImage2DFromFile(GL_TEXTURE_2D, 0, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, String((path + ".missing").c_str()));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 0);

    glBindTexture(GL_TEXTURE_2D, 0);
    gl_DeleteTexture(tex);
    gl_DeleteTexture(other);
}

}  // namespace
