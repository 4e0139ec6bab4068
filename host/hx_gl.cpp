#include "host/hx_gl.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/hx_image.h"
#include "host/platform/hx_platform.h"

gl_EntryPointTable gl_EntryPoints;
ArrayField<int> gl_QueryInts;

const char *const gl_EntryPointNames[gl_EntryPointCount] = {
#define GL_ENTRY_POINT_NAME(type, name) #name,
    GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_NAME)
#undef GL_ENTRY_POINT_NAME
};

void gl_LoadEntryPoints() {
#define GL_ENTRY_POINT_LOAD(type, name) gl_EntryPoints.name = reinterpret_cast<type>(platform_GLProcAddress(#name));
    GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_LOAD)
#undef GL_ENTRY_POINT_LOAD
}

std::array<void *, gl_EntryPointCount> gl_EntryPointValues() {
    return {
#define GL_ENTRY_POINT_VALUE(type, name) reinterpret_cast<void *>(gl_EntryPoints.name),
        GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_VALUE)
#undef GL_ENTRY_POINT_VALUE
    };
}

bool gl_CheckRequiredEntryPoints(const char **missing) {
#define GL_ENTRY_POINT_CHECK(name)              \
    if (!gl_EntryPoints.name) {                 \
        if (missing) *missing = #name;          \
        return false;                           \
    }
    GL_REQUIRED_ENTRY_POINT_LIST(GL_ENTRY_POINT_CHECK)
#undef GL_ENTRY_POINT_CHECK
    return true;
}

bool gl_HasVersion(int major, int minor) {
    const char *v = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    if (!v) return false;
    // "4.5 (Compatibility Profile) Mesa ..." or "OpenGL ES 3.2 ...".
    while (*v && (*v < '0' || *v > '9')) ++v;
    if (!*v) return false;
    long have = 0, haveMinor = 0;
    for (; *v >= '0' && *v <= '9' && have < 1000; ++v) have = have * 10 + (*v - '0');
    if (*v == '.') {
        ++v;
        for (; *v >= '0' && *v <= '9' && haveMinor < 1000; ++v) haveMinor = haveMinor * 10 + (*v - '0');
    }
    return have > major || (have == major && haveMinor >= minor);
}

void gl_InitGlobals() { gl_QueryInts = Array<int>(16); }

void gl_MarkGlobals() { gc_Enqueue(gl_QueryInts); }

namespace {

// The address `offset` bytes into the buffer's block, or null when there is
// no block or the offset lies outside it (the end itself is allowed).
const unsigned char *BlockAt(const c_DataBuffer *data, int offset) {
    if (!data || !data->data || offset < 0 || offset > data->length) return nullptr;
    return data->data + offset;
}

// Bytes left in the block from `offset` (the offset already checked).
int64_t BytesFrom(const c_DataBuffer *data, int offset) { return static_cast<int64_t>(data->length) - offset; }

bool Holds(int length, GLsizei count, int components) {
    return static_cast<int64_t>(count) * components <= length;
}

// The one saved binding. The globals initialiser makes the array; should a
// push run before it, the array is made here rather than written past.
int &SavedBinding() {
    if (gl_QueryInts.Length() < 1) gl_InitGlobals();
    return gl_QueryInts[0];
}

// The bytes up to the first NUL, each widened as a signed 8-bit value.
String FromBytes(const char *bytes) { return String(bytes); }

// A log or source whose length GL reports through `query`, fetched by
// `fetch` into a block of length + 1 bytes that is always terminated.
template <class Query, class Fetch>
String FetchText(GLuint object, GLenum lengthParameter, Query query, Fetch fetch) {
    GLint length = 0;
    query(object, lengthParameter, &length);
    if (length <= 0 || length == INT32_MAX) return String();
    char *block = static_cast<char *>(std::malloc(static_cast<size_t>(length) + 1));
    if (!block) return String();
    block[0] = 0;
    block[length] = 0;
    GLsizei written = 0;
    fetch(object, length, &written, block);
    if (written >= 0 && written < length) block[written] = 0;
    String text = FromBytes(block);
    std::free(block);
    return text;
}

template <class Fn>
void GetActive(Fn fn, GLuint program, GLuint index, Array<int> size, Array<int> type, Array<String> name) {
    char buffer[1024];
    buffer[0] = 0;
    GLsizei written = 0;
    GLint varSize = 0;
    GLenum varType = 0;
    fn(program, index, static_cast<GLsizei>(sizeof buffer), &written, &varSize, &varType, buffer);
    buffer[sizeof buffer - 1] = 0;
    if (written >= 0 && written < static_cast<GLsizei>(sizeof buffer)) buffer[written] = 0;
    if (size.Length() > 0) size[0] = varSize;
    if (type.Length() > 0) type[0] = static_cast<int>(varType);
    if (name.Length() > 0) name[0] = FromBytes(buffer);
}

// Bytes of one element of a pixel type and how many elements make a pixel
// of a format (a packed type is one element per pixel); 0 for what this
// file does not know.
int ElementBytes(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE:
    case GL_UNSIGNED_BYTE_3_3_2:
    case GL_UNSIGNED_BYTE_2_3_3_REV: return 1;
    case GL_UNSIGNED_SHORT:
    case GL_SHORT:
    case GL_HALF_FLOAT:
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return 2;
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT:
    case GL_UNSIGNED_INT_8_8_8_8:
    case GL_UNSIGNED_INT_8_8_8_8_REV:
    case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_2_10_10_10_REV:
    case GL_UNSIGNED_INT_24_8:
    case GL_UNSIGNED_INT_10F_11F_11F_REV:
    case GL_UNSIGNED_INT_5_9_9_9_REV: return 4;
    case GL_FLOAT_32_UNSIGNED_INT_24_8_REV: return 8;
    default: return 0;
    }
}

