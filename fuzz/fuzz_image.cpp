// Decodes arbitrary bytes as an image file, the way the host loads images,
// and expands the pixels to RGBA; checks the expansion pixel by pixel.
#include <stb/stb_image.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/hx_image.h"

namespace {

// A header of a few bytes can claim millions of pixels, and a PNG chunk can
// claim gigabytes, which the decoder allocates before it finds the input
// too short (past 2 GB the fuzzer stops with out-of-memory). Under the
// sanitizers a decode costs about a quarter of a microsecond per pixel,
// so such inputs take up to seconds each and reach no code that a moderate
// size does not. They are skipped: more than kMaxPixels pixels (256 x 256;
// the generated images in the corpus have at most 9216), or a PNG chunk
// longer than kMaxPngChunk bytes (shorter ones past the end still test
// that path).
constexpr int64_t kMaxPixels = int64_t{1} << 16;
constexpr uint32_t kMaxPngChunk = 1u << 20;

bool ClaimsTooMuch(const uint8_t *data, size_t size) {
    int w = 0, h = 0, c = 0;
    if (stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &c) && static_cast<int64_t>(w) * h > kMaxPixels)
        return true;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kPng, 8) != 0) return false;
    for (size_t at = 8; size - at >= 8;) {
        const uint32_t length = (uint32_t{data[at]} << 24) | (uint32_t{data[at + 1]} << 16) |
                                (uint32_t{data[at + 2]} << 8) | uint32_t{data[at + 3]};
        if (length > kMaxPngChunk) return true;
        at += 12u + length;  // length, type, data and CRC
        if (at > size) break;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0 || size > static_cast<size_t>(INT32_MAX)) return 0;
    if (ClaimsTooMuch(data, size)) return 0;
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
