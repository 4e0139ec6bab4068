#include "runtime/rt_set.h"

c_Set *c_Set::m_new(c_Map3 *map) {
    this->map = map;
    return this;
}

// A set made without a map holds nothing.
bool c_Set::Contains(const String &key) { return map && map->FindNode(key) != nullptr; }

c_KeyEnumerator *c_Set::ObjectEnumerator() {
    c_MapKeys *keys = map ? map->Keys() : gc_New<c_MapKeys>()->m_new();
    return keys->ObjectEnumerator();
}

void c_Set::Mark() { gc_Enqueue(map); }

c_StringSet *c_StringSet::m_new() {
    map = gc_New<c_StringMap>()->m_new();
    return this;
}

void c_StringSet::Insert(const String &key) { map->Set(key, nullptr); }
