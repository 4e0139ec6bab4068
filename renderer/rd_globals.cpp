#include "renderer/rd_globals.h"

#include <cstring>

bool gfx2_Started = false;
int32_t gfx2_BuffersGeneration = 0;
uint32_t gfx2_VertexBuffer = 0;
uint32_t gfx2_IndexBuffer = 0;
uint32_t gfx2_WindowFramebuffer = 0;
String gfx2_ProgramTemplate;
gc_ref<c_Shader> gfx2_FastShader;
gc_ref<c_Shader> gfx2_BumpShader;
gc_ref<c_Shader> gfx2_MatteShader;
gc_ref<c_Shader> gfx2_ShadowShader;
gc_ref<c_Shader> gfx2_LightmapShader;
gc_ref<c_Shader> gfx2_DefaultShader;
gc_ref<c_Font2> gfx2_DefaultFont;
float gfx2_FlipMatrix[16];
gc_ref<c_IntMap4> gfx2_ColorTextureCache;
gc_ref<c_Texture> gfx2_WhiteTexture;
gc_ref<c_Texture> gfx2_BlackTexture;
gc_ref<c_Texture> gfx2_GreyTexture;
gc_ref<c_Canvas> gfx2_CurrentCanvas;
gc_ref<c_GLProgram> gfx2_BoundProgram;
int32_t gfx2_LightCount = 0;
gc_ref<c_Material> gfx2_BoundMaterial;
float gfx2_ModelViewProjection[16];
float gfx2_ModelView[16];
float gfx2_ClipPosScale[4];
float gfx2_GlobalColor[4];
float gfx2_FogColor[4];
float gfx2_AmbientLight[4];
float gfx2_LightColors[16];
float gfx2_LightVectors[16];
gc_ref<c_Texture> gfx2_ShadowTexture;
int32_t gfx2_BlendModeCache = -1;
gc_ref<c_Stack5> gfx2_OpPool;
gc_ref<c_DrawOp> gfx2_NoOp;
float gfx2_ProjectionScratch[16];
int32_t gfx2_QueryScratch[16];
int32_t gfx2_StatusScratch[16];

namespace {
void Identity(float *m) {
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}
void Set4(float *v, float a, float b, float c, float d) {
    v[0] = a;
    v[1] = b;
    v[2] = c;
    v[3] = d;
}
struct PlainInit {
    PlainInit() { gfx2_ResetPlainGlobals(); }
} g_plainInit;
}  // namespace

void gfx2_ResetPlainGlobals() {
    gfx2_Started = false;
    gfx2_BuffersGeneration = 0;
    gfx2_VertexBuffer = 0;
    gfx2_IndexBuffer = 0;
    gfx2_WindowFramebuffer = 0;
    gfx2_ProgramTemplate = String();
    Identity(gfx2_FlipMatrix);
    gfx2_LightCount = 0;
    Identity(gfx2_ModelViewProjection);
    Identity(gfx2_ModelView);
    Set4(gfx2_ClipPosScale, 1, 1, 1, 1);
    Set4(gfx2_GlobalColor, 1, 1, 1, 1);
    Set4(gfx2_FogColor, 0, 0, 0, 0);
    Set4(gfx2_AmbientLight, 0, 0, 0, 1);
    std::memset(gfx2_LightColors, 0, sizeof gfx2_LightColors);
    std::memset(gfx2_LightVectors, 0, sizeof gfx2_LightVectors);
    gfx2_BlendModeCache = -1;
    Identity(gfx2_ProjectionScratch);
    std::memset(gfx2_QueryScratch, 0, sizeof gfx2_QueryScratch);
    std::memset(gfx2_StatusScratch, 0, sizeof gfx2_StatusScratch);
}
