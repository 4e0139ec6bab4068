#include "tests/renderer/support/fake_gl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <string_view>
#include <type_traits>
#include <utility>

#include "host/hx_gl.h"
#include "host/hx_gl11.h"

namespace {

// ---------------------------------------------------------------------------
// State

struct ShaderObject {
    GLenum type = 0;
    std::string source;
    bool compiled = false;
    std::string log;
};

struct ProgramObject {
    std::vector<GLuint> attached;
    bool linked = false;
    std::string log;
    std::vector<FakeUniform> uniforms;
};

struct State {
    std::vector<std::string> log;

    GLuint nextTexture = 1;
    GLuint nextBuffer = 1;
    GLuint nextFramebuffer = 1;
    GLuint nextRenderbuffer = 1;
    GLuint nextShaderOrProgram = 1;

    GLint activeUnit = 0;
    std::map<GLint, GLuint> texture2d;  // texture unit -> bound name
    GLuint arrayBuffer = 0;
    GLuint elementBuffer = 0;
    GLuint drawFramebuffer = 0;
    GLuint readFramebuffer = 0;
    GLuint renderbuffer = 0;
    GLuint program = 0;
    std::map<GLenum, std::vector<GLint>> integers;

    std::map<GLuint, FakeImage> images;
    std::map<GLuint, std::vector<uint8_t>> buffers;
    std::map<GLuint, ShaderObject> shaders;
    std::map<GLuint, ProgramObject> programs;

    std::deque<std::pair<bool, std::string>> compileScript;
    std::deque<std::pair<bool, std::string>> linkScript;
    std::map<GLuint, std::vector<FakeUniform>> uniformScript;
    std::map<std::pair<GLuint, GLint>, std::vector<float>> uniformValues;

