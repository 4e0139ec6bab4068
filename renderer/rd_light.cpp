#include "renderer/rd_light.h"

#include "renderer/rd_globals.h"

namespace {


constexpr int32_t kMaxLights = 4;

}  // namespace

c_LightData::c_LightData()
    : m_type(0),
      m_vector(array_Of<float>({0, 0, -10, 1})),
      m_transformedVector(array_Of<float>({0, 0, 0, 0})),
      m_color(array_Of<float>({1, 1, 1, 1})),
      m_range(10) {}

void c_LightData::Mark() {
    gc_Enqueue(m_vector);
    gc_Enqueue(m_transformedVector);
    gc_Enqueue(m_color);
}

void c_ShadowCaster::Mark() { gc_Enqueue(m_vertices); }

void gfx2_PackLights(const Array<c_LightData *> &lights, const float *view) {
    int32_t count = 0;
    for (int32_t slot = 0; slot < lights.Length() && count < kMaxLights; ++slot) {
        c_LightData *light = lights[slot];
        if (!light || light->m_type == 0) continue;
        // A light's arrays are its own four-element vectors; anything shorter
        // reads as zeros rather than past its end.
        float v[4] = {0, 0, 0, 0};
        const Array<float> &vector = light->m_vector;
        for (int32_t i = 0; i < 4 && i < vector.Length(); ++i) v[i] = vector[i];
        float t[4];
        for (int32_t r = 0; r < 4; ++r)
            t[r] = view[r] * v[0] + view[4 + r] * v[1] + view[8 + r] * v[2] + view[12 + r] * v[3];
        const Array<float> &transformed = light->m_transformedVector;
        for (int32_t i = 0; i < 4 && i < transformed.Length(); ++i) transformed[i] = t[i];
        const Array<float> &color = light->m_color;
        for (int32_t i = 0; i < 4; ++i) gfx2_LightColors[4 * count + i] = i < color.Length() ? color[i] : 0.0f;
        gfx2_LightVectors[4 * count + 0] = t[0];
        gfx2_LightVectors[4 * count + 1] = t[1];
        gfx2_LightVectors[4 * count + 2] = t[2];
        gfx2_LightVectors[4 * count + 3] = light->m_range;
        ++count;
    }
    gfx2_LightCount = count;
}
