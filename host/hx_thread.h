// A collected object that runs its own Run() on an operating-system thread
// and hands back one result object.
//
// The collector is not thread-safe, so the worker must not allocate or
// store collected objects or make Strings; it may fill memory the main
// thread prepared. While a thread runs, the host's collector steps keep the
// thread object and its result alive (thread_MarkRunning); once finished,
// the thread's own mark keeps its result.
#pragma once

#include <atomic>

#include "runtime/rt_object.h"

class HxThread : public Object {
public:
    // 0 never started, 1 running, 2 finished.
    std::atomic<int> state{0};
    std::atomic<Object *> result{nullptr};

    HxThread() {}
    HxThread *m_new() { return this; }
    void Mark() override;

    // Starts Run() on a new thread unless one is running; the result is
    // cleared first. Ends the process with "CreateThread failed!" when no
    // thread can be made.
    virtual void Start();
    virtual bool IsRunning();
    virtual Object *Result();
    // Safe on the worker: a plain atomic store there; on the main thread
    // the stored object is also shaded for the running collection.
    virtual void SetResult(Object *r);
    // The work; nothing by default.
    virtual void Run() {}
};

// Shades every running thread and its result, and forgets the threads that
// have finished (after shading them once more). The host calls it before
// every collector step.
void thread_MarkRunning();
// How many started threads the host still tracks.
int thread_TrackedCount();
