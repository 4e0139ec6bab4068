#include "renderer/rd_buffers.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/hx_game.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_startup.h"

void gfx2_FillQuadIndices(uint16_t *out) {
    for (int j = 0; j < 4; ++j) {
        uint16_t *section = out + j * (gfx2_IndexSectionBytes / 2);
        for (int i = 0; i < gfx2_QuadsPerSection; ++i) {
            const int v = 4 * i + j;
            uint16_t *q = section + i * 6;
            q[0] = static_cast<uint16_t>(v);
            q[1] = static_cast<uint16_t>(v + 1);
            q[2] = static_cast<uint16_t>(v + 2);
            q[3] = static_cast<uint16_t>(v);
            q[4] = static_cast<uint16_t>(v + 2);
            q[5] = static_cast<uint16_t>(v + 3);
        }
    }
}

void gfx2_InitVbos() {
    if (gfx2_BuffersGeneration == host_GLContextSeq) return;
    gfx2_BuffersGeneration = host_GLContextSeq;

    GLuint name = 0;
    gl_EntryPoints.glGenBuffers(1, &name);
    gfx2_VertexBuffer = name;
    gl_EntryPoints.glBindBuffer(GL_ARRAY_BUFFER, gfx2_VertexBuffer);
    gl_EntryPoints.glBufferData(GL_ARRAY_BUFFER, gfx2_VertexBufferBytes, nullptr, GL_STREAM_DRAW);
    // Position, Texcoord0, Tangent: two floats each; Color: four bytes.
    struct Attrib {
        GLint size;
        GLenum type;
        GLboolean normalised;
        intptr_t offset;
    } const attribs[4] = {
        {2, GL_FLOAT, GL_FALSE, 0}, {2, GL_FLOAT, GL_FALSE, 8}, {2, GL_FLOAT, GL_FALSE, 16}, {4, GL_UNSIGNED_BYTE, GL_TRUE, 24}};
    for (GLuint i = 0; i < 4; ++i) {
        gl_EntryPoints.glEnableVertexAttribArray(i);
        gl_EntryPoints.glVertexAttribPointer(i, attribs[i].size, attribs[i].type, attribs[i].normalised, gfx2_VertexBytes,
                                             reinterpret_cast<const void *>(attribs[i].offset));
    }

    gl_EntryPoints.glGenBuffers(1, &name);
    gfx2_IndexBuffer = name;
    gl_EntryPoints.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gfx2_IndexBuffer);
    std::vector<uint16_t> indices(gfx2_IndexBufferBytes / 2);
    gfx2_FillQuadIndices(indices.data());
    gl_EntryPoints.glBufferData(GL_ELEMENT_ARRAY_BUFFER, gfx2_IndexBufferBytes, indices.data(), GL_STATIC_DRAW);
}

void gfx2_SetBlendMode(int32_t mode) {
    if (mode == gfx2_BlendModeCache) return;
    gfx2_BlendModeCache = mode;
    switch (mode) {
    case c_BlendMode_Opaque:
        gl11.glDisable(GL_BLEND);
        break;
    case c_BlendMode_Alpha:
        gl11.glEnable(GL_BLEND);
        gl11.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case c_BlendMode_Additive:
        gl11.glEnable(GL_BLEND);
        gl11.glBlendFunc(GL_ONE, GL_ONE);
        break;
    case c_BlendMode_Multiply:
        gl11.glEnable(GL_BLEND);
        gl11.glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case c_BlendMode_MultiplyOpaque:
        gl11.glEnable(GL_BLEND);
        gl11.glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
    case c_BlendMode_AlphaWrite:
        gl11.glEnable(GL_BLEND);
        gl_EntryPoints.glBlendFuncSeparate(GL_ZERO, GL_ONE, GL_ONE, GL_ZERO);
        break;
    case c_BlendMode_StraightAlpha:
        gl11.glEnable(GL_BLEND);
        gl11.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case c_BlendMode_AlphaMask:
        gl11.glEnable(GL_BLEND);
        gl_EntryPoints.glBlendFuncSeparate(GL_ZERO, GL_SRC_ALPHA, GL_ONE, GL_ZERO);
        gl_EntryPoints.glBlendEquation(GL_FUNC_ADD);
        break;
    default:
        break;
    }
}
