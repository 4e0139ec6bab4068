// Collected fixed-length arrays.
//
// Array<T> is a value holding one pointer to a collected Array<T>::Rep.
// Length 0 is always the type's one static empty Rep (colour 3, on no list,
// never marked, swept or freed). Elements of pointer type are stored as
// gc_ref<U>, so `a[i] = obj` runs the write barrier; String elements take
// a reference on store. A new array is white; store it into a field or a
// global through ArrayField<T>, whose assignment marks it at once (gc_Mark).
#pragma once

#include <initializer_list>
#include <new>
#include <type_traits>

#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_string.h"

template <class T>
struct ArrayStored {
    using Type = T;
};
template <class U>
struct ArrayStored<U *> {
    using Type = gc_ref<U>;
};

template <class T>
class Array {
public:
    using Elem = typename ArrayStored<T>::Type;
    static constexpr bool kMarksElements = std::is_pointer_v<T>;

    class Rep : public gc_object {
    public:
        int32_t length;

        explicit Rep(int32_t n) : length(n) {
            Elem *e = Elems();
            for (int32_t i = 0; i < n; ++i) ::new (&e[i]) Elem();
        }
        ~Rep() override {
            if constexpr (!std::is_trivially_destructible_v<Elem>) {
                Elem *e = Elems();
                for (int32_t i = 0; i < length; ++i) e[i].~Elem();
            }
        }
        // Arrays of references mark each white element at once.
        void Mark() override {
            if constexpr (kMarksElements) {
                Elem *e = Elems();
                for (int32_t i = 0; i < length; ++i) gc_MarkObject(e[i].get());
            }
        }
        Elem *Elems() { return reinterpret_cast<Elem *>(reinterpret_cast<char *>(this) + kHeader); }
    };
    // Elements start right behind the representation's header.
    static constexpr size_t kHeader = (sizeof(Rep) + alignof(Elem) - 1) / alignof(Elem) * alignof(Elem);

    // The static empty representation of this element type.
    static Rep *EmptyRep() {
        alignas(Rep) static unsigned char storage[sizeof(Rep)];
        static Rep *empty = [] {
            Rep *r = ::new (storage) Rep(0);
            r->next = r->prev = nullptr;
            r->flags = 3;
            return r;
        }();
        return empty;
    }

    Array() : rep_(EmptyRep()) {}
    explicit Array(int64_t length) : rep_(Make(length)) {}
    static Array FromRep(Rep *r) { Array a; a.rep_ = r; return a; }

    int Length() const { return rep_->length; }
    // Unchecked: callers keep 0 <= i < Length().
    Elem &operator[](int i) const { return rep_->Elems()[i]; }
    Elem *Data() const { return rep_->Elems(); }
    Rep *GetRep() const { return rep_; }
    bool IsEmptyRep() const { return rep_ == EmptyRep(); }
    bool operator==(const Array &o) const { return rep_ == o.rep_; }

    // Elements [from, min(to, length)); the empty array when none.
    Array Slice(int from, int to) const {
        if (to > Length()) to = Length();
        if (from < 0) from = 0;
        if (from >= to) return Array();
        Array r(static_cast<int64_t>(to - from));
        for (int i = from; i < to; ++i) r[i - from] = (*this)[i];
        return r;
    }

private:
    static Rep *Make(int64_t n) {
        if (n == 0) return EmptyRep();
        if (n < 0) object_RuntimeError("Array length is negative");
        uint64_t bytes = kHeader + static_cast<uint64_t>(n) * sizeof(Elem);
        if (bytes > 0x7ffffff0u) rt_OutOfMemory(bytes);
        uint32_t s;
        void *mem = gc_Malloc(bytes, &s);
        Rep *r = ::new (mem) Rep(static_cast<int32_t>(n));
        gc_Link(r, s);
        return r;
    }
    Rep *rep_;
};

template <class T>
inline void gc_Enqueue(const Array<T> &a) { gc_EnqueueObject(a.GetRep()); }
template <class T>
inline void gc_Mark(const Array<T> &a) { gc_MarkObject(a.GetRep()); }

// An array field or global: assignment marks the stored array at once.
template <class T>
class ArrayField {
    Array<T> a_;

public:
    ArrayField() = default;
    ArrayField(const Array<T> &a) : a_(a) {}
    ArrayField(const ArrayField &o) = default;
    ArrayField &operator=(const Array<T> &a) {
        gc_MarkObject(a.GetRep());
        rt_Assert(!gc_IsWhite(a.GetRep()));
        a_ = a;
        return *this;
    }
    ArrayField &operator=(const ArrayField &o) { return *this = o.a_; }
    operator const Array<T> &() const { return a_; }
    const Array<T> &get() const { return a_; }
    int Length() const { return a_.Length(); }
    typename Array<T>::Elem &operator[](int i) const { return a_[i]; }
    const Array<T> *operator->() const { return &a_; }
};
template <class T>
inline void gc_Enqueue(const ArrayField<T> &a) { gc_EnqueueObject(a.get().GetRep()); }
template <class T>
inline void gc_Mark(const ArrayField<T> &a) { gc_MarkObject(a.get().GetRep()); }

// A new array holding the given elements in order.
template <class T>
Array<T> array_Of(std::initializer_list<T> items) {
    Array<T> a(static_cast<int64_t>(items.size()));
    int i = 0;
    for (const T &v : items) a[i++] = v;
    return a;
}

// String-slot helpers (the Array code does the same work inline).
void array_ConstructStrings(int count, String *slots);
void array_CopyConstructStrings(int count, String *target, const String *source);
void array_DestroyStrings(int count, String *slots);