    GLenum error = GL_NO_ERROR;
    std::map<std::string, GLenum> errorAfter;
    GLenum framebufferStatus = GL_FRAMEBUFFER_COMPLETE;
    uint32_t readPixel = 0;
};

State g_state;
bool g_installed = false;
gl_EntryPointTable g_savedEntryPoints;
gl11_Table g_savedGl11;

void Record(const char *function, std::string line) {
    g_state.log.push_back(std::move(line));
    auto it = g_state.errorAfter.find(function);
    if (it != g_state.errorAfter.end()) {
        g_state.error = it->second;
        g_state.errorAfter.erase(it);
    }
}

void Fail(GLenum error) {
    if (g_state.error == GL_NO_ERROR) g_state.error = error;
}

// ---------------------------------------------------------------------------
// Formatting: GL enums by name

#define FAKE_GL_NAME(e) {e, #e}
// The names the log prints. Where two names share a value the first wins.
constexpr std::pair<GLenum, const char *> kEnumNames[] = {
    // Capabilities and queries.
    FAKE_GL_NAME(GL_BLEND), FAKE_GL_NAME(GL_SCISSOR_TEST), FAKE_GL_NAME(GL_DEPTH_TEST), FAKE_GL_NAME(GL_CULL_FACE),
    FAKE_GL_NAME(GL_STENCIL_TEST), FAKE_GL_NAME(GL_DITHER), FAKE_GL_NAME(GL_VIEWPORT), FAKE_GL_NAME(GL_SCISSOR_BOX),
    FAKE_GL_NAME(GL_COLOR_CLEAR_VALUE), FAKE_GL_NAME(GL_COLOR_WRITEMASK), FAKE_GL_NAME(GL_DEPTH_WRITEMASK),
    FAKE_GL_NAME(GL_DEPTH_RANGE), FAKE_GL_NAME(GL_DEPTH_CLEAR_VALUE), FAKE_GL_NAME(GL_LINE_WIDTH),
    FAKE_GL_NAME(GL_MAX_TEXTURE_SIZE), FAKE_GL_NAME(GL_MAX_VIEWPORT_DIMS), FAKE_GL_NAME(GL_TEXTURE_BINDING_2D),
    FAKE_GL_NAME(GL_ACTIVE_TEXTURE), FAKE_GL_NAME(GL_ARRAY_BUFFER_BINDING),
    FAKE_GL_NAME(GL_ELEMENT_ARRAY_BUFFER_BINDING), FAKE_GL_NAME(GL_FRAMEBUFFER_BINDING),
    FAKE_GL_NAME(GL_READ_FRAMEBUFFER_BINDING), FAKE_GL_NAME(GL_RENDERBUFFER_BINDING),
    FAKE_GL_NAME(GL_CURRENT_PROGRAM), FAKE_GL_NAME(GL_BLEND_SRC_RGB), FAKE_GL_NAME(GL_BLEND_DST_RGB),
    FAKE_GL_NAME(GL_BLEND_SRC_ALPHA), FAKE_GL_NAME(GL_BLEND_DST_ALPHA), FAKE_GL_NAME(GL_BLEND_EQUATION_RGB),
    FAKE_GL_NAME(GL_BLEND_EQUATION_ALPHA), FAKE_GL_NAME(GL_PACK_ALIGNMENT), FAKE_GL_NAME(GL_UNPACK_ALIGNMENT),
    FAKE_GL_NAME(GL_MAX_TEXTURE_IMAGE_UNITS), FAKE_GL_NAME(GL_MAX_VERTEX_ATTRIBS),
    // Strings.
    FAKE_GL_NAME(GL_VENDOR), FAKE_GL_NAME(GL_RENDERER), FAKE_GL_NAME(GL_VERSION), FAKE_GL_NAME(GL_EXTENSIONS),
    FAKE_GL_NAME(GL_SHADING_LANGUAGE_VERSION),
    // Errors.
    FAKE_GL_NAME(GL_INVALID_ENUM), FAKE_GL_NAME(GL_INVALID_VALUE), FAKE_GL_NAME(GL_INVALID_OPERATION),
    FAKE_GL_NAME(GL_STACK_OVERFLOW), FAKE_GL_NAME(GL_STACK_UNDERFLOW), FAKE_GL_NAME(GL_OUT_OF_MEMORY),
    FAKE_GL_NAME(GL_INVALID_FRAMEBUFFER_OPERATION),
    // Blending.
    FAKE_GL_NAME(GL_SRC_COLOR), FAKE_GL_NAME(GL_ONE_MINUS_SRC_COLOR), FAKE_GL_NAME(GL_SRC_ALPHA),
    FAKE_GL_NAME(GL_ONE_MINUS_SRC_ALPHA), FAKE_GL_NAME(GL_DST_ALPHA), FAKE_GL_NAME(GL_ONE_MINUS_DST_ALPHA),
    FAKE_GL_NAME(GL_DST_COLOR), FAKE_GL_NAME(GL_ONE_MINUS_DST_COLOR), FAKE_GL_NAME(GL_SRC_ALPHA_SATURATE),
    FAKE_GL_NAME(GL_CONSTANT_COLOR), FAKE_GL_NAME(GL_ONE_MINUS_CONSTANT_COLOR), FAKE_GL_NAME(GL_CONSTANT_ALPHA),
    FAKE_GL_NAME(GL_ONE_MINUS_CONSTANT_ALPHA), FAKE_GL_NAME(GL_FUNC_ADD), FAKE_GL_NAME(GL_FUNC_SUBTRACT),
    FAKE_GL_NAME(GL_FUNC_REVERSE_SUBTRACT), FAKE_GL_NAME(GL_MIN), FAKE_GL_NAME(GL_MAX),
    // Data types.
    FAKE_GL_NAME(GL_BYTE), FAKE_GL_NAME(GL_UNSIGNED_BYTE), FAKE_GL_NAME(GL_SHORT), FAKE_GL_NAME(GL_UNSIGNED_SHORT),
    FAKE_GL_NAME(GL_INT), FAKE_GL_NAME(GL_UNSIGNED_INT), FAKE_GL_NAME(GL_FLOAT),
    // Textures and pixel formats.
    FAKE_GL_NAME(GL_TEXTURE_2D), FAKE_GL_NAME(GL_TEXTURE_CUBE_MAP), FAKE_GL_NAME(GL_TEXTURE_MAG_FILTER),
    FAKE_GL_NAME(GL_TEXTURE_MIN_FILTER), FAKE_GL_NAME(GL_TEXTURE_WRAP_S), FAKE_GL_NAME(GL_TEXTURE_WRAP_T),
    FAKE_GL_NAME(GL_TEXTURE_WIDTH), FAKE_GL_NAME(GL_TEXTURE_HEIGHT), FAKE_GL_NAME(GL_NEAREST),
    FAKE_GL_NAME(GL_LINEAR), FAKE_GL_NAME(GL_NEAREST_MIPMAP_NEAREST), FAKE_GL_NAME(GL_LINEAR_MIPMAP_NEAREST),
    FAKE_GL_NAME(GL_NEAREST_MIPMAP_LINEAR), FAKE_GL_NAME(GL_LINEAR_MIPMAP_LINEAR), FAKE_GL_NAME(GL_REPEAT),
    FAKE_GL_NAME(GL_CLAMP_TO_EDGE), FAKE_GL_NAME(GL_MIRRORED_REPEAT), FAKE_GL_NAME(GL_RGBA), FAKE_GL_NAME(GL_RGB),
    FAKE_GL_NAME(GL_BGRA), FAKE_GL_NAME(GL_RG), FAKE_GL_NAME(GL_RED), FAKE_GL_NAME(GL_ALPHA),
    FAKE_GL_NAME(GL_LUMINANCE), FAKE_GL_NAME(GL_LUMINANCE_ALPHA), FAKE_GL_NAME(GL_RGBA8), FAKE_GL_NAME(GL_RGB8),
    FAKE_GL_NAME(GL_DEPTH_COMPONENT), FAKE_GL_NAME(GL_DEPTH_COMPONENT16), FAKE_GL_NAME(GL_DEPTH_COMPONENT24),
    FAKE_GL_NAME(GL_STENCIL_INDEX8), FAKE_GL_NAME(GL_DEPTH_STENCIL), FAKE_GL_NAME(GL_DEPTH24_STENCIL8),
    // Buffers.
    FAKE_GL_NAME(GL_ARRAY_BUFFER), FAKE_GL_NAME(GL_ELEMENT_ARRAY_BUFFER), FAKE_GL_NAME(GL_STREAM_DRAW),
    FAKE_GL_NAME(GL_STATIC_DRAW), FAKE_GL_NAME(GL_DYNAMIC_DRAW), FAKE_GL_NAME(GL_BUFFER_SIZE),
    FAKE_GL_NAME(GL_BUFFER_USAGE),
    // Framebuffers.
    FAKE_GL_NAME(GL_FRAMEBUFFER), FAKE_GL_NAME(GL_READ_FRAMEBUFFER), FAKE_GL_NAME(GL_DRAW_FRAMEBUFFER),
    FAKE_GL_NAME(GL_RENDERBUFFER), FAKE_GL_NAME(GL_COLOR_ATTACHMENT0), FAKE_GL_NAME(GL_DEPTH_ATTACHMENT),
    FAKE_GL_NAME(GL_STENCIL_ATTACHMENT), FAKE_GL_NAME(GL_FRAMEBUFFER_COMPLETE),
    FAKE_GL_NAME(GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT), FAKE_GL_NAME(GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT),
    FAKE_GL_NAME(GL_FRAMEBUFFER_UNSUPPORTED), FAKE_GL_NAME(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
    FAKE_GL_NAME(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
    // Shaders and programs.
    FAKE_GL_NAME(GL_VERTEX_SHADER), FAKE_GL_NAME(GL_FRAGMENT_SHADER), FAKE_GL_NAME(GL_COMPILE_STATUS),
    FAKE_GL_NAME(GL_LINK_STATUS), FAKE_GL_NAME(GL_VALIDATE_STATUS), FAKE_GL_NAME(GL_DELETE_STATUS),
    FAKE_GL_NAME(GL_INFO_LOG_LENGTH), FAKE_GL_NAME(GL_SHADER_TYPE), FAKE_GL_NAME(GL_SHADER_SOURCE_LENGTH),
    FAKE_GL_NAME(GL_ATTACHED_SHADERS), FAKE_GL_NAME(GL_ACTIVE_UNIFORMS), FAKE_GL_NAME(GL_ACTIVE_UNIFORM_MAX_LENGTH),
    FAKE_GL_NAME(GL_ACTIVE_ATTRIBUTES), FAKE_GL_NAME(GL_ACTIVE_ATTRIBUTE_MAX_LENGTH), FAKE_GL_NAME(GL_FLOAT_VEC2),
    FAKE_GL_NAME(GL_FLOAT_VEC3), FAKE_GL_NAME(GL_FLOAT_VEC4), FAKE_GL_NAME(GL_INT_VEC2), FAKE_GL_NAME(GL_INT_VEC3),
    FAKE_GL_NAME(GL_INT_VEC4), FAKE_GL_NAME(GL_FLOAT_MAT2), FAKE_GL_NAME(GL_FLOAT_MAT3), FAKE_GL_NAME(GL_FLOAT_MAT4),
    FAKE_GL_NAME(GL_SAMPLER_2D), FAKE_GL_NAME(GL_SAMPLER_CUBE), FAKE_GL_NAME(GL_LOW_FLOAT),
    FAKE_GL_NAME(GL_MEDIUM_FLOAT), FAKE_GL_NAME(GL_HIGH_FLOAT), FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_ENABLED),
    FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_SIZE), FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_STRIDE),
    FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_TYPE), FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_NORMALIZED),
    FAKE_GL_NAME(GL_VERTEX_ATTRIB_ARRAY_POINTER), FAKE_GL_NAME(GL_CURRENT_VERTEX_ATTRIB),
    // Stencil.
    FAKE_GL_NAME(GL_FRONT), FAKE_GL_NAME(GL_BACK), FAKE_GL_NAME(GL_FRONT_AND_BACK), FAKE_GL_NAME(GL_NEVER),
    FAKE_GL_NAME(GL_LESS), FAKE_GL_NAME(GL_EQUAL), FAKE_GL_NAME(GL_LEQUAL), FAKE_GL_NAME(GL_GREATER),
    FAKE_GL_NAME(GL_NOTEQUAL), FAKE_GL_NAME(GL_GEQUAL), FAKE_GL_NAME(GL_ALWAYS), FAKE_GL_NAME(GL_KEEP),
    FAKE_GL_NAME(GL_REPLACE), FAKE_GL_NAME(GL_INCR), FAKE_GL_NAME(GL_DECR), FAKE_GL_NAME(GL_INVERT),
};
#undef FAKE_GL_NAME

