// The splash: the opening animation (background, credits flash, title,
// the rising liner and the opening's text lines pushed in by a small
// iceberg), then the finished picture cracks into 32 shards that fall away
// over the menu.
//
// Shard geometry: 33 points in view pixels. Point 0 is the centre
// (w / 2, h / 2 - 11); points 1 to 24 are three jittered rings of eight
// around (w / 2, h / 2 - 6); points 25 to 32 lie on the screen border at
// the same eight angles (clockwise from the right, y down). Shard (ring 0,
// sector s) is a triangle on the centre; shards of rings 1 to 3 are quads
// between two rings. Shards are numbered ring-major: 8 x ring + sector.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Canvas;

class c_SplashScreen : public Object {
public:
    // Chooses the opening (the first on a first run, a random one once
    // progress exists) and puts the animation back to its start.
    static void Reset();
};

class c_SplashScreenCrash : public Object {};

// The images and "openings.txt": one opening per line, "\" between its
// text lines. An opening with more than two text lines shows its first two;
// the load prints one line naming it.
void game_LoadSplash();
// The openings of the text of "openings.txt": trimmed, one per line; prints
// one line for each opening with more than two text lines.
Array<String> game_ParseOpenings(const String &text);
// Both render targets with their canvases and a new random shattering,
// for the current virtual screen and splash layout values.
void game_SetupSplashCrash();
// Sets the splash layout values from the virtual screen, then
// game_SetupSplashCrash.
void game_ResetSplashCrash();
// The splash's share of an update (state 1 only).
void game_UpdateSplash();
// The splash into `canvas` (state 1 only).
void game_RenderSplash(c_Canvas *canvas);
// The animation's last frame into splash_Target, with each shard's glitch
// tint and its edges.
void game_RenderSplashCrash();
// The shards into splash_CrashTarget, fallen by `progress` (0 to 1).
void game_DrawSplashCrashShards(float progress);
// In one pass per shard into `canvas`: the shard of splash_Target
// (displaced as in the fall when mode is 0), its glitch tint and its edges.
void game_DrawSplashCrashOutlined(c_Canvas *canvas, int32_t mode, float progress);

// The point indices of shard (ring, sector) into out[0..3]; the count, 3
// for a triangle of ring 0, 4 for a quad (inner s, outer s, outer s + 1,
// inner s + 1).
int32_t game_SplashShardIndices(int32_t ring, int32_t sector, int32_t *out);
// How far down shard j has fallen at `progress` of the fall, for a screen
// `height` pixels high.
int32_t game_SplashShardDrop(int32_t shard, float progress, int32_t height);
