// Sound-file decoding: the WAV reader, the Ogg reader and the host's choice
// between them by the file name's ending.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_sound.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Chunk(const std::string &tag, const std::string &body) { return tag + Le32(static_cast<uint32_t>(body.size())) + body; }
// A chunk whose size field says `size`, whatever the body.
std::string ChunkSized(const std::string &tag, uint32_t size, const std::string &body) { return tag + Le32(size) + body; }
std::string Fmt(unsigned tag, unsigned channels, uint32_t rate, unsigned bits, const std::string &extra = "") {
    const unsigned align = channels * (bits / 8);
    return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits) + extra);
}
std::string Riff(const std::string &chunks) { return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks; }
std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

struct Decoded {
    bool ok = false;
    int length = -1, channels = -1, format = -1, hertz = -1;
    std::string data;
};

Decoded Decode(void *(*reader)(FILE *, int *, int *, int *, int *), const std::string &bytes) {
    Decoded d;
    // fmemopen refuses a zero-length buffer; an empty file is a 1-byte
    // buffer opened at its end instead.
    std::string buf = bytes.empty() ? std::string(1, '\0') : bytes;
    FILE *f = fmemopen(buf.data(), buf.size(), "rb");
    if (!f) return d;
    if (bytes.empty()) std::fseek(f, 1, SEEK_SET);
    void *p = reader(f, &d.length, &d.channels, &d.format, &d.hertz);
    std::fclose(f);
    if (!p) return d;
    d.ok = true;
    const int64_t n = static_cast<int64_t>(d.length) * d.channels * d.format;
    d.data.assign(static_cast<const char *>(p), static_cast<size_t>(n));
    std::free(p);
    return d;
}

Decoded DecodeWav(const std::string &bytes) { return Decode(audio_LoadWav, bytes); }

// A valid file with everything the reader must step over: an 18-byte fmt
// chunk, a LIST chunk before the data and a chunk after it.
const std::string kData = Bytes(400);
std::string FullFile() {
    return Riff(Fmt(1, 2, 22050, 16, Le16(0)) + Chunk("LIST", "INFOtest") + Chunk("data", kData) + Chunk("junk", "abcd"));
}

}  // namespace

