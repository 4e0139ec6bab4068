// The audio device on OpenAL soft's null output: channel states, suspend
// and resume, buffers and their deferred deletion, the device's mark
// operation, closing, and (in child processes, each with fresh OpenAL
// state) the program's end, source stealing under a source limit, the
// wave-file output and no device at all.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "host/hx_audio.h"
#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/platform/hx_platform.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait.h"

namespace {

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

std::string Wav(unsigned channels, unsigned bits, uint32_t rate, const std::string &data) {
    const unsigned align = channels * (bits / 8);
    std::string fmt = Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
    std::string chunks = "fmt " + Le32(16) + fmt + "data" + Le32(static_cast<uint32_t>(data.size())) + data;
    return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// A loud 16-bit mono square wave of `frames` frames.
std::string Square(int frames) {
    std::string pcm;
    for (int i = 0; i < frames; ++i) pcm += Le16((i / 25) % 2 ? 12000u : static_cast<unsigned>(-12000) & 0xFFFF);
    return pcm;
}

// Waits for OpenAL's mixer (which runs on its own thread) to get somewhere.
bool WaitFor(const std::function<bool()> &done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        platform_SleepMs(5);
    }
    return done();
}

ALint AlState(HxAudio *a, int channel) { return audio_SourceState(a->channels[channel].source); }

bool Discarded(ALuint buffer) {
    return std::find(audio_DiscardedBuffers.begin(), audio_DiscardedBuffers.end(), buffer) != audio_DiscardedBuffers.end();
}

void EnqueueAudioDevice() { gc_Enqueue(app_AudioDevice); }

// Checks inside a child process: the message goes to stderr, which the
// parent shows when the exit code is not 0.
#define CHILD_CHECK(cond)                                                          \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::exit(1);                                                          \
        }                                                                          \
    } while (0)

class AudioTest : public RuntimeTest {
protected:
    HxZentrovaGame game;  // decodes the sound files
    TempDir dir;
    HxAudio *audio = nullptr;

    void SetUp() override {
        RuntimeTest::SetUp();
        setenv("ALSOFT_DRIVERS", "null", 1);
        unsetenv("ALSOFT_CONF");
        audio_DiscardedBuffers.clear();
        dir.Write("loop.wav", Wav(1, 16, 22050, Square(2205)));
        dir.Write("short.wav", Wav(1, 16, 22050, Square(220)));
    }
    void TearDown() override {
        Close();
        app_AudioDevice = nullptr;
        audio_Current = nullptr;
        RuntimeTest::TearDown();
        audio_DiscardedBuffers.clear();
    }
    HxAudio *Open() {
        audio = gc_New<HxAudio>()->m_new();
        app_AudioDevice = audio;
        return audio;
    }
    void Close() {
        if (audio) audio->Close();
        audio = nullptr;
    }
    String Path(const std::string &name) { return host_FromUtf8(dir.Join(name)); }
    HxSample *Load(const std::string &name) { return audio->LoadSample(Path(name)); }
};

}  // namespace

