// OpenGL for the renderer: the table of entry points fetched from the
// driver, the shared query array and the thin wrappers that adapt Strings,
// arrays and data buffers to GL's C interface.
//
// How GL is reached. Every GL call of the renderer goes through one of two
// tables, so that tests can put a recording fake GL in both:
//   - `gl_EntryPoints` (below) for everything newer than OpenGL 1.1;
//     gl_LoadEntryPoints fills it from the current context after every
//     window creation, and callers use the members directly, e.g.
//     `gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, name)`;
//   - `gl11` (host/hx_gl11.h) for the OpenGL 1.1 functions; it starts out
//     holding the system GL library's own.
// The wrappers below reach the newer functions through gl_EntryPoints as
// well. Those built on OpenGL 1.1 functions call the system's GL library
// directly, outside both tables: gl_TexImage2D, gl_TexSubImage2D,
// gl_TexImage2DFromFile, gl_DrawElements, gl_DrawElementsData,
// gl_ReadPixels, gl_CreateTexture, gl_DeleteTexture, gl_GetBooleanv,
// gl_GetFloatv, gl_GetIntegerv, gl_GetTexParameterfv, gl_GetTexParameteriv,
// gl_ClearDepthf, gl_DepthRangef, gl_GetString, gl_HasVersion and the push
// and pop helpers. They serve the older graphics layer, the window and the
// program; the renderer calls none of them.
//
// The wrappers report no errors of their own and never query GL errors.
// Where they hand GL storage of their own making (logs, names) they bound
// it; where they hand GL a caller's array or data buffer they refuse
// (do nothing) when the storage is plainly too small for what GL would
// read or write, as far as that can be told from the arguments alone.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>

#include "host/hx_databuffer.h"
#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