TEST(WavTest, AcceptsAndRejectsFiles) {
    struct Case {
        const char *name;
        std::string file;
        bool ok;
        int length, channels, format, hertz;
        std::string data;
    };
    const std::string d10 = Bytes(10), d400 = Bytes(400), d402 = Bytes(402), d18 = Bytes(18);
    const Case cases[] = {
        {"8-bit mono", Riff(Fmt(1, 1, 8000, 8) + Chunk("data", d10)), true, 10, 1, 1, 8000, d10},
        {"8-bit stereo", Riff(Fmt(1, 2, 11025, 8) + Chunk("data", d10)), true, 5, 2, 1, 11025, d10},
        {"16-bit mono", Riff(Fmt(1, 1, 44100, 16) + Chunk("data", d10)), true, 5, 1, 2, 44100, d10},
        {"16-bit stereo", Riff(Fmt(1, 2, 48000, 16) + Chunk("data", d400)), true, 100, 2, 2, 48000, d400},
        {"partial frame dropped", Riff(Fmt(1, 2, 48000, 16) + Chunk("data", d402)), true, 100, 2, 2, 48000, d400},
        {"fmt of 18 bytes", Riff(Fmt(1, 1, 8000, 8, Le16(0)) + Chunk("data", d10)), true, 10, 1, 1, 8000, d10},
        {"LIST before data", Riff(Fmt(1, 1, 8000, 16) + Chunk("LIST", "INFOab") + Chunk("data", d10)), true, 5, 1, 2, 8000, d10},
        {"empty data", Riff(Fmt(1, 1, 8000, 8) + Chunk("data", "")), true, 0, 1, 1, 8000, ""},
        {"24-bit, 3 channels", Riff(Fmt(1, 3, 8000, 24) + Chunk("data", d18)), true, 2, 3, 3, 8000, d18},
        {"full file", FullFile(), true, 100, 2, 2, 22050, d400},
        {"format tag 3", Riff(Fmt(3, 1, 8000, 32) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"no data chunk", Riff(Fmt(1, 1, 8000, 8) + Chunk("LIST", "INFO")), false, 0, 0, 0, 0, ""},
        {"fmt not first", Riff(Chunk("LIST", "INFO") + Fmt(1, 1, 8000, 8) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"not RIFF", "RIFX" + Riff(Fmt(1, 1, 8000, 8) + Chunk("data", d10)).substr(4), false, 0, 0, 0, 0, ""},
        {"not WAVE", Riff(Fmt(1, 1, 8000, 8) + Chunk("data", d10)).replace(8, 4, "AVI "), false, 0, 0, 0, 0, ""},
        {"tag case differs", Riff(Fmt(1, 1, 8000, 8) + Chunk("DATA", d10)), false, 0, 0, 0, 0, ""},
        {"empty file", "", false, 0, 0, 0, 0, ""},
        // Hostile headers.
        {"data size all bits set", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("data", 0xFFFFFFFFu, d10)), false, 0, 0, 0, 0, ""},
        {"data size 2^31", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("data", 0x80000000u, d10)), false, 0, 0, 0, 0, ""},
        {"data larger than the file", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("data", 11, d10)), false, 0, 0, 0, 0, ""},
        {"other chunk past the end", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("LIST", 0x7FFFFFF0u, "") + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"0 channels", Riff(Fmt(1, 0, 8000, 8) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"0 bits", Riff(Fmt(1, 1, 8000, 0) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"7 bits", Riff(Fmt(1, 1, 8000, 7) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"fmt of 8 bytes", Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000)) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
        {"fmt size all bits set", Riff(ChunkSized("fmt ", 0xFFFFFFFFu, Fmt(1, 1, 8000, 8).substr(8)) + Chunk("data", d10)), false, 0, 0, 0, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = DecodeWav(c.file);
        ASSERT_EQ(d.ok, c.ok);
        if (!c.ok) {
            // Nothing is written on failure.
            EXPECT_EQ(d.length, -1);
            continue;
        }
        EXPECT_EQ(d.length, c.length);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.format, c.format);
        EXPECT_EQ(d.hertz, c.hertz);
        EXPECT_EQ(d.data, c.data.substr(0, d.data.size()));
        EXPECT_EQ(d.data.size(), c.data.size() - c.data.size() % (c.channels * c.format));
    }
}

TEST(WavTest, EveryTruncationFailsOrDecodesWhole) {
    const std::string file = FullFile();
    const Decoded whole = DecodeWav(file);
    ASSERT_TRUE(whole.ok);
    const size_t dataEnd = file.find("junk");
    ASSERT_NE(dataEnd, std::string::npos);
    for (size_t n = 0; n < file.size(); ++n) {
        SCOPED_TRACE(n);
        Decoded d = DecodeWav(file.substr(0, n));
        // Cut inside the data or before it: null. Cut in the trailing
        // chunk: the same result as the whole file.
        ASSERT_EQ(d.ok, n >= dataEnd);
        if (d.ok) {
            EXPECT_EQ(d.length, whole.length);
            EXPECT_EQ(d.data, whole.data);
        }
    }
}

// A stream that can neither seek nor tell its length: chunks are skipped by
// reading, and a false data size allocates only what arrives.
TEST(WavTest, ReadsFromAPipe) {
    struct Case {
        const char *name;
        std::string file;
        bool ok;
    };
    const Case cases[] = {
        {"valid", FullFile(), true},
        {"data size 2^31 - 1", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("data", 0x7FFFFFFFu, Bytes(100))), false},
        {"other chunk past the end", Riff(Fmt(1, 1, 8000, 8) + ChunkSized("LIST", 0x7FFFFFF0u, "")), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(write(fds[1], c.file.data(), c.file.size()), static_cast<ssize_t>(c.file.size()));
        close(fds[1]);
        FILE *f = fdopen(fds[0], "rb");
        ASSERT_NE(f, nullptr);
        int length = -1, channels = -1, format = -1, hertz = -1;
        void *p = audio_LoadWav(f, &length, &channels, &format, &hertz);
        std::fclose(f);
        EXPECT_EQ(p != nullptr, c.ok);
        if (p) {
            EXPECT_EQ(length, 100);
            EXPECT_EQ(std::string(static_cast<char *>(p), 400), kData);
        }
        std::free(p);
    }
}

TEST(WavTest, ReadLE32) {
    std::string bytes = "\x01\x02\x03\x04\x05\x06";
    FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(audio_ReadLE32(f), 0x04030201u);
    EXPECT_EQ(audio_ReadLE32(f), 0xFFFFFFFFu);  // only 2 bytes left
    std::fclose(f);
}

// ---------------------------------------------------------------------------

class SoundFileTest : public RuntimeTest {
protected:
    TempDir dir;
    String Path(const std::string &name) { return host_FromUtf8(dir.Join(name)); }

    // Encodes a 16-bit stereo sine WAV of `frames` frames at `rate` to Ogg
    // with oggenc; returns the Ogg file's path ("" when oggenc failed).
    std::string MakeOgg(int frames, int rate) {
        std::string pcm;
        for (int i = 0; i < frames; ++i) {
            const int v = static_cast<int>(std::lround(12000.0 * std::sin(i * 2.0 * M_PI * 440.0 / rate)));
            pcm += Le16(static_cast<unsigned>(v) & 0xFFFF) + Le16(static_cast<unsigned>(-v) & 0xFFFF);
        }
        dir.Write("in.wav", Riff(Fmt(1, 2, static_cast<uint32_t>(rate), 16) + Chunk("data", pcm)));
        const std::string out = dir.Join("out.ogg");
        const std::string cmd = "oggenc -Q -o '" + out + "' '" + dir.Join("in.wav") + "'";
        if (std::system(cmd.c_str()) != 0) return "";
        return out;
    }
};

TEST_F(SoundFileTest, ChoosesTheReaderByTheEnding) {
    HxZentrovaGame game;
    const std::string wav = Riff(Fmt(1, 2, 22050, 16) + Chunk("data", Bytes(402)));
    struct Case {
        const char *name;
        bool ok;
    };
    const Case cases[] = {
        {"sound.wav", true}, {"SOUND.WAV", true}, {"Sound.Wav", true},
        {"sound.mp3", false}, {"sound.ogg", false}, {"soundwav", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write(c.name, wav);
        gc_ExternalBytes.store(0);
        int length = -1, channels = -1, format = -1, hertz = -1;
        void *p = game.LoadAudioData(Path(c.name), &length, &channels, &format, &hertz);
        EXPECT_EQ(p != nullptr, c.ok);
        if (p) {
            EXPECT_EQ(length, 100);
            EXPECT_EQ(channels, 2);
            EXPECT_EQ(format, 2);
            EXPECT_EQ(hertz, 22050);
            // The frames handed on, not the chunk's 402 bytes.
            EXPECT_EQ(gc_ExternalBytes.load(), 400);
        } else {
            EXPECT_EQ(length, -1);
            EXPECT_EQ(gc_ExternalBytes.load(), 0);
        }
        std::free(p);
    }
    int length = -1, channels, format, hertz;
    EXPECT_EQ(game.LoadAudioData(Path("missing.wav"), &length, &channels, &format, &hertz), nullptr);
    EXPECT_EQ(game.LoadAudioData(String(u"zentrova:nowhere.wav"), &length, &channels, &format, &hertz), nullptr);
    EXPECT_EQ(length, -1);
    // The base host object decodes nothing.
    HxGame plain;
    dir.Write("plain.wav", wav);
    EXPECT_EQ(plain.LoadAudioData(Path("plain.wav"), &length, &channels, &format, &hertz), nullptr);
}

TEST_F(SoundFileTest, DecodesOggWholeAndSurvivesTruncation) {
    constexpr int kFrames = 22050, kRate = 22050;
    const std::string path = MakeOgg(kFrames, kRate);
    ASSERT_FALSE(path.empty()) << "oggenc (vorbis-tools, scripts/deps.sh) is needed";
    const std::string ogg = test_ReadFile(path);

    Decoded whole = Decode(audio_LoadOgg, ogg);
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(whole.length, kFrames);
    EXPECT_EQ(whole.channels, 2);
    EXPECT_EQ(whole.format, 2);
    EXPECT_EQ(whole.hertz, kRate);
    // The right channel is the left one inverted; lossy coding keeps that
    // roughly, and the signal is far from silent.
    const int16_t *s = reinterpret_cast<const int16_t *>(whole.data.data());
    int peak = 0;
    for (int i = 1000; i < 2000; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s[2 * i])));
        EXPECT_NEAR(s[2 * i], -s[2 * i + 1], 1500) << i;
    }
    EXPECT_GT(peak, 8000);

    // Through the host, with the ending in capitals.
    HxZentrovaGame game;
    dir.Write("MUSIC.OGG", ogg);
    int length = 0, channels = 0, format = 0, hertz = 0;
    void *p = game.LoadAudioData(Path("MUSIC.OGG"), &length, &channels, &format, &hertz);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(length, kFrames);
    std::free(p);
    // WAV bytes named .ogg, Ogg bytes named .wav: both null.
    dir.Write("fake.ogg", dir.Read("in.wav"));
    dir.Write("fake.wav", ogg);
    EXPECT_EQ(game.LoadAudioData(Path("fake.ogg"), &length, &channels, &format, &hertz), nullptr);
    EXPECT_EQ(game.LoadAudioData(Path("fake.wav"), &length, &channels, &format, &hertz), nullptr);

    // Cut copies: null, or fewer frames of the same layout.
    std::vector<size_t> cuts;
    for (size_t n = 0; n < 200 && n < ogg.size(); ++n) cuts.push_back(n);
    for (size_t n = 200; n < ogg.size(); n += ogg.size() / 61 + 1) cuts.push_back(n);
    cuts.push_back(ogg.size() - 1);
    int decoded = 0, lastLength = 0;
    for (size_t n : cuts) {
        SCOPED_TRACE(n);
        Decoded d = Decode(audio_LoadOgg, ogg.substr(0, n));
        // Once the headers are complete, every longer copy decodes, to at
        // least as many frames.
        EXPECT_TRUE(d.ok || decoded == 0);
        if (!d.ok) continue;
        EXPECT_GE(d.length, lastLength);
        lastLength = d.length;
        ++decoded;
        EXPECT_EQ(d.channels, 2);
        EXPECT_EQ(d.format, 2);
        EXPECT_EQ(d.hertz, kRate);
        EXPECT_LE(d.length, kFrames);
        // What was decoded before the break matches the whole file, except
        // the last block, whose overlap may come from a damaged packet.
        const size_t same = d.data.size() > 4096 * 4 ? d.data.size() - 4096 * 4 : 0;
        EXPECT_TRUE(d.data.compare(0, same, whole.data, 0, same) == 0);
    }
    EXPECT_GT(decoded, 10);
    EXPECT_GT(lastLength, 0);
}