TEST_F(AudioTest, ChannelStatesFollowPlayPauseResumeStop) {
    HxAudio *a = Open();
    ASSERT_NE(a->device, nullptr);
    ASSERT_NE(a->context, nullptr);
    EXPECT_EQ(audio_Current.get(), a);
    // Only the music channel has a source from the start.
    EXPECT_NE(a->channels[HxAudio::kMusicChannel].source, 0u);
    for (int i = 0; i < HxAudio::kMusicChannel; ++i) EXPECT_EQ(a->channels[i].source, 0u) << i;

    HxSample *loop = Load("loop.wav");
    ASSERT_NE(loop, nullptr);
    struct Step {
        const char *name;
        std::function<int()> op;
        int state;     // ChannelState afterwards
        ALint alState;  // the source's state as OpenAL reports it
    };
    const Step steps[] = {
        {"play", [&] { return a->PlaySample(loop, 3, 1); }, 1, AL_PLAYING},
        {"resume while playing", [&] { return a->ResumeChannel(3); }, 1, AL_PLAYING},
        {"pause", [&] { return a->PauseChannel(3); }, 2, AL_PAUSED},
        {"pause while paused", [&] { return a->PauseChannel(3); }, 2, AL_PAUSED},
        {"resume", [&] { return a->ResumeChannel(3); }, 1, AL_PLAYING},
        {"stop", [&] { return a->StopChannel(3); }, 0, AL_STOPPED},
        {"pause while stopped", [&] { return a->PauseChannel(3); }, 0, AL_STOPPED},
        {"resume while stopped", [&] { return a->ResumeChannel(3); }, 0, AL_STOPPED},
        {"play again", [&] { return a->PlaySample(loop, 3, 1); }, 1, AL_PLAYING},
        {"pause, then play restarts", [&] { a->PauseChannel(3); return a->PlaySample(loop, 3, 1); }, 1, AL_PLAYING},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.op(), 0);
        EXPECT_EQ(a->ChannelState(3), s.state);
        EXPECT_EQ(AlState(a, 3), s.alState);
    }
    EXPECT_EQ(a->channels[3].sample.get(), loop);
    EXPECT_EQ(a->channels[3].flags, 1);
    // Channel numbers outside 0 to 32 address nothing.
    EXPECT_EQ(a->PlaySample(loop, 33, 0), -1);
    EXPECT_EQ(a->PlaySample(loop, -1, 0), -1);
    EXPECT_EQ(a->ChannelState(1000), 0);
}

TEST_F(AudioTest, FinishedSoundsReadAsStopped) {
    HxAudio *a = Open();
    HxSample *once = Load("short.wav");
    ASSERT_NE(once, nullptr);

    ASSERT_EQ(a->PlaySample(once, 1, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return a->ChannelState(1) == 0; }));

    // Pausing a sound that has ended stops the channel rather than pausing it.
    ASSERT_EQ(a->PlaySample(once, 2, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return AlState(a, 2) == AL_STOPPED; }));
    EXPECT_EQ(a->channels[2].state, 1);
    a->PauseChannel(2);
    EXPECT_EQ(a->channels[2].state, 0);
}

TEST_F(AudioTest, SuspendPausesOnlyWhatPlays) {
    HxAudio *a = Open();
    HxSample *loop = Load("loop.wav");
    HxSample *once = Load("short.wav");
    ASSERT_EQ(a->PlaySample(loop, 3, 1), 0);
    ASSERT_EQ(a->PlaySample(loop, 4, 1), 0);
    a->PauseChannel(4);
    ASSERT_EQ(a->PlaySample(once, 5, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return AlState(a, 5) == AL_STOPPED; }));

    EXPECT_EQ(a->Suspend(), 0);
    EXPECT_EQ(AlState(a, 3), AL_PAUSED);
    EXPECT_EQ(a->ChannelState(3), 1);  // paused by the suspension, still "playing"
    EXPECT_EQ(AlState(a, 4), AL_PAUSED);
    EXPECT_EQ(a->ChannelState(4), 2);

    EXPECT_EQ(a->Resume(), 0);
    EXPECT_EQ(AlState(a, 3), AL_PLAYING);
    EXPECT_EQ(a->ChannelState(3), 1);
    // The program's own pause outlives the suspension, and a finished sound
    // does not start again.
    EXPECT_EQ(AlState(a, 4), AL_PAUSED);
    EXPECT_EQ(a->ChannelState(4), 2);
    EXPECT_EQ(AlState(a, 5), AL_STOPPED);
}

