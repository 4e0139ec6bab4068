// Object model of translated classes.
//
// Conventions (see runtime/README.md):
//  * Every translated class derives from Object, is named c_<Name>, and is
//    created with gc_New<c_Name>() followed by ->m_new(args...). The
//    constructor only gives fields their defaults (stored directly, no
//    barrier); m_new is the language initialiser: it does the set-up with
//    barriered stores and returns `this`.
//  * Reference fields are gc_ref<T>, array fields ArrayField<T>, String
//    fields String. Mark() calls gc_Enqueue on every reference and array
//    field of the class and of its bases (usually by calling Base::Mark()).
//  * Destructors release Strings and own memory blocks only; they never
//    touch referenced objects.
//  * Exceptions are ThrowableObject subclasses thrown by pointer.
#pragma once

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_string.h"

class Object : public gc_object {
public:
    Object() {}
    Object *m_new() { return this; }
    // Identity.
    virtual bool Equals(Object *other);
    // Address order: -1, 0 or 1.
    virtual int Compare(Object *other);
    // "+Object\n".
    virtual String DebugDump();
};

class ThrowableObject : public Object {
public:
    ThrowableObject *m_new() { return this; }
};
