#include "tests/game/support/garbage.h"

#include <cstdint>

std::string Garbage() {
    std::string bytes(700, '\0');
    uint32_t seed = 12345;
    for (char &b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<char>(seed >> 24);
    }
    return bytes;
}
