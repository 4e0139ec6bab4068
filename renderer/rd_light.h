// Lights and shadow casters.
//
// Every canvas has four point-light slots (c_LightData). When a canvas
// applies its shader environment it packs the lights that are on, in slot
// order, into the standard uniforms "LightColors" and "LightVectors" and
// sets gfx2_LightCount, which selects the program of each lit shader
// (gfx2_PackLights below does that packing).
//
// A shadow caster (c_ShadowCaster) is an outline of x, y pairs in its own
// coordinates. Images can carry one; a draw list collects the casters it is
// given, with their outlines transformed by the list's matrix, until its
// next reset. Nothing in the renderer draws them.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_object.h"
#include "runtime/rt_stack.h"

class c_LightData : public Object {
public:
    // 0 = off; any other value means on.
    int32_t m_type;
    // Position (x, y, z, w) in view space before the view transform.
    ArrayField<float> m_vector;
    // The vector after the view transform, written when the lights are packed.
    ArrayField<float> m_transformedVector;
    ArrayField<float> m_color;
    float m_range;

    // Off, at (0, 0, -10, 1), white, range 10.
    c_LightData();
    c_LightData *m_new() { return this; }

    void Mark() override;
};

class c_ShadowCaster : public Object {
public:
    // x, y pairs; an odd last float is not used.
    ArrayField<float> m_vertices;

    c_ShadowCaster() : m_vertices() {}
    c_ShadowCaster *m_new() { return this; }
    c_ShadowCaster *m_new(const Array<float> &vertices) {
        m_vertices = vertices;
        return this;
    }

    void Mark() override;
};

// Packs the lights that are on into gfx2_LightColors and gfx2_LightVectors
// and sets gfx2_LightCount: for each slot in order whose type is not 0, its
// transformed vector = view x vector (view a column-major 4x4), then slot k
// of the arrays gets its colour and (transformed x, y, z, range). At most
// four lights are packed; null slots count as off.
void gfx2_PackLights(const Array<c_LightData *> &lights, const float *view);
