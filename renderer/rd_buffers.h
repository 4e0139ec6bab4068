// The shared vertex and index buffers and the blend modes.
#pragma once

#include <cstdint>

// Section j (0-3) of the quad index data: quad i is 4i+j+0, 4i+j+1,
// 4i+j+2, 4i+j+0, 4i+j+2, 4i+j+3. `out` holds 4 x 3510 indices.
void gfx2_FillQuadIndices(uint16_t *out);

// The byte offset into the index buffer for a run of quads that starts at
// vertex `first` of the vertex buffer.
inline int32_t gfx2_QuadIndexOffset(int32_t first) { return (first % 4) * 7020 + (first / 4) * 12; }

// Sets the GL state of a blend mode when it differs from
// gfx2_BlendModeCache; a mode outside 0-7 is recorded and sets nothing.
void gfx2_SetBlendMode(int32_t mode);
