// Sets: distinct keys held as the keys of an ordered map whose values are
// all null. Nothing is ever removed; a walk returns the keys in ascending
// order of the String comparison.
#pragma once

#include "runtime/rt_map.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Set : public Object {
public:
    gc_ref<c_Map3> map;

    c_Set() : map() {}
    c_Set *m_new() { return this; }
    c_Set *m_new(c_Map3 *map);

    bool Contains(const String &key);
    // The keys, each with one more reference, smallest first.
    c_KeyEnumerator *ObjectEnumerator();

    void Mark() override;
};

class c_StringSet : public c_Set {
public:
    // Makes the set's own empty c_StringMap.
    c_StringSet *m_new();
    // A key already present stays in the set once.
    void Insert(const String &key);
};