// Primitive modes by value, GL_POINTS (0) to GL_TRIANGLE_FAN (6).
constexpr const char *kPrimitiveNames[] = {"GL_POINTS",    "GL_LINES",          "GL_LINE_LOOP",   "GL_LINE_STRIP",
                                           "GL_TRIANGLES", "GL_TRIANGLE_STRIP", "GL_TRIANGLE_FAN"};

constexpr std::pair<GLbitfield, const char *> kClearBits[] = {
    {GL_COLOR_BUFFER_BIT, "GL_COLOR_BUFFER_BIT"},
    {GL_DEPTH_BUFFER_BIT, "GL_DEPTH_BUFFER_BIT"},
    {GL_STENCIL_BUFFER_BIT, "GL_STENCIL_BUFFER_BIT"},
};

// How one argument prints (see kArgKinds).
enum class Kind : char {
    Plain = '.',
    Enum = 'e',       // a name from kEnumNames, GL_TEXTUREn; 0 stays 0
    Factor = 'b',     // a blend factor: 0 GL_ZERO, 1 GL_ONE, else as Enum
    Primitive = 'm',  // GL_POINTS .. GL_TRIANGLE_FAN
    Bits = 'f',       // GL_*_BUFFER_BIT flags joined by " | "
    Error = 'r',      // 0 GL_NO_ERROR, else as Enum
    Param = 'p',      // glTexParameteri's value: an Enum for filters and wraps
};