// The fetched entry points, in table order: X(pointer type, GL name).
#define GL_ENTRY_POINT_LIST(X) \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture) \
    X(PFNGLATTACHSHADERPROC, glAttachShader) \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation) \
    X(PFNGLBINDBUFFERPROC, glBindBuffer) \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer) \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer) \
    X(PFNGLBLENDCOLORPROC, glBlendColor) \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation) \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate) \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate) \
    X(PFNGLBUFFERDATAPROC, glBufferData) \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData) \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus) \
    X(PFNGLCLEARDEPTHFPROC, glClearDepthf) \
    X(PFNGLCOMPILESHADERPROC, glCompileShader) \
    X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, glCompressedTexImage2D) \
    X(PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC, glCompressedTexSubImage2D) \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram) \
    X(PFNGLCREATESHADERPROC, glCreateShader) \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers) \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers) \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram) \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers) \
    X(PFNGLDELETESHADERPROC, glDeleteShader) \
    X(PFNGLDEPTHRANGEFPROC, glDepthRangef) \
    X(PFNGLDETACHSHADERPROC, glDetachShader) \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray) \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray) \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer) \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D) \
    X(PFNGLGENBUFFERSPROC, glGenBuffers) \
    X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap) \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers) \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers) \
    X(PFNGLGETACTIVEATTRIBPROC, glGetActiveAttrib) \
    X(PFNGLGETACTIVEUNIFORMPROC, glGetActiveUniform) \
    X(PFNGLGETATTACHEDSHADERSPROC, glGetAttachedShaders) \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation) \
    X(PFNGLGETBUFFERPARAMETERIVPROC, glGetBufferParameteriv) \
    X(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC, glGetFramebufferAttachmentParameteriv) \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv) \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog) \
    X(PFNGLGETRENDERBUFFERPARAMETERIVPROC, glGetRenderbufferParameteriv) \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv) \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog) \
    X(PFNGLGETSHADERPRECISIONFORMATPROC, glGetShaderPrecisionFormat) \
    X(PFNGLGETSHADERSOURCEPROC, glGetShaderSource) \
    X(PFNGLGETUNIFORMFVPROC, glGetUniformfv) \
    X(PFNGLGETUNIFORMIVPROC, glGetUniformiv) \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation) \
    X(PFNGLGETVERTEXATTRIBFVPROC, glGetVertexAttribfv) \
    X(PFNGLGETVERTEXATTRIBIVPROC, glGetVertexAttribiv) \
    X(PFNGLGETVERTEXATTRIBPOINTERVPROC, glGetVertexAttribPointerv) \
    X(PFNGLISBUFFERPROC, glIsBuffer) \
    X(PFNGLISFRAMEBUFFERPROC, glIsFramebuffer) \
    X(PFNGLISPROGRAMPROC, glIsProgram) \
    X(PFNGLISRENDERBUFFERPROC, glIsRenderbuffer) \
    X(PFNGLISSHADERPROC, glIsShader) \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram) \
    X(PFNGLRELEASESHADERCOMPILERPROC, glReleaseShaderCompiler) \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage) \
    X(PFNGLSAMPLECOVERAGEPROC, glSampleCoverage) \
    X(PFNGLSHADERBINARYPROC, glShaderBinary) \
    X(PFNGLSHADERSOURCEPROC, glShaderSource) \
    X(PFNGLSTENCILFUNCSEPARATEPROC, glStencilFuncSeparate) \
    X(PFNGLSTENCILMASKSEPARATEPROC, glStencilMaskSeparate) \
    X(PFNGLSTENCILOPSEPARATEPROC, glStencilOpSeparate) \
    X(PFNGLUNIFORM1FPROC, glUniform1f) \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv) \
    X(PFNGLUNIFORM1IPROC, glUniform1i) \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv) \
    X(PFNGLUNIFORM2FPROC, glUniform2f) \
    X(PFNGLUNIFORM2FVPROC, glUniform2fv) \
    X(PFNGLUNIFORM2IPROC, glUniform2i) \
    X(PFNGLUNIFORM2IVPROC, glUniform2iv) \
    X(PFNGLUNIFORM3FPROC, glUniform3f) \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv) \
    X(PFNGLUNIFORM3IPROC, glUniform3i) \
    X(PFNGLUNIFORM3IVPROC, glUniform3iv) \
    X(PFNGLUNIFORM4FPROC, glUniform4f) \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv) \
    X(PFNGLUNIFORM4IPROC, glUniform4i) \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv) \
    X(PFNGLUNIFORMMATRIX2FVPROC, glUniformMatrix2fv) \
    X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv) \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv) \
    X(PFNGLUSEPROGRAMPROC, glUseProgram) \
    X(PFNGLVALIDATEPROGRAMPROC, glValidateProgram) \
    X(PFNGLVERTEXATTRIB1FPROC, glVertexAttrib1f) \
    X(PFNGLVERTEXATTRIB1FVPROC, glVertexAttrib1fv) \
    X(PFNGLVERTEXATTRIB2FPROC, glVertexAttrib2f) \
    X(PFNGLVERTEXATTRIB2FVPROC, glVertexAttrib2fv) \
    X(PFNGLVERTEXATTRIB3FPROC, glVertexAttrib3f) \
    X(PFNGLVERTEXATTRIB3FVPROC, glVertexAttrib3fv) \
    X(PFNGLVERTEXATTRIB4FPROC, glVertexAttrib4f) \
    X(PFNGLVERTEXATTRIB4FVPROC, glVertexAttrib4fv) \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)

// The entries the renderer and the wrappers it uses call: a context must
// offer all of them.
#define GL_REQUIRED_ENTRY_POINT_LIST(X) \
    X(glActiveTexture) \
    X(glAttachShader) \
    X(glBindAttribLocation) \
    X(glBindBuffer) \
    X(glBindFramebuffer) \
    X(glBlendEquation) \
    X(glBlendFuncSeparate) \
    X(glBufferData) \
    X(glBufferSubData) \
    X(glCheckFramebufferStatus) \
    X(glCompileShader) \
    X(glCreateProgram) \
    X(glCreateShader) \
    X(glDeleteFramebuffers) \
    X(glDeleteShader) \
    X(glEnableVertexAttribArray) \
    X(glFramebufferTexture2D) \
    X(glGenBuffers) \
    X(glGenerateMipmap) \
    X(glGenFramebuffers) \
    X(glGetActiveUniform) \
    X(glGetProgramiv) \
    X(glGetProgramInfoLog) \
    X(glGetShaderiv) \
    X(glGetShaderInfoLog) \
    X(glGetUniformLocation) \
    X(glLinkProgram) \
    X(glShaderSource) \
    X(glUniform1f) \
    X(glUniform1i) \
    X(glUniform4fv) \
    X(glUniformMatrix4fv) \
    X(glUseProgram) \
    X(glVertexAttribPointer)

