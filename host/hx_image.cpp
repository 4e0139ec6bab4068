#include "host/hx_image.h"

#include <stb/stb_image.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/hx_game.h"

unsigned char *host_DecodeImage(FILE *f, int *width, int *height, int *channels) {
    int w = 0, h = 0, d = 0;
    unsigned char *pixels = stbi_load_from_file(f, &w, &h, &d, 0);
    if (!pixels) return nullptr;
    if (w <= 0 || h <= 0 || d < 1 || d > 4 || static_cast<int64_t>(w) * h * d > INT32_MAX) {
        stbi_image_free(pixels);
        return nullptr;
    }
    *width = w;
    *height = h;
    *channels = d;
    return pixels;
}

unsigned char *host_ExpandToRgba(const unsigned char *src, int width, int height, int channels) {
    if (channels < 1 || channels > 4 || width < 0 || height < 0) return nullptr;
    const int64_t count = static_cast<int64_t>(width) * height;
    if (count * 4 > INT32_MAX) return nullptr;
    unsigned char *out = static_cast<unsigned char *>(std::malloc(count > 0 ? static_cast<size_t>(count) * 4 : 1));
    if (!out) return nullptr;
    unsigned char *o = out;
    for (int64_t i = 0; i < count; ++i, o += 4) {
        const unsigned char *p = src + i * channels;
        switch (channels) {
        case 1: o[0] = o[1] = o[2] = p[0]; o[3] = 255; break;
        case 2: o[0] = o[1] = o[2] = p[0]; o[3] = p[1]; break;
        case 3: o[0] = p[0]; o[1] = p[1]; o[2] = p[2]; o[3] = 255; break;
        default: std::memcpy(o, p, 4); break;
        }
    }
    return out;
}

c_DataBuffer *gl_LoadImageDataInto(c_DataBuffer *buffer, String path, Array<int> size) {
    if (!host_GlfwGame || !buffer) return nullptr;
    int w = 0, h = 0, d = 0;
    unsigned char *pixels = host_GlfwGame->LoadImageData(path, &w, &h, &d);
    if (!pixels) return nullptr;
    unsigned char *rgba = buffer->data ? nullptr : host_ExpandToRgba(pixels, w, h, d);
    std::free(pixels);
    if (!rgba) return nullptr;
    buffer->data = rgba;
    buffer->length = w * h * 4;
    if (size.Length() >= 1) size[0] = w;
    if (size.Length() >= 2) size[1] = h;
    return buffer;
}

c_DataBuffer *gl_LoadImageData(String path, Array<int> size) {
    c_DataBuffer *buffer = gc_New<c_DataBuffer>()->m_new();
    return gl_LoadImageDataInto(buffer, path, size);
}