bool IsPackedType(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE:
    case GL_UNSIGNED_SHORT:
    case GL_SHORT:
    case GL_HALF_FLOAT:
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT: return false;
    default: return true;
    }
}

int FormatElements(GLenum format) {
    switch (format) {
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
    case GL_ALPHA:
    case GL_LUMINANCE:
    case GL_DEPTH_COMPONENT:
    case GL_STENCIL_INDEX:
    case GL_RED_INTEGER: return 1;
    case GL_RG:
    case GL_LUMINANCE_ALPHA:
    case GL_DEPTH_STENCIL:
    case GL_RG_INTEGER: return 2;
    case GL_RGB:
    case GL_BGR:
    case GL_RGB_INTEGER:
    case GL_BGR_INTEGER: return 3;
    case GL_RGBA:
    case GL_BGRA:
    case GL_RGBA_INTEGER:
    case GL_BGRA_INTEGER: return 4;
    default: return 0;
    }
}

// The bytes of client memory that a transfer of a width x height rectangle
// reaches from its start, laid out as GL lays it out with the current
// pixel-store state (GL_PACK_* for reading pixels, GL_UNPACK_* for
// texture uploads): rows of the row length (the width when 0), each
// padded to the alignment unless its elements are at least that large,
// after the skipped rows and pixels; the last row ends at its last pixel.
// 0 for an empty rectangle, -1 for a format or type not known here.
int64_t PixelBytes(bool pack, GLsizei width, GLsizei height, GLenum format, GLenum type) {
    const int64_t size = ElementBytes(type);
    const int64_t elements = IsPackedType(type) ? 1 : FormatElements(format);
    if (size == 0 || elements == 0) return -1;
    if (width <= 0 || height <= 0) return 0;
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0;
    glGetIntegerv(pack ? GL_PACK_ALIGNMENT : GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(pack ? GL_PACK_ROW_LENGTH : GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(pack ? GL_PACK_SKIP_ROWS : GL_UNPACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(pack ? GL_PACK_SKIP_PIXELS : GL_UNPACK_SKIP_PIXELS, &skipPixels);
    const int64_t a = alignment > 0 ? alignment : 1;
    const int64_t pixel = size * elements;
    const int64_t row = (rowLength > 0 ? rowLength : width) * pixel;
    const int64_t stride = size >= a ? row : (row + a - 1) / a * a;
    return (static_cast<int64_t>(skipRows) + height - 1) * stride + (static_cast<int64_t>(skipPixels) + width) * pixel;
}

int IndexBytes(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE: return 1;
    case GL_UNSIGNED_SHORT: return 2;
    case GL_UNSIGNED_INT: return 4;
    default: return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Data-buffer pointers

void gl_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                   GLenum format, GLenum type, c_DataBuffer *data) {
    const unsigned char *p = data ? data->data : nullptr;
    if (p) {
        const int64_t bytes = PixelBytes(false, width, height, format, type);
        if (bytes < 0 || bytes > data->length) return;
    }
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, p);
}

void gl_TexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLsizei width, GLsizei height,
                      GLenum format, GLenum type, c_DataBuffer *data, int offset) {
    const unsigned char *p = BlockAt(data, offset);
    if (!p) return;
    const int64_t bytes = PixelBytes(false, width, height, format, type);
    if (bytes < 0 || bytes > BytesFrom(data, offset)) return;
    glTexSubImage2D(target, level, xOffset, yOffset, width, height, format, type, p);
}

void gl_BufferData(GLenum target, int size, c_DataBuffer *data, GLenum usage) {
    const unsigned char *p = nullptr;
    if (data && data->data) {
        if (size > data->length) return;
        p = data->data;
    }
    gl_EntryPoints.glBufferData(target, size, p, usage);
}

void gl_BufferSubData(GLenum target, int bufferOffset, int size, c_DataBuffer *data, int offset) {
    const unsigned char *p = BlockAt(data, offset);
    if (!p || size > BytesFrom(data, offset)) return;
    gl_EntryPoints.glBufferSubData(target, bufferOffset, size, p);
}

void gl_DrawElementsData(GLenum mode, GLsizei count, GLenum type, c_DataBuffer *data, int offset) {
    const unsigned char *p = BlockAt(data, offset);
    if (!p) return;
    if (static_cast<int64_t>(count) * IndexBytes(type) > BytesFrom(data, offset)) return;
    glDrawElements(mode, count, type, p);
}

void gl_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, c_DataBuffer *data,
                   int offset) {
    const unsigned char *p = BlockAt(data, offset);
    if (!p) return;
    const int64_t bytes = PixelBytes(true, width, height, format, type);
    if (bytes < 0 || bytes > BytesFrom(data, offset)) return;
    glReadPixels(x, y, width, height, format, type, const_cast<unsigned char *>(p));
}