// The arguments of each function that are GL enums: one letter of Kind
// per argument, in order; arguments past the end, and functions not
// listed, are plain numbers. GLboolean arguments print GL_TRUE / GL_FALSE
// by their type.
const std::map<std::string, std::string, std::less<>> kArgKinds = {
    {"glActiveTexture", "e"},
    {"glBindBuffer", "e"},
    {"glBindFramebuffer", "e"},
    {"glBindRenderbuffer", "e"},
    {"glBindTexture", "e"},
    {"glBlendEquation", "e"},
    {"glBlendEquationSeparate", "ee"},
    {"glBlendFunc", "bb"},
    {"glBlendFuncSeparate", "bbbb"},
    {"glBufferData", "e..e"},
    {"glBufferSubData", "e"},
    {"glCheckFramebufferStatus", "e"},
    {"glClear", "f"},
    {"glCompressedTexImage2D", "e.e"},
    {"glCompressedTexSubImage2D", "e.....e"},
    {"glCreateShader", "e"},
    {"glDisable", "e"},
    {"glDrawArrays", "m"},
    {"glDrawElements", "m.e"},
    {"glEnable", "e"},
    {"glFramebufferRenderbuffer", "eee"},
    {"glFramebufferTexture2D", "eee"},
    {"glGenerateMipmap", "e"},
    {"glGetBufferParameteriv", "ee"},
    {"glGetFramebufferAttachmentParameteriv", "eee"},
    {"glGetIntegerv", "e"},
    {"glGetProgramiv", ".e"},
    {"glGetRenderbufferParameteriv", "ee"},
    {"glGetShaderPrecisionFormat", "ee"},
    {"glGetShaderiv", ".e"},
    {"glGetString", "e"},
    {"glGetTexImage", "e.ee"},
    {"glGetVertexAttribPointerv", ".e"},
    {"glGetVertexAttribfv", ".e"},
    {"glGetVertexAttribiv", ".e"},
    {"glPixelStorei", "e"},
    {"glReadPixels", "....ee"},
    {"glRenderbufferStorage", "ee"},
    {"glShaderBinary", "..e"},
    {"glStencilFuncSeparate", "ee"},
    {"glStencilMaskSeparate", "e"},
    {"glStencilOpSeparate", "eeee"},
    {"glTexImage2D", "e.e...ee"},
    {"glTexParameteri", "eep"},
    {"glTexSubImage2D", "e.....ee"},
    {"glVertexAttribPointer", "..e"},
};

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// `value` as a GL name of the kind; unknown values print in hex.
std::string EnumName(long long value, Kind kind) {
    if (kind == Kind::Plain) return std::to_string(value);
    if (kind == Kind::Factor && (value == 0 || value == 1)) return value ? "GL_ONE" : "GL_ZERO";
    if (kind == Kind::Error && value == 0) return "GL_NO_ERROR";
    if (kind == Kind::Primitive && value >= 0 && value < static_cast<long long>(std::size(kPrimitiveNames)))
        return kPrimitiveNames[value];
    if (kind == Kind::Bits && value != 0) {
        std::string text;
        long long rest = value;
        for (const auto &[bit, name] : kClearBits) {
            if (!(rest & bit)) continue;
            if (!text.empty()) text += " | ";
            text += name;
            rest &= ~static_cast<long long>(bit);
        }
        if (rest == 0) return text;
    }
    if (value == 0) return "0";
    if (value >= GL_TEXTURE0 && value <= GL_TEXTURE31) return "GL_TEXTURE" + std::to_string(value - GL_TEXTURE0);
    for (const auto &[v, name] : kEnumNames)
        if (v == value) return name;
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

// Whether glTexParameteri's value names an enum for this parameter.
bool ParamIsEnum(long long pname) {
    return pname == GL_TEXTURE_MIN_FILTER || pname == GL_TEXTURE_MAG_FILTER || pname == GL_TEXTURE_WRAP_S ||
           pname == GL_TEXTURE_WRAP_T;
}

// Builds "function(arg, arg, ...)", each argument by its kind.
class LineBuilder {
public:
    explicit LineBuilder(const char *function) : line_(function) {
        line_ += '(';
        auto it = kArgKinds.find(std::string_view(function));
        if (it != kArgKinds.end()) kinds_ = it->second;
    }

    template <class T>
    void Add(T value) {
        if (index_) line_ += ", ";
        const Kind kind = index_ < kinds_.size() ? static_cast<Kind>(kinds_[index_]) : Kind::Plain;
        ++index_;
        if constexpr (std::is_same_v<T, const char *> || std::is_same_v<T, const GLchar *>) {
            if (value) {
                line_ += '"';
                line_ += value;
                line_ += '"';
            } else {
                line_ += "null";
            }
        } else if constexpr (std::is_pointer_v<T>) {
            line_ += value ? "data" : "null";
        } else if constexpr (std::is_floating_point_v<T>) {
            line_ += Number(value);
        } else if constexpr (std::is_same_v<T, GLboolean>) {
            line_ += value == GL_FALSE ? "GL_FALSE" : value == GL_TRUE ? "GL_TRUE" : std::to_string(value);
        } else {
            const auto v = static_cast<long long>(value);
            if (kind == Kind::Param) {
                line_ += ParamIsEnum(previous_) ? EnumName(v, Kind::Enum) : std::to_string(v);
            } else {
                line_ += EnumName(v, kind);
            }
            previous_ = v;
        }
    }

    std::string Done() { return line_ + ')'; }

private:
    std::string line_;
    std::string_view kinds_;
    size_t index_ = 0;
    long long previous_ = 0;
};

template <class... A>
std::string Line(const char *function, A... args) {
    LineBuilder builder(function);
    (builder.Add(args), ...);
    return builder.Done();
}

template <class T>
std::string List(const T *values, int64_t n) {
    std::string text = "[";
    for (int64_t i = 0; i < n; ++i) {
        if (i) text += ", ";
        if constexpr (std::is_floating_point_v<T>) {
            text += Number(values[i]);
        } else {
            text += std::to_string(static_cast<long long>(values[i]));
        }
    }
    return text + "]";
}

// A function name as a template argument.
template <size_t N>
struct FnName {
    char s[N];
    constexpr FnName(const char (&v)[N]) {
        for (size_t i = 0; i < N; ++i) s[i] = v[i];
    }
};

// The default fake: records the call and returns zero.
template <FnName Name, class F>
struct Recorder;
template <FnName Name, class R, class... A>
struct Recorder<Name, R (*)(A...)> {
    static R Call(A... args) {
        std::string line = Line(Name.s, args...);
        if constexpr (std::is_void_v<R>) {
            Record(Name.s, std::move(line));
        } else {
            Record(Name.s, line + " -> 0");
            return R();
        }
    }
};

// ---------------------------------------------------------------------------
// Names

std::string MakeNames(const char *function, GLsizei n, GLuint *names, GLuint &next) {
    std::string line = Line(function, n);
    if (n < 0 || !names) {
        Fail(GL_INVALID_VALUE);
        return line;
    }
    line += " -> ";
    for (GLsizei i = 0; i < n; ++i) {
        names[i] = next++;
        if (i) line += ", ";
        line += std::to_string(names[i]);
    }
    return line;
}

std::string DeleteLine(const char *function, GLsizei n, const GLuint *names) {
    return std::string(function) + "(" + std::to_string(n) + ", " + (names && n > 0 ? List(names, n) : "[]") + ")";
}

void GenTextures(GLsizei n, GLuint *names) {
    Record("glGenTextures", MakeNames("glGenTextures", n, names, g_state.nextTexture));
}
void GenBuffers(GLsizei n, GLuint *names) {
    Record("glGenBuffers", MakeNames("glGenBuffers", n, names, g_state.nextBuffer));
}
void GenFramebuffers(GLsizei n, GLuint *names) {
    Record("glGenFramebuffers", MakeNames("glGenFramebuffers", n, names, g_state.nextFramebuffer));
}
void GenRenderbuffers(GLsizei n, GLuint *names) {
    Record("glGenRenderbuffers", MakeNames("glGenRenderbuffers", n, names, g_state.nextRenderbuffer));
}

// Deleting a bound object unbinds it, as in GL.
void DeleteTextures(GLsizei n, const GLuint *names) {
    Record("glDeleteTextures", DeleteLine("glDeleteTextures", n, names));
    for (GLsizei i = 0; names && i < n; ++i) {
        if (names[i] == 0) continue;
        for (auto &unit : g_state.texture2d)
            if (unit.second == names[i]) unit.second = 0;
        g_state.images.erase(names[i]);
    }
}
void DeleteBuffers(GLsizei n, const GLuint *names) {
    Record("glDeleteBuffers", DeleteLine("glDeleteBuffers", n, names));
    for (GLsizei i = 0; names && i < n; ++i) {
        if (names[i] == 0) continue;
        if (g_state.arrayBuffer == names[i]) g_state.arrayBuffer = 0;
        if (g_state.elementBuffer == names[i]) g_state.elementBuffer = 0;
        g_state.buffers.erase(names[i]);
    }
}
void DeleteFramebuffers(GLsizei n, const GLuint *names) {
    Record("glDeleteFramebuffers", DeleteLine("glDeleteFramebuffers", n, names));
    for (GLsizei i = 0; names && i < n; ++i) {
        if (names[i] == 0) continue;
        if (g_state.drawFramebuffer == names[i]) g_state.drawFramebuffer = 0;
        if (g_state.readFramebuffer == names[i]) g_state.readFramebuffer = 0;
    }
}
void DeleteRenderbuffers(GLsizei n, const GLuint *names) {
    Record("glDeleteRenderbuffers", DeleteLine("glDeleteRenderbuffers", n, names));
    for (GLsizei i = 0; names && i < n; ++i)
        if (names[i] != 0 && g_state.renderbuffer == names[i]) g_state.renderbuffer = 0;
}

// ---------------------------------------------------------------------------
// Bindings and integer queries

void ActiveTexture(GLenum unit) {
    Record("glActiveTexture", Line("glActiveTexture", unit));
    if (unit < GL_TEXTURE0 || unit > GL_TEXTURE31) {
        Fail(GL_INVALID_ENUM);
        return;
    }
    g_state.activeUnit = static_cast<GLint>(unit - GL_TEXTURE0);
}

void BindTexture(GLenum target, GLuint texture) {
    Record("glBindTexture", Line("glBindTexture", target, texture));
    if (target == GL_TEXTURE_2D) g_state.texture2d[g_state.activeUnit] = texture;
}

void BindBuffer(GLenum target, GLuint buffer) {
    Record("glBindBuffer", Line("glBindBuffer", target, buffer));
    if (target == GL_ARRAY_BUFFER) g_state.arrayBuffer = buffer;
    if (target == GL_ELEMENT_ARRAY_BUFFER) g_state.elementBuffer = buffer;
}

void BindFramebuffer(GLenum target, GLuint framebuffer) {
    Record("glBindFramebuffer", Line("glBindFramebuffer", target, framebuffer));
    if (target == GL_FRAMEBUFFER || target == GL_DRAW_FRAMEBUFFER) g_state.drawFramebuffer = framebuffer;
    if (target == GL_FRAMEBUFFER || target == GL_READ_FRAMEBUFFER) g_state.readFramebuffer = framebuffer;
}

void BindRenderbuffer(GLenum target, GLuint renderbuffer) {
    Record("glBindRenderbuffer", Line("glBindRenderbuffer", target, renderbuffer));
    if (target == GL_RENDERBUFFER) g_state.renderbuffer = renderbuffer;
}

void UseProgram(GLuint program) {
    Record("glUseProgram", Line("glUseProgram", program));
    g_state.program = program;
}

// The binding a query names, when it names one.
GLuint *BindingOf(GLenum pname) {
    switch (pname) {
    case GL_TEXTURE_BINDING_2D: return &g_state.texture2d[g_state.activeUnit];
    case GL_ARRAY_BUFFER_BINDING: return &g_state.arrayBuffer;
    case GL_ELEMENT_ARRAY_BUFFER_BINDING: return &g_state.elementBuffer;
    case GL_FRAMEBUFFER_BINDING: return &g_state.drawFramebuffer;  // = GL_DRAW_FRAMEBUFFER_BINDING
    case GL_READ_FRAMEBUFFER_BINDING: return &g_state.readFramebuffer;
    case GL_RENDERBUFFER_BINDING: return &g_state.renderbuffer;
    case GL_CURRENT_PROGRAM: return &g_state.program;
    default: return nullptr;
    }
}

std::vector<GLint> Answer(GLenum pname) {
    if (GLuint *binding = BindingOf(pname)) return {static_cast<GLint>(*binding)};
    if (pname == GL_ACTIVE_TEXTURE) return {static_cast<GLint>(GL_TEXTURE0 + g_state.activeUnit)};
    auto it = g_state.integers.find(pname);
    if (it != g_state.integers.end() && !it->second.empty()) return it->second;
    return {0};
}

// An answer of glGetIntegerv: a name where the query answers an enum.
std::string AnswerText(GLenum pname, GLint value) {
    switch (pname) {
    case GL_ACTIVE_TEXTURE:
    case GL_BLEND_EQUATION_RGB:
    case GL_BLEND_EQUATION_ALPHA: return EnumName(value, Kind::Enum);
    case GL_BLEND_SRC_RGB:
    case GL_BLEND_DST_RGB:
    case GL_BLEND_SRC_ALPHA:
    case GL_BLEND_DST_ALPHA: return EnumName(value, Kind::Factor);
    default: return std::to_string(value);
    }
}

void GetIntegerv(GLenum pname, GLint *params) {
    std::vector<GLint> values = Answer(pname);
    std::string line = Line("glGetIntegerv", pname) + " -> ";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) line += ", ";
        line += AnswerText(pname, values[i]);
        if (params) params[i] = values[i];
    }
    Record("glGetIntegerv", std::move(line));
}

