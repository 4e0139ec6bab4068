// Incremental tri-colour mark-and-sweep collector.
//
// Every collected object (every Object and every array representation)
// derives from gc_object and sits on exactly one of four intrusive lists:
//   gc_LiveList        white: survivors of the last full collection + new objects
//   gc_MarkQueue       grey: shaded, waiting for Mark()
//   gc_MarkedList      black: shaded and Mark() has run
//   gc_UnreachableList found dead by a full collection, destroyed lazily by
//                      later allocations (oldest first)
// Shading flips colour bit 0 away from gc_WhiteColour; grey and black share
// that colour and differ only in their list. Colour 3 (the list heads and
// the static empty arrays) is never white.
//
// The invariant: a black object never references a white one.
//
// A cycle starts with every live object white and the roots shaded grey
// (gc_MarkGlobals). A collector step blackens grey objects off the queue:
// each moves to the marked list and its Mark() shades what it references,
// so a fresh black object references only grey and black ones. Program code
// runs between the steps and keeps storing references; storing a white
// object into a black one that is never scanned again would leave it
// reachable yet white, and the sweep would destroy it. The write barrier
// rules that out: every reference store is gc_Assign (gc_ref<T>
// assignment), which shades a white stored object grey, and every array
// store is gc_Mark (ArrayField<T> assignment), which blackens the array at
// once and, for arrays of references, marks the elements the same way. After
// any store the stored object is grey or black, so the invariant holds
// between steps whatever the interleaving. New objects are white; they
// survive the cycle only when something reaches them (a barriered store or
// a root). Nothing scans the stack: see gc_Collect.
//
// The sweep requires the grey queue to be empty: a grey object is reachable
// but its references have not been followed, so white objects behind it
// could be live. With the queue empty and the invariant holding, whatever
// the roots reach is black and every white object is garbage. The sweep
// moves the white live list to the unreachable list, makes the marked list
// the new live list and swaps the colours (gc_WhiteColour ^= 1): without
// touching a single object, the survivors turn white for the next cycle.
//
// rt_Assert (runtime/rt_assert.h) checks this in the sanitizer and Debug
// builds: the barrier leaves the stored object non-white, only shaded
// objects are blackened, and before each sweep the grey queue is empty and
// no black object references a white one (running Mark() again on every
// black object shades nothing). Mark() must therefore be repeatable.
//
// Rules for code built on this runtime (see runtime/README.md):
//  * Allocate only through gc_New<T>(...) / Array<T>(n). The header is
//    written and the object linked after its constructor ran.
//  * Object-reference fields and globals are gc_ref<T>; array fields and
//    globals are ArrayField<T> (runtime/rt_array.h). Their assignment runs
//    the write barrier (gc_Assign / gc_Mark). Constructors initialise them
//    directly.
//  * Mark() enqueues every reference field with gc_Enqueue.
//  * Nothing scans the stack: collection runs only in gc_Collect, which the
//    host calls between events when no translated code holds references
//    that are not also reachable from the roots.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "runtime/rt_assert.h"
#include "runtime/rt_error.h"
#include "runtime/rt_math.h"

class gc_object {
public:
    gc_object *next;
    gc_object *prev;
    uint32_t flags;

    // Leaves the header alone: gc_New writes it after construction.
    gc_object() {}
    gc_object(const gc_object &) = delete;
    gc_object &operator=(const gc_object &) = delete;
    virtual ~gc_object() {}
    // Shades the objects this one references (gc_Enqueue on each field).
    virtual void Mark() {}

    uint32_t Size() const { return flags & ~7u; }
    uint32_t Colour() const { return flags & 3u; }

    // Collected objects are never deleted by program code.
    static void operator delete(void *) {}
};

// Sentinel list heads. An empty list's head links to itself.
class gc_ListHead : public gc_object {
public:
    gc_ListHead() {}
};

extern gc_ListHead gc_LiveList;
extern gc_ListHead gc_MarkQueue;
extern gc_ListHead gc_MarkedList;
extern gc_ListHead gc_UnreachableList;

extern uint32_t gc_WhiteColour;
extern int32_t gc_NewBytes;
extern int32_t gc_AllocBytes;
extern int32_t gc_MarkedBytes;
extern int32_t gc_PendingFreeBytes;
extern std::atomic<int32_t> gc_ExternalBytes;

// The free pools: one singly linked list per 8-byte size class below 64.
extern void *gc_FreePools[8];

// Threshold in bytes above which a collector step becomes a full collection.
constexpr int32_t gc_FullThreshold = 8388608;

// List primitives (exposed for the collector's tests).
inline void gc_Unlink(gc_object *o) {
    o->prev->next = o->next;
    o->next->prev = o->prev;
}
inline void gc_Append(gc_ListHead &list, gc_object *o) {
    gc_object *last = list.prev;
    o->prev = last;
    o->next = &list;
    last->next = o;
    list.prev = o;
}

