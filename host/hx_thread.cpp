#include "host/hx_thread.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "host/platform/hx_platform.h"

namespace {
// Threads started and not yet seen finished; main thread only.
std::vector<HxThread *> g_tracked;
const std::thread::id g_mainThread = std::this_thread::get_id();

void ThreadBody(void *arg) {
    HxThread *t = static_cast<HxThread *>(arg);
    t->Run();
    // The last touch of the object on the worker.
    t->state.store(2, std::memory_order_release);
}
}  // namespace

void HxThread::Mark() { gc_EnqueueObject(result.load(std::memory_order_acquire)); }

void HxThread::Start() {
    if (state.load(std::memory_order_acquire) == 1) return;
    result.store(nullptr);
    state.store(1, std::memory_order_release);
    bool tracked = false;
    for (HxThread *t : g_tracked) tracked = tracked || t == this;
    if (!tracked) g_tracked.push_back(this);
    gc_EnqueueObject(this);
    if (!platform_StartThread(ThreadBody, this)) {
        std::puts("CreateThread failed!");
        std::fflush(stdout);
        std::exit(-1);
    }
}

bool HxThread::IsRunning() { return state.load(std::memory_order_acquire) == 1; }

Object *HxThread::Result() { return result.load(std::memory_order_acquire); }

void HxThread::SetResult(Object *r) {
    if (std::this_thread::get_id() == g_mainThread) gc_EnqueueObject(r);
    result.store(r, std::memory_order_release);
}

void thread_MarkRunning() {
    for (size_t i = 0; i < g_tracked.size();) {
        HxThread *t = g_tracked[i];
        bool finished = t->state.load(std::memory_order_acquire) != 1;
        gc_EnqueueObject(t);
        gc_EnqueueObject(t->result.load(std::memory_order_acquire));
        if (finished) {
            g_tracked[i] = g_tracked.back();
            g_tracked.pop_back();
        } else {
            ++i;
        }
    }
}

int thread_TrackedCount() { return static_cast<int>(g_tracked.size()); }
