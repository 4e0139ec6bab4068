#include "host/hx_audio.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "host/hx_game.h"
#include "host/platform/hx_platform.h"

static_assert(std::is_same_v<ALCdevice, ALCdevice_struct> && std::is_same_v<ALCcontext, ALCcontext_struct>,
              "hx_audio.h names OpenAL's device and context by their tags");
static_assert(std::is_same_v<ALuint, uint32_t> && std::is_same_v<ALint, int32_t> && std::is_same_v<ALenum, int32_t>,
              "hx_audio.h stands uint32_t and int32_t for OpenAL's integer types");

gc_ref<HxAudio> audio_Current;
std::vector<ALuint> audio_DiscardedBuffers;
gc_ref<HxAudio> app_AudioDevice;

ALint audio_SourceState(ALuint source) {
    // alGetSourcei leaves its output alone when it fails.
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

ALenum audio_Format(int bytesPerSample, int channels) {
    if (bytesPerSample == 1 && channels == 1) return AL_FORMAT_MONO8;
    if (bytesPerSample == 1 && channels == 2) return AL_FORMAT_STEREO8;
    if (bytesPerSample == 2 && channels == 1) return AL_FORMAT_MONO16;
    if (bytesPerSample == 2 && channels == 2) return AL_FORMAT_STEREO16;
    return 0;
}

void audio_FlushDiscarded() {
    if (audio_DiscardedBuffers.empty()) return;
    // A finished sound still holds its buffer until the source lets go.
    if (HxAudio *audio = audio_Current) {
        for (HxChannel &ch : audio->channels)
            if (ch.state != 0 && audio_SourceState(ch.source) == AL_STOPPED) alSourcei(ch.source, AL_BUFFER, 0);
    }
    std::vector<ALuint> kept;
    for (ALuint buffer : audio_DiscardedBuffers) {
        // Clear what an earlier call left, so that only this deletion's
        // error keeps the name (a name kept although deleted could later
        // delete a new buffer that reuses it).
        alGetError();
        alDeleteBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) kept.push_back(buffer);
    }
    audio_DiscardedBuffers.swap(kept);
}

// ---------------------------------------------------------------------------

HxSample::~HxSample() { Discard(); }

int HxSample::Discard() {
    if (buffer != 0) {
        audio_DiscardedBuffers.push_back(buffer);
        buffer = 0;
    }
    return 0;
}

// ---------------------------------------------------------------------------

namespace {

// The program's end closes the current device, however it ends (the app's
// exit runs std::exit from inside an update). Handlers registered with
// atexit run before the shared libraries' own clean-up (OpenAL's reports
// every device still open on stderr), and this one, registered once the
// program runs, before the destructors of the run-time's globals.
void CloseAtExit() {
    if (HxAudio *audio = audio_Current) audio->Close();
}

}  // namespace

HxAudio *HxAudio::m_new() {
    audio_Current = this;

    device = alcOpenDevice(nullptr);
    if (!device) device = alcOpenDevice("Generic Hardware");
    if (!device) device = alcOpenDevice("Generic Software");
    if (!device) {
        lang_Print(String(u"OpenAl error: alcOpenDevice failed"));
    } else {
        process = platform_ProcessId();
        [[maybe_unused]] static const bool closesAtExit = std::atexit(CloseAtExit) == 0;
        context = alcCreateContext(device, nullptr);
        if (!context)
            lang_Print(String(u"OpenAl error: alcCreateContext failed"));
        else if (!alcMakeContextCurrent(context))
            lang_Print(String(u"OpenAl error: alcMakeContextCurrent failed"));
    }

    // Positions give only the direction; distance never attenuates.
    alDistanceModel(AL_NONE);
    for (HxChannel &ch : channels) {
        ch.source = 0;
        ch.sample = nullptr;
        ch.flags = 0;
        ch.state = 0;
    }
    AllocSource(channels[kMusicChannel].source);
    return this;
}

HxAudio::~HxAudio() {
    Close();
    if (audio_Current.get() == this) audio_Current = nullptr;
}

void HxAudio::Close() {
    if (!device || process != platform_ProcessId()) return;
    if (context) {
        // Sources belong to their context: it is made current for their
        // deletion, and the one that was current before comes back after.
        ALCcontext *previous = alcGetCurrentContext();
        if (previous != context) alcMakeContextCurrent(context);
        for (HxChannel &ch : channels) {
            if (ch.source != 0) {
                alSourceStop(ch.source);
                alSourcei(ch.source, AL_BUFFER, 0);
                alDeleteSources(1, &ch.source);
            }
            ch.source = 0;
            ch.state = 0;
        }
        if (audio_Current.get() == this) {
            // No source holds a queued buffer now; the names of any the
            // flush could not delete die with the device.
            audio_FlushDiscarded();
            audio_DiscardedBuffers.clear();
        }
        alcMakeContextCurrent(previous != context ? previous : nullptr);
        alcDestroyContext(context);
        context = nullptr;
    }
    alcCloseDevice(device);
    device = nullptr;
}

void HxAudio::Mark() {
    for (HxChannel &ch : channels) {
        if (ch.state != 0 && audio_SourceState(ch.source) != AL_STOPPED) {
            gc_Mark(ch.sample);
        } else {
            // The sound has ended (or the channel is stopped): it may be
            // collected now, so the channel must not keep pointing at it.
            ch.sample = nullptr;
        }
    }
}

