// The renderer's one-time start-up and its globals' set-up.
#pragma once

// Makes the shared GL resources on the first call; later calls return at
// once. Runs on the first creation of a canvas, draw list, material,
// texture or shader, under a current GL context: the shared buffers, the
// window framebuffer, the program template, the five built-in shaders and
// the default font.
void gfx2_InitRenderer();
// Makes the shared vertex and index buffers under the current GL context.
void gfx2_InitVbos();
// The start-up's default font (gfx2_DefaultFont).
void gfx2_LoadDefaultFont();
// Puts the plain globals back to their first values and gives the
// collected ones theirs, in list order (rd_globals.h); the program's globals
// initialiser calls it.
void gfx2_InitGlobals();
// Enqueues every collected global of rd_globals.h (the program's roots
// function).
void gfx2_MarkGlobals();
