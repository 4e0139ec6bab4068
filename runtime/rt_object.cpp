#include "runtime/rt_object.h"

bool Object::Equals(Object *other) { return other == this; }

int Object::Compare(Object *other) {
    // The address difference does not fit 32 bits on 64-bit targets: order only.
    auto a = reinterpret_cast<uintptr_t>(this);
    auto b = reinterpret_cast<uintptr_t>(other);
    return a < b ? -1 : (a > b ? 1 : 0);
}

String Object::DebugDump() { return String("+Object\n"); }
