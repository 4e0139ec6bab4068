// Stacks: growable lists kept in an Array<T> longer than needed.
//
// `data` holds the elements in its first `length` slots; its length is the
// capacity. A full stack grows to (length + 5) x 2. Slots past `length`
// hold the element type's empty value or, in the stacks that have one, the
// class-wide NIL value, which those stacks write into every slot they
// vacate so that they keep no reference to a removed element.
//
// One template body, StackBody, serves every instance; the named classes
// are in the table at the end of this file. Every array a stack makes for
// itself is stored through ArrayField and so marked at once.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/rt_array.h"
#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

// Operations an instance offers besides new(), new(data) and the Pushes.
inline constexpr unsigned kStackToArray = 1u << 0;
inline constexpr unsigned kStackData = 1u << 1;
inline constexpr unsigned kStackLength = 1u << 2;
inline constexpr unsigned kStackSetLength = 1u << 3;
inline constexpr unsigned kStackClear = 1u << 4;
inline constexpr unsigned kStackPop = 1u << 5;
// The class has a NIL value, written into vacated slots.
inline constexpr unsigned kStackNil = 1u << 6;

template <class T, bool HasNil>
struct StackNil {};
template <class T>
struct StackNil<T, true> {
    // A global of the element type (a barriered reference for objects).
    static inline typename Array<T>::Elem NIL{};
};

template <class T, unsigned Ops>
class StackBody : public Object, public StackNil<T, (Ops & kStackNil) != 0> {
public:
    using Arg = std::conditional_t<std::is_same_v<T, String>, const String &, T>;

    ArrayField<T> data;
    int32_t length;

    StackBody() : data(), length(0) {}
    StackBody *m_new() { return this; }
    // A full stack holding a copy of the array's elements.
    StackBody *m_new(const Array<T> &source) {
        int32_t n = source.Length();
        data = Copy(source, n, n);
        length = n;
        return this;
    }

    void Push(Arg value) {
        if (length == data.Length()) data = Copy(data.get(), length, (static_cast<int64_t>(length) + 5) * 2);
        data[length] = value;
        ++length;
    }
    // Elements offset .. offset + count - 1 of values; nothing when count < 1.
    void Push(const Array<T> &values, int32_t offset, int32_t count) {
        if (count < 1) return;
        if (offset < 0 || static_cast<int64_t>(offset) + count > values.Length())
            object_RuntimeError("Stack push range is outside the array");
        for (int32_t i = offset; i < offset + count; ++i) Push(values[i]);
    }
    // Elements offset .. end of values; nothing when offset is past the end.
    void Push(const Array<T> &values, int32_t offset) {
        if (offset < 0) object_RuntimeError("Stack push range is outside the array");
        for (int32_t i = offset; i < values.Length(); ++i) Push(values[i]);
    }

    Array<T> ToArray()
        requires((Ops & kStackToArray) != 0)
    {
        return Copy(data.get(), length, length);
    }
    // The array itself, capacity included.
    Array<T> Data()
        requires((Ops & kStackData) != 0)
    {
        return data.get();
    }
    int32_t Length()
        requires((Ops & kStackLength) != 0)
    {
        return length;
    }
    void SetLength(int32_t n)
        requires((Ops & kStackSetLength) != 0)
    {
        if (n < 0) object_RuntimeError("Stack length is negative");
        if (n < length) {
            Vacate(n, length);
            length = n;
            return;
        }
        int32_t capacity = data.Length();
        if (n > capacity) {
            int64_t doubled = static_cast<int64_t>(length) * 2 + 10;
            data = Copy(data.get(), capacity, doubled > n ? doubled : n);
        }
        length = n;
    }
    void Clear()
        requires((Ops & kStackClear) != 0)
    {
        Vacate(0, length);
        length = 0;
    }
    T Pop()
        requires((Ops & kStackPop) != 0)
    {
        if (length == 0) object_RuntimeError("Stack is empty");
        --length;
        T value = data[length];
        data[length] = this->NIL;
        return value;
    }

    void Mark() override { gc_Enqueue(data); }

protected:
    // A new array of `capacity` slots whose first `count` hold the source's
    // elements (Strings take a reference), the rest the empty value. The
    // shared empty array when capacity is 0.
    static Array<T> Copy(const Array<T> &source, int32_t count, int64_t capacity) {
        Array<T> copy(capacity);
        for (int32_t i = 0; i < count; ++i) copy[i] = source[i];
        return copy;
    }
    void Vacate(int32_t from, int32_t to) {
        if constexpr ((Ops & kStackNil) != 0) {
            for (int32_t i = from; i < to; ++i) data[i] = this->NIL;
        }
    }
};

// ---------------------------------------------------------------------------
// The instances. Element classes of other subsystems are only declared here.
class c_DisplayMode;
class c_GLUniform;
class c_JsonValue;
class c_DrawOp;
class c_ShadowCaster;

inline constexpr unsigned kStack1Ops = kStackToArray;
inline constexpr unsigned kStack2Ops = kStackToArray;
inline constexpr unsigned kStack3Ops = kStackToArray;
inline constexpr unsigned kStack4Ops = kStackToArray;
inline constexpr unsigned kStack5Ops = kStackNil | kStackData | kStackLength | kStackSetLength | kStackClear | kStackPop;
inline constexpr unsigned kStack6Ops = kStackNil | kStackClear;
inline constexpr unsigned kStack7Ops = kStackNil | kStackClear;

// class                                               element type
using c_Stack = StackBody<c_DisplayMode *, kStack1Ops>;  // c_DisplayMode
using c_Stack2 = StackBody<c_GLUniform *, kStack2Ops>;   // c_GLUniform
using c_Stack3 = StackBody<String, kStack3Ops>;          // String (base of c_StringStack)
using c_Stack4 = StackBody<c_JsonValue *, kStack4Ops>;   // c_JsonValue
using c_Stack5 = StackBody<c_DrawOp *, kStack5Ops>;      // c_DrawOp, NIL null
using c_Stack6 = StackBody<c_ShadowCaster *, kStack6Ops>;  // c_ShadowCaster, NIL null
using c_Stack7 = StackBody<float, kStack7Ops>;           // float, NIL 0.0 (base of c_FloatStack)

class c_StringStack : public c_Stack3 {
public:
    c_StringStack *m_new() { return this; }
    c_StringStack *m_new(const Array<String> &source) {
        c_Stack3::m_new(source);
        return this;
    }
    // The stacked strings with the separator between neighbours; one
    // string is handed back itself, none give the empty string.
    String Join(const String &separator) { return separator.Join(ToArray()); }
};

class c_FloatStack : public c_Stack7 {
public:
    c_FloatStack *m_new() { return this; }
    c_FloatStack *m_new(const Array<float> &source) {
        c_Stack7::m_new(source);
        return this;
    }
};
