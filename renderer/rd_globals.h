// The renderer's global state. One set of GL resources serves every canvas
// and draw list; these are its globals with their first values. The
// program's globals initialiser calls gfx2_InitGlobals and its roots
// function gfx2_MarkGlobals (both in rd_startup.cpp).
#pragma once

#include <cstdint>

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

extern bool gfx2_Started;
extern int32_t gfx2_BuffersGeneration;
extern uint32_t gfx2_VertexBuffer;
extern uint32_t gfx2_IndexBuffer;
extern uint32_t gfx2_WindowFramebuffer;
extern String gfx2_ProgramTemplate;
extern gc_ref<c_Shader> gfx2_FastShader;
extern gc_ref<c_Shader> gfx2_BumpShader;
extern gc_ref<c_Shader> gfx2_MatteShader;
extern gc_ref<c_Shader> gfx2_ShadowShader;
extern gc_ref<c_Shader> gfx2_LightmapShader;
extern gc_ref<c_Shader> gfx2_DefaultShader;
extern gc_ref<c_Font2> gfx2_DefaultFont;
extern float gfx2_FlipMatrix[16];
extern gc_ref<c_IntMap4> gfx2_ColorTextureCache;
extern gc_ref<c_Texture> gfx2_WhiteTexture;
extern gc_ref<c_Texture> gfx2_BlackTexture;
extern gc_ref<c_Texture> gfx2_GreyTexture;
extern gc_ref<c_Canvas> gfx2_CurrentCanvas;
extern gc_ref<c_GLProgram> gfx2_BoundProgram;
extern int32_t gfx2_LightCount;
extern gc_ref<c_Material> gfx2_BoundMaterial;
extern float gfx2_ModelViewProjection[16];
extern float gfx2_ModelView[16];
extern float gfx2_ClipPosScale[4];
extern float gfx2_GlobalColor[4];
extern float gfx2_FogColor[4];
extern float gfx2_AmbientLight[4];
extern float gfx2_LightColors[16];
extern float gfx2_LightVectors[16];
extern gc_ref<c_Texture> gfx2_ShadowTexture;
extern int32_t gfx2_BlendModeCache;
extern gc_ref<c_Stack5> gfx2_OpPool;
extern gc_ref<c_DrawOp> gfx2_NoOp;
extern float gfx2_ProjectionScratch[16];
// Scratch space for values read back with glGetIntegerv.
extern int32_t gfx2_QueryScratch[16];
extern int32_t gfx2_StatusScratch[16];

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

// Puts every plain global above back to its first value (the collected
// ones are made by gfx2_InitGlobals).
void gfx2_ResetPlainGlobals();