void gl_VertexAttribPointerData(GLuint index, GLint size, GLenum type, bool normalized, GLsizei stride,
                                c_DataBuffer *data, int offset) {
    const unsigned char *p = BlockAt(data, offset);
    if (!p) return;
    gl_EntryPoints.glVertexAttribPointer(index, size, type, normalized ? GL_TRUE : GL_FALSE, stride, p);
}

// ---------------------------------------------------------------------------
// Offsets into bound buffer objects

void gl_DrawElements(GLenum mode, GLsizei count, GLenum type, int offset) {
    glDrawElements(mode, count, type, reinterpret_cast<const void *>(static_cast<intptr_t>(offset)));
}

void gl_VertexAttribPointer(GLuint index, GLint size, GLenum type, bool normalized, GLsizei stride, int offset) {
    gl_EntryPoints.glVertexAttribPointer(index, size, type, normalized ? GL_TRUE : GL_FALSE, stride,
                                         reinterpret_cast<const void *>(static_cast<intptr_t>(offset)));
}

// ---------------------------------------------------------------------------
// One object name

GLuint gl_CreateBuffer() {
    GLuint name = 0;
    gl_EntryPoints.glGenBuffers(1, &name);
    return name;
}

GLuint gl_CreateFramebuffer() {
    GLuint name = 0;
    gl_EntryPoints.glGenFramebuffers(1, &name);
    return name;
}

GLuint gl_CreateRenderbuffer() {
    GLuint name = 0;
    gl_EntryPoints.glGenRenderbuffers(1, &name);
    return name;
}

GLuint gl_CreateTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}

void gl_DeleteBuffer(GLuint name) { gl_EntryPoints.glDeleteBuffers(1, &name); }
void gl_DeleteFramebuffer(GLuint name) { gl_EntryPoints.glDeleteFramebuffers(1, &name); }
void gl_DeleteRenderbuffer(GLuint name) { gl_EntryPoints.glDeleteRenderbuffers(1, &name); }
void gl_DeleteTexture(GLuint name) { glDeleteTextures(1, &name); }

// ---------------------------------------------------------------------------
// Arrays

static_assert(sizeof(bool) == sizeof(GLboolean), "Bool arrays hold GLboolean values");

