// The audio device: 33 OpenAL channels (0 to 31 for sound effects, 32 for
// music) and the sounds played on them.
//
// A channel gets its OpenAL source on its first play or volume, pan or rate
// setting (the music channel when the device opens) and keeps it; when
// OpenAL can make no more sources, a stopped channel gives its source up to
// the channel that needs one. A sound (HxSample) owns one OpenAL buffer;
// discarding or destroying the sound queues the buffer, and the queue is
// deleted before the next load or play once no source holds it.
//
// OpenAL mixes on its own threads, so a channel's state is read back from
// its source where it matters (a sound may have ended since the last call).
// Every query of a source's state starts from "stopped": a failed query
// (no context, no source) then reads as a stopped source.
//
// Make the device with gc_New<HxAudio>()->m_new(), which opens OpenAL; a
// machine without sound prints why and the device runs silently. The
// device closes when the program ends: host_MainBody closes it after the
// main loop, and an exit handler when the app ends through std::exit.
// `app_AudioDevice` is a global: the program's roots function must
// gc_Enqueue it.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// OpenAL stays out of this header: its device and context are opaque here
// (the struct tags behind <AL/alc.h>'s ALCdevice and ALCcontext), buffer and
// source names are uint32_t (ALuint), states and formats int32_t (ALint,
// ALenum). hx_audio.cpp checks that these are OpenAL's own types.
struct ALCdevice_struct;
struct ALCcontext_struct;

class HxSample : public Object {
public:
    // The OpenAL buffer name; 0 = none.
    uint32_t buffer = 0;

    HxSample() {}
    explicit HxSample(uint32_t b) : buffer(b) {}
    // Hands the buffer over for deletion, as Discard does.
    ~HxSample() override;
    // Queues the buffer for deletion and forgets it; 0.
    virtual int Discard();
    void SetBuffer(uint32_t b) { buffer = b; }
};

// One channel's record inside the device (not a collected object).
struct HxChannel {
    uint32_t source = 0;        // 0 = none yet
    gc_ref<HxSample> sample;    // the sound last played here, or null
    int flags = 0;              // flags of the last play; non-zero loops
    int state = 0;              // 0 stopped, 1 playing, 2 paused
};

class HxAudio : public Object {
public:
    static constexpr int kChannels = 33;
    static constexpr int kMusicChannel = 32;

    ALCdevice_struct *device = nullptr;
    ALCcontext_struct *context = nullptr;
    int process = 0;  // the process that opened the device
    HxChannel channels[kChannels];

    HxAudio() {}
    // Opening: makes this `audio_Current`, opens the OpenAL device and its
    // context (printing "OpenAl error: ..." for each step that fails, then
    // going on), turns distance attenuation off and gives the music channel
    // its source.
    HxAudio *m_new();
    // Closes the device and stops `audio_Current` from pointing at a
    // destroyed one.
    ~HxAudio() override;
    // Releases OpenAL, so that its clean-up at the program's end finds no
    // device still open (it would report it on stderr): deletes the
    // channels' sources and the queued buffers, destroys the context and
    // closes the device. Once closed, or without a device, it does nothing;
    // the operations then address no device, as on a machine without sound.
    // A forked copy of the process leaves the device alone: OpenAL's
    // threads did not come along, and destroying the context would join one
    // of them by a handle that a thread of the fork may since have reused
    // (the join then never ends).
    void Close();
    // Marks the sound of every channel that is playing or paused (as OpenAL
    // reports it); channels whose sound has ended let go of it.
    void Mark() override;

    // Pauses the playing channels (they keep state 1); 0.
    virtual int Suspend();
    // Plays again the channels Suspend paused; 0.
    virtual int Resume();
    // A new sound, or null when the file cannot be loaded.
    virtual HxSample *LoadSample(String path);
    // Decodes `path` into a new buffer of `sample`; false when nothing decoded.
    virtual bool LoadSampleData(HxSample *sample, String path);
    // 0, or -1 when no source can be had.
    virtual int PlaySample(HxSample *sample, int channel, int flags);
    virtual int StopChannel(int channel);
    virtual int PauseChannel(int channel);
    virtual int ResumeChannel(int channel);
    // 0 stopped, 1 playing, 2 paused; a finished sound reads as stopped.
    virtual int ChannelState(int channel);
    virtual int SetVolume(int channel, float volume);
    // Direction (sin pan, 0, -cos pan), pan in radians.
    virtual int SetPan(int channel, float pan);
    virtual int SetRate(int channel, float rate);
    // 0 once the file loaded (even without a source), -1 when it did not.
    virtual int PlayMusic(String path, int flags);
    virtual int StopMusic();
    virtual int PauseMusic();
    virtual int ResumeMusic();
    virtual int MusicState();
    virtual int SetMusicVolume(float volume);

    // Gives `source` (a channel's source field) a source when it has none:
    // a new one, else the source of the first stopped channel 0 to 31 of
    // `audio_Current`. The result is the source, 0 when there is none.
    static uint32_t AllocSource(uint32_t &source);

    // Channel numbers outside 0 to 32 address nothing.
    static bool ValidChannel(int channel) { return channel >= 0 && channel < kChannels; }
};

// The device that source stealing and the buffer flush work on.
extern gc_ref<HxAudio> audio_Current;
// Buffer names waiting for deletion.
extern std::vector<uint32_t> audio_DiscardedBuffers;
// The device as the app layer holds it.
extern gc_ref<HxAudio> app_AudioDevice;

// Deletes the queued buffers that no source holds any more; first detaches
// the buffers of channels whose sound has ended. The rest stay queued.
void audio_FlushDiscarded();

// OpenAL's state of a source (AL_PLAYING, AL_PAUSED, ...), AL_STOPPED when
// the query fails.
int32_t audio_SourceState(uint32_t source);

// The OpenAL format for bytes per sample and channel count (1 or 2 each),
// 0 for anything else.
int32_t audio_Format(int bytesPerSample, int channels);