constexpr int gl_EntryPointCount = 97;

// One member per entry point, named like the GL function.
struct gl_EntryPointTable {
#define GL_ENTRY_POINT_MEMBER(type, name) type name;
    GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_MEMBER)
#undef GL_ENTRY_POINT_MEMBER
};
static_assert(sizeof(gl_EntryPointTable) == gl_EntryPointCount * sizeof(void *),
              "the entry point table is 97 pointers without padding");

// All null until the first gl_LoadEntryPoints.
extern gl_EntryPointTable gl_EntryPoints;
// The GL names, in table order.
extern const char *const gl_EntryPointNames[gl_EntryPointCount];

// Looks every name up, in table order, for the current context and stores
// what the lookup gave (null included). Checks nothing.
void gl_LoadEntryPoints();
// The table as 97 untyped pointers, in table order.
std::array<void *, gl_EntryPointCount> gl_EntryPointValues();
// True when every entry the system calls is present. Otherwise false, with
// the first missing one's name (in table order) in *missing when given.
bool gl_CheckRequiredEntryPoints(const char **missing = nullptr);
// True when the current context's GL_VERSION is at least major.minor
// (false without a context).
bool gl_HasVersion(int major, int minor);

// 16 integers into which GL queries write; element 0 holds the binding
// saved by the push helpers below (and by the renderer's own saves).
extern ArrayField<int> gl_QueryInts;
// Makes gl_QueryInts (zero-filled); called by the program's globals
// initialiser.
void gl_InitGlobals();
// Enqueues gl_QueryInts; the program's roots function calls it.
void gl_MarkGlobals();

// --- Data-buffer pointers: GL gets the block address plus the offset. ---
// Those taking an offset do nothing when it lies outside the block or when
// no buffer (or one without a block) is given.
// The three pixel transfers also do nothing when the block, from the
// offset on, is shorter than the rectangle as GL lays it out with the
// current pixel-store state (row length, skipped rows and pixels, rows
// padded to the alignment), or when the format or type is one they do not
// know the size of.
// A null buffer passes no data (GL allocates only).
void gl_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                   GLenum format, GLenum type, c_DataBuffer *data);
void gl_TexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLsizei width, GLsizei height,
                      GLenum format, GLenum type, c_DataBuffer *data, int offset);
// A null buffer passes no data; a buffer shorter than `size` does nothing.
void gl_BufferData(GLenum target, int size, c_DataBuffer *data, GLenum usage);
// Nothing when fewer than `size` bytes follow `offset` in the buffer.
void gl_BufferSubData(GLenum target, int bufferOffset, int size, c_DataBuffer *data, int offset);
// Nothing when fewer than count indices of `type` follow `offset`.
void gl_DrawElementsData(GLenum mode, GLsizei count, GLenum type, c_DataBuffer *data, int offset);
void gl_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, c_DataBuffer *data,
                   int offset);
void gl_VertexAttribPointerData(GLuint index, GLint size, GLenum type, bool normalized, GLsizei stride,
                                c_DataBuffer *data, int offset);

// --- Offsets into the bound buffer objects, passed as the pointer value. ---
void gl_DrawElements(GLenum mode, GLsizei count, GLenum type, int offset);
void gl_VertexAttribPointer(GLuint index, GLint size, GLenum type, bool normalized, GLsizei stride, int offset);

// --- One object name. ---
GLuint gl_CreateBuffer();
GLuint gl_CreateFramebuffer();
GLuint gl_CreateRenderbuffer();
GLuint gl_CreateTexture();
void gl_DeleteBuffer(GLuint name);
void gl_DeleteFramebuffer(GLuint name);
void gl_DeleteRenderbuffer(GLuint name);
void gl_DeleteTexture(GLuint name);