// The out-of-line parts of an allocation. gc_DestroyForAllocation destroys
// unreachable objects worth at least `size` bytes, oldest first, leaving
// gc_NewBytes as it was; gc_SystemMalloc takes a block from the system
// allocator (64 bytes and more, or a smaller size whose pool is empty).
void gc_DestroyForAllocation(int32_t size);
void *gc_SystemMalloc(uint32_t size);

// Allocation steps 1 to 5: rounds n, counts it, destroys unreachable objects
// worth at least that much, and returns raw memory. *rounded receives the
// rounded size. Ends the process through rt_OutOfMemory on failure. Inline,
// with gc_Link and gc_New, so that an allocation from a pool with nothing
// to destroy calls no function.
inline void *gc_Malloc(size_t n, uint32_t *rounded) {
    if (n > 0x7ffffff0u) rt_OutOfMemory(n);
    const uint32_t s = static_cast<uint32_t>((n + 7) & ~static_cast<size_t>(7));
    gc_NewBytes = math_WrapAdd(gc_NewBytes, s);
    if (gc_UnreachableList.next != &gc_UnreachableList) gc_DestroyForAllocation(static_cast<int32_t>(s));
    void *mem;
    if (s < 64 && gc_FreePools[s >> 3]) {
        mem = gc_FreePools[s >> 3];
        gc_FreePools[s >> 3] = *static_cast<void **>(mem);
    } else {
        mem = gc_SystemMalloc(s);
    }
    *rounded = s;
    return mem;
}
// Allocation step 6: header and live-list link for a constructed object.
inline void gc_Link(gc_object *obj, uint32_t rounded) {
    obj->flags = gc_WhiteColour | rounded;
    gc_Append(gc_LiveList, obj);
    gc_AllocBytes = math_WrapAdd(gc_AllocBytes, rounded);
}
// The deleting destructor: runs the destructor, then gives the memory back
// (pools below 64 bytes, the system allocator otherwise).
void gc_Destroy(gc_object *obj);
// Returns a block of `size` bytes that held an unreachable object.
void gc_Free(void *mem, uint32_t size);

template <class T, class... A>
T *gc_New(A &&...args) {
    uint32_t s;
    void *mem = gc_Malloc(sizeof(T), &s);
    T *obj = ::new (mem) T(static_cast<A &&>(args)...);
    gc_Link(obj, s);
    return obj;
}

inline bool gc_IsWhite(const gc_object *o) { return (o->flags & 3u) == gc_WhiteColour; }

// Shade grey: white -> flip colour bit 0 and move to the mark queue.
inline void gc_EnqueueObject(gc_object *o) {
    if (o && gc_IsWhite(o)) {
        o->flags ^= 1u;
        gc_Unlink(o);
        gc_Append(gc_MarkQueue, o);
    }
}
// Shade black at once and run Mark().
void gc_MarkObject(gc_object *o);

template <class T>
inline void gc_Enqueue(T *o) { gc_EnqueueObject(o); }
template <class T>
inline void gc_Mark(T *o) { gc_MarkObject(o); }
// The write barrier for object references: a white stored object turns grey.
template <class T, class U>
inline void gc_Assign(T *&field, U *value) {
    gc_EnqueueObject(value);
    field = value;
    rt_Assert(!value || !gc_IsWhite(value));
}

void gc_MarkQueued(int32_t budget);
void gc_Sweep();
void gc_Collect();
void gc_CollectAll();
void gc_MarkGlobals();
void gc_InitLists();
void gc_AddExternalBytes(int32_t bytes);
void gc_Reclaim(int32_t bytes);
void gc_ValidateList(gc_ListHead &list, const char *message = nullptr);

// The incremental budget for n new bytes and a allocated bytes.
int32_t gc_StepBudget(int32_t n, int32_t a);

// The roots: the program registers one function that enqueues every global
// holding an object or array reference. gc_MarkGlobals calls it.
using gc_RootsFn = void (*)();
void gc_SetRoots(gc_RootsFn fn);

// Moves the new-bytes count by delta, wrapping (Strings count their blocks).
inline void gc_CountNew(int64_t delta) { gc_NewBytes = math_WrapAdd(gc_NewBytes, delta); }

// A reference field or global: assignment is the write barrier.
// Construction (in a constructor's initialiser list) stores directly.
template <class T>
class gc_ref {
    T *p_;

public:
    gc_ref() : p_(nullptr) {}
    gc_ref(T *v) : p_(v) {}
    gc_ref(const gc_ref &o) : p_(o.p_) {}
    gc_ref &operator=(T *v) {
        gc_Assign(p_, v);
        return *this;
    }
    gc_ref &operator=(const gc_ref &o) { return *this = o.p_; }
    T *get() const { return p_; }
    operator T *() const { return p_; }
    T *operator->() const { return p_; }
    T &operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
};
template <class T>
inline void gc_Enqueue(const gc_ref<T> &r) { gc_EnqueueObject(r.get()); }
template <class T>
inline void gc_Mark(const gc_ref<T> &r) { gc_MarkObject(r.get()); }
