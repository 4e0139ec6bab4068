// Sound-file decoding: the WAV reader, the Ogg reader on stb_vorbis and the
// host's LoadAudioData, which picks one by the file name's ending.
#include "host/hx_sound.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/hx_game.h"

namespace {

// Reads a 4-byte tag and compares it exactly. A short read is a mismatch.
bool ReadTag(FILE *f, const char *want) {
    char tag[5] = {};
    if (std::fread(tag, 1, 4, f) != 4) return false;
    return std::memcmp(tag, want, 4) == 0;
}

bool ReadLE16(FILE *f, uint16_t *value) {
    unsigned char b[2];
    if (std::fread(b, 1, 2, f) != 2) return false;
    *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

// Skips n bytes: by seeking where the stream allows it, else by reading
// and dropping them. False when the stream ends first (reading) or fails.
// A seek past the end of a regular file succeeds; the next read then finds
// the end.
bool Skip(FILE *f, uint64_t n) {
    if (n == 0) return true;
    if (n <= static_cast<uint64_t>(LONG_MAX) && std::fseek(f, static_cast<long>(n), SEEK_CUR) == 0) return true;
    unsigned char drop[4096];
    while (n > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(n, sizeof drop));
        size_t got = std::fread(drop, 1, want, f);
        if (got == 0) return false;
        n -= got;
    }
    return true;
}

// Bytes between the present position and the end of the file; -1 when the
// stream cannot tell (a pipe), -2 when the position could not be restored.
int64_t Remaining(FILE *f) {
    long pos = std::ftell(f);
    if (pos < 0) return -1;
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(f);
    if (std::fseek(f, pos, SEEK_SET) != 0) return -2;
    if (end < 0) return -1;
    return end > pos ? static_cast<int64_t>(end) - pos : 0;
}

// Reads a data chunk of `size` bytes into a block from malloc. Null when
// the chunk is larger than INT32_MAX or than the rest of the file, when the
// file ends first and when memory runs out. A stream of unknown length is
// read in pieces, so a false size in the header allocates no more than the
// bytes that really arrive.
unsigned char *ReadData(FILE *f, uint32_t size) {
    if (size > static_cast<uint32_t>(INT32_MAX)) return nullptr;
    const int64_t left = Remaining(f);
    if (left == -2) return nullptr;
    if (left >= 0) {
        if (size > left) return nullptr;
        unsigned char *block = static_cast<unsigned char *>(std::malloc(size > 0 ? size : 1));
        if (!block) return nullptr;
        if (std::fread(block, 1, size, f) != size) {
            std::free(block);
            return nullptr;
        }
        return block;
    }
    constexpr size_t kPiece = 65536;
    unsigned char *block = static_cast<unsigned char *>(std::malloc(1));
    size_t have = 0, capacity = 1;
    while (block && have < size) {
        const size_t want = std::min<size_t>(size - have, kPiece);
        if (have + want > capacity) {
            size_t grown = std::min<size_t>(std::max(capacity * 2, have + want), size);
            unsigned char *larger = static_cast<unsigned char *>(std::realloc(block, grown));
            if (!larger) break;
            block = larger;
            capacity = grown;
        }
        const size_t got = std::fread(block + have, 1, want, f);
        have += got;
        if (got < want) break;
    }
    if (block && have == size) return block;
    std::free(block);
    return nullptr;
}

bool EndsWith(const String &s, const String &ending) {
    const int n = s.Length(), m = ending.Length();
    if (n < m) return false;
    return std::memcmp(s.Data() + (n - m), ending.Data(), static_cast<size_t>(m) * sizeof(char16_t)) == 0;
}

}  // namespace

uint32_t audio_ReadLE32(FILE *f) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