TEST_F(AudioTest, LoadsBuffersInTheFilesFormat) {
    HxAudio *a = Open();
    struct Case {
        const char *name;
        unsigned channels, bits;
        size_t dataBytes;
        ALint alBits, alChannels, alSize;
    };
    const Case cases[] = {
        {"16-bit stereo", 2, 16, 400, 16, 2, 400},
        {"16-bit stereo, partial frame", 2, 16, 402, 16, 2, 400},
        {"16-bit mono", 1, 16, 300, 16, 1, 300},
        {"8-bit mono", 1, 8, 100, 8, 1, 100},
        {"8-bit stereo, partial frame", 2, 8, 101, 8, 2, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("s.wav", Wav(c.channels, c.bits, 11025, std::string(c.dataBytes, '\x40')));
        HxSample *s = Load("s.wav");
        ASSERT_NE(s, nullptr);
        ASSERT_NE(s->buffer, 0u);
        ALint bits = 0, channels = 0, size = 0, hertz = 0;
        alGetBufferi(s->buffer, AL_BITS, &bits);
        alGetBufferi(s->buffer, AL_CHANNELS, &channels);
        alGetBufferi(s->buffer, AL_SIZE, &size);
        alGetBufferi(s->buffer, AL_FREQUENCY, &hertz);
        EXPECT_EQ(bits, c.alBits);
        EXPECT_EQ(channels, c.alChannels);
        EXPECT_EQ(size, c.alSize);
        EXPECT_EQ(hertz, 11025);
    }

    // A layout OpenAL has no format for loads, into a buffer without data,
    // and plays nothing.
    dir.Write("s24.wav", Wav(1, 24, 11025, std::string(300, '\x40')));
    HxSample *odd = Load("s24.wav");
    ASSERT_NE(odd, nullptr);
    ALint size = -1;
    alGetBufferi(odd->buffer, AL_SIZE, &size);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(a->PlaySample(odd, 0, 0), 0);

    // Files that do not load.
    dir.Write("s.mp3", Wav(1, 16, 11025, Square(10)));
    EXPECT_EQ(Load("missing.wav"), nullptr);
    EXPECT_EQ(Load("s.mp3"), nullptr);
    EXPECT_EQ(a->PlayMusic(Path("missing.wav"), 0), -1);
}

TEST_F(AudioTest, MusicAndChannelSettings) {
    HxAudio *a = Open();
    const ALuint music = a->channels[HxAudio::kMusicChannel].source;
    ASSERT_EQ(a->PlayMusic(Path("loop.wav"), 1), 0);
    HxSample *first = a->channels[HxAudio::kMusicChannel].sample;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(a->MusicState(), 1);
    EXPECT_EQ(a->channels[HxAudio::kMusicChannel].source, music);
    a->PauseMusic();
    EXPECT_EQ(a->MusicState(), 2);
    a->ResumeMusic();
    EXPECT_EQ(a->MusicState(), 1);
    // Each call loads the file again.
    ASSERT_EQ(a->PlayMusic(Path("loop.wav"), 1), 0);
    EXPECT_NE(a->channels[HxAudio::kMusicChannel].sample.get(), first);
    a->StopMusic();
    EXPECT_EQ(a->MusicState(), 0);

    // Settings give a fresh channel its source, which a later play keeps.
    a->SetMusicVolume(0.5f);
    a->SetVolume(6, 0.25f);
    a->SetPan(7, static_cast<float>(M_PI / 2));
    a->SetRate(8, 1.5f);
    float gain = 0, musicGain = 0, pitch = 0, x = 0, y = 0, z = 0;
    alGetSourcef(a->channels[HxAudio::kMusicChannel].source, AL_GAIN, &musicGain);
    alGetSourcef(a->channels[6].source, AL_GAIN, &gain);
    alGetSource3f(a->channels[7].source, AL_POSITION, &x, &y, &z);
    alGetSourcef(a->channels[8].source, AL_PITCH, &pitch);
    EXPECT_FLOAT_EQ(musicGain, 0.5f);
    EXPECT_FLOAT_EQ(gain, 0.25f);
    EXPECT_FLOAT_EQ(x, 1.0f);
    EXPECT_FLOAT_EQ(y, 0.0f);
    EXPECT_NEAR(z, 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(pitch, 1.5f);
    const ALuint six = a->channels[6].source;
    ASSERT_NE(six, 0u);
    ASSERT_EQ(a->PlaySample(Load("loop.wav"), 6, 1), 0);
    EXPECT_EQ(a->channels[6].source, six);
    alGetSourcef(six, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.25f);
}

// The collector keeps what plays or is paused; what has stopped is
// destroyed and its buffer deleted once no source holds it.
TEST_F(AudioTest, MarkAndDeferredBufferDeletion) {
    gc_SetRoots(EnqueueAudioDevice);
    HxAudio *a = Open();
    gc_MarkGlobals();
    HxSample *playing = Load("loop.wav");
    HxSample *paused = Load("loop.wav");
    HxSample *stopped = Load("loop.wav");
    const ALuint stoppedBuffer = stopped->buffer;
    ASSERT_EQ(a->PlaySample(playing, 1, 1), 0);
    ASSERT_EQ(a->PlaySample(paused, 2, 1), 0);
    a->PauseChannel(2);
    ASSERT_EQ(a->PlaySample(stopped, 3, 1), 0);
    a->StopChannel(3);

    gc_CollectAll();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
    // Only the stopped channel's sample was destroyed; the channel no longer
    // points at it.
    EXPECT_EQ(audio_DiscardedBuffers, std::vector<ALuint>{stoppedBuffer});
    EXPECT_EQ(a->channels[1].sample.get(), playing);
    EXPECT_EQ(a->channels[2].sample.get(), paused);
    EXPECT_EQ(a->channels[3].sample.get(), nullptr);
    EXPECT_TRUE(alIsBuffer(playing->buffer));
    EXPECT_TRUE(alIsBuffer(paused->buffer));

    // The stopped channel's source still holds the buffer: it stays queued.
    audio_FlushDiscarded();
    EXPECT_TRUE(Discarded(stoppedBuffer));
    EXPECT_TRUE(alIsBuffer(stoppedBuffer));
    // Once that channel plays something else, the next flush deletes it.
    ASSERT_EQ(a->PlaySample(playing, 3, 1), 0);
    audio_FlushDiscarded();
    EXPECT_TRUE(audio_DiscardedBuffers.empty());
    EXPECT_FALSE(alIsBuffer(stoppedBuffer));

    // A sound that has ended lets go of its buffer at the flush.
    HxSample *once = Load("short.wav");
    const ALuint onceBuffer = once->buffer;
    ASSERT_EQ(a->PlaySample(once, 4, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return AlState(a, 4) == AL_STOPPED; }));
    EXPECT_EQ(once->Discard(), 0);
    EXPECT_EQ(once->buffer, 0u);
    EXPECT_EQ(once->Discard(), 0);  // twice queues it once
    EXPECT_EQ(audio_DiscardedBuffers, std::vector<ALuint>{onceBuffer});
    // An error left over from an earlier call does not keep a buffer whose
    // deletion worked (OpenAL hands deleted names out again, so a name kept
    // by mistake would later delete someone else's buffer).
    alSourcei(0xDEAD, AL_LOOPING, 0);
    ASSERT_EQ(a->PlaySample(playing, 5, 1), 0);
    EXPECT_TRUE(audio_DiscardedBuffers.empty());
    EXPECT_FALSE(alIsBuffer(onceBuffer));

    // Loading flushes too; a paused channel's buffer stays.
    const ALuint pausedBuffer = paused->buffer;
    paused->Discard();
    Load("short.wav")->Discard();
    ASSERT_NE(Load("short.wav"), nullptr);
    EXPECT_EQ(audio_DiscardedBuffers, std::vector<ALuint>{pausedBuffer});
}

// Closing releases the sources and the queued buffers and leaves a device
// that addresses nothing, as one that never opened; a second close does
// nothing.
TEST_F(AudioTest, CloseReleasesEverythingOnce) {
    HxAudio *a = Open();
    HxSample *loop = Load("loop.wav");
    ASSERT_EQ(a->PlaySample(loop, 3, 1), 0);
    ASSERT_EQ(a->PlaySample(Load("loop.wav"), 4, 1), 0);
    a->StopChannel(4);
    a->channels[4].sample->Discard();  // held by channel 4's source: stays queued
    ASSERT_EQ(audio_DiscardedBuffers.size(), 1u);
    ASSERT_NE(alcGetCurrentContext(), nullptr);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        a->Close();
        EXPECT_EQ(a->device, nullptr);
        EXPECT_EQ(a->context, nullptr);
        EXPECT_EQ(alcGetCurrentContext(), nullptr);
        EXPECT_TRUE(audio_DiscardedBuffers.empty());
        for (int i = 0; i < HxAudio::kChannels; ++i) {
            EXPECT_EQ(a->channels[i].source, 0u) << i;
            EXPECT_EQ(a->ChannelState(i), 0) << i;
        }
    }
    EXPECT_EQ(audio_Current.get(), a);
    EXPECT_EQ(a->PlaySample(loop, 3, 1), -1);
    EXPECT_EQ(a->PlayMusic(Path("loop.wav"), 1), 0);
    EXPECT_EQ(a->MusicState(), 0);
}

