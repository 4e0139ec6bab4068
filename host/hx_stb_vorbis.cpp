// The stb_vorbis decoder is compiled here, in our own build, so that the
// sanitizers and fuzzers cover it. Every other file includes the header
// with STB_VORBIS_HEADER_ONLY defined.
//
// The decoder leaks the temporary blocks of its set-up when a stream's
// set-up header breaks off or is invalid. Its allocations therefore go
// through a small tracker: each block carries a link into the list of the
// open call in progress, and audio_OpenVorbis frees whatever such a call
// left behind when it fails.
#include <alloca.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host/hx_sound.h"

namespace {

// The block header; 16 bytes, so the caller's part keeps malloc's alignment.
struct Tracked {
    Tracked *prev;
    Tracked *next;
};
static_assert(sizeof(Tracked) == 16, "tracked header keeps 16-byte alignment");

// The blocks made during the present open call, or null outside one.
thread_local Tracked *g_open = nullptr;

void Unlink(Tracked *t) {
    t->prev->next = t->next;
    t->next->prev = t->prev;
    t->prev = t->next = t;
}

// Blocks come zeroed: when an allocation in the comment header fails, the
// decoder frees every entry of the comment list, also the ones not yet set.
void *TrackedMalloc(size_t n) {
    if (n > SIZE_MAX - sizeof(Tracked)) return nullptr;
    Tracked *t = static_cast<Tracked *>(calloc(1, sizeof(Tracked) + n));
    if (!t) return nullptr;
    if (Tracked *head = g_open) {
        t->prev = head;
        t->next = head->next;
        head->next->prev = t;
        head->next = t;
    } else {
        t->prev = t->next = t;
    }
    return t + 1;
}

void TrackedFree(void *p) {
    if (!p) return;
    Tracked *t = static_cast<Tracked *>(p) - 1;
    Unlink(t);
    free(t);
}

void *TrackedRealloc(void *p, size_t n) {
    if (!p) return TrackedMalloc(n);
    if (n > SIZE_MAX - sizeof(Tracked)) return nullptr;
    Tracked *t = static_cast<Tracked *>(p) - 1;
    // Detach first: the block may move.
    const bool linked = t->next != t;
    Tracked *prev = t->prev;
    Unlink(t);
    Tracked *moved = static_cast<Tracked *>(realloc(t, sizeof(Tracked) + n));
    Tracked *keep = moved ? moved : t;
    if (linked) {
        keep->prev = prev;
        keep->next = prev->next;
        prev->next->prev = keep;
        prev->next = keep;
    } else {
        keep->prev = keep->next = keep;
    }
    return moved ? moved + 1 : nullptr;
}

}  // namespace

#define malloc(n) TrackedMalloc(n)
#define free(p) TrackedFree(p)
#define realloc(p, n) TrackedRealloc(p, n)
#include <stb/stb_vorbis.h>
#undef malloc
#undef free
#undef realloc

stb_vorbis *audio_OpenVorbis(FILE *f, int *error) {
    Tracked head;
    head.prev = head.next = &head;
    g_open = &head;
    stb_vorbis *vorbis = stb_vorbis_open_file(f, 0, error, nullptr);
    g_open = nullptr;
    // What is left in the list either belongs to the decoder (kept, but no
    // longer linked to this frame) or was lost by a failed open (freed).
    while (head.next != &head) {
        Tracked *t = head.next;
        Unlink(t);
        if (!vorbis) free(t);
    }
    return vorbis;
}
