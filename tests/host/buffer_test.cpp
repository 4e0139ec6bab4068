// Data buffers and the thread class.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/hx_databuffer.h"
#include "host/hx_game.h"
#include "host/hx_thread.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

class BufferTest : public RuntimeTest {};

c_DataBuffer *Bytes(std::vector<unsigned char> v) {
    c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new(static_cast<int>(v.size()));
    if (!v.empty()) std::memcpy(b->data, v.data(), v.size());
    return b;
}
std::vector<unsigned char> Contents(c_DataBuffer *b) { return std::vector<unsigned char>(b->data, b->data + b->length); }

TEST_F(BufferTest, CopyBytesTable) {
    struct Case {
        const char *what;
        int address, dstAddress, count;
        bool sameBuffer;
        std::vector<unsigned char> expect;  // destination afterwards
    } cases[] = {
        // Source 1..6, destination eight zeros, unless sameBuffer (1..5).
        {"clipped by the source", 0, 2, 10, false, {0, 0, 1, 2, 3, 4, 5, 6}},
        {"clipped by the destination", 1, 5, 4, false, {0, 0, 0, 0, 0, 2, 3, 4}},
        {"forward overlap", 0, 1, 4, true, {1, 1, 2, 3, 4}},
        {"backward overlap", 1, 0, 4, true, {2, 3, 4, 5, 5}},
        {"zero count", 0, 0, 0, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"negative count", 0, 0, -3, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"negative source offset", -2, 0, 4, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"negative destination offset", 0, -1, 4, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"source start beyond the end", 9, 0, 2, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"destination start beyond the end", 0, 12, 2, false, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"sums beyond 32 bits", 2, 3, 2147483647, false, {0, 0, 0, 3, 4, 5, 6, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c_DataBuffer *src = c.sameBuffer ? Bytes({1, 2, 3, 4, 5}) : Bytes({1, 2, 3, 4, 5, 6});
        c_DataBuffer *dst = c.sameBuffer ? src : Bytes(std::vector<unsigned char>(8, 0));
        src->CopyBytes(c.address, dst, c.dstAddress, c.count);
        EXPECT_EQ(Contents(dst), c.expect);
    }
}

TEST_F(BufferTest, FillingAndDiscarding) {
    c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new();
    EXPECT_EQ(b->data, nullptr);
    EXPECT_EQ(b->length, 0);
    b->Discard();  // empty: nothing happens
    void *block = std::malloc(8);
    EXPECT_TRUE(b->New(8, block));
    EXPECT_EQ(b->data, block);
    EXPECT_EQ(b->length, 8);
    void *other = std::malloc(8);
    EXPECT_FALSE(b->New(8, other));  // not taken
    EXPECT_EQ(b->data, block);
    std::free(other);
    EXPECT_FALSE(b->Load(String(u"/etc/hostname")));
    b->Discard();
    EXPECT_EQ(b->data, nullptr);
    EXPECT_EQ(b->length, 0);
    EXPECT_TRUE(b->New(16));
    EXPECT_EQ(b->length, 16);
    b->Discard();
    EXPECT_FALSE(b->New(-1));
    EXPECT_EQ(b->data, nullptr);
    EXPECT_TRUE(b->New(0));  // a block of length 0
    EXPECT_NE(b->data, nullptr);
}

TEST_F(BufferTest, LoadThroughTheHost) {
    HxGame game;
    TempDir dir;
    const std::string path = dir.Write("buffer.bin", std::string(5000, 'x'));
    c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new();
    EXPECT_FALSE(b->Load(String(u"/nonexistent/file")));
    EXPECT_EQ(b->length, 0);
    EXPECT_TRUE(b->Load(String(path.c_str())));
    EXPECT_EQ(b->length, 5000);
    EXPECT_EQ(b->data[4999], 'x');
    EXPECT_FALSE(b->Load(String(path.c_str())));  // already holds a block
    gc_ExternalBytes = 0;
}

TEST_F(BufferTest, AllocatingTwiceIsARunTimeError) {
    EXPECT_EXIT(
        {
            std::freopen("/dev/null", "r", stdin);
            c_DataBuffer *b = gc_New<c_DataBuffer>()->m_new(16);
            b->m_new(16);
        },
        ::testing::ExitedWithCode(255), "");
}

// ---------------------------------------------------------------------------

int g_destroyed = 0;

struct Tracked : Object {
    ~Tracked() override { ++g_destroyed; }
};

// Waits for the main thread's go, then hands over the object the main
// thread prepared.
struct Worker : HxThread {
    std::atomic<bool> go{false};
    Object *prepared = nullptr;
    ~Worker() override { ++g_destroyed; }
    void Mark() override {
        HxThread::Mark();
        gc_Enqueue(prepared);
    }
    void Run() override {
        while (!go.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        SetResult(prepared);
    }
};

// One host collector step's worth: the running threads, then a full
// collection, then everything unreachable destroyed.
void FullCollection() {
    thread_MarkRunning();
    gc_CollectAll();
    gc_Reclaim(INT32_MAX);
}

void WaitFinished(HxThread *t) {
    for (int i = 0; i < 10000 && t->IsRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(t->IsRunning());
}

class ThreadTest : public RuntimeTest {};

TEST_F(ThreadTest, RunningThreadAndResultStayAlive) {
    g_destroyed = 0;
    Worker *w = gc_New<Worker>();
    w->prepared = gc_New<Tracked>();
    EXPECT_FALSE(w->IsRunning());
    w->Start();
    EXPECT_TRUE(w->IsRunning());
    EXPECT_EQ(thread_TrackedCount(), 1);
    // Nothing but the running thread refers to the worker.
    for (int i = 0; i < 3; ++i) FullCollection();
    EXPECT_EQ(g_destroyed, 0);
    // The result is handed over while the main thread goes on collecting.
    Object *prepared = w->prepared;
    w->go = true;
    WaitFinished(w);
    EXPECT_EQ(w->Result(), prepared);
    w->prepared = nullptr;
    FullCollection();  // sees it finished: forgets it after one more shading
    EXPECT_EQ(thread_TrackedCount(), 0);
    EXPECT_EQ(g_destroyed, 0);
    // Now unreachable: the worker goes, and its result with it.
    FullCollection();
    FullCollection();
    EXPECT_EQ(g_destroyed, 2);
}

TEST_F(ThreadTest, RestartAndIgnoredStart) {
    g_destroyed = 0;
    Worker *w = gc_New<Worker>();
    w->go = true;
    w->Start();
    WaitFinished(w);
    EXPECT_EQ(w->Result(), nullptr);
    w->go = false;
    w->Start();  // state 2 may start again
    EXPECT_TRUE(w->IsRunning());
    w->Start();  // ignored while running
    w->go = true;
    WaitFinished(w);
    FullCollection();
    EXPECT_EQ(thread_TrackedCount(), 0);
}

struct Loader : HxThread {
    String path;
    c_DataBuffer *buffer = nullptr;
    void Run() override { buffer->LoadAsync(path, this); }
    void Mark() override {
        HxThread::Mark();
        gc_Enqueue(buffer);
    }
};

TEST_F(ThreadTest, LoadAsyncHandsTheBufferOver) {
    TempDir dir;
    const std::string file = dir.Write("async.bin", std::string(9000, 'q'));
    Loader *l = gc_New<Loader>();
    l->path = String(file.c_str());
    l->buffer = gc_New<c_DataBuffer>()->m_new();
    l->Start();
    WaitFinished(l);
    EXPECT_EQ(l->Result(), l->buffer);
    EXPECT_EQ(l->buffer->length, 9000);
    // A missing file: no result.
    Loader *m = gc_New<Loader>();
    m->path = String(u"/nonexistent/velmora");
    m->buffer = gc_New<c_DataBuffer>()->m_new();
    m->Start();
    WaitFinished(m);
    EXPECT_EQ(m->Result(), nullptr);
    EXPECT_EQ(m->buffer->length, 0);
    FullCollection();
    gc_ExternalBytes = 0;
}

}  // namespace