void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    Record("glViewport", Line("glViewport", x, y, w, h));
    g_state.integers[GL_VIEWPORT] = {x, y, w, h};
}

void Scissor(GLint x, GLint y, GLsizei w, GLsizei h) {
    Record("glScissor", Line("glScissor", x, y, w, h));
    g_state.integers[GL_SCISSOR_BOX] = {x, y, w, h};
}

// ---------------------------------------------------------------------------
// Errors, strings, framebuffer status

GLenum GetError() {
    GLenum error = g_state.error;
    g_state.error = GL_NO_ERROR;
    Record("glGetError", Line("glGetError") + " -> " + EnumName(error, Kind::Error));
    return error;
}

const GLubyte *GetString(GLenum name) {
    const char *text = nullptr;
    switch (name) {
    case GL_VENDOR: text = "Velmora"; break;
    case GL_RENDERER: text = "FakeGl"; break;
    case GL_VERSION: text = "4.5 FakeGl"; break;
    case GL_SHADING_LANGUAGE_VERSION: text = "4.50"; break;
    case GL_EXTENSIONS: text = ""; break;
    default: Fail(GL_INVALID_ENUM); break;
    }
    Record("glGetString", Line("glGetString", name) + " -> " + (text ? "\"" + std::string(text) + "\"" : "null"));
    return reinterpret_cast<const GLubyte *>(text);
}

GLenum CheckFramebufferStatus(GLenum target) {
    Record("glCheckFramebufferStatus",
           Line("glCheckFramebufferStatus", target) + " -> " + EnumName(g_state.framebufferStatus, Kind::Enum));
    return g_state.framebufferStatus;
}

// ---------------------------------------------------------------------------
// Texture images and pixels

// Bytes per pixel of a GL_UNSIGNED_BYTE format, 0 for others.
int PixelBytes(GLenum format, GLenum type) {
    if (type != GL_UNSIGNED_BYTE) return 0;
    switch (format) {
    case GL_RGBA: return 4;
    case GL_RGB: return 3;
    case GL_RG:
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RED:
    case GL_ALPHA:
    case GL_LUMINANCE: return 1;
    default: return 0;
    }
}

// The fake keeps images up to this size in memory.
constexpr int64_t kMaxImageBytes = int64_t{1} << 28;

void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border, GLenum format,
                GLenum type, const void *pixels) {
    Record("glTexImage2D", Line("glTexImage2D", target, level, internalFormat, w, h, border, format, type, pixels));
    if (w < 0 || h < 0 || border != 0) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    if (target != GL_TEXTURE_2D || level != 0) return;
    const int64_t bytes = int64_t{w} * h * PixelBytes(format, type);
    if (bytes > kMaxImageBytes) {
        Fail(GL_OUT_OF_MEMORY);
        return;
    }
    FakeImage &image = g_state.images[g_state.texture2d[g_state.activeUnit]];
    image.width = w;
    image.height = h;
    image.format = format;
    image.hasData = pixels != nullptr;
    image.bytes.assign(static_cast<size_t>(bytes), 0);
    if (pixels && bytes > 0) std::memcpy(image.bytes.data(), pixels, static_cast<size_t>(bytes));
}

void TexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                   const void *pixels) {
    Record("glTexSubImage2D", Line("glTexSubImage2D", target, level, x, y, w, h, format, type, pixels));
    if (target != GL_TEXTURE_2D || level != 0) return;
    auto it = g_state.images.find(g_state.texture2d[g_state.activeUnit]);
    if (it == g_state.images.end()) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    FakeImage &image = it->second;
    const int bpp = PixelBytes(format, type);
    if (x < 0 || y < 0 || w < 0 || h < 0 || int64_t{x} + w > image.width || int64_t{y} + h > image.height) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    if (!pixels || bpp == 0 || bpp != PixelBytes(image.format, GL_UNSIGNED_BYTE)) return;
    const auto *src = static_cast<const uint8_t *>(pixels);
    for (GLsizei r = 0; r < h; ++r)
        std::memcpy(image.bytes.data() + (int64_t{y + r} * image.width + x) * bpp, src + int64_t{r} * w * bpp,
                    static_cast<size_t>(w) * bpp);
}

void GetTexImage(GLenum target, GLint level, GLenum format, GLenum type, void *pixels) {
    Record("glGetTexImage", Line("glGetTexImage", target, level, format, type, pixels));
    if (target != GL_TEXTURE_2D || level != 0 || !pixels) return;
    auto it = g_state.images.find(g_state.texture2d[g_state.activeUnit]);
    if (it == g_state.images.end() || format != it->second.format || PixelBytes(format, type) == 0) return;
    std::memcpy(pixels, it->second.bytes.data(), it->second.bytes.size());
}

void ReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void *pixels) {
    Record("glReadPixels", Line("glReadPixels", x, y, w, h, format, type, pixels));
    const int bpp = PixelBytes(format, type);
    if (w < 0 || h < 0) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    if (!pixels || bpp == 0) return;
    auto *dst = static_cast<uint8_t *>(pixels);
    for (int64_t i = 0; i < int64_t{w} * h; ++i)
        for (int c = 0; c < bpp; ++c) dst[i * bpp + c] = static_cast<uint8_t>(g_state.readPixel >> (8 * c));
}

// ---------------------------------------------------------------------------
// Buffers

std::vector<uint8_t> *BoundBuffer(GLenum target) {
    GLuint name = target == GL_ARRAY_BUFFER           ? g_state.arrayBuffer
                  : target == GL_ELEMENT_ARRAY_BUFFER ? g_state.elementBuffer
                                                      : 0;
    if (name == 0) return nullptr;
    return &g_state.buffers[name];
}

