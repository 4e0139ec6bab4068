// Writes the fuzzers' sound seeds, so that no binary corpus is kept in the
// repository. scripts/test runs it before the fuzz stage.
//
//   make_wav_seeds DIR         tiny PCM WAV files for fuzz_wav: 8-bit mono,
//                              16-bit stereo, an 18-byte fmt chunk, a LIST
//                              chunk before the data, 24-bit with 3 channels
//                              and a chunk after the data
//   make_wav_seeds --tone FILE CHANNELS RATE FRAMES
//                              a 16-bit tone, the input oggenc turns into
//                              fuzz_ogg's seeds
//
// The bytes are put together the way the WAV reader's tests build theirs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Chunk(const std::string &tag, const std::string &body) {
    return tag + Le32(static_cast<uint32_t>(body.size())) + body;
}
std::string Fmt(unsigned channels, uint32_t rate, unsigned bits, const std::string &extra = "") {
    const unsigned align = channels * (bits / 8);
    return Chunk("fmt ", Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits) + extra);
}
std::string Riff(const std::string &chunks) {
    return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// `frames` frames of a 16-bit sine, a different pitch on each channel.
std::string Tone(unsigned channels, uint32_t rate, unsigned frames) {
    std::string s;
    for (unsigned i = 0; i < frames; ++i)
        for (unsigned c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i) / rate;
            const int v = static_cast<int>(std::lround(12000.0 * std::sin(2 * M_PI * (440.0 + 220.0 * c) * t)));
            s += Le16(static_cast<unsigned>(v) & 0xFFFF);
        }
    return s;
}

// Bytes that ramp, so the data is not all one value.
std::string Ramp(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 37 + 11);
    return s;
}

bool Write(const std::string &path, const std::string &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 6 && std::strcmp(argv[1], "--tone") == 0) {
        const unsigned channels = static_cast<unsigned>(std::atoi(argv[3]));
        const uint32_t rate = static_cast<uint32_t>(std::atoi(argv[4]));
        const unsigned frames = static_cast<unsigned>(std::atoi(argv[5]));
        if (channels < 1 || rate < 1) return 2;
        return Write(argv[2], Riff(Fmt(channels, rate, 16) + Chunk("data", Tone(channels, rate, frames)))) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR | --tone FILE CHANNELS RATE FRAMES\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char *name;
        std::string bytes;
    } seeds[] = {
        {"mono8.wav", Riff(Fmt(1, 8000, 8) + Chunk("data", Ramp(32)))},
        {"stereo16.wav", Riff(Fmt(2, 22050, 16) + Chunk("data", Tone(2, 22050, 24)))},
        {"fmt18.wav", Riff(Fmt(1, 11025, 8, Le16(0)) + Chunk("data", Ramp(20)))},
        {"list.wav", Riff(Fmt(1, 8000, 16) + Chunk("LIST", "INFO" + Chunk("INAM", "test")) + Chunk("data", Tone(1, 8000, 16)))},
        {"24bit3ch.wav", Riff(Fmt(3, 8000, 24) + Chunk("data", Ramp(36)))},
        {"trailer.wav", Riff(Fmt(1, 44100, 16) + Chunk("data", Tone(1, 44100, 10)) + Chunk("junk", "abcd"))},
    };
    for (const auto &s : seeds)
        if (!Write(dir + "/" + s.name, s.bytes)) {
            std::fprintf(stderr, "%s: cannot write %s/%s\n", argv[0], dir.c_str(), s.name);
            return 1;
        }
    return 0;
}
