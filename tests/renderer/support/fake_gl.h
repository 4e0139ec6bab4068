// A recording fake GL for renderer unit tests that need no GL context.
//
// FakeGl::Install() saves both function tables (gl_EntryPoints, all 97
// entries, and gl11, every function of GL11_FUNCTION_LIST), fills them with
// recording functions and resets the fake's state; FakeGl::Uninstall() puts
// the saved tables back. Install in SetUp, Uninstall in TearDown.
//
// The log
//   Every call appends one line. GL enums print by name, everything else
//   in decimal, e.g.
//     "glBindTexture(GL_TEXTURE_2D, 1)"
//     "glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA)"   (GL_ZERO, GL_ONE)
//     "glClear(GL_COLOR_BUFFER_BIT)"                (bits joined by " | ")
//     "glGenTextures(1) -> 1"                       (names made: "-> 4, 5")
//     "glDeleteTextures(1, [1])"
//     "glGetIntegerv(GL_TEXTURE_BINDING_2D) -> 1"   (the values written)
//     "glGetError() -> GL_NO_ERROR"
//     "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, data)"   (or null)
//     "glGetUniformLocation(3, \"ColorTexture\") -> 0"
//     "glUniform4fv(1, 1, [1, 0.5, 0, 1])"          (floats as %g)
//     "glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 28, 24)"   (offset as a number)
//     "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, 14052)"      (offset as a number)
//   Which arguments are enums is listed per function in fake_gl.cpp
//   (kArgKinds); GLboolean arguments print GL_TRUE / GL_FALSE. An enum
//   value without a name in the fake's table prints in hex ("0x1234").
//   Other pointer arguments print as "data" or "null", C strings quoted.
//   Log(), ClearLog(), Count("glDeleteTextures") (calls of one function),
//   Calls("glTexImage2D") (that function's lines), Text() (all lines, each
//   ending in "\n").
//
// Simulated state
//   - Names: glGen* and glCreate* hand out 1, 2, 3, ... per kind: textures,
//     buffers, framebuffers, renderbuffers; shaders and programs share one
//     counter, as in GL (so two shaders and then a program are 1, 2 and 3).
//   - Bindings: glGetIntegerv answers what the fake has seen:
//     GL_TEXTURE_BINDING_2D (per texture unit, glActiveTexture),
//     GL_ACTIVE_TEXTURE, GL_ARRAY_BUFFER_BINDING,
//     GL_ELEMENT_ARRAY_BUFFER_BINDING, GL_FRAMEBUFFER_BINDING (also the
//     draw and read bindings), GL_RENDERBUFFER_BINDING, GL_CURRENT_PROGRAM,
//     GL_VIEWPORT and GL_SCISSOR_BOX; SetIntegers(pname, {...}) scripts any
//     other query (or overrides one); an unknown query writes 0.
//   - Texture images: glTexImage2D / glTexSubImage2D keep the bytes given
//     for the bound texture (RGBA or other 1-4 byte formats of
//     GL_UNSIGNED_BYTE); Image(name) returns them. glGetTexImage copies
//     them back out. glReadPixels fills with SetReadPixel(rgba word,
//     least significant byte red).
//   - Buffers: glBufferData / glBufferSubData keep the bound buffer's bytes;
//     BufferBytes(name) returns them.
//   - Shaders: glShaderSource keeps the text (ShaderSource(name)). Compiles
//     and links succeed with an empty log, unless scripted:
//     ScriptCompile(false, "0:1: error") makes the next compile fail with
//     that log (queued: one entry per compile, in order); ScriptLink the
//     same for links. glGetShaderiv / glGetProgramiv answer the status,
//     GL_INFO_LOG_LENGTH (log length + 1, 0 when empty), GL_SHADER_TYPE,
//     GL_ATTACHED_SHADERS, GL_ACTIVE_UNIFORMS, GL_ACTIVE_UNIFORM_MAX_LENGTH.
//   - Uniforms: SetUniforms(program, {{"Name", GL_FLOAT_VEC4, 1}, ...})
//     gives a program its active uniforms; program 0 gives the list of
//     every program without its own. A program has them after a successful
//     link. Locations are the list positions unless a location is given;
//     an array uniform "A[0]" of size n answers "A", "A[0]" .. "A[n-1]"
//     with location + index. glUniform* remember the last values per
//     (current program, location): Uniform(program, location).
//   - Errors: glGetError returns and clears one flag. SetError(code) sets
//     it now; ErrorAfter("glTexImage2D", code) sets it when that function
//     is next called.
//   - glCheckFramebufferStatus answers GL_FRAMEBUFFER_COMPLETE unless
//     SetFramebufferStatus(code) says otherwise.
//   - glGetString answers fixed texts (GL_VERSION "4.5 FakeGl").
// Everything else records its line and returns 0.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <string>
#include <vector>

struct FakeUniform {
    std::string name;
    GLenum type = GL_FLOAT;
    GLint size = 1;
    GLint location = -1;  // -1: the uniform's position in the list
};

struct FakeImage {
    GLsizei width = 0;
    GLsizei height = 0;
    GLenum format = 0;
    bool hasData = false;        // the last full upload carried data
    std::vector<uint8_t> bytes;  // rows from GL row 0
};

class FakeGl {
public:
    static void Install();
    static void Uninstall();
    static bool Installed();

    // The log.
    static const std::vector<std::string> &Log();
    static void ClearLog();
    static int Count(const std::string &function);
    static std::vector<std::string> Calls(const std::string &function);
    static std::string Text();

    // Scripting.
    static void ScriptCompile(bool ok, const std::string &log);
    static void ScriptLink(bool ok, const std::string &log);
    static void SetUniforms(GLuint program, const std::vector<FakeUniform> &uniforms);
    static void SetError(GLenum error);
    static void ErrorAfter(const std::string &function, GLenum error);
    static void SetFramebufferStatus(GLenum status);
    static void SetIntegers(GLenum pname, const std::vector<GLint> &values);
    static void SetReadPixel(uint32_t rgba);

    // State.
    static GLint Integer(GLenum pname);  // as glGetIntegerv would answer, unlogged
    static FakeImage Image(GLuint texture);
    static std::vector<uint8_t> BufferBytes(GLuint buffer);
    static std::string ShaderSource(GLuint shader);
    static std::vector<float> Uniform(GLuint program, GLint location);
};