void BufferData(GLenum target, GLsizeiptr size, const void *data, GLenum usage) {
    Record("glBufferData", Line("glBufferData", target, size, data, usage));
    std::vector<uint8_t> *buffer = BoundBuffer(target);
    if (size < 0) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    if (!buffer) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    buffer->assign(static_cast<size_t>(size), 0);
    if (data && size > 0) std::memcpy(buffer->data(), data, static_cast<size_t>(size));
}

void BufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void *data) {
    Record("glBufferSubData", Line("glBufferSubData", target, offset, size, data));
    std::vector<uint8_t> *buffer = BoundBuffer(target);
    if (!buffer) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    if (offset < 0 || size < 0 || static_cast<size_t>(offset + size) > buffer->size()) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    if (data && size > 0) std::memcpy(buffer->data() + offset, data, static_cast<size_t>(size));
}

// Offsets into the bound buffers print as numbers.
void VertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride,
                         const void *pointer) {
    Record("glVertexAttribPointer", Line("glVertexAttribPointer", index, size, type, normalized, stride,
                                         reinterpret_cast<intptr_t>(pointer)));
}

void DrawElements(GLenum mode, GLsizei count, GLenum type, const void *indices) {
    Record("glDrawElements", Line("glDrawElements", mode, count, type, reinterpret_cast<intptr_t>(indices)));
}

// ---------------------------------------------------------------------------
// Shaders and programs

GLuint CreateShader(GLenum type) {
    if (type != GL_VERTEX_SHADER && type != GL_FRAGMENT_SHADER) {
        Fail(GL_INVALID_ENUM);
        Record("glCreateShader", Line("glCreateShader", type) + " -> 0");
        return 0;
    }
    GLuint name = g_state.nextShaderOrProgram++;
    g_state.shaders[name].type = type;
    Record("glCreateShader", Line("glCreateShader", type) + " -> " + std::to_string(name));
    return name;
}

ShaderObject *FindShader(GLuint name) {
    auto it = g_state.shaders.find(name);
    if (it == g_state.shaders.end()) {
        Fail(GL_INVALID_VALUE);
        return nullptr;
    }
    return &it->second;
}

ProgramObject *FindProgram(GLuint name) {
    auto it = g_state.programs.find(name);
    if (it == g_state.programs.end()) {
        Fail(GL_INVALID_VALUE);
        return nullptr;
    }
    return &it->second;
}

void ShaderSource(GLuint shader, GLsizei count, const GLchar *const *strings, const GLint *lengths) {
    Record("glShaderSource", Line("glShaderSource", shader, count));
    ShaderObject *s = FindShader(shader);
    if (!s || count < 0 || !strings) return;
    s->source.clear();
    for (GLsizei i = 0; i < count; ++i) {
        if (!strings[i]) continue;
        if (lengths && lengths[i] >= 0) {
            s->source.append(strings[i], static_cast<size_t>(lengths[i]));
        } else {
            s->source += strings[i];
        }
    }
}

void CompileShader(GLuint shader) {
    Record("glCompileShader", Line("glCompileShader", shader));
    ShaderObject *s = FindShader(shader);
    if (!s) return;
    s->compiled = true;
    s->log.clear();
    if (!g_state.compileScript.empty()) {
        s->compiled = g_state.compileScript.front().first;
        s->log = g_state.compileScript.front().second;
        g_state.compileScript.pop_front();
    }
}

GLint LogLength(const std::string &log) { return log.empty() ? 0 : static_cast<GLint>(log.size() + 1); }

void GetShaderiv(GLuint shader, GLenum pname, GLint *params) {
    GLint value = 0;
    if (ShaderObject *s = FindShader(shader)) {
        switch (pname) {
        case GL_COMPILE_STATUS: value = s->compiled ? GL_TRUE : GL_FALSE; break;
        case GL_INFO_LOG_LENGTH: value = LogLength(s->log); break;
        case GL_SHADER_TYPE: value = static_cast<GLint>(s->type); break;
        case GL_SHADER_SOURCE_LENGTH: value = LogLength(s->source); break;
        default: break;
        }
    }
    if (params) *params = value;
    Record("glGetShaderiv", Line("glGetShaderiv", shader, pname) + " -> " +
                                (pname == GL_SHADER_TYPE ? EnumName(value, Kind::Enum) : std::to_string(value)));
}

void CopyLog(const std::string &text, GLsizei bufSize, GLsizei *length, GLchar *out) {
    GLsizei n = 0;
    if (out && bufSize > 0) {
        n = static_cast<GLsizei>(std::min<size_t>(text.size(), static_cast<size_t>(bufSize - 1)));
        std::memcpy(out, text.data(), static_cast<size_t>(n));
        out[n] = 0;
    }
    if (length) *length = n;
}

void GetShaderInfoLog(GLuint shader, GLsizei bufSize, GLsizei *length, GLchar *infoLog) {
    Record("glGetShaderInfoLog", Line("glGetShaderInfoLog", shader, bufSize));
    ShaderObject *s = FindShader(shader);
    CopyLog(s ? s->log : std::string(), bufSize, length, infoLog);
}

GLuint CreateProgram() {
    GLuint name = g_state.nextShaderOrProgram++;
    g_state.programs[name];
    Record("glCreateProgram", Line("glCreateProgram") + " -> " + std::to_string(name));
    return name;
}

void AttachShader(GLuint program, GLuint shader) {
    Record("glAttachShader", Line("glAttachShader", program, shader));
    ProgramObject *p = FindProgram(program);
    if (!p || !FindShader(shader)) return;
    if (std::find(p->attached.begin(), p->attached.end(), shader) != p->attached.end()) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    p->attached.push_back(shader);
}

void DetachShader(GLuint program, GLuint shader) {
    Record("glDetachShader", Line("glDetachShader", program, shader));
    ProgramObject *p = FindProgram(program);
    if (!p) return;
    auto it = std::find(p->attached.begin(), p->attached.end(), shader);
    if (it == p->attached.end()) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    p->attached.erase(it);
}

void GetAttachedShaders(GLuint program, GLsizei maxCount, GLsizei *count, GLuint *shaders) {
    Record("glGetAttachedShaders", Line("glGetAttachedShaders", program, maxCount));
    ProgramObject *p = FindProgram(program);
    GLsizei n = 0;
    if (p && shaders) {
        for (GLuint s : p->attached) {
            if (n >= maxCount) break;
            shaders[n++] = s;
        }
    }
    if (count) *count = n;
}

void LinkProgram(GLuint program) {
    Record("glLinkProgram", Line("glLinkProgram", program));
    ProgramObject *p = FindProgram(program);
    if (!p) return;
    p->linked = true;
    p->log.clear();
    if (!g_state.linkScript.empty()) {
        p->linked = g_state.linkScript.front().first;
        p->log = g_state.linkScript.front().second;
        g_state.linkScript.pop_front();
    }
    p->uniforms.clear();
    if (!p->linked) return;
    auto own = g_state.uniformScript.find(program);
    if (own == g_state.uniformScript.end()) own = g_state.uniformScript.find(0);
    if (own != g_state.uniformScript.end()) p->uniforms = own->second;
    for (size_t i = 0; i < p->uniforms.size(); ++i)
        if (p->uniforms[i].location < 0) p->uniforms[i].location = static_cast<GLint>(i);
}