// --- Arrays: the element storage itself goes to GL. ---
// Getters do nothing with an empty array; beyond that the array must hold
// as many elements as the query writes.
void gl_GetBooleanv(GLenum parameter, Array<bool> params);
void gl_GetFloatv(GLenum parameter, Array<float> params);
void gl_GetIntegerv(GLenum parameter, Array<int> params);
void gl_GetBufferParameteriv(GLenum target, GLenum parameter, Array<int> params);
void gl_GetFramebufferAttachmentParameteriv(GLenum target, GLenum attachment, GLenum parameter, Array<int> params);
void gl_GetProgramiv(GLuint program, GLenum parameter, Array<int> params);
void gl_GetRenderbufferParameteriv(GLenum target, GLenum parameter, Array<int> params);
void gl_GetShaderiv(GLuint shader, GLenum parameter, Array<int> params);
void gl_GetTexParameterfv(GLenum target, GLenum parameter, Array<float> params);
void gl_GetTexParameteriv(GLenum target, GLenum parameter, Array<int> params);
void gl_GetUniformfv(GLuint program, GLint location, Array<float> params);
void gl_GetUniformiv(GLuint program, GLint location, Array<int> params);
// GL_CURRENT_VERTEX_ATTRIB writes four values: a shorter array does nothing.
void gl_GetVertexAttribfv(GLuint index, GLenum parameter, Array<float> params);
void gl_GetVertexAttribiv(GLuint index, GLenum parameter, Array<int> params);
// Setters do nothing when the array holds fewer than count x components
// elements.
void gl_Uniform1fv(GLint location, GLsizei count, Array<float> values);
void gl_Uniform1iv(GLint location, GLsizei count, Array<int> values);
void gl_Uniform2fv(GLint location, GLsizei count, Array<float> values);
void gl_Uniform2iv(GLint location, GLsizei count, Array<int> values);
void gl_Uniform3fv(GLint location, GLsizei count, Array<float> values);
void gl_Uniform3iv(GLint location, GLsizei count, Array<int> values);
void gl_Uniform4fv(GLint location, GLsizei count, Array<float> values);
void gl_Uniform4iv(GLint location, GLsizei count, Array<int> values);
void gl_UniformMatrix2fv(GLint location, GLsizei count, bool transpose, Array<float> values);
void gl_UniformMatrix3fv(GLint location, GLsizei count, bool transpose, Array<float> values);
void gl_UniformMatrix4fv(GLint location, GLsizei count, bool transpose, Array<float> values);
void gl_VertexAttrib1fv(GLuint index, Array<float> values);
void gl_VertexAttrib2fv(GLuint index, Array<float> values);
void gl_VertexAttrib3fv(GLuint index, Array<float> values);
void gl_VertexAttrib4fv(GLuint index, Array<float> values);

// --- Single-precision depth, through the GL 1.1 double versions. ---
void gl_ClearDepthf(float depth);
void gl_DepthRangef(float nearValue, float farValue);

// --- String arguments: one byte per unit (its low 8 bits), NUL-terminated. ---
void gl_BindAttribLocation(GLuint program, GLuint index, String name);
GLint gl_GetAttribLocation(GLuint program, String name);
// -1 when the program has no active uniform of that name.
GLint gl_GetUniformLocation(GLuint program, String name);
// One string, no length array.
void gl_ShaderSource(GLuint shader, String source);

// --- String results: each byte widened as a signed 8-bit value. ---
// "" for a null answer.
String gl_GetString(GLenum parameter);
// "" when the reported length is 0, negative or too large to allocate.
String gl_GetProgramInfoLog(GLuint program);
String gl_GetShaderInfoLog(GLuint shader);
String gl_GetShaderSource(GLuint shader);

// --- Active variables: size, type and name (at most 1023 bytes) into the
// first element of each array that is not empty. ---
void gl_GetActiveAttrib(GLuint program, GLuint index, Array<int> size, Array<int> type, Array<String> name);
void gl_GetActiveUniform(GLuint program, GLuint index, Array<int> size, Array<int> type, Array<String> name);

// --- Attached shaders: the count into count[0]; the first n names into
// `shaders`, n the smallest of mostWanted, the count, 32 and the array's
// length. ---
void gl_GetAttachedShaders(GLuint program, int mostWanted, Array<int> count, Array<int> shaders);

// --- Binding save and restore. One saved value, gl_QueryInts[0], for all
// four: pushes do not nest, and a pop binds whatever that element holds. ---
void gl_PushTexture2d(GLuint texture);
void gl_PopTexture2d();
void gl_PushFramebuffer(GLuint framebuffer);
void gl_PopFramebuffer();

// --- Image data: the file as RGBA bytes into the bound texture, through
// gl_LoadImageData (host/hx_image.h); nothing when it does not load. ---
void gl_TexImage2DFromFile(GLenum target, GLint level, GLint internalFormat, GLenum format, GLenum type, String path);
