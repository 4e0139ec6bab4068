// The vertices a draw list (or canvas) has queued and not yet rendered,
// read back in the renderer's own vertex record, gfx2_Vertex
// (renderer/rd_drawlist.h):
//
//   const std::vector<gfx2_Vertex> v = Pending(canvas);
//   EXPECT_EQ(v[0].color, 0xff595959u);
#pragma once

#include <vector>

#include "renderer/rd_drawlist.h"

// The list's m_vertexBytes of vertices, in drawing order.
std::vector<gfx2_Vertex> Pending(const c_DrawList *list);