void GetProgramiv(GLuint program, GLenum pname, GLint *params) {
    GLint value = 0;
    if (ProgramObject *p = FindProgram(program)) {
        switch (pname) {
        case GL_LINK_STATUS: value = p->linked ? GL_TRUE : GL_FALSE; break;
        case GL_VALIDATE_STATUS: value = p->linked ? GL_TRUE : GL_FALSE; break;
        case GL_INFO_LOG_LENGTH: value = LogLength(p->log); break;
        case GL_ATTACHED_SHADERS: value = static_cast<GLint>(p->attached.size()); break;
        case GL_ACTIVE_UNIFORMS: value = static_cast<GLint>(p->uniforms.size()); break;
        case GL_ACTIVE_UNIFORM_MAX_LENGTH:
            for (const FakeUniform &u : p->uniforms) value = std::max(value, static_cast<GLint>(u.name.size() + 1));
            break;
        default: break;
        }
    }
    if (params) *params = value;
    Record("glGetProgramiv", Line("glGetProgramiv", program, pname) + " -> " + std::to_string(value));
}

void GetProgramInfoLog(GLuint program, GLsizei bufSize, GLsizei *length, GLchar *infoLog) {
    Record("glGetProgramInfoLog", Line("glGetProgramInfoLog", program, bufSize));
    ProgramObject *p = FindProgram(program);
    CopyLog(p ? p->log : std::string(), bufSize, length, infoLog);
}

// "A" and "A[k]" name element k of the array uniform listed as "A[0]".
GLint Locate(const ProgramObject &p, const std::string &name) {
    for (const FakeUniform &u : p.uniforms) {
        if (u.name == name) return u.location;
        std::string base = u.name;
        if (base.size() > 3 && base.compare(base.size() - 3, 3, "[0]") == 0) base.resize(base.size() - 3);
        if (name == base) return u.location;
        if (name.size() > base.size() + 2 && name.compare(0, base.size(), base) == 0 && name[base.size()] == '[' &&
            name.back() == ']') {
            const std::string digits = name.substr(base.size() + 1, name.size() - base.size() - 2);
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
            const long k = std::strtol(digits.c_str(), nullptr, 10);
            if (k < u.size) return u.location + static_cast<GLint>(k);
        }
    }
    return -1;
}

GLint GetUniformLocation(GLuint program, const GLchar *name) {
    GLint location = -1;
    ProgramObject *p = FindProgram(program);
    if (p && name) {
        if (!p->linked) {
            Fail(GL_INVALID_OPERATION);
        } else {
            location = Locate(*p, name);
        }
    }
    Record("glGetUniformLocation", Line("glGetUniformLocation", program, name) + " -> " + std::to_string(location));
    return location;
}

void GetActiveUniform(GLuint program, GLuint index, GLsizei bufSize, GLsizei *length, GLint *size, GLenum *type,
                      GLchar *name) {
    Record("glGetActiveUniform", Line("glGetActiveUniform", program, index, bufSize));
    ProgramObject *p = FindProgram(program);
    if (!p) return;
    if (index >= p->uniforms.size()) {
        Fail(GL_INVALID_VALUE);
        return;
    }
    const FakeUniform &u = p->uniforms[index];
    CopyLog(u.name, bufSize, length, name);
    if (size) *size = u.size;
    if (type) *type = u.type;
}

// ---------------------------------------------------------------------------
// Uniform values

void StoreUniform(GLint location, std::vector<float> values) {
    if (location < 0) return;
    if (g_state.program == 0) {
        Fail(GL_INVALID_OPERATION);
        return;
    }
    g_state.uniformValues[{g_state.program, location}] = std::move(values);
}

// glUniform{1,2,3,4}{f,i}(location, v...).
template <FnName Name, class F>
struct UniformScalars;
template <FnName Name, class... T>
struct UniformScalars<Name, void (*)(GLint, T...)> {
    static void Call(GLint location, T... v) {
        Record(Name.s, Line(Name.s, location, v...));
        StoreUniform(location, {static_cast<float>(v)...});
    }
};

// glUniform{1,2,3,4}{f,i}v(location, count, values): count x N values.
template <FnName Name, int N, class F>
struct UniformVectors;
template <FnName Name, int N, class T>
struct UniformVectors<Name, N, void (*)(GLint, GLsizei, const T *)> {
    static void Call(GLint location, GLsizei count, const T *v) {
        const int64_t n = count > 0 && v ? int64_t{count} * N : 0;
        Record(Name.s, std::string(Name.s) + "(" + std::to_string(location) + ", " + std::to_string(count) + ", " +
                           List(v, n) + ")");
        if (count < 0) {
            Fail(GL_INVALID_VALUE);
            return;
        }
        StoreUniform(location, std::vector<float>(v, v + n));
    }
};

// glUniformMatrix{2,3,4}fv(location, count, transpose, values).
template <FnName Name, int N>
struct UniformMatrices {
    static void Call(GLint location, GLsizei count, GLboolean transpose, const GLfloat *v) {
        const int64_t n = count > 0 && v ? int64_t{count} * N * N : 0;
        Record(Name.s, std::string(Name.s) + "(" + std::to_string(location) + ", " + std::to_string(count) + ", " +
                           (transpose ? "GL_TRUE" : "GL_FALSE") + ", " + List(v, n) + ")");
        if (count < 0) {
            Fail(GL_INVALID_VALUE);
            return;
        }
        StoreUniform(location, std::vector<float>(v, v + n));
    }
};

