// The renderer's global state. One set of GL resources serves every canvas
// and draw list; these are its globals with their first values. The
// program's globals initialiser calls gfx2_InitGlobals and its roots
// function gfx2_MarkGlobals (both in rd_startup.cpp).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_map.h"
#include "runtime/rt_stack.h"
#include "runtime/rt_string.h"

class c_Shader;
class c_Font2;
class c_Texture;
class c_Canvas;
class c_GLProgram;
class c_Material;
class c_DrawOp;

// Every global is one line of one of the lists below; the lists make their
// declarations, definitions, first values, roots and the tests' reset. A
// line is X(type, name, first value...), the first value written as the
// contents of a brace initialiser (empty for zeros). The lists are
// multi-line macros, so notes inside them use /* */.
//
// Plain globals: numbers, fixed arrays and Strings, which the collector
// does not trace. The definitions carry the first values
// (constant-initialised, so they hold before any static initialiser runs);
// gfx2_ResetPlainGlobals puts them back.
#define GFX2_PLAIN_GLOBALS(X) \
    X(bool, gfx2_Started, false) \
    X(int32_t, gfx2_BuffersGeneration, 0) \
    X(uint32_t, gfx2_VertexBuffer, 0) \
    X(uint32_t, gfx2_IndexBuffer, 0) \
    X(uint32_t, gfx2_WindowFramebuffer, 0) \
    X(String, gfx2_ProgramTemplate) \
    X(float[16], gfx2_FlipMatrix, GFX2_IDENTITY_4X4) \
    X(int32_t, gfx2_LightCount, 0) \
    X(float[16], gfx2_ModelViewProjection, GFX2_IDENTITY_4X4) \
    X(float[16], gfx2_ModelView, GFX2_IDENTITY_4X4) \
    X(float[4], gfx2_ClipPosScale, 1, 1, 1, 1) \
    X(float[4], gfx2_GlobalColor, 1, 1, 1, 1) \
    X(float[4], gfx2_FogColor, 0, 0, 0, 0) \
    X(float[4], gfx2_AmbientLight, 0, 0, 0, 1) \
    X(float[16], gfx2_LightColors) \
    X(float[16], gfx2_LightVectors) \
    X(int32_t, gfx2_BlendModeCache, -1) \
    X(float[16], gfx2_ProjectionScratch, GFX2_IDENTITY_4X4) \
    /* Scratch space for values read back with glGetIntegerv. */ \
    X(int32_t[16], gfx2_QueryScratch) \
    X(int32_t[16], gfx2_StatusScratch) \
    /* The texture flags an image load may pass on (rd_image.h): Filter + \
       Mipmap + Managed. The game writes it directly. */ \
    X(int32_t, ImageFlagsMask, 259)

// Object references: gc_ref<type>, null until gfx2_InitGlobals stores the
// first value, enqueued by gfx2_MarkGlobals. The first values are made in
// list order.
#define GFX2_OBJECT_GLOBALS(X) \
    X(c_Shader, gfx2_FastShader, nullptr) \
    X(c_Shader, gfx2_BumpShader, nullptr) \
    X(c_Shader, gfx2_MatteShader, nullptr) \
    X(c_Shader, gfx2_ShadowShader, nullptr) \
    X(c_Shader, gfx2_LightmapShader, nullptr) \
    X(c_Shader, gfx2_DefaultShader, nullptr) \
    X(c_Font2, gfx2_DefaultFont, nullptr) \
    X(c_IntMap4, gfx2_ColorTextureCache, gc_New<c_IntMap4>()->m_new()) \
    X(c_Texture, gfx2_WhiteTexture, nullptr) \
    X(c_Texture, gfx2_BlackTexture, nullptr) \
    X(c_Texture, gfx2_GreyTexture, nullptr) \
    X(c_Canvas, gfx2_CurrentCanvas, nullptr) \
    X(c_GLProgram, gfx2_BoundProgram, nullptr) \
    X(c_Material, gfx2_BoundMaterial, nullptr) \
    X(c_Texture, gfx2_ShadowTexture, nullptr) \
    X(c_Stack5, gfx2_OpPool, gc_New<c_Stack5>()->m_new()) \
    X(c_DrawOp, gfx2_NoOp, gc_New<c_DrawOp>()->m_new())

// Collected arrays: ArrayField<element type>, handled like the object
// references. The renderer has none; the list keeps the pattern whole.
#define GFX2_ARRAY_GLOBALS(X)

#define GFX2_IDENTITY_4X4 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1

// What each kind of line becomes. A program's own globals copy these with
// their own prefix.
#define GFX2_DECLARE_PLAIN(type, name, ...) extern std::type_identity_t<type> name;
#define GFX2_DEFINE_PLAIN(type, name, ...) std::type_identity_t<type> name{__VA_ARGS__};
#define GFX2_RESET_PLAIN(type, name, ...) gfx2_SetFirstValue(name, std::type_identity_t<type>{__VA_ARGS__});
#define GFX2_DECLARE_OBJECT(type, name, ...) extern gc_ref<type> name;
#define GFX2_DEFINE_OBJECT(type, name, ...) gc_ref<type> name;
#define GFX2_DECLARE_ARRAY(type, name, ...) extern ArrayField<type> name;
#define GFX2_DEFINE_ARRAY(type, name, ...) ArrayField<type> name;
// Object references and arrays alike get their first value and are
// enqueued; the tests' reset lets go of them.
#define GFX2_INIT_COLLECTED(type, name, ...) name = __VA_ARGS__;
#define GFX2_MARK_COLLECTED(type, name, ...) gc_Enqueue(name);
#define GFX2_CLEAR_OBJECT(type, name, ...) name = nullptr;
#define GFX2_CLEAR_ARRAY(type, name, ...) name = Array<type>();

GFX2_PLAIN_GLOBALS(GFX2_DECLARE_PLAIN)
GFX2_OBJECT_GLOBALS(GFX2_DECLARE_OBJECT)
GFX2_ARRAY_GLOBALS(GFX2_DECLARE_ARRAY)

// A plain global back to its first value (arrays element by element).
template <class T>
void gfx2_SetFirstValue(T &global, const T &first) {
    global = first;
}
template <class T, std::size_t N>
void gfx2_SetFirstValue(T (&global)[N], const T (&first)[N]) {
    std::copy(first, first + N, global);
}

// The shared buffers' layout.
constexpr int gfx2_VertexBytes = 28;
constexpr int gfx2_VertexBufferBytes = 65520;  // 2340 vertices
constexpr int gfx2_VertexBufferVertices = gfx2_VertexBufferBytes / gfx2_VertexBytes;
constexpr int gfx2_QuadsPerSection = 585;
constexpr int gfx2_IndexSectionBytes = 7020;  // 3510 indices
constexpr int gfx2_IndexBufferBytes = 4 * gfx2_IndexSectionBytes;

// Blend modes (c_BlendMode's constants).
enum : int32_t {
    c_BlendMode_Opaque = 0,
    c_BlendMode_Alpha = 1,
    c_BlendMode_Additive = 2,
    c_BlendMode_Multiply = 3,
    c_BlendMode_MultiplyOpaque = 4,
    c_BlendMode_AlphaWrite = 5,
    c_BlendMode_StraightAlpha = 6,
    c_BlendMode_AlphaMask = 7,
};

// Puts every plain global back to its first value (the collected ones are
// made by gfx2_InitGlobals).
void gfx2_ResetPlainGlobals();