// Sources belong to their context: closing a device whose context is not
// current deletes its own sources, not the same names in the current one,
// and leaves the current context current.
TEST_F(AudioTest, ClosingAnotherDeviceKeepsTheCurrentOne) {
    HxAudio *first = Open();
    HxAudio *second = gc_New<HxAudio>()->m_new();
    ASSERT_NE(second->context, nullptr);
    const ALuint music = second->channels[HxAudio::kMusicChannel].source;
    ASSERT_EQ(first->channels[HxAudio::kMusicChannel].source, music);  // names are per context
    first->Close();
    EXPECT_EQ(first->device, nullptr);
    EXPECT_EQ(alcGetCurrentContext(), second->context);
    EXPECT_TRUE(alIsSource(music));
    EXPECT_EQ(second->PlaySample(Load("loop.wav"), 0, 1), 0);
    EXPECT_EQ(AlState(second, 0), AL_PLAYING);
    second->Close();
    EXPECT_EQ(alcGetCurrentContext(), nullptr);
}

// ---------------------------------------------------------------------------
// Child processes: OpenAL reads its configuration once per process.

// However the program ends, the device is closed before OpenAL's own
// clean-up, which would report it on stderr; without a device the end is
// as quiet. The app's exit is std::exit from inside an update.
TEST_F(AudioTest, TheProgramsEndClosesTheDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char *drivers : {"null", "velmora-no-such-driver"}) {
        SCOPED_TRACE(drivers);
        EXPECT_EXIT(
            {
                setenv("ALSOFT_DRIVERS", drivers, 1);
                if (!std::freopen("/dev/null", "w", stdout)) _exit(1);
                HxAudio *a = Open();
                a->PlaySample(Load("loop.wav"), 0, 1);
                a->PlayMusic(Path("loop.wav"), 1);
                dir.Remove();  // exit runs no destructors
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "^$");
    }
}