void InstallFunctions() {
    // Every entry records its call; the ones with state are replaced below.
#define FAKE_ENTRY(type, name) gl_EntryPoints.name = &Recorder<#name, type>::Call;
    GL_ENTRY_POINT_LIST(FAKE_ENTRY)
#undef FAKE_ENTRY
#define FAKE_GL11(name, ret, params) gl11.name = &Recorder<#name, decltype(gl11_Table::name)>::Call;
    GL11_FUNCTION_LIST(FAKE_GL11)
#undef FAKE_GL11

    gl11.glBindTexture = BindTexture;
    gl11.glDeleteTextures = DeleteTextures;
    gl11.glDrawElements = DrawElements;
    gl11.glGenTextures = GenTextures;
    gl11.glGetError = GetError;
    gl11.glGetIntegerv = GetIntegerv;
    gl11.glGetString = GetString;
    gl11.glGetTexImage = GetTexImage;
    gl11.glReadPixels = ReadPixels;
    gl11.glScissor = Scissor;
    gl11.glTexImage2D = TexImage2D;
    gl11.glTexSubImage2D = TexSubImage2D;
    gl11.glViewport = Viewport;

    gl_EntryPointTable &e = gl_EntryPoints;
    e.glActiveTexture = ActiveTexture;
    e.glAttachShader = AttachShader;
    e.glBindBuffer = BindBuffer;
    e.glBindFramebuffer = BindFramebuffer;
    e.glBindRenderbuffer = BindRenderbuffer;
    e.glBufferData = BufferData;
    e.glBufferSubData = BufferSubData;
    e.glCheckFramebufferStatus = CheckFramebufferStatus;
    e.glCompileShader = CompileShader;
    e.glCreateProgram = CreateProgram;
    e.glCreateShader = CreateShader;
    e.glDeleteBuffers = DeleteBuffers;
    e.glDeleteFramebuffers = DeleteFramebuffers;
    e.glDeleteRenderbuffers = DeleteRenderbuffers;
    e.glDetachShader = DetachShader;
    e.glGenBuffers = GenBuffers;
    e.glGenFramebuffers = GenFramebuffers;
    e.glGenRenderbuffers = GenRenderbuffers;
    e.glGetActiveUniform = GetActiveUniform;
    e.glGetAttachedShaders = GetAttachedShaders;
    e.glGetProgramInfoLog = GetProgramInfoLog;
    e.glGetProgramiv = GetProgramiv;
    e.glGetShaderInfoLog = GetShaderInfoLog;
    e.glGetShaderiv = GetShaderiv;
    e.glGetUniformLocation = GetUniformLocation;
    e.glLinkProgram = LinkProgram;
    e.glShaderSource = ShaderSource;
    e.glUseProgram = UseProgram;
    e.glVertexAttribPointer = VertexAttribPointer;

    e.glUniform1f = &UniformScalars<"glUniform1f", PFNGLUNIFORM1FPROC>::Call;
    e.glUniform2f = &UniformScalars<"glUniform2f", PFNGLUNIFORM2FPROC>::Call;
    e.glUniform3f = &UniformScalars<"glUniform3f", PFNGLUNIFORM3FPROC>::Call;
    e.glUniform4f = &UniformScalars<"glUniform4f", PFNGLUNIFORM4FPROC>::Call;
    e.glUniform1i = &UniformScalars<"glUniform1i", PFNGLUNIFORM1IPROC>::Call;
    e.glUniform2i = &UniformScalars<"glUniform2i", PFNGLUNIFORM2IPROC>::Call;
    e.glUniform3i = &UniformScalars<"glUniform3i", PFNGLUNIFORM3IPROC>::Call;
    e.glUniform4i = &UniformScalars<"glUniform4i", PFNGLUNIFORM4IPROC>::Call;
    e.glUniform1fv = &UniformVectors<"glUniform1fv", 1, PFNGLUNIFORM1FVPROC>::Call;
    e.glUniform2fv = &UniformVectors<"glUniform2fv", 2, PFNGLUNIFORM2FVPROC>::Call;
    e.glUniform3fv = &UniformVectors<"glUniform3fv", 3, PFNGLUNIFORM3FVPROC>::Call;
    e.glUniform4fv = &UniformVectors<"glUniform4fv", 4, PFNGLUNIFORM4FVPROC>::Call;
    e.glUniform1iv = &UniformVectors<"glUniform1iv", 1, PFNGLUNIFORM1IVPROC>::Call;
    e.glUniform2iv = &UniformVectors<"glUniform2iv", 2, PFNGLUNIFORM2IVPROC>::Call;
    e.glUniform3iv = &UniformVectors<"glUniform3iv", 3, PFNGLUNIFORM3IVPROC>::Call;
    e.glUniform4iv = &UniformVectors<"glUniform4iv", 4, PFNGLUNIFORM4IVPROC>::Call;
    e.glUniformMatrix2fv = &UniformMatrices<"glUniformMatrix2fv", 2>::Call;
    e.glUniformMatrix3fv = &UniformMatrices<"glUniformMatrix3fv", 3>::Call;
    e.glUniformMatrix4fv = &UniformMatrices<"glUniformMatrix4fv", 4>::Call;
}

bool StartsCall(const std::string &line, const std::string &function) {
    return line.size() > function.size() && line.compare(0, function.size(), function) == 0 &&
           line[function.size()] == '(';
}

}  // namespace

// ---------------------------------------------------------------------------

void FakeGl::Install() {
    if (!g_installed) {
        g_savedEntryPoints = gl_EntryPoints;
        g_savedGl11 = gl11;
        g_installed = true;
    }
    g_state = State();
    InstallFunctions();
}

void FakeGl::Uninstall() {
    if (!g_installed) return;
    gl_EntryPoints = g_savedEntryPoints;
    gl11 = g_savedGl11;
    g_installed = false;
}

bool FakeGl::Installed() { return g_installed; }

const std::vector<std::string> &FakeGl::Log() { return g_state.log; }
void FakeGl::ClearLog() { g_state.log.clear(); }

int FakeGl::Count(const std::string &function) {
    int n = 0;
    for (const std::string &line : g_state.log)
        if (StartsCall(line, function)) ++n;
    return n;
}

std::vector<std::string> FakeGl::Calls(const std::string &function) {
    std::vector<std::string> lines;
    for (const std::string &line : g_state.log)
        if (StartsCall(line, function)) lines.push_back(line);
    return lines;
}

std::string FakeGl::Text() {
    std::string text;
    for (const std::string &line : g_state.log) text += line + "\n";
    return text;
}

void FakeGl::ScriptCompile(bool ok, const std::string &log) { g_state.compileScript.emplace_back(ok, log); }
void FakeGl::ScriptLink(bool ok, const std::string &log) { g_state.linkScript.emplace_back(ok, log); }
void FakeGl::SetUniforms(GLuint program, const std::vector<FakeUniform> &uniforms) {
    g_state.uniformScript[program] = uniforms;
}
void FakeGl::SetError(GLenum error) { g_state.error = error; }
void FakeGl::ErrorAfter(const std::string &function, GLenum error) { g_state.errorAfter[function] = error; }
void FakeGl::SetFramebufferStatus(GLenum status) { g_state.framebufferStatus = status; }

void FakeGl::SetIntegers(GLenum pname, const std::vector<GLint> &values) {
    if (GLuint *binding = BindingOf(pname)) {
        *binding = values.empty() ? 0 : static_cast<GLuint>(values[0]);
        return;
    }
    g_state.integers[pname] = values;
}

void FakeGl::SetReadPixel(uint32_t rgba) { g_state.readPixel = rgba; }

GLint FakeGl::Integer(GLenum pname) { return Answer(pname)[0]; }

FakeImage FakeGl::Image(GLuint texture) {
    auto it = g_state.images.find(texture);
    return it == g_state.images.end() ? FakeImage() : it->second;
}

std::vector<uint8_t> FakeGl::BufferBytes(GLuint buffer) {
    auto it = g_state.buffers.find(buffer);
    return it == g_state.buffers.end() ? std::vector<uint8_t>() : it->second;
}

std::string FakeGl::ShaderSource(GLuint shader) {
    auto it = g_state.shaders.find(shader);
    return it == g_state.shaders.end() ? std::string() : it->second.source;
}

std::vector<float> FakeGl::Uniform(GLuint program, GLint location) {
    auto it = g_state.uniformValues.find({program, location});
    return it == g_state.uniformValues.end() ? std::vector<float>() : it->second;
}
