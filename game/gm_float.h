// The game draws at whole virtual pixels held in ints; the draw list takes
// floats. One spelling of that conversion for the drawing code.
#pragma once

#include <cstdint>

namespace game {
inline float F(int32_t v) { return static_cast<float>(v); }
}  // namespace game
