#include "tests/renderer/support/vertices.h"

#include <cstring>

std::vector<gfx2_Vertex> Pending(const c_DrawList *list) {
    std::vector<gfx2_Vertex> v(static_cast<size_t>(list->m_vertexBytes) / sizeof(gfx2_Vertex));
    if (!v.empty()) std::memcpy(v.data(), list->m_vertexData->data, v.size() * sizeof(gfx2_Vertex));
    return v;
}
