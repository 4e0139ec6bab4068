// Data buffers: a collected object owning one block of raw bytes from the
// C allocator. Users read and write `data` directly at byte offsets within
// `length`; the destructor frees the block.
#pragma once

#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class HxThread;

class HxDataBuffer : public Object {
public:
    unsigned char *data = nullptr;
    int length = 0;

    HxDataBuffer() {}
    ~HxDataBuffer() override;

    // Takes `block` (from malloc) as the buffer's own, or allocates `length`
    // bytes when none is given. False, with nothing taken, when the buffer
    // already holds a block, the length is negative or memory runs out.
    bool New(int length, void *block = nullptr);
    // The whole file through the current host object; false when the buffer
    // already holds a block or the file cannot be read.
    bool Load(String path);
    // Load on behalf of a worker thread: touches no String and no collected
    // object but this buffer and the thread, and hands the buffer to the
    // thread as its result when a block was loaded. The caller keeps `path`
    // alive until the thread has finished.
    void LoadAsync(const String &path, HxThread *thread);
    // Frees the block, if any.
    void Discard();
};

class c_DataBuffer : public HxDataBuffer {
public:
    c_DataBuffer() {}
    c_DataBuffer *m_new() { return this; }
    // Allocates `length` bytes; the run-time error "Allocate DataBuffer
    // failed" when the buffer already holds a block or the length is negative.
    c_DataBuffer *m_new(int length);
    // Copies `count` bytes from offset `address` to `dst` at `dstAddress`,
    // clipped to both buffers; overlapping ranges copy correctly. Nothing is
    // copied for a negative offset or count or a start beyond the end.
    void CopyBytes(int address, c_DataBuffer *dst, int dstAddress, int count);
};
