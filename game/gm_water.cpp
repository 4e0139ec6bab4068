// Drawing the sea: the grey-level picture of the two scrolling layers and
// every wake ring, rendered into its own target once per running frame and
// shown through the gradient shader, which turns grey into water colours.
#include <cmath>

#include "game/gm_assets.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_shaders.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "runtime/rt_math.h"

namespace {

// The layers' textures: filtered and repeating (texture flags, not
// filtered through the image-flags mask).
constexpr int32_t kLayerTextureFlags = 1;
// The wake image is 244 pixels from its centre to the ring.
constexpr float kRadialRadius = 244.0f;
// The calm sea's grey level.
constexpr float kCalmGrey = 0.5f;

}  // namespace

// ---------------------------------------------------------------------------
// Loading.

void game_LoadWaveLFMaterial() {
    world_WaveLFMaterial = game_LoadMaterial(String(u"wavelf.png"), kLayerTextureFlags, nullptr);
}

void game_LoadWaveHFMaterial() {
    world_WaveHFMaterial = game_LoadMaterial(String(u"wavehf.png"), kLayerTextureFlags, nullptr);
}

void game_LoadWaveRadialImage() {
    world_WaveRadialImage = game_LoadImageCentered(String(u"waveradial.png"), 0.5f, 3, nullptr);
}

void game_LoadWaterAssets() {
    // Only the wake image is filtered: the mask lets Filter through while
    // it loads.
    c_Image2::SetFlagsMask(1);
    game_LoadWaveLFMaterial();
    game_LoadWaveRadialImage();
    game_LoadWaveHFMaterial();
    c_Image2::SetFlagsMask(0);
    world_WaterGradientShader = gc_New<c_GradientShader>()->m_new();
    world_WaterGradientImage = game_LoadImageCentered(String(u"watergradient.png"), 0.5f, 0, nullptr);
}

// ---------------------------------------------------------------------------
// The target.

void game_SetupWaterTargets() {
    const int32_t w = screen_Width, h = screen_Height;
    c_Image2 *target = game_MakeTarget(w, h, 0, 0, 0);
    world_WaterTarget = target;
    c_Canvas *canvas = game_MakeTargetCanvas(target, nullptr);
    canvas->Clear(kCalmGrey, kCalmGrey, kCalmGrey, 1);
    canvas->Flush();
    world_WaterCanvas = canvas;

    c_Material *material = gc_New<c_Material>()->m_new(world_WaterGradientShader);
    material->SetTexture(String(u"ColorTexture"), game_ColorTextureOf(target));
    material->SetTexture(String(u"GradientTexture"), game_ColorTextureOf(world_WaterGradientImage));
    world_WaterImage = gc_New<c_Image2>()->m_new(material, 0.0f, 0.0f);

    c_WaveLF::Init();
    c_WaveHF::Init();
}

// ---------------------------------------------------------------------------
// Drawing.

void game_DrawWaveLayerLF(c_Canvas *canvas) {
    canvas->SetAlpha(1);
    canvas->SetColor(1, 1, 1);
    // A missing layer is skipped: a null material would paint the list's
    // default (white) over the sea.
    if (c_Material *m = world_WaveLFMaterial)
        canvas->DrawIndexedTriangles(4, world_WaveLFVertices, world_WaveLFTexcoords, world_WaveLFIndices, m);
}

void game_DrawWaveLayerHF(c_Canvas *canvas) {
    canvas->SetColor(1, 1, 1);
    canvas->SetAlpha(0.15f);
    if (c_Material *m = world_WaveHFMaterial)
        canvas->DrawIndexedTriangles(2, world_WaveHFVertices, world_WaveHFTexcoords, world_WaveHFIndices, m);
}

void game_DrawWave(c_Canvas *canvas, c_WaveRadial *wave) {
    c_Image2 *image = world_WaveRadialImage;
    if (!image || wave->m_endRadius == 0) return;
    const float fade = 1.0f - wave->m_radius / wave->m_endRadius;
    canvas->SetAlpha(math_Clamp(((1.0f - wave->m_decay) * 0.1f + 0.5f) * fade, 0.0f, 1.0f));
    const float a = std::fabs(wave->m_amplitude);
    canvas->SetColor(a, a, a);
    // A fast object's two copies coincide (a V behind it); a still one's
    // open to opposite sides.
    const float s = wave->m_radius / kRadialRadius;
    const float spread = 90.0f * wave->m_decay;
    for (float rz : {wave->m_direction + spread, wave->m_direction - spread}) {
        canvas->PushMatrix();
        canvas->TranslateRotateScale(wave->m_x, wave->m_y, rz, s, s);
        canvas->DrawImage(image);
        canvas->PopMatrix();
    }
}

void game_DrawWaveIfActive(c_Canvas *canvas, c_WaveRadial *wave) {
    if (wave && wave->m_active != 0) game_DrawWave(canvas, wave);
}

void game_DrawEmitterWaves(c_Canvas *canvas, c_WaveEmitter *emitter) {
    if (!emitter || emitter->m_state == EmitterState_Idle) return;
    const Array<c_WaveRadial *> &ring = emitter->m_ring.get();
    for (int i = 0; i < ring.Length(); ++i) game_DrawWaveIfActive(canvas, ring[i]);
}

void game_DrawAllWaves(c_Canvas *canvas) {
    const Array<c_WaveEmitter *> &emitters = world_Emitters.get();
    for (int i = 0; i < emitters.Length(); ++i) game_DrawEmitterWaves(canvas, emitters[i]);
}

void game_RenderWater() {
    c_Canvas *canvas = world_WaterCanvas;
    if (!canvas) return;
    canvas->Clear(kCalmGrey, kCalmGrey, kCalmGrey, 1);
    game_DrawWaveLayerLF(canvas);
    // The rings in world coordinates under the camera and the iso matrix,
    // flattened like the sea.
    canvas->PushMatrix();
    canvas->Translate(static_cast<float>(-world_CameraX), static_cast<float>(-world_CameraY));
    canvas->Transform(1.0f, 0.5f, -1.0f, 0.5f, 0.0f, 0.0f);
    game_DrawAllWaves(canvas);
    canvas->PopMatrix();
    game_DrawWaveLayerHF(canvas);
    canvas->Flush();
}

void game_DrawWater(c_Canvas *canvas) { game_DrawImage(canvas, world_WaterImage, 0, 0); }
