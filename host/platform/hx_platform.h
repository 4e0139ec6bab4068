// The operating-system layer: the few services the host takes from the
// platform, each in one function. Nothing outside host/platform/ includes
// a system header for these. Paths are UTF-8 byte strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The running executable's full path ("" when it cannot be read).
std::string platform_ExecutablePath();

// Opens a file by its UTF-8 path with a C mode ("rb", "wb", ...); null on failure.
FILE *platform_OpenFile(const char *path, const char *mode);

// Replaces the file at `path` with `size` bytes so that the path names
// either the old content or the new one, never a mixture: the bytes go to
// a temporary file in the same folder, which is flushed to the disk and
// renamed over the target. 0 done, -1 the temporary file could not be
// created, -2 writing, syncing, closing or renaming failed. On failure the
// old file is untouched and no temporary file is left.
int platform_ReplaceFile(const char *path, const void *data, size_t size);

// Fault injection for tests of platform_ReplaceFile: `write` stands in for
// the system write; `beforeRename` runs after the temporary file is
// complete and just before the rename. Null means the normal behaviour.
struct platform_FileHooks {
    long (*write)(int fd, const void *data, size_t size) = nullptr;
    void (*beforeRename)(const char *tempPath) = nullptr;
};
extern platform_FileHooks platform_ReplaceFileHooks;

// Sleeps for whole milliseconds (nothing for 0 or less).
void platform_SleepMs(int ms);

// The id of the running process (a fork's differs from its parent's).
int platform_ProcessId();

// Hands a URL to the desktop's opener (xdg-open), without a shell and
// without waiting for it. False when the opener cannot be started.
bool platform_OpenUrl(const char *url);

// The local date and time now.
struct platform_DateTime {
    int year, month, day, hour, minute, second;
};
platform_DateTime platform_LocalTime();

// Microseconds of a monotonic clock.
int64_t platform_Microseconds();

// Starts `body(arg)` on a new detached thread with the default stack size.
// False when the thread cannot be created.
bool platform_StartThread(void (*body)(void *), void *arg);

// The address of a GL function of the current context, or null.
void *platform_GLProcAddress(const char *name);

// Termination requests (SIGTERM, SIGINT, SIGHUP: a logout, Ctrl-C, a kill)
// become a request the main loop takes like the window's close button, so
// the game saves before it ends. The signals are blocked in the calling
// thread, and so in every thread started after it, and a watcher thread
// waits for them: nothing runs inside a signal handler. After each request
// the watcher calls `wake` (which must be safe on any thread) so that a
// loop waiting for events sees it. A further signal while a request is
// still pending is the same request, unless that request has been waiting
// for platform_TerminationGraceMs: the program is then taken for hung, and
// the signal ends the process at once with 128 + its number.
// Call once, before other threads exist.
void platform_WatchTerminationSignals(void (*wake)());
inline constexpr int platform_TerminationGraceMs = 3000;
// True once for each request that has come.
bool platform_TakeTerminationRequest();

// Whether a process of that id exists (one of another user included).
bool platform_ProcessAlive(int pid);

// Removes what platform_ReplaceFile leaves of `path` when its process dies
// between writing the temporary file and the rename: the regular files in
// the target's folder named the target's name + ".tmp" + a process id as
// it writes them, whose process no longer exists. A running process's
// file stays: it may be in the middle of its own replacement. Nothing else
// is touched. Returns how many files were removed.
int platform_RemoveStaleReplaceFiles(const char *path);