void gl_GetBooleanv(GLenum parameter, Array<bool> params) {
    if (params.Length() < 1) return;
    glGetBooleanv(parameter, reinterpret_cast<GLboolean *>(params.Data()));
}

void gl_GetFloatv(GLenum parameter, Array<float> params) {
    if (params.Length() < 1) return;
    glGetFloatv(parameter, params.Data());
}

void gl_GetIntegerv(GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    glGetIntegerv(parameter, params.Data());
}

void gl_GetBufferParameteriv(GLenum target, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetBufferParameteriv(target, parameter, params.Data());
}

void gl_GetFramebufferAttachmentParameteriv(GLenum target, GLenum attachment, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetFramebufferAttachmentParameteriv(target, attachment, parameter, params.Data());
}

void gl_GetProgramiv(GLuint program, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetProgramiv(program, parameter, params.Data());
}

void gl_GetRenderbufferParameteriv(GLenum target, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetRenderbufferParameteriv(target, parameter, params.Data());
}

void gl_GetShaderiv(GLuint shader, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetShaderiv(shader, parameter, params.Data());
}

void gl_GetTexParameterfv(GLenum target, GLenum parameter, Array<float> params) {
    if (params.Length() < 1) return;
    glGetTexParameterfv(target, parameter, params.Data());
}

void gl_GetTexParameteriv(GLenum target, GLenum parameter, Array<int> params) {
    if (params.Length() < 1) return;
    glGetTexParameteriv(target, parameter, params.Data());
}

void gl_GetUniformfv(GLuint program, GLint location, Array<float> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetUniformfv(program, location, params.Data());
}

void gl_GetUniformiv(GLuint program, GLint location, Array<int> params) {
    if (params.Length() < 1) return;
    gl_EntryPoints.glGetUniformiv(program, location, params.Data());
}

void gl_GetVertexAttribfv(GLuint index, GLenum parameter, Array<float> params) {
    if (params.Length() < (parameter == GL_CURRENT_VERTEX_ATTRIB ? 4 : 1)) return;
    gl_EntryPoints.glGetVertexAttribfv(index, parameter, params.Data());
}

void gl_GetVertexAttribiv(GLuint index, GLenum parameter, Array<int> params) {
    if (params.Length() < (parameter == GL_CURRENT_VERTEX_ATTRIB ? 4 : 1)) return;
    gl_EntryPoints.glGetVertexAttribiv(index, parameter, params.Data());
}

#define GL_UNIFORM_VECTOR(name, components, elem)                                  \
    void gl_##name(GLint location, GLsizei count, Array<elem> values) {            \
        if (!Holds(values.Length(), count, components)) return;                    \
        gl_EntryPoints.gl##name(location, count, values.Data());                   \
    }
GL_UNIFORM_VECTOR(Uniform1fv, 1, float)
GL_UNIFORM_VECTOR(Uniform1iv, 1, int)
GL_UNIFORM_VECTOR(Uniform2fv, 2, float)
GL_UNIFORM_VECTOR(Uniform2iv, 2, int)
GL_UNIFORM_VECTOR(Uniform3fv, 3, float)
GL_UNIFORM_VECTOR(Uniform3iv, 3, int)
GL_UNIFORM_VECTOR(Uniform4fv, 4, float)
GL_UNIFORM_VECTOR(Uniform4iv, 4, int)
#undef GL_UNIFORM_VECTOR

#define GL_UNIFORM_MATRIX(name, components)                                                      \
    void gl_##name(GLint location, GLsizei count, bool transpose, Array<float> values) {         \
        if (!Holds(values.Length(), count, components)) return;                                  \
        gl_EntryPoints.gl##name(location, count, transpose ? GL_TRUE : GL_FALSE, values.Data()); \
    }
GL_UNIFORM_MATRIX(UniformMatrix2fv, 4)
GL_UNIFORM_MATRIX(UniformMatrix3fv, 9)
GL_UNIFORM_MATRIX(UniformMatrix4fv, 16)
#undef GL_UNIFORM_MATRIX

#define GL_VERTEX_ATTRIB(name, components)                       \
    void gl_##name(GLuint index, Array<float> values) {          \
        if (values.Length() < components) return;                \
        gl_EntryPoints.gl##name(index, values.Data());           \
    }