// A fork's exit leaves the device to the parent, even when the fork mixes
// on a thread of its own (as the game sessions' children do): it ends, and
// the parent's device still plays.
TEST_F(AudioTest, AForksEndLeavesTheDeviceAlone) {
    HxAudio *a = Open();
    ASSERT_TRUE(alcIsExtensionPresent(a->device, "ALC_SOFT_pause_device"));
    auto pause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(a->device, "alcDevicePauseSOFT"));
    auto resume = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(a->device, "alcDeviceResumeSOFT"));
    pause(a->device);  // no mixing thread while the process forks
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    resume(a->device);
    if (pid == 0) std::exit(0);
    int status = -1;
    const bool ended = test_WaitUntil("the fork's end", [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_NE(a->device, nullptr);
    HxSample *once = Load("short.wav");
    ASSERT_EQ(a->PlaySample(once, 0, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return a->ChannelState(0) == 0; }));
}

TEST_F(AudioTest, StealsTheSourceOfTheFirstStoppedChannel) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string conf = dir.Write("alsoft.conf", "[general]\nsources = 4\n");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_CONF", conf.c_str(), 1);
            HxAudio *a = Open();
            HxChannel *ch = a->channels;
            const ALuint music = ch[HxAudio::kMusicChannel].source;
            CHILD_CHECK(music != 0);
            HxSample *loop = Load("loop.wav");
            HxSample *once = Load("short.wav");
            CHILD_CHECK(loop && once);
            // The three sources left: one playing, one paused, one ended.
            CHILD_CHECK(a->PlaySample(loop, 0, 1) == 0);
            CHILD_CHECK(a->PlaySample(loop, 1, 1) == 0);
            a->PauseChannel(1);
            CHILD_CHECK(a->PlaySample(once, 2, 0) == 0);
            CHILD_CHECK(WaitFor([&] { return AlState(a, 2) == AL_STOPPED; }));
            CHILD_CHECK(ch[2].state == 1);

            // The ended sound's channel gives up its source.
            const ALuint ended = ch[2].source;
            CHILD_CHECK(a->PlaySample(loop, 7, 1) == 0);
            CHILD_CHECK(ch[7].source == ended);
            CHILD_CHECK(ch[2].source == 0 && ch[2].state == 0);

            // Playing and paused channels and the (stopped) music channel
            // keep theirs.
            CHILD_CHECK(a->PlaySample(loop, 8, 1) == -1);
            CHILD_CHECK(ch[8].source == 0 && ch[8].state == 0 && ch[8].sample.get() == nullptr);
            CHILD_CHECK(ch[0].source != 0 && ch[1].source != 0 && ch[HxAudio::kMusicChannel].source == music);
            CHILD_CHECK(a->SetVolume(9, 0.5f) == 0 && ch[9].source == 0);

            // With two stopped channels, the lower-numbered one is robbed.
            a->StopChannel(7);
            a->StopChannel(0);
            const ALuint first = ch[0].source;
            CHILD_CHECK(a->PlaySample(loop, 10, 1) == 0);
            CHILD_CHECK(ch[10].source == first && ch[0].source == 0 && ch[7].source == ended);
            dir.Remove();  // exit runs no destructors
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(AudioTest, PlaysIntoAWaveFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string out = dir.Join("out.wav");
    const std::string conf = dir.Write("alsoft.conf", "[general]\ndrivers = wave\nsample-type = int16\nchannels = stereo\n[wave]\nfile = " + out + "\n");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_CONF", conf.c_str(), 1);
            setenv("ALSOFT_DRIVERS", "wave", 1);
            HxAudio *a = Open();
            CHILD_CHECK(a->device != nullptr && a->context != nullptr);
            CHILD_CHECK(a->PlaySample(Load("loop.wav"), 0, 1) == 0);
            platform_SleepMs(300);
            a->Close();  // completes the file
            const std::string wav = test_ReadFile(out);
            CHILD_CHECK(wav.size() > 44 && wav.compare(0, 4, "RIFF") == 0);
            size_t data = wav.find("data");
            CHILD_CHECK(data != std::string::npos);
            int peak = 0;
            for (size_t i = data + 8; i + 1 < wav.size(); i += 2) {
                const int16_t v = static_cast<int16_t>(static_cast<uint8_t>(wav[i]) | (static_cast<uint8_t>(wav[i + 1]) << 8));
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            if (peak < 3000) std::fprintf(stderr, "peak %d\n", peak);
            CHILD_CHECK(peak >= 3000);
            dir.Remove();  // exit runs no destructors
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(AudioTest, RunsSilentlyWithoutADevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_DRIVERS", "velmora-no-such-driver", 1);
            const std::string log = dir.Join("stdout.txt");
            std::fflush(stdout);
            const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            CHILD_CHECK(fd >= 0 && dup2(fd, 1) == 1);
            gc_SetRoots(EnqueueAudioDevice);
            HxAudio *a = Open();
            gc_MarkGlobals();
            CHILD_CHECK(a->device == nullptr && a->context == nullptr);
            CHILD_CHECK(a->channels[HxAudio::kMusicChannel].source == 0);
            // Files still decode; nothing plays and nothing fails loudly.
            HxSample *loop = Load("loop.wav");
            CHILD_CHECK(loop != nullptr && loop->buffer == 0);
            CHILD_CHECK(a->PlaySample(loop, 0, 1) == -1);
            CHILD_CHECK(a->ChannelState(0) == 0);
            CHILD_CHECK(a->PlayMusic(Path("loop.wav"), 1) == 0);
            CHILD_CHECK(a->MusicState() == 0);
            CHILD_CHECK(a->SetVolume(1, 0.5f) == 0 && a->SetPan(1, 1.0f) == 0 && a->SetRate(1, 2.0f) == 0);
            CHILD_CHECK(a->Suspend() == 0 && a->Resume() == 0);
            gc_CollectAll();
            gc_CollectAll();
            std::fflush(stdout);
            const std::string printed = test_ReadFile(log);
            if (printed != "OpenAl error: alcOpenDevice failed\n") std::fprintf(stderr, "printed: [%s]\n", printed.c_str());
            CHILD_CHECK(printed == "OpenAl error: alcOpenDevice failed\n");
            dir.Remove();  // exit runs no destructors
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
