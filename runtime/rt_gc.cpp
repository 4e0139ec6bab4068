#include "runtime/rt_gc.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/rt_error.h"

namespace {
// The heads link to themselves from construction on, so the lists are
// usable even before gc_InitLists.
struct Heads {
    Heads() { gc_InitLists(); }
};
gc_RootsFn g_roots = nullptr;
}  // namespace

gc_ListHead gc_UnreachableList;
gc_ListHead gc_MarkedList;
gc_ListHead gc_LiveList;
gc_ListHead gc_MarkQueue;
static Heads g_heads;

uint32_t gc_WhiteColour = 1;
int32_t gc_NewBytes = 0;
int32_t gc_AllocBytes = 0;
int32_t gc_MarkedBytes = 0;
int32_t gc_PendingFreeBytes = 0;
std::atomic<int32_t> gc_ExternalBytes{0};
void *gc_FreePools[8] = {};

// Moves every object of `from` to the tail of `to`, in order.
static void MoveAll(gc_ListHead &from, gc_ListHead &to) {
    if (from.next == &from) return;
    gc_object *first = from.next;
    gc_object *last = from.prev;
    gc_object *tail = to.prev;
    tail->next = first;
    first->prev = tail;
    last->next = &to;
    to.prev = last;
    from.next = from.prev = &from;
}

static void DestroyUnreachable(int32_t size) {
    int32_t target = math_WrapAdd(gc_PendingFreeBytes, -static_cast<int64_t>(size));
    if (target < 0) target = 0;
    while (gc_PendingFreeBytes > target && gc_UnreachableList.next != &gc_UnreachableList) {
        gc_object *o = gc_UnreachableList.next;
        gc_Unlink(o);
        gc_Destroy(o);
    }
}

void gc_DestroyForAllocation(int32_t size) {
    // What the destructors free (their Strings) does not count as new.
    int32_t remembered = gc_NewBytes;
    DestroyUnreachable(size);
    gc_NewBytes = remembered;
}

void *gc_SystemMalloc(uint32_t size) {
    void *mem = std::malloc(size);
    if (!mem) rt_OutOfMemory(size);
    return mem;
}

void gc_Free(void *mem, uint32_t size) {
    gc_PendingFreeBytes = math_WrapAdd(gc_PendingFreeBytes, -static_cast<int64_t>(size));
    if (size > 63) {
        std::free(mem);
    } else {
        *static_cast<void **>(mem) = gc_FreePools[size >> 3];
        gc_FreePools[size >> 3] = mem;
    }
}

void gc_Destroy(gc_object *obj) {
    uint32_t size = obj->Size();
    obj->~gc_object();
    gc_Free(obj, size);
}

// Empties the four lists. A head's colour is 3, which is never white.
void gc_InitLists() {
    for (gc_ListHead *h : {&gc_LiveList, &gc_MarkQueue, &gc_MarkedList, &gc_UnreachableList}) {
        h->next = h->prev = h;
        h->flags = 3;
    }
}

// The blacken step, for a shaded object: onto the marked list, counted, and
// its references shaded by its Mark().
static void Blacken(gc_object *o) {
    rt_Assert(!gc_IsWhite(o));
    gc_Unlink(o);
    gc_Append(gc_MarkedList, o);
    gc_MarkedBytes = math_WrapAdd(gc_MarkedBytes, o->Size());
    o->Mark();
}

void gc_MarkObject(gc_object *o) {
    if (o && gc_IsWhite(o)) {
        o->flags ^= 1u;
        Blacken(o);
    }
}

void gc_MarkQueued(int32_t budget) {
    if (budget <= gc_MarkedBytes) return;
    while (gc_MarkQueue.next != &gc_MarkQueue) {
        Blacken(gc_MarkQueue.next);
        if (gc_MarkedBytes >= budget) break;
    }
}

// Whether some black object references a white one. Mark() shades only
// white objects, so running it again on the black objects changes nothing
// unless one of them gained a white reference past the barrier: then the
// grey queue is no longer empty or more bytes are marked.
[[maybe_unused]] static bool BlackReferencesWhite() {
    const int32_t marked = gc_MarkedBytes;
    for (gc_object *o = gc_MarkedList.next; o != &gc_MarkedList; o = o->next) {
        o->Mark();
        if (gc_MarkQueue.next != &gc_MarkQueue || gc_MarkedBytes != marked) return true;
    }
    return false;
}

void gc_Sweep() {
    rt_Assert(gc_MarkQueue.next == &gc_MarkQueue);
    rt_Assert(!BlackReferencesWhite());
    if (gc_AllocBytes != gc_MarkedBytes) {
        MoveAll(gc_LiveList, gc_UnreachableList);
        gc_PendingFreeBytes = math_WrapAdd(gc_PendingFreeBytes, math_WrapAdd(gc_AllocBytes, -static_cast<int64_t>(gc_MarkedBytes)));
    }
    gc_LiveList.next = gc_LiveList.prev = &gc_LiveList;
    MoveAll(gc_MarkedList, gc_LiveList);
    gc_AllocBytes = gc_MarkedBytes;
    gc_MarkedBytes = 0;
    gc_WhiteColour ^= 1u;
}

int32_t gc_StepBudget(int32_t n, int32_t a) {
    int64_t diff = math_WrapAdd(a, -static_cast<int64_t>(n));
    int64_t product = static_cast<int64_t>(n) * diff;
    int64_t quotient = product / gc_FullThreshold;
    return math_Wrap(static_cast<int64_t>(n) + quotient);
}

void gc_Collect() {
    int32_t n = gc_NewBytes;
    int32_t x = gc_ExternalBytes.load();
    // In 64 bits: the external count can stand near INT32_MAX, and a
    // wrapped sum would put every full collection off for good.
    if (static_cast<int64_t>(n) + x <= gc_FullThreshold) {
        gc_MarkQueued(gc_StepBudget(n, gc_AllocBytes));
        return;
    }
    gc_ExternalBytes.fetch_sub(x);
    gc_CollectAll();
    gc_NewBytes = 0;
}

void gc_CollectAll() {
    gc_MarkQueued(2147483647);
    gc_Sweep();
    gc_MarkGlobals();
}

void gc_MarkGlobals() {
    if (g_roots) g_roots();
}

void gc_SetRoots(gc_RootsFn fn) { g_roots = fn; }


// Saturates at INT32_MAX: loads of large files between two full
// collections must not wrap the count to a negative value.
void gc_AddExternalBytes(int32_t bytes) {
    int32_t old = gc_ExternalBytes.load();
    int32_t sum;
    do {
        int64_t wide = static_cast<int64_t>(old) + bytes;
        sum = wide > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wide);
    } while (!gc_ExternalBytes.compare_exchange_weak(old, sum));
}

void gc_Reclaim(int32_t bytes) { DestroyUnreachable(bytes); }

void gc_ValidateList(gc_ListHead &list, const char *message) {
    gc_object *node = list.next;
    gc_object *prev = &list;
    for (;;) {
        if (!node || node->prev != prev || prev->next != node) {
            if (message) {
                std::fputs(message, stdout);
                std::fputc('\n', stdout);
                std::fflush(stdout);
            }
            std::fputs("LIST ERROR!", stdout);
            std::fflush(stdout);
            std::exit(-1);
        }
        if (node == &list) return;
        prev = node;
        node = node->next;
    }
}