GL_VERTEX_ATTRIB(VertexAttrib1fv, 1)
GL_VERTEX_ATTRIB(VertexAttrib2fv, 2)
GL_VERTEX_ATTRIB(VertexAttrib3fv, 3)
GL_VERTEX_ATTRIB(VertexAttrib4fv, 4)
#undef GL_VERTEX_ATTRIB

// ---------------------------------------------------------------------------
// Single-precision depth

void gl_ClearDepthf(float depth) { glClearDepth(static_cast<double>(depth)); }

void gl_DepthRangef(float nearValue, float farValue) {
    glDepthRange(static_cast<double>(nearValue), static_cast<double>(farValue));
}

// ---------------------------------------------------------------------------
// String arguments

void gl_BindAttribLocation(GLuint program, GLuint index, String name) {
    String::CString text(name);
    gl_EntryPoints.glBindAttribLocation(program, index, text);
}

GLint gl_GetAttribLocation(GLuint program, String name) {
    String::CString text(name);
    return gl_EntryPoints.glGetAttribLocation(program, text);
}

GLint gl_GetUniformLocation(GLuint program, String name) {
    String::CString text(name);
    return gl_EntryPoints.glGetUniformLocation(program, text);
}

void gl_ShaderSource(GLuint shader, String source) {
    String::CString text(source);
    const GLchar *strings[1] = {text.c_str()};
    gl_EntryPoints.glShaderSource(shader, 1, strings, nullptr);
}

// ---------------------------------------------------------------------------
// String results

String gl_GetString(GLenum parameter) {
    const GLubyte *s = glGetString(parameter);
    return s ? FromBytes(reinterpret_cast<const char *>(s)) : String();
}

String gl_GetProgramInfoLog(GLuint program) {
    return FetchText(program, GL_INFO_LOG_LENGTH, gl_EntryPoints.glGetProgramiv, gl_EntryPoints.glGetProgramInfoLog);
}

String gl_GetShaderInfoLog(GLuint shader) {
    return FetchText(shader, GL_INFO_LOG_LENGTH, gl_EntryPoints.glGetShaderiv, gl_EntryPoints.glGetShaderInfoLog);
}

String gl_GetShaderSource(GLuint shader) {
    return FetchText(shader, GL_SHADER_SOURCE_LENGTH, gl_EntryPoints.glGetShaderiv, gl_EntryPoints.glGetShaderSource);
}

// ---------------------------------------------------------------------------
// Active variables and attached shaders

void gl_GetActiveAttrib(GLuint program, GLuint index, Array<int> size, Array<int> type, Array<String> name) {
    GetActive(gl_EntryPoints.glGetActiveAttrib, program, index, size, type, name);
}

void gl_GetActiveUniform(GLuint program, GLuint index, Array<int> size, Array<int> type, Array<String> name) {
    GetActive(gl_EntryPoints.glGetActiveUniform, program, index, size, type, name);
}

void gl_GetAttachedShaders(GLuint program, int mostWanted, Array<int> count, Array<int> shaders) {
    constexpr int kRoom = 32;
    GLuint names[kRoom];
    GLsizei found = 0;
    gl_EntryPoints.glGetAttachedShaders(program, kRoom, &found, names);
    if (count.Length() > 0) count[0] = found;
    int n = mostWanted;
    if (found < n) n = found;
    if (kRoom < n) n = kRoom;
    if (shaders.Length() < n) n = shaders.Length();
    for (int i = 0; i < n; ++i) shaders[i] = static_cast<int>(names[i]);
}

// ---------------------------------------------------------------------------
// Binding save and restore

void gl_PushTexture2d(GLuint texture) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &SavedBinding());
    glBindTexture(GL_TEXTURE_2D, texture);
}

void gl_PopTexture2d() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(SavedBinding())); }

void gl_PushFramebuffer(GLuint framebuffer) {
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &SavedBinding());
    gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void gl_PopFramebuffer() { gl_EntryPoints.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(SavedBinding())); }

// ---------------------------------------------------------------------------
// Image data

void gl_TexImage2DFromFile(GLenum target, GLint level, GLint internalFormat, GLenum format, GLenum type, String path) {
    Array<int> size(2);
    c_DataBuffer *pixels = gl_LoadImageData(path, size);
    if (!pixels) return;
    glTexImage2D(target, level, internalFormat, size[0], size[1], 0, format, type, pixels->data);
}
