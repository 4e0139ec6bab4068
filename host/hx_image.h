// Image files as RGBA bytes for the renderer's textures.
#pragma once

#include <cstdio>

#include "host/hx_databuffer.h"
#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

// Decodes an open image file to 8-bit pixels in its own channel count
// (1 to 4), rows from the top, in a block from malloc. Null when it does
// not decode or width x height x channels exceeds INT32_MAX.
unsigned char *host_DecodeImage(FILE *f, int *width, int *height, int *channels);

// Expands pixels of 1 (grey), 2 (grey, alpha), 3 (RGB) or 4 channels to
// RGBA, in a block from malloc of width x height x 4 bytes. Null for another
// channel count, a size above INT32_MAX or when memory runs out.
unsigned char *host_ExpandToRgba(const unsigned char *pixels, int width, int height, int channels);

// Fills the empty buffer with the image at `path` (used unchanged) as RGBA
// and writes the width and height into `size` as far as it reaches. Null,
// with the buffer and the size array untouched, when the file is missing
// or undecodable or the buffer already holds a block.
c_DataBuffer *gl_LoadImageDataInto(c_DataBuffer *buffer, String path, Array<int> size);
// The same into a new buffer.
c_DataBuffer *gl_LoadImageData(String path, Array<int> size);
