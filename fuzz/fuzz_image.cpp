// Decodes arbitrary bytes as an image file, the way the host loads images,
// and expands the pixels to RGBA; checks the expansion pixel by pixel.
#include <stb/stb_image.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/hx_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // Images that would need more than 16 MB of pixels only test the
    // allocator; skip them.
    int iw = 0, ih = 0, ic = 0;
    if (stbi_info_from_memory(data, static_cast<int>(size), &iw, &ih, &ic) &&
        static_cast<int64_t>(iw) * ih > (1 << 22))
        return 0;
    FILE *f = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    if (!f) return 0;
    int w = 0, h = 0, c = 0;
    unsigned char *pixels = host_DecodeImage(f, &w, &h, &c);
    std::fclose(f);
    if (!pixels) return 0;
    if (w <= 0 || h <= 0 || c < 1 || c > 4) std::abort();
    unsigned char *rgba = host_ExpandToRgba(pixels, w, h, c);
    if (!rgba) std::abort();
    const int64_t count = static_cast<int64_t>(w) * h;
    for (int64_t i = 0; i < count; ++i) {
        const unsigned char *p = pixels + i * c;
        const unsigned char *o = rgba + i * 4;
        const unsigned char grey = p[0];
        const bool ok = c == 1   ? (o[0] == grey && o[1] == grey && o[2] == grey && o[3] == 255)
                        : c == 2 ? (o[0] == grey && o[1] == grey && o[2] == grey && o[3] == p[1])
                        : c == 3 ? (o[0] == p[0] && o[1] == p[1] && o[2] == p[2] && o[3] == 255)
                                 : (o[0] == p[0] && o[1] == p[1] && o[2] == p[2] && o[3] == p[3]);
        if (!ok) std::abort();
    }
    std::free(rgba);
    std::free(pixels);
    return 0;
}
