// Loading and drawing the sea and its actors: the water's layers, wake
// image, gradient and render target; the iceberg's, ships' and pick-ups'
// images. Every load goes through the asset helpers (a missing file is
// reported once and left null or empty) and every draw skips what is
// missing, so the game runs on with any image absent.
#pragma once

class c_Canvas;
class c_WaveEmitter;
class c_WaveRadial;

// --- The water (gm_water.cpp) ---

// The layer materials (filtered, repeating), the wake image (filtered,
// clamped: the image-flags mask is 1 while the three load, then 0), the
// gradient shader and the ramp image.
void game_LoadWaterAssets();
void game_LoadWaveLFMaterial();
void game_LoadWaveHFMaterial();
void game_LoadWaveRadialImage();
// For the virtual screen size: the grey-level target (cleared to the calm
// sea's grey when made, so a paused game after a resize shows a calm sea),
// its canvas, the gradient material and world_WaterImage over it, and both
// layer meshes.
void game_SetupWaterTargets();
// The sea into the target: the grey clear, the LF layer, every active
// ring under the camera and the iso matrix, the HF layer, a flush.
void game_RenderWater();
// Parts of game_RenderWater.
void game_DrawWaveLayerLF(c_Canvas *canvas);
void game_DrawWaveLayerHF(c_Canvas *canvas);
void game_DrawAllWaves(c_Canvas *canvas);
void game_DrawEmitterWaves(c_Canvas *canvas, c_WaveEmitter *emitter);
void game_DrawWaveIfActive(c_Canvas *canvas, c_WaveRadial *wave);
// One ring: the wake image twice, opened by the ring's decay.
void game_DrawWave(c_Canvas *canvas, c_WaveRadial *wave);
// world_WaterImage at (0, 0) of `canvas`.
void game_DrawWater(c_Canvas *canvas);

// --- The actors (gm_actors.cpp) ---

// The ship shader, the iceberg, the level tag, the three ships' strips, the
// crate and the ice cube, in that order.
void game_LoadActorImages();
// The red-mask shader, the iceberg's mask, eight faces and outline.
void game_LoadIcebergImages();
void game_LoadLevelTagImage();
void game_LoadShip1Images();  // the yacht
void game_LoadShip2Images();  // the liner
void game_LoadShip3Images();  // the icebreaker
void game_LoadLootImage();
void game_LoadIceCubeImage();
