// Loading the game's assets and drawing them, for a game that keeps running
// with any asset missing: each loader returns what the renderer's loader
// returns (null, or the empty strip) and, when that is nothing, prints one
// line naming the file, once per file and run; the draw helpers skip a null
// image and a frame outside its strip.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

class c_Canvas;
class c_Font2;
class c_Image2;
class c_Material;
class c_Shader;
class c_Texture;

c_Image2 *game_LoadImage(const String &path, float xh, float yh, int32_t flags, c_Shader *shader);
c_Image2 *game_LoadImageCentered(const String &path, float yh, int32_t flags, c_Shader *shader);
Array<c_Image2 *> game_LoadFrames(const String &path, int32_t frames, bool padded, float xh, float yh, int32_t flags,
                                  c_Shader *shader);
Array<c_Image2 *> game_LoadFrames9(const String &path, int32_t flags, c_Shader *shader);
c_Material *game_LoadMaterial(const String &path, int32_t textureFlags, c_Shader *shader);
// The colour texture of an image's material; null when the image or its
// material is missing.
c_Texture *game_ColorTextureOf(c_Image2 *image);
// A grid font of 95 glyphs from character 32.
c_Font2 *game_LoadFont(const String &path);
// `font`, or the renderer's default font when it is null (a font that did
// not load, a canvas without one).
c_Font2 *game_FontOrDefault(c_Font2 *font);
// A text file from the data folder; "" (and the line) when it is missing.
String game_LoadText(const String &path);

// The line for a file that did not load, unless this run printed it before.
void game_ReportMissingAsset(const String &path);
// Forgets which files were reported (a new session in tests).
void game_ResetAssetReports();

// Frame `frame` of a strip; null when the strip does not have it.
c_Image2 *game_StripFrame(const Array<c_Image2 *> &strip, int32_t frame);

void game_DrawImage(c_Canvas *canvas, c_Image2 *image, float x, float y);
// Frame `frame` of a strip, when the strip has it.
void game_DrawFrame(c_Canvas *canvas, const Array<c_Image2 *> &strip, int32_t frame, float x, float y);
