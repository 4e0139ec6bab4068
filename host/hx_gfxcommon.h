// What the two graphics layers share: the older device (hx_graphics) and
// the renderer's draw list both pack premultiplied colour words with the
// same byte clamp and send runs of primitives to GL the same way.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// One colour byte from a term meant for 0..255: truncated toward zero and
// clamped to 0..255; NaN gives 0.
inline uint32_t color_Byte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

// A premultiplied colour word, red in the low byte: alpha255 in the high
// byte, then blue, green and red each times `scale`, every byte through
// color_Byte. The draw list passes its components 0..1 with scale =
// alpha255; the device passes 0..255 with scale = alpha 0..1.
inline uint32_t color_Pack(float r, float g, float b, float scale, float alpha255) {
    return color_Byte(alpha255) << 24 | color_Byte(b * scale) << 16 | color_Byte(g * scale) << 8 |
           color_Byte(r * scale);
}

// How a run of primitives of one order (vertices per primitive) is drawn.
enum class gl_PrimitiveCall : uint8_t {
    None,    // order below 1: nothing
    Arrays,  // one glDrawArrays over the whole run
    Quads,   // glDrawElements of two triangles per quad from a quad index table
    Fans,    // one glDrawArrays per primitive
};

struct gl_Primitive {
    gl_PrimitiveCall call;
    GLenum mode;
};

// 1 points, 2 lines, 3 triangles, 4 quads (as indexed triangles), 5 and
// more one triangle fan per primitive.
constexpr gl_Primitive gl_PrimitiveOf(int32_t order) {
    switch (order) {
    case 1: return {gl_PrimitiveCall::Arrays, GL_POINTS};
    case 2: return {gl_PrimitiveCall::Arrays, GL_LINES};
    case 3: return {gl_PrimitiveCall::Arrays, GL_TRIANGLES};
    case 4: return {gl_PrimitiveCall::Quads, GL_TRIANGLES};
    default:
        if (order >= 5) return {gl_PrimitiveCall::Fans, GL_TRIANGLE_FAN};
        return {gl_PrimitiveCall::None, 0};
    }
}