ALuint HxAudio::AllocSource(ALuint &source) {
    if (source != 0) return source;
    alGetError();
    ALuint made = 0;
    alGenSources(1, &made);
    if (alGetError() == AL_NO_ERROR && made != 0) {
        source = made;
        return source;
    }
    source = 0;
    HxAudio *audio = audio_Current;
    if (!audio) return 0;
    // No more sources: take one from a stopped sound-effect channel. Paused
    // and playing channels and the music channel keep theirs.
    for (int i = 0; i < kMusicChannel; ++i) {
        HxChannel &ch = audio->channels[i];
        if (ch.source == 0) continue;
        if (ch.state == 1 && audio_SourceState(ch.source) == AL_STOPPED) ch.state = 0;
        if (ch.state != 0) continue;
        source = ch.source;
        ch.source = 0;
        return source;
    }
    return 0;
}

int HxAudio::Suspend() {
    for (HxChannel &ch : channels)
        if (ch.state == 1 && audio_SourceState(ch.source) == AL_PLAYING) alSourcePause(ch.source);
    return 0;
}

int HxAudio::Resume() {
    for (HxChannel &ch : channels)
        if (ch.state == 1 && audio_SourceState(ch.source) == AL_PAUSED) alSourcePlay(ch.source);
    return 0;
}

HxSample *HxAudio::LoadSample(String path) {
    audio_FlushDiscarded();
    HxSample *sample = gc_New<HxSample>();
    return LoadSampleData(sample, path) ? sample : nullptr;
}

bool HxAudio::LoadSampleData(HxSample *sample, String path) {
    if (!sample || !host_GlfwGame) return false;
    int length = 0, channelCount = 0, format = 0, hertz = 0;
    void *data = host_GlfwGame->LoadAudioData(path, &length, &channelCount, &format, &hertz);
    if (!data) return false;
    const int64_t bytes = static_cast<int64_t>(format) * channelCount * length;
    if (bytes < 0 || bytes > INT32_MAX) {
        std::free(data);
        return false;
    }
    // A sample loaded again gives up its old buffer rather than losing it.
    sample->Discard();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, audio_Format(format, channelCount), data, static_cast<ALsizei>(bytes), hertz);
    std::free(data);
    sample->buffer = buffer;
    return true;
}

int HxAudio::PlaySample(HxSample *sample, int channel, int flags) {
    if (!ValidChannel(channel)) return -1;
    audio_FlushDiscarded();
    HxChannel &ch = channels[channel];
    const ALuint source = AllocSource(ch.source);
    if (source == 0) return -1;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, sample ? static_cast<ALint>(sample->buffer) : 0);
    alSourcei(source, AL_LOOPING, flags != 0 ? AL_TRUE : AL_FALSE);
    alSourcePlay(source);
    ch.sample = sample;
    ch.flags = flags;
    ch.state = 1;
    return 0;
}

int HxAudio::StopChannel(int channel) {
    if (!ValidChannel(channel)) return 0;
    HxChannel &ch = channels[channel];
    if (ch.state != 0) {
        alSourceStop(ch.source);
        ch.state = 0;
    }
    return 0;
}

int HxAudio::PauseChannel(int channel) {
    if (!ValidChannel(channel)) return 0;
    HxChannel &ch = channels[channel];
    if (ch.state == 1) {
        if (audio_SourceState(ch.source) == AL_STOPPED) {
            ch.state = 0;
        } else {
            alSourcePause(ch.source);
            ch.state = 2;
        }
    }
    return 0;
}

int HxAudio::ResumeChannel(int channel) {
    if (!ValidChannel(channel)) return 0;
    HxChannel &ch = channels[channel];
    if (ch.state == 2) {
        alSourcePlay(ch.source);
        ch.state = 1;
    }
    return 0;
}

int HxAudio::ChannelState(int channel) {
    if (!ValidChannel(channel)) return 0;
    HxChannel &ch = channels[channel];
    if (ch.state == 1 && audio_SourceState(ch.source) == AL_STOPPED) ch.state = 0;
    return ch.state;
}

int HxAudio::SetVolume(int channel, float volume) {
    if (!ValidChannel(channel)) return 0;
    alSourcef(AllocSource(channels[channel].source), AL_GAIN, volume);
    return 0;
}

int HxAudio::SetPan(int channel, float pan) {
    if (!ValidChannel(channel)) return 0;
    alSource3f(AllocSource(channels[channel].source), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
    return 0;
}

int HxAudio::SetRate(int channel, float rate) {
    if (!ValidChannel(channel)) return 0;
    alSourcef(AllocSource(channels[channel].source), AL_PITCH, rate);
    return 0;
}

int HxAudio::PlayMusic(String path, int flags) {
    StopMusic();
    HxSample *sample = LoadSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
}

int HxAudio::StopMusic() { return StopChannel(kMusicChannel); }
int HxAudio::PauseMusic() { return PauseChannel(kMusicChannel); }
int HxAudio::ResumeMusic() { return ResumeChannel(kMusicChannel); }
int HxAudio::MusicState() { return ChannelState(kMusicChannel); }
int HxAudio::SetMusicVolume(float volume) { return SetVolume(kMusicChannel, volume); }
