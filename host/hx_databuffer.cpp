#include "host/hx_databuffer.h"

#include <cstdlib>
#include <cstring>

#include "host/hx_files.h"
#include "host/hx_game.h"
#include "host/hx_thread.h"
#include "host/platform/hx_platform.h"
#include "runtime/rt_error.h"

HxDataBuffer::~HxDataBuffer() {
    if (data) std::free(data);
}

bool HxDataBuffer::New(int n, void *block) {
    if (data) return false;
    if (!block) {
        if (n < 0) return false;
        block = std::malloc(n > 0 ? static_cast<size_t>(n) : 1);
        if (!block) return false;
    }
    data = static_cast<unsigned char *>(block);
    length = n;
    return true;
}

bool HxDataBuffer::Load(String path) {
    if (data || !host_CurrentGame) return false;
    int n = 0;
    unsigned char *block = host_CurrentGame->LoadData(path, &n);
    if (!block) return false;
    data = block;
    length = n;
    return true;
}

void HxDataBuffer::LoadAsync(const String &path, HxThread *thread) {
    // A private UTF-8 copy of the path: no String is made or counted here.
    std::string file = host_MapDataPathUtf8(host_ToUtf8(path), host_ExecutableFolder());
    if (data || file.empty()) return;
    FILE *f = platform_OpenFile(file.c_str(), "rb");
    if (!f) return;
    int n = 0;
    unsigned char *block = host_ReadWholeFile(f, &n);
    std::fclose(f);
    if (!block) return;
    data = block;
    length = n;
    if (thread) thread->SetResult(this);
}

void HxDataBuffer::Discard() {
    if (!data) return;
    std::free(data);
    data = nullptr;
    length = 0;
}

c_DataBuffer *c_DataBuffer::m_new(int n) {
    if (data || n < 0) object_Error(String(u"Allocate DataBuffer failed"));
    void *block = std::malloc(n > 0 ? static_cast<size_t>(n) : 1);
    if (!block) rt_OutOfMemory(static_cast<uint64_t>(n));
    data = static_cast<unsigned char *>(block);
    length = n;
    return this;
}

void c_DataBuffer::CopyBytes(int address, c_DataBuffer *dst, int dstAddress, int count) {
    if (!dst || address < 0 || dstAddress < 0 || count <= 0) return;
    int64_t n = count;
    if (static_cast<int64_t>(address) + n > length) n = static_cast<int64_t>(length) - address;
    if (static_cast<int64_t>(dstAddress) + n > dst->length) n = static_cast<int64_t>(dst->length) - dstAddress;
    if (n <= 0) return;
    std::memmove(dst->data + dstAddress, data + address, static_cast<size_t>(n));
}
