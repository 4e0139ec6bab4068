// Decodes arbitrary bytes as an Ogg Vorbis file, the way the host loads
// sounds, and checks the result's shape: 16-bit samples, at least one
// channel, a block that holds every frame, and nothing written on failure.
// The seeds are encoded by oggenc when scripts/test runs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/hx_sound.h"

// A request too large to serve gives null, as malloc does outside the
// sanitizer, instead of stopping the run.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

uint32_t Le32(const uint8_t *p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The comment header holds a vendor length, a comment count and a length
// per comment. The decoder allocates each and then reads it byte by byte,
// past the end of the input too, so a count that is positive but beyond
// the input's size only makes a run take seconds; such inputs are skipped.
// Negative counts still reach the decoder (their allocations fail). The
// header is found by its signature; one split across pages is not seen.
bool TooLarge(uint32_t count, size_t size) { return count <= INT32_MAX && count > size; }

bool ClaimsTooMuch(const uint8_t *data, size_t size) {
    static const uint8_t kComment[7] = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    const uint8_t *end = data + size;
    for (const uint8_t *p = data; end - p >= 11; ++p) {
        p = static_cast<const uint8_t *>(memmem(p, static_cast<size_t>(end - p), kComment, sizeof kComment));
        if (!p || end - p < 11) break;
        const uint32_t vendor = Le32(p + 7);
        if (TooLarge(vendor, size)) return true;
        if (vendor > static_cast<size_t>(end - p) - 11) continue;
        const uint8_t *q = p + 11 + vendor;
        if (end - q < 4) continue;
        uint32_t count = Le32(q);
        if (TooLarge(count, size)) return true;
        for (q += 4; count > 0 && end - q >= 4; --count) {
            const uint32_t length = Le32(q);
            if (TooLarge(length, size)) return true;
            q += 4;
            if (static_cast<size_t>(end - q) < length) break;
            q += length;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0 || ClaimsTooMuch(data, size)) return 0;
    FILE *f = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    if (!f) return 0;
    int length = -1, channels = -1, format = -1, hertz = -1;
    void *samples = audio_LoadOgg(f, &length, &channels, &format, &hertz);
    std::fclose(f);
    if (!samples) {
        if (length != -1 || channels != -1 || format != -1 || hertz != -1) std::abort();
        return 0;
    }
    if (length < 0 || channels < 1 || format != 2) std::abort();
    const uint64_t bytes = static_cast<uint64_t>(length) * static_cast<uint64_t>(channels) * 2u;
    if (bytes > INT32_MAX) std::abort();
    // Read every sample, so that a block shorter than the count shows.
    const unsigned char *p = static_cast<const unsigned char *>(samples);
    unsigned sum = 0;
    for (uint64_t i = 0; i < bytes; ++i) sum += p[i];
    volatile unsigned sink = sum;
    (void)sink;
    std::free(samples);
    return 0;
}
