// Decodes arbitrary bytes as a WAV file, the way the host loads sounds, and
// checks that a result is consistent with the input: at least one channel
// and one byte per sample, and no more frames than the input's bytes hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/hx_sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    FILE *f = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    if (!f) return 0;
    int length = -1, channels = -1, format = -1, hertz = -1;
    void *samples = audio_LoadWav(f, &length, &channels, &format, &hertz);
    std::fclose(f);
    if (!samples) {
        if (length != -1 || channels != -1 || format != -1 || hertz != -1) std::abort();
        return 0;
    }
    if (length < 0 || channels < 1 || format < 1) std::abort();
    const uint64_t bytes = static_cast<uint64_t>(length) * static_cast<uint64_t>(channels) * static_cast<uint64_t>(format);
    if (bytes > size) std::abort();
    // The samples are a copy of bytes of the input.
    if (bytes > 0 && !memmem(data, size, samples, static_cast<size_t>(bytes))) std::abort();
    std::free(samples);
    return 0;
}
