// Sound files decoded to interleaved samples: PCM WAV with our own reader,
// Ogg Vorbis through stb_vorbis.
//
// Both readers work on an open file from its present position and leave it
// open. On success they return a block from malloc (the caller frees it)
// and write: length = sample frames (one sample per channel), channels,
// format = bytes per sample, hertz = frames per second. WAV data is passed
// on as stored (8-bit unsigned or 16-bit signed little-endian); Ogg data is
// 16-bit signed. On failure they return null and write nothing.
//
// The block never holds more than INT32_MAX bytes (so its size fits
// OpenAL's buffer size), and length x channels x format never exceeds it.
#pragma once

#include <cstdint>
#include <cstdio>

// The next 4 bytes as a little-endian number; all bits set when fewer than
// 4 bytes remain.
uint32_t audio_ReadLE32(FILE *f);

// "RIFF" ... "WAVE", an "fmt " chunk first (at least 16 bytes, format tag 1,
// at least one channel and 8 bits per sample), then chunks up to the first
// "data" chunk. Null for anything else, for a data chunk larger than the
// rest of the file or than INT32_MAX, and when memory runs out.
void *audio_LoadWav(FILE *f, int *length, int *channels, int *format, int *hertz);

// The whole Ogg Vorbis stream as 16-bit samples. Null when it does not
// open, has no channels, decodes to more than INT32_MAX bytes of samples or
// memory runs out. A stream that breaks off gives the frames before the
// break.
void *audio_LoadOgg(FILE *f, int *length, int *channels, int *format, int *hertz);

// stb_vorbis_open_file on `f` (not closed with the decoder), without the
// blocks that the decoder would lose when the open fails.
struct stb_vorbis;
stb_vorbis *audio_OpenVorbis(FILE *f, int *error);
