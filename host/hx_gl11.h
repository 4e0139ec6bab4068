// The OpenGL 1.1 functions the renderer calls, reached through one table
// as the later entry points are (gl_EntryPoints), so that tests can put a
// recording fake GL in both. The table starts out holding the system GL
// library's functions.
#pragma once

#include <GL/gl.h>

#define GL11_FUNCTION_LIST(X)                                                                             \
    X(glBindTexture, void, (GLenum target, GLuint texture))                                               \
    X(glBlendFunc, void, (GLenum sfactor, GLenum dfactor))                                                \
    X(glClear, void, (GLbitfield mask))                                                                   \
    X(glClearColor, void, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                                   \
    X(glColorMask, void, (GLboolean r, GLboolean g, GLboolean b, GLboolean a))                            \
    X(glDeleteTextures, void, (GLsizei n, const GLuint *textures))                                        \
    X(glDepthMask, void, (GLboolean flag))                                                                \
    X(glDisable, void, (GLenum cap))                                                                      \
    X(glDrawArrays, void, (GLenum mode, GLint first, GLsizei count))                                      \
    X(glDrawElements, void, (GLenum mode, GLsizei count, GLenum type, const void *indices))               \
    X(glEnable, void, (GLenum cap))                                                                       \
    X(glFinish, void, ())                                                                                 \
    X(glFlush, void, ())                                                                                  \
    X(glGenTextures, void, (GLsizei n, GLuint * textures))                                                \
    X(glGetError, GLenum, ())                                                                             \
    X(glGetIntegerv, void, (GLenum pname, GLint * params))                                                \
    X(glGetString, const GLubyte *, (GLenum name))                                                        \
    X(glGetTexImage, void, (GLenum target, GLint level, GLenum format, GLenum type, void *pixels))        \
    X(glLineWidth, void, (GLfloat width))                                                                 \
    X(glPixelStorei, void, (GLenum pname, GLint param))                                                   \
    X(glReadPixels, void, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void *px)) \
    X(glScissor, void, (GLint x, GLint y, GLsizei w, GLsizei h))                                          \
    X(glTexImage2D, void,                                                                                 \
      (GLenum target, GLint level, GLint internalformat, GLsizei w, GLsizei h, GLint border, GLenum format, \
       GLenum type, const void *pixels))                                                                  \
    X(glTexParameteri, void, (GLenum target, GLenum pname, GLint param))                                  \
    X(glTexSubImage2D, void,                                                                              \
      (GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,     \
       const void *pixels))                                                                               \
    X(glViewport, void, (GLint x, GLint y, GLsizei w, GLsizei h))

struct gl11_Table {
#define GL11_MEMBER(name, ret, params) ret(*name) params;
    GL11_FUNCTION_LIST(GL11_MEMBER)
#undef GL11_MEMBER
};

extern gl11_Table gl11;

// Puts the system GL library's functions back into the table.
void gl11_Reset();