void *audio_LoadWav(FILE *f, int *length, int *channels, int *format, int *hertz) {
    if (!ReadTag(f, "RIFF")) return nullptr;
    audio_ReadLE32(f);  // the RIFF size is not needed
    if (!ReadTag(f, "WAVE") || !ReadTag(f, "fmt ")) return nullptr;

    // The fmt chunk: its 16 fixed bytes, then whatever a longer chunk adds.
    const uint32_t fmtSize = audio_ReadLE32(f);
    if (fmtSize < 16) return nullptr;
    uint16_t tag = 0;
    if (!ReadLE16(f, &tag) || tag != 1) return nullptr;
    uint16_t value = 0;
    const int channelCount = ReadLE16(f, &value) ? value : -1;
    const uint32_t rate = audio_ReadLE32(f);
    audio_ReadLE32(f);  // byte rate
    ReadLE16(f, &value);  // block align
    const int bytesPerSample = ReadLE16(f, &value) ? value / 8 : 0;
    // Without channels or with fewer than 8 bits there is no frame size.
    if (channelCount <= 0 || bytesPerSample <= 0) return nullptr;
    if (fmtSize > 16 && !Skip(f, fmtSize - 16u)) return nullptr;

    // Chunks follow each other directly, without pad bytes, up to "data".
    unsigned char *data = nullptr;
    uint32_t dataSize = 0;
    for (;;) {
        char chunk[5] = {};
        if (std::fread(chunk, 1, 4, f) != 4) return nullptr;
        const uint32_t size = audio_ReadLE32(f);
        if (std::memcmp(chunk, "data", 4) == 0) {
            data = ReadData(f, size);
            if (!data) return nullptr;
            dataSize = size;
            break;
        }
        if (!Skip(f, size)) return nullptr;
    }

    const int64_t frame = static_cast<int64_t>(channelCount) * bytesPerSample;
    *length = static_cast<int>(dataSize / frame);
    *channels = channelCount;
    *format = bytesPerSample;
    *hertz = static_cast<int>(rate);
    return data;
}

void *audio_LoadOgg(FILE *f, int *length, int *channels, int *format, int *hertz) {
    int error = 0;
    stb_vorbis *vorbis = audio_OpenVorbis(f, &error);
    if (!vorbis) return nullptr;
    const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    const int c = info.channels;
    if (c <= 0) {
        stb_vorbis_close(vorbis);
        return nullptr;
    }

    // Room for one more decoded frame of up to 4096 samples per channel is
    // kept free; the block doubles when less is left. Counts are in size_t
    // and the total is held to INT32_MAX bytes.
    const size_t chunk = static_cast<size_t>(c) * 4096;
    const size_t maxSamples = static_cast<size_t>(INT32_MAX) / sizeof(short);
    size_t capacity = chunk;
    size_t used = 0;
    short *block = static_cast<short *>(std::malloc(capacity * sizeof(short)));
    bool ok = block != nullptr;
    while (ok) {
        const size_t room = std::min<size_t>(capacity - used, INT_MAX);
        const int frames = stb_vorbis_get_frame_short_interleaved(vorbis, c, block + used, static_cast<int>(room));
        if (frames <= 0) break;
        used += static_cast<size_t>(frames) * static_cast<size_t>(c);
        if (used > maxSamples) {
            ok = false;
            break;
        }
        if (used + chunk > capacity) {
            short *larger = static_cast<short *>(std::realloc(block, capacity * 2 * sizeof(short)));
            if (!larger) {
                ok = false;
                break;
            }
            block = larger;
            capacity *= 2;
        }
    }
    stb_vorbis_close(vorbis);
    if (!ok) {
        std::free(block);
        return nullptr;
    }
    *length = static_cast<int>(used / static_cast<size_t>(c));
    *channels = c;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return block;
}

void *HxGlfwGame::LoadAudioData(String path, int *length, int *channels, int *format, int *hertz) {
    FILE *f = OpenFile(path, String(u"rb"));
    if (!f) return nullptr;
    const String lower = path.ToLower();
    int l = 0, c = 0, fm = 0, hz = 0;
    void *data = nullptr;
    if (EndsWith(lower, String(u".wav")))
        data = audio_LoadWav(f, &l, &c, &fm, &hz);
    else if (EndsWith(lower, String(u".ogg")))
        data = audio_LoadOgg(f, &l, &c, &fm, &hz);
    std::fclose(f);
    if (!data) return nullptr;
    // Counted in 64 bits; the counter itself saturates.
    const int64_t bytes = static_cast<int64_t>(l) * c * fm;
    gc_AddExternalBytes(static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX)));
    *length = l;
    *channels = c;
    *format = fm;
    *hertz = hz;
    return data;
}
